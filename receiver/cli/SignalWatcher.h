#pragma once
// SIGINT and SIGTERM turned into calls on an ordinary thread: the first asks
// the receive to stop, the second ends the program at once. The signals are
// blocked in every thread made after the watcher (the session's threads
// included), so only the watcher's sigwait sees them; programs started from
// here get the default handling back (platform::Shell resets the mask).

#include <atomic>
#include <functional>
#include <thread>

namespace cli {

class SignalWatcher {
public:
    // first: the first signal; again: every later one. Both run on the
    // watcher's thread.
    SignalWatcher(std::function<void()> first, std::function<void()> again);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void watch();

    std::function<void()> first_;
    std::function<void()> again_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace cli
