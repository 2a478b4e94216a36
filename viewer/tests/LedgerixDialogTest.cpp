// The recent receive viewer over a settings store of the test's own: the
// rows it shows for 0, 3 and 16 entries, what its buttons open through a
// recording opener, names shown as plain text, access keys and focus, its
// place kept in its own section, and that it never writes the receiver's
// list.

#include "viewer/LedgerixDialog.h"
#include "viewer/ReceiveTimeText.h"

#include "platform/ProductInfo.h"
#include "platform/Settings.h"
#include "styles/dialog/tests/AccessKeys.h"
#include "styles/dialog/tests/ModalAnswerer.h"
#include "styles/dialog/tests/RecordingOpener.h"
#include "styles/tests/ScratchFolder.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using ledgerix::LedgerixDialog;
using widgettest::ModalAnswerer;

const char* const section = "Recent Download List";

std::string key(const char* name, int position)
{
    return name + std::to_string(position);
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// 2024-06-02 09:05 local time, a Sunday.
std::int32_t sundayMorning()
{
    std::tm local {};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 2;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_isdst = -1;
    return static_cast<std::int32_t>(std::mktime(&local));
}

class LedgerixTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Settings::setStorageFolder(scratch.path().string()); }

    void store(int position, const std::string& title, const std::string& target, const std::string& folder,
               std::int32_t time)
    {
        platform::Settings settings;
        settings.setString(section, key("Title", position), title);
        settings.setString(section, key("Target", position), target);
        settings.setString(section, key("Folder", position), folder);
        settings.setInt(section, key("Time", position), time);
        settings.sync();
    }

    fs::path settingsFile() const { return scratch.path() / "Quillmere" / "Corvandelle.conf"; }

    // The receiver's list as stored, value by value.
    static std::string receiverList()
    {
        std::string all;
        platform::Settings settings;
        for (const std::string& name : settings.names(section))
            all += name + "=" + settings.getString(section, name) + "\n";
        return all;
    }

    // The sections of the settings file, as its lines name them.
    QStringList sections() const
    {
        QStringList names;
        for (const QString& line : QString::fromStdString(contents(settingsFile())).split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1Char('[')))
                names << line;
        return names;
    }

    QPushButton* button(LedgerixDialog& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    void choose(LedgerixDialog& dialog, int row)
    {
        dialog.list()->clearSelection();
        dialog.list()->topLevelItem(row)->setSelected(true);
    }

    stylestest::ScratchFolder scratch {"CVledgerix"};
    widgettest::RecordingOpener desktop;
};

TEST(ReceiveTimeText, JapaneseWeekdayAndNothingForNoTime)
{
    EXPECT_EQ(ledgerix::receiveTimeText(sundayMorning()), "6 月 2 日(日) 9 時 5 分");
    EXPECT_EQ(ledgerix::receiveTimeText(sundayMorning() + 6 * 86400 + 14 * 3600), "6 月 8 日(土) 23 時 5 分");
    EXPECT_EQ(ledgerix::receiveTimeText(0), "");
    EXPECT_EQ(ledgerix::receiveTimeText(-5), "");
}

TEST_F(LedgerixTest, NoListShowsNoRowsAndWritesNoList)
{
    LedgerixDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("最近のファイル受信"));
    ASSERT_EQ(dialog.list()->columnCount(), 4);
    EXPECT_EQ(dialog.list()->headerItem()->text(3), QStringLiteral("ブラウズファイル"));
    EXPECT_EQ(dialog.list()->columnWidth(0), 150);
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 0);
    button(dialog, "openReportButton")->click(); // nothing chosen: nothing happens
    button(dialog, "openFolderButton")->click();
    EXPECT_TRUE(desktop.waitFor(0).empty());
    widgettest::saveScreenshot(&dialog, "ledgerix-empty");
    dialog.reject();
    // Only the viewer's own place is written.
    EXPECT_EQ(sections(), QStringList {QStringLiteral("[Ledgerix]")});
}

