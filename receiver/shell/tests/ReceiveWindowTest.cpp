// Receives through the real window: the dialogs of a whole archive answered
// as a user would, the refusals while a receive runs, the end of a receive
// named on the command line, closing during a receive, and a second corvan
// handing its file to this one.

#include "ShellTestSupport.h"
#include "TestArchive.h"
#include "TrickleServer.h"

#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CAmbrivaleView.h"
#include "receiver/shell/CCheckOverWriteDlg.h"
#include "receiver/shell/CEncryption.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/CTaskInfoDlg.h"
#include "receiver/shell/CUpdateForceDlg.h"
#include "receiver/shell/CWelcomeDlg.h"
#include "receiver/shell/InstanceChannel.h"
#include "receiver/shell/QuestionMessageBox.h"

#include "receiver/engine/ReceiveTexts.h"

#include "platform/Settings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

#include <csignal>

using namespace shelltest;
namespace fs = std::filesystem;

namespace {

QString q8(const char* text) { return QString::fromUtf8(text); }

// Drags data over target and drops it there, as the desktop does.
void drop(QWidget* target, QMimeData* data)
{
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(at), enter.dropAction(), data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QVERIFY(dropped.isAccepted());
}

// Drags data over target with modifiers and drops it there; the actions the
// target chose on entering and on the drop (IgnoreAction when refused).
std::pair<Qt::DropAction, Qt::DropAction> dropWith(QWidget* target, QMimeData* data, Qt::KeyboardModifiers modifiers)
{
    const QPoint at(5, 5);
    const Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, possible, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return {Qt::IgnoreAction, Qt::IgnoreAction};
    QDragMoveEvent move(at, possible, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &move);
    QDropEvent dropped(QPointF(at), possible, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &dropped);
    return {move.isAccepted() ? move.dropAction() : Qt::IgnoreAction,
            dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction};
}

// Files of the receive's own making left in a temporary folder.
QStringList leftIn(const fs::path& folder)
{
    QStringList names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names << QString::fromStdString(e.path().filename().string());
    return names;
}

// Clicks the button of a question dialog by its label.
void click(QWidget* dialog, const char* label)
{
    QVERIFY2(dialog, label);
    QAbstractButton* b = buttonNamed(dialog, QuestionDialog::display(label));
    QVERIFY2(b, label);
    b->click();
}

// The desktop's notification service, as small as the receiver needs it:
// it notes every notice.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        QString app;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };
    QList<Notice> notices;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        notices.append({app, summary, body, actions, hints});
        return static_cast<uint>(notices.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("actions")}; }
};

} // namespace

class ReceiveWindowTest : public QObject {
    Q_OBJECT

    fs::path dir_;
    fs::path root_;
    std::unique_ptr<CAmbrivaleApp> app_;
    std::unique_ptr<RecordingOpener> opener_;

    CMainFrame* frame() const { return app_->mainFrame(); }
    CAmbrivaleDoc* doc() const { return app_->document(); }

    void startApp(const QStringList& arguments = {})
    {
        app_ = std::make_unique<CAmbrivaleApp>();
        QCOMPARE(app_->initInstance(arguments), CAmbrivaleApp::StartResult::Run);
        QVERIFY(frame()->isVisible());
    }

    bool waitIdle(int timeoutMs = 20000)
    {
        return QTest::qWaitFor([this] { return !doc()->isBusy(); }, timeoutMs);
    }

    fs::path simpleArchive(const std::string& name)
    {
        const fs::path path = dir_ / (name + ".gpa");
        ArchiveTask task{"写真", "受信\\写真", guidepost::UpdateDefault, {{"一.txt", "いち"}, {"二.txt", "に"}}};
        if (!writeArchive(path, name, {task}))
            return {};
        return path;
    }

private slots:
    void init()
    {
        dir_ = home() / QTest::currentTestFunction();
        root_ = dir_ / "root";
        fs::create_directories(dir_);
        fs::remove_all(home() / "config");
        platform::Settings settings;
        settings.setString("settings", "RootFolder", root_.string());
        settings.sync();
        opener_ = std::make_unique<RecordingOpener>();
    }

