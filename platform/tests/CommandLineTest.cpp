#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using platform::CommandLine;
using platform::parseCommandLine;

namespace {

const std::vector<platform::CommandLineOption> table = {
    {"--title", "TITLE", "題"},
    {"--voice", "PICTURE=WAV", "声", true},
    {"--yes", nullptr, "はい"},
    {"--stall-time", "SEC", "秒", false, true},
    {"-o", "FILE", "出力"},
};

std::string errorOf(const std::vector<std::string>& args)
{
    return parseCommandLine(table, args).error;
}

} // namespace

TEST(CommandLine, ReadsValuesFlagsAndOperandsInEveryForm)
{
    // A file name that is not UTF-8 (Shift-JIS here) keeps its bytes.
    const std::string sjis = "\x89\x5e\x93\xae\x89\xef.jpg";
    const CommandLine line = parseCommandLine(
        table, {"a.jpg", "--title", "運動会", "--voice=a.jpg=v.wav", "--yes", sjis, "-o", "x.gpa", "--voice", "b=w",
                "--stall-time=30", "--", "--yes", "-"});
    ASSERT_EQ(line.error, "");
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.value("--title"), "運動会");
    EXPECT_EQ(line.all("--voice"), (std::vector<std::string> {"a.jpg=v.wav", "b=w"}));
    EXPECT_TRUE(line.has("--yes"));
    EXPECT_EQ(line.value("-o"), "x.gpa");
    EXPECT_EQ(line.value("--stall-time"), "30");
    EXPECT_EQ(line.value("--absent", "既定"), "既定");
    EXPECT_EQ(line.operands, (std::vector<std::string> {"a.jpg", sjis, "--yes", "-"}));
    EXPECT_TRUE(parseCommandLine(table, {"x", "-h"}).help);
    EXPECT_TRUE(parseCommandLine({}, {"--help"}).help);
}

TEST(CommandLine, SaysWhatDoesNotFitTheTable)
{
    EXPECT_EQ(errorOf({"--bogus=1"}), "--bogus を解釈できません");
    EXPECT_EQ(errorOf({"-x"}), "-x を解釈できません");
    EXPECT_EQ(errorOf({"--yes=no"}), "--yes に値は要りません");
    EXPECT_EQ(errorOf({"a", "-o"}), "-o に値がありません");
    EXPECT_EQ(errorOf({"--title", "a", "--title=b"}), "--title は一度だけ指定できます");
    EXPECT_EQ(errorOf({"--yes", "--yes"}), "--yes は一度だけ指定できます");
    EXPECT_EQ(errorOf({"--stall-time", "30"}), "--stall-time に値がありません（--stall-time=SEC）");
    // A value that looks like an option is still the value.
    EXPECT_EQ(errorOf({"--title", "--stall-time", "x"}), "");
    EXPECT_EQ(parseCommandLine(table, {"--title", "--yes=no"}).value("--title"), "--yes=no");
}

TEST(CommandLine, DescribesEveryOptionAsItIsGiven)
{
    const std::string text = platform::describeOptions(table);
    for (const char* line : {"  --title TITLE             題\n", "  --voice PICTURE=WAV       声（繰り返し指定できます）\n",
                             "  --yes                     はい\n", "  --stall-time=SEC          秒\n",
                             "  -o FILE                   出力\n", "  --help                    この説明を表示します\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
}
