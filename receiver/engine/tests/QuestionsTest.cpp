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

TEST(QuestionsTest, CertificationQuestionsAnswerByTheirButtons)
{
    Question offer = Questions::tryCertification("http://example.test/dist/");
    EXPECT_EQ(offer.caption, "認証情報");
    EXPECT_EQ(offer.buttons.at(CertifyNow), "認証作業を行う");
    EXPECT_EQ(offer.buttons.at(CertifySkip), "認証作業をせずに受信する");
    EXPECT_EQ(offer.buttons.at(CertifyStop), "受信をやめる");
    EXPECT_EQ(offer.closeButton, CertifyStop);

    Question failed = Questions::notCertified("理由", "http://example.test/dist/");
    EXPECT_EQ(failed.text, "理由");
    EXPECT_EQ(failed.buttons.at(NotCertifiedOpenSite), "認証サイトの情報を見る");
    EXPECT_EQ(failed.buttons.at(NotCertifiedContinue), "このまま受信を続ける");
    EXPECT_EQ(failed.closeButton, NotCertifiedStop);

    Question done = Questions::certified("/save/certified/x", "http://x");
    EXPECT_EQ(done.buttons.at(CertifiedOpenPage), "追加情報ページを開く");
    EXPECT_EQ(done.buttons.at(CertifiedContinue), "受信を続ける");
    EXPECT_EQ(done.buttons.at(CertifiedStop), "受信をやめる");
    EXPECT_EQ(done.defaultButton, CertifiedContinue);
}
