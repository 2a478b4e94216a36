#include "guidepost/CAMException.h"
#include "guidepost/CCVCException.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <string>

TEST(CAMException, CodesOutsideTheTableGiveTheGeneralText)
{
    EXPECT_STREQ(CAMException(-1).message(), "エラーが生じました");
    EXPECT_STREQ(CAMException(44).message(), "エラーが生じました");
    EXPECT_STREQ(CAMException(10).message(), "エラーが生じました");
    EXPECT_STREQ(CAMException(0).message(), "GuidePostファイルが正しくありません");
    EXPECT_STREQ(CAMException(43).message(), "ユーザが中止しました");
    EXPECT_STREQ(CAMException(9).message(), CAMException(19).message());
}

TEST(CAMException, EveryMessageFitsItsEightyFourByteRowInShiftJis)
{
    // The stored rows are 84 bytes, terminator included.
    for (int code = 0; code <= 43; ++code)
        EXPECT_LT(platform::Cp932Codec::byteLength(CAMException(code).message()), 84u) << code;
}

TEST(CCVCException, OnlyCodesOneToNineteenHaveMessages)
{
    EXPECT_EQ(CCVCException(0).message(), nullptr);
    EXPECT_EQ(CCVCException(20).message(), nullptr);
    EXPECT_EQ(CCVCException(6).message(), nullptr);
    EXPECT_STREQ(CCVCException(5).message(), "保存タイプが正しくありません");
    EXPECT_STREQ(CCVCException(19).message(), "PROXYデータの削除でエラーが生じました");
    EXPECT_STREQ(CCVCException(1).what(), "IDが正しくありません");
}
