// The guide "Glimmora アシスタント": its bounds, the steps the controls lead
// to, and where each step sends the focus.

#include "album/core/AlbumAssistant.h"
#include "album/core/AlbumTexts.h"

#include <gtest/gtest.h>

#include <string>

using album::AlbumAssistant;
using Field = AlbumAssistant::Field;

TEST(AlbumAssistantTest, NextAndBackStayWithinTheTenSteps)
{
    AlbumAssistant guide;
    EXPECT_EQ(guide.step(), 0);
    guide.back();
    EXPECT_EQ(guide.step(), 0);
    for (int i = 0; i < 12; ++i)
        guide.next();
    EXPECT_EQ(guide.step(), 9);
    EXPECT_EQ(std::string(guide.text()), "写真集の作成・発行が終わりました。\r\n\r\n終了する場合には「終了」を押してください。");
    guide.back();
    EXPECT_EQ(guide.step(), 8);
    guide.reset();
    EXPECT_EQ(guide.step(), 0);
    EXPECT_EQ(std::string(guide.text()), "Glimmoraへようこそ。\r\n\r\n「次へ」を押すと説明が表示されます。");
}

TEST(AlbumAssistantTest, ControlsLeadToTheirSteps)
{
    AlbumAssistant guide;
    const std::pair<Field, int> cases[] = {
        {Field::Creator, 1}, {Field::Title, 2}, {Field::Subtitle, 3}, {Field::Date, 4}, {Field::Style, 7},
    };
    for (const auto& [field, step] : cases) {
        guide.reset();
        guide.focused(field);
        EXPECT_EQ(guide.step(), step);
    }
    // The check box and other controls leave the step alone.
    guide.focused(Field::SubtitleCheck);
    guide.focused(Field::None);
    EXPECT_EQ(guide.step(), 7);
    // Checking the subtitle at step 7 goes back to 3.
    guide.subtitleChecked();
    EXPECT_EQ(guide.step(), 3);
    guide.filesAdded();
    EXPECT_EQ(guide.step(), 6);
}

TEST(AlbumAssistantTest, StepsSendTheFocusWhereTheirTextsPoint)
{
    AlbumAssistant guide;
    const Field withSubtitle[] = {Field::None, Field::Creator, Field::Title, Field::Subtitle, Field::Date,
                                  Field::None, Field::None,    Field::Style, Field::None,     Field::None};
    for (int step = 0; step <= 9; ++step) {
        EXPECT_EQ(guide.focusTarget(true), withSubtitle[step]) << step;
        EXPECT_EQ(guide.focusTarget(false), step == 3 ? Field::SubtitleCheck : withSubtitle[step]) << step;
        EXPECT_EQ(std::string(guide.text()), album::texts::assistantSteps[step]);
        // Focusing the control a step points at keeps that step.
        const int before = guide.step();
        guide.focused(guide.focusTarget(true));
        EXPECT_EQ(guide.step(), before);
        guide.next();
    }
}
