#pragma once
// The reports of one receive as the session writes them: the log rows
// of every finished event (through the finisher's log hook) and, at the end,
// the report pages, the error report and the recent receive entry.

#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveWorker.h"

#include "receiver/reports/ReceiveLog.h"
#include "receiver/reports/RecentReceiveList.h"
#include "receiver/reports/ReportSettings.h"
#include "receiver/reports/ReportWriter.h"

#include <atomic>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

namespace platform { class Settings; }

namespace receive {

class ReceiveReporting {
public:
    // documentPath: the GuidePost as the user named it (printed by the report).
    // stop: the receive's stop request; a receive stopped while its end was
    // being finished still ends its log and report with the cancel line.
    ReceiveReporting(reports::ReportSettings settings, std::string documentPath,
                     const std::atomic<bool>* stop = nullptr);

    // The start and the end of the driver (worker thread hooks).
    // saveRoot: absolute (the worker makes it so).
    void onStart(const CAMData& model, const std::string& saveRoot);
    void onEnd(const CAMData& model, const ReceiveEngine& engine);

    // The rows of one finished event (host thread). The log is opened with
    // the first event; when it cannot be created logging is off for the run
    // and logFailed() tells the host to show texts::logCreateFailed.
    void take(const ReceiveEvent& event, const FinishResult& result, const ReceiveTotals& totals);
    bool logFailed() const { return logFailed_; }
    const std::string& logPath() const { return logPath_; }
    // "path: why" of every event whose finishing step failed.
    const std::vector<std::string>& failureLines() const { return failureLines_; }

    // At the end of a receive that got past its start: writes the pages and,
    // unless nothing was received (error 38) or store is null, adds the
    // recent receive. Throws CAMException 42 or 29 as
    // ReportWriter::writePages does.
    reports::ReportOutcome finish(const WorkerOutcome& outcome, const ReceiveTotals& totals,
                                  const std::vector<ReceiveEvent>& failures, platform::Settings* store,
                                  reports::RecentReceiveList& recent);

    const reports::ReportSettings& settings() const { return settings_; }

    // The parts of finish, for tests.
    static reports::LogRow rowOf(const ReceiveEvent& event, const FinishResult& result);
    static reports::ReportTotals totalsOf(const ReceiveTotals& totals);

private:
    reports::ReceiveReport report(const ReceiveTotals& totals, const std::vector<ReceiveEvent>& failures) const;
    bool stopped() const;

    reports::ReportSettings settings_;
    std::string documentPath_;
    const std::atomic<bool>* stop_;
    mutable std::mutex mutex_;  // the worker's hooks and the host thread meet here
    bool startTaken_ = false;  // the log took the start time
    reports::ReceiveRecord record_;
    std::optional<std::vector<reports::BrowseLink>> browseList_;
    std::vector<reports::FolderEntry> taskFolders_, openFolders_;
    std::vector<reports::ErrorEntry> errors_;

    // Host thread only.
    reports::ReceiveLog log_;
    bool logOpened_ = false;
    bool logFailed_ = false;
    std::string logPath_;
    std::map<std::string, std::string> browseTargets_;  // browse id -> the placed file
    std::vector<std::string> failureLines_;
};

} // namespace receive
