#include "receiver/engine/ReceiveReporting.h"

#include "receiver/engine/LocalName.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"

#include "receiver/reports/PageFile.h"

#include "guidepost/CAMData.h"
#include "platform/Settings.h"

#include <climits>
#include <sys/stat.h>

namespace receive {

namespace {

int clampInt(std::int64_t value)
{
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

reports::LocalTime localTimeOf(const std::tm& t)
{
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

} // namespace

ReceiveReporting::ReceiveReporting(reports::ReportSettings settings, std::string documentPath,
                                   const std::atomic<bool>* stop)
    : settings_(settings), documentPath_(std::move(documentPath)), stop_(stop)
{
}

bool ReceiveReporting::stopped() const
{
    return stop_ && stop_->load();
}

void ReceiveReporting::onStart(const CAMData& model, const std::string& saveRoot)
{
    std::lock_guard lock(mutex_);
    startTaken_ = false;
    record_ = {};
    // Absolute already: the worker made the save root so once, at the start,
    // for the file:// links of the pages and the recent receive list alike.
    record_.saveRoot = saveRoot;
    record_.documentPath = documentPath_;
    record_.title = model.name;
    record_.creator = model.creator;
    record_.comment = model.comment;
    record_.hasDate = model.datePresent;
    record_.dateYear = model.dateYear;
    record_.dateMonth = model.dateMonth;
    record_.dateDay = model.dateDay;
    record_.guidePostVersion = model.contentVersion;
    record_.formatVersion = CAMData::formatVersion;
    record_.startTime = reports::LocalTime::now();

    browseList_.reset();
    if (!model.browse.empty()) {
        std::vector<reports::BrowseLink> links;
        for (const auto& b : model.browse)
            links.push_back({b->target, b->title, b->description, b->remote, b->favorite});
        browseList_ = std::move(links);
    }
}

void ReceiveReporting::onEnd(const CAMData&, const ReceiveEngine& engine)
{
    std::lock_guard lock(mutex_);
    taskFolders_ = engine.receivedFolders();
    openFolders_.clear();
    for (const auto& [task, folder] : engine.foldersToOpen())
        openFolders_.push_back({task, folder});
    errors_ = engine.errors();
    // The log, when one was opened, named itself after its own start time.
    if (!startTaken_)
        record_.startTime = localTimeOf(engine.startTime());
}

reports::LogRow ReceiveReporting::rowOf(const ReceiveEvent& event, const FinishResult& result)
{
    reports::LogRow row;
    row.kind = event.eventKind;
    row.finishedOk = result.ok;
    row.saveName = event.saveName;
    row.remoteName = event.remoteName;
    row.destPath = event.destPath;
    row.serverName = event.serverName;
    row.protocol = event.protocolCode;
    row.size = event.byteCount;
    row.transferMode = event.transferMode == ModeNone ? -1 : static_cast<int>(event.transferMode);
    if (event.eventKind == ZipFolder) {
        // The zip file made, and its size when it can be read.
        struct stat st;
        row.size = result.ok && ::stat(event.saveName.c_str(), &st) == 0 ? st.st_size : -1;
        if (row.destPath.empty())
            row.destPath = event.saveName;
    }
    if (event.eventKind == FileReceived && !result.ok && result.placed) {
        // The file arrived and stands in its place; its unpacking failed:
        // both rows, S then F.
        row.finishedOk = true;
        row.unpackFailed = true;
    }
    return row;
}

reports::ReportTotals ReceiveReporting::totalsOf(const ReceiveTotals& t)
{
    reports::ReportTotals r;
    r.httpReceived = clampInt(t.http.received), r.httpFailed = clampInt(t.http.failed);
    r.httpBytes = clampInt(t.http.bytes);
    r.ftpReceived = clampInt(t.ftp.received), r.ftpFailed = clampInt(t.ftp.failed);
    r.ftpBytes = clampInt(t.ftp.bytes);
    r.attachReceived = clampInt(t.attach.received), r.attachFailed = clampInt(t.attach.failed);
    r.attachBytes = clampInt(t.attach.bytes);
    r.zipMade = clampInt(t.zip.received), r.zipFailed = clampInt(t.zip.failed);
    r.zipBytes = clampInt(t.zip.bytes);
    return r;
}

void ReceiveReporting::take(const ReceiveEvent& event, const FinishResult& result, const ReceiveTotals& totals)
{
    // A browse link goes to the file that carries its id; of two with one
    // id the later stands, as in the GuidePost's own index.
    if (event.eventKind == FileReceived && !event.browseId.empty() && (result.ok || event.byteCount < 0))
        browseTargets_[event.browseId] = event.destPath;
    if (!result.ok)
        failureLines_.push_back((event.destPath.empty() ? event.saveName : event.destPath) + ": " + result.error);
    if (!settings_.logging)
        return;
    if (!logOpened_) {
        logOpened_ = true;
        reports::ReceiveRecord record;
        {
            std::lock_guard lock(mutex_);
            record_.startTime = reports::LocalTime::now();
            startTaken_ = true;
            record = record_;
        }
        if (!reports::ensureReportFolder(record.saveRoot) || !log_.open(settings_, record)) {
            settings_.logging = false;
            logFailed_ = true;
            return;
        }
        logPath_ = log_.path();
    }
    if (event.eventKind == ReceiveFinished)
        log_.close(totalsOf(totals), stopped() ? std::string(texts::cancelledLine) : event.errorText);
    else
        log_.take(rowOf(event, result));
}

reports::ReceiveReport ReceiveReporting::report(const ReceiveTotals& totals,
                                                const std::vector<ReceiveEvent>& failures) const
{
    std::lock_guard lock(mutex_);
    reports::ReceiveReport r;
    r.record = record_;
    r.totals = totalsOf(totals);
    r.taskFolders = taskFolders_;
    r.openFolders = openFolders_;
    r.errors = errors_;
    for (const ReceiveEvent& e : failures)
        if (e.eventKind == FileReceived)
            r.copyFailures.push_back({e.tempPath, e.destPath});
    r.browseList = browseList_;
    r.browseTargets = browseTargets_;
    return r;
}

reports::ReportOutcome ReceiveReporting::finish(const WorkerOutcome& outcome, const ReceiveTotals& totals,
                                                const std::vector<ReceiveEvent>& failures,
                                                platform::Settings* store, reports::RecentReceiveList& recent)
{
    // A log the end event never reached (a receive that ended early) is
    // still closed with what it has.
    if (log_.isOpen())
        log_.close(totalsOf(totals), stopped() ? std::string(texts::cancelledLine) : std::string());
    reports::ReceiveReport receive = report(totals, failures);
    // Stopped while its files were being finished: the report says so too.
    if (stopped()) {
        bool said = false;
        for (const reports::ErrorEntry& e : receive.errors)
            said = said || e.errorText == texts::cancelledLine;
        if (!said)
            receive.errors.push_back({texts::cancelledLine, {}, {}, {}});
    }
    reports::ReportWriter writer(settings_, logPath_);
    reports::ReportOutcome result = writer.writePages(receive);
    if (store && outcome.status != WorkerOutcome::NothingReceived)
        result.recentAdded =
            recent.add(*store, receive.record.title, result.pages.pageToOpen, result.pages.pageToRemember);
    return result;
}

} // namespace receive
