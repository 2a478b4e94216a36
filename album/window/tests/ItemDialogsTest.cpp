// The item dialogs and the list's commands: a video shown in the player
// with the size it reports, phone videos (MP4, MOV, WebM) and one the
// system cannot play, "編集" with OK and キャンセル, the voice
// dialog's questions and a machine without a sound device, "上へ", "下へ"
// and "削除"; the picture dialog on a small screen, and the main window's
// place kept for the next run.

#include "album/window/tests/WindowTestSupport.h"
#include "album/window/tests/TestMovies.h"

#include "album/core/VoiceFile.h"
#include "album/testsupport/TestAvi.h"
#include "album/window/ItemList.h"
#include "album/window/PictureDialog.h"
#include "album/window/VideoDialog.h"
#include "album/window/VoiceDialog.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVideoFrame>
#include <QVideoSink>

using namespace glimmoratest;

namespace {

class ItemDialogsTest : public GlimmoraWindowTest {
protected:
    void SetUp() override { open(); }

    void addAccepted(const std::vector<std::string>& paths)
    {
        QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
        QStringList list;
        for (const std::string& p : paths)
            list << QString::fromStdString(p);
        dialog->addPaths(list);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            glimmora::ItemDialog* item = nextItemDialog(opened);
            ASSERT_NE(item, nullptr);
            item->titleField()->setText(QString::fromStdString(fs::path(paths[i]).stem().string()));
            item->acceptButton()->click();
        }
        ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    }
    void select(int row) { dialog->itemList()->setCurrentItem(dialog->itemList()->topLevelItem(row)); }
    void click(const char* name) { child<QPushButton>(dialog.get(), name)->click(); }
};

} // namespace

TEST_F(ItemDialogsTest, AVideoPlaysAndTakesTheSizeThePlayerReports)
{
    const std::string video = (sources() / "リレー.avi").string();
    albumtest::writeMjpegAvi(video, 320, 240, 10, 10);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(video)});
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    auto* videoDialog = qobject_cast<glimmora::VideoDialog*>(item);
    ASSERT_NE(videoDialog, nullptr);
    EXPECT_EQ(item->windowTitle(), QStringLiteral("ビデオ"));
    EXPECT_EQ(item->acceptButton()->text(), QStringLiteral("このビデオを写真集に含める(&Y)"));
    ASSERT_TRUE(waitUntil([&] { return item->item()->width > 0; }))
        << videoDialog->player()->errorString().toStdString();
    EXPECT_EQ((std::pair {item->item()->width, item->item()->height}), (std::pair {320, 240}));
    EXPECT_EQ(child<QLabel>(item, "videoSize")->text(), QStringLiteral("320 × 240"));
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    ASSERT_EQ(album->items().size(), 1u);
    EXPECT_EQ(album->items()[0].type, album::MediaType::Video);
    EXPECT_EQ(album->items()[0].workingPath, video);
    EXPECT_EQ(album->items()[0].width, 320);
    EXPECT_EQ(videoDialog->player()->source(), QUrl());
    EXPECT_EQ(videoDialog->player()->sourceDevice(), nullptr);
    EXPECT_TRUE(workFiles().empty());
}

