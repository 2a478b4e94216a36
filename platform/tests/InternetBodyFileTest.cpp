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

    // A full disk shows when the buffered bytes are written out, and at
    // once for a run too long to gather; nothing is written after that.
    if (::access("/dev/full", W_OK) == 0) {
        InternetBodyFile full;
        ASSERT_TRUE(full.open("/dev/full"));
        full.write("data", 4);
        EXPECT_FALSE(full.close());

        std::string run(InternetBodyFile::bufferSize, 'r');
        ASSERT_TRUE(full.open("/dev/full"));
        EXPECT_FALSE(full.write(run.data(), run.size()));
        EXPECT_FALSE(full.write("x", 1));
        EXPECT_FALSE(full.close());
    }
}

// Blocks gathered in the buffer and runs written straight through must land
// in the order they came, whatever the mix of sizes.
TEST(InternetBodyFileTest, KeepsTheOrderOfGatheredAndDirectWrites)
{
    TempFile temp;
    ASSERT_TRUE(temp.create());
    const std::size_t sizes[] = {4096, 1, InternetBodyFile::bufferSize, 4096,
                                 InternetBodyFile::bufferSize - 4097, 3 * InternetBodyFile::bufferSize + 5,
                                 0, 4096, InternetBodyFile::bufferSize - 1, 2};
    std::string expected;
    InternetBodyFile body;
    ASSERT_TRUE(body.adopt(temp.createOpen()));
    unsigned seed = 7;
    for (std::size_t size : sizes) {
        std::string part(size, '\0');
        for (char& c : part)
            c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        ASSERT_TRUE(body.write(part.data(), part.size()));
        expected += part;
    }
    ASSERT_TRUE(body.close());
    EXPECT_TRUE(readFile(temp.path()) == expected);
}

} // namespace

TEST(InternetBodyFile, AdoptingNoDescriptorFails)
{
    platform::InternetBodyFile body;
    EXPECT_FALSE(body.adopt(-1));
    EXPECT_TRUE(body.close());
}
