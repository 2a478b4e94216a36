// An album made in the window and published: three pictures, one turned,
// one made lighter, one with a voice message recorded through the scripted
// device, saved through the save dialog with the offer to receive, and the
// archive received by corvan-cli and read back by the core and by the
// window's "読み込み". Sending hands the archive to the mail program, or
// says there is none.

#include "album/window/tests/WindowTestSupport.h"

#include "album/core/AlbumPublisher.h"
#include "album/core/JpegReader.h"
#include "album/core/VoiceFile.h"
#include "album/window/ItemList.h"
#include "album/window/PictureDialog.h"
#include "album/window/VoiceDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>

#include <cstdlib>
#include <fstream>

using namespace glimmoratest;

namespace {

double meanOf(const album::Image& image)
{
    double sum = 0;
    for (std::uint8_t v : image.pixels)
        sum += v;
    return image.pixels.empty() ? 0 : sum / static_cast<double>(image.pixels.size());
}

class PublishingTest : public GlimmoraWindowTest {
protected:
    void SetUp() override { open(); }

    // Clicks `name` in the picture dialog and waits for the picture to be
    // written and drawn again.
    void editPicture(glimmora::ItemDialog* item, const char* name)
    {
        auto* pictureDialog = qobject_cast<glimmora::PictureDialog*>(item);
        ASSERT_NE(pictureDialog, nullptr);
        QSignalSpy changed(pictureDialog, &glimmora::PictureDialog::pictureChanged);
        child<QPushButton>(item, name)->click();
        ASSERT_TRUE(changed.wait(20000));
    }

    // Records `seconds` through the voice dialog and keeps it.
    void recordVoice(glimmora::ItemDialog* item)
    {
        item->voiceButton()->click();
        glimmora::VoiceDialog* voice = dialog->voiceDialog();
        ASSERT_TRUE(waitUntil([&] { return voice->isVisible(); }));
        EXPECT_EQ(voice->windowTitle(), QStringLiteral("声のメッセージ"));
        EXPECT_EQ(voice->slider()->maximum(), 5);
        child<QPushButton>(voice, "recordButton")->click();
        ASSERT_TRUE(waitUntil([&] { return voice->recorder().state() == album::VoiceRecorder::State::Idle; }));
        EXPECT_EQ(voice->recorder().recordedSeconds(), 5);
        EXPECT_EQ(voice->slider()->value(), 5);
        child<QPushButton>(voice, "keepButton")->click();
        EXPECT_FALSE(voice->isVisible());
    }

    std::string saveThroughTheWindow(const fs::path& archive, std::vector<widgettest::SeenBox>* boxes = nullptr)
    {
        DialogDriver files;
        QString proposed;
        files.then<QFileDialog>(choose(archive, &proposed));
        QSignalSpy published(dialog.get(), &glimmora::GlimmoraDialog::published);
        widgettest::ModalAnswerer answers;
        child<QPushButton>(dialog.get(), "saveButton")->click();
        EXPECT_TRUE(published.wait(30000));
        answers.waitFor(1);
        if (boxes)
            *boxes = answers.seen();
        return fs::path(proposed.toStdString()).filename().string();
    }
};

} // namespace

