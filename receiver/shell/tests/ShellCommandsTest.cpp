// Start-up, exit and the menu commands of the real window: the settings read
// and written, the forbidden-folder warnings, the account store question,
// the update rules of the menus, the proxy dialog through the settings, the
// recent receives, emptying the temporary folder, and what the desktop is
// asked to open.

#include "ShellTestSupport.h"

#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CSetProxyDlg.h"
#include "receiver/shell/InstanceChannel.h"
#include "receiver/shell/ShellCommands.h"
#include "receiver/shell/TemporaryFolder.h"

#include "guidepost/AccountStore.h"
#include "platform/SaveRoot.h"
#include "platform/QtTranslations.h"
#include "platform/Settings.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace shelltest;
using namespace shell;
namespace fs = std::filesystem;

namespace {

QString q8(const char* text) { return QString::fromUtf8(text); }

void store(const char* name, const std::string& value)
{
    platform::Settings s;
    s.setString("settings", name, value);
    s.sync();
}

std::string stored(const char* name)
{
    platform::Settings s;
    return s.getString("settings", name, "(absent)");
}

void touch(const fs::path& path, const std::string& text = "x")
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Nothing of Qt's English left: every text holds a Japanese character.
bool japanese(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x3000)
            return true;
    return false;
}

} // namespace

class ShellCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CAmbrivaleApp> app_;
    std::unique_ptr<RecordingOpener> opener_;
    fs::path root_;

    CMainFrame* frame() const { return app_->mainFrame(); }
    QAction* action(CommandId id) const { return frame()->action(id); }

    void startApp()
    {
        app_ = std::make_unique<CAmbrivaleApp>();
        QCOMPARE(app_->initInstance({}), CAmbrivaleApp::StartResult::Run);
    }
    void endApp()
    {
        app_->exitInstance();
        app_.reset();
    }