TEST_F(ItemDialogsTest, PhoneVideosPlayAndOneThatCannotIsToldPlainly)
{
    glimmora::VideoDialog* videos = dialog->videoDialog();
    auto show = [&](const std::string& path) {
        auto item = std::make_shared<album::AlbumItem>();
        item->type = album::MediaType::Video;
        item->saveName = fs::path(path).filename().string();
        item->workingPath = item->sourcePath = path;
        videos->openFor(glimmora::ItemDialog::Mode::Editing, *item);
        EXPECT_TRUE(waitUntil([&] { return videos->isVisible(); }));
        return item;
    };
    const std::pair<const char*, std::function<void(const std::string&)>> playable[] = {
        {"iPhone.mov", [](const std::string& p) { writeMp4(p, VideoCodec::Hevc, 320, 240, true); }},
        {"iPhone.mp4", [](const std::string& p) { writeMp4(p, VideoCodec::Hevc, 320, 240, false); }},
        {"カメラ.mov", [](const std::string& p) { writeMjpegMp4(p, 320, 240, true); }},
        {"Android.mp4", [](const std::string& p) { writeMjpegMp4(p, 320, 240, false); }},
        {"ブラウザ.webm", [](const std::string& p) { writeMjpegWebm(p, 320, 240); }},
    };
    // Played means decoded: a frame reaches the screen in the first frame's
    // colour, not only the size the container declares.
    QImage shown;
    QObject::connect(videos->player()->videoSink(), &QVideoSink::videoFrameChanged, videos,
                     [&](const QVideoFrame& frame) {
                         if (frame.isValid() && shown.isNull())
                             shown = frame.toImage();
                     });
    for (const auto& [name, write] : playable) {
        const std::string path = (sources() / name).string();
        write(path);
        shown = QImage();
        auto item = show(path);
        EXPECT_TRUE(waitUntil([&] { return (item->width > 0 && !shown.isNull()) || !videos->problem().isEmpty(); }))
            << name;
        EXPECT_EQ((std::pair {item->width, item->height}), (std::pair {320, 240}))
            << name << ": " << videos->problem().toStdString();
        EXPECT_TRUE(videos->problem().isEmpty()) << name << ": " << videos->problem().toStdString();
        ASSERT_FALSE(shown.isNull()) << name;
        const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        EXPECT_NEAR(centre.green(), 120, 16) << name;
        EXPECT_NEAR(centre.blue(), 200, 16) << name;
        if (std::string(name) == "iPhone.mov") {
            // Offscreen, the video area grabs black; the decoded frame itself
            // is kept beside the dialog.
            widgettest::saveScreenshot(videos, "glimmora-video-dialog-hevc");
            shown.save(QStringLiteral(CV_SCREENSHOT_DIR "/glimmora-video-dialog-hevc-frame.png"));
        }
        videos->rejectButton()->click();
    }

    // A codec this system lacks, and a file cut short: said in plain words.
    const std::string unknown = (sources() / "未知.webm").string();
    writeMjpegWebm(unknown, 320, 240, "V_QTEST");
    const std::string cut = (sources() / "途中まで.mp4").string();
    albumtest::writeBytes(cut, {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'});
    for (const std::string& path : {unknown, cut}) {
        auto item = show(path);
        ASSERT_TRUE(waitUntil([&] { return !videos->problem().isEmpty(); })) << path;
        EXPECT_TRUE(videos->problem().startsWith(QStringLiteral("この動画を再生できません: "))) << path;
        EXPECT_TRUE(videos->problem().endsWith(QStringLiteral("写真集にはこのまま入れることができます。")));
        // The dialog grew for the lines: the controls stay below the screen.
        QApplication::processEvents();
        const QWidget* screen = videos->findChild<QWidget*>(QStringLiteral("videoView"))->parentWidget();
        const QWidget* play = videos->findChild<QWidget*>(QStringLiteral("playVideoButton"));
        EXPECT_GE(play->mapTo(videos, QPoint(0, 0)).y(), screen->mapTo(videos, QPoint(0, screen->height())).y()) << path;
        if (path == unknown)
            widgettest::saveScreenshot(videos, "glimmora-video-dialog-not-playable");
        // The dialog stays usable: the item can still be taken.
        EXPECT_TRUE(videos->acceptButton()->isEnabled());
        videos->rejectButton()->click();
    }
}

TEST_F(ItemDialogsTest, EditKeepsTheOldTextsOnCancelAndTakesTheNewOnOk)
{
    addAccepted({picture("a.jpg", 200, 100)});
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    select(0);
    click("editButton");
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->acceptButton()->text(), QStringLiteral("&OK"));
    EXPECT_EQ(item->titleField()->text(), QStringLiteral("a"));
    item->titleField()->setText(QStringLiteral("変えない"));
    // A turn is written at once and stays, whatever the button.
    auto* picture = qobject_cast<glimmora::PictureDialog*>(item);
    QSignalSpy changed(picture, &glimmora::PictureDialog::pictureChanged);
    child<QPushButton>(item, "turnLeftButton")->click();
    ASSERT_TRUE(changed.wait(20000));
    item->rejectButton()->click();
    EXPECT_EQ(album->items()[0].title, "a");
    EXPECT_EQ((std::pair {album->items()[0].width, album->items()[0].height}), (std::pair {100, 200}));

    select(0);
    click("editButton");
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->titleField()->setText(QStringLiteral("新しい題"));
    item->commentField()->setPlainText(QStringLiteral("上\n下"));
    item->acceptButton()->click();
    EXPECT_EQ(album->items()[0].title, "新しい題");
    EXPECT_EQ(album->items()[0].comment, "上\r\n下");
    EXPECT_EQ(dialog->itemList()->topLevelItem(0)->text(1), QStringLiteral("新しい題"));
}

TEST_F(ItemDialogsTest, TheVoiceDialogAsksBeforeOverwritingAndDeleting)
{
    addAccepted({picture("a.jpg", 100, 100)});
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    select(0);
    click("editButton");
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    glimmora::VoiceDialog* voice = dialog->voiceDialog();
    const std::uint8_t* buffer = voice->recorder().buffer();

    // Keeping without recording says so and writes nothing.
    item->voiceButton()->click();
    ASSERT_TRUE(voice->isVisible());
    {
        widgettest::ModalAnswerer answers;
        child<QPushButton>(voice, "keepButton")->click();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("録音されていません"));
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("何も録音されていませんので保存できません。"));
    }
    EXPECT_FALSE(voice->isVisible());
    EXPECT_FALSE(item->item()->hasVoice());

    // Ten seconds recorded and kept.
    item->voiceButton()->click();
    child<QRadioButton>(voice, "length10")->click();
    EXPECT_EQ(voice->slider()->maximum(), 10);
    child<QPushButton>(voice, "recordButton")->click();
    ASSERT_TRUE(waitUntil([&] { return voice->recorder().state() == album::VoiceRecorder::State::Idle; }));
    child<QPushButton>(voice, "keepButton")->click();
    EXPECT_EQ(item->item()->voiceSeconds, 10);

    // Again: the recording is loaded, the overwrite question's Cancel keeps it.
    item->voiceButton()->click();
    EXPECT_EQ(voice->recorder().recordedSeconds(), 10);
    EXPECT_EQ(voice->slider()->maximum(), 10);
    {
        widgettest::ModalAnswerer answers({QMessageBox::Cancel});
        child<QPushButton>(voice, "recordButton")->click();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("録音開始"));
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("すでに録音されていますが、上書きしてもよいですか？"));
    }
    EXPECT_EQ(sound.recordings(), 1);
    // Played as it was recorded.
    child<QPushButton>(voice, "playButton")->click();
    ASSERT_TRUE(waitUntil([&] { return voice->recorder().state() == album::VoiceRecorder::State::Idle; }));
    EXPECT_EQ(sound.played().size(), 10u * 11025);
    EXPECT_EQ(sound.played()[7], albumtest::ScriptedSoundDevice::patternSample(1, 7));
    // Overwritten with OK, then left with 保存しない: the question, and the
    // item keeps its first message.
    {
        widgettest::ModalAnswerer answers({QMessageBox::Ok, QMessageBox::Ok});
        child<QPushButton>(voice, "recordButton")->click();
        ASSERT_TRUE(waitUntil([&] { return voice->recorder().state() == album::VoiceRecorder::State::Idle; }));
        child<QPushButton>(voice, "discardButton")->click();
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[1].caption, QStringLiteral("録音終了"));
        EXPECT_EQ(answers.seen()[1].text, QStringLiteral("録音したデータを保存しないで終了します"));
    }
    EXPECT_FALSE(voice->isVisible());
    std::vector<std::uint8_t> samples;
    ASSERT_TRUE(album::VoiceFile::read(item->item()->voicePath, samples));
    EXPECT_EQ(samples[7], albumtest::ScriptedSoundDevice::patternSample(1, 7));
    EXPECT_EQ(voice->recorder().buffer(), buffer);

    // 削除 asks, then takes the file away.
    const std::string voiceFile = item->item()->voicePath;
    {
        widgettest::ModalAnswerer answers({QMessageBox::Cancel, QMessageBox::Ok});
        item->voiceDeleteButton()->click();
        EXPECT_TRUE(item->item()->hasVoice());
        item->voiceDeleteButton()->click();
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("声のメッセージ削除確認"));
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("声のメッセージが録音されていますが、削除してよろしいですか？"));
    }
    EXPECT_FALSE(item->item()->hasVoice());
    EXPECT_FALSE(fs::exists(voiceFile));
    item->acceptButton()->click();
    EXPECT_EQ(album->items()[0].iconIndex(), 0);
}

