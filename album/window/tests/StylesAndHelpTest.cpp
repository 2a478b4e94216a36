// The style selection and the dialog "スタイル" opened from the window: an
// update from the certified deliveries with the files' times pinned, the
// selection filled anew with the chosen style kept; then help and the
// version box.

#include "album/window/tests/WindowTestSupport.h"

#include "album/core/AlbumTexts.h"
#include "styles/dialog/StyleDialog.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

#include <chrono>

using namespace glimmoratest;

namespace {

fs::file_time_type day(int d)
{
    using namespace std::chrono;
    return file_clock::from_sys(sys_seconds(sys_days(year(2020) / January / d)));
}

void install(const fs::path& module, const fs::path& folder, const std::string& name, int d)
{
    fs::create_directories(folder);
    fs::copy_file(module, folder / name, fs::copy_options::overwrite_existing);
    fs::last_write_time(folder / name, day(d));
}

} // namespace

TEST_F(GlimmoraWindowTest, StyleUpdateFromTheWindowKeepsTheChosenStyle)
{
    const fs::path bin = CV_BIN_DIR "/GMStyle";
    const fs::path folder = scratch.path() / "GMStyle";
    install(bin / "GMSNorm.so", folder, "GMSNorm.so", 5);
    install(bin / "GMSSmart.so", folder, "GMSSmart.so", 5);
    open(folder.string(), root().string());

    auto* selection = child<QComboBox>(dialog.get(), "styleSelection");
    ASSERT_EQ(selection->count(), 10);
    EXPECT_EQ(selection->currentIndex(), 0);
    ASSERT_TRUE(album->style);
    selection->setCurrentIndex(7); // the pastel module's third style
    const std::string chosen = selection->currentText().toStdString();
    EXPECT_EQ(album->style->name, chosen);

    // Delivered: the standard module newer, the pastel one older, one new.
    const fs::path delivery = styles::StyleManager::deliveryFolder(root().string(), styles::StyleProgram::album());
    ASSERT_FALSE(delivery.empty());
    install(bin / "GMSNorm.so", delivery, "GMSNorm.so", 9);
    install(bin / "GMSSmart.so", delivery, "GMSSmart.so", 2);
    install(bin / "GMSNorm.so", delivery, "GMSExtra.so", 3);

    widgettest::ModalAnswerer answers({}, {"glimmora-style-update-report"});
    DialogDriver driver;
    int modulesBefore = 0, modulesAfter = 0;
    driver.then<dialogs::StyleDialog>([&](dialogs::StyleDialog* d) {
        modulesBefore = d->moduleList()->topLevelItemCount();
        d->findChild<QPushButton*>(QStringLiteral("updateButton"))->click();
        modulesAfter = d->moduleList()->topLevelItemCount();
        widgettest::saveScreenshot(d, "glimmora-style-dialog-after-update");
        d->accept();
    });
    child<QPushButton>(dialog.get(), "manageStylesButton")->click();
    ASSERT_TRUE(driver.done());
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].caption, QStringLiteral("Glimmora"));
    EXPECT_EQ(answers.seen()[0].text,
              QStringLiteral("以下のスタイルを新規導入・更新しました。\n\n新　規： 1 個\n更　新： 1 個\nエラー： 0 個"));
    EXPECT_EQ(modulesBefore, 2);
    EXPECT_EQ(modulesAfter, 3);
    EXPECT_EQ(fs::last_write_time(folder / "GMSNorm.so"), day(9));
    EXPECT_EQ(fs::last_write_time(folder / "GMSSmart.so"), day(5));
    EXPECT_EQ(fs::last_write_time(folder / "GMSExtra.so"), day(3));

    // Modules load in name order: the pastel module comes last now, and the
    // chosen style is still the one chosen.
    EXPECT_EQ(selection->count(), 15);
    EXPECT_EQ(selection->currentText().toStdString(), chosen);
    EXPECT_EQ(selection->currentIndex(), 12);
    ASSERT_TRUE(album->style);
    EXPECT_EQ(album->style->name, chosen);
    EXPECT_EQ(album->style->module, 2u);

    // Nothing newer the second time.
    DialogDriver again;
    again.then<dialogs::StyleDialog>([&](dialogs::StyleDialog* d) {
        d->findChild<QPushButton*>(QStringLiteral("updateButton"))->click();
        d->accept();
    });
    child<QPushButton>(dialog.get(), "manageStylesButton")->click();
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_EQ(answers.seen()[1].text, QStringLiteral("更新するスタイルモジュールはありませんでした"));
}

TEST_F(GlimmoraWindowTest, HelpOpensThePageBesideTheProgramAndTheMenuHasTheVersion)
{
    open();
    child<QPushButton>(dialog.get(), "helpButton")->click();
    const std::vector<std::string> opened = opener.waitFor(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::string(CV_BIN_DIR) + "/Help/Glimmora/index.htm");
    EXPECT_TRUE(fs::is_regular_file(opened[0]));

    // The desktop refuses: the user is told.
    opener.accept(false);
    widgettest::ModalAnswerer answers({}, {"", "glimmora-about"});
    child<QPushButton>(dialog.get(), "helpButton")->click();
    answers.waitFor(1);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, QStringLiteral("ヘルプファイルを開くことができません。"));

    auto* about = dialog->findChild<QAction*>(QStringLiteral("aboutAction"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("Glimmora のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    about->trigger();
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_EQ(answers.seen()[1].text, QStringLiteral("Glimmora バージョン 1.0.5"));
}
