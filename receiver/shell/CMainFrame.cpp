#include "receiver/shell/CMainFrame.h"

#include "platform/DesktopOpener.h"
#include "receiver/shell/CAboutDlg.h"
#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CAmbrivaleView.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/CSetProxyDlg.h"
#include "receiver/shell/QuestionDialog.h"
#include "receiver/shell/ShellMessageBox.h"
#include "receiver/shell/ShellTexts.h"
#include "receiver/shell/TemporaryFolder.h"

#include "receiver/engine/ReceiveTexts.h"
#include "receiver/reports/ReportTexts.h"

#include "platform/ProductInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QThreadPool>
#include <QToolBar>

#include <filesystem>

using namespace shell;

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

QString appTitle() { return tr8(texts::appTitle); }

// A theme icon where the desktop has one; the tool bar shows the text too.
QIcon commandIcon(CommandId id)
{
    switch (id) {
    case FileOpen: return QIcon::fromTheme(QStringLiteral("document-open"));
    case ChooseSaveFolder: return QIcon::fromTheme(QStringLiteral("folder"));
    case EditCut: return QIcon::fromTheme(QStringLiteral("edit-cut"));
    case EditCopy: return QIcon::fromTheme(QStringLiteral("edit-copy"));
    case EditPaste: return QIcon::fromTheme(QStringLiteral("edit-paste"));
    case About: return QIcon::fromTheme(QStringLiteral("help-about"));
    default: return {};
    }
}

// A received title or a file name as a menu item: "&" is shown, not taken
// as an access key.
QString menuText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

CMainFrame::CMainFrame(CAmbrivaleApp& app, CAmbrivaleDoc& document)
    : app_(app), document_(document), view_(new CAmbrivaleView(document, *this))
{
    setWindowTitle(tr8(texts::documentName) + QStringLiteral(" - ") + appTitle());
    setCentralWidget(view_);
    setAcceptDrops(true);
    createMenus();
    createBars();
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::updateCommandUI);
    updateCommandUI();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::makeAction(CommandId id)
{
    const Command& c = command(id);
    auto* a = new QAction(tr8(c.text), this);
    const QStringList prompt = tr8(c.prompt).split(QLatin1Char('\n'));
    a->setStatusTip(prompt.value(0));
    a->setToolTip(prompt.value(1, prompt.value(0)));
    a->setIconText(prompt.value(1, prompt.value(0)));
    a->setIcon(commandIcon(id));
    if (*c.keys)
        a->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(c.keys)));
    a->setData(static_cast<int>(id));
    actions_[id] = a;
    return a;
}

