#include "TestFolder.h"

#include "receiver/engine/GuidePostLocation.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

TEST(GuidePostLocationTest, PathsAndFileUrlsNameLocalGuidePosts)
{
    bool remote = true;
    EXPECT_EQ(GuidePostLocation::localPathOf(" /a/b.gp ", remote), "/a/b.gp");
    EXPECT_FALSE(remote);
    EXPECT_EQ(GuidePostLocation::localPathOf("file:///a/%E8%A1%A8%20x.gpa", remote), "/a/表 x.gpa");
    EXPECT_EQ(GuidePostLocation::localPathOf("FILE://localhost/a.gp", remote), "/a.gp");
    EXPECT_EQ(GuidePostLocation::localPathOf("file://otherhost/a.gp", remote), "");
    EXPECT_EQ(GuidePostLocation::localPathOf("file:///a%00b", remote), "");
    EXPECT_EQ(GuidePostLocation::localPathOf("", remote), "");
    EXPECT_FALSE(remote);
    EXPECT_EQ(GuidePostLocation::localPathOf("http://127.0.0.1/a.gp", remote), "");
    EXPECT_TRUE(remote);
}

TEST(GuidePostLocationTest, SaveRootIsCreatedOneLevelOnly)
{
    TestFolder dir;
    EXPECT_EQ(GuidePostLocation::prepareSaveRoot(dir / "new"), dir / "new");
    EXPECT_TRUE(fs::is_directory(dir / "new"));
    EXPECT_EQ(GuidePostLocation::prepareSaveRoot(dir / "new"), dir / "new") << "an existing root is used";
    EXPECT_EQ(GuidePostLocation::prepareSaveRoot(dir / "missing/child"), "");
    EXPECT_FALSE(fs::exists(dir / "missing"));
    writeFile(dir / "file", "x");
    EXPECT_EQ(GuidePostLocation::prepareSaveRoot(dir / "file"), "");
}