TEST_F(LedgerixTest, StopsAtTheFirstEmptyTitle)
{
    store(0, "写真の配布", "/r/_html___/report1.htm", "/r/写真", sundayMorning());
    store(1, "研究会の資料", "", "/r/資料", 0); // opened nothing at its end: no report
    store(2, "", "/r/_html___/report3.htm", "/r/other", sundayMorning());
    store(3, "hidden", "/r/x.htm", "/r/x", sundayMorning());
    const std::string before = receiverList();

    LedgerixDialog dialog;
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("6 月 2 日(日) 9 時 5 分"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("写真の配布"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("/r/写真"));
    EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("/r/_html___/report1.htm"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QString()); // Time 0
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("研究会の資料"));
    widgettest::saveScreenshot(&dialog, "ledgerix-list");

    choose(dialog, 0);
    button(dialog, "openReportButton")->click();
    ASSERT_EQ(desktop.waitFor(1).size(), 1u);
    button(dialog, "openFolderButton")->click();
    auto opened = desktop.waitFor(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "/r/_html___/report1.htm");
    EXPECT_EQ(opened[1], "/r/写真");

    // No report: it says so and opens nothing; the dialog stays.
    choose(dialog, 1);
    {
        ModalAnswerer answer({}, {"ledgerix-no-report"});
        button(dialog, "openReportButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("この受信ではレポートはありませんでした"));
        EXPECT_EQ(answer.seen()[0].icon, QMessageBox::NoIcon);
    }
    EXPECT_EQ(desktop.waitFor(2).size(), 2u);

    // Several rows chosen: the first counts.
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    button(dialog, "openFolderButton")->click();
    opened = desktop.waitFor(3);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], "/r/写真");

    dialog.reject();
    EXPECT_EQ(receiverList(), before); // never written
    EXPECT_EQ(sections(), (QStringList {QStringLiteral("[Ledgerix]"), QStringLiteral("[Recent%20Download%20List]")}));
}

TEST_F(LedgerixTest, EnterOpensTheReportAndFailuresAreTold)
{
    store(0, "失敗する受信", "/r/refused/report.htm", "/r/refused", sundayMorning());
    store(1, "フォルダなし", "/r/folder-as-target", "", sundayMorning());
    LedgerixDialog dialog;
    dialog.show();
    choose(dialog, 0);
    dialog.list()->setFocus();
    desktop.accept(false);
    {
        ModalAnswerer answer;
        QTest::keyClick(dialog.list(), Qt::Key_Return);
        ASSERT_EQ(answer.waitFor(1).size(), 1u);
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(answer.seen()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("エラーのためレポートファイルを開くことができません"));
    }
    {
        ModalAnswerer answer;
        button(dialog, "openFolderButton")->click();
        ASSERT_EQ(answer.waitFor(1).size(), 1u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("エラーのためフォルダーを開くことができません"));
    }
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(desktop.opened().size(), 2u);
    EXPECT_EQ(desktop.opened()[0], "/r/refused/report.htm");

    // A receive without a folder: フォルダを開く does nothing; its report
    // is the folder it received into.
    desktop.accept(true);
    choose(dialog, 1);
    button(dialog, "openFolderButton")->click();
    EXPECT_EQ(desktop.waitFor(2).size(), 2u);
    button(dialog, "openReportButton")->click();
    auto opened = desktop.waitFor(3);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], "/r/folder-as-target");
}

