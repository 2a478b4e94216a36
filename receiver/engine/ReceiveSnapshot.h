#pragma once
// Where a receive stands, as one plain value a host reads whenever it likes
// (a window on a timer, the terminal a few times a second). Nothing is sent
// per block: the host shows what it reads.

#include "receiver/engine/ReceiveCounts.h"

#include <cstdint>
#include <string>

namespace receive {

enum class ReceivePhase {
    Idle,       // not started yet
    Preparing,  // fetching or unpacking the GuidePost, the welcome, certification
    Receiving,  // walking the tasks
    Finishing,  // placing what is left, writing the pages
    Ended,      // the result is ready
};

struct ReceiveSnapshot {
    ReceivePhase phase = ReceivePhase::Idle;
    bool stopRequested = false;
    bool questionPending = false;

    // The four counters of the progress dialog (done / total).
    int tasksDone = 0, taskTotal = 0;
    int sourcesDone = 0, sourceTotal = 0;
    int fileListsDone = 0, fileListTotal = 0;
    int filesDone = 0, fileTotal = 0;
    std::string taskName, sourceName, fileListName, fileName;

    // The file (or GuidePost) being transferred: its size (0 when unknown)
    // and the bytes of it so far.
    std::int64_t fileSize = 0;
    std::int64_t fileReceived = 0;

    // The connection or fetch status text ("サーバーへ接続しました", ...);
    // empty when there is none.
    std::string statusText;

    // What has been counted so far: each task adds its files when it ends,
    // and the finisher corrects the files it could not place.
    ReceiveCounts totals;
};

} // namespace receive