QAction* CMainFrame::action(CommandId id) const
{
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::createMenus()
{
    auto checkable = [this](CommandId id, auto handler) {
        QAction* a = makeAction(id);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, handler] {
            handler();
            updateCommandUI();
        });
        return a;
    };
    auto plain = [this](CommandId id, void (CMainFrame::*handler)()) {
        QAction* a = makeAction(id);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    file_ = menuBar()->addMenu(tr8(menuFile));
    file_->addAction(plain(FileOpen, &CMainFrame::onFileOpen));
    file_->addAction(plain(ChooseSaveFolder, &CMainFrame::onChooseSaveFolder));
    file_->addSeparator();
    QAction* recentFile = makeAction(RecentFile);
    recentFile->setEnabled(false);
    file_->addAction(recentFile);
    file_->addSeparator();
    file_->addAction(makeAction(AppExit));
    connect(action(AppExit), &QAction::triggered, this, &QWidget::close);
    connect(file_, &QMenu::aboutToShow, this, &CMainFrame::updateRecentFiles);

    QMenu* edit = menuBar()->addMenu(tr8(menuEdit));
    edit->addAction(makeAction(EditUndo));
    edit->addSeparator();
    edit->addAction(makeAction(EditCut));
    edit->addAction(makeAction(EditCopy));
    edit->addAction(makeAction(EditPaste));

    QMenu* settings = menuBar()->addMenu(tr8(menuSettings));
    settings->addAction(plain(SetProxy, &CMainFrame::onSetProxy));
    settings->addAction(checkable(AllowBasicAuth, [this] { app_.AllowBasicAuth = !app_.AllowBasicAuth; }));
    QMenu* report = settings->addMenu(tr8(menuReport));
    report->addAction(checkable(GenReport, [this] { onGenReport(); }));
    QMenu* style = report->addMenu(tr8(menuReportStyle));
    int n = 0;
    for (CommandId id : {StyleSimple, StyleStandard, StyleLong}) {
        const int value = n++;
        style->addAction(checkable(id, [this, value] { app_.report.reportStyle = value; }));
    }
    QMenu* fileStyle = report->addMenu(tr8(menuReportFileStyle));
    fileStyle->addAction(checkable(RotationNames, [this] { app_.report.reportRotation = true; }));
    fileStyle->addAction(checkable(UniqueNames, [this] { app_.report.reportRotation = false; }));
    report->addAction(checkable(ShowReport, [this] {
        if (app_.report.genReport)
            app_.report.showReport = !app_.report.showReport;
    }));
    report->addAction(checkable(Logging, [this] { app_.report.logging = !app_.report.logging; }));
    report->addAction(plain(PlainLog, &CMainFrame::onPlainLog));
    QMenu* writeMode = settings->addMenu(tr8(menuWriteMode));
    writeMode->addAction(checkable(IfNotExistToUpdate, [this] { app_.i2n = !app_.i2n; }));

    afterCare_ = menuBar()->addMenu(tr8(menuAfterCare));
    afterCare_->addAction(plain(OpenSaveFolder, &CMainFrame::onOpenSaveFolder));
    afterCare_->addAction(plain(EmptyTemporary, &CMainFrame::onEmptyTemporary));
    afterCare_->addSeparator();
    QAction* recent = makeAction(RecentReceives);
    recent->setEnabled(false);
    afterCare_->addAction(recent);
    connect(afterCare_, &QMenu::aboutToShow, this, &CMainFrame::updateRecentReceives);

    QMenu* viewMenu = menuBar()->addMenu(tr8(menuView));
    for (CommandId id : {ViewToolBar, ViewStatusBar, ViewUrlBar, ViewFolderBar}) {
        QAction* a = makeAction(id);
        a->setCheckable(true);
        viewMenu->addAction(a);
    }

    QMenu* help = menuBar()->addMenu(tr8(menuHelp));
    help->addAction(plain(HomePage, &CMainFrame::onHomePage));
    help->addSeparator();
    help->addAction(plain(About, &CMainFrame::onAbout));
    help->addAction(plain(HelpPage, &CMainFrame::onHelp));

    // Every menu shows the states of the moment.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandUI);
}