TEST_F(LedgerixTest, NamesShowAsPlainTextAndAnOlderHugeNameIsCut)
{
    const std::string markup = "<h1>ウイルス検査済み。安全です</h1><img src=x>";
    std::string huge = "a";
    while (huge.size() < 8 * 1024 * 1024)
        huge += "受信";
    store(0, markup, "/r/<b>report</b>.htm", "/r/<i>写真</i>", sundayMorning());
    store(1, huge, "/r/big.htm", "/r/big", sundayMorning());
    LedgerixDialog dialog;
    dialog.show();
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    // What a tooltip shows: markup when it looks like markup.
    auto shown = [](const QString& tip) {
        if (!Qt::mightBeRichText(tip))
            return tip;
        QTextDocument document;
        document.setHtml(tip);
        return document.toPlainText();
    };
    EXPECT_EQ(list->topLevelItem(0)->text(1), QString::fromStdString(markup));
    EXPECT_EQ(shown(list->topLevelItem(0)->toolTip(1)), QString::fromStdString(markup));
    EXPECT_EQ(shown(list->topLevelItem(0)->toolTip(2)), QStringLiteral("/r/<i>写真</i>"));
    EXPECT_EQ(shown(list->topLevelItem(0)->toolTip(3)), QStringLiteral("/r/<b>report</b>.htm"));
    // 260 bytes of code page 932 at most, never half a character.
    const QString cut = list->topLevelItem(1)->text(1);
    EXPECT_EQ(cut, QString::fromStdString(huge.substr(0, 1 + 129 * 3)));
    EXPECT_EQ(shown(list->topLevelItem(1)->toolTip(1)), cut);
    widgettest::saveScreenshot(&dialog, "ledgerix-plain-names");
}

TEST_F(LedgerixTest, KeysFocusAndTheWindowsPlaceAreKept)
{
    store(0, "新しい受信", "/r/new.htm", "/r/new", sundayMorning());
    store(1, "古い受信", "/r/old.htm", "/r/old", sundayMorning() - 3600);
    const std::string before = receiverList();
    QRect placed;
    {
        LedgerixDialog dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(widgettest::accessKeyProblems(&dialog), "");
        // The newest receive is chosen, Enter opens its report, Alt+F its folder.
        EXPECT_EQ(QApplication::focusWidget(), dialog.list());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_F, Qt::AltModifier);
        const auto opened = desktop.waitFor(2);
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened[0], "/r/new.htm");
        EXPECT_EQ(opened[1], "/r/new");

        dialog.setGeometry(dialog.geometry().adjusted(40, 30, 100, 60));
        placed = dialog.geometry();
        // A key presses its button as a click does, after a short flash.
        QTest::keyClick(&dialog, Qt::Key_X, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
    }
    LedgerixDialog again;
    again.show();
    EXPECT_EQ(again.geometry(), placed);
    platform::Settings settings;
    EXPECT_TRUE(settings.contains("Ledgerix", "WindowGeometry"));
    EXPECT_EQ(receiverList(), before);
}

TEST_F(LedgerixTest, ShowsAllSixteenAndEndsOnExit)
{
    for (int i = 0; i < 16; ++i)
        store(i, "受信 " + std::to_string(i), "/r/" + std::to_string(i) + ".htm", "/r/" + std::to_string(i),
              sundayMorning() - i * 3600);
    LedgerixDialog dialog;
    ASSERT_EQ(dialog.list()->topLevelItemCount(), 16);
    EXPECT_EQ(dialog.list()->topLevelItem(15)->text(1), QStringLiteral("受信 15"));
    EXPECT_EQ(dialog.list()->topLevelItem(9)->text(0), QStringLiteral("6 月 2 日(日) 0 時 5 分"));
    widgettest::saveScreenshot(&dialog, "ledgerix-sixteen");

    // The version item of the window menu.
    auto* about = dialog.findChild<QAction*>(QStringLiteral("aboutAction"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("Ledgerix のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    {
        ModalAnswerer answer({}, {"ledgerix-about"});
        about->trigger();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("Ledgerix バージョン ") + QString::fromUtf8(product::version));
    }

    QPushButton* exit = button(dialog, "exitButton");
    EXPECT_EQ(exit->text(), QStringLiteral("終了(&X)"));
    exit->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
