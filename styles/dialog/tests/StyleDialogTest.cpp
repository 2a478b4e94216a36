// The dialog "スタイル" over real modules and real files, in both programs'
// flavours: what it lists, delete with its question, update with its report,
// the home page through a recording opener.

#include "styles/dialog/StyleDialog.h"

#include "platform/ProductInfo.h"
#include "styles/dialog/tests/AccessKeys.h"
#include "styles/dialog/tests/ModalAnswerer.h"
#include "styles/dialog/tests/RecordingOpener.h"
#include "styles/host/GMStyleHost.h"
#include "styles/host/VTStyleHost.h"
#include "styles/tests/ScratchFolder.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using dialogs::StyleDialog;
using widgettest::ModalAnswerer;

const fs::path bin = CV_BIN_DIR;

void install(const fs::path& module, const fs::path& folder, int day)
{
    using namespace std::chrono;
    fs::create_directories(folder);
    fs::copy_file(module, folder / module.filename(), fs::copy_options::overwrite_existing);
    fs::last_write_time(folder / module.filename(),
                        file_clock::from_sys(sys_seconds(sys_days(year(2020) / January / day))));
}

QStringList rowTexts(QTreeWidget* list, int row)
{
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}

QPushButton* button(StyleDialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

class StyleDialogTest : public ::testing::Test {
protected:
    stylestest::ScratchFolder scratch {"CVstyledlg"};
    fs::path saveRoot = scratch.path() / "root";
};

TEST_F(StyleDialogTest, ListsTheExhibitionModulesAndTheirStyles)
{
    install(bin / "VTStyle" / "VTSNorm.so", scratch.path() / "VTStyle", 1);
    styles::VTStyleHost host((scratch.path() / "VTStyle").string());
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("スタイル"));
    QTreeWidget* modules = dialog.moduleList();
    EXPECT_EQ(modules->headerItem()->text(0), QStringLiteral("モジュール名"));
    EXPECT_EQ(modules->columnWidth(0), 150);
    EXPECT_EQ(modules->columnWidth(1), 100);
    EXPECT_EQ(modules->columnWidth(2), 50);
    ASSERT_EQ(modules->topLevelItemCount(), 1);
    EXPECT_EQ(rowTexts(modules, 0), (QStringList {QStringLiteral("標準スタイルセット"), QStringLiteral("Quillmere"),
                                                   QStringLiteral("1.0"),
                                                   QStringLiteral("シンプルなスタイルをいくつか含んだ基本セットです。"),
                                                   QStringLiteral("ユーザー")}));
    QTreeWidget* styleRows = dialog.styleList();
    ASSERT_EQ(styleRows->topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(styleRows, 0), (QStringList {QStringLiteral("シンプル"), QStringLiteral("標準的なスタイルです。")}));
    EXPECT_EQ(styleRows->topLevelItem(1)->text(0), QStringLiteral("新緑"));
    EXPECT_EQ(button(dialog, "homePageButton")->text(), QStringLiteral("Vitrinelホームページの表示(&H)"));
    widgettest::saveScreenshot(&dialog, "vitrinel-style-dialog");
    EXPECT_EQ(widgettest::accessKeyProblems(&dialog), "");
}

TEST_F(StyleDialogTest, AlbumFlavourListsEveryModule)
{
    const fs::path folder = scratch.path() / "GMStyle";
    install(bin / "GMStyle" / "GMSNorm.so", folder, 1);
    install(bin / "GMStyle" / "GMSSmart.so", folder, 1);
    styles::GMStyleHost host(folder.string());
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::album(), saveRoot.string());
    StyleDialog dialog(manager);
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 2);
    dialog.moduleList()->setCurrentItem(dialog.moduleList()->topLevelItem(1));
    EXPECT_EQ(dialog.styleList()->topLevelItemCount(), 5);
    EXPECT_EQ(button(dialog, "homePageButton")->text(), QStringLiteral("Glimmoraホームページの表示(&H)"));
    widgettest::saveScreenshot(&dialog, "glimmora-style-dialog");
    EXPECT_EQ(widgettest::accessKeyProblems(&dialog), "");
}

