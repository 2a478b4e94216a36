#include "receiver/reports/ReportWriter.h"

#include "receiver/reports/PageFile.h"
#include "receiver/reports/PageText.h"
#include "receiver/reports/ReportNaming.h"
#include "receiver/reports/ReportTexts.h"

#include "guidepost/CAMException.h"
#include "platform/ProductInfo.h"

#include <algorithm>
#include <cctype>

namespace reports {

namespace {

using L = long long;

const char* alternate(int index)
{
    return index % 2 == 0 ? texts::colourA : texts::colourB;
}

bool endsWithPageExtension(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto ends = [&](std::string_view ext) {
        return path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0;
    };
    return ends(".htm") || ends(".txt") || ends(".html");
}

// The favourite's address is "file:///" followed by the path with forward
// slashes; an absolute path's own leading slash is not doubled.
std::string favouritePath(const std::string& path)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (!p.empty() && p[0] == '/')
        p.erase(0, 1);
    return p;
}

} // namespace

std::string closingParagraphs()
{
    std::string out = texts::closingInformation;
    out += fill(texts::closingHomePage, {product::homePage, product::homePage});
    out += fill(texts::closingNotice, {product::publisherLine});
    return out;
}

std::string closingSection(int number)
{
    return fill(texts::closingHeading, {L(number)}) + closingParagraphs();
}

ReportWriter::ReportWriter(ReportSettings settings, std::string logPath)
    : settings_(settings), logPath_(std::move(logPath))
{
}

std::string ReportWriter::linksSection(const ReceiveReport& receive) const
{
    if (!receive.browseList)
        return texts::linksNone;
    std::string out = texts::linksHeading;
    out += texts::linksTableHead;
    int number = 1;
    for (const BrowseLink& link : *receive.browseList) {
        if (number > 32)
            break;
        if (!link.target || !link.title)
            throw CAMException(CAMException::BrowseFileFailed);
        const char* colour = alternate(number - 1);
        std::string title = escapeHtml(*link.title);
        std::string description = escapeHtml(link.description);
        std::string cell = fill(texts::linkNumberCell, {colour, L(number)});
        if (link.remote) {
            if (isWebAddress(*link.target))
                out += cell + fill(texts::linkRemote, {colour, escapeAttribute(*link.target), title, colour,
                                                       colour, description, colour});
            else
                out += cell + fill(texts::linkRemoteUnlinked, {colour, title, colour, colour, description, colour});
            ++number;
            continue;
        }
        auto found = receive.browseTargets.find(*link.target);
        if (found == receive.browseTargets.end()) {
            out += cell + fill(texts::linkMissing, {colour, colour, colour, colour});
            ++number;
            continue;
        }
        const std::string& local = found->second;
        if (!endsWithPageExtension(local))
            continue;
        std::string href = escapeFilePath(local);
        if (link.favorite) {
            std::string scriptTitle = escapeAttribute(escapeScriptText(*link.title));
            std::string scriptPath = escapeAttribute(escapeScriptText(favouritePath(local)));
            out += cell + fill(texts::linkLocalFavorite, {colour, href, title, colour, colour, description, colour,
                                                          scriptPath, scriptTitle, title});
        } else {
            out += cell + fill(texts::linkLocal, {colour, href, title, colour, colour, description, colour});
        }
        ++number;
    }
    out += texts::linksTableEnd;
    out += texts::linksCautions;
    return out;
}