TEST_F(PublishingTest, AnAlbumOfThreePicturesIsSavedAndReadBack)
{
    const std::string first = picture("運動会1.jpg", 800, 600);
    const std::string second = picture("運動会2.jpg", 640, 480);
    const std::string third = picture("運動会3.jpg", 300, 900);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(first), QString::fromStdString(second), QString::fromStdString(third)});

    // One turned right, with a title and a comment of two lines.
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->windowTitle(), QStringLiteral("写真のタイトルとコメント"));
    EXPECT_EQ(item->acceptButton()->text(), QStringLiteral("この写真を写真集に含める(&Y)"));
    EXPECT_EQ(item->rejectButton()->text(), QStringLiteral("写真集に含めない(&N)"));
    EXPECT_EQ((std::pair {item->item()->width, item->item()->height}), (std::pair {400, 300}));
    editPicture(item, "turnRightButton");
    EXPECT_EQ((std::pair {item->item()->width, item->item()->height}), (std::pair {300, 400}));
    const QPixmap shown = child<QLabel>(item, "pictureView")->pixmap();
    EXPECT_EQ(shown.size(), QSize(300, 400));
    item->titleField()->setText(QStringLiteral("かけっこ"));
    item->commentField()->setPlainText(QStringLiteral("一等賞！\nよくがんばりました"));
    item->acceptButton()->click();

    // One made lighter by 5 + 5 + 1 - 1 percent.
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    editPicture(item, "lighterMuchButton");
    editPicture(item, "lighterMuchButton");
    editPicture(item, "lighterButton");
    editPicture(item, "darkerButton");
    EXPECT_EQ(child<QLabel>(item, "brightnessValue")->text(), QStringLiteral("10%"));
    EXPECT_EQ(qobject_cast<glimmora::PictureDialog*>(item)->brightnessSlider()->value(), 10);
    item->titleField()->setText(QStringLiteral("玉入れ"));
    item->acceptButton()->click();

    // One with a voice message.
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->voiceDeleteButton()->isEnabled());
    recordVoice(item);
    EXPECT_TRUE(item->voiceDeleteButton()->isEnabled());
    EXPECT_EQ(child<QLabel>(item, "voiceState")->text(), QStringLiteral("声のメッセージ: 5 秒"));
    item->titleField()->setText(QStringLiteral("お弁当"));
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));

    ASSERT_EQ(album->items().size(), 3u);
    EXPECT_EQ(album->items()[2].iconIndex(), 1);
    EXPECT_EQ(dialog->itemList()->topLevelItem(1)->text(1), QStringLiteral("玉入れ"));
    EXPECT_EQ(album->items()[2].voiceName, "_v_運動会3.wav");
    const std::vector<std::uint8_t> recorded = [&] {
        std::vector<std::uint8_t> samples;
        EXPECT_TRUE(album::VoiceFile::read(album->items()[2].voicePath, samples));
        return samples;
    }();
    ASSERT_EQ(recorded.size(), 5u * 11025);
    EXPECT_EQ(recorded[100], albumtest::ScriptedSoundDevice::patternSample(1, 100));

    child<QLineEdit>(dialog.get(), "creatorField")->setText(QStringLiteral("青葉小学校"));
    child<QLineEdit>(dialog.get(), "titleField")->setText(QStringLiteral("運動会"));
    child<QCheckBox>(dialog.get(), "useSubtitle")->click();
    child<QLineEdit>(dialog.get(), "subtitleField")->setText(QStringLiteral("三年二組"));

    // Saved, and the offer to receive opens the archive on the desktop.
    const fs::path archive = output() / "運動会.gpa";
    std::vector<widgettest::SeenBox> boxes;
    const std::string proposed = saveThroughTheWindow(archive, &boxes);
    EXPECT_EQ(proposed, "Glimmora - 青葉小学校 - 運動会 - 三年二組.gpa");
    ASSERT_TRUE(fs::exists(archive));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("保存した写真集のガイドポストをCorvandelleで受信して、完成したページを確認することができます。受信しますか？"));
    EXPECT_EQ(opener.waitFor(1), std::vector<std::string> {archive.string()});
    // Publishing leaves the album folder as it found it.
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"_v_運動会3.wav", "運動会1.jpg", "運動会2.jpg", "運動会3.jpg"}));

    // Received by corvan-cli: the page, the pictures and the voice file in
    // the album's folder below the save root.
    const fs::path home = scratch.path() / "receiver";
    fs::create_directories(home / "tmp");
    QProcess corvan;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("HOME"), QString::fromStdString(home.string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((home / ".config").string()));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString((home / ".local/share").string()));
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString((home / "tmp").string()));
    corvan.setProcessEnvironment(env);
    corvan.setStandardInputFile(QProcess::nullDevice());
    corvan.start(QStringLiteral(CV_BIN_DIR "/corvan-cli"),
                 {QStringLiteral("receive"), QString::fromStdString(archive.string()), QStringLiteral("--root"),
                  QString::fromStdString((home / "root").string()), QStringLiteral("--yes")});
    ASSERT_TRUE(corvan.waitForFinished(60000));
    ASSERT_EQ(corvan.exitCode(), 0) << corvan.readAllStandardError().toStdString();
    const fs::path received = home / "root" / "Glimmora" / "青葉小学校" / "運動会" / "三年二組";
    for (const char* name : {"index.htm", "運動会1.jpg", "運動会2.jpg", "運動会3.jpg", "_v_運動会3.wav"})
        EXPECT_TRUE(fs::is_regular_file(received / name)) << name;
    EXPECT_EQ(fs::file_size(received / "_v_運動会3.wav"), 44u + 5 * 11025);

    // Read back by the core into an album of its own.
    album::WorkFolder otherFolder(scratch.path().string());
    album::Album readAlbum(otherFolder.path());
    album::AlbumPublisher(library, *styles).readBack(archive.string(), readAlbum);
    EXPECT_EQ(readAlbum.creator, "青葉小学校");
    EXPECT_EQ(readAlbum.title, "運動会");
    EXPECT_EQ(readAlbum.activeSubtitle(), "三年二組");
    ASSERT_EQ(readAlbum.items().size(), 3u);
    const album::AlbumItem& turned = readAlbum.items()[0];
    EXPECT_EQ(turned.saveName, "運動会1.jpg");
    EXPECT_EQ(turned.title, "かけっこ");
    EXPECT_EQ(turned.comment, "一等賞！\r\nよくがんばりました");
    EXPECT_EQ((std::pair {turned.width, turned.height}), (std::pair {300, 400}));
    const album::Image turnedPicture = album::JpegReader::readFitted(turned.workingPath, {4000, 4000}, "t").image;
    EXPECT_EQ((std::pair {turnedPicture.width, turnedPicture.height}), (std::pair {300, 400}));

    const album::Image lighter = album::JpegReader::readFitted(readAlbum.items()[1].workingPath, {4000, 4000}, "l").image;
    const album::Image plain = album::JpegReader::readFitted(second, {400, 400}, "p").image;
    EXPECT_NEAR(meanOf(lighter) - meanOf(plain), 255 * 0.10, 4.0);

    const album::AlbumItem& spoken = readAlbum.items()[2];
    EXPECT_EQ((std::pair {spoken.width, spoken.height}), (std::pair {133, 400}));
    EXPECT_EQ(spoken.voiceSeconds, 5);
    std::vector<std::uint8_t> samples;
    ASSERT_TRUE(album::VoiceFile::read(spoken.voicePath, samples));
    EXPECT_EQ(samples, recorded);

    // And by the window: the list shows what came back.
    DialogDriver files;
    files.then<QFileDialog>(choose(archive));
    QSignalSpy readBack(dialog.get(), &glimmora::GlimmoraDialog::readBack);
    widgettest::ModalAnswerer answers;
    child<QPushButton>(dialog.get(), "readButton")->click();
    ASSERT_TRUE(readBack.wait(20000));
    EXPECT_TRUE(readBack.at(0).at(0).toBool());
    ASSERT_EQ(dialog->itemList()->topLevelItemCount(), 3);
    EXPECT_EQ(dialog->itemList()->topLevelItem(2)->text(2), QStringLiteral("ガイドポストからの読み込み"));
    EXPECT_EQ(child<QLineEdit>(dialog.get(), "subtitleField")->text(), QStringLiteral("三年二組"));
    EXPECT_TRUE(child<QCheckBox>(dialog.get(), "useSubtitle")->isChecked());
    EXPECT_EQ(album->items()[2].voiceSeconds, 5);
}