TEST_F(StyleDialogTest, DeletesAModuleOnlyAfterTheQuestion)
{
    const fs::path folder = scratch.path() / "VTStyle";
    install(bin / "VTStyle" / "VTSNorm.so", folder, 1);
    styles::VTStyleHost host(folder.string());
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);
    QSignalSpy changed(&dialog, &StyleDialog::stylesChanged);

    {
        ModalAnswerer answer({QMessageBox::Cancel}, {"vitrinel-style-delete-question"});
        button(dialog, "deleteButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("注意"));
        EXPECT_EQ(answer.seen()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(answer.seen()[0].text,
                  QStringLiteral("標準スタイルセット を削除してもよろしいですか？ファイルも削除しますので注意してください。"));
    }
    EXPECT_TRUE(fs::exists(folder / "VTSNorm.so"));
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 1);
    EXPECT_EQ(changed.count(), 0);

    {
        ModalAnswerer answer({QMessageBox::Ok});
        button(dialog, "deleteButton")->click();
        EXPECT_EQ(answer.seen().size(), 1u); // the question, and no failure
    }
    EXPECT_FALSE(fs::exists(folder / "VTSNorm.so"));
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.styleList()->topLevelItemCount(), 0);
    EXPECT_FALSE(button(dialog, "deleteButton")->isEnabled());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(StyleDialogTest, ReportsAFailedDelete)
{
    const fs::path folder = scratch.path() / "VTStyle";
    install(bin / "VTStyle" / "VTSNorm.so", folder, 1);
    styles::VTStyleHost host(folder.string());
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);
    fs::remove(folder / "VTSNorm.so");
    fs::create_directories(folder / "VTSNorm.so" / "inside");

    ModalAnswerer answer({QMessageBox::Ok, QMessageBox::Ok});
    button(dialog, "deleteButton")->click();
    ASSERT_EQ(answer.seen().size(), 2u);
    EXPECT_EQ(answer.seen()[1].caption, QStringLiteral("エラー"));
    EXPECT_EQ(answer.seen()[1].text,
              QStringLiteral("削除に失敗しました。他のプログラムがスタイルモジュールを使用している可能性があります。"));
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 0);
}

TEST_F(StyleDialogTest, UpdatesFromTheDeliveryAndSaysHowItWent)
{
    const fs::path folder = scratch.path() / "VTStyle";
    install(bin / "VTStyle" / "VTSNorm.so", folder, 1);
    styles::VTStyleHost host(folder.string());
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);
    QSignalSpy changed(&dialog, &StyleDialog::stylesChanged);

    {
        ModalAnswerer answer;
        button(dialog, "updateButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("更新するスタイルモジュールがありませんでした"));
        EXPECT_EQ(changed.count(), 0);
    }

    const fs::path delivery = manager.deliveryFolder();
    install(bin / "VTStyle" / "VTSNorm.so", delivery, 2);
    fs::copy_file(delivery / "VTSNorm.so", delivery / "VTSExtra.so");
    {
        ModalAnswerer answer({}, {"vitrinel-style-update-report"});
        button(dialog, "updateButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("Vitrinel"));
        EXPECT_EQ(answer.seen()[0].text,
                  QStringLiteral("以下のスタイルを新規導入・更新しました。\n\n新　規： 1 個\n更　新： 1 個\nエラー： 0 個"));
    }
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.styleList()->topLevelItemCount(), 2);

    fs::remove_all(folder);
    ModalAnswerer answer;
    button(dialog, "updateButton")->click();
    ASSERT_EQ(answer.seen().size(), 1u);
    EXPECT_EQ(answer.seen()[0].text, QStringLiteral("スタイルを更新できません。インストールし直してください"));
}

