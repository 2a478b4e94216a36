#include "platform/Shell.h"

#include "platform/tests/RecordingXdgOpen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

TEST(Shell, OpensThroughTheRecorderWhenOneIsSet)
{
    std::vector<std::string> opened;
    platform::Shell::setOpener([&](const std::string& target) {
        opened.push_back(target);
        return target != "refused";
    });
    EXPECT_TRUE(platform::Shell::open("/tmp/_html___/report.htm"));
    EXPECT_FALSE(platform::Shell::open("refused"));
    platform::Shell::setOpener({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "/tmp/_html___/report.htm");
}

TEST(Shell, HandsPathsAndAddressesToXdgOpen)
{
    std::string pattern = (fs::temp_directory_path() / "CVshellXXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    platformtest::RecordingXdgOpen recorder(folder);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (recorder.binFolder() + ":" + oldPath).c_str(), 1);

    const fs::path page = folder / "受信 レポート.htm";
    std::ofstream(page) << "<html></html>";
    EXPECT_TRUE(platform::Shell::open(page.string()));
    auto opened = recorder.waitFor(1);
    EXPECT_TRUE(platform::Shell::open("https://example.invalid/a b"));
    opened = recorder.waitFor(2);
    // A file that is not there is refused before anything starts.
    EXPECT_FALSE(platform::Shell::open((folder / "none.htm").string()));
    EXPECT_FALSE(platform::Shell::open(""));

    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], page.string());
    EXPECT_EQ(opened[1], "https://example.invalid/a b");
    EXPECT_EQ(recorder.opened().size(), 2u);
    fs::remove_all(folder);
}
