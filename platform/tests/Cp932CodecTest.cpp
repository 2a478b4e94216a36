#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

using platform::CodecError;
using platform::Cp932Codec;

TEST(Cp932Codec, ConvertsJapaneseBothWays)
{
    const std::string utf8 = "受信フォルダ\\ｶﾅ~";
    const std::string sjis = Cp932Codec::fromUtf8(utf8);
    EXPECT_EQ(sjis, "\x8e\xf3\x90\x4d\x83\x74\x83\x48\x83\x8b\x83\x5f\\\xb6\xc5~");
    EXPECT_EQ(Cp932Codec::toUtf8(sjis), utf8);
}

TEST(Cp932Codec, KeepsBackslashAndTildeAsWindowsDoes)
{
    // 0x5C and 0x7E are "\" and "~" in code page 932, not yen and overline;
    // a trail byte of 0x5C (as in "ソ") must not be taken for a separator.
    EXPECT_EQ(Cp932Codec::toUtf8("a\\b~"), "a\\b~");
    EXPECT_EQ(Cp932Codec::fromUtf8("ソ"), "\x83\x5c");
    EXPECT_EQ(Cp932Codec::toUtf8("\x83\x5c"), "ソ");
    EXPECT_EQ(Cp932Codec::fromUtf8("～"), "\x81\x60");
}

TEST(Cp932Codec, EncodesDuplicatesAsWindows)
{
    EXPECT_EQ(Cp932Codec::fromUtf8("∵"), "\x81\xe6");   // JIS row, not NEC row 13
    EXPECT_EQ(Cp932Codec::fromUtf8("Ⅰ"), "\x87\x54");   // NEC row 13
    EXPECT_EQ(Cp932Codec::fromUtf8("ⅰ"), "\xfa\x40");   // IBM extension, not 0xEEEF
    EXPECT_EQ(Cp932Codec::toUtf8("\xee\xef"), "ⅰ");
}

TEST(Cp932Codec, RefusesWhatCannotBeConverted)
{
    EXPECT_THROW(Cp932Codec::fromUtf8("emoji 😀"), CodecError);
    EXPECT_THROW(Cp932Codec::fromUtf8("\xff\xfe"), CodecError);   // not UTF-8
    EXPECT_THROW(Cp932Codec::fromUtf8("\xc0\xaf"), CodecError);   // overlong "/"
    EXPECT_THROW(Cp932Codec::toUtf8("\x82"), CodecError);         // lead byte cut short
    EXPECT_THROW(Cp932Codec::toUtf8("\x82\x20"), CodecError);     // bad trail byte
    EXPECT_THROW(Cp932Codec::toUtf8("\x80"), CodecError);
    try {
        Cp932Codec::fromUtf8("ab😀");
        FAIL();
    } catch (const CodecError& e) {
        EXPECT_NE(std::string(e.what()).find("😀"), std::string::npos) << "the message names the character";
    }
    std::string out = "x";
    EXPECT_FALSE(Cp932Codec::tryToUtf8("\x82", out));
    EXPECT_TRUE(out.empty());
}

TEST(Cp932Codec, CountsAndCutsByCodePage932Bytes)
{
    EXPECT_EQ(Cp932Codec::byteLength("aあｱ"), 4u);
    EXPECT_EQ(Cp932Codec::truncateUtf8("aあい", 4), "aあ");
    EXPECT_EQ(Cp932Codec::truncateUtf8("aあい", 2), "a");   // never half of あ
    EXPECT_EQ(Cp932Codec::truncateUtf8("aあい", 100), "aあい");
    const std::string sjis = Cp932Codec::fromUtf8("aあい");
    EXPECT_EQ(Cp932Codec::truncateCp932(sjis, 4), sjis.substr(0, 3));
    EXPECT_EQ(Cp932Codec::truncateCp932(sjis, 5), sjis);
    EXPECT_EQ(Cp932Codec::truncateCp932("\x82", 5), "");      // a lone lead byte is not a character
}

TEST(Cp932Codec, RoundTripsEveryCharacterOfTheCodePage)
{
    int count = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932Codec::isLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            char32_t cp;
            if (Cp932Codec::decodeOne(in, 2, cp) == 0)
                continue;
            ++count;
            unsigned char out[2];
            ASSERT_GT(Cp932Codec::encodeOne(cp, out), 0u) << std::hex << lead << trail;
            char32_t again;
            ASSERT_EQ(Cp932Codec::decodeOne(out, 2, again), 2u);
            EXPECT_EQ(again, cp);
        }
    }
    EXPECT_GT(count, 7000);
}
