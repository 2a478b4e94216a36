// The one rule that keeps outside names inside their folder.

#include "platform/SafeName.h"

#include <gtest/gtest.h>

using platform::SafeName;

TEST(SafeName, ComponentsKeepInsideTheirFolder)
{
    for (const char* good : {"a.txt", "表.txt", "...", ".hidden", "a b", "a..b"})
        EXPECT_TRUE(SafeName::isComponent(good)) << good;
    // ":" is refused wherever it stands, not only as a drive.
    for (std::string bad : std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "C:", "C:x", "a:b", "x:",
                                                    std::string("a\0b", 3)})
        EXPECT_FALSE(SafeName::isComponent(bad)) << bad;
}

TEST(SafeName, PathsSplitIntoComponentsOrNothing)
{
    EXPECT_EQ(SafeName::split("a/b\\c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SafeName::split("./a//b/"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SafeName::split(""), std::vector<std::string>{});
    for (const char* bad : {"/abs", "\\abs", "../up", "a/../b", "C:/x", "a/b:c", "a/.."})
        EXPECT_FALSE(SafeName::split(bad).has_value()) << bad;
}

TEST(SafeName, FoldersBelowABase)
{
    EXPECT_TRUE(SafeName::isInside("/r/list", "/r/list"));
    EXPECT_TRUE(SafeName::isInside("/r/list", "/r/list/a/b"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r/listing"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r/list/../x"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r/list/a//b"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r/list/a\\b"));
    EXPECT_FALSE(SafeName::isInside("/r/list", "/r/list/c:"));
}