private slots:
    void init()
    {
        fs::remove_all(home() / "config");
        fs::remove_all(home() / "data");
        root_ = home() / QTest::currentTestFunction() / "root";
        fs::create_directories(root_);
        opener_ = std::make_unique<RecordingOpener>();
    }

    void cleanup()
    {
        if (app_)
            endApp();
        opener_.reset();
    }

    void startsWithDefaultsAndWritesThemBack()
    {
        startApp();
        QCOMPARE(app_->RootFolder, (home() / "Documents" / "Corvan").string());
        QCOMPARE(app_->DefaultRootFolder, app_->RootFolder);
        QVERIFY(!app_->report.genReport && !app_->report.showReport && !app_->report.logging);
        QVERIFY(!app_->i2n && !app_->AllowBasicAuth);
        QVERIFY(app_->report.reportRotation);
        QCOMPARE(app_->report.reportStyle, 0);
        QCOMPARE(app_->ReportNumber, 1);
        QCOMPARE(frame()->folderEdit()->text(), QString::fromStdString(app_->RootFolder));
        QVERIFY(app_->helpFilePath.ends_with("Help/Corvan/index.htm"));
        // Nothing is stored before the exit.
        QCOMPARE(stored("GenReport"), std::string("(absent)"));
        endApp();
        QCOMPARE(stored("GenReport"), std::string("no"));
        QCOMPARE(stored("ReportRotation"), std::string("yes"));
        QCOMPARE(stored("ReportStyle"), std::string("0"));
        QCOMPARE(stored("RootFolder"), (home() / "Documents" / "Corvan").string());
    }

    void storedValuesAsTheyRead()
    {
        store("ReportStyle", "7");
        store("Logging", "YES");
        store("GenReport", "yes");
        store("RootFolder", root_.string());
        startApp();
        QCOMPARE(app_->report.reportStyle, 0);
        QVERIFY(!app_->report.logging);
        QVERIFY(app_->report.genReport);
        QCOMPARE(app_->RootFolder, root_.string());
        endApp();
        QCOMPARE(stored("ReportStyle"), std::string("0"));
        QCOMPARE(stored("Logging"), std::string("no"));
    }

    void forbiddenFoldersWarnOncePerWord_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("warnings");
        QTest::newRow("program files") << QStringLiteral("/d/program files/x") << 1;
        QTest::newRow("two words") << QStringLiteral("/C/WINDOWS/PROGRAM FILES") << 2;
        QTest::newRow("c:\\ and a blank") << QStringLiteral("c:\\ ") << 1;
        QTest::newRow("c: alone") << QStringLiteral("C:") << 0;
        QTest::newRow("a system folder") << QStringLiteral("/usr/share") << 1;
        QTest::newRow("a good folder") << QStringLiteral("/srvx/受信") << 0;
    }

    void forbiddenFoldersWarnOncePerWord()
    {
        QFETCH(QString, folder);
        QFETCH(int, warnings);
        store("RootFolder", folder.toStdString());
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        startApp();
        QCOMPARE(answerer.texts.size(), warnings);
        const std::string expected = warnings ? app_->DefaultRootFolder : folder.toStdString();
        QCOMPARE(app_->RootFolder, expected);
        for (const QString& caption : answerer.captions)
            QCOMPARE(caption, q8("注意"));
        if (warnings)
            QVERIFY(answerer.texts.front().contains(QString::fromStdString(app_->DefaultRootFolder)));
    }

    void brokenAccountStoreAsksFirst()
    {
        const fs::path ant = AccountStore::defaultPath();
        touch(ant, "not a store\n");
        {
            MessageBoxAnswerer cancel([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Cancel); });
            CAmbrivaleApp app;
            QCOMPARE(app.initInstance({}), CAmbrivaleApp::StartResult::Failed);
            QCOMPARE(cancel.texts.size(), 1);
            QVERIFY(cancel.texts.front().startsWith(q8("アカウントファイルにエラーがありました。")));
        }
        // Nothing was written when start-up ended.
        QCOMPARE(stored("GenReport"), std::string("(absent)"));
        QCOMPARE(readAll(ant), std::string("not a store\n"));

        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        startApp();
        QCOMPARE(ok.texts.size(), 1);
        QVERIFY(readAll(ant).starts_with(AccountStore::marker) || readAll(ant).size() > 0);
        AccountStore check(ant.string());
        QCOMPARE(check.load(), AccountStore::LoadResult::Loaded);
    }

    void accountStoreThatCannotBeWrittenEndsStartUp()
    {
        // A folder full of things where the store should be: it can be
        // neither read nor replaced.
        const fs::path ant = AccountStore::defaultPath();
        touch(ant / "something");
        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        CAmbrivaleApp app;
        QCOMPARE(app.initInstance({}), CAmbrivaleApp::StartResult::Failed);
        QCOMPARE(ok.texts.size(), 2);
        QCOMPARE(ok.texts.back(), q8("アカウントファイルを作成できませんでした"));
        QVERIFY(fs::exists(ant / "something"));
        QCOMPARE(stored("GenReport"), std::string("(absent)"));
    }

    void menuRulesFollowGenReport()
    {
        startApp();
        frame()->updateCommandUI();
        // Report creation off: its items are greyed, the plain log is there.
        for (CommandId id : {StyleSimple, StyleStandard, StyleLong, RotationNames, UniqueNames, ShowReport})
            QVERIFY2(!action(id)->isEnabled(), command(id).text);
        QVERIFY(action(PlainLog)->isEnabled());
        QVERIFY(action(RotationNames)->isChecked());
        QVERIFY(!action(UniqueNames)->isChecked());
        QVERIFY(action(StyleSimple)->isChecked());

        // Logging on, then report creation on: logging goes off, the report is shown.
        action(Logging)->trigger();
        QVERIFY(app_->report.logging);
        QVERIFY(action(Logging)->isChecked());
        action(GenReport)->trigger();
        QVERIFY(app_->report.genReport && app_->report.showReport && !app_->report.logging);
        QVERIFY(!action(Logging)->isChecked());
        for (CommandId id : {StyleSimple, StyleStandard, StyleLong, RotationNames, UniqueNames, ShowReport})
            QVERIFY2(action(id)->isEnabled(), command(id).text);
        QVERIFY(!action(PlainLog)->isEnabled());
        action(StyleLong)->trigger();
        QCOMPARE(app_->report.reportStyle, 2);
        QVERIFY(action(StyleLong)->isChecked() && !action(StyleSimple)->isChecked());
        action(UniqueNames)->trigger();
        QVERIFY(!app_->report.reportRotation);
        QVERIFY(action(UniqueNames)->isChecked() && !action(RotationNames)->isChecked());
        action(ShowReport)->trigger();
        QVERIFY(!app_->report.showReport);

        // Off again: all three off.
        action(Logging)->trigger();
        action(GenReport)->trigger();
        QVERIFY(!app_->report.genReport && !app_->report.showReport && !app_->report.logging);

        action(AllowBasicAuth)->trigger();
        action(IfNotExistToUpdate)->trigger();
        QVERIFY(app_->AllowBasicAuth && app_->i2n);
        QVERIFY(action(AllowBasicAuth)->isChecked() && action(IfNotExistToUpdate)->isChecked());
        // Switches live in memory until the exit.
        QCOMPARE(stored("AllowBasicAuth"), std::string("(absent)"));
        endApp();
        QCOMPARE(stored("AllowBasicAuth"), std::string("yes"));
        QCOMPARE(stored("i2n"), std::string("yes"));
        QCOMPARE(stored("ReportStyle"), std::string("2"));
        QCOMPARE(stored("ReportRotation"), std::string("no"));
    }

    void barsAndClipboard()
    {
        startApp();
        QApplication::clipboard()->clear();
        frame()->updateCommandUI();
        QVERIFY(!action(EditPaste)->isEnabled());
        QApplication::clipboard()->setText(QStringLiteral("http://127.0.0.1/a.gp"));
        QVERIFY(action(EditPaste)->isEnabled());
        frame()->urlEdit()->clear();
        action(EditPaste)->trigger();
        QCOMPARE(frame()->urlEdit()->text(), QStringLiteral("http://127.0.0.1/a.gp"));
        frame()->urlEdit()->selectAll();
        action(EditCut)->trigger();
        QVERIFY(frame()->urlEdit()->text().isEmpty());
        action(EditUndo)->trigger();
        QCOMPARE(frame()->urlEdit()->text(), QStringLiteral("http://127.0.0.1/a.gp"));

        QVERIFY(action(ViewUrlBar)->isChecked());
        action(ViewUrlBar)->trigger();
        QVERIFY(!frame()->urlBar()->isVisible());
        frame()->updateCommandUI();
        QVERIFY(!action(ViewUrlBar)->isChecked());
        action(ViewFolderBar)->trigger();
        QVERIFY(!frame()->folderBar()->isVisible());
        // The keys of the table reach their commands.
        QCOMPARE(action(FileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(action(EditCopy)->shortcuts().size(), 2);
    }

    void proxyDialogRoundTrip()
    {
        startApp();
        // Fill in the HTTP group and press OK.
        QTimer::singleShot(0, [] {
            auto* d = waitForDialog<CSetProxyDlg>();
            QVERIFY(d);
            QVERIFY(!d->ftpGroup().box->isChecked());
            QVERIFY(!d->ftpGroup().server->isEnabled());
            d->httpGroup().box->setChecked(true);
            QVERIFY(d->httpGroup().server->isEnabled());
            d->httpGroup().server->setText(QStringLiteral("proxy.example.com"));
            d->httpGroup().port->setText(QStringLiteral("8080"));
            d->httpGroup().id->setText(QStringLiteral("ユーザ"));
            d->httpGroup().password->setText(QStringLiteral("秘密"));
            d->accept();
        });
        frame()->onSetProxy();
        // Stored at once, enciphered, under the names of the settings.
        platform::Settings s;
        receive::ProxySettings p;
        p.load(s);
        QVERIFY(p.http.inUse);
        QCOMPARE(p.http.server, std::string("proxy.example.com"));
        QCOMPARE(p.http.port, 8080);
        QCOMPARE(p.http.user, std::string("ユーザ"));
        QCOMPARE(p.http.password, std::string("秘密"));
        QVERIFY(!p.ftp.inUse);
        // Enciphered: the stored text is not the server's name.
        QCOMPARE(receive::ProxySettings::decipher(s.getString("settings", "mammal")), std::string("yes"));
        QVERIFY(!s.getString("settings", "lion").empty());
        QVERIFY(s.getString("settings", "lion").find("proxy") == std::string::npos);

        // It opens with what is stored; unticking keeps the values; Cancel changes nothing.
        QTimer::singleShot(0, [] {
            auto* d = waitForDialog<CSetProxyDlg>();
            QCOMPARE(d->httpGroup().server->text(), QStringLiteral("proxy.example.com"));
            QCOMPARE(d->httpGroup().port->text(), QStringLiteral("8080"));
            d->httpGroup().server->setText(QStringLiteral("other.example.com"));
            d->httpGroup().box->setChecked(false);
            d->accept();
        });
        frame()->onSetProxy();
        QTimer::singleShot(0, [] {
            auto* d = waitForDialog<CSetProxyDlg>();
            d->ftpGroup().box->setChecked(true);
            d->reject();
        });
        frame()->onSetProxy();
        endApp();
        platform::Settings after;
        receive::ProxySettings q;
        q.load(after);
        QVERIFY(!q.http.inUse);
        QCOMPARE(q.http.server, std::string("proxy.example.com"));
        QVERIFY(!q.ftp.inUse);
    }

    void recentReceivesOpenTheirFolders()
    {
        {
            platform::Settings s;
            for (int i = 0; i < 12; ++i) {
                const std::string n = std::to_string(i);
                s.setString("Recent Download List", "Title" + n, "受信" + n);
                s.setString("Recent Download List", "Target" + n, "/t/" + n);
                s.setString("Recent Download List", "Folder" + n, i == 3 ? "" : "/f/" + n);
                s.setInt("Recent Download List", "Time" + n, 1000 + i);
            }
            s.sync();
        }
        startApp();
        frame()->afterCareMenu()->popup(frame()->pos());
        frame()->afterCareMenu()->hide();
        const QList<QAction*> items = frame()->recentReceiveActions();
        QCOMPARE(items.size(), 12);
        QCOMPARE(items.front()->text(), QStringLiteral("受信0"));
        QCOMPARE(items.back()->text(), QStringLiteral("受信11"));
        QVERIFY(!frame()->action(RecentReceives)->isVisible());
        items[0]->trigger();
        items[3]->trigger();  // no folder: nothing opens
        items[10]->trigger(); // the later entries open theirs as well
        QVERIFY(QTest::qWaitFor([this] { return opener_->opened().size() == 2; }, 5000));
        QCOMPARE(opener_->opened(), (std::vector<std::string>{"/f/0", "/f/10"}));

        // The desktop refuses: the error is said.
        opener_->accept(false);
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        items[1]->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !answerer.texts.isEmpty(); }, 5000));
        QCOMPARE(answerer.texts.front(), q8("エラーのため開くことができません"));
    }

    void noRecentReceivesLeaveThePlaceholder()
    {
        startApp();
        frame()->afterCareMenu()->popup(frame()->pos());
        frame()->afterCareMenu()->hide();
        QVERIFY(frame()->recentReceiveActions().isEmpty());
        QVERIFY(frame()->action(RecentReceives)->isVisible());
        QVERIFY(!frame()->action(RecentReceives)->isEnabled());
    }

    void pagesAndFoldersGoToTheDesktop()
    {
        store("RootFolder", root_.string());
        startApp();
        frame()->onOpenSaveFolder();
        frame()->onPlainLog();
        frame()->onHelp();
        frame()->onHomePage();
        QVERIFY(QTest::qWaitFor([this] { return opener_->opened().size() == 4; }, 5000));
        const auto t = opener_->opened();
        QCOMPARE(t[0], root_.string());
        QCOMPARE(t[1], (root_ / "_html___" / "Log00.htm").string());
        QCOMPARE(t[2], app_->helpFilePath);
        QVERIFY(t[3].starts_with("https://"));

        opener_->accept(false);
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        frame()->onOpenSaveFolder();
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 1; }, 5000));
        frame()->onPlainLog();
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 2; }, 5000));
        frame()->onHelp();
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 3; }, 5000));
        QCOMPARE(answerer.texts, QStringList({q8("エラーのためフォルダを開くことができません。"),
                                              q8("エラーのためレポートファイルを開くことができません"),
                                              q8("ヘルプファイルをオープンできません")}));
        QCOMPARE(answerer.captions.back(), q8("エラー"));
    }

    void emptyingTheTemporaryFolderKeepsReadOnlyFiles()
    {
        store("RootFolder", root_.string());
        const fs::path tmp = root_ / "__tmp___";
        startApp();
        {
            // Not made yet: nothing to do.
            MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
            frame()->onEmptyTemporary();
            QCOMPARE(answerer.texts, QStringList({q8("一時フォルダは作成されていませんので空にする必要はありません。")}));
        }
        touch(tmp / "a.tmp");
        touch(tmp / "x" / "y" / "b.tmp");
        touch(tmp / "keep" / "inner" / "readonly.txt");
        touch(tmp / "keep" / "gone.txt");
        fs::permissions(tmp / "keep" / "inner" / "readonly.txt", fs::perms::owner_read | fs::perms::group_read,
                        fs::perm_options::replace);
        // A link to a folder outside: the link goes, never what it points at.
        touch(root_ / "outside" / "precious.txt");
        fs::create_directory_symlink(root_ / "outside", tmp / "link");
        {
            MessageBoxAnswerer cancel([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Cancel); });
            frame()->onEmptyTemporary();
            QCOMPARE(cancel.texts.size(), 1);
            QVERIFY(cancel.texts.front().startsWith(q8("一時フォルダを空にしてもよろしいですか？")));
            QVERIFY(cancel.texts.front().contains(QString::fromStdString(tmp.string())));
        }
        QVERIFY(fs::exists(tmp / "a.tmp"));

        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        QSignalSpy done(frame(), &CMainFrame::temporaryFolderDone);
        frame()->onEmptyTemporary();
        QVERIFY(done.wait(5000) || done.count() == 1);
        QCOMPARE(ok.texts.back(), q8("一時フォルダを空にしました。"));
        QVERIFY(fs::is_directory(tmp));
        QVERIFY(fs::exists(tmp / "keep" / "inner" / "readonly.txt"));
        QVERIFY(!fs::exists(tmp / "keep" / "gone.txt"));
        QVERIFY(!fs::exists(tmp / "a.tmp"));
        QVERIFY(!fs::exists(tmp / "x"));
        QVERIFY(!fs::exists(tmp / "link", *std::make_unique<std::error_code>()));
        QVERIFY(fs::exists(root_ / "outside" / "precious.txt"));
        fs::permissions(tmp / "keep" / "inner" / "readonly.txt", fs::perms::owner_all, fs::perm_options::replace);
    }

    void qtsOwnDialogsSpeakJapanese()
    {
        if (!QFileInfo::exists(platform::QtTranslations::folder() + QStringLiteral("/qtbase_ja.qm")))
            QFAIL("Qt's Japanese catalogues are missing: install the Debian package qt6-translations-l10n");
        qputenv("LANG", "ja_JP.UTF-8");
        platform::QtTranslations translations;
        QVERIFY(translations.loaded());
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        startApp();

        // The open dialog: its title and every button.
        QString title;
        QStringList buttons;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = visibleDialog<QFileDialog>();
            if (!dialog)
                return;
            poll.stop();
            title = dialog->windowTitle();
            for (QAbstractButton* b : dialog->findChildren<QPushButton*>())
                if (b->isVisible())
                    buttons << b->text();
            saveScreenshot(dialog, QStringLiteral("open-dialog"));
            dialog->reject();
        });
        poll.start(20);
        frame()->onFileOpen();
        QCOMPARE(title, q8("開く"));
        QVERIFY(buttons.size() >= 2);
        for (const QString& text : buttons)
            QVERIFY2(japanese(text), qPrintable(buttons.join(u'|')));

        // The URL bar's context menu.
        std::unique_ptr<QMenu> menu(frame()->urlEdit()->createStandardContextMenu());
        for (QAction* a : menu->actions())
            QVERIFY2(a->isSeparator() || japanese(a->text()), qPrintable(a->text()));

        // An OK/Cancel question of the window.
        touch(root_ / "__tmp___" / "残り.txt");
        app_->RootFolder = root_.string();
        QStringList boxButtons;
        MessageBoxAnswerer cancel([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                boxButtons << b->text();
            MessageBoxAnswerer::press(box, QMessageBox::Cancel);
        });
        frame()->onEmptyTemporary();
        boxButtons.sort();
        QCOMPARE(boxButtons, QStringList({QStringLiteral("OK"), q8("キャンセル")}));
        QVERIFY(fs::exists(root_ / "__tmp___" / "残り.txt"));
    }

    void windowPlaceIsRemembered()
    {
        startApp();
        frame()->move(137, 91);
        frame()->resize(frame()->size() + QSize(40, 0));
        QVERIFY(QTest::qWaitFor([this] { return frame()->pos() == QPoint(137, 91); }, 2000));
        const QSize size = frame()->size();
        endApp();
        QVERIFY(stored("WindowGeometry") != "(absent)");
        startApp();
        QCOMPARE(frame()->pos(), QPoint(137, 91));
        QCOMPARE(frame()->size(), size);
    }

    void handOverSocketStaysPrivateWithoutRuntimeFolder()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray cache = qgetenv("XDG_CACHE_HOME");
        qunsetenv("XDG_RUNTIME_DIR");
        const fs::path shared = QDir::tempPath().toStdString() + "/corvan-" + std::to_string(::getuid());
        const fs::path own = fs::path(cache.toStdString()) / "corvan";
        auto socketIn = [](const fs::path& folder) { return QString::fromStdString((folder / "corvan.socket").string()); };
        auto mode = [](const fs::path& folder) {
            struct stat info {};
            return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
                       ? int(info.st_mode & 07777)
                       : -1;
        };
        fs::remove_all(shared);
        // Made for this user alone, and closed again when opened to others.
        QCOMPARE(InstanceChannel::socketPath(), socketIn(shared));
        QCOMPARE(mode(shared), 0700);
        fs::permissions(shared, fs::perms::all);
        QCOMPARE(InstanceChannel::socketPath(), socketIn(shared));
        QCOMPARE(mode(shared), 0700);
        {
            InstanceChannel channel;
            QVERIFY(channel.listen());
            QVERIFY(fs::exists(shared / "corvan.socket"));
        }
        // A link put there, or a folder of another user: never used.
        fs::remove_all(shared);
        fs::create_directory_symlink(home() / "Documents", shared);
        QCOMPARE(InstanceChannel::socketPath(), socketIn(own));
        QCOMPARE(mode(own), 0700);
        if (::getuid() == 0) {
            fs::remove(shared);
            fs::create_directory(shared);
            QCOMPARE(::chown(shared.c_str(), 65534, 65534), 0);
            QCOMPARE(InstanceChannel::socketPath(), socketIn(own));
        }
        // Nowhere safe: no hand-over, and the window says so once.
        touch(home() / "tmp" / "not-a-folder");
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((home() / "tmp" / "not-a-folder").string()));
        QVERIFY(InstanceChannel::socketPath().isEmpty());
        QVERIFY(!InstanceChannel::problem().isEmpty());
        QVERIFY(!InstanceChannel::handOver(QStringLiteral("/nowhere.gpa"), 200));
        std::ostringstream said;
        std::streambuf* before = std::cerr.rdbuf(said.rdbuf());
        app_ = std::make_unique<CAmbrivaleApp>();
        const auto started = app_->initInstance({});
        std::cerr.rdbuf(before);
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("XDG_CACHE_HOME", cache);
        fs::remove_all(shared);
        fs::remove(home() / "tmp" / "not-a-folder");
        QCOMPARE(started, CAmbrivaleApp::StartResult::Run);
        const QString text = QString::fromStdString(said.str());
        QCOMPARE(text.count(q8("ほかの corvan からファイルを受け取ることはできません")), 1);
    }

    void emptyingWithoutASaveFolder()
    {
        startApp();
        app_->RootFolder.clear();
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        frame()->onEmptyTemporary();
        QCOMPARE(answerer.texts, QStringList({q8("保存フォルダが設定されていません。")}));
    }

private:
    static std::string readAll(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

CV_SHELL_TEST_MAIN(ShellCommandsTest)
#include "ShellCommandsTest.moc"
