#pragma once
// Text that came from a received file, made harmless for a terminal: a
// title or comment must not move the cursor, set the window title, clear
// the screen or write the clipboard.

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

class TerminalText {
public:
    // `utf8` with every control character except the line break (C0, DEL,
    // C1, the bidirectional overrides) and every byte that is not UTF-8
    // replaced by U+FFFD.
    static std::string safe(std::string_view utf8);
    // True when `stream` is a terminal, where the above is needed.
    static bool isTerminal(std::FILE* stream);
};

} // namespace platform
