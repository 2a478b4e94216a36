#pragma once
// The desktop's "open": pages, folders and files open in the user's chosen
// program. Every open in the system goes through here, so tests can record
// the calls instead of starting a browser.

#include <functional>
#include <string>

namespace platform {

class Shell {
public:
    // Opens a local path or an address with the desktop's program for it
    // (xdg-open here, not waited for); false when a local path does not
    // exist or the desktop refused it.
    static bool open(const std::string& target);

    // Replaces the desktop for the rest of the process (tests); an empty
    // function puts the desktop back.
    using Opener = std::function<bool(const std::string& target)>;
    static void setOpener(Opener opener);
};

} // namespace platform
