#include "receiver/engine/ReceiveSession.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveReporting.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "receiver/reports/ReportTexts.h"

#include "guidepost/CAMException.h"
#include "platform/OwnedTempFolder.h"
#include "platform/ResumeArea.h"
#include "platform/Settings.h"
#include "platform/TempFile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace receive {

namespace {

// Each receive's own temporary folder in the system temporary folder.
constexpr const char* temporaryFolderPrefix = "CVs";

ProtocolCounts countsOf(const ProtocolTotals& t)
{
    return {t.received.load(), t.failed.load(), t.bytes.load()};
}

ReceiveCounts countsOf(const ReceiveTotals& t)
{
    return {countsOf(t.http), countsOf(t.ftp), countsOf(t.attach), countsOf(t.zip)};
}

constexpr std::size_t finisherBatch = 256;
// Past this many queued events the worker waits for the finisher: each one
// holds its names and a file beside its target.
constexpr std::size_t maxBacklog = 8 * finisherBatch;
constexpr std::chrono::milliseconds finisherPause(20);

// Set while this thread runs the host's event handler: the handler of the
// end may take the result at once.
thread_local bool inHandler = false;

} // namespace

// The session's insides: the engine's host (questions and notices from the
// worker), the event dispatch, and the two threads.
class ReceiveSession::Run : public ReceiveHost {
public:
    explicit Run(ReceiveSessionOptions options) : options_(std::move(options)) {}
    ~Run() override { stopAndJoin(); }

    void setHandler(EventHandler handler)
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }

    bool start(const std::string& source, const std::string& saveRoot)
    {
        {
            std::lock_guard lock(mutex_);
            if (started_)
                return false;
            started_ = true;
            phase_ = ReceivePhase::Preparing;
        }
        source_ = source;
        saveRoot_ = saveRoot;
        reporting_.emplace(options_.reports, source, &progress_.cancel);
        if (ownedFolder_.create(temporaryFolderPrefix))
            tempFolder_ = ownedFolder_.path();
        worker_ = std::thread([this] { workerMain(); });
        finisher_ = std::thread([this] { finisherMain(); });
        return true;
    }

    void cancel()
    {
        progress_.cancel = true;
        std::optional<std::uint64_t> withdrawn;
        {
            std::lock_guard lock(mutex_);
            if (question_ && !question_->answered) {
                question_->answer = Answer{question_->question.closeButton, {}, {}};
                question_->answered = true;
                withdrawn = question_->id;
            }
        }
        changed_.notify_all();
        if (withdrawn) {
            SessionEvent e;
            e.kind = SessionEventKind::QuestionWithdrawn;
            e.questionId = *withdrawn;
            emit(std::move(e));
        }
    }

    bool cancelRequested() const { return progress_.cancel; }

    bool answer(std::uint64_t id, const Answer& answer)
    {
        {
            std::lock_guard lock(mutex_);
            if (!question_ || question_->id != id || question_->answered)
                return false;
            question_->answer = answer;
            question_->answered = true;
        }
        changed_.notify_all();
        return true;
    }

    ReceiveSnapshot snapshot() const
    {
        ReceiveSnapshot s;
        {
            std::lock_guard lock(mutex_);
            s.phase = phase_;
            s.questionPending = question_ && !question_->answered;
            s.statusText = statusText_;
        }
        s.stopRequested = progress_.cancel;
        s.tasksDone = progress_.tasksDone, s.taskTotal = progress_.taskTotal;
        s.sourcesDone = progress_.sourcesDone, s.sourceTotal = progress_.sourceTotal;
        s.fileListsDone = progress_.fileListsDone, s.fileListTotal = progress_.fileListTotal;
        s.filesDone = progress_.filesDone, s.fileTotal = progress_.fileTotal;
        ReceiveProgress::Names names = progress_.names();
        s.taskName = std::move(names.task);
        s.sourceName = std::move(names.source);
        s.fileListName = std::move(names.fileList);
        s.fileName = std::move(names.file);
        s.fileSize = progress_.fileSize;
        s.fileReceived = progress_.fileReceived;
        s.totals = countsOf(totals_);
        return s;
    }

    // The end counts once the Ended event has reached the host, so a host
    // that waits for the end has seen every event.
    bool finished() const
    {
        std::lock_guard lock(mutex_);
        return endDelivered_ || (inHandler && phase_ == ReceivePhase::Ended);
    }

    bool waitFinished(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] {
            return endDelivered_ || (inHandler && phase_ == ReceivePhase::Ended);
        });
    }

    ReceiveResult result() const
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] {
            return endDelivered_ || !started_ || (inHandler && phase_ == ReceivePhase::Ended);
        });
        return result_;
    }

    void discardTemporaryFiles()
    {
        cancel();
        removeTempFolder();
        // Files being written beside their targets (placing, unpacking, pages).
        platform::TempFile::removeAllNow();
    }

    // ReceiveHost, called on the worker thread.
    void post(ReceiveNotice notice, std::int64_t value) override
    {
        switch (notice) {
        case ReceiveNotice::TasksBegin: {
            std::lock_guard lock(mutex_);
            phase_ = ReceivePhase::Receiving;
            break;
        }
        case ReceiveNotice::TaskBegins:
            nameChanged(SessionEventKind::TaskChanged, progress_.names().task);
            break;
        case ReceiveNotice::SourceBegins:
            nameChanged(SessionEventKind::SourceChanged, progress_.names().source);
            break;
        case ReceiveNotice::FileListBegins:
            nameChanged(SessionEventKind::FileListChanged, progress_.names().fileList);
            break;
        case ReceiveNotice::EventsAppended:
            wakeFinisher();
            holdBackWhileBacklogged();
            break;
        case ReceiveNotice::ConnectionStatus:
            setStatus(connectionStatusText(static_cast<int>(value)));
            break;
        case ReceiveNotice::FetchBegins:
            setStatus(texts::fetchBegins);
            break;
        case ReceiveNotice::FetchEnded:
            setStatus(texts::fetchEnded);
            break;
        }
    }

    Answer ask(const Question& question) override
    {
        std::uint64_t id = 0;
        {
            std::lock_guard lock(mutex_);
            if (progress_.cancel || !handler_)
                return Answer{question.closeButton, {}, {}};
            id = ++lastQuestion_;
            question_ = Pending{id, question, {}, false};
        }
        SessionEvent e;
        e.kind = SessionEventKind::QuestionAsked;
        e.questionId = id;
        e.question = question;
        emit(std::move(e));
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return question_->answered; });
        Answer answer = question_->answer;
        question_.reset();
        return answer;
    }

    void open(const std::string& target) override
    {
        SessionEvent e;
        e.kind = SessionEventKind::OpenRequested;
        e.name = target;
        emit(std::move(e));
    }

