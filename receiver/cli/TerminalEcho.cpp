#include "receiver/cli/TerminalEcho.h"

#include <mutex>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

// At most one prompt reads a secret at a time; what it changed is kept here
// so restoreNow() can undo it from the signal watcher's thread.
std::mutex savedMutex;
int savedFd = -1;
termios savedSettings{};

} // namespace

TerminalEcho::TerminalEcho(int fd)
{
    termios settings{};
    if (!::isatty(fd) || ::tcgetattr(fd, &settings) != 0)
        return;
    std::lock_guard lock(savedMutex);
    savedFd = fd;
    savedSettings = settings;
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    active_ = ::tcsetattr(fd, TCSANOW, &settings) == 0;
    if (!active_)
        savedFd = -1;
}

TerminalEcho::~TerminalEcho()
{
    if (active_)
        restoreNow();
}

void TerminalEcho::restoreNow()
{
    std::lock_guard lock(savedMutex);
    if (savedFd < 0)
        return;
    ::tcsetattr(savedFd, TCSANOW, &savedSettings);
    savedFd = -1;
}

} // namespace cli
