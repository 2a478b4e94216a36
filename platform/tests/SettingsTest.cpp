#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("cvsettings-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        platform::Settings::setStorageFolder(folder_.string());
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(SettingsTest, ReadsBackWhatWasWrittenByAnotherInstance)
{
    {
        platform::Settings s;
        s.setString("settings", "RootFolder", "/home/利用者/受信");
        s.setInt("settings", "ReportStyle", 2);
        s.setBool("settings", "Logging", true);
        s.setBool("settings", "GenReport", false);
        s.setBytes("Proxy", "mammal", std::string("\x00\xff\x01", 3));
        ASSERT_TRUE(s.sync());
    }
    platform::Settings s;
    EXPECT_EQ(s.getString("settings", "RootFolder"), "/home/利用者/受信");
    EXPECT_EQ(s.getInt("settings", "ReportStyle", 0), 2);
    EXPECT_TRUE(s.getBool("settings", "Logging", false));
    EXPECT_FALSE(s.getBool("settings", "GenReport", true));
    EXPECT_EQ(s.getBytes("Proxy", "mammal"), std::string("\x00\xff\x01", 3));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "Quillmere" / "Corvandelle.conf"));
}

TEST_F(SettingsTest, AbsentValuesGiveDefaultsAndOnlyYesIsTrue)
{
    platform::Settings s;
    EXPECT_EQ(s.getString("settings", "Missing", "既定"), "既定");
    EXPECT_EQ(s.getInt("settings", "Missing", 7), 7);
    EXPECT_TRUE(s.getBool("settings", "Missing", true));
    s.setString("settings", "Flag", "Yes");
    EXPECT_FALSE(s.getBool("settings", "Flag", true));
    s.setString("settings", "Number", "12abc");
    EXPECT_EQ(s.getInt("settings", "Number", 0), 12);
}

TEST_F(SettingsTest, ListsAndRemovesNamesOfASection)
{
    platform::Settings s;
    s.setString("Recent Download List", "1", "a");
    s.setString("Recent Download List", "2", "b");
    EXPECT_EQ(s.names("Recent Download List").size(), 2u);
    s.remove("Recent Download List", "1");
    EXPECT_FALSE(s.contains("Recent Download List", "1"));
    s.removeSection("Recent Download List");
    EXPECT_TRUE(s.names("Recent Download List").empty());
}

} // namespace
