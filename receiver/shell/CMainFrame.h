#pragma once
// The receiver's main window: tool bar, URL bar, folder bar, status bar, the
// splash view, and every menu command with its update rule.

#include "receiver/shell/ShellCommands.h"

#include <QMainWindow>

#include <map>

class CAmbrivaleApp;
class CAmbrivaleDoc;
class CAmbrivaleView;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CAmbrivaleApp& app, CAmbrivaleDoc& document);
    ~CMainFrame() override;

    // Hands a path or address to the document, with the refusal message
    // when a receive is still running.
    bool openGuidePost(const QString& source);

    // Recomputes the checked and enabled state of every command.
    void updateCommandUI();
    QAction* action(shell::CommandId id) const;
    // The recent receive items as the アフターケア menu shows them now.
    QList<QAction*> recentReceiveActions() const { return recentReceiveActions_; }
    QList<QAction*> recentFileActions() const { return recentFileActions_; }
    QMenu* afterCareMenu() const { return afterCare_; }
    QMenu* fileMenu() const { return file_; }

    CAmbrivaleApp& app() const { return app_; }
    CAmbrivaleView* view() const { return view_; }
    QLineEdit* urlEdit() const { return urlEdit_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QPushButton* startButton() const { return start_; }
    QToolBar* toolBar() const { return toolBar_; }
    QToolBar* urlBar() const { return urlBar_; }
    QToolBar* folderBar() const { return folderBar_; }

    void setUrlText(const QString& text);
    // Shows RootFolder in the folder bar.
    void showRootFolder();
    // Greys the window during a receive (the progress dialog stays usable).
    void enableWhileIdle(bool enable);
    // Sized to the view's picture, or placed where it was last (geometry as
    // saveGeometry() gave it), then shown (first update of the view).
    void showInitially(const QByteArray& geometry = {});
    // Closing was confirmed while a receive ran: the receive is stopped and
    // the window has gone; the program ends as it would when idle.
    bool isClosing() const { return closing_; }
    // Closes without asking, stopping a receive that runs (the desktop
    // ending the session).
    void forceClose();

    // The commands (also reached by tests).
    void onFileOpen();
    void onChooseSaveFolder();
    void onStart();
    void onSetProxy();
    void onOpenSaveFolder();
    void onEmptyTemporary();
    void onPlainLog();
    void onHomePage();
    void onAbout();
    void onHelp();
    void onRecentReceive(int index);
    void onRecentFile(int index);
    void onGenReport();

signals:
    // The window is going while a receive runs: later corvans must not hand
    // their files to this one any more.
    void closingWhileReceiving();
    // The temporary folder has been emptied (or the attempt ended).
    void temporaryFolderDone();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* makeAction(shell::CommandId id);
    void createMenus();
    void createBars();
    void updateRecentReceives();
    void updateRecentFiles();
    void openWithMessage(const QString& target, const char* failure);
    void focusPane(bool next);

    CAmbrivaleApp& app_;
    CAmbrivaleDoc& document_;
    CAmbrivaleView* view_;
    std::map<int, QAction*> actions_;
    QMenu* file_ = nullptr;
    QMenu* afterCare_ = nullptr;
    QList<QAction*> recentReceiveActions_;
    QList<QAction*> recentFileActions_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* urlBar_ = nullptr;
    QToolBar* folderBar_ = nullptr;
    QLineEdit* urlEdit_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* start_ = nullptr;
    bool closing_ = false;
    bool forced_ = false;
};
