#pragma once
// What a host shares with work running on another thread: a stop request it
// may set at any time, and a progress figure the work keeps current. Plain
// atomics, so either side reads without waiting.

#include "album/core/AlbumError.h"

#include <atomic>

namespace album {

// Work that saw the stop request ends with this.
class WorkStopped : public AlbumError {
public:
    WorkStopped() : AlbumError(texts::additionsStopped, texts::stoppedCaption) {}
};

class WorkControl {
public:
    void requestStop() { stop_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    void clearStop() { stop_.store(false, std::memory_order_relaxed); }
    // Throws WorkStopped when a stop was requested.
    void checkStop() const
    {
        if (stopRequested())
            throw WorkStopped();
    }

    // How far the current piece of work is, in thousandths.
    void setPermille(int value) { permille_.store(value, std::memory_order_relaxed); }
    int permille() const { return permille_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stop_ {false};
    std::atomic<int> permille_ {0};
};

} // namespace album
