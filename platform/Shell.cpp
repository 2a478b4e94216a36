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
#include <vector>
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
// The desktop's programs run as programs of their own: no display or GUI
// application object is needed here, and a terminal program can use them.
bool runDesktopProgram(const char* program, std::vector<const char*> arguments)
{
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
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program));
    for (const char* a : arguments)
        argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    pid_t child = -1;
    int error = posix_spawnp(&child, program, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return false;
    // The opener usually hands over to the program it starts and ends at
    // once; its status says whether it could. One that stays (a browser in
    // the terminal, a mail program run in its stead) is taken as opened and
    // left to end by itself.
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

bool desktopOpen(const std::string& target)
{
#ifdef __APPLE__
    return runDesktopProgram("open", {target.c_str()});
#else
    return runDesktopProgram("xdg-open", {target.c_str()});
#endif
}

bool desktopMail(const std::string& attachment)
{
    return runDesktopProgram("xdg-email", {"--attach", attachment.c_str()});
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

bool Shell::mail(const std::string& attachment)
{
#ifdef _WIN32
    // No mail hand-over on this platform yet: the caller tells the user
    // where the file lies.
    (void)attachment;
    return false;
#else
    return desktopMail(attachment);
#endif
}

void Shell::setOpener(Opener o)
{
    std::lock_guard lock(openerMutex);
    opener() = std::move(o);
}

} // namespace platform
