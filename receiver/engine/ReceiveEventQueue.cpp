#include "receiver/engine/ReceiveEventQueue.h"

#include <unistd.h>

namespace receive {

void ReceiveEventQueue::append(ReceiveEvent event)
{
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

std::optional<ReceiveEvent> ReceiveEventQueue::take(std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!lock.try_lock_for(wait) || events_.empty())
        return std::nullopt;
    ReceiveEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

bool ReceiveEventQueue::empty() const
{
    std::lock_guard lock(mutex_);
    return events_.empty();
}

std::size_t ReceiveEventQueue::size() const
{
    std::lock_guard lock(mutex_);
    return events_.size();
}

ReceiveEventQueue::~ReceiveEventQueue()
{
    clear();
}

void ReceiveEventQueue::clear()
{
    std::lock_guard lock(mutex_);
    for (const ReceiveEvent& e : events_) {
        if (e.eventKind == FileReceived && !e.tempPath.empty())
            ::unlink(e.tempPath.c_str());
    }
    events_.clear();
}

} // namespace receive