std::string ReportWriter::reportText(const ReceiveReport& receive, const ReportSet& pages) const
{
    const ReceiveRecord& r = receive.record;
    const ReportTotals& t = receive.totals;
    int style = settings_.effectiveStyle();
    bool anyErrors = !receive.errors.empty() || !receive.copyFailures.empty();

    std::string out = texts::reportHead;
    out += texts::bodyStart;
    out += texts::reportTitle;
    out += texts::styleLine[style];
    out += linksSection(receive);

    int closing = 2;
    if (style >= 1) {
        // Summary.
        out += texts::summaryHeading;
        out += fill(texts::summaryFiles, {L(t.received()), L(t.failed())});
        out += fill(texts::summaryBytes, {L(t.bytes())});
        if (t.zipMade > 0) {
            out += fill(texts::summaryZipFiles, {L(t.zipMade), L(t.zipFailed)});
            out += fill(texts::summaryZipBytes, {L(t.zipBytes)});
        }
        out += texts::summaryFoldersHeading;
        if (!receive.taskFolders.empty()) {
            out += texts::summaryFoldersHead;
            int i = 0;
            for (const FolderEntry& f : receive.taskFolders) {
                const char* colour = alternate(i++);
                out += fill(texts::summaryFolderRow,
                            {colour, escapeHtml(f.taskName), colour, escapeHtml(f.folder)});
            }
            out += texts::tableEnd;
        }

        // GuidePost.
        out += texts::guidePostHeading;
        out += fill(texts::guidePostFormat, {L(r.formatVersion)});
        out += fill(texts::guidePostPath, {escapeHtml(r.documentPath)});
        out += fill(texts::guidePostName, {texts::colourB, texts::colourB, escapeHtml(r.title)});
        int optional = 0;
        auto optionalColour = [&] { return alternate(optional++); };
        if (!r.creator.empty()) {
            const char* c = optionalColour();
            out += fill(texts::guidePostCreator, {c, c, escapeHtml(r.creator)});
        }
        if (r.hasDate) {
            const char* c = optionalColour();
            out += fill(texts::guidePostDate, {c, c, L(r.dateYear), L(r.dateMonth), L(r.dateDay)});
        }
        if (!r.guidePostVersion.empty()) {
            const char* c = optionalColour();
            out += fill(texts::guidePostVersion, {c, c, escapeHtml(r.guidePostVersion)});
        }
        if (!r.comment.empty()) {
            const char* c = optionalColour();
            out += fill(texts::guidePostComment, {c, c, escapeHtml(r.comment)});
        }
        out += texts::guidePostEnd;

        // Program, this file.
        out += fill(texts::programSection, {escapeHtml(r.programVersion)});
        const LocalTime& s = r.startTime;
        out += fill(texts::fileSection, {escapeHtml(pages.report), L(s.year), L(s.month), L(s.day), L(s.hour),
                                         L(s.minute), L(s.second)});

        // Log files.
        out += texts::logSectionHeading;
        out += settings_.logging ? fill(texts::logSectionLink, {escapeFilePath(logPath_)})
                                 : std::string(texts::logSectionNone);
        out += texts::errorSectionHeading;
        out += anyErrors ? fill(texts::errorSectionLink, {escapeFilePath(pages.error)})
                         : std::string(texts::errorSectionNone);
        closing = 7;

        if (style == 2) {
            L n = 7;
            out += fill(texts::settingsSectionHeading, {n, n});
            out += fill(texts::settingsReportPath, {texts::colourA, escapeHtml(pages.report)});
            out += settings_.logging ? fill(texts::settingsLogPath, {n, texts::colourA, escapeHtml(logPath_)})
                                     : fill(texts::settingsNoLog, {n});
            out += anyErrors ? fill(texts::settingsErrorPath, {n, texts::colourB, escapeHtml(pages.error)})
                             : fill(texts::settingsNoErrors, {n});
            out += fill(texts::settingsHowTo, {n, n});
            closing = 8;
        }
    }
    out += closingSection(closing);
    out += texts::pageEnd;
    return out;
}

std::string ReportWriter::errorReportText(const ReceiveReport& receive, const std::string& backLink) const
{
    std::string out = texts::errorHead;
    if (settings_.genReport)
        out += fill(texts::errorBackToReport, {texts::colourA, escapeFilePath(backLink)});
    out += texts::errorTableHeading;
    out += texts::errorTableHead;
    int row = 0;
    for (const ErrorEntry& e : receive.errors) {
        const char* c = alternate(row++);
        out += fill(texts::errorRow, {c, L(row), c, escapeHtml(e.taskName), c, escapeHtml(e.sourceName), c,
                                      escapeHtml(e.fileListName), c, escapeHtml(e.errorText)});
    }
    out += texts::tableEnd;
    if (!receive.copyFailures.empty()) {
        out += texts::copyFailureHeading;
        out += texts::copyFailureHead;
        int number = 0;
        for (const CopyFailure& f : receive.copyFailures) {
            const char* c = alternate(row++);
            out += fill(texts::copyFailureRow,
                        {c, L(++number), c, escapeHtml(f.tempPath), c, escapeHtml(f.destPath)});
        }
        out += texts::tableEnd;
    }
    out += texts::pageEnd;
    out += closingSection(2);
    return out;
}

