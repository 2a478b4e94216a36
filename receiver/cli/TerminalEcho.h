#pragma once
// Typing on a terminal without echo, for cipher codes and passwords: the
// terminal's own settings come back when the object goes, and a program
// that must end at once can bring them back from any thread first.

namespace cli {

class TerminalEcho {
public:
    // Turns echo off on fd when it is a terminal; nothing otherwise.
    explicit TerminalEcho(int fd);
    ~TerminalEcho();
    TerminalEcho(const TerminalEcho&) = delete;
    TerminalEcho& operator=(const TerminalEcho&) = delete;

    // True when echo was turned off (fd is a terminal).
    bool active() const { return active_; }

    // Gives the terminal its settings back now, if echo is off; for the
    // emergency end (a second Ctrl-C) that skips every destructor.
    static void restoreNow();

private:
    bool active_ = false;
};

} // namespace cli