private:
    struct Pending {
        std::uint64_t id = 0;
        Question question;
        Answer answer;
        bool answered = false;
    };

    // The finisher takes the events in batches, every few milliseconds: a
    // wake-up per event would cost more than the events. Only a long
    // backlog wakes it early.
    void wakeFinisher()
    {
        if (queue_.size() < finisherBatch)
            return;
        std::lock_guard lock(mutex_);
        if (finisherWaiting_)
            queued_.notify_all();
    }

    void holdBackWhileBacklogged()
    {
        if (queue_.size() < maxBacklog)
            return;
        std::unique_lock lock(mutex_);
        while (queue_.size() >= maxBacklog / 2 && !progress_.cancel)
            drained_.wait_for(lock, finisherPause);
    }

    void setStatus(const char* text)
    {
        std::lock_guard lock(mutex_);
        statusText_ = text;
    }

    void nameChanged(SessionEventKind kind, std::string name)
    {
        SessionEvent e;
        e.kind = kind;
        e.name = std::move(name);
        emit(std::move(e));
    }

    // Events go out one at a time and in order; whichever thread finds no
    // one delivering delivers, so a handler may call back into the session.
    void emit(SessionEvent event)
    {
        std::unique_lock lock(eventsMutex_);
        events_.push_back(std::move(event));
        if (dispatching_)
            return;
        dispatching_ = true;
        while (!events_.empty()) {
            SessionEvent next = std::move(events_.front());
            events_.pop_front();
            lock.unlock();
            EventHandler handler;
            {
                std::lock_guard handlerLock(mutex_);
                handler = handler_;
            }
            if (handler) {
                inHandler = true;
                handler(next);
                inHandler = false;
            }
            if (next.kind == SessionEventKind::Ended) {
                {
                    std::lock_guard endLock(mutex_);
                    endDelivered_ = true;
                }
                changed_.notify_all();
            }
            lock.lock();
        }
        dispatching_ = false;
    }

    void workerMain()
    {
        // Debris of receives that were killed or crashed, and partial data
        // past the resume area's bounds.
        removeAbandonedTemporaryFolders();
        platform::ResumeArea(options_.transfer.resumeFolder)
            .prune(options_.transfer.resumeMaxBytes, options_.transfer.resumeMaxDays);
        platform::TempFile::ThreadFolder folder(tempFolder_);
        ReceiveOptions engine;
        engine.ifnotexistToUpdate = options_.ifnotexistToUpdate;
        engine.allowBasicAuth = options_.allowBasicAuth;
        engine.accounts = options_.accounts.get();
        engine.proxies = options_.proxies;
        engine.random = options_.random;
        engine.maxOpenFolders = options_.maxOpenFolders;
        engine.transfer = options_.transfer;
        ReceiveWorker worker(*this, queue_, totals_, progress_, engine);
        worker.setHooks([this](const CAMData& model, const std::string& root) { reporting_->onStart(model, root); },
                        [this](const CAMData& model, const ReceiveEngine& e) { reporting_->onEnd(model, e); });
        WorkerOutcome outcome = worker.run(source_, saveRoot_);
        {
            std::lock_guard lock(mutex_);
            outcome_ = outcome;
            foldersToOpen_ = worker.foldersToOpen();
            errorLines_ = worker.errorLines();
            workerDone_ = true;
            if (phase_ != ReceivePhase::Ended)
                phase_ = ReceivePhase::Finishing;
            queued_.notify_all();
        }
    }

    void finisherMain()
    {
        platform::TempFile::ThreadFolder folder(tempFolder_);
        ReceiveFinisher finisher(totals_, &progress_.cancel);
        finisher.setLogHook(
            [this](const ReceiveEvent& event, const FinishResult& r) { reporting_->take(event, r, totals_); });
        for (;;) {
            finisher.drain(queue_);
            drained_.notify_all();
            std::unique_lock lock(mutex_);
            if (workerDone_ && queue_.empty())
                break;
            finisherWaiting_ = true;
            queued_.wait_for(lock, finisherPause, [this] { return workerDone_ || queue_.size() >= finisherBatch; });
            finisherWaiting_ = false;
        }
        ReceiveResult result = finish(finisher);
        removeTempFolder();
        {
            std::lock_guard lock(mutex_);
            result_ = std::move(result);
            phase_ = ReceivePhase::Ended;
        }
        changed_.notify_all();
        SessionEvent end;
        end.kind = SessionEventKind::Ended;
        emit(std::move(end));
    }

    ReceiveResult finish(ReceiveFinisher& finisher)
    {
        WorkerOutcome outcome;
        ReceiveResult r;
        {
            std::lock_guard lock(mutex_);
            outcome = outcome_;
            r.errorLines = errorLines_;
            for (const auto& [task, folder] : foldersToOpen_)
                r.foldersToOpen.push_back({task, folder});
        }
        // A stop pressed before the end stopped something: the worker, or the
        // finisher's placing, packing or unpacking.
        const bool cancelled = progress_.cancel || outcome.code == CAMException::UserCancelled;
        r.code = outcome.code;
        r.caption = outcome.caption;
        r.message = outcome.message;
        r.icon = outcome.icon;
        switch (outcome.status) {
        case WorkerOutcome::Received:
            r.outcome = ReceiveOutcome::Succeeded;
            r.code = 0;
            break;
        case WorkerOutcome::NotStarted:
            r.outcome = ReceiveOutcome::NothingReceived;
            r.code = 0;
            break;
        case WorkerOutcome::NothingReceived:
            r.outcome = ReceiveOutcome::NothingReceived;
            break;
        case WorkerOutcome::Failed:
            r.outcome = ReceiveOutcome::Failed;
            break;
        }
        if (cancelled) {
            r.outcome = ReceiveOutcome::Cancelled;
            r.code = CAMException::UserCancelled;
            r.caption = texts::errorCaption;
            r.message = CAMException::messageFor(CAMException::UserCancelled);
            r.icon = QuestionIcon::Stop;
        }
        for (const std::string& line : reporting_->failureLines())
            r.placementFailures.push_back(line);
        if (reporting_->logFailed())
            r.warnings.push_back(reports::texts::logCreateFailed);

        if (finisher.finished() && outcome.status != WorkerOutcome::NotStarted) {
            try {
                std::optional<platform::Settings> store;
                reports::RecentReceiveList recent;
                if (options_.recordRecent) {
                    store.emplace();
                    recent.load(*store);
                }
                reports::ReportOutcome pages =
                    reporting_->finish(outcome, totals_, finisher.failures(), store ? &*store : nullptr, recent);
                if (pages.reportWritten)
                    r.pages.push_back({PageKind::Report, pages.pages.report});
                if (!reporting_->logPath().empty())
                    r.pages.push_back({PageKind::Log, reporting_->logPath()});
                if (pages.errorReportWritten) {
                    r.pages.push_back({PageKind::ErrorReport, pages.pages.error});
                    r.errorReportToOpen = pages.pages.error;
                }
                if (!pages.pages.frame.empty() && pages.pages.pageToOpen == pages.pages.frame)
                    r.pages.push_back({PageKind::FolderList, pages.pages.frame});
                if (!pages.pages.mrrFrame.empty() && pages.pages.pageToRemember == pages.pages.mrrFrame)
                    r.pages.push_back({PageKind::AllFolders, pages.pages.mrrFrame});
                r.pageToOpen = pages.pages.pageToOpen;
                r.recentAdded = pages.recentAdded;
            } catch (const CAMException& e) {
                if (r.outcome != ReceiveOutcome::Cancelled) {
                    r.outcome = ReceiveOutcome::Failed;
                    r.code = e.code();
                    r.caption = texts::errorCaption;
                    r.message = e.message();
                    r.icon = QuestionIcon::Stop;
                }
            }
        }
        r.totals = countsOf(totals_);
        return r;
    }

    void removeTempFolder()
    {
        std::lock_guard lock(tempMutex_);
        ownedFolder_.remove();
    }

    void stopAndJoin()
    {
        cancel();
        if (worker_.joinable())
            worker_.join();
        if (finisher_.joinable())
            finisher_.join();
    }

    ReceiveSessionOptions options_;
    std::string source_, saveRoot_;
    std::string tempFolder_;
    platform::OwnedTempFolder ownedFolder_;
    std::mutex tempMutex_;

    ReceiveEventQueue queue_;
    ReceiveTotals totals_;
    ReceiveProgress progress_;
    std::optional<ReceiveReporting> reporting_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;  // answers, the end
    std::condition_variable queued_;           // events for the finisher, the worker's end
    std::condition_variable drained_;          // the finisher took the queued events
    EventHandler handler_;
    bool started_ = false;
    ReceivePhase phase_ = ReceivePhase::Idle;
    std::string statusText_;
    std::uint64_t lastQuestion_ = 0;
    std::optional<Pending> question_;
    bool workerDone_ = false;
    bool finisherWaiting_ = false;
    bool endDelivered_ = false;
    WorkerOutcome outcome_;
    std::vector<std::pair<std::string, std::string>> foldersToOpen_;
    std::vector<std::string> errorLines_;
    ReceiveResult result_;

    std::mutex eventsMutex_;
    std::deque<SessionEvent> events_;
    bool dispatching_ = false;

    std::thread worker_;
    std::thread finisher_;
};

