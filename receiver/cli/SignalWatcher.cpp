#include "receiver/cli/SignalWatcher.h"

#include <pthread.h>
#include <signal.h>

namespace cli {

namespace {

// SIGUSR1 only wakes the watcher when it is to end.
sigset_t watchedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    return set;
}

} // namespace

SignalWatcher::SignalWatcher(std::function<void()> first, std::function<void()> again)
    : first_(std::move(first)), again_(std::move(again))
{
    sigset_t set = watchedSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this] { watch(); });
}

SignalWatcher::~SignalWatcher()
{
    stopping_ = true;
    ::pthread_kill(thread_.native_handle(), SIGUSR1);
    // The signals stay blocked: the program is about to end its own way.
    thread_.join();
}

void SignalWatcher::watch()
{
    sigset_t set = watchedSignals();
    int seen = 0;
    for (;;) {
        int signal = 0;
        if (::sigwait(&set, &signal) != 0)
            continue;
        if (stopping_)
            return;
        if (signal == SIGUSR1)
            continue;
        if (seen++ == 0) {
            if (first_)
                first_();
        } else if (again_) {
            again_();
        }
    }
}

} // namespace cli
