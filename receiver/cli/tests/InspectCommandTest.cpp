// Runs the built corvan-cli as a user would and checks its output and exit codes.

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CorvanCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("cvcli-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs the program (by default the built one) with a home folder of its own.
    Outcome run(const std::string& args, const std::string& program = std::string(CV_BIN_DIR) + "/corvan-cli")
    {
        const auto out = folder / "out.txt", err = folder / "err.txt";
        std::string command = "HOME=" + quote((folder / "home").string()) + " XDG_CONFIG_HOME="
                              + quote((folder / "home/.config").string()) + " " + quote(program) + " " + args + " >"
                              + quote(out.string()) + " 2>" + quote(err.string());
        Outcome r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    fs::path folder;
};

} // namespace

TEST_F(CorvanCli, InspectsEveryExample)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(CV_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".gp")
            continue;
        ++count;
        Outcome r = run("inspect " + quote(entry.path().string()));
        EXPECT_EQ(r.status, 0) << entry.path() << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_NE(r.out.find("タスク 1: "), std::string::npos) << entry.path();
        EXPECT_NE(r.out.find("ファイル: "), std::string::npos) << entry.path();
    }
    EXPECT_GE(count, 3);
}

TEST_F(CorvanCli, PrintsTheTreeOfThePhotoExample)
{
    Outcome r = run("inspect " + quote(std::string(CV_SOURCE_DIR) + "/examples/写真の配布.gp"));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* expected : {"GuidePost: 運動会の写真\n", "  場所: リモート (remote)\n",
                                 "  作成者: 青葉小学校 写真係\n", "  コメント:\n      写真は学年ごとのフォルダに分けてあります。\n",
                                 "  日付: 2024年10月14日\n", "  内容のバージョン: 第1版\n",
                                 "    更新方法: 時刻比較更新 (up2date)\n", "    保存先: フォルダ\n",
                                 "    フォルダ: 運動会\\２０２４年\n", "      プロトコル: http\n",
                                 "      サーバー: photos.example.invalid\n", "      ポート: 既定\n",
                                 "        ローカルフォルダ: 一年生\n", "        取得方法: get\n",
                                 "        ファイル: かけっこ.jpg ← 1nen/kakekko.jpg\n",
                                 "        ファイル: 組体操.jpg ← 6nen/kumitaiso.jpg\n"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(CorvanCli, InvalidDocumentsAndUsageErrors)
{
    const auto bad = folder / "bad.gp";
    std::ofstream(bad, std::ios::binary) << "not a GuidePost";
    Outcome r = run("inspect " + quote(bad.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("GuidePostファイルが正しくありません"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    // Parses, but breaks a rule of the format: the same message.
    const auto ruleBreak = folder / "rule.gp";
    std::ofstream(ruleBreak, std::ios::binary)
        << "<?xml version='1.0' encoding=\"Shift-JIS\"?><Corvandelle xmlns=\"x-schema:corvandelle\">"
           "<version>2</version><location>local</location><tasklist/></Corvandelle>";
    r = run("inspect " + quote(ruleBreak.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("GuidePostファイルが正しくありません"), std::string::npos) << r.err;

    r = run("inspect " + quote((folder / "missing.gp").string()));
    EXPECT_EQ(r.status, 1);

    for (const char* args : {"", "inspect", "inspect a b", "frobnicate x"}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("使い方"), std::string::npos) << args;
    }
    r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("inspect"), std::string::npos);
    r = run("inspect --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("corvan-cli inspect FILE"), std::string::npos);
}

// Without its schema files beside it the program says which file it looked
// for and where, and makes no save root.
TEST_F(CorvanCli, MissingSchemaFilesAreNamedWithTheFolderTheyWereLookedFor)
{
    const fs::path lonely = folder / "lonely";
    fs::create_directories(lonely);
    fs::copy_file(fs::path(CV_BIN_DIR) / "corvan-cli", lonely / "corvan-cli");
    const std::string example = quote(std::string(CV_SOURCE_DIR) + "/examples/写真の配布.gp");
    const std::string line = "スキーマファイル[ Corvan1.xml ]がフォルダ[ " + lonely.string() + " ]にありません。";
    Outcome r = run("inspect " + example, (lonely / "corvan-cli").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    r = run("receive " + example + " --yes --root " + quote((folder / "root").string()),
            (lonely / "corvan-cli").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(folder / "root"));
}

// Received names and comments reach a terminal without their control
// characters (here the 8-bit CSI and a right-to-left override, which XML can
// carry); into a file or pipe they are printed as they are.
TEST_F(CorvanCli, ControlCharactersDoNotReachATerminal)
{
    const auto doc = folder / "controls.gp";
    std::ofstream(doc, std::ios::binary)
        << "<?xml version='1.0' encoding=\"Shift-JIS\"?><Corvandelle xmlns=\"x-schema:corvandelle\">"
           "<version>1</version><location>local</location><name>a&#x9B;2Jb</name>"
           "<information><creator>c&#x202E;gpj.exe</creator><comment>x&#x9B;31m\ny</comment></information>"
           "<tasklist/></Corvandelle>";
    if (!fs::exists("/usr/bin/script"))
        FAIL() << "no /usr/bin/script: install the Debian package bsdutils";
    const auto out = folder / "tty.txt";
    const std::string command = "HOME=" + quote((folder / "home").string()) + " /usr/bin/script -qec "
        + quote(quote(std::string(CV_BIN_DIR) + "/corvan-cli") + " inspect " + quote(doc.string())) + " /dev/null >"
        + quote(out.string()) + " </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string shown = slurp(out);
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_NE(shown.find("GuidePost: a" + r + "2Jb"), std::string::npos) << shown;
    EXPECT_NE(shown.find("作成者: c" + r + "gpj.exe"), std::string::npos) << shown;
    EXPECT_NE(shown.find("x" + r + "31m"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("\xC2\x9B"), std::string::npos);
    EXPECT_EQ(shown.find("\xE2\x80\xAE"), std::string::npos);

    Outcome piped = run("inspect " + quote(doc.string()));
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_NE(piped.out.find("GuidePost: a\xC2\x9B" "2Jb"), std::string::npos) << piped.out;
}
