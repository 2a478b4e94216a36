// Adding files through the window: a folder dropped with a name that is
// taken, through the dialog "保存名の変更" and both of its comparisons; the
// queue worked off with the dialog "処理"; "中止"; exit refused while files
// are processed; stopping from an open item dialog, from "処理" and by
// closing the window; a picture that cannot be read; the picture limit of
// "設定".

#include "album/window/tests/WindowTestSupport.h"

#include "album/core/AlbumTexts.h"
#include "album/core/PictureLimitSetting.h"
#include "album/window/ItemList.h"
#include "album/window/PendingQueue.h"
#include "album/window/ProgressDialog.h"
#include "album/window/RenameDialog.h"
#include "album/window/SettingsDialog.h"
#include "styles/dialog/tests/AccessKeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTextDocument>
#include <QUrl>

#include <sys/stat.h>

using namespace glimmoratest;

namespace {

class AddingFilesTest : public GlimmoraWindowTest {
protected:
    void SetUp() override { open(); }

    // Accepts every item dialog until the queue is done; the save names seen.
    std::vector<std::string> acceptAll(QSignalSpy& opened)
    {
        std::vector<std::string> names;
        while (dialog->queue()->running()) {
            if (opened.isEmpty() && !opened.wait(200))
                continue;
            glimmora::ItemDialog* item = nextItemDialog(opened);
            if (!item)
                break;
            names.push_back(item->item()->saveName);
            item->acceptButton()->click();
        }
        return names;
    }
};

} // namespace

TEST_F(AddingFilesTest, AFolderWithATakenNameGoesThroughTheRenameDialog)
{
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("A.JPG", 80, 60))});
    EXPECT_EQ(acceptAll(opened), (std::vector<std::string> {"A.JPG"}));

    const fs::path folder = sources() / "遠足";
    picture("a.jpg", 90, 60, folder);
    picture("b.jpg", 60, 90, folder);
    albumtest::writeBytes((folder / "memo.txt").string(), {'x'});
    fs::create_directories(folder / "sub");
    picture("c.jpg", 60, 60, folder / "sub");

    std::vector<QString> offered;
    DialogDriver renames;
    renames
        .then<glimmora::RenameDialog>([&](glimmora::RenameDialog* d) {
            offered.push_back(d->saveName());
            EXPECT_EQ(child<QLineEdit>(d, "fileName")->text(), QString::fromStdString((folder / "a.jpg").string()));
            widgettest::saveScreenshot(d, "glimmora-rename-dialog");
            EXPECT_EQ(widgettest::accessKeyProblems(d), "");
            d->saveNameField()->setText(QStringLiteral("A.JPG")); // taken, exactly
            d->accept();
        })
        .then<glimmora::RenameDialog>([&](glimmora::RenameDialog* d) {
            offered.push_back(d->saveName());
            d->saveNameField()->setText(QStringLiteral("a.JPG")); // differs from A.JPG in case only
            d->accept();
        });
    widgettest::ModalAnswerer answers({}, {"glimmora-folder-question"});
    // Dropped on the list as a desktop drops it.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.string()))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog->itemList()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog->itemList()->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(waitUntil([&] { return renames.done() && answers.seen().size() >= 5; }));

    const auto& seen = answers.seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].text, QStringLiteral("フォルダがドロップされました。この中のファイルをすべて追加しますか？（サブフォルダは含みません）"));
    EXPECT_EQ(seen[1].caption, QStringLiteral("保存名の変更"));
    EXPECT_EQ(seen[1].text, QStringLiteral("保存名が空白であるか、またはすでにある保存名と重複していますので変更してください"));
    EXPECT_EQ(seen[2].text, QStringLiteral("保存名が空白であるか、またはすでにある保存名と重複してしまいますので変更してください"));
    EXPECT_EQ(seen[3].caption, QStringLiteral("注意"));
    EXPECT_EQ(seen[3].text, QStringLiteral("memo.txt は拡張子が .jpg, .avi, .mpg ではないので写真集に入れることができません。"));
    EXPECT_EQ(seen[4].text, QStringLiteral("2 個のファイルを追加しました"));
    EXPECT_EQ(offered, (std::vector<QString> {QStringLiteral("a.jpg"), QStringLiteral("A.JPG")}));
    EXPECT_EQ(dialog->assistant().step(), 6);

    // The subfolder's picture is not among them.
    EXPECT_EQ(acceptAll(opened), (std::vector<std::string> {"a.JPG", "b.jpg"}));
    EXPECT_EQ(rowNames(), (QStringList {QStringLiteral("A.JPG"), QStringLiteral("a.JPG"), QStringLiteral("b.jpg")}));
    EXPECT_EQ(dialog->itemList()->topLevelItem(1)->text(2), QString::fromStdString((folder / "a.jpg").string()));
    EXPECT_EQ(album->items()[1].width, 90);
    EXPECT_TRUE(fs::exists(work.path() + "/a.JPG"));
    // The keyboard goes on where the new items are.
    EXPECT_EQ(dialog->focusWidget(), dialog->itemList());
}

