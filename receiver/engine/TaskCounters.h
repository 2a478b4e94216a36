#pragma once
// The record of the task being received: its counters (zeroed before each
// task, added into the totals after it) and what the task needs to finish.

#include "receiver/engine/ReceiveEvent.h"
#include "receiver/engine/ReceiveTotals.h"

#include <cstdint>
#include <string>
#include <vector>

namespace receive {

struct TaskCounters {
    std::int32_t httpReceived = 0, ftpReceived = 0;
    std::int32_t httpFailed = 0, ftpFailed = 0;
    std::int64_t httpBytes = 0, ftpBytes = 0;
    std::int32_t zipMade = 0, zipFailed = 0;
    std::int64_t zipBytes = 0;
    std::int32_t attachReceived = 0, attachFailed = 0;
    std::int64_t attachBytes = 0;

    std::string taskName;
    int taskIndex = 0;
    bool zipTask = false;
    std::string zipPath;
    std::vector<RemoveEntry> removeList;
    // Whether the update confirmations are still to be asked in this
    // receive: never reset between tasks.
    bool askUpdate = true;

    void zero()
    {
        httpReceived = ftpReceived = httpFailed = ftpFailed = 0;
        httpBytes = ftpBytes = 0;
        zipMade = zipFailed = 0;
        zipBytes = 0;
        attachReceived = attachFailed = 0;
        attachBytes = 0;
        zipTask = false;
        zipPath.clear();
        removeList.clear();
    }
    std::int32_t filesReceived() const { return httpReceived + ftpReceived + attachReceived; }
    void addInto(ReceiveTotals& totals) const
    {
        totals.http.received += httpReceived, totals.http.failed += httpFailed, totals.http.bytes += httpBytes;
        totals.ftp.received += ftpReceived, totals.ftp.failed += ftpFailed, totals.ftp.bytes += ftpBytes;
        totals.attach.received += attachReceived, totals.attach.failed += attachFailed;
        totals.attach.bytes += attachBytes;
        totals.zip.received += zipMade, totals.zip.failed += zipFailed, totals.zip.bytes += zipBytes;
    }
};

} // namespace receive
