// The dialog "Vitrinel" over real modules, a real album tree and a
// recording opener: the style selection with and without modules, creating
// the page, showing it, help, style management, the exit question on
// every way out, access keys and focus, and the window's place kept.

#include "exhibition/VitrinelDialog.h"
#include "platform/ProductInfo.h"

#include "exhibition/tests/AlbumTree.h"
#include "platform/Settings.h"
#include "styles/dialog/StyleDialog.h"
#include "styles/dialog/tests/AccessKeys.h"
#include "styles/dialog/tests/ModalAnswerer.h"
#include "styles/dialog/tests/RecordingOpener.h"
#include "styles/tests/ScratchFolder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using vitrinel::Exhibition;
using vitrinel::VitrinelDialog;
using widgettest::ModalAnswerer;

const fs::path bin = CV_BIN_DIR;
const fs::path fixtures = bin.parent_path() / "tests" / "fixtures";

class VitrinelDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(styleFolder);
        // The window keeps its place in the settings: the test's own.
        platform::Settings::setStorageFolder((scratch.path() / "config").string());
    }

    QPushButton* button(VitrinelDialog& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    stylestest::ScratchFolder scratch {"CVvitrinel"};
    fs::path saveRoot = scratch.path() / "保存先";
    fs::path styleFolder = scratch.path() / "VTStyle";
    widgettest::RecordingOpener desktop;
};

TEST_F(VitrinelDialogTest, WithoutModulesNothingCanBeCreated)
{
    // Not exhibition modules: an album module and one lacking an entry point.
    fs::copy_file(bin / "GMStyle" / "GMSNorm.so", styleFolder / "GMSNorm.so");
    fs::copy_file(fixtures / "VTIncomplete.so", styleFolder / "VTIncomplete.so");
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vitrinel"));
    EXPECT_EQ(dialog.styleSelection()->count(), 0);
    widgettest::saveScreenshot(&dialog, "vitrinel-no-styles");

    ModalAnswerer answer({}, {"vitrinel-no-style-message"});
    button(dialog, "createButton")->click();
    ASSERT_EQ(answer.seen().size(), 1u);
    EXPECT_EQ(answer.seen()[0].text, QStringLiteral("スタイルを選択できないためファイルを作成できません。"));
    EXPECT_TRUE(desktop.waitFor(0).empty());
    EXPECT_FALSE(fs::exists(exhibition.indexPage()));
}

TEST_F(VitrinelDialogTest, CreatesThePageOverTheAlbumsAndShowsIt)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    fs::copy_file(bin / "GMStyle" / "GMSNorm.so", styleFolder / "Album.so");
    vitrineltest::makeAlbumTree(saveRoot);
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    QComboBox* styles = dialog.styleSelection();
    ASSERT_EQ(styles->count(), 2);
    EXPECT_EQ(styles->itemText(0), QStringLiteral("シンプル"));
    EXPECT_EQ(styles->itemText(1), QStringLiteral("新緑"));
    styles->setCurrentIndex(1);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("styleDescription"))->text(),
              QStringLiteral("新緑の緑色を基調にしたシンプルなスタイルです。"));
    widgettest::saveScreenshot(&dialog, "vitrinel-main");

    {
        ModalAnswerer answer({}, {"vitrinel-created"});
        button(dialog, "createButton")->click();
        ASSERT_EQ(answer.waitFor(1).size(), 1u);
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("作成完了"));
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("ファイルを作成しましたので表示します。"));
        ASSERT_EQ(desktop.waitFor(1).size(), 1u);
        EXPECT_EQ(answer.seen().size(), 1u); // shown without complaint
    }
    const fs::path page = saveRoot / "Glimmora" / "index.htm";
    EXPECT_EQ(desktop.opened()[0], page.string());

    const std::string html = vitrineltest::readPage(page);
    EXPECT_NE(html.find("bgcolor=\"#70ad1d\""), std::string::npos); // the green style
    // Newest first: 山田花子 (June 2023) before Sato (2021); the subtitled
    // album under its title's folder line.
    const auto yamada = html.find(">山田花子<");
    const auto sato = html.find(">Sato<");
    const auto summer = html.find(">夏の旅行<");
    const auto second = html.find(">二日目</a>");
    ASSERT_NE(yamada, std::string::npos);
    ASSERT_NE(sato, std::string::npos);
    EXPECT_LT(yamada, sato);
    EXPECT_LT(summer, second);
    EXPECT_NE(html.find("2023 年  6 月"), std::string::npos);
    EXPECT_NE(html.find(">春の遠足</a>"), std::string::npos);
    EXPECT_NE(html.find(">運動会</a>"), std::string::npos);

    // The page made before, and help.
    button(dialog, "showPageButton")->click();
    ASSERT_EQ(desktop.waitFor(2).size(), 2u);
    button(dialog, "helpButton")->click();
    const auto opened = desktop.waitFor(3);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[1], page.string());
    EXPECT_EQ(fs::path(opened[2]), fs::path(Exhibition::helpFile()));
    EXPECT_TRUE(opened[2].ends_with("/Help/Vitrinel/index.htm"));
}

