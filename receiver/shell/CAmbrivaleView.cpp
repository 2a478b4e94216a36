#include "receiver/shell/CAmbrivaleView.h"

#include "platform/DesktopOpener.h"
#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/QuestionAsker.h"
#include "receiver/shell/QuestionDialog.h"
#include "receiver/shell/ShellMessageBox.h"
#include "receiver/shell/ShellTexts.h"
#include "receiver/shell/SplashPicture.h"

#include "receiver/engine/ReceiveTexts.h"

#include "guidepost/CAMException.h"
#include "platform/ProductInfo.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

using namespace receive;

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

// A drop of files (or addresses) rather than of text.
bool namesFiles(const QMimeData* data)
{
    if (!data->hasUrls())
        return false;
    for (const QUrl& url : data->urls())
        if (!url.isEmpty())
            return true;
    return false;
}

// What a drop names: the first local file, else the text.
QString droppedSource(const QMimeData* data)
{
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                return url.toLocalFile();
            if (!url.isEmpty())
                return url.toString();
        }
    }
    if (data->hasText())
        return data->text().trimmed();
    return {};
}

// Files are always copied: a source that honours "move" would delete the
// user's GuidePost. Text is moved unless Ctrl is held.
Qt::DropAction dropActionFor(const QDropEvent* event)
{
    if (namesFiles(event->mimeData()) || (event->modifiers() & Qt::ControlModifier)
        || !(event->possibleActions() & Qt::MoveAction))
        return Qt::CopyAction;
    return Qt::MoveAction;
}

} // namespace

CAmbrivaleView::CAmbrivaleView(CAmbrivaleDoc& document, CMainFrame& frame)
    : document_(document), frame_(frame), splash_(SplashPicture::draw(QString::fromUtf8(product::version)))
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    progressTimer_.setInterval(progressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, &CAmbrivaleView::showProgress);

    connect(&document_, &CAmbrivaleDoc::receiveStarted, this, &CAmbrivaleView::onReceiveStarted);
    connect(&document_, &CAmbrivaleDoc::questionAsked, this, &CAmbrivaleView::onQuestion);
    connect(&document_, &CAmbrivaleDoc::questionWithdrawn, this, &CAmbrivaleView::onQuestionWithdrawn);
    connect(&document_, &CAmbrivaleDoc::openRequested, this,
            [this](const QString& target) { platform::DesktopOpener::open({target}, this, [this](const QString& failed) {
                if (!failed.isEmpty())
                    shell::showMessage(&frame_, QMessageBox::Warning, tr8(shell::texts::errorCaption),
                                       tr8(shell::texts::pageNotOpened));
            }); });
    connect(&document_, &CAmbrivaleDoc::receiveEnded, this, &CAmbrivaleView::onReceiveEnded);
    connect(&notifier_, &DesktopNotifier::actionInvoked, this,
            [this](const QString& target) { platform::DesktopOpener::open({target}, this); });
    // The names change rarely and are shown at once.
    for (auto signal : {&CAmbrivaleDoc::taskChanged, &CAmbrivaleDoc::sourceChanged, &CAmbrivaleDoc::fileListChanged})
        connect(&document_, signal, this, &CAmbrivaleView::showProgress);
}

CAmbrivaleView::~CAmbrivaleView() = default;

QuestionDialog* CAmbrivaleView::questionDialog() const
{
    return question_;
}

QSize CAmbrivaleView::sizeHint() const
{
    // The picture's height, and 20 pixels wider than it.
    return splash_.deviceIndependentSize().toSize() + QSize(20, 0);
}

void CAmbrivaleView::onInitialUpdate()
{
    if (progress_)
        return;
    // Owned by the frame rather than the view, so that greying the view
    // during a receive leaves the dialog usable.
    progress_ = new CProgressDlg(&frame_);
    // The window manager may place the main window after the dialog shows.
    frame_.installEventFilter(this);
    connect(progress_, &CProgressDlg::stopRequested, this, [this] {
        document_.cancel();
        showProgress();
    });
}

void CAmbrivaleView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // Drawn again for the device in hand: a screen of another scale, or a
    // picture of the window taken at another one.
    // (The engine's device: a picture of the widget paints through it.)
    const QPaintDevice* device = p.paintEngine() && p.paintEngine()->paintDevice() ? p.paintEngine()->paintDevice()
                                                                                   : p.device();
    const qreal ratio = device->devicePixelRatioF();
    if (!qFuzzyCompare(splash_.devicePixelRatio(), ratio))
        splash_ = SplashPicture::draw(QString::fromUtf8(product::version), ratio);
    p.drawPixmap(0, 0, splash_);
}

