#pragma once
// Folder texts of a GuidePost ("\"-separated) turned into checked native
// folders below a base, created with a depth limit.

#include <ctime>
#include <string>
#include <vector>

namespace receive {

class ReceiveHost;

class FolderPath {
public:
    // Splits a folder text at "\" and "/" into components. "." and empty
    // components are dropped; "..", a drive ("C:") or a leading separator is
    // refused: ReceiveError 26 naming the text. Nothing may climb out of the
    // folder it belongs to.
    static std::vector<std::string> split(const std::string& text);
    // The same check for components that are already split (a component
    // holding "/" or "\" is refused too).
    static std::vector<std::string> check(const std::vector<std::string>& components);

    // A task's destination folder text: trimmed, limited to 260 bytes, date
    // macros expanded, reserved names refused (26, 27) whatever the
    // GuidePost: the report folder and the certified area are reached only
    // through the receiver itself (certification makes its folder the save
    // root), never named by a task, archive or not.
    static std::vector<std::string> taskFolder(const std::string& text, const std::tm& start);

    // Creates base/components... asking the depth question once for every
    // component beyond limit. False (nothing created) when the user refuses;
    // ReceiveError 28 when a folder cannot be created.
    static bool create(const std::string& base, const std::vector<std::string>& components, int limit,
                       ReceiveHost& host);

    // base joined with the components (native separators).
    static std::string join(const std::string& base, const std::vector<std::string>& components);
    // The components as the GuidePost writes them ("a\b").
    static std::string display(const std::vector<std::string>& components);
};

} // namespace receive
