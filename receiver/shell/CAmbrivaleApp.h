#pragma once
// The receiver program: its settings for as long as it runs, start-up (the
// settings, the save root and its check, the account store, the command line,
// the main window) and exit (the settings written back). One instance.

#include "receiver/engine/ProxySettings.h"
#include "receiver/reports/RecentReceiveList.h"
#include "receiver/reports/ReportSettings.h"

#include "guidepost/AccountStore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class CAmbrivaleDoc;
class CMainFrame;
class InstanceChannel;
namespace platform {
class TerminationSignals;
}
class QWidget;

class CAmbrivaleApp : public QObject {
    Q_OBJECT
public:
    CAmbrivaleApp();
    ~CAmbrivaleApp() override;

    // The one instance (null when none).
    static CAmbrivaleApp* instance();

    enum class StartResult {
        Run,        // the main window is up; run the event loop
        HandedOver, // another corvan of this user took the file
        Failed,     // start-up ended (account store refused or not writable)
    };
    // arguments: the command line without the program name.
    StartResult initInstance(const QStringList& arguments);
    // Writes the settings back (the forbidden-folder check first).
    void exitInstance();

    // Ends the program as its 終了 does, without asking: a receive that runs
    // is stopped (SIGTERM, SIGINT, SIGHUP: the desktop logging out).
    void terminate();

    // Replaces a forbidden RootFolder by the default, one warning per reason.
    // Returns how many warnings were shown.
    int checkForbiddenFolder();

    // Report creation on or off: either way logging goes off (and the report
    // is shown when creation comes on).
    void toggleGenReport();

    // Opens a GuidePost as the open-file dialog and the recent-file menu do:
    // entered into the recent-file list first.
    void openDocumentFile(const QString& path);
    // The last 4 GuidePost files opened, newest first.
    const QStringList& recentFiles() const { return recentFiles_; }

    // The settings (names as stored).
    std::string versionText;
    std::string DefaultRootFolder;
    std::string RootFolder;
    reports::ReportSettings report;  // GenReport, ShowReport, Logging, ReportStyle, ReportRotation
    int ReportNumber = 1;
    bool AllowBasicAuth = false;
    bool i2n = false;
    receive::ProxySettings proxies;
    reports::RecentReceiveList RecentReceiveList;
    bool StartingUp = false;
    bool Receiving = false;
    CAmbrivaleDoc* PendingDocument = nullptr;
    std::string helpFilePath;

    // Stores the proxy settings now (the proxy dialog's OK).
    void saveProxies();
    // Rereads the recent receive list (a receive added to it).
    void reloadRecentReceives();

    std::shared_ptr<const AccountStore> accounts() const { return accounts_; }
    CMainFrame* mainFrame() const { return mainFrame_.get(); }
    CAmbrivaleDoc* document() const { return document_.get(); }

    // Parent of the message boxes shown before the main window exists.
    QWidget* messageParent() const;

private:
    bool checkAccountStore();
    void addRecentFile(const QString& absolutePath);
    void loadRecentFiles();
    void saveRecentFiles() const;
    void acceptHandedOver(const QString& source);

    std::shared_ptr<AccountStore> accounts_;
    std::unique_ptr<CAmbrivaleDoc> document_;
    std::unique_ptr<CMainFrame> mainFrame_;
    std::unique_ptr<InstanceChannel> channel_;
    std::unique_ptr<platform::TerminationSignals> termination_;
    QStringList recentFiles_;
    bool started_ = false;
};