TEST_F(VitrinelDialogTest, TellsWhatCouldNotBeOpenedOrMade)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    desktop.accept(false);

    {
        ModalAnswerer answer({}, {"", "", "vitrinel-create-failed"});
        button(dialog, "showPageButton")->click();
        answer.waitFor(1);
        button(dialog, "helpButton")->click();
        answer.waitFor(2);
        button(dialog, "createButton")->click(); // nothing received yet: no album folder
        ASSERT_EQ(answer.waitFor(3).size(), 3u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("作成したファイルを表示できません。"));
        EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(answer.seen()[1].text, QStringLiteral("ヘルプファイルを開くことができません。"));
        EXPECT_TRUE(answer.seen()[2].text.startsWith(QStringLiteral("ページを作成できませんでした。")));
        EXPECT_TRUE(answer.seen()[2].text.contains(QString::fromStdString(exhibition.albumRoot())));
    }

    // A page that is made but cannot be shown.
    fs::create_directories(saveRoot / "Glimmora");
    ModalAnswerer second;
    button(dialog, "createButton")->click();
    ASSERT_EQ(second.waitFor(2).size(), 2u);
    EXPECT_EQ(second.seen()[0].caption, QStringLiteral("作成完了"));
    EXPECT_EQ(second.seen()[1].text, QStringLiteral("作成したファイルを表示できません。"));
    EXPECT_TRUE(fs::exists(saveRoot / "Glimmora" / "index.htm"));
}

TEST_F(VitrinelDialogTest, StyleManagementRefillsTheSelection)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    ASSERT_EQ(dialog.styleSelection()->count(), 2);

    bool sawDialog = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* styleDialog = qobject_cast<dialogs::StyleDialog*>(widget);
            if (!styleDialog || !styleDialog->isVisible())
                continue;
            sawDialog = true;
            EXPECT_EQ(styleDialog->findChild<QPushButton*>(QStringLiteral("homePageButton"))->text(),
                      QStringLiteral("Vitrinelホームページの表示(&H)"));
            ModalAnswerer answer({QMessageBox::Ok});
            styleDialog->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
            EXPECT_EQ(answer.seen().size(), 1u);
            styleDialog->accept();
        }
    });
    button(dialog, "manageStylesButton")->click();
    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(fs::exists(styleFolder / "VTSNorm.so"));
    EXPECT_EQ(dialog.styleSelection()->count(), 0);
}