TEST_F(ItemDialogsTest, WithoutASoundDeviceTheVoiceDialogSaysSo)
{
    addAccepted({picture("a.jpg", 100, 100)});
    sound.setInputMissing(true);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    select(0);
    click("editButton");
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->voiceButton()->click();
    glimmora::VoiceDialog* voice = dialog->voiceDialog();
    {
        widgettest::ModalAnswerer answers;
        child<QPushButton>(voice, "recordButton")->click();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("声のメッセージ"));
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("no input"));
    }
    EXPECT_EQ(voice->recorder().state(), album::VoiceRecorder::State::Idle);
    EXPECT_TRUE(child<QPushButton>(voice, "recordButton")->isEnabled());
    voice->reject();
    item->rejectButton()->click();

    // A device that fails part-way ends the recording with its words.
    sound.setInputMissing(false);
    sound.failAfter(3 * 11025 + 5);
    select(0);
    click("editButton");
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->voiceButton()->click();
    {
        widgettest::ModalAnswerer answers;
        child<QPushButton>(voice, "recordButton")->click();
        answers.waitFor(1);
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("device failed"));
    }
    EXPECT_EQ(voice->recorder().recordedSeconds(), 3);
    child<QPushButton>(voice, "keepButton")->click();
    EXPECT_EQ(item->item()->voiceSeconds, 3);
    item->acceptButton()->click();
}

