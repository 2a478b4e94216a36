#pragma once
// Works off the album's pending additions in order: an entry is prepared (a
// picture decoded, fitted and written) on a worker thread, then its item
// dialog asks to include it or not, then the next one. While a dialog is
// open the next entry is prepared already, so that its dialog follows at
// once. Meanwhile the dialog "処理" shows "%d/%d" and a bar, and its "中止"
// (or the item dialog's own) closes the open item dialog without its entry
// and drops every remaining entry. Only the GUI thread touches the album; the
// worker gets a copy of the entry, the folder and the limit.

#include "album/core/Album.h"
#include "album/core/WorkControl.h"

#include <QObject>

#include <memory>
#include <optional>

class QThread;
class QTimer;
class QWidget;

namespace glimmora {

class ItemDialog;
class PictureDialog;
class ProgressDialog;
class VideoDialog;

class PendingQueue : public QObject {
    Q_OBJECT
public:
    PendingQueue(album::Album& album, PictureDialog& pictures, VideoDialog& videos, QWidget* window);
    ~PendingQueue() override;

    // Between started() and finished().
    bool running() const { return running_; }
    ProgressDialog* progressDialog() const { return progress_; }

public slots:
    // Begins working off what is pending, unless already at it.
    void start();
    // "中止": the entry shown and every remaining entry are dropped, and the
    // user told so.
    void cancel();
    // The program is to end: the work is asked to stop ("中止しています...")
    // and everything pending is dropped once it has.
    void stopForExit();

signals:
    void started();
    void itemAccepted();
    void finished();
    // An item dialog was opened for the oldest entry (tests and the
    // benchmark answer it).
    void itemDialogOpened(glimmora::ItemDialog* dialog);

private slots:
    void workerDone();
    void itemClosed(int result);
    void showProgress();

private:
    struct Outcome;
    // Starts the worker on `entry`.
    void prepare(const album::PendingAddition& entry);
    // The oldest entry's result: its dialog, or the message why not.
    void present(std::shared_ptr<Outcome> outcome);
    void next();
    void end();
    void discardReady();
    void dropRemaining();

    album::Album& album_;
    PictureDialog& pictures_;
    VideoDialog& videos_;
    QWidget* window_;
    ProgressDialog* progress_;
    QTimer* ticker_;
    album::WorkControl control_;
    QThread* worker_ = nullptr;
    std::shared_ptr<Outcome> outcome_; // of the worker running
    std::shared_ptr<Outcome> ready_;   // prepared ahead, for the entry after the one shown
    int generation_ = 0; // a worker of an older generation was cancelled
    bool running_ = false;
    bool stopping_ = false;
    bool cancelling_ = false; // "中止" waits for the open dialog to close
    std::optional<album::PreparedItem> current_; // the entry whose dialog is open
    ItemDialog* shown_ = nullptr;                // its dialog
};

} // namespace glimmora
