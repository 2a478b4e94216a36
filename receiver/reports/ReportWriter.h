#pragma once
// The pages written at the end of a receive: the receive report, the
// folder-list and frame pages, the MRR pages and the error report, and which
// of them is opened.
//
// A receive uses the reports in this order:
//   start:   ensureReportFolder(saveRoot); with logging, ReceiveLog::open
//            (on failure switch logging off and show texts::logCreateFailed)
//   events:  ReceiveLog::take(row) for kinds 0 to 8, ReceiveLog::close(totals)
//            for the end event
//   end:     ReportWriter(settings, log.path()).writePages(receive), then,
//            unless nothing was received, RecentReceiveList::add with the
//            outcome's pageToOpen and pageToRemember

#include "receiver/reports/ReportSettings.h"
#include "receiver/reports/ReportTypes.h"

#include <string>

namespace reports {

struct ReportOutcome {
    ReportSet pages;                 // pageToOpen / pageToRemember feed the recent list
    bool reportWritten = false;
    bool errorReportWritten = false;
    bool recentAdded = false;  // filled by the caller that adds the recent receive
};

class ReportWriter {
public:
    // logPath: the log this receive wrote (ReceiveLog::path()), shown when
    // settings.logging is on.
    ReportWriter(ReportSettings settings, std::string logPath);

    // Writes every page of the receive and names the page to open; the host
    // opens it (and the error report) itself. Throws CAMException 42 when
    // the report page cannot be written and 29 for a browse without target
    // or title.
    ReportOutcome writePages(const ReceiveReport& receive);

    // The page texts (UTF-8, "\n" line ends), for writing and for tests.
    std::string reportText(const ReceiveReport& receive, const ReportSet& pages) const;
    std::string errorReportText(const ReceiveReport& receive, const std::string& backLink) const;
    static std::string folderListText(const std::vector<FolderEntry>& folders, bool withReport, bool allFolders);
    static std::string frameText(const std::string& folderList, const std::string& report);

private:
    // Writes a folder list and its frame page; returns the folder count, or
    // -1 when a page could not be written. chosen gets the page to show.
    int writeFolderPages(const std::vector<FolderEntry>& folders, bool withReport, bool allFolders,
                         const std::string& listPath, const std::string& framePath,
                         const std::string& reportPath, std::string& chosen) const;
    bool writeErrorReport(const ReceiveReport& receive, ReportOutcome& outcome) const;
    std::string linksSection(const ReceiveReport& receive) const;

    ReportSettings settings_;
    std::string logPath_;
};

// The closing section shared by the report, the log and the error report.
std::string closingSection(int number);
std::string closingParagraphs();

} // namespace reports