TEST_F(VitrinelDialogTest, NoSaveRootMeansNothingToShow)
{
    ModalAnswerer answer({}, {"vitrinel-no-save-root"});
    EXPECT_FALSE(VitrinelDialog::checkSaveRoot(""));
    ASSERT_EQ(answer.seen().size(), 1u);
    EXPECT_EQ(answer.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answer.seen()[0].text, QStringLiteral("まず、Corvandelleをインストールして写真集を受信してください。\n"
                                                    "そのあとでVitrinelを起動してください。"));
    EXPECT_TRUE(VitrinelDialog::checkSaveRoot(saveRoot.string()));
    EXPECT_EQ(answer.seen().size(), 1u);
}

TEST_F(VitrinelDialogTest, WhileThePageIsWrittenTheDialogWaits)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    vitrineltest::makeAlbumTree(saveRoot);
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    dialog.show();

    ModalAnswerer answer({QMessageBox::Ok, QMessageBox::Ok});
    button(dialog, "createButton")->click();
    // Asked to close at once: nothing is asked or freed until the page is done.
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(exhibition.host().moduleCount(), 1u);
    ASSERT_EQ(answer.waitFor(1).size(), 1u);
    EXPECT_EQ(answer.seen()[0].caption, QStringLiteral("作成完了"));
    EXPECT_TRUE(dialog.isEnabled());
    dialog.close();
    ASSERT_EQ(answer.seen().size(), 2u);
    EXPECT_EQ(answer.seen()[1].text, QStringLiteral("終了してもよろしいですか？"));
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(VitrinelDialogTest, EveryWayOutAsksFirst)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    VitrinelDialog dialog(exhibition);
    dialog.show();

    {
        ModalAnswerer answer({QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel},
                             {"vitrinel-exit-question"});
        button(dialog, "exitButton")->click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        ASSERT_EQ(answer.seen().size(), 3u);
        for (const auto& box : answer.seen()) {
            EXPECT_EQ(box.text, QStringLiteral("終了してもよろしいですか？"));
            EXPECT_EQ(box.caption, QStringLiteral("Vitrinel"));
        }
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(exhibition.host().moduleCount(), 1u);

    auto* about = dialog.findChild<QAction*>(QStringLiteral("aboutAction"));
    ASSERT_NE(about, nullptr);
    {
        ModalAnswerer answer({}, {"vitrinel-about"});
        about->trigger();
        ASSERT_EQ(answer.seen().size(), 1u);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("Vitrinel バージョン ") + QString::fromUtf8(product::version));
    }

    ModalAnswerer answer({QMessageBox::Ok});
    dialog.close();
    EXPECT_EQ(answer.seen().size(), 1u);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(exhibition.host().moduleCount(), 0u); // freed on the way out
}

TEST_F(VitrinelDialogTest, KeysFocusAndTheWindowsPlaceAreKept)
{
    fs::copy_file(bin / "VTStyle" / "VTSNorm.so", styleFolder / "VTSNorm.so");
    Exhibition exhibition(saveRoot.string(), styleFolder.string());
    exhibition.loadModules();
    QRect placed;
    {
        VitrinelDialog dialog(exhibition);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(widgettest::accessKeyProblems(&dialog), "");
        // The style is chosen with the arrows and made with Enter.
        EXPECT_EQ(QApplication::focusWidget(), dialog.styleSelection());
        QTest::keyClick(&dialog, Qt::Key_V, Qt::AltModifier);
        ASSERT_EQ(desktop.waitFor(1).size(), 1u);
        EXPECT_EQ(desktop.opened()[0], exhibition.indexPage());

        dialog.setGeometry(dialog.geometry().adjusted(30, 20, 130, 90));
        placed = dialog.geometry();
        ModalAnswerer answer({QMessageBox::Ok});
        dialog.close();
        ASSERT_EQ(answer.seen().size(), 1u);
    }
    EXPECT_TRUE(platform::Settings().contains("Vitrinel", "WindowGeometry"));
    exhibition.loadModules();
    VitrinelDialog again(exhibition);
    again.show();
    EXPECT_EQ(again.geometry(), placed);
}

} // namespace
