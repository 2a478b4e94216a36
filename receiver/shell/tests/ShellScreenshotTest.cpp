// Pictures of the main window and of every dialog, under build/screenshots/,
// so that anyone can look at them; each picture is also checked for clipped
// text (every label and button gets at least the room its text needs).

#include "ShellTestSupport.h"

#include "receiver/shell/CAboutDlg.h"
#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleView.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/CProgressDlg.h"
#include "receiver/shell/CSetProxyDlg.h"
#include "receiver/shell/QuestionAsker.h"
#include "receiver/shell/QuestionDialog.h"
#include "receiver/shell/SplashPicture.h"

#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveSnapshot.h"

#include "platform/ProductInfo.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <memory>

using namespace receive;

namespace {

// Labels and buttons whose text does not fit: none in a readable window.
QStringList clipped(QWidget* window)
{
    QStringList found;
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisible() || l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull())
            continue;
        if (l->width() < l->minimumSizeHint().width() || l->height() < l->minimumSizeHint().height())
            found << l->text();
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->isVisible() && !b->text().isEmpty() && (b->width() < b->minimumSizeHint().width() || b->height() < b->minimumSizeHint().height()))
            found << b->text();
    }
    return found;
}

void picture(QWidget* window, const QString& name)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY2(shelltest::saveScreenshot(window, name), qPrintable(name));
    const QStringList cut = clipped(window);
    QVERIFY2(cut.isEmpty(), qPrintable(name + QStringLiteral(": ") + cut.join(QStringLiteral(", "))));
}

// Share of the pixels of two pictures of one size that differ visibly.
double differing(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                    + std::abs(qBlue(p[col]) - qBlue(q[col]))
                > 24)
                ++count;
        }
    }
    return double(count) / (double(x.width()) * x.height());
}

} // namespace

class ShellScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowAndMenus()
    {
        CAmbrivaleApp app;
        QCOMPARE(app.initInstance({}), CAmbrivaleApp::StartResult::Run);
        CMainFrame* frame = app.mainFrame();
        QVERIFY(frame->isVisible());
        frame->urlEdit()->setText(QStringLiteral("https://www.example.com/運動会の写真.gpa"));
        picture(frame, QStringLiteral("main-window"));
        // Each menu, opened below its title.
        int n = 0;
        for (QAction* title : frame->menuBar()->actions()) {
            QMenu* menu = title->menu();
            frame->updateCommandUI();
            menu->popup(frame->mapToGlobal(frame->menuBar()->actionGeometry(title).bottomLeft()));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QVERIFY(shelltest::saveScreenshot(menu, QStringLiteral("menu-%1").arg(++n)));
            menu->hide();
        }
        // The report settings, with report creation on so nothing is greyed.
        app.report.genReport = app.report.showReport = true;
        for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>()) {
            if (menu->title() != QStringLiteral("受信レポート(&R)"))
                continue;
            frame->updateCommandUI();
            menu->popup(frame->mapToGlobal(QPoint(40, 40)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QVERIFY(shelltest::saveScreenshot(menu, QStringLiteral("menu-report-settings")));
            menu->hide();
        }
        app.exitInstance();
    }

    void progressDialog()
    {
        CProgressDlg dialog;
        ReceiveSnapshot s;
        s.statusText = "サーバーからの受信を開始しました";
        s.taskName = "運動会の写真";
        s.sourceName = "学校のサーバー";
        s.fileListName = "一年生の写真";
        s.tasksDone = 1, s.taskTotal = 2;
        s.sourcesDone = 0, s.sourceTotal = 1;
        s.fileListsDone = 2, s.fileListTotal = 6;
        s.filesDone = 14, s.fileTotal = 120;
        s.fileSize = 3'145'728;
        s.fileReceived = 1'048'576;
        dialog.showSnapshot(s);
        QCOMPARE(dialog.byteText(), QStringLiteral("1048576/3145728 バイト受信済みです"));
        picture(&dialog, QStringLiteral("progress"));
        dialog.reset();
        QCOMPARE(dialog.byteText(), QStringLiteral("受信待機中"));
    }

    void questionDialogs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        const char* names[] = {"welcome", "task-confirm", "server-confirm", "update-force", "update-up2date",
                               "ifnotexist", "overwrite", "folder-depth", "cipher-code", "password",
                               "id-and-password", "try-certification", "not-certified", "certified", "notice"};
        int i = 0;
        for (const char* name : names) {
            QTest::newRow(name) << QString::fromLatin1(name) << i;
            ++i;
        }
    }

    void questionDialogs()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        const Question questions[] = {
            Questions::welcome("青葉小学校 写真係", "2024/10/14", "第1版",
                               "写真は学年ごとのフォルダに分けてあります。\r\n気に入った写真は「お気に入り」からどうぞ。"),
            Questions::taskConfirm("運動会の写真"),
            Questions::serverConfirm("photos.example.com", 0, "80", "shashin"),
            Questions::updateForce(PolicyLevel::Task, "運動会の写真"),
            Questions::updateUp2Date(PolicyLevel::FileList, "一年生の写真"),
            Questions::ifNotExist(),
            Questions::overwrite("/home/user/Documents/Corvan/運動会/写真/校庭.png"),
            Questions::folderDepth(5),
            Questions::cipherCode(),
            Questions::password("ftp.example.com", "shashin", "FTP", false),
            Questions::idAndPassword("http://www.example.com/members/index.htm"),
            Questions::tryCertification("http://cert.example.com/guidepost/"),
            Questions::notCertified("原因は不明です。ガイドポストの改変、配布元のサポート終了などが原因の場合があります。",
                                    "http://cert.example.com/guidepost/"),
            Questions::certified("/home/user/Documents/Corvan/certified/cert.example.com=guidepost",
                                 "http://cert.example.com/guidepost/"),
            Questions::notice("Corvandelle",
                              "最大フォルダオープン数に達したので、これ以上フォルダをオープンできません。\r受信処理は続けます。",
                              QuestionIcon::Stop),
        };
        const Question& q = questions[index];
        std::unique_ptr<QuestionDialog> dialog(QuestionAsker::create(q, nullptr));
        QCOMPARE(dialog->windowTitle(), QString::fromStdString(q.caption));
        // Every answer the question offers has its button (or choice).
        for (const std::string& label : q.buttons)
            QVERIFY2(shelltest::buttonNamed(dialog.get(), QuestionDialog::display(label)),
                     label.c_str());
        picture(dialog.get(), name);
    }

    void splashDrawnAtTheDevicePixelRatio()
    {
        CAmbrivaleApp app;
        QCOMPARE(app.initInstance({}), CAmbrivaleApp::StartResult::Run);
        CAmbrivaleView* view = app.mainFrame()->view();
        const QSize size = SplashPicture::size();
        const QString version = QString::fromUtf8(product::version);
        const QPixmap sharp = SplashPicture::draw(version, 2.0);
        QCOMPARE(sharp.size(), size * 2);
        QCOMPARE(sharp.deviceIndependentSize().toSize(), size);
        // The view on a screen of scale 2 shows the picture drawn for it,
        // not the picture of scale 1 blown up.
        QImage shown(size * 2, QImage::Format_ARGB32_Premultiplied);
        shown.setDevicePixelRatio(2.0);
        shown.fill(Qt::black);
        view->render(&shown, QPoint(), QRegion(QRect(QPoint(), size)));
        QVERIFY(shown.save(shelltest::screenshotFolder() + QStringLiteral("/corvan-splash-scale2.png")));
        QVERIFY2(differing(shown, sharp.toImage()) < 0.001, qPrintable(QString::number(differing(shown, sharp.toImage()))));
        const QImage blownUp = SplashPicture::draw(version, 1.0).toImage().scaled(size * 2, Qt::IgnoreAspectRatio,
                                                                                  Qt::SmoothTransformation);
        QVERIFY2(differing(blownUp, sharp.toImage()) > 0.005, qPrintable(QString::number(differing(blownUp, sharp.toImage()))));
        // And at scale 1 again, as before.
        QImage plain(size, QImage::Format_ARGB32_Premultiplied);
        plain.fill(Qt::black);
        view->render(&plain, QPoint(), QRegion(QRect(QPoint(), size)));
        QVERIFY(differing(plain, SplashPicture::draw(version, 1.0).toImage()) < 0.001);
        app.exitInstance();
    }

    void proxyAndAboutDialogs()
    {
        ProxySettings proxies;
        proxies.http = {true, "proxy.example.com", "user", "secret", 8080};
        CSetProxyDlg proxy(proxies);
        picture(&proxy, QStringLiteral("proxy"));
        CAboutDlg about(QStringLiteral("1.0.5"));
        picture(&about, QStringLiteral("about"));
    }
};

CV_SHELL_TEST_MAIN(ShellScreenshotTest)
#include "ShellScreenshotTest.moc"