// Installed for everyone: the installed modules and the user's are listed
// together, the user's update lands in the user's folder, and an installed
// module is refused without the question.
TEST_F(StyleDialogTest, ListsInstalledAndUserModulesAndKeepsTheInstalledOnes)
{
    const fs::path installed = scratch.path() / "lib" / "VTStyle";
    const fs::path user = scratch.path() / "data" / "VTStyle";
    install(bin / "VTStyle" / "VTSNorm.so", installed, 1);
    fs::permissions(installed, fs::perms::owner_read | fs::perms::owner_exec);
    styles::VTStyleHost host(styles::StyleFolders {installed.string(), user.string()});
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    const fs::path delivery = manager.deliveryFolder();
    install(bin / "VTStyle" / "VTSNorm.so", delivery, 2);
    fs::rename(delivery / "VTSNorm.so", delivery / "VTSUser.so");
    StyleDialog dialog(manager);
    QTreeWidget* modules = dialog.moduleList();
    EXPECT_EQ(modules->headerItem()->text(4), QStringLiteral("場所"));
    {
        ModalAnswerer answer;
        button(dialog, "updateButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u);
    }
    EXPECT_TRUE(fs::exists(user / "VTSUser.so"));
    ASSERT_EQ(modules->topLevelItemCount(), 2);
    EXPECT_EQ(modules->topLevelItem(0)->text(4), QStringLiteral("システム"));
    EXPECT_EQ(modules->topLevelItem(0)->toolTip(4), QString::fromStdString((installed / "VTSNorm.so").string()));
    EXPECT_EQ(modules->topLevelItem(1)->text(4), QStringLiteral("ユーザー"));
    widgettest::saveScreenshot(&dialog, "vitrinel-style-dialog-installed-and-user");

    modules->setCurrentItem(modules->topLevelItem(0));
    {
        ModalAnswerer answer;
        button(dialog, "deleteButton")->click();
        ASSERT_EQ(answer.seen().size(), 1u); // no question, only the refusal
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(answer.seen()[0].text,
                  QStringLiteral("標準スタイルセット はシステムにインストールされたスタイルモジュールです。削除できません。"));
    }
    EXPECT_TRUE(fs::exists(installed / "VTSNorm.so"));
    modules->setCurrentItem(modules->topLevelItem(1));
    {
        ModalAnswerer answer({QMessageBox::Ok});
        button(dialog, "deleteButton")->click();
        EXPECT_EQ(answer.seen().size(), 1u);
    }
    EXPECT_FALSE(fs::exists(user / "VTSUser.so"));
    EXPECT_EQ(modules->topLevelItemCount(), 1);
    fs::permissions(installed, fs::perms::owner_all);
}

TEST_F(StyleDialogTest, SaysWhyNoModuleWasLoaded)
{
    styles::VTStyleHost host(styles::StyleFolders {"", (scratch.path() / "data").string()});
    host.load();
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);
    auto* why = dialog.findChild<QLabel*>(QStringLiteral("loadProblem"));
    ASSERT_NE(why, nullptr);
    EXPECT_EQ(why->text(), QStringLiteral("プログラムのフォルダが分からないため、スタイルモジュールを読み込みませんでした。"));
    EXPECT_EQ(dialog.moduleList()->topLevelItemCount(), 0);
    widgettest::saveScreenshot(&dialog, "vitrinel-style-dialog-no-program-folder");
}

TEST_F(StyleDialogTest, OpensTheHomePage)
{
    styles::VTStyleHost host((scratch.path() / "VTStyle").string());
    styles::StyleManager manager(host, styles::StyleProgram::exhibition(), saveRoot.string());
    StyleDialog dialog(manager);
    widgettest::RecordingOpener desktop;
    {
        ModalAnswerer answer;
        button(dialog, "homePageButton")->click();
        ASSERT_EQ(desktop.waitFor(1).size(), 1u);
        EXPECT_EQ(desktop.opened()[0], product::homePage);
        EXPECT_TRUE(answer.seen().empty());
    }
    desktop.accept(false);
    ModalAnswerer answer;
    button(dialog, "homePageButton")->click();
    ASSERT_EQ(answer.waitFor(1).size(), 1u);
    EXPECT_EQ(answer.seen()[0].text, QStringLiteral("ホームページを表示できません。"));
    EXPECT_EQ(desktop.opened().size(), 2u);
}

} // namespace