void CMainFrame::createBars()
{
    toolBar_ = addToolBar(tr8(texts::toolBarTitle));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (CommandId id : {FileOpen, ChooseSaveFolder})
        toolBar_->addAction(action(id));
    toolBar_->addSeparator();
    for (CommandId id : {EditCut, EditCopy, EditPaste})
        toolBar_->addAction(action(id));
    toolBar_->addSeparator();
    toolBar_->addAction(action(About));

    addToolBarBreak();
    urlBar_ = addToolBar(tr8(texts::urlBarTitle));
    urlBar_->setObjectName(QStringLiteral("urlBar"));
    auto* urlLabel = new QLabel(tr8(texts::urlLabel) + QStringLiteral(" "));
    urlEdit_ = new QLineEdit;
    urlEdit_->setMinimumWidth(260);
    urlEdit_->setClearButtonEnabled(true);
    start_ = new QPushButton(tr8(texts::startButton));
    urlBar_->addWidget(urlLabel);
    urlBar_->addWidget(urlEdit_);
    urlBar_->addWidget(start_);
    connect(start_, &QPushButton::clicked, this, &CMainFrame::onStart);
    connect(urlEdit_, &QLineEdit::returnPressed, this, &CMainFrame::onStart);

    addToolBarBreak();
    folderBar_ = addToolBar(tr8(texts::folderBarTitle));
    folderBar_->setObjectName(QStringLiteral("folderBar"));
    folderBar_->addWidget(new QLabel(tr8(texts::folderLabel) + QStringLiteral(" ")));
    folderEdit_ = new QLineEdit;
    folderEdit_->setReadOnly(true);
    folderEdit_->setMinimumWidth(260);
    folderBar_->addWidget(folderEdit_);

    // The edit commands act on the URL bar's edit.
    connect(action(EditUndo), &QAction::triggered, urlEdit_, &QLineEdit::undo);
    connect(action(EditCut), &QAction::triggered, urlEdit_, &QLineEdit::cut);
    connect(action(EditCopy), &QAction::triggered, urlEdit_, &QLineEdit::copy);
    connect(action(EditPaste), &QAction::triggered, urlEdit_, &QLineEdit::paste);

    const std::pair<CommandId, QWidget*> bars[] = {
        {ViewToolBar, toolBar_}, {ViewUrlBar, urlBar_}, {ViewFolderBar, folderBar_}, {ViewStatusBar, statusBar()}};
    for (const auto& [id, bar] : bars)
        connect(action(id), &QAction::triggered, bar, &QWidget::setVisible);

    statusBar()->addWidget(new QLabel(tr8(texts::ready)), 1);

    // F6 and Shift+F6 move between the URL bar and the view.
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this, [this] { focusPane(true); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this), &QShortcut::activated, this,
            [this] { focusPane(false); });
}

void CMainFrame::focusPane(bool next)
{
    Q_UNUSED(next);
    // Two panes: either direction goes to the other one.
    if (urlEdit_->hasFocus())
        view_->setFocus();
    else
        urlEdit_->setFocus();
}

void CMainFrame::updateCommandUI()
{
    const auto& r = app_.report;
    action(AllowBasicAuth)->setChecked(app_.AllowBasicAuth);
    action(GenReport)->setChecked(r.genReport);
    const CommandId styles[] = {StyleSimple, StyleStandard, StyleLong};
    for (int i = 0; i < 3; ++i) {
        action(styles[i])->setEnabled(r.genReport);
        action(styles[i])->setChecked(r.reportStyle == i);
    }
    action(RotationNames)->setEnabled(r.genReport);
    action(RotationNames)->setChecked(r.reportRotation);
    action(UniqueNames)->setEnabled(r.genReport);
    action(UniqueNames)->setChecked(!r.reportRotation);
    action(ShowReport)->setEnabled(r.genReport);
    action(ShowReport)->setChecked(r.showReport);
    action(Logging)->setChecked(r.logging);
    action(PlainLog)->setEnabled(!r.genReport);
    action(IfNotExistToUpdate)->setChecked(app_.i2n);
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    action(EditPaste)->setEnabled(clip && clip->hasText());
    if (toolBar_) {
        action(ViewToolBar)->setChecked(toolBar_->isVisibleTo(this));
        action(ViewUrlBar)->setChecked(urlBar_->isVisibleTo(this));
        action(ViewFolderBar)->setChecked(folderBar_->isVisibleTo(this));
        action(ViewStatusBar)->setChecked(statusBar()->isVisibleTo(this));
    }
}

void CMainFrame::updateRecentReceives()
{
    for (QAction* a : recentReceiveActions_) {
        afterCare_->removeAction(a);
        a->deleteLater();
    }
    recentReceiveActions_.clear();
    QAction* placeholder = action(RecentReceives);
    const auto& entries = app_.RecentReceiveList.entries();
    placeholder->setVisible(entries.empty());
    placeholder->setEnabled(false);
    for (std::size_t i = 0; i < entries.size() && i < static_cast<std::size_t>(recentReceiveCount); ++i) {
        auto* a = new QAction(menuText(QString::fromStdString(entries[i].title)), this);
        a->setData(RecentReceives + static_cast<int>(i));
        a->setStatusTip(QString::fromStdString(entries[i].folder));
        const int index = static_cast<int>(i);
        connect(a, &QAction::triggered, this, [this, index] { onRecentReceive(index); });
        afterCare_->insertAction(placeholder, a);
        recentReceiveActions_.append(a);
    }
}

