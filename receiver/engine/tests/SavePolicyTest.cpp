#include "ScriptedHost.h"
#include "TestFolder.h"

#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/SavePolicy.h"

#include "guidepost/Keywords.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

namespace {

struct SavePolicyTest : ::testing::Test {
    TestFolder dir;
    ScriptedHost host;
    ReceiveProgress progress;
    PolicyMemory memory;
    SavePolicy policy{host, progress, memory};
    std::string existing;
    void SetUp() override
    {
        existing = dir / "old.txt";
        writeFile(existing, "old");
        setTime(existing, 1'000'000);
    }
    int code(const ReceiveError& e) { return e.code(); }
};

TEST_F(SavePolicyTest, TheFourPoliciesAgainstExistingNewerAndOlderFiles)
{
    const std::string missing = dir / "missing.txt";
    for (int p : {0, 1, 2, 3})
        EXPECT_TRUE(policy.shouldReceive(missing, p, Transfer::Http, 5)) << "a missing file is always received";
    EXPECT_EQ(host.count(QuestionKind::Overwrite), 0);

    EXPECT_TRUE(policy.shouldReceive(existing, guidepost::UpdateForce, Transfer::Http, std::nullopt));
    EXPECT_FALSE(policy.shouldReceive(existing, guidepost::UpdateIfNotExist, Transfer::Http, std::nullopt));
    // Time comparison: only a strictly newer remote time replaces.
    EXPECT_TRUE(policy.shouldReceive(existing, guidepost::UpdateUp2Date, Transfer::Http, 1'000'001));
    EXPECT_FALSE(policy.shouldReceive(existing, guidepost::UpdateUp2Date, Transfer::Http, 1'000'000));
    EXPECT_FALSE(policy.shouldReceive(existing, guidepost::UpdateUp2Date, Transfer::Attach, 999'999));
    EXPECT_EQ(host.count(QuestionKind::Overwrite), 0);

    // Default policy (and up2date over FTP) ask.
    host.script(QuestionKind::Overwrite, {OverwriteNotThis, OverwriteThis});
    EXPECT_FALSE(policy.shouldReceive(existing, guidepost::UpdateDefault, Transfer::Http, std::nullopt));
    EXPECT_TRUE(policy.shouldReceive(existing, guidepost::UpdateUp2Date, Transfer::Ftp, 2'000'000));
    ASSERT_EQ(host.count(QuestionKind::Overwrite), 2);
    EXPECT_NE(host.asked.back().text.find(existing), std::string::npos);
    EXPECT_EQ(host.asked.back().caption, texts::overwriteCaption);
}

TEST_F(SavePolicyTest, OverwriteAnswersThatHoldForTheRestOfTheReceive)
{
    host.script(QuestionKind::Overwrite, {OverwriteAll});
    EXPECT_TRUE(policy.shouldReceive(existing, 0, Transfer::Http, std::nullopt));
    EXPECT_TRUE(policy.shouldReceive(existing, 0, Transfer::Attach, std::nullopt));
    EXPECT_EQ(host.count(QuestionKind::Overwrite), 1);
    EXPECT_EQ(memory.overwriteMode, 3);

    memory.overwriteMode = 0;
    host.script(QuestionKind::Overwrite, {OverwriteOnlyNew});
    EXPECT_FALSE(policy.shouldReceive(existing, 0, Transfer::Http, std::nullopt));
    EXPECT_FALSE(policy.shouldReceive(existing, 0, Transfer::Http, std::nullopt));
    EXPECT_EQ(host.count(QuestionKind::Overwrite), 2);

    memory.overwriteMode = 0;
    host.script(QuestionKind::Overwrite, {OverwriteStopAll});
    try {
        policy.shouldReceive(existing, 0, Transfer::Http, std::nullopt);
        FAIL();
    } catch (const ReceiveError& e) {
        EXPECT_EQ(e.code(), CAMException::UserCancelled);
    }
    EXPECT_TRUE(progress.cancel);
}

TEST_F(SavePolicyTest, ConfirmationsOfForceAndUp2DateAtEachLevel)
{
    PolicyState state;
    // "allow all" stops every later confirmation of this receive.
    host.script(QuestionKind::UpdateForce, {UpdateAllowAll});
    EXPECT_TRUE(policy.resolve(PolicyLevel::Task, "T", guidepost::UpdateForce, false, state));
    EXPECT_EQ(state.policy, guidepost::UpdateForce);
    EXPECT_NE(host.asked.back().text.find("[ T ] というタスク"), std::string::npos);
    PolicyState fresh;
    EXPECT_TRUE(policy.resolve(PolicyLevel::File, "f", guidepost::UpdateUp2Date, false, fresh));
    EXPECT_EQ(fresh.policy, guidepost::UpdateUp2Date);
    EXPECT_TRUE(fresh.synchronize);
    EXPECT_EQ(host.asked.size(), 1u);

    memory.askUpdate = true;
    PolicyState item;
    host.script(QuestionKind::UpdateUp2Date, {UpdateAllowItem});
    EXPECT_TRUE(policy.resolve(PolicyLevel::Source, "S", guidepost::UpdateUp2Date, false, item));
    EXPECT_FALSE(item.synchronize) << "up2date at source level leaves synchronize alone";
    PolicyState below = item;
    EXPECT_TRUE(policy.resolve(PolicyLevel::FileList, "L", guidepost::UpdateForce, false, below));
    EXPECT_EQ(below.policy, guidepost::UpdateForce) << "not asked again below an allowed item";
    EXPECT_EQ(host.asked.size(), 2u);

    PolicyState instead;
    instead.synchronize = true;
    host.script(QuestionKind::UpdateUp2Date, {UpdateAskInstead});
    EXPECT_TRUE(policy.resolve(PolicyLevel::File, "f", guidepost::UpdateUp2Date, false, instead));
    EXPECT_EQ(instead.policy, guidepost::UpdateDefault);
    EXPECT_FALSE(instead.synchronize);

    PolicyState stop;
    host.script(QuestionKind::UpdateForce, {UpdateStop});
    EXPECT_FALSE(policy.resolve(PolicyLevel::FileList, "L", guidepost::UpdateForce, false, stop));

    // FTP files do not read up2date.
    PolicyState ftp;
    EXPECT_TRUE(policy.resolve(PolicyLevel::File, "f", guidepost::UpdateUp2Date, false, ftp, Transfer::Ftp));
    EXPECT_EQ(ftp.policy, guidepost::UpdateDefault);
}

TEST_F(SavePolicyTest, IfNotExistOfferedAsDefaultOnceWhenI2nIsSet)
{
    PolicyState off;
    EXPECT_TRUE(policy.resolve(PolicyLevel::Task, "T", guidepost::UpdateIfNotExist, false, off));
    EXPECT_EQ(off.policy, guidepost::UpdateIfNotExist);
    EXPECT_TRUE(host.asked.empty());

    PolicyState on;
    on.ifnotexistToUpdate = true;
    host.script(QuestionKind::IfNotExist, {AnswerOk});
    EXPECT_TRUE(policy.resolve(PolicyLevel::Task, "T", guidepost::UpdateIfNotExist, false, on));
    EXPECT_EQ(on.policy, guidepost::UpdateDefault);
    EXPECT_EQ(host.asked.back().text, texts::ifNotExistText);
    PolicyState below = on;
    EXPECT_TRUE(policy.resolve(PolicyLevel::File, "f", guidepost::UpdateIfNotExist, false, below));
    EXPECT_EQ(below.policy, guidepost::UpdateDefault);
    EXPECT_EQ(host.count(QuestionKind::IfNotExist), 1);

    PolicyState cancel;
    cancel.ifnotexistToUpdate = true;
    host.script(QuestionKind::IfNotExist, {AnswerCancel});
    EXPECT_TRUE(policy.resolve(PolicyLevel::Task, "T", guidepost::UpdateIfNotExist, false, cancel));
    EXPECT_EQ(cancel.policy, guidepost::UpdateIfNotExist);
    EXPECT_FALSE(cancel.ifnotexistToUpdate);
}

} // namespace
