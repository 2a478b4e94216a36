// Renders the main dialog and every dialog of the program, with pictures
// loaded, to build/screenshots/ (the rename, settings, style and version
// boxes are rendered by the tests that drive them), and checks on the way
// that each has an access key on every button.

#include "album/window/tests/WindowTestSupport.h"

#include "album/testsupport/TestAvi.h"
#include "album/window/PendingQueue.h"
#include "album/window/ProgressDialog.h"
#include "album/window/VoiceDialog.h"
#include "styles/dialog/tests/AccessKeys.h"

#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

using namespace glimmoratest;

namespace {

// The player draws into a window of its own, which grab() leaves black:
// its latest frame is painted where that window lies.
bool saveWithVideoFrame(QWidget* dialog, const std::string& name)
{
    auto* view = dialog->findChild<QVideoWidget*>(QStringLiteral("videoView"));
    if (!view || !waitUntil([view] { return view->videoSink()->videoFrame().isValid(); }, 5000))
        return false;
    QPixmap shot = dialog->grab();
    const QImage frame = view->videoSink()->videoFrame().toImage();
    const QRect area(view->mapTo(dialog, QPoint(0, 0)), view->size());
    QRect target(QPoint(0, 0), frame.size().scaled(area.size(), Qt::KeepAspectRatio));
    target.moveCenter(area.center());
    QPainter painter(&shot);
    painter.fillRect(area, Qt::black);
    painter.drawImage(target, frame);
    painter.end();
    return shot.save(QStringLiteral(CV_SCREENSHOT_DIR "/") + QString::fromStdString(name) + QStringLiteral(".png"));
}

} // namespace

TEST_F(GlimmoraWindowTest, RendersEveryWindow)
{
    open();
    widgettest::saveScreenshot(dialog.get(), "glimmora-main-empty");
    EXPECT_EQ(widgettest::accessKeyProblems(dialog.get()), "");
    // Alt and the key press the button, as on every desktop.
    QTest::keyClick(dialog.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([&] { return dialog->assistant().step() == 1; }, 2000));

    const std::string video = (sources() / "運動会リレー.avi").string();
    albumtest::writeMjpegAvi(video, 320, 240, 20, 10);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("かけっこ.jpg", 1200, 900)),
                      QString::fromStdString(picture("玉入れ.jpg", 900, 1200)), QString::fromStdString(video)});

    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->titleField()->setText(QStringLiteral("かけっこ"));
    item->commentField()->setPlainText(QStringLiteral("一等賞でした！\nみんなの応援のおかげです。"));
    widgettest::saveScreenshot(item, "glimmora-picture-dialog");
    widgettest::saveScreenshot(dialog->queue()->progressDialog(), "glimmora-progress-dialog");
    EXPECT_EQ(widgettest::accessKeyProblems(item), "");
    EXPECT_EQ(widgettest::accessKeyProblems(dialog->queue()->progressDialog()), "");
    item->voiceButton()->click();
    glimmora::VoiceDialog* voice = dialog->voiceDialog();
    widgettest::saveScreenshot(voice, "glimmora-voice-dialog");
    EXPECT_EQ(widgettest::accessKeyProblems(voice), "");
    child<QPushButton>(voice, "recordButton")->click();
    ASSERT_TRUE(waitUntil([&] { return voice->recorder().state() == album::VoiceRecorder::State::Idle; }));
    widgettest::saveScreenshot(voice, "glimmora-voice-dialog-recorded");
    child<QPushButton>(voice, "keepButton")->click();
    widgettest::saveScreenshot(item, "glimmora-picture-dialog-with-voice");
    item->acceptButton()->click();

    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->titleField()->setText(QStringLiteral("玉入れ"));
    item->acceptButton()->click();

    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->titleField()->setText(QStringLiteral("リレー"));
    waitUntil([&] { return item->item()->width > 0; }, 5000);
    QTest::qWait(300);
    EXPECT_TRUE(saveWithVideoFrame(item, "glimmora-video-dialog"));
    EXPECT_EQ(widgettest::accessKeyProblems(item), "");
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));

    child<QLineEdit>(dialog.get(), "titleField")->setText(QStringLiteral("運動会"));
    for (int i = 0; i < 3; ++i)
        child<QPushButton>(dialog.get(), "nextButton")->click();
    widgettest::saveScreenshot(dialog.get(), "glimmora-main-with-items");

    widgettest::ModalAnswerer answers({QMessageBox::Cancel}, {"glimmora-exit-question"});
    child<QPushButton>(dialog.get(), "exitButton")->click();
    ASSERT_EQ(answers.seen().size(), 1u);
}
