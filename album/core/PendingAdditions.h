#pragma once
// The files admitted to an album and not yet accepted, oldest first, with the
// counts the progress dialog shows ("%d/%d": entries done, entries in all).
// Owned by the album; only the album's thread touches it.

#include "album/core/PendingAddition.h"

#include <deque>

namespace album {

class PendingAdditions {
public:
    void push(PendingAddition addition)
    {
        entries_.push_back(std::move(addition));
        ++total_;
    }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const std::deque<PendingAddition>& entries() const { return entries_; }
    const PendingAddition& front() const { return entries_.front(); }

    // The oldest entry is done with; once none is left the counts start anew.
    void popFront()
    {
        if (entries_.empty())
            return;
        entries_.pop_front();
        ++done_;
        if (entries_.empty())
            done_ = total_ = 0;
    }
    // Drops every entry (the "中止" button).
    void clear()
    {
        entries_.clear();
        done_ = total_ = 0;
    }

    int done() const { return done_; }
    int total() const { return total_; }

private:
    std::deque<PendingAddition> entries_;
    int done_ = 0;
    int total_ = 0;
};

} // namespace album
