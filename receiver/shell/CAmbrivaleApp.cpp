#include "receiver/shell/CAmbrivaleApp.h"

#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CAmbrivaleView.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/InstanceChannel.h"
#include "receiver/shell/ShellMessageBox.h"
#include "receiver/shell/ShellTexts.h"

#include "platform/Folders.h"
#include "platform/ProductInfo.h"
#include "platform/SaveRoot.h"
#include "platform/Settings.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <iostream>

namespace {

CAmbrivaleApp* theApp = nullptr;

QString tr8(const char* text) { return QString::fromUtf8(text); }

constexpr const char* section = reports::settingsSection;
constexpr const char* recentFileSection = "Recent File List";
constexpr int recentFileCount = 4;
// Where the main window stood, as Qt describes a window's place.
constexpr const char* geometryName = "WindowGeometry";

// What the command line names: a path made absolute (a running corvan
// started elsewhere gets it), or an address as it is.
QString commandLineSource(const QString& argument)
{
    if (argument.contains(QLatin1String("://")) || argument.startsWith(QLatin1String("file:")))
        return argument;
    return QFileInfo(argument).absoluteFilePath();
}

} // namespace

static void initResources()
{
    // The icon is compiled into this library, which the program links statically.
    Q_INIT_RESOURCE(corvan);
}

CAmbrivaleApp::CAmbrivaleApp() : versionText(product::version)
{
    initResources();
    theApp = this;
}

CAmbrivaleApp::~CAmbrivaleApp()
{
    // The window and the document go before the settings they read.
    mainFrame_.reset();
    document_.reset();
    if (theApp == this)
        theApp = nullptr;
}

CAmbrivaleApp* CAmbrivaleApp::instance()
{
    return theApp;
}

QWidget* CAmbrivaleApp::messageParent() const
{
    return mainFrame_ && mainFrame_->isVisible() ? mainFrame_.get() : nullptr;
}

CAmbrivaleApp::StartResult CAmbrivaleApp::initInstance(const QStringList& arguments)
{
    // The command line: the first argument that is not an option.
    QString source;
    for (const QString& a : arguments) {
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            source = commandLineSource(a);
            break;
        }
    }
    // A corvan of this user runs already: it receives the GuidePost.
    if (!source.isEmpty() && InstanceChannel::handOver(source))
        return StartResult::HandedOver;

    QApplication::setApplicationName(tr8(shell::texts::appTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvan.svg")));
    platform::Settings settings;
    loadRecentFiles();

    DefaultRootFolder = platform::SaveRoot::defaultFolder();
    RootFolder = settings.getString(section, "RootFolder", DefaultRootFolder);
    checkForbiddenFolder();
    report = reports::ReportSettings::load(settings);
    ReportNumber = 1;
    i2n = settings.getBool(section, "i2n", false);
    AllowBasicAuth = settings.getBool(section, "AllowBasicAuth", false);
    RecentReceiveList.load(settings);
    if (RootFolder.empty())
        RootFolder = DefaultRootFolder;

    if (!checkAccountStore())
        return StartResult::Failed;
    proxies.load(settings);

    document_ = std::make_unique<CAmbrivaleDoc>(*this);
    mainFrame_ = std::make_unique<CMainFrame>(*this, *document_);
    // Before anything can hand work over: from here on a signal ends the
    // program through its own exit.
    termination_ = std::make_unique<platform::TerminationSignals>();
    connect(termination_.get(), &platform::TerminationSignals::terminationRequested, this, &CAmbrivaleApp::terminate);
    channel_ = std::make_unique<InstanceChannel>();
    connect(channel_.get(), &InstanceChannel::sourceReceived, this, &CAmbrivaleApp::acceptHandedOver);
    if (!channel_->listen()) {
        // Said once; the window works without it.
        if (const QString problem = InstanceChannel::problem(); !problem.isEmpty())
            std::cerr << tr8(shell::texts::noHandOver).arg(problem).toStdString() << std::endl;
    }
    // A corvan that is going hands nothing over any more.
    connect(mainFrame_.get(), &CMainFrame::closingWhileReceiving, this, [this] { channel_.reset(); });

    StartingUp = true;
    PendingDocument = nullptr;
    if (!source.isEmpty()) {
        // As a double-click does: a file enters the recent-file list.
        if (QFileInfo(source).isAbsolute())
            addRecentFile(source);
        document_->onOpenDocument(source);
    }
    StartingUp = false;
    mainFrame_->showInitially(
        QByteArray::fromBase64(QByteArray::fromStdString(settings.getString(section, geometryName))));

    helpFilePath = platform::Folders::besideProgram(shell::texts::helpFile);
    started_ = true;
    if (PendingDocument) {
        // After the window has been painted once.
        QTimer::singleShot(0, document_.get(), [this] { document_->startReceive(); });
    }
    return StartResult::Run;
}

void CAmbrivaleApp::terminate()
{
    if (!mainFrame_)
        return;
    // Open dialogs end as if cancelled; their nested loops unwind first.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog != mainFrame_->view()->progressDialog())
            dialog->reject();
    }
    QTimer::singleShot(0, mainFrame_.get(), &CMainFrame::forceClose);
}

