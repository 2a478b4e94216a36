#pragma once
// The session's events on their way to the terminal's main thread: the
// session's threads drop them here and return at once; the main loop takes
// them between redraws of the progress line.

#include "receiver/engine/ReceiveSessionEvent.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace cli {

class SessionInbox {
public:
    void put(receive::SessionEvent event)
    {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        ready_.notify_one();
    }

    // The next event, or nothing when none came within wait.
    std::optional<receive::SessionEvent> take(std::chrono::milliseconds wait)
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, wait, [this] { return !events_.empty(); }))
            return std::nullopt;
        receive::SessionEvent event = std::move(events_.front());
        events_.pop_front();
        return event;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<receive::SessionEvent> events_;
};

} // namespace cli
