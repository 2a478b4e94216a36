#pragma once
// The one rule for names that come from outside (a GuidePost, an archive, a
// zip file, an FTP listing): a name stays inside the folder it belongs to.
// A component is not empty, not "." or "..", and holds no "/", "\", ":" or
// NUL; ":" is refused everywhere, as it names a drive ("C:x") or a stream on
// the systems these files also travel to, and Windows allows it in no name.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class SafeName {
public:
    static bool isComponent(std::string_view name);

    // A relative path split at "/" and "\" into components, "." and empty
    // ones dropped. Nothing when the path is absolute (a leading separator)
    // or any component breaks the rule.
    static std::optional<std::vector<std::string>> split(std::string_view path);

    // folder is base or lies below it, every component below base keeping
    // the rule. Both are "/"-separated paths as the receiver builds them.
    static bool isInside(std::string_view base, std::string_view folder);
};

} // namespace platform
