#pragma once
// The progress counters the worker writes and the host reads when a progress
// message arrives, and the cancel flag the host sets.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace receive {

struct ReceiveProgress {
    std::atomic<int> taskTotal{0}, tasksDone{0};
    std::atomic<int> sourceTotal{0}, sourcesDone{0};
    std::atomic<int> fileListTotal{0}, fileListsDone{0};
    std::atomic<int> fileTotal{0}, filesDone{0};
    std::atomic<std::int64_t> fileSize{0};      // 0 when unknown
    std::atomic<std::int64_t> fileReceived{0};
    std::atomic<bool> cancel{false};

    // The names shown beside the counters; guarded, as they are not atomic.
    struct Names {
        std::string task, source, fileList, file;
    };
    void setName(std::string Names::*which, std::string value)
    {
        std::lock_guard lock(namesMutex_);
        names_.*which = std::move(value);
    }
    Names names() const
    {
        std::lock_guard lock(namesMutex_);
        return names_;
    }

    void zero()
    {
        taskTotal = tasksDone = sourceTotal = sourcesDone = 0;
        fileListTotal = fileListsDone = fileTotal = filesDone = 0;
        fileSize = fileReceived = 0;
        std::lock_guard lock(namesMutex_);
        names_ = {};
    }

private:
    mutable std::mutex namesMutex_;
    Names names_;
};

} // namespace receive
