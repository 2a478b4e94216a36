// `vitrinel --generate` as a script runs it: in a home of its own, without a
// display, writing the page and printing its path.

#include "exhibition/tests/AlbumTree.h"
#include "platform/Settings.h"
#include "platform/tests/ProgramRun.h"
#include "styles/tests/ScratchFolder.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using platformtest::ProgramResult;
using platformtest::ProgramRun;

const std::string vitrinel = std::string(CV_BIN_DIR) + "/vitrinel";
// Nothing to draw on: the command must not need it.
const QStringList noDisplay {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                             QStringLiteral("QT_QPA_PLATFORM")};

class VitrinelGenerateTest : public ::testing::Test {
protected:
    stylestest::ScratchFolder home {"CVvtgen"};
    ProgramRun program {home.path()};
    fs::path saveRoot = home.path() / "受信";

    void storeSaveRoot()
    {
        platform::Settings::setStorageFolder(program.configFolder().string());
        platform::Settings settings;
        settings.setString("settings", "RootFolder", saveRoot.string());
        ASSERT_TRUE(settings.sync());
    }

    ProgramResult generate(const QStringList& more = {})
    {
        return program.run(vitrinel, QStringList {QStringLiteral("--generate")} + more, {}, noDisplay);
    }
};

TEST_F(VitrinelGenerateTest, WritesThePageAndPrintsItsPath)
{
    vitrineltest::makeAlbumTree(saveRoot);
    storeSaveRoot();
    ProgramResult result = generate();
    ASSERT_FALSE(result.crashed) << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const fs::path page = saveRoot / "Glimmora" / "index.htm";
    EXPECT_EQ(result.out, page.string() + "\n");
    std::string html = vitrineltest::readPage(page);
    EXPECT_NE(html.find("<BlockQuote>"), std::string::npos); // the first style, シンプル
    EXPECT_NE(html.find(">夏の旅行<"), std::string::npos);
    EXPECT_TRUE(program.recorder().opened().empty()); // nothing opened

    result = generate({QStringLiteral("--style"), QStringLiteral("VTSNorm:1")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    html = vitrineltest::readPage(page);
    EXPECT_NE(html.find("bgcolor=\"#70ad1d\""), std::string::npos);
    EXPECT_EQ(html.find("<BlockQuote>"), std::string::npos);
}

TEST_F(VitrinelGenerateTest, SaysWhyNothingWasWritten)
{
    ProgramResult result = generate();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "まず、Corvandelleをインストールして写真集を受信してください。\nそのあとでVitrinelを起動してください。\n");

    storeSaveRoot(); // nothing received yet
    result = generate();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("ページを作成できませんでした。"), std::string::npos);
    EXPECT_NE(result.err.find((saveRoot / "Glimmora").string()), std::string::npos);

    fs::create_directories(saveRoot / "Glimmora");
    for (const char* bad : {"VTSNorm:2", "VTSNone:0", "VTSNorm", "VTSNorm:", ":0", "VTSNorm:1x"}) {
        result = generate({QStringLiteral("--style"), QString::fromLatin1(bad)});
        EXPECT_EQ(result.exitCode, 2) << bad;
        EXPECT_NE(result.err.find("スタイルがありません"), std::string::npos) << bad;
        EXPECT_NE(result.err.find("VTSNorm:1  新緑"), std::string::npos) << bad;
    }
    EXPECT_FALSE(fs::exists(saveRoot / "Glimmora" / "index.htm"));
}

TEST_F(VitrinelGenerateTest, WithoutAStoredSaveRootTheReceiversDefaultIsUsed)
{
    // What corvan-cli leaves: albums in the default save root, nothing stored.
    const fs::path defaultRoot = home.path() / "Documents" / "Corvan";
    vitrineltest::makeAlbumTree(defaultRoot);
    ProgramResult result = generate();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const fs::path page = defaultRoot / "Glimmora" / "index.htm";
    EXPECT_EQ(result.out, page.string() + "\n");
    EXPECT_NE(vitrineltest::readPage(page).find(">夏の旅行<"), std::string::npos);

    // A stored save root still comes first.
    vitrineltest::makeAlbumTree(saveRoot);
    storeSaveRoot();
    result = generate();
    EXPECT_EQ(result.out, (saveRoot / "Glimmora" / "index.htm").string() + "\n");
}

TEST_F(VitrinelGenerateTest, MemoryGrowsLinearlyWithTheFolderDepth)
{
    // As deep as a path can go with one-letter folders, an album every 100
    // levels. Kept whole, each folder's path from the root made this some
    // hundreds of MB; bounded by the data limit, it must still be written.
    const int depth = 1900;
    fs::path folder = saveRoot / "Glimmora";
    for (int level = 1; level <= depth; ++level) {
        folder /= "d";
        if (level % 100 == 0)
            vitrineltest::addAlbum(folder, vitrineltest::localDay(2020, 1 + level / 200, 1));
    }
    fs::create_directories(folder);
    storeSaveRoot();
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    ASSERT_FALSE(prlimit.isEmpty()) << "prlimit is missing: apt-get install util-linux";
    const ProgramResult result = program.run(prlimit.toStdString(),
                                             {QStringLiteral("--data=%1").arg(96 << 20), QString::fromStdString(vitrinel),
                                              QStringLiteral("--generate")},
                                             {}, noDisplay);
    ASSERT_FALSE(result.crashed) << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string html = vitrineltest::readPage(saveRoot / "Glimmora" / "index.htm");
    std::string deepest;
    for (int level = 1; level <= depth; ++level)
        deepest += "d/";
    EXPECT_NE(html.find("\"" + deepest + "index.htm\""), std::string::npos);
}

TEST_F(VitrinelGenerateTest, UsageErrorsAndHelp)
{
    ProgramResult result = program.run(vitrinel, {QStringLiteral("--generate"), QStringLiteral("--bogus")}, {},
                                       noDisplay);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("使い方: vitrinel"), std::string::npos);
    result = program.run(vitrinel, {QStringLiteral("--style"), QStringLiteral("VTSNorm:0")}, {}, noDisplay);
    EXPECT_EQ(result.exitCode, 2);

    result = program.run(vitrinel, {QStringLiteral("--help")}, {}, noDisplay);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("--generate"), std::string::npos);
    EXPECT_NE(result.out.find("VTSNorm:0  シンプル  標準的なスタイルです。"), std::string::npos);
}

} // namespace
