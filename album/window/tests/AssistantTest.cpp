// The guide "Glimmora アシスタント" in the real window: 次へ and 戻る within
// their bounds, the steps the fields lead to, the subtitle check box, files
// added, 新規 and a refused read-back.

#include "album/window/tests/WindowTestSupport.h"

#include "album/core/AlbumTexts.h"
#include "album/window/ItemList.h"
#include "album/window/PendingQueue.h"
#include "styles/dialog/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace glimmoratest;
namespace texts = album::texts;

namespace {

class AssistantTest : public GlimmoraWindowTest {
protected:
    void SetUp() override { open(); }
    int step() const { return dialog->assistant().step(); }
    QString shown() const { return child<QPlainTextEdit>(dialog.get(), "assistantText")->toPlainText(); }
    void click(const char* name) { child<QPushButton>(dialog.get(), name)->click(); }
};

} // namespace

TEST_F(AssistantTest, NextAndBackStayWithinTheStepsAndMoveTheFocus)
{
    EXPECT_EQ(step(), 0);
    EXPECT_EQ(shown(), QStringLiteral("Glimmoraへようこそ。\n\n「次へ」を押すと説明が表示されます。"));
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(dialog.get(), "creatorField"));
    click("backButton");
    EXPECT_EQ(step(), 0);

    click("nextButton");
    EXPECT_EQ(step(), 1);
    auto* creator = child<QLineEdit>(dialog.get(), "creatorField");
    EXPECT_EQ(QApplication::focusWidget(), creator);
    EXPECT_EQ(creator->selectedText(), QStringLiteral("写真係"));
    click("nextButton");
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(dialog.get(), "titleField"));
    click("nextButton");
    // Without a subtitle in use the check box takes the focus.
    EXPECT_EQ(step(), 3);
    EXPECT_EQ(QApplication::focusWidget(), child<QCheckBox>(dialog.get(), "useSubtitle"));
    click("nextButton");
    EXPECT_EQ(step(), 4);
    EXPECT_EQ(QApplication::focusWidget(), child<QCheckBox>(dialog.get(), "useDate"));
    for (int i = 0; i < 3; ++i)
        click("nextButton");
    EXPECT_EQ(step(), 7);
    EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(dialog.get(), "styleSelection"));
    for (int i = 0; i < 5; ++i)
        click("nextButton");
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(shown(), dialogs::displayText(texts::assistantSteps[9]));
}

TEST_F(AssistantTest, FieldsLeadToTheirStepsAndTheSubtitleBoxToThree)
{
    child<QLineEdit>(dialog.get(), "titleField")->setFocus();
    EXPECT_EQ(step(), 2);
    EXPECT_EQ(shown(), dialogs::displayText(texts::assistantSteps[2]));
    child<QComboBox>(dialog.get(), "styleSelection")->setFocus();
    EXPECT_EQ(step(), 7);
    child<QLineEdit>(dialog.get(), "creatorField")->setFocus();
    EXPECT_EQ(step(), 1);

    // Checking the subtitle at step 7 goes back to 3, into the subtitle.
    child<QComboBox>(dialog.get(), "styleSelection")->setFocus();
    auto* subtitle = child<QLineEdit>(dialog.get(), "subtitleField");
    EXPECT_FALSE(subtitle->isEnabled());
    child<QCheckBox>(dialog.get(), "useSubtitle")->click();
    EXPECT_EQ(step(), 3);
    EXPECT_TRUE(subtitle->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), subtitle);
    EXPECT_TRUE(album->useSubtitle);
    child<QCheckBox>(dialog.get(), "useSubtitle")->click();
    EXPECT_FALSE(subtitle->isEnabled());
    EXPECT_FALSE(album->useSubtitle);

    // The date: checked, the picker takes the focus and its step.
    auto* useDate = child<QCheckBox>(dialog.get(), "useDate");
    auto* date = child<QDateEdit>(dialog.get(), "dateField");
    EXPECT_FALSE(useDate->isChecked());
    EXPECT_EQ(date->date(), QDate::currentDate());
    EXPECT_FALSE(album->date);
    useDate->click();
    date->setDate(QDate(2024, 10, 5));
    EXPECT_EQ(album->date, (album::AlbumDate {2024, 10, 5}));
    child<QLineEdit>(dialog.get(), "creatorField")->setFocus();
    date->setFocus();
    EXPECT_EQ(step(), 4);
}

TEST_F(AssistantTest, AddedFilesLeadToSixAndNewAndARefusedReadBackToZero)
{
    const std::string a = picture("a.jpg", 64, 48);
    QSignalSpy opened(dialog.get(), &glimmora::GlimmoraDialog::itemDialogOpened);
    dialog->addPaths({QString::fromStdString(a)});
    EXPECT_EQ(step(), 6);
    glimmora::ItemDialog* item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    EXPECT_EQ(album->items().size(), 1u);

    {
        // 新規, Cancel first: nothing changes.
        widgettest::ModalAnswerer answers({QMessageBox::Cancel, QMessageBox::Ok});
        click("newButton");
        EXPECT_EQ(album->items().size(), 1u);
        EXPECT_EQ(step(), 6);
        click("newButton");
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[1].text, QStringLiteral("現在の内容を消去してもよろしいですか？"));
    }
    EXPECT_TRUE(album->items().empty());
    EXPECT_EQ(dialog->itemList()->topLevelItemCount(), 0);
    EXPECT_EQ(album->title, "タイトルを入力してください");
    EXPECT_EQ(step(), 0);

    // A file that is no album archive: refused, the album reset, step 0.
    dialog->addPaths({QString::fromStdString(picture("b.jpg", 64, 48))});
    item = nextItemDialog(opened);
    ASSERT_NE(item, nullptr);
    item->acceptButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !dialog->busy(); }));
    child<QPushButton>(dialog.get(), "nextButton")->click();
    EXPECT_EQ(step(), 7);
    const fs::path bogus = output() / "bogus.gpa";
    albumtest::writeBytes(bogus.string(), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'});
    DialogDriver files;
    files.then<QFileDialog>(choose(bogus));
    QSignalSpy readBack(dialog.get(), &glimmora::GlimmoraDialog::readBack);
    widgettest::ModalAnswerer answers;
    click("readButton");
    ASSERT_TRUE(readBack.wait(20000));
    EXPECT_FALSE(readBack.at(0).at(0).toBool());
    answers.waitFor(2);
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_TRUE(answers.seen()[1].text.startsWith(
        QStringLiteral("Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした")));
    EXPECT_EQ(step(), 0);
    EXPECT_TRUE(album->items().empty());
}