    void cleanup()
    {
        if (app_) {
            if (doc()->isBusy()) {
                doc()->cancel();
                waitIdle();
            }
            app_->exitInstance();
            app_.reset();
        }
        opener_.reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    }

    void wholeArchiveWithEveryDialogAnswered()
    {
        const std::string code = "himitsu-42";
        const fs::path archive = dir_ / "試験配布.gpa";
        QVERIFY(writeArchive(archive, "試験配布",
                             {{"写真", "受信\\写真", guidepost::UpdateForce, {{"一.txt", "いち"}, {"二.txt", "に"}}},
                              {"資料", "受信\\資料", guidepost::UpdateIfNotExist, {{"資料.txt", "新しい資料"}}},
                              {"深い", "a\\b\\c\\d\\e\\f", guidepost::UpdateDefault, {{"深.txt", "ふかい"}}}},
                             code));
        // A file that the second task finds in place.
        fs::create_directories(root_ / "受信" / "資料");
        std::ofstream(root_ / "受信" / "資料" / "資料.txt") << "古い資料";

        startApp();
        app_->i2n = true;
        app_->report.genReport = app_->report.showReport = app_->report.logging = true;
        app_->report.reportStyle = 1;
        frame()->urlEdit()->setText(QString::fromStdString(archive.string()));
        frame()->startButton()->click();
        QVERIFY(doc()->isBusy());
        CProgressDlg* progress = frame()->view()->progressDialog();
        QVERIFY(progress && progress->isVisible());
        QVERIFY(!frame()->menuBar()->isEnabled());

        // Whatever dialog comes next is answered as a user would.
        QStringList seen;
        while (doc()->isBusy()) {
            QuestionDialog* d = nullptr;
            QVERIFY(QTest::qWaitFor([&] { return (d = visibleDialog<QuestionDialog>()) || !doc()->isBusy(); }, 20000));
            if (!d)
                break;
            seen << QString::fromLatin1(d->metaObject()->className());
            if (qobject_cast<CWelcomeDlg*>(d)) {
                click(d, "タスクを確認しながら\r受信する");
            } else if (auto* c = qobject_cast<CEncryption*>(d)) {
                c->codeEdit()->setText(QString::fromStdString(code));
                click(d, "OK");
            } else if (qobject_cast<CTaskInfoDlg*>(d)) {
                click(d, "このファイルを受信する");
            } else if (auto* u = qobject_cast<CUpdateForceDlg*>(d)) {
                u->setChosen(receive::UpdateAllowItem);
                click(d, "OK");
            } else if (qobject_cast<CCheckOverWriteDlg*>(d)) {
                click(d, "このファイルを上書きします");
            } else if (qobject_cast<QuestionMessageBox*>(d)) {
                seen.last() += QStringLiteral(":") + QString::fromStdString(d->question().text).left(12);
                click(d, "OK");
            } else {
                QFAIL(qPrintable(QStringLiteral("unexpected dialog ") + seen.last()));
            }
            const QPointer<QuestionDialog> answered(d);  // it may be deleted once answered
            QVERIFY(QTest::qWaitFor([&] { return !answered || !answered->isVisible(); }, 5000));
        }
        QVERIFY(waitIdle());
        const QStringList expected = {
            "CWelcomeDlg", "CEncryption", "CTaskInfoDlg", "CUpdateForceDlg", "CTaskInfoDlg",
            "QuestionMessageBox:このガイドポストでは「補", "CCheckOverWriteDlg", "CTaskInfoDlg",
            "QuestionMessageBox:作成するフォルダの深さが"};
        if (QMessageBox* box = visibleDialog<QMessageBox>())
            qWarning() << "end message" << box->windowTitle() << box->text();
        QCOMPARE(seen, expected);

        QCOMPARE(readText(root_ / "受信" / "写真" / "一.txt"), std::string("いち"));
        QCOMPARE(readText(root_ / "受信" / "写真" / "二.txt"), std::string("に"));
        QCOMPARE(readText(root_ / "受信" / "資料" / "資料.txt"), std::string("新しい資料"));
        QCOMPARE(readText(root_ / "a/b/c/d/e/f/深.txt"), std::string("ふかい"));
        // The window is back; the report was written and handed to the desktop.
        QVERIFY(!progress->isVisible());
        QVERIFY(frame()->menuBar()->isEnabled());
        QVERIFY(QTest::qWaitFor([this] { return !opener_->opened().empty(); }, 5000));
        const std::string page = opener_->opened().front();
        QVERIFY2(page.find("_html___") != std::string::npos, page.c_str());
        QVERIFY(fs::exists(page));
        QVERIFY(fs::exists(root_ / "_html___"));
        // The receive is among the recent ones, newest first.
        QCOMPARE(app_->RecentReceiveList.count(), 1);
        frame()->afterCareMenu()->popup(frame()->pos());
        frame()->afterCareMenu()->hide();
        QCOMPARE(frame()->recentReceiveActions().size(), 1);
        QCOMPARE(frame()->recentReceiveActions().front()->text(), QStringLiteral("試験配布"));
        QVERIFY(!fs::exists(home() / "tmp") || fs::is_empty(home() / "tmp"));
    }