void CMainFrame::updateRecentFiles()
{
    for (QAction* a : recentFileActions_) {
        file_->removeAction(a);
        a->deleteLater();
    }
    recentFileActions_.clear();
    QAction* placeholder = action(RecentFile);
    const QStringList& files = app_.recentFiles();
    placeholder->setVisible(files.isEmpty());
    placeholder->setEnabled(false);
    for (int i = 0; i < files.size(); ++i) {
        const QString name = menuText(QDir::toNativeSeparators(files[i]));
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name), this);
        a->setStatusTip(placeholder->statusTip());
        connect(a, &QAction::triggered, this, [this, i] { onRecentFile(i); });
        file_->insertAction(placeholder, a);
        recentFileActions_.append(a);
    }
}

void CMainFrame::setUrlText(const QString& text)
{
    urlEdit_->setText(text);
}

void CMainFrame::showRootFolder()
{
    folderEdit_->setText(QString::fromStdString(app_.RootFolder));
    folderEdit_->setCursorPosition(0);
}

void CMainFrame::enableWhileIdle(bool enable)
{
    menuBar()->setEnabled(enable);
    for (QToolBar* bar : {toolBar_, urlBar_, folderBar_})
        bar->setEnabled(enable);
    view_->setEnabled(enable);
}

void CMainFrame::showInitially(const QByteArray& geometry)
{
    view_->onInitialUpdate();
    showRootFolder();
    // restoreGeometry() keeps the window on a screen that is there now.
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(sizeHint().expandedTo(minimumSizeHint()));
    show();
}

bool CMainFrame::openGuidePost(const QString& source)
{
    if (document_.onOpenDocument(source) == CAmbrivaleDoc::OpenResult::Refused) {
        showMessage(this, QMessageBox::Warning, tr8(texts::cautionCaption), tr8(texts::stillRunning));
        return false;
    }
    return true;
}

void CMainFrame::onFileOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), tr8(texts::openFilter));
    if (!path.isEmpty())
        app_.openDocumentFile(path);
}

void CMainFrame::onRecentFile(int index)
{
    if (index >= 0 && index < app_.recentFiles().size())
        app_.openDocumentFile(app_.recentFiles().at(index));
}

void CMainFrame::onChooseSaveFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr8(texts::chooseSaveFolder),
                                                             QString::fromStdString(app_.RootFolder));
    if (folder.isEmpty())
        return;
    app_.RootFolder = QDir::toNativeSeparators(folder).toStdString();
    app_.checkForbiddenFolder();
    showRootFolder();
}

void CMainFrame::onStart()
{
    if (app_.Receiving || document_.isBusy()) {
        showMessage(this, QMessageBox::Warning, tr8(texts::cautionCaption), tr8(texts::stopFirst));
        return;
    }
    if (CProgressDlg* progress = view_->progressDialog())
        progress->reset();
    app_.StartingUp = false;
    openGuidePost(urlEdit_->text());
}

void CMainFrame::onGenReport()
{
    app_.toggleGenReport();
}

