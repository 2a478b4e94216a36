#pragma once
// The events of a receive on their way from the worker to the host thread.

#include "receiver/engine/ReceiveEvent.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>

namespace receive {

class ReceiveEventQueue {
public:
    ReceiveEventQueue() = default;
    // Received files of events nobody took are deleted with them.
    ~ReceiveEventQueue();
    ReceiveEventQueue(const ReceiveEventQueue&) = delete;
    ReceiveEventQueue& operator=(const ReceiveEventQueue&) = delete;

    // The worker waits for the lock without limit.
    void append(ReceiveEvent event);
    // The host takes one event, waiting at most `wait` for the lock; nothing
    // when the queue is empty or the lock could not be had in time.
    std::optional<ReceiveEvent> take(std::chrono::milliseconds wait = std::chrono::milliseconds(500));
    bool empty() const;
    std::size_t size() const;
    void clear();

private:
    mutable std::timed_mutex mutex_;
    std::deque<ReceiveEvent> events_;
};

} // namespace receive
