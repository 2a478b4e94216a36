#include "guidepost/LibrarySettings.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace {

TEST(LibrarySettingsTest, AuthorNameDefaultsToThePromptAndIsKept)
{
    const auto folder = std::filesystem::temp_directory_path() / ("cvlibsettings-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    platform::Settings::setStorageFolder(folder.string());

    EXPECT_EQ(LibrarySettings::authorName(), "ここに名前を入力してください");
    ASSERT_TRUE(LibrarySettings::setAuthorName("山田 花子"));
    EXPECT_EQ(LibrarySettings::authorName(), "山田 花子");
    // Stored where the other programs of the family look for it.
    EXPECT_EQ(platform::Settings().getString("settings", "TargetRoot"), "山田 花子");
    ASSERT_TRUE(LibrarySettings::setAuthorName(""));
    EXPECT_EQ(LibrarySettings::authorName(), "");

    std::filesystem::remove_all(folder);
}

} // namespace
