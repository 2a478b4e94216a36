#include "receiver/engine/ReceiveEventQueue.h"

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

void ReceiveEventQueue::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

} // namespace receive