std::string ReportWriter::folderListText(const std::vector<FolderEntry>& folders, bool withReport, bool allFolders)
{
    std::string out = allFolders ? texts::allFolderListHead : texts::folderListHead;
    out += texts::folderListTable;
    const char* row = withReport ? texts::folderRowWithReport : texts::folderRowWithoutReport;
    for (const FolderEntry& f : folders) {
        std::string href = escapeFilePath(f.folder);
        out += fill(row, {href, escapeHtml(f.taskName), escapeHtml(f.folder), href});
    }
    out += texts::folderListEnd;
    return out;
}

std::string ReportWriter::frameText(const std::string& folderList, const std::string& report)
{
    std::string out = texts::frameHead;
    if (report.empty())
        out += fill(texts::framesWithoutReport, {escapeFilePath(folderList)});
    else
        out += fill(texts::framesWithReport, {escapeFilePath(report), escapeFilePath(folderList)});
    return out;
}

int ReportWriter::writeFolderPages(const std::vector<FolderEntry>& folders, bool withReport, bool allFolders,
                                   const std::string& listPath, const std::string& framePath,
                                   const std::string& reportPath, std::string& chosen) const
{
    int n = static_cast<int>(folders.size());
    if (n == 0) {
        chosen = withReport ? reportPath : std::string();
        return 0;
    }
    if (!withReport && n == 1) {
        chosen = folders.front().folder;
        return 1;
    }
    if (!writePageFile(listPath, folderListText(folders, withReport, allFolders))
        || !writePageFile(framePath, frameText(listPath, withReport ? reportPath : std::string()))) {
        chosen.clear();
        return -1;
    }
    chosen = framePath;
    return n;
}

bool ReportWriter::writeErrorReport(const ReceiveReport& receive, ReportOutcome& outcome) const
{
    if (outcome.errorReportWritten || (receive.errors.empty() && receive.copyFailures.empty()))
        return true;
    const ReportSet& pages = outcome.pages;
    std::string back = !pages.pageToOpen.empty() ? pages.pageToOpen : pages.report;
    if (!writePageFile(pages.error, errorReportText(receive, back)))
        return false;
    outcome.errorReportWritten = true;
    return true;
}

ReportOutcome ReportWriter::writePages(const ReceiveReport& receive)
{
    const ReceiveRecord& r = receive.record;
    ReportOutcome outcome;
    bool withReport = receive.browseList.has_value() || settings_.genReport;
    bool folderReady = ensureReportFolder(r.saveRoot);

    if (withReport) {
        if (!folderReady)
            throw CAMException(CAMException::ReportFailed);
        outcome.pages = ReportNaming::name(settings_, r);
        ReportSet& pages = outcome.pages;
        std::string text = reportText(receive, pages);  // may throw 29 before anything is written
        // A report that cannot be stored ends the receive before any other page.
        if (!writePageFile(pages.report, text))
            throw CAMException(CAMException::ReportFailed);
        outcome.reportWritten = true;
        // The report's log section links the error report: it is written and
        // shown now, before the report itself is opened, and links back to it.
        if (settings_.effectiveStyle() >= 1) {
            pages.pageToOpen = pages.report;
            writeErrorReport(receive, outcome);
            pages.pageToOpen.clear();
        }
        writeFolderPages(receive.openFolders, true, false, pages.folder, pages.frame, pages.report,
                         pages.pageToOpen);
        writeFolderPages(receive.taskFolders, true, true, pages.mrrFolder, pages.mrrFrame, pages.report,
                         pages.pageToRemember);
    } else {
        outcome.pages = ReportNaming::name(settings_, r);
        ReportSet& pages = outcome.pages;
        // A single folder is opened even when no page can be written.
        writeFolderPages(receive.openFolders, false, false, pages.folder, pages.frame, std::string(),
                         pages.pageToOpen);
        writeFolderPages(receive.taskFolders, false, true, pages.mrrFolder, pages.mrrFrame, std::string(),
                         pages.pageToRemember);
    }
    if (folderReady)
        writeErrorReport(receive, outcome);
    return outcome;
}

} // namespace reports
