#include "platform/InternetBodyFile.h"
#include "platform/TempFile.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace platform;
using testservers::readFile;

namespace {

TEST(InternetBodyFileTest, WritesTheBodyAndReportsWhatCouldNotReachTheDisk)
{
    TempFile temp;
    ASSERT_TRUE(temp.create());
    {
        InternetBodyFile body;
        EXPECT_TRUE(body.close());  // nothing open yet
        ASSERT_TRUE(body.open(temp.path()));
        EXPECT_TRUE(body.write("abc", 3));
        EXPECT_TRUE(body.write("def", 3));
        EXPECT_TRUE(body.close());
        EXPECT_TRUE(body.close());
    }
    EXPECT_EQ(readFile(temp.path()), "abcdef");

    // Left open, the file is still closed and complete when the body goes.
    {
        InternetBodyFile body;
        ASSERT_TRUE(body.open(temp.path()));
        EXPECT_TRUE(body.write("x", 1));
    }
    EXPECT_EQ(readFile(temp.path()), "x");

    InternetBodyFile missing;
    EXPECT_FALSE(missing.open(temp.path() + ".none/body"));
    EXPECT_TRUE(missing.close());

    // A full disk shows when the buffered bytes are written out.
    if (::access("/dev/full", W_OK) == 0) {
        InternetBodyFile full;
        ASSERT_TRUE(full.open("/dev/full"));
        full.write("data", 4);
        EXPECT_FALSE(full.close());
    }
}

} // namespace

TEST(InternetBodyFile, AdoptingNoDescriptorFails)
{
    platform::InternetBodyFile body;
    EXPECT_FALSE(body.adopt(-1));
    EXPECT_TRUE(body.close());
}
