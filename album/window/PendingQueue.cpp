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
    album::PendingAddition entry;
    std::optional<album::PreparedItem> prepared;
    std::optional<album::AlbumError> error;

    bool isFor(const album::PendingAddition& other) const
    {
        return entry.sourcePath == other.sourcePath && entry.saveName == other.saveName;
    }
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
    connect(&pictures_, &ItemDialog::stopRequested, this, &PendingQueue::cancel);
    connect(&videos_, &ItemDialog::stopRequested, this, &PendingQueue::cancel);
}

PendingQueue::~PendingQueue()
{
    if (worker_) {
        control_.requestStop();
        worker_->wait();
        if (outcome_ && outcome_->prepared)
            album::Album::discard(*outcome_->prepared);
    }
    discardReady();
}

void PendingQueue::start()
{
    if (running_ || album_.pending().empty())
        return;
    running_ = true;
    stopping_ = false;
    cancelling_ = false;
    emit started();
    showProgress();
    progress_->show();
    ticker_->start();
    next();
}

void PendingQueue::prepare(const album::PendingAddition& entry)
{
    const std::string folder = album_.folder();
    const album::PictureSize limit = album_.limit;
    control_.clearStop();
    control_.setPermille(0);
    auto outcome = std::make_shared<Outcome>();
    outcome->generation = generation_;
    outcome->entry = entry;
    outcome_ = outcome;
    worker_ = QThread::create([folder, limit, outcome, control = &control_] {
        try {
            outcome->prepared = album::ItemPreparer::prepare(outcome->entry, folder, limit, control);
        } catch (const album::WorkStopped&) {
            // Nothing was written; the GUI thread knows why it stopped.
        } catch (const album::AlbumError& e) {
            outcome->error = e;
        } catch (const std::exception& e) {
            outcome->error = album::AlbumError(album::formatText(texts::pictureNotReadable, outcome->entry.saveName),
                                               texts::errorCaption, e.what());
        }
    });
    connect(worker_, &QThread::finished, this, &PendingQueue::workerDone);
    worker_->start();
}

void PendingQueue::workerDone()
{
    worker_->deleteLater();
    worker_ = nullptr;
    std::shared_ptr<Outcome> outcome = std::move(outcome_);

    if (outcome->generation != generation_ || stopping_) {
        // Nobody waits for this entry any more.
        if (outcome->prepared)
            album::Album::discard(*outcome->prepared);
        if (stopping_) {
            album_.cancelPending();
            if (!current_)
                end();
        } else if (running_) {
            next();
        }
        return;
    }
    if (current_) {
        // Prepared ahead; its turn comes when the open dialog closes.
        ready_ = std::move(outcome);
        return;
    }
    if (album_.pending().empty() || !outcome->isFor(album_.pending().front())) {
        if (outcome->prepared)
            album::Album::discard(*outcome->prepared);
        next();
        return;
    }
    present(std::move(outcome));
}

void PendingQueue::present(std::shared_ptr<Outcome> outcome)
{
    if (outcome->error || !outcome->prepared) {
        const album::AlbumError error =
            outcome->error.value_or(album::AlbumError(texts::additionsStopped, texts::stoppedCaption));
        std::string message = error.what();
        if (!error.detail().empty())
            message += "\r\n" + error.detail();
        album_.dropFront();
        dialogs::inform(window_, QString::fromStdString(error.caption()), message, QMessageBox::Warning);
        next();
        return;
    }

    current_ = std::move(outcome->prepared);
    // The next entry is prepared while the user looks at this one; started
    // before the dialog is laid out and drawn, so that the worker never waits
    // on that.
    if (!worker_ && album_.pending().size() > 1)
        prepare(album_.pending().entries()[1]);
    showProgress();
    ItemDialog* dialog = nullptr;
    if (current_->picture) {
        pictures_.openFor(ItemDialog::Mode::Adding, current_->item, *current_->picture);
        dialog = &pictures_;
    } else {
        videos_.openFor(ItemDialog::Mode::Adding, current_->item);
        dialog = &videos_;
    }
    shown_ = dialog;
    emit itemDialogOpened(dialog);
}

void PendingQueue::itemClosed(int result)
{
    if (!current_)
        return; // the dialog was editing an item of the album
    album::PreparedItem prepared = std::move(*current_);
    current_.reset();
    shown_ = nullptr;
    if (result == QDialog::Accepted && !cancelling_ && !stopping_) {
        album_.accept(std::move(prepared));
        emit itemAccepted();
    } else {
        album_.reject(prepared);
    }
    if (cancelling_) {
        dropRemaining();
        return;
    }
    next();
}

void PendingQueue::next()
{
    if (stopping_ || album_.pending().empty()) {
        discardReady();
        album_.cancelPending();
        if (!worker_)
            end();
        return;
    }
    const album::PendingAddition& front = album_.pending().front();
    if (ready_ && ready_->isFor(front)) {
        present(std::move(ready_));
        return;
    }
    discardReady();
    // A worker still on the front entry presents it when it ends; one on an
    // entry nobody waits for any more ends first.
    if (!worker_)
        prepare(front);
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

void PendingQueue::discardReady()
{
    if (ready_ && ready_->prepared)
        album::Album::discard(*ready_->prepared);
    ready_.reset();
}

void PendingQueue::cancel()
{
    if (!running_ || stopping_ || cancelling_)
        return;
    if (current_) {
        // The rest goes once the dialog has closed and its entry with it.
        cancelling_ = true;
        shown_->abandon();
        return;
    }
    dropRemaining();
}

void PendingQueue::dropRemaining()
{
    cancelling_ = false;
    if (worker_) {
        ++generation_;
        control_.requestStop();
    }
    discardReady();
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
    if (current_) {
        // Its close goes on to drop the rest (itemClosed, next).
        shown_->abandon();
        return;
    }
    if (!worker_) {
        discardReady();
        album_.cancelPending();
        end();
    }
}

void PendingQueue::showProgress()
{
    progress_->showProgress(album_.pending().done(), album_.pending().total(), control_.permille());
}

} // namespace glimmora
