#include "receiver/shell/CAmbrivaleView.h"

#include "platform/DesktopOpener.h"
#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/QuestionAsker.h"
#include "receiver/shell/QuestionDialog.h"
#include "receiver/shell/ShellTexts.h"
#include "receiver/shell/SplashPicture.h"

#include "receiver/engine/ReceiveTexts.h"

#include "guidepost/CAMException.h"
#include "platform/ProductInfo.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

using namespace receive;

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

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
                    QMessageBox::warning(&frame_, tr8(shell::texts::errorCaption), tr8(shell::texts::pageNotOpened));
            }); });
    connect(&document_, &CAmbrivaleDoc::receiveEnded, this, &CAmbrivaleView::onReceiveEnded);
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
    connect(progress_, &CProgressDlg::stopRequested, this, [this] {
        document_.cancel();
        showProgress();
    });
}

void CAmbrivaleView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, splash_);
}

void CAmbrivaleView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedSource(event->mimeData()).isEmpty()) {
        event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
        if (!(event->possibleActions() & event->dropAction()))
            event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void CAmbrivaleView::dragMoveEvent(QDragMoveEvent* event)
{
    event->accept();
}

void CAmbrivaleView::dropEvent(QDropEvent* event)
{
    const QString source = droppedSource(event->mimeData());
    if (source.isEmpty())
        return;
    event->acceptProposedAction();
    setWindowTitle(source);
    frame_.openGuidePost(source);
}

void CAmbrivaleView::onReceiveStarted()
{
    onInitialUpdate();
    frame_.setUrlText(document_.pathName());
    progress_->reset();
    progress_->show();
    progress_->raise();
    progress_->activateWindow();
    frame_.enableWhileIdle(false);
    progressTimer_.start();
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
                                QMessageBox::warning(&frame_, tr8(shell::texts::cautionCaption),
                                                     tr8(shell::texts::pageNotOpened) + QStringLiteral("\n") + failed);
                        });
}

void CAmbrivaleView::onReceiveEnded(const ReceiveResult& result, bool closeWhenDone)
{
    progressTimer_.stop();
    if (question_)
        question_->reject();
    if (progress_)
        progress_->hide();
    frame_.enableWhileIdle(true);
    if (frame_.isClosing()) {
        frame_.close();
        return;
    }
    openPages(result);

    QStringList lines;
    for (const std::string& w : result.warnings)
        lines << QString::fromStdString(w);
    auto finish = [this, closeWhenDone] {
        emit receiveFinished();
        if (closeWhenDone)
            frame_.close();
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
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, &frame_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, finish);
    box->show();
}