    void secondOpenRefusedWhileReceiving()
    {
        const fs::path first = simpleArchive("一番目");
        const fs::path second = simpleArchive("二番目");
        startApp();
        QVERIFY(frame()->openGuidePost(QString::fromStdString(first.string())));
        CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);

        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        // Every way in is refused while the first receive waits for its answer.
        QVERIFY(!frame()->openGuidePost(QString::fromStdString(second.string())));
        QCOMPARE(doc()->onOpenDocument(QString::fromStdString(second.string())), CAmbrivaleDoc::OpenResult::Refused);
        app_->openDocumentFile(QString::fromStdString(second.string()));
        frame()->urlEdit()->setText(QString::fromStdString(second.string()));
        frame()->onStart();
        QCOMPARE(answerer.texts,
                 QStringList({q8("まだプロセスが停止していません。もうしばらくお待ちください。"),
                              q8("まだプロセスが停止していません。もうしばらくお待ちください。"),
                              q8("まず、処理を中止してください。")}));
        QCOMPARE(answerer.captions, QStringList({q8("注意"), q8("注意"), q8("注意")}));
        // The first receive is undisturbed.
        QCOMPARE(doc()->pathName(), QString::fromStdString(first.string()));
        click(welcome, "ファイルを受信する");
        QVERIFY(waitIdle());
        QVERIFY(fs::exists(root_ / "受信" / "写真" / "一.txt"));

