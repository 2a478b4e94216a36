#pragma once
// The main window's view: paints the splash picture, takes GuidePosts
// dropped on it, and follows the document's receive: the progress dialog
// (read from the session's snapshot on a timer), the questions as dialogs,
// and the end (its message, the pages to open, closing when asked to).

#include "receiver/engine/ReceiveQuestion.h"
#include "receiver/engine/ReceiveResult.h"
#include "receiver/shell/DesktopNotifier.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class CAmbrivaleDoc;
class CMainFrame;
class CProgressDlg;
class QuestionDialog;

class CAmbrivaleView : public QWidget {
    Q_OBJECT
public:
    CAmbrivaleView(CAmbrivaleDoc& document, CMainFrame& frame);
    ~CAmbrivaleView() override;

    // Creates the progress dialog (first update of the view).
    void onInitialUpdate();
    CProgressDlg* progressDialog() const { return progress_; }
    // The question dialog now shown, if any.
    QuestionDialog* questionDialog() const;
    CAmbrivaleDoc& document() const { return document_; }

    QSize sizeHint() const override;

    // How often the progress dialog reads the snapshot.
    static constexpr int progressIntervalMs = 100;

signals:
    // The end of a receive has been shown (message closed, pages handed to
    // the desktop).
    void receiveFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void onReceiveStarted();
    void onQuestion(quint64 id, const receive::Question& question);
    void onQuestionWithdrawn(quint64 id);
    void onReceiveEnded(const receive::ReceiveResult& result, bool closeWhenDone);
    void showProgress();
    // The progress dialog centred over the main window.
    void placeProgress();
    // During a receive the greyed main window passes the keyboard on to the
    // progress dialog, so that Esc reaches 中止.
    void handOnFocus();
    void openPages(const receive::ReceiveResult& result);
    // One of this program's windows is the active one.
    bool programActive() const;
    // Tells the desktop of the end; false when nothing was sent.
    bool notifyEnd(const receive::ReceiveResult& result);

    CAmbrivaleDoc& document_;
    CMainFrame& frame_;
    QPixmap splash_;
    CProgressDlg* progress_ = nullptr;
    // Where placeProgress() put the dialog: moved by the user when it is elsewhere.
    QPoint progressPlacedAt_;
    QTimer progressTimer_;
    QPointer<QuestionDialog> question_;
    DesktopNotifier notifier_;
    quint64 questionId_ = 0;
};