TEST_F(AddingFilesTest, ProgressShowsTheCountsAndStopDropsTheRest)
{
    // The third entry is a pipe: its preparation waits until the test
    // writes to it, so "中止" comes while it is being prepared.
    const std::string stuck = (sources() / "p2.jpg").string();
    ASSERT_EQ(::mkfifo(stuck.c_str(), 0600), 0);
    const QStringList paths = {QString::fromStdString(picture("p0.jpg", 1600, 1200)),
                               QString::fromStdString(picture("p1.jpg", 1600, 1200)), QString::fromStdString(stuck),
                               QString::fromStdString(picture("p3.jpg", 1600, 1200))};
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths(paths);
    glimmora::ProgressDialog* progress = dialog->queue()->progressDialog();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("処理"));
    EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("itemList"))->isEnabled());

    // The first is included, the second left out.
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(child<QLabel>(progress, "progressCount")->text(), QStringLiteral("0/4"));
    item->acceptButton()->click();
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(child<QLabel>(progress, "progressCount")->text(), QStringLiteral("1/4"));
    item->rejectButton()->click();
    EXPECT_FALSE(fs::exists(work.path() + "/p1.jpg"));

    // "中止" while the third is being prepared: the window does not wait.
    QTest::qWait(50);
    ASSERT_TRUE(dialog->queue()->running());
    EXPECT_TRUE(opened.isEmpty());
    widgettest::ModalAnswerer answers;
    child<QPushButton>(progress, "stopButton")->click();
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("中止"));
    EXPECT_EQ(answers.seen()[0].text, QStringLiteral("中止しました"));
    EXPECT_FALSE(dialog->queue()->running());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(dialog->findChild<QWidget*>(QStringLiteral("itemList"))->isEnabled());
    EXPECT_TRUE(album->pending().empty());
    EXPECT_EQ(album->items().size(), 1u);

    // Adding again while the stopped work still waits: it follows once that
    // work has ended, and what it leaves is removed.
    dialog->addPaths({paths[3]});
    QTest::qWait(50);
    EXPECT_TRUE(opened.isEmpty());
    albumtest::writeBytes(stuck, {0xFF, 0xD8, 0xFF});
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->item()->saveName, "p3.jpg");
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    EXPECT_EQ(album->items().size(), 2u);
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"p0.jpg", "p3.jpg"}));
}

TEST_F(AddingFilesTest, ExitIsRefusedWhileFilesAreProcessed)
{
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("big1.jpg", 2400, 1800)),
                      QString::fromStdString(picture("big2.jpg", 2400, 1800))});
    ASSERT_TRUE(dialog->queue()->running());
    {
        widgettest::ModalAnswerer answers;
        // The close box, as the desktop sends it.
        dialog->close();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("まず処理を中止しますので、その後にもう一度終了してください。"));
    }
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !dialog->queue()->running(); }));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(album->pending().empty());
    EXPECT_TRUE(album->items().empty());
    ASSERT_TRUE(waitUntil([&] { return workFiles().empty(); }, 5000));

    // Idle, the exit asks; Cancel stays, OK ends.
    {
        widgettest::ModalAnswerer answers({QMessageBox::Cancel, QMessageBox::Ok});
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        EXPECT_TRUE(dialog->isVisible());
        child<QPushButton>(dialog.get(), "exitButton")->click();
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("終了してよろしいですか？"));
    }
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(AddingFilesTest, StopIsReachableWhileAnItemDialogIsOpen)
{
    const fs::path folder = sources() / "運動会";
    for (int i = 0; i < 5; ++i)
        picture("p" + std::to_string(i) + ".jpg", 640, 480, folder);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    glimmora::ProgressDialog* progress = dialog->queue()->progressDialog();
    auto dropFolder = [&] {
        widgettest::ModalAnswerer answers; // the folder question and the count
        dialog->addPaths({QString::fromStdString(folder.string())});
        EXPECT_EQ(answers.seen().size(), 2u);
    };
    auto nothingMoreAsked = [&] {
        widgettest::ModalAnswerer answers;
        QTest::qWait(300);
        EXPECT_TRUE(waitUntil([&] { return !dialog->busy(); }));
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_FALSE(progress->isVisible());
        EXPECT_TRUE(album->pending().empty());
        EXPECT_TRUE(waitUntil([&] { return workFiles().size() == album->items().size(); }, 5000));
        return answers.seen().empty();
    };

    // The item dialog's own 中止: the shown picture and the rest are dropped.
    dropFolder();
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    // Nothing modal stands between the user and "処理" or the close box.
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    EXPECT_TRUE(progress->isVisible());
    ASSERT_TRUE(item->stopButton()->isVisible());
    widgettest::saveScreenshot(item, "glimmora-picture-dialog-adding");
    {
        widgettest::ModalAnswerer answers;
        item->stopButton()->click();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("中止しました"));
    }
    EXPECT_FALSE(item->isVisible());
    EXPECT_TRUE(nothingMoreAsked());
    EXPECT_TRUE(album->items().empty());

    // "処理"'s 中止 while the second picture's dialog is open: the first stays.
    dropFolder();
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    {
        widgettest::ModalAnswerer answers;
        child<QPushButton>(progress, "stopButton")->click();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("中止"));
    }
    EXPECT_FALSE(item->isVisible());
    EXPECT_TRUE(nothingMoreAsked());
    ASSERT_EQ(album->items().size(), 1u);
    EXPECT_EQ(rowNames(), QStringList {QStringLiteral("p0.jpg")});

    // Closing the window with a dialog open: the question, the queue ends,
    // and the next close asks to exit.
    dialog->itemList()->clear();
    album->remove(0);
    dropFolder();
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    {
        widgettest::ModalAnswerer answers;
        dialog->close();
        ASSERT_GE(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen().back().text, QStringLiteral("まず処理を中止しますので、その後にもう一度終了してください。"));
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(item->isVisible());
    EXPECT_TRUE(nothingMoreAsked());
    EXPECT_TRUE(album->items().empty());
    {
        widgettest::ModalAnswerer answers({QMessageBox::Cancel});
        dialog->close();
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, QStringLiteral("終了してよろしいですか？"));
    }
}

