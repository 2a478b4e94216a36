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
    // The save root to use, absolute: "新しいフォルダ" when empty; created
    // when missing (the default save root with the folders above it, any
    // other one level only). Empty when it can be neither entered nor
    // created; problem then says why, naming the folder that is missing.
    static std::string prepareSaveRoot(const std::string& saveRoot, std::string& problem);
    static std::string prepareSaveRoot(const std::string& saveRoot);
};

} // namespace receive
