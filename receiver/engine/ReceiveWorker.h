#pragma once
// The worker's side of a receive: a local path, a "file" URL or an http(s)
// URL, an archive told by its "GPAR" mark and unpacked, the save root
// resolved and created, the driver run, and every temporary file deleted
// however it ends.

#include "receiver/engine/ReceiveEngine.h"

#include <functional>
#include <string>

namespace receive {

struct WorkerOutcome {
    enum Status { Received, NotStarted, NothingReceived, Failed };
    Status status = Failed;
    int code = -1;             // the error code when failed
    std::string message;       // the text to show (UTF-8)
    std::string caption;       // "エラー" or "受信終了"
    QuestionIcon icon = QuestionIcon::None;
};

class ReceiveWorker {
public:
    ReceiveWorker(ReceiveHost& host, ReceiveEventQueue& queue, ReceiveTotals& totals, ReceiveProgress& progress,
                  ReceiveOptions options = {})
        : host_(host), queue_(queue), totals_(totals), progress_(progress), options_(std::move(options))
    {
    }

    // Runs the whole receive of source into saveRoot; never throws.
    WorkerOutcome run(const std::string& source, const std::string& saveRoot);

    // Called on the worker thread when the receive begins (after
    // certification, with the save root it receives into, which the reports
    // lie below), and once the driver has returned or thrown (the reports
    // read the model and the driver's folders there).
    using StartHook = std::function<void(const CAMData& model, const std::string& saveRoot)>;
    using EndHook = std::function<void(const CAMData& model, const ReceiveEngine& engine)>;
    void setHooks(StartHook start, EndHook end) { startHook_ = std::move(start), endHook_ = std::move(end); }

    // Folders marked for opening by the last receive.
    const std::vector<std::pair<std::string, std::string>>& foldersToOpen() const { return foldersToOpen_; }
    const std::vector<std::string>& errorLines() const { return errorLines_; }

private:
    WorkerOutcome receive(const std::string& local, const std::string& saveRoot);

    ReceiveHost& host_;
    ReceiveEventQueue& queue_;
    ReceiveTotals& totals_;
    ReceiveProgress& progress_;
    ReceiveOptions options_;
    std::vector<std::pair<std::string, std::string>> foldersToOpen_;
    std::vector<std::string> errorLines_;
    StartHook startHook_;
    EndHook endHook_;
};

} // namespace receive