TEST_F(AddingFilesTest, FileNamesShowAsPlainText)
{
    // Markup in names (a "/" would be a folder).
    const fs::path folder = sources() / "<i>斜体";
    const std::string bold = picture("<b>太字.jpg", 60, 40, folder);
    albumtest::writeBytes((folder / "<u>memo.txt").string(), {'x'});
    QStringList texts;
    DialogDriver boxes;
    for (int i = 0; i < 3; ++i)
        boxes.then<QMessageBox>([&](QMessageBox* box) {
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            texts << box->text();
            box->button(QMessageBox::Ok)->click();
        });
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(folder.string())});
    ASSERT_TRUE(boxes.done());
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("<u>memo.txt は拡張子が"))) << texts[1].toStdString();
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    ASSERT_EQ(rowNames(), QStringList {QStringLiteral("<b>太字.jpg")});
    const QString tip = dialog->itemList()->topLevelItem(0)->toolTip(2);
    QTextDocument shown;
    shown.setHtml(tip);
    EXPECT_EQ(Qt::mightBeRichText(tip) ? shown.toPlainText() : tip, QString::fromStdString(bold));
}

TEST_F(AddingFilesTest, APictureThatCannotBeReadIsToldAndTheNextOneFollows)
{
    const std::string broken = (sources() / "broken.jpg").string();
    std::vector<std::uint8_t> bytes = albumtest::encodeJpeg(200, 100, albumtest::checkerboard(200, 10));
    bytes.resize(bytes.size() / 3);
    albumtest::writeBytes(broken, bytes);
    const std::string missing = (sources() / "missing.jpg").string();
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    widgettest::ModalAnswerer answers;
    dialog->addPaths({QString::fromStdString(missing), QString::fromStdString(broken),
                      QString::fromStdString(picture("good.jpg", 100, 100))});
    ASSERT_GE(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("エラー"));
    EXPECT_EQ(answers.seen()[0].text, QStringLiteral("ファイルが見つかりません"));
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_TRUE(answers.seen()[1].text.startsWith(QStringLiteral("broken.jpg は壊れているか途中で切れているので")))
        << answers.seen()[1].text.toStdString();
    EXPECT_EQ(item->item()->saveName, "good.jpg");
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    EXPECT_EQ(workFiles(), std::vector<std::string> {"good.jpg"});
}

TEST_F(AddingFilesTest, TheSettingsLimitIsKeptAndFitsTheNextPictures)
{
    DialogDriver settings;
    settings.then<glimmora::SettingsDialog>([](glimmora::SettingsDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("設定"));
        EXPECT_EQ(d->widthField()->value(), 400);
        EXPECT_EQ(d->heightField()->value(), 400);
        d->widthField()->setValue(200);
        d->heightField()->setValue(100);
        widgettest::saveScreenshot(d, "glimmora-settings-dialog");
        EXPECT_EQ(widgettest::accessKeyProblems(d), "");
        d->accept();
    });
    child<QPushButton>(dialog.get(), "settingsButton")->click();
    EXPECT_TRUE(settings.done());
    EXPECT_EQ(album->limit, (album::PictureSize {200, 100}));
    EXPECT_EQ(album::PictureLimitSetting::load(), (album::PictureSize {200, 100}));

    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(picture("wide.jpg", 800, 600))});
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->item()->width, 133);
    EXPECT_EQ(item->item()->height, 100);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    album::PictureLimitSetting::store(album::defaultPictureLimit);
}
