#pragma once
// Date macros in folder and zip file names: "%date%", "%time%", "%year%",
// "%month%", "%day%", "%hour%", "%min%", "%sec%", from the receive's start.

#include <ctime>
#include <string>

namespace receive {

class DateMacros {
public:
    // Throws ReceiveError 26 for a "%" without its closing one. Unknown names
    // expand to nothing. The result is cut at 260 bytes (code page 932).
    static std::string expand(const std::string& text, const std::tm& start);
};

} // namespace receive
