#include "receiver/shell/CAmbrivaleDoc.h"

#include "receiver/shell/CAmbrivaleApp.h"

#include "receiver/engine/ReceiveSession.h"
#include "receiver/engine/ReceiveTexts.h"

#include "platform/Settings.h"

#include <QMetaObject>

using namespace receive;

CAmbrivaleDoc::CAmbrivaleDoc(CAmbrivaleApp& app) : app_(app)
{
    qRegisterMetaType<receive::Question>();
    qRegisterMetaType<receive::ReceiveResult>();
}

CAmbrivaleDoc::~CAmbrivaleDoc()
{
    // The session's threads may still call in: stop them before this goes.
    session_.reset();
}

bool CAmbrivaleDoc::isBusy() const
{
    return session_ != nullptr;
}

bool CAmbrivaleDoc::stopRequested() const
{
    return session_ && session_->cancelRequested();
}

CAmbrivaleDoc::OpenResult CAmbrivaleDoc::onOpenDocument(const QString& source)
{
    const bool startingUp = app_.StartingUp;
    if (app_.Receiving || isBusy())
        return OpenResult::Refused;
    pathName_ = source;
    openedDuringStartUp_ = startingUp;
    app_.PendingDocument = this;
    if (startingUp)
        return OpenResult::Recorded;
    return startReceive() ? OpenResult::Started : OpenResult::Refused;
}

bool CAmbrivaleDoc::startReceive()
{
    if (isBusy())
        return false;
    // The settings as they stand in memory now; only the transfer options
    // are read from the stored settings.
    ReceiveSessionOptions options;
    options.transfer = ReceiveSessionOptions::loadTransfer(platform::Settings());
    options.reports = app_.report;
    options.ifnotexistToUpdate = app_.i2n;
    options.allowBasicAuth = app_.AllowBasicAuth;
    options.proxies = app_.proxies;
    options.accounts = app_.accounts();

    session_ = std::make_unique<ReceiveSession>(std::move(options));
    session_->setEventHandler([this](const SessionEvent& event) {
        QMetaObject::invokeMethod(this, [this, event] { dispatch(event); }, Qt::QueuedConnection);
    });
    const std::string root = app_.RootFolder.empty() ? std::string(texts::newFolderName) : app_.RootFolder;
    app_.Receiving = true;
    emit receiveStarted();
    session_->start(pathName_.toStdString(), root);
    return true;
}

void CAmbrivaleDoc::cancel()
{
    if (session_)
        session_->cancel();
}

bool CAmbrivaleDoc::answer(std::uint64_t questionId, const Answer& answer)
{
    return session_ && session_->answer(questionId, answer);
}

ReceiveSnapshot CAmbrivaleDoc::snapshot() const
{
    return session_ ? session_->snapshot() : ReceiveSnapshot{};
}

void CAmbrivaleDoc::deleteContents()
{
    pathName_.clear();
}

void CAmbrivaleDoc::dispatch(const SessionEvent& event)
{
    const QString name = QString::fromStdString(event.name);
    switch (event.kind) {
    case SessionEventKind::TaskChanged: emit taskChanged(name); break;
    case SessionEventKind::SourceChanged: emit sourceChanged(name); break;
    case SessionEventKind::FileListChanged: emit fileListChanged(name); break;
    case SessionEventKind::QuestionAsked: emit questionAsked(event.questionId, event.question); break;
    case SessionEventKind::QuestionWithdrawn: emit questionWithdrawn(event.questionId); break;
    case SessionEventKind::OpenRequested: emit openRequested(name); break;
    case SessionEventKind::Ended: end(); break;
    }
}

void CAmbrivaleDoc::end()
{
    if (!session_)
        return;
    ReceiveResult result = session_->result();
    // Ended is the session's last call: its threads are only returning now.
    session_.reset();
    app_.Receiving = false;
    if (result.recentAdded)
        app_.reloadRecentReceives();
    const bool closeWhenDone = openedDuringStartUp_;
    openedDuringStartUp_ = false;
    deleteContents();
    emit receiveEnded(result, closeWhenDone);
}
