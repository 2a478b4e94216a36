#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Shell, OpensThroughTheRecorderWhenOneIsSet)
{
    std::vector<std::string> opened;
    platform::Shell::setOpener([&](const std::string& target) {
        opened.push_back(target);
        return target != "refused";
    });
    EXPECT_TRUE(platform::Shell::open("/tmp/_html___/report.htm"));
    EXPECT_FALSE(platform::Shell::open("refused"));
    platform::Shell::setOpener({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "/tmp/_html___/report.htm");
}
