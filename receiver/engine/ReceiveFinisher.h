#pragma once
// The finishing side of a receive, run by the host thread as it takes each
// event: places received files, packs zip tasks, unpacks zip files, keeps
// the totals and the list of events that failed.

#include "receiver/engine/ReceiveEvent.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace receive {

class ReceiveEventQueue;
struct ReceiveTotals;

struct FinishResult {
    bool ok = true;
    std::string error;  // why it failed (UTF-8)
    // A received file stands in its place, even when a later step (its
    // unpacking) failed.
    bool placed = false;
};

class ReceiveFinisher {
public:
    // Where the log writer plugs in: every event after it was acted on.
    using LogHook = std::function<void(const ReceiveEvent&, const FinishResult&)>;

    // stop: the receive's stop request; packing and unpacking look at it.
    explicit ReceiveFinisher(ReceiveTotals& totals, const std::atomic<bool>* stop = nullptr)
        : totals_(totals), stop_(stop)
    {
    }
    void setLogHook(LogHook hook) { logHook_ = std::move(hook); }

    FinishResult handle(const ReceiveEvent& event);
    // Handles every event the queue holds now; returns how many.
    std::size_t drain(ReceiveEventQueue& queue);

    const std::vector<ReceiveEvent>& failures() const { return failures_; }
    bool finished() const { return finished_; }

    // Copies source into destination's folder under a temporary name and
    // renames it over destination, keeping source's modification time. A
    // failure (a full disk included) leaves destination as it was.
    // A stop request ends the copy, leaving destination as it was.
    static bool placeFile(const std::string& source, const std::string& destination, std::string& error,
                          const std::atomic<bool>* stop = nullptr);

private:
    FinishResult placeReceived(const ReceiveEvent& event);
    FinishResult packZip(const ReceiveEvent& event);

    ReceiveTotals& totals_;
    const std::atomic<bool>* stop_;
    LogHook logHook_;
    std::vector<ReceiveEvent> failures_;
    bool finished_ = false;
};

} // namespace receive
