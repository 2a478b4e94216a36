#include "album/window/PendingQueue.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/core/ItemPreparer.h"
#include "album/window/PictureDialog.h"
#include "album/window/ProgressDialog.h"
#include "album/window/VideoDialog.h"
#include "styles/dialog/MessageBoxes.h"

#include <QThread>
#include <QTimer>

namespace glimmora {
namespace texts = album::texts;

struct PendingQueue::Outcome {
    int generation = 0;
    std::optional<album::PreparedItem> prepared;
    std::optional<album::AlbumError> error;
};

PendingQueue::PendingQueue(album::Album& album, PictureDialog& pictures, VideoDialog& videos, QWidget* window)
    : QObject(window), album_(album), pictures_(pictures), videos_(videos), window_(window)
{
    progress_ = new ProgressDialog(window);
    ticker_ = new QTimer(this);
    ticker_->setInterval(50);
    connect(ticker_, &QTimer::timeout, this, &PendingQueue::showProgress);
    connect(progress_, &ProgressDialog::stopRequested, this, &PendingQueue::cancel);
    connect(&pictures_, &QDialog::finished, this, &PendingQueue::itemClosed);
    connect(&videos_, &QDialog::finished, this, &PendingQueue::itemClosed);
}

PendingQueue::~PendingQueue()
{
    if (worker_) {
        control_.requestStop();
        worker_->wait();
        if (outcome_ && outcome_->prepared)
            album::Album::discard(*outcome_->prepared);
    }
}

void PendingQueue::start()
{
    if (running_ || album_.pending().empty())
        return;
    running_ = true;
    stopping_ = false;
    emit started();
    showProgress();
    progress_->show();
    ticker_->start();
    prepareFront();
}

void PendingQueue::prepareFront()
{
    // A cancelled worker still ending goes first; its end starts this again.
    if (worker_)
        return;
    const album::PendingAddition entry = album_.pending().front();
    const std::string folder = album_.folder();
    const album::PictureSize limit = album_.limit;
    control_.clearStop();
    control_.setPermille(0);
    auto outcome = std::make_shared<Outcome>();
    outcome->generation = generation_;
    outcome_ = outcome;
    worker_ = QThread::create([entry, folder, limit, outcome, control = &control_] {
        try {
            outcome->prepared = album::ItemPreparer::prepare(entry, folder, limit, control);
        } catch (const album::WorkStopped&) {
            // Nothing was written; the GUI thread knows why it stopped.
        } catch (const album::AlbumError& e) {
            outcome->error = e;
        } catch (const std::exception& e) {
            outcome->error = album::AlbumError(album::formatText(texts::pictureNotReadable, entry.saveName), texts::errorCaption, e.what());
        }
    });
    connect(worker_, &QThread::finished, this, &PendingQueue::workerDone);
    worker_->start();
}

void PendingQueue::workerDone()
{
    worker_->deleteLater();
    worker_ = nullptr;
    const std::shared_ptr<Outcome> outcome = std::move(outcome_);

    if (outcome->generation != generation_ || stopping_) {
        // Nobody waits for this entry any more.
        if (outcome->prepared)
            album::Album::discard(*outcome->prepared);
        if (stopping_) {
            album_.cancelPending();
            end();
        } else if (running_ && !album_.pending().empty()) {
            prepareFront();
        }
        return;
    }
    if (outcome->error || !outcome->prepared) {
        const album::AlbumError error = outcome->error.value_or(album::AlbumError(texts::additionsStopped, texts::stoppedCaption));
        std::string message = error.what();
        if (!error.detail().empty())
            message += "\r\n" + error.detail();
        album_.dropFront();
        dialogs::inform(window_, QString::fromStdString(error.caption()), message, QMessageBox::Warning);
        next();
        return;
    }

    current_ = std::move(outcome->prepared);
    showProgress();
    ItemDialog* dialog = nullptr;
    if (current_->picture) {
        pictures_.openFor(ItemDialog::Mode::Adding, current_->item, *current_->picture);
        dialog = &pictures_;
    } else {
        videos_.openFor(ItemDialog::Mode::Adding, current_->item);
        dialog = &videos_;
    }
    emit itemDialogOpened(dialog);
}

void PendingQueue::itemClosed(int result)
{
    if (!current_)
        return; // the dialog was editing an item of the album
    album::PreparedItem prepared = std::move(*current_);
    current_.reset();
    if (result == QDialog::Accepted) {
        album_.accept(std::move(prepared));
        emit itemAccepted();
    } else {
        album_.reject(prepared);
    }
    next();
}

void PendingQueue::next()
{
    if (stopping_ || album_.pending().empty()) {
        album_.cancelPending();
        end();
        return;
    }
    prepareFront();
}

void PendingQueue::end()
{
    ticker_->stop();
    progress_->hide();
    stopping_ = false;
    if (!running_)
        return;
    running_ = false;
    emit finished();
}

void PendingQueue::cancel()
{
    if (!running_ || current_)
        return;
    if (worker_) {
        ++generation_;
        control_.requestStop();
    }
    album_.cancelPending();
    end();
    dialogs::inform(window_, QString::fromUtf8(texts::stoppedCaption), texts::additionsStopped);
}

void PendingQueue::stopForExit()
{
    if (!running_)
        return;
    stopping_ = true;
    control_.requestStop();
    progress_->showStopping();
    ticker_->stop();
    if (!worker_ && !current_) {
        album_.cancelPending();
        end();
    }
}

void PendingQueue::showProgress()
{
    progress_->showProgress(album_.pending().done(), album_.pending().total(), control_.permille());
}

} // namespace glimmora
