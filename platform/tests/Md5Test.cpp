#include "platform/Md5.h"
#include "TestServers.h"

#include <gtest/gtest.h>

using platform::Md5;

TEST(Md5, GivesTheDigestsOfTheRfc1321TestSuite)
{
    EXPECT_EQ(Md5::ofText(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5::ofText("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Md5::ofText("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5::ofText("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5::ofText("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Md5::ofText("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Md5::ofText("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, DigestsAFileLikeItsTextWhateverTheChunking)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += static_cast<char>(i * 7);
    auto dir = testservers::scratchFolder("md5");
    testservers::writeFile(dir / "f.bin", text);
    std::string hex;
    ASSERT_TRUE(Md5::ofFile((dir / "f.bin").string(), hex));
    EXPECT_EQ(hex, Md5::ofText(text));
    Md5 pieces;
    for (std::size_t i = 0; i < text.size(); i += 63)
        pieces.update(std::string_view(text).substr(i, 63));
    EXPECT_EQ(pieces.hexDigest(), hex);
    EXPECT_FALSE(Md5::ofFile((dir / "absent").string(), hex));
    std::filesystem::remove_all(dir);
}
