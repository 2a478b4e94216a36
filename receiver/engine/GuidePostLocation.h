#pragma once
// Where a receive reads its GuidePost and where it saves.

#include <string>

namespace receive {

class GuidePostLocation {
public:
    // The local path named by a plain path or a "file" URL (percent-decoded,
    // host empty or "localhost"); empty when the text names neither. remote
    // is set for an http, https or ftp URL.
    static std::string localPathOf(const std::string& text, bool& remote);
    // The save root to use: "新しいフォルダ" when empty; created (one level)
    // when missing. Empty when it can be neither entered nor created.
    static std::string prepareSaveRoot(const std::string& saveRoot);
};

} // namespace receive