ReceiveSession::ReceiveSession(ReceiveSessionOptions options) : run_(std::make_unique<Run>(std::move(options))) {}

ReceiveSession::~ReceiveSession() = default;

void ReceiveSession::setEventHandler(EventHandler handler)
{
    run_->setHandler(std::move(handler));
}

bool ReceiveSession::start(const std::string& source, const std::string& saveRoot)
{
    return run_->start(source, saveRoot);
}

void ReceiveSession::cancel()
{
    run_->cancel();
}

bool ReceiveSession::cancelRequested() const
{
    return run_->cancelRequested();
}

bool ReceiveSession::answer(std::uint64_t questionId, const Answer& answer)
{
    return run_->answer(questionId, answer);
}

ReceiveSnapshot ReceiveSession::snapshot() const
{
    return run_->snapshot();
}

bool ReceiveSession::finished() const
{
    return run_->finished();
}

bool ReceiveSession::waitFinished(std::chrono::milliseconds timeout) const
{
    return run_->waitFinished(timeout);
}

ReceiveResult ReceiveSession::result() const
{
    return run_->result();
}

int ReceiveSession::removeAbandonedTemporaryFolders()
{
    return platform::OwnedTempFolder::removeAbandoned(temporaryFolderPrefix);
}

void ReceiveSession::discardTemporaryFiles()
{
    run_->discardTemporaryFiles();
}

} // namespace receive