TEST_F(PublishingTest, ChecksComeBeforeTheSaveDialog)
{
    widgettest::ModalAnswerer answers;
    child<QPushButton>(dialog.get(), "saveButton")->click();
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, QStringLiteral("保存する写真がひとつもありません。"));

    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("a.jpg", 60, 40))});
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    child<QLineEdit>(dialog.get(), "titleField")->setText(QStringLiteral("秋: 遠足"));
    child<QPushButton>(dialog.get(), "saveButton")->click();
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_TRUE(answers.seen()[1].text.startsWith(QStringLiteral("名前、タイトルに不適切な文字が含まれています。")));
    child<QLineEdit>(dialog.get(), "titleField")->setText(QStringLiteral("秋の遠足"));
    child<QCheckBox>(dialog.get(), "useSubtitle")->click();
    child<QPushButton>(dialog.get(), "saveButton")->click();
    ASSERT_EQ(answers.seen().size(), 3u);
    EXPECT_EQ(answers.seen()[2].text, QStringLiteral("名前・タイトル等はかならず入力してください。"));
}

TEST_F(PublishingTest, SendingHandsTheArchiveToTheMailProgramOrSaysThereIsNone)
{
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("a.jpg", 60, 40))});
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    child<QLineEdit>(dialog.get(), "titleField")->setText(QStringLiteral("遠足"));

    const fs::path bin = scratch.path() / "bin";
    fs::create_directories(bin);
    const fs::path mailed = scratch.path() / "mailed.txt";
    std::ofstream(bin / "xdg-email") << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << mailed.string() << "'\n";
    fs::permissions(bin / "xdg-email", fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);

    QSignalSpy sent(dialog.get(), &glimmora::GlimmoraDialog::mailed);
    child<QPushButton>(dialog.get(), "sendButton")->click();
    ASSERT_TRUE(sent.wait(30000));
    EXPECT_TRUE(sent.at(0).at(0).toBool());
    std::ifstream in(mailed);
    std::string flag, attachment;
    std::getline(in, flag);
    std::getline(in, attachment);
    EXPECT_EQ(flag, "--attach");
    EXPECT_EQ(fs::path(attachment).filename().string(), "Glimmora - 写真係 - 遠足.gpa");
    EXPECT_TRUE(fs::is_regular_file(attachment));
    fs::remove_all(fs::path(attachment).parent_path());

    // xdg-email's "no mail program was found".
    std::ofstream(bin / "xdg-email") << "#!/bin/sh\nexit 3\n";
    widgettest::ModalAnswerer answers({}, {"glimmora-no-mail-program"});
    child<QPushButton>(dialog.get(), "sendButton")->click();
    ASSERT_TRUE(sent.wait(30000));
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_FALSE(sent.at(1).at(0).toBool());
    answers.waitFor(1);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_TRUE(answers.seen()[0].text.startsWith(QStringLiteral("メールソフトを起動できませんでした。")));
    const QString where = answers.seen()[0].text.section(QLatin1Char('\n'), -1);
    EXPECT_TRUE(fs::is_regular_file(where.toStdString())) << where.toStdString();
    fs::remove_all(fs::path(where.toStdString()).parent_path());
}