void CAmbrivaleView::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void CAmbrivaleView::dragMoveEvent(QDragMoveEvent* event)
{
    const Qt::DropAction action = dropActionFor(event);
    if (droppedSource(event->mimeData()).isEmpty() || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void CAmbrivaleView::dropEvent(QDropEvent* event)
{
    const QString source = droppedSource(event->mimeData());
    const Qt::DropAction action = dropActionFor(event);
    if (source.isEmpty() || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    setWindowTitle(source);
    // A dropped file is opened as the open-file dialog opens it.
    if (namesFiles(event->mimeData()) && QFileInfo(source).isAbsolute())
        frame_.app().openDocumentFile(source);
    else
        frame_.openGuidePost(source);
}

void CAmbrivaleView::onReceiveStarted()
{
    onInitialUpdate();
    frame_.setUrlText(document_.pathName());
    progress_->reset();
    placeProgress();
    progress_->show();
    // Once more, now that the window's frame is known.
    placeProgress();
    progress_->raise();
    progress_->activateWindow();
    frame_.enableWhileIdle(false);
    progressTimer_.start();
}

void CAmbrivaleView::placeProgress()
{
    progress_->adjustSize();
    QRect box(QPoint(), progress_->frameGeometry().size());
    box.moveCenter(frame_.frameGeometry().center());
    progress_->move(box.topLeft());
    progressPlacedAt_ = progress_->pos();
}

void CAmbrivaleView::handOnFocus()
{
    if (!progress_ || !progress_->isVisible() || !document_.isBusy() || QApplication::activeModalWidget())
        return;
    progress_->raise();
    progress_->activateWindow();
    progress_->stopButton()->setFocus();
}

bool CAmbrivaleView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &frame_ && progress_ && progress_->isVisible()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            if (progress_->pos() == progressPlacedAt_)
                placeProgress();
            break;
        case QEvent::WindowActivate:
            // After a message box owned by the window has closed.
            QTimer::singleShot(0, this, &CAmbrivaleView::handOnFocus);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CAmbrivaleView::showProgress()
{
    if (progress_ && document_.isBusy())
        progress_->showSnapshot(document_.snapshot());
}

void CAmbrivaleView::onQuestion(quint64 id, const Question& question)
{
    questionId_ = id;
    question_ = QuestionAsker::ask(question, &frame_, [this, id](const Answer& answer) {
        document_.answer(id, answer);
        if (questionId_ == id)
            question_ = nullptr;
    });
}

void CAmbrivaleView::onQuestionWithdrawn(quint64 id)
{
    if (question_ && questionId_ == id)
        question_->reject();
}

void CAmbrivaleView::openPages(const ReceiveResult& result)
{
    platform::DesktopOpener::open({QString::fromStdString(result.errorReportToOpen), QString::fromStdString(result.pageToOpen)},
                        this, [this](const QString& failed) {
                            if (!failed.isEmpty())
                                shell::showMessage(&frame_, QMessageBox::Warning, tr8(shell::texts::cautionCaption),
                                                     tr8(shell::texts::pageNotOpened) + QStringLiteral("\n") + failed);
                        });
}

bool CAmbrivaleView::programActive() const
{
    for (QWidget* w = QApplication::activeWindow(); w; w = w->parentWidget())
        if (w == &frame_)
            return true;
    return false;
}

bool CAmbrivaleView::notifyEnd(const ReceiveResult& result)
{
    const bool failed = result.outcome == ReceiveOutcome::Cancelled || result.outcome == ReceiveOutcome::Failed;
    DesktopNotifier::Notice notice;
    notice.summary = tr8(failed ? shell::texts::noticeFailed : shell::texts::noticeReceived);
    notice.body = tr8(shell::texts::noticeCount).arg(result.totals.filesReceived());
    if (!result.message.empty())
        notice.body += QStringLiteral("\n") + QString::fromStdString(result.message);
    notice.category = failed ? QStringLiteral("transfer.error") : QStringLiteral("transfer.complete");
    notice.actionLabel = tr8(shell::texts::noticeOpenReport);
    std::string target = result.pagePath(PageKind::Report);
    if (target.empty())
        target = result.errorReportToOpen.empty() ? result.pageToOpen : result.errorReportToOpen;
    notice.target = QString::fromStdString(target);
    return notifier_.notify(notice);
}

void CAmbrivaleView::onReceiveEnded(const ReceiveResult& result, bool closeWhenDone)
{
    progressTimer_.stop();
    // Asked before the dialogs go, which moves the focus.
    const bool away = !programActive();
    if (question_)
        question_->reject();
    if (progress_)
        progress_->hide();
    frame_.enableWhileIdle(true);
    // The window has gone: nothing more to show.
    if (frame_.isClosing())
        return;
    openPages(result);
    const bool notified = away && notifyEnd(result);

    QStringList lines;
    for (const std::string& w : result.warnings)
        lines << QString::fromStdString(w);
    auto finish = [this, closeWhenDone, notified] {
        emit receiveFinished();
        if (!closeWhenDone)
            return;
        if (!notified) {
            frame_.close();
            return;
        }
        // The notice leaves before the program ends (the desktop may be slow).
        QPointer<CMainFrame> frame(&frame_);
        auto close = [frame] {
            if (frame)
                frame->close();
        };
        connect(&notifier_, &DesktopNotifier::settled, this, close, Qt::SingleShotConnection);
        QTimer::singleShot(2000, this, close);
    };
    if (result.message.empty() && lines.isEmpty()) {
        finish();
        return;
    }
    QString text = QString::fromStdString(result.message);
    for (const QString& line : lines)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + line;
    // Nothing received is an end, not an error; every other failure is one.
    QMessageBox::Icon icon = QMessageBox::Critical;
    QString caption = tr8(shell::texts::errorCaption);
    if (result.message.empty()) {
        icon = QMessageBox::Warning;
        caption = tr8(shell::texts::cautionCaption);
    } else if (result.code == CAMException::NothingReceived) {
        icon = QMessageBox::Warning;
        caption = tr8(texts::endCaption);
    }
    QMessageBox* box = shell::makeMessage(&frame_, icon, caption, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, finish);
    box->show();
}
