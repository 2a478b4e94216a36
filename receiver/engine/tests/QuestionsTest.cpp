#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveTexts.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

using namespace receive;

TEST(QuestionsTest, WelcomeShowsCommentsUnder512BytesOfCodePage932)
{
    // "あ" is two bytes in code page 932 and three in UTF-8.
    std::string shown = std::string(255, 'x') + "あ";
    for (int i = 0; i < 127; ++i)
        shown += "あ";
    ASSERT_EQ(platform::Cp932Codec::byteLength(shown), 511u);
    EXPECT_EQ(Questions::welcome("c", "2026/3/7", "1", shown).text, shown);
    EXPECT_EQ(Questions::welcome("c", "", "1", shown + "x").text, texts::welcomeDefaultComment);
    EXPECT_EQ(Questions::welcome("c", "", "1", "").text, texts::welcomeDefaultComment);

    Question q = Questions::welcome("作者", "2026/3/7", "1.0", "ok");
    ASSERT_EQ(q.buttons.size(), 4u);
    EXPECT_EQ(q.buttons[WelcomeConfirmTasks], "タスクを確認しながら\r受信する");
    EXPECT_EQ(q.closeButton, WelcomeDoNotReceive);
    EXPECT_EQ(q.fields[1].second, "2026/3/7");
}

TEST(QuestionsTest, LevelTextsNameTheItem)
{
    EXPECT_EQ(Questions::updateForce(PolicyLevel::Source, "サイト").text,
              "[ サイト ] というサイトまたは添付ファイルのファイルをすべて自動更新します");
    EXPECT_EQ(Questions::updateUp2Date(PolicyLevel::FileList, "L").text,
              "[ L ] というファイルリストのファイルをすべて時刻比較更新します");
    EXPECT_EQ(Questions::overwrite("/r/a.txt").text,
              "受信先フォルダにすでに /r/a.txt というファイルが存在しています。\r\nこのあとの処理の方法を選んでボタンを押してください。\r\n");
    EXPECT_EQ(Questions::overwrite("x").closeButton, OverwriteStopAll);
}
