// rootgate as a user starts it, in a home of the test's own, with a
// recording xdg-open: it opens the stored save folder, or the default one,
// says nothing and ends with 0.

#include "platform/Settings.h"
#include "platform/tests/ProgramRun.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using platformtest::ProgramRun;

const std::string rootgate = std::string(CV_BIN_DIR) + "/rootgate";

class RootgateTest : public ::testing::Test {
protected:
    stylestest::ScratchFolder home {"CVrootgate"};
    ProgramRun program {home.path()};

    void storeSaveRoot(const std::string& folder)
    {
        platform::Settings::setStorageFolder(program.configFolder().string());
        platform::Settings settings;
        settings.setString("settings", "RootFolder", folder);
        ASSERT_TRUE(settings.sync());
    }
};

TEST_F(RootgateTest, OpensTheStoredSaveFolderAsItIs)
{
    const fs::path saveRoot = home.path() / "受信 フォルダ";
    fs::create_directories(saveRoot);
    // Not a folder the receiver would accept, but the launcher does not judge.
    storeSaveRoot(saveRoot.string());

    platformtest::ProgramResult result = program.run(rootgate, {});
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    auto opened = program.recorder().waitFor(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], saveRoot.string());
}

TEST_F(RootgateTest, OpensTheDefaultSaveFolderWhenNoneIsStored)
{
    const fs::path defaultRoot = home.path() / "Documents" / "Corvan";
    fs::create_directories(defaultRoot);
    platformtest::ProgramResult result = program.run(rootgate, {});
    EXPECT_EQ(result.exitCode, 0);
    auto opened = program.recorder().waitFor(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], defaultRoot.string());
}

TEST_F(RootgateTest, OpensNothingWhenTheFolderIsNotThere)
{
    platformtest::ProgramResult result = program.run(rootgate, {});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    // Nothing is started for a missing folder, so the record stays empty
    // once the program has ended.
    EXPECT_TRUE(program.recorder().opened().empty());
    EXPECT_TRUE(fs::is_directory(home.path() / "Documents"));
    EXPECT_FALSE(fs::exists(home.path() / "Documents" / "Corvan"));

    storeSaveRoot((home.path() / "gone").string());
    result = program.run(rootgate, {});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(program.recorder().opened().empty());
}

} // namespace
