// Receives through the real window: the dialogs of a whole archive answered
// as a user would, the refusals while a receive runs, the end of a receive
// named on the command line, closing during a receive, and a second corvan
// handing its file to this one.

#include "ShellTestSupport.h"
#include "TestArchive.h"

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

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <memory>

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

// Clicks the button of a question dialog by its label.
void click(QWidget* dialog, const char* label)
{
    QVERIFY2(dialog, label);
    QAbstractButton* b = buttonNamed(dialog, QuestionDialog::display(label));
    QVERIFY2(b, label);
    b->click();
}

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
