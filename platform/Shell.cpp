#include "Shell.h"

#include <mutex>

#ifdef _WIN32
#include <QDesktopServices>
#include <QUrl>
#else
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
extern char** environ;
#endif

namespace platform {
namespace {

std::mutex openerMutex;
Shell::Opener& opener()
{
    static Shell::Opener o;
    return o;
}

#ifdef _WIN32
bool looksLikeAddress(const std::string& target)
{
    auto colon = target.find("://");
    return colon != std::string::npos && colon > 1;
}

bool desktopOpen(const std::string& target)
{
    QUrl url = looksLikeAddress(target) ? QUrl(QString::fromStdString(target))
                                        : QUrl::fromLocalFile(QString::fromStdString(target));
    return QDesktopServices::openUrl(url);
}
#else
// The desktop's opener runs as a program of its own: no display or GUI
// application object is needed here, and a terminal program can use it.
bool desktopOpen(const std::string& target)
{
#ifdef __APPLE__
    const char* program = "open";
#else
    const char* program = "xdg-open";
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The caller may block signals for its own reasons (corvan-cli watches
    // SIGINT on a thread); the opener gets the ordinary handling back.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(target.c_str()), nullptr};
    pid_t child = -1;
    int error = posix_spawnp(&child, program, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return false;
    // The opener usually hands over to the program it starts and ends at
    // once; its status says whether it could. One that stays (a browser in
    // the terminal) is taken as opened and left to end by itself.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            std::thread([child] {
                int status = 0;
                while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
#endif

} // namespace

bool Shell::open(const std::string& target)
{
    {
        std::lock_guard lock(openerMutex);
        if (opener())
            return opener()(target);
    }
    return desktopOpen(target);
}

void Shell::setOpener(Opener o)
{
    std::lock_guard lock(openerMutex);
    opener() = std::move(o);
}

} // namespace platform