TEST_F(ItemDialogsTest, ThePictureDialogFitsASmallScreenAndTheWindowKeepsItsPlace)
{
    addAccepted({picture("wide.jpg", 800, 600)});
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    select(0);
    click("editButton");
    auto* picture = qobject_cast<glimmora::PictureDialog*>(nextItemDialog(opened));
    ASSERT_NE(picture, nullptr);
    // Editing is modal to the main window only.
    EXPECT_EQ(picture->windowModality(), Qt::WindowModal);
    const QLabel* view = picture->pictureView();
    picture->fitTo(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(view->height(), 400);
    const QSize roomy = picture->size();

    // A 1366×768 laptop at 125 %: 1093×614 logical pixels, less its panel.
    const QRect laptop(0, 0, 1093, 614 - 32);
    picture->fitTo(laptop);
    EXPECT_LE(picture->width() + glimmora::PictureDialog::frameWidth, laptop.width());
    EXPECT_LE(picture->height() + glimmora::PictureDialog::frameHeight, laptop.height());
    EXPECT_LE(picture->minimumSizeHint().height() + glimmora::PictureDialog::frameHeight, laptop.height());
    EXPECT_LT(view->height(), 400);
    EXPECT_EQ(view->pixmap().width(), view->width()); // the wide picture, drawn as large as the view
    widgettest::saveScreenshot(picture, "glimmora-picture-dialog-small-screen");
    picture->fitTo(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(picture->size(), roomy);
    picture->rejectButton()->click();

    // The main window's size and place come back in the next run.
    dialog->setGeometry(dialog->geometry().adjusted(20, 10, 120, 80));
    const QRect placed = dialog->geometry();
    {
        widgettest::ModalAnswerer answers({QMessageBox::Ok});
        click("exitButton");
        ASSERT_EQ(answers.seen().size(), 1u);
    }
    dialog.reset();
    album.reset();
    open();
    EXPECT_EQ(dialog->geometry(), placed);
    platform::Settings().remove("Glimmora", "WindowGeometry");
}

TEST_F(ItemDialogsTest, UpDownAndDeleteChangeTheOrderAndTheFiles)
{
    addAccepted({picture("a.jpg", 50, 50), picture("b.jpg", 50, 50), picture("c.jpg", 50, 50)});
    select(2);
    click("upButton");
    EXPECT_EQ(rowNames(), (QStringList {QStringLiteral("a.jpg"), QStringLiteral("c.jpg"), QStringLiteral("b.jpg")}));
    EXPECT_EQ(dialog->itemList()->selectedRow(), 1);
    click("upButton");
    click("upButton"); // at the top: nothing
    EXPECT_EQ(rowNames(), (QStringList {QStringLiteral("c.jpg"), QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    click("downButton");
    EXPECT_EQ(album->items()[1].saveName, "c.jpg");

    widgettest::ModalAnswerer answers({QMessageBox::Cancel, QMessageBox::Ok});
    click("deleteButton");
    EXPECT_EQ(album->items().size(), 3u);
    click("deleteButton");
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_EQ(answers.seen()[1].text, QStringLiteral("削除してもよろしいですか？"));
    EXPECT_EQ(rowNames(), (QStringList {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"a.jpg", "b.jpg"}));
}

TEST_F(ItemDialogsTest, OrderByShootingDateKeepsUndatedItemsAfterInTheirOrder)
{
    addAccepted({picture("a.jpg", 50, 50), picture("b.jpg", 50, 50), picture("c.jpg", 50, 50),
                  picture("d.jpg", 50, 50)});
    album->item(1).taken = "2024:05:03 10:00:00";
    album->item(3).taken = "2024:05:03 09:30:00";
    select(2);
    click("orderByDateButton");
    EXPECT_EQ(rowNames(), (QStringList {QStringLiteral("d.jpg"), QStringLiteral("b.jpg"), QStringLiteral("a.jpg"),
                                        QStringLiteral("c.jpg")}));
    EXPECT_EQ(dialog->itemList()->selectedRow(), 3);
}