bool CAmbrivaleApp::checkAccountStore()
{
    accounts_ = std::make_shared<AccountStore>();
    switch (accounts_->load()) {
    case AccountStore::LoadResult::Loaded:
    case AccountStore::LoadResult::Missing:
        return true;
    case AccountStore::LoadResult::Empty:
        // An empty file becomes a new empty store.
        accounts_->clear();
        accounts_->write();
        return true;
    case AccountStore::LoadResult::NotAStore:
    case AccountStore::LoadResult::Unreadable:
        break;
    }
    const auto choice = shell::showMessage(nullptr, QMessageBox::Question, tr8(shell::texts::appTitle),
                                           tr8(shell::texts::accountStoreBroken),
                                           QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (choice != QMessageBox::Ok)
        return false;
    accounts_->clear();
    if (!accounts_->write()) {
        shell::showMessage(nullptr, QMessageBox::Critical, tr8(shell::texts::appTitle),
                           tr8(shell::texts::accountStoreNotCreated));
        return false;
    }
    return true;
}

int CAmbrivaleApp::checkForbiddenFolder()
{
    const auto checked = platform::SaveRoot::check(RootFolder, DefaultRootFolder);
    RootFolder = checked.folder;
    for (const std::string& warning : checked.warnings) {
        QString text = QString::fromStdString(warning);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        shell::showMessage(nullptr, QMessageBox::Warning, tr8(shell::texts::cautionCaption), text);
    }
    return static_cast<int>(checked.warnings.size());
}

void CAmbrivaleApp::toggleGenReport()
{
    if (report.genReport) {
        report.genReport = report.showReport = report.logging = false;
    } else {
        report.genReport = report.showReport = true;
        report.logging = false;
    }
}

void CAmbrivaleApp::addRecentFile(const QString& absolute)
{
    recentFiles_.removeAll(absolute);
    recentFiles_.prepend(absolute);
    while (recentFiles_.size() > recentFileCount)
        recentFiles_.removeLast();
}

void CAmbrivaleApp::openDocumentFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    addRecentFile(absolute);
    if (mainFrame_)
        mainFrame_->openGuidePost(absolute);
}

void CAmbrivaleApp::acceptHandedOver(const QString& source)
{
    if (!mainFrame_)
        return;
    mainFrame_->raise();
    mainFrame_->activateWindow();
    // As the desktop's "open" does: the file enters the recent-file list.
    if (QFileInfo(source).isAbsolute())
        openDocumentFile(source);
    else
        mainFrame_->openGuidePost(source);
}

void CAmbrivaleApp::saveProxies()
{
    platform::Settings settings;
    proxies.save(settings);
    settings.sync();
}

void CAmbrivaleApp::reloadRecentReceives()
{
    platform::Settings settings;
    RecentReceiveList.load(settings);
}

void CAmbrivaleApp::loadRecentFiles()
{
    platform::Settings settings;
    recentFiles_.clear();
    for (int i = 1; i <= recentFileCount; ++i) {
        const std::string file = settings.getString(recentFileSection, "File" + std::to_string(i));
        if (!file.empty())
            recentFiles_.append(QString::fromStdString(file));
    }
}

void CAmbrivaleApp::saveRecentFiles() const
{
    platform::Settings settings;
    for (int i = 1; i <= recentFileCount; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= recentFiles_.size())
            settings.setString(recentFileSection, name, recentFiles_.at(i - 1).toStdString());
        else
            settings.remove(recentFileSection, name);
    }
    settings.sync();
}

void CAmbrivaleApp::exitInstance()
{
    if (!started_)
        return;
    checkForbiddenFolder();
    platform::Settings settings;
    settings.setString(section, "RootFolder", RootFolder);
    // GenReport, ShowReport, Logging, ReportStyle (0 when out of range), ReportRotation.
    report.save(settings);
    settings.setBool(section, "i2n", i2n);
    settings.setBool(section, "AllowBasicAuth", AllowBasicAuth);
    if (mainFrame_)
        settings.setString(section, geometryName, mainFrame_->saveGeometry().toBase64().toStdString());
    settings.sync();
    saveRecentFiles();
    accounts_.reset();
    started_ = false;
}