        // Idle again: the next one is taken.
        QVERIFY(frame()->openGuidePost(QString::fromStdString(second.string())));
        welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        click(welcome, "ファイルを受信しない");
        QVERIFY(waitIdle());
    }

    void dropsOpenGuidePosts()
    {
        const fs::path archive = simpleArchive("ドロップ");
        startApp();
        // Text (a path or an address) dropped on the view.
        QMimeData text;
        text.setText(QString::fromStdString(archive.string()));
        drop(frame()->view(), &text);
        CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        QCOMPARE(doc()->pathName(), QString::fromStdString(archive.string()));
        click(welcome, "ファイルを受信しない");
        QVERIFY(waitIdle());
        QVERIFY(app_->recentFiles().isEmpty());

        // A file dropped on the window: opened as the open-file dialog does.
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QString::fromStdString(archive.string()))});
        drop(frame(), &files);
        welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        QCOMPARE(app_->recentFiles(), QStringList({QString::fromStdString(archive.string())}));
        click(welcome, "ファイルを受信しない");
        QVERIFY(waitIdle());
        // The recent-file menu lists it and opens it again.
        frame()->fileMenu()->popup(frame()->pos());
        frame()->fileMenu()->hide();
        QCOMPARE(frame()->recentFileActions().size(), 1);
        frame()->recentFileActions().front()->trigger();
        welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        click(welcome, "ファイルを受信しない");
        QVERIFY(waitIdle());
    }

    void commandLineDocumentClosesWhenDrained()
    {
        const fs::path archive = simpleArchive("コマンドライン");
        platform::Settings settings;
        settings.setBool("settings", "Logging", true);
        settings.sync();
        startApp({QString::fromStdString(archive.string())});
        // Recorded during start-up, received once the window is shown.
        QCOMPARE(app_->PendingDocument, doc());
        CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        QVERIFY(frame()->isVisible());
        click(welcome, "ファイルを受信する");
        QVERIFY(QTest::qWaitFor([this] { return !frame()->isVisible(); }, 20000));
        QVERIFY(!doc()->isBusy());
        QCOMPARE(readText(root_ / "受信" / "写真" / "二.txt"), std::string("に"));
        // Every event was written before the window went: the log has both files.
        const std::string log = readText(root_ / "_html___" / "Log00.htm");
        QVERIFY(!log.empty());
        // Opened as a double-click opens it: it is among the recent files,
        // also once the program has ended.
        QCOMPARE(app_->recentFiles(), QStringList({QString::fromStdString(archive.string())}));
        app_->exitInstance();
        QCOMPARE(settings.getString("Recent File List", "File1"), archive.string());
    }

    void closingDuringReceiveAsksFirst()
    {
        const fs::path archive = simpleArchive("閉じる");
        startApp();
        QVERIFY(frame()->openGuidePost(QString::fromStdString(archive.string())));
        QVERIFY(waitForDialog<CWelcomeDlg>());
        {
            MessageBoxAnswerer cancel([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Cancel); });
            frame()->close();
            QCOMPARE(cancel.texts, QStringList({q8("処理を強制終了します")}));
        }
        QVERIFY(frame()->isVisible());
        QVERIFY(doc()->isBusy());
        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        frame()->close();
        QCOMPARE(ok.texts.size(), 1);
        // The question goes with the receive, and then the window.
        QVERIFY(waitIdle());
        QVERIFY(!visibleDialog<CWelcomeDlg>());
        QVERIFY(!frame()->isVisible());
        QVERIFY(!fs::exists(root_ / "受信" / "写真" / "一.txt"));
    }

    void stopButtonEndsTheReceiveAsCancelled()
    {
        const fs::path archive = simpleArchive("中止");
        fs::create_directories(root_ / "受信" / "写真");
        std::ofstream(root_ / "受信" / "写真" / "一.txt") << "前からある";
        startApp();
        QVERIFY(frame()->openGuidePost(QString::fromStdString(archive.string())));
        click(waitForDialog<CWelcomeDlg>(), "ファイルを受信する");
        // The overwrite question waits; 中止 answers it and stops.
        QVERIFY(waitForDialog<CCheckOverWriteDlg>());
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        CProgressDlg* progress = frame()->view()->progressDialog();
        progress->stopButton()->click();
        QCOMPARE(progress->statusText(), q8("プロセスが終了するまでお待ちください。"));
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return !answerer.texts.isEmpty(); }, 5000));
        QCOMPARE(answerer.captions.front(), q8("エラー"));
        QCOMPARE(answerer.texts.front(), q8("ユーザが中止しました"));
        QCOMPARE(readText(root_ / "受信" / "写真" / "一.txt"), std::string("前からある"));
        QVERIFY(!visibleDialog<CCheckOverWriteDlg>());
    }

    void endMessages()
    {
        // Nothing received: an end, shown as a warning under 受信終了.
        const fs::path archive = dir_ / "補充.gpa";
        QVERIFY(writeArchive(archive, "補充", {{"補充", "受信", guidepost::UpdateIfNotExist, {{"有.txt", "x"}}}}));
        fs::create_directories(root_ / "受信");
        std::ofstream(root_ / "受信" / "有.txt") << "ある";
        startApp();
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        QVERIFY(frame()->openGuidePost(QString::fromStdString(archive.string())));
        click(waitForDialog<CWelcomeDlg>(), "ファイルを受信する");
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 1; }, 5000));
        QCOMPARE(answerer.captions.back(), q8("受信終了"));
        QCOMPARE(answerer.texts.back(), q8("受信したファイルは一つもありませんでした"));

        // スタート with nothing in the URL bar: the source is refused, then
        // the error of the file that cannot be made.
        frame()->urlEdit()->clear();
        frame()->startButton()->click();
        QuestionMessageBox* notice = waitForDialog<QuestionMessageBox>();
        QVERIFY(notice);
        QCOMPARE(notice->windowTitle(), q8("エラー"));
        QCOMPARE(QString::fromStdString(notice->question().text), q8("ファイル、URLの指定が正しくありません"));
        click(notice, "OK");
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 2; }, 5000));
        QCOMPARE(answerer.captions.back(), q8("エラー"));
        QCOMPARE(answerer.texts.back(), q8("ファイルの作成に失敗しました"));

        // A source that is not there: an error.
        QVERIFY(frame()->openGuidePost(QString::fromStdString((dir_ / "ない.gpa").string())));
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return answerer.texts.size() == 3; }, 5000));
        QCOMPARE(answerer.captions.back(), q8("エラー"));
    }

    void closingDuringReceiveEndsTheProgram()
    {
        // A GuidePost that trickles in for ever, named on the command line.
        TrickleServer server;
        startApp({server.url(QStringLiteral("slow.gpa"))});
        app_->i2n = true;  // a setting changed in this run
        QVERIFY(QTest::qWaitFor([&] { return server.requests() == 1; }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return !leftIn(home() / "tmp").isEmpty(); }, 10000));
        QVERIFY(frame()->view()->progressDialog()->isVisible());

        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        QTimer::singleShot(0, frame(), [this] { frame()->close(); });
        // The program's event loop ends (main() then writes the settings and
        // lets the receive go); a guard ends it when it would hang.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(15000);
        QElapsedTimer clock;
        clock.start();
        const int status = QApplication::exec();
        guard.stop();
        QCOMPARE(ok.texts, QStringList({q8("処理を強制終了します")}));
        QVERIFY2(status != 99, "the program did not end");
        QVERIFY(!frame()->isVisible());
        QVERIFY(!frame()->view()->progressDialog()->isVisible());
        // Nothing is handed to the going program any more.
        QVERIFY(!InstanceChannel::handOver(QStringLiteral("/nowhere.gpa"), 500));
        app_->exitInstance();
        app_.reset();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(leftIn(home() / "tmp").isEmpty(), qPrintable(leftIn(home() / "tmp").join(u' ')));
        QCOMPARE(platform::Settings().getString("settings", "i2n"), std::string("yes"));
    }

    void filesDroppedAreCopiedTextMayBeMoved()
    {
        const fs::path archive = simpleArchive("コピー");
        startApp();
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(archive.string()));
        // A file, on the picture and on the window: always a copy, and it
        // enters the recent files as an opened file does.
        for (QWidget* target : {static_cast<QWidget*>(frame()->view()), static_cast<QWidget*>(frame())}) {
            for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::NoModifier),
                                                    Qt::KeyboardModifiers(Qt::ControlModifier)}) {
                QMimeData file;
                file.setUrls({url});
                file.setText(url.toString());
                const auto [moved, dropped] = dropWith(target, &file, modifiers);
                QCOMPARE(moved, Qt::CopyAction);
                QCOMPARE(dropped, Qt::CopyAction);
                CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
                QVERIFY(welcome);
                click(welcome, "ファイルを受信しない");
                QVERIFY(waitIdle());
            }
        }
        QCOMPARE(app_->recentFiles(), QStringList({QString::fromStdString(archive.string())}));
        // Text is moved unless Ctrl is held.
        for (auto [modifiers, expected] : {std::pair{Qt::KeyboardModifiers(Qt::NoModifier), Qt::MoveAction},
                                           std::pair{Qt::KeyboardModifiers(Qt::ControlModifier), Qt::CopyAction}}) {
            QMimeData text;
            text.setText(QString::fromStdString(archive.string()));
            const auto [moved, dropped] = dropWith(frame()->view(), &text, modifiers);
            QCOMPARE(moved, expected);
            QCOMPARE(dropped, expected);
            CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
            QVERIFY(welcome);
            click(welcome, "ファイルを受信しない");
            QVERIFY(waitIdle());
        }
    }

    void progressDialogStandsOverTheWindowAndKeepsEsc()
    {
        TrickleServer server;
        startApp();
        frame()->move(420, 260);
        QVERIFY(QTest::qWaitFor([this] { return frame()->pos() == QPoint(420, 260); }, 2000));
        QVERIFY(frame()->openGuidePost(server.url(QStringLiteral("slow.gpa"))));
        CProgressDlg* progress = frame()->view()->progressDialog();
        QVERIFY(progress->isVisible());
        auto centred = [&] {
            return (progress->frameGeometry().center() - frame()->frameGeometry().center()).manhattanLength() <= 2;
        };
        QVERIFY(centred());
        // The window manager places the window after the dialog has shown:
        // the dialog goes with it until the user moves it.
        frame()->move(60, 40);
        QVERIFY(QTest::qWaitFor(centred, 2000));
        progress->move(progress->pos() + QPoint(30, 0));
        frame()->move(100, 80);
        QTest::qWait(100);
        QVERIFY(!centred());

        // A message box over the greyed window: afterwards Esc still
        // reaches 中止.
        {
            MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
            QVERIFY(!frame()->openGuidePost(QString::fromStdString(simpleArchive("二つ目").string())));
            QCOMPARE(ok.texts.size(), 1);
        }
        // The window manager gives the keyboard back to the box's owner.
        frame()->activateWindow();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == progress; }, 3000));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : progress, Qt::Key_Escape);
        QVERIFY(doc()->stopRequested() || !doc()->isBusy());
        QVERIFY(waitIdle());
    }

    void terminationSignalsEndTheProgramAsExitDoes()
    {
        const QString corvan = QStringLiteral(CV_BIN_DIR "/corvan");
        TrickleServer server;
        struct Run {
            int signal;
            bool receiving;
        };
        for (const Run run : {Run{SIGTERM, false}, Run{SIGINT, false}, Run{SIGHUP, false}, Run{SIGTERM, true}}) {
            const QString name = QStringLiteral("signal%1%2").arg(run.signal).arg(run.receiving ? "r" : "");
            const fs::path own = dir_ / name.toStdString();
            for (const char* sub : {"config", "runtime", "tmp", "cache"})
                fs::create_directories(own / sub);
            fs::permissions(own / "runtime", fs::perms::owner_all, fs::perm_options::replace);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), QString::fromStdString(own.string()));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((own / "config").string()));
            env.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString((own / "cache").string()));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((own / "runtime").string()));
            env.insert(QStringLiteral("TMPDIR"), QString::fromStdString((own / "tmp").string()));
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
            QProcess program;
            program.setProcessEnvironment(env);
            const int before = server.requests();
            program.start(corvan, run.receiving ? QStringList{server.url(QStringLiteral("slow.gpa"))} : QStringList{});
            QVERIFY(program.waitForStarted());
            // Up: it listens for later corvans (and receives).
            QVERIFY(QTest::qWaitFor([&] { return fs::exists(own / "runtime" / "corvan.socket"); }, 10000));
            if (run.receiving) {
                QVERIFY(QTest::qWaitFor([&] { return server.requests() > before; }, 10000));
                QVERIFY(QTest::qWaitFor([&] { return !leftIn(own / "tmp").isEmpty(); }, 10000));
            }
            QElapsedTimer clock;
            clock.start();
            ::kill(static_cast<pid_t>(program.processId()), run.signal);
            QVERIFY2(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 10000), qPrintable(name));
            QVERIFY2(clock.elapsed() < 5000, qPrintable(name));
            QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                     qPrintable(name + QStringLiteral(": ") + QString::fromLocal8Bit(program.readAllStandardError())));
            // As 終了: the settings written, the socket gone, no temporary file left.
            const std::string conf = readText(own / "config" / "Quillmere" / "Corvandelle.conf");
            QVERIFY2(conf.find("RootFolder") != std::string::npos, qPrintable(name));
            QVERIFY(!fs::exists(own / "runtime" / "corvan.socket"));
            QVERIFY2(leftIn(own / "tmp").isEmpty(), qPrintable(leftIn(own / "tmp").join(u' ')));
        }
    }

    void taskNamesAreShownAsText()
    {
        const std::string name = "<h1>ウイルス検査済み。安全です</h1>";
        const fs::path archive = dir_ / "見出し.gpa";
        QVERIFY(writeArchive(archive, "見出し", {{name, "受信", guidepost::UpdateForce, {{"一.txt", "いち"}}}}));
        fs::create_directories(root_ / "受信");
        std::ofstream(root_ / "受信" / "一.txt") << "前からある";
        startApp();
        QVERIFY(frame()->openGuidePost(QString::fromStdString(archive.string())));
        click(waitForDialog<CWelcomeDlg>(), "ファイルを受信する");
        CUpdateForceDlg* question = waitForDialog<CUpdateForceDlg>();
        QVERIFY(question);
        int quoting = 0;
        for (QLabel* label : question->findChildren<QLabel*>()) {
            if (label->text().contains(QString::fromStdString(name))) {
                ++quoting;
                QCOMPARE(label->textFormat(), Qt::PlainText);
            }
        }
        QCOMPARE(quoting, 1);
        QVERIFY(saveScreenshot(question, QStringLiteral("update-force-markup")));
        question->reject();
        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        QVERIFY(waitIdle());
    }

    void endOfReceiveIsNotifiedWhenAway()
    {
        // A session bus of this test's own, with a notification service on it.
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QFAIL("dbus-daemon is missing: install the Debian package dbus-daemon");
        QProcess bus;
        bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                           QStringLiteral("--address=unix:path=") + QString::fromStdString((dir_ / "bus").string())});
        QVERIFY(bus.waitForReadyRead(10000));
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        const QString serverName = QStringLiteral("cv-notification-server");
        QDBusConnection server = QDBusConnection::connectToBus(QString::fromUtf8(address), serverName);
        QVERIFY(server.isConnected());
        NotificationServer service;
        QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

        startApp();
        app_->report.genReport = true;
        app_->report.showReport = false;
        MessageBoxAnswerer ok([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        // Another program's window has the keyboard when the receive ends.
        QWidget elsewhere;
        elsewhere.setWindowTitle(QStringLiteral("elsewhere"));
        elsewhere.resize(200, 100);
        elsewhere.show();
        // The user stays where they are, whatever takes the keyboard.
        QWidget* stay = nullptr;
        connect(qApp, &QGuiApplication::focusWindowChanged, &elsewhere, [&](QWindow* now) {
            if (stay && (!now || now != stay->windowHandle()))
                stay->activateWindow();
        });
        QSignalSpy finished(frame()->view(), &CAmbrivaleView::receiveFinished);
        int receives = 0;
        auto receive = [&](QWidget* active) {
            // Each into a folder of its own: nothing to ask about. A file of
            // some size gives the keyboard time to settle before the end.
            const std::string name = "通知" + std::to_string(++receives);
            const fs::path archive = dir_ / (name + ".gpa");
            QVERIFY(writeArchive(archive, name,
                                 {{"写真", "受信\\" + name, guidepost::UpdateDefault,
                                   {{"一.txt", "いち"}, {"二.txt", "に"}, {"大.bin", std::string(4 << 20, 'x')}}}}));
            QVERIFY(frame()->openGuidePost(QString::fromStdString(archive.string())));
            click(waitForDialog<CWelcomeDlg>(), "ファイルを受信する");
            stay = active;
            active->activateWindow();
            QVERIFY(waitIdle());
            QVERIFY(QTest::qWaitFor([&] { return finished.size() == receives + (receives > 2 ? 1 : 0); }, 5000));
            stay = nullptr;
        };
        receive(&elsewhere);
        QVERIFY(QTest::qWaitFor([&] { return service.notices.size() == 1; }, 5000));
        const auto notice = service.notices.front();
        QCOMPARE(notice.app, QStringLiteral("Corvandelle"));
        QCOMPARE(notice.summary, q8("ファイルの受信が終わりました"));
        QVERIFY2(notice.body.startsWith(q8("3 個のファイルを受信しました")), qPrintable(notice.body));
        QCOMPARE(notice.hints.value(QStringLiteral("category")).toString(), QStringLiteral("transfer.complete"));
        QCOMPARE(notice.actions, QStringList({QStringLiteral("default"), q8("レポートを開く")}));
        // Its action opens the report.
        const std::size_t opened = opener_->opened().size();
        QDBusMessage invoked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                          QStringLiteral("org.freedesktop.Notifications"),
                                                          QStringLiteral("ActionInvoked"));
        invoked << uint(1) << QStringLiteral("default");
        QVERIFY(server.send(invoked));
        QVERIFY(QTest::qWaitFor([&] { return opener_->opened().size() > opened; }, 5000));
        const std::string page = opener_->opened().back();
        QVERIFY2(page.find("_html___") != std::string::npos && fs::exists(page), page.c_str());

        // Seen in the window itself: no notice.
        receive(frame()->view()->progressDialog());
        QTest::qWait(300);
        QCOMPARE(service.notices.size(), 1);

        // A receive that stops is told as an error.
        TrickleServer trickle;
        QVERIFY(frame()->openGuidePost(trickle.url(QStringLiteral("slow.gpa"))));
        stay = &elsewhere;
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitFor([&] { return trickle.requests() == 1; }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &elsewhere; }, 3000));
        doc()->cancel();
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return service.notices.size() == 2; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return finished.size() == 3; }, 5000));
        stay = nullptr;
        QCOMPARE(service.notices.back().hints.value(QStringLiteral("category")).toString(),
                 QStringLiteral("transfer.error"));

        // No service on the bus, then no bus at all: the receive ends as ever.
        QVERIFY(server.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        receive(&elsewhere);
        QDBusConnection::disconnectFromBus(serverName);
        bus.terminate();
        bus.waitForFinished(5000);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        receive(&elsewhere);
        QCOMPARE(service.notices.size(), 2);
        QVERIFY(fs::exists(root_ / "受信" / "通知4" / "一.txt"));
    }

    void secondCorvanHandsItsFileOver()
    {
        const fs::path archive = simpleArchive("二つ目のcorvan");
        startApp();
        auto runCorvan = [](const fs::path& file) {
            QProcess corvan;
            corvan.start(QStringLiteral(CV_BIN_DIR "/corvan"), {QString::fromStdString(file.string())});
            // This window answers the other one: keep its events flowing.
            if (!QTest::qWaitFor([&] { return corvan.state() == QProcess::NotRunning; }, 20000))
                return -2;  // still running: no answer came
            return corvan.exitStatus() == QProcess::NormalExit ? corvan.exitCode() : -1;
        };
        QCOMPARE(runCorvan(archive), 0);
        CWelcomeDlg* welcome = waitForDialog<CWelcomeDlg>();
        QVERIFY(welcome);
        QCOMPARE(doc()->pathName(), QString::fromStdString(archive.string()));
        QCOMPARE(app_->recentFiles().value(0), QString::fromStdString(archive.string()));

        // While that receive runs, the next one handed over is refused here.
        MessageBoxAnswerer answerer([](QMessageBox* box) { MessageBoxAnswerer::press(box, QMessageBox::Ok); });
        QCOMPARE(runCorvan(simpleArchive("三つ目")), 0);
        QVERIFY(QTest::qWaitFor([&] { return !answerer.texts.isEmpty(); }, 5000));
        QCOMPARE(answerer.texts.front(), q8("まだプロセスが停止していません。もうしばらくお待ちください。"));
        click(welcome, "ファイルを受信しない");
        QVERIFY(waitIdle());
    }
};

CV_SHELL_TEST_MAIN(ReceiveWindowTest)
#include "ReceiveWindowTest.moc"
