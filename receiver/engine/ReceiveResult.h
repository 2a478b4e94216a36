#pragma once
// How a receive ended, as one plain value the host takes at the end: what to
// tell the user, the totals, the pages written and what to open. The session
// never opens anything itself; the host opens pageToOpen (and the error
// report) when it wants to, through platform::Shell.

#include "receiver/engine/ReceiveCounts.h"
#include "receiver/engine/ReceiveQuestion.h"

#include "receiver/reports/ReportTypes.h"

#include <string>
#include <vector>

namespace receive {

enum class ReceiveOutcome {
    Succeeded,        // files were received
    NothingReceived,  // nothing arrived (error 38), or the welcome was declined
    Cancelled,        // the user stopped it (error 43)
    Failed,           // any other error ended it
};

enum class PageKind {
    Report,        // the receive report
    Log,           // the receive log
    ErrorReport,   // the error report
    FolderList,    // the frame of this receive's open folders
    AllFolders,    // the frame of every task folder (MRR)
};

struct WrittenPage {
    PageKind kind = PageKind::Report;
    std::string path;
};

struct ReceiveResult {
    ReceiveOutcome outcome = ReceiveOutcome::Failed;
    // The error code (CAMException) behind every outcome but Succeeded; -1
    // for a failure that has none (a save root that cannot be made).
    int code = 0;
    // The one message to show at the end, with its caption ("エラー",
    // "受信終了") and icon; empty when there is nothing to show (success, a
    // declined welcome).
    std::string caption;
    std::string message;
    QuestionIcon icon = QuestionIcon::None;

    ReceiveCounts totals;
    std::vector<WrittenPage> pages;
    // The page the receive shows at its end: the report, a frame page or a
    // single received folder; empty when there is none.
    std::string pageToOpen;
    // The error report, when one was written: shown before pageToOpen.
    std::string errorReportToOpen;
    // The folders the GuidePost marks for opening (task name, folder).
    std::vector<reports::FolderEntry> foldersToOpen;
    // The error list of the receive, in order (the error report's lines).
    std::vector<std::string> errorLines;
    // Files that arrived but could not be put in place ("path: why").
    std::vector<std::string> placementFailures;
    // Things the host should mention besides the message ("ログファイル作成中に
    // エラーが生じたので..." and the like).
    std::vector<std::string> warnings;
    bool recentAdded = false;  // the receive entered the recent receive list

    std::string pagePath(PageKind kind) const
    {
        for (const WrittenPage& page : pages)
            if (page.kind == kind)
                return page.path;
        return {};
    }
};

} // namespace receive
