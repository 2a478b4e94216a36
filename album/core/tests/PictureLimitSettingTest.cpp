// The picture limit kept between runs: stored and read back under the album
// program's section, and the default for a value out of range.

#include "album/core/PictureLimitSetting.h"
#include "platform/Settings.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using album::PictureLimitSetting;
using album::PictureSize;

TEST(PictureLimitSettingTest, KeepsTheLimitUnderTheAlbumSection)
{
    stylestest::ScratchFolder folder("CVlimit");
    platform::Settings::setStorageFolder(folder.path().string());
    EXPECT_EQ(PictureLimitSetting::load(), (PictureSize {400, 400}));

    ASSERT_TRUE(PictureLimitSetting::store({640, 480}));
    EXPECT_EQ(PictureLimitSetting::load(), (PictureSize {640, 480}));
    std::ifstream in(folder.path() / "Quillmere" / "Corvandelle.conf");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Glimmora]"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("MaxWidth=640"), std::string::npos) << text.str();

    EXPECT_FALSE(PictureLimitSetting::store({0, 480}));
    EXPECT_FALSE(PictureLimitSetting::store({640, 100000}));
    EXPECT_EQ(PictureLimitSetting::load(), (PictureSize {640, 480}));

    platform::Settings settings;
    settings.setString("Glimmora", "MaxHeight", "many");
    settings.sync();
    EXPECT_EQ(PictureLimitSetting::load(), (PictureSize {400, 400}));
}
