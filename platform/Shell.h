#pragma once
// The desktop's "open": pages, folders and files open in the user's chosen
// program (xdg-open on Linux, run as a program of its own, so neither a
// display nor a GUI application object is needed here). Every open in the
// system goes through here, so tests can record the calls instead of
// starting a browser.

#include <functional>
#include <string>

namespace platform {

class Shell {
public:
    // Opens a local path or an address; false when the desktop refused it
    // or has no opener. Waits a few seconds at most for the opener's answer.
    static bool open(const std::string& target);

    // Starts a new message of the desktop's mail program with `attachment`
    // attached (xdg-email on Linux); false when there is no mail program to
    // hand it to. Waits a few seconds at most, as open() does.
    static bool mail(const std::string& attachment);

    // Replaces the desktop for the rest of the process (tests); an empty
    // function puts the desktop back.
    using Opener = std::function<bool(const std::string& target)>;
    static void setOpener(Opener opener);
};

} // namespace platform