void CMainFrame::onSetProxy()
{
    CSetProxyDlg dialog(app_.proxies, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    app_.proxies = dialog.result();
    app_.saveProxies();
}

void CMainFrame::openWithMessage(const QString& target, const char* failure)
{
    platform::DesktopOpener::open({target}, this, [this, failure](const QString& failed) {
        if (!failed.isEmpty())
            showMessage(this, QMessageBox::Critical, appTitle(), tr8(failure));
    });
}

void CMainFrame::onOpenSaveFolder()
{
    openWithMessage(QString::fromStdString(app_.RootFolder), texts::cannotOpenFolder);
}

void CMainFrame::onRecentReceive(int index)
{
    const auto& entries = app_.RecentReceiveList.entries();
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return;
    const std::string& folder = entries[static_cast<std::size_t>(index)].folder;
    if (!folder.empty())
        openWithMessage(QString::fromStdString(folder), texts::cannotOpen);
}

void CMainFrame::onPlainLog()
{
    const std::filesystem::path log =
        std::filesystem::path(app_.RootFolder) / receive::texts::reportFolder / reports::texts::unusedLogName;
    openWithMessage(QString::fromStdString(log.string()), texts::cannotOpenLog);
}

void CMainFrame::onHomePage()
{
    platform::DesktopOpener::open({QString::fromUtf8(product::homePage)}, this);
}

void CMainFrame::onAbout()
{
    CAboutDlg(QString::fromStdString(app_.versionText), this).exec();
}

void CMainFrame::onHelp()
{
    if (app_.helpFilePath.empty()) { // the program's folder is unknown
        QMessageBox::critical(this, tr8(texts::errorCaption), tr8(texts::cannotOpenHelp));
        return;
    }
    platform::DesktopOpener::open({QString::fromStdString(app_.helpFilePath)}, this, [this](const QString& failed) {
        if (!failed.isEmpty())
            showMessage(this, QMessageBox::Critical, tr8(texts::errorCaption), tr8(texts::cannotOpenHelp));
    });
}

void CMainFrame::onEmptyTemporary()
{
    if (app_.RootFolder.empty()) {
        showMessage(this, QMessageBox::Information, appTitle(), tr8(texts::noSaveFolder));
        emit temporaryFolderDone();
        return;
    }
    app_.checkForbiddenFolder();
    showRootFolder();
    const std::string folder = TemporaryFolder::pathBelow(app_.RootFolder);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        showMessage(this, QMessageBox::Information, appTitle(), tr8(texts::noTemporaryFolder));
        emit temporaryFolderDone();
        return;
    }
    const QString question = tr8(texts::confirmEmptyTemporary)
                                 .arg(QString::fromStdString(folder))
                                 .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (showMessage(this, QMessageBox::Question, appTitle(), question, QMessageBox::Ok | QMessageBox::Cancel,
                    QMessageBox::Ok)
        != QMessageBox::Ok) {
        emit temporaryFolderDone();
        return;
    }
    // The folder may hold much; the window stays responsive meanwhile.
    action(EmptyTemporary)->setEnabled(false);
    QPointer<CMainFrame> self(this);
    QThreadPool::globalInstance()->start([self, folder] {
        TemporaryFolder::empty(folder);
        QMetaObject::invokeMethod(qApp, [self] {
            if (!self)
                return;
            self->action(EmptyTemporary)->setEnabled(true);
            showMessage(self, QMessageBox::Information, appTitle(), tr8(texts::temporaryEmptied));
            emit self->temporaryFolderDone();
        }, Qt::QueuedConnection);
    });
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (document_.isBusy()) {
        if (closing_) {
            event->ignore();
            return;
        }
        if (!forced_) {
            const auto choice = showMessage(this, QMessageBox::Warning, tr8(texts::cautionCaption),
                                            tr8(texts::forceQuit), QMessageBox::Ok | QMessageBox::Cancel,
                                            QMessageBox::Cancel);
            if (choice != QMessageBox::Ok || !document_.isBusy()) {
                // The receive may have ended while the question was open.
                if (choice == QMessageBox::Ok)
                    event->accept();
                else
                    event->ignore();
                return;
            }
        }
        // The window goes now, so that the program ends as it does when
        // idle; the receive stops meanwhile and removes its temporary files
        // before the program's last step.
        closing_ = true;
        emit closingWhileReceiving();
        document_.cancel();
        if (QuestionDialog* question = view_->questionDialog())
            question->reject();
    }
    if (CProgressDlg* progress = view_->progressDialog())
        progress->hide();
    event->accept();
}

void CMainFrame::forceClose()
{
    forced_ = true;
    close();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    // Files are always copied, never taken away from where they lie.
    if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (!(event->possibleActions() & Qt::CopyAction))
        return;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
            app_.openDocumentFile(url.toLocalFile());
            return;
        }
    }
}
