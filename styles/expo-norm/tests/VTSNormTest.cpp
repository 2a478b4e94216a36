// VTSNorm driven the way a host drives it: loaded by path, called only
// through its exports.

#include "VTSNormTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

using namespace vtstest;
namespace fs = std::filesystem;

namespace {

class VTSNormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!module().handle)
            GTEST_FAIL() << "cannot load " << ExhibitionModule::path();
        pinClock();
        ASSERT_EQ(module().init(), 1);
    }

    static ExhibitionModule& module() { return ExhibitionModule::instance(); }

    std::string currentStyleName()
    {
        char buffer[VT_TEXT_BUFFER_SIZE] = {};
        EXPECT_EQ(module().getStyleName(buffer, sizeof buffer), 1);
        return buffer;
    }

    ScratchFolder scratch;
};

TEST_F(VTSNormTest, ExportsEveryEntryPointAndNothingElseOfItsOwn)
{
    auto& m = module();
    for (void* entry : {(void*)m.init, (void*)m.getVersion, (void*)m.informVersion, (void*)m.getName,
                        (void*)m.getDescription, (void*)m.getCreator, (void*)m.getDate, (void*)m.setRootFolder,
                        (void*)m.setRootIndex, (void*)m.generate, (void*)m.getStyleNum, (void*)m.setStyleNo,
                        (void*)m.getStyleName, (void*)m.getStyleDescription})
        EXPECT_NE(entry, nullptr);
    // The codec compiled into the module stays inside it.
    EXPECT_EQ(dlsym(m.handle, "_ZN8platform10Cp932Codec8fromUtf8B5cxx11ESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
}

TEST_F(VTSNormTest, DescribesTheStyleSetInCodePage932)
{
    char buffer[VT_TEXT_BUFFER_SIZE];
    ASSERT_EQ(module().getName(buffer), 1);
    EXPECT_EQ(std::string(buffer), toCp932("標準スタイルセット"));
    ASSERT_EQ(module().getDescription(buffer), 1);
    EXPECT_EQ(std::string(buffer), toCp932("シンプルなスタイルをいくつか含んだ基本セットです。"));
    ASSERT_EQ(module().getCreator(buffer), 1);
    EXPECT_EQ(std::string(buffer), "Quillmere");
    ASSERT_EQ(module().getDate(buffer), 1);
    EXPECT_EQ(std::string(buffer), "1/1/2002");

    int major = -1, minor = -1, count = -1;
    ASSERT_EQ(module().getVersion(&major, &minor), 1);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(module().informVersion(), 1);
    ASSERT_EQ(module().getStyleNum(&count), 1);
    EXPECT_EQ(count, 2);
}

TEST_F(VTSNormTest, NamesBothStylesAndRefusesNumbersOutOfRange)
{
    ASSERT_EQ(module().setStyleNo(1), 1);
    EXPECT_EQ(currentStyleName(), toCp932("新緑"));
    char buffer[VT_TEXT_BUFFER_SIZE] = {};
    ASSERT_EQ(module().getStyleDescription(buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), toCp932("新緑の緑色を基調にしたシンプルなスタイルです。"));

    // Refused numbers leave the current style as it was.
    EXPECT_EQ(module().setStyleNo(2), 0);
    EXPECT_EQ(module().setStyleNo(-1), 0);
    EXPECT_EQ(module().setStyleNo(1000000), 0);
    EXPECT_EQ(currentStyleName(), toCp932("新緑"));

    ASSERT_EQ(module().setStyleNo(0), 1);
    EXPECT_EQ(currentStyleName(), toCp932("シンプル"));
    ASSERT_EQ(module().getStyleDescription(buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), toCp932("標準的なスタイルです。"));
}

TEST_F(VTSNormTest, CopiesStyleTextsLikeStrncpyWithoutSplittingACharacter)
{
    ASSERT_EQ(module().setStyleNo(0), 1);
    std::string name = toCp932("シンプル"); // 8 bytes
    char buffer[12];

    std::memset(buffer, 'X', sizeof buffer);
    ASSERT_EQ(module().getStyleName(buffer, 10), 1);
    EXPECT_EQ(std::string(buffer, 10), name + std::string(2, '\0')); // padded with zeros
    EXPECT_EQ(buffer[10], 'X');                                     // and nothing past the length

    std::memset(buffer, 'X', sizeof buffer);
    ASSERT_EQ(module().getStyleName(buffer, 5), 1);
    EXPECT_EQ(std::string(buffer, 5), name.substr(0, 4) + '\0'); // the cut-off character is left out whole
    EXPECT_EQ(buffer[5], 'X');

    std::memset(buffer, 'X', sizeof buffer);
    ASSERT_EQ(module().getStyleName(buffer, 0), 1);
    EXPECT_EQ(buffer[0], 'X');
    EXPECT_EQ(module().getStyleName(buffer, -1), 0);
    EXPECT_EQ(module().getStyleName(nullptr, 10), 0);
}

TEST_F(VTSNormTest, RefusesEmptyRootAndPagePaths)
{
    EXPECT_EQ(module().setRootFolder(""), 0);
    EXPECT_EQ(module().setRootIndex(""), 0);
    EXPECT_EQ(module().setRootFolder(nullptr), 0);
    EXPECT_EQ(module().setRootIndex(nullptr), 0);
    // A text that is not code page 932 (a lone lead byte) cannot name a folder.
    EXPECT_EQ(module().setRootFolder("\x82"), 0);
}

// A refused root or page path is stored as none: generating afterwards must
// neither list the earlier root nor overwrite the earlier page.
TEST_F(VTSNormTest, ForgetsARefusedRootOrPagePath)
{
    fs::path root = scratch.path() / "Glimmora";
    makeAlbum(root / "a", 1024110000);
    fs::path page = scratch.path() / "page.htm";
    ASSERT_EQ(module().generateFor(0, root, page), 1);

    std::ofstream(page, std::ios::trunc) << "old";
    EXPECT_EQ(module().setRootFolder(""), 0);
    EXPECT_EQ(module().generate(), 0);
    EXPECT_EQ(readFile(page), "old");

    ASSERT_EQ(module().setRootFolder(toCp932(root.string()).c_str()), 1);
    EXPECT_EQ(module().setRootIndex("\x82"), 0); // not code page 932
    EXPECT_EQ(module().generate(), 0);
    EXPECT_EQ(readFile(page), "old");
    EXPECT_FALSE(fs::exists(root / "index.htm"));
}

TEST_F(VTSNormTest, ListsTheTreeNewestFirstInTheSimpleStyle)
{
    fs::path root = scratch.path() / "Glimmora";
    makeSampleTree(root);
    ASSERT_EQ(module().generateFor(0, root, root / "index.htm"), 1);
    EXPECT_EQ(readRestamped(root / "index.htm"), expectedPage("tree-style0.htm"));
}

TEST_F(VTSNormTest, ListsTheTreeNewestFirstInTheGreenStyle)
{
    fs::path root = scratch.path() / "Glimmora";
    makeSampleTree(root);
    ASSERT_EQ(module().generateFor(1, root, root / "index.htm"), 1);
    EXPECT_EQ(readRestamped(root / "index.htm"), expectedPage("tree-style1.htm"));
}

TEST_F(VTSNormTest, AnEmptyRootGivesHeadAndTailOnlyAndReplacesAnOldPage)
{
    fs::path root = scratch.path() / "Glimmora";
    fs::create_directories(root);
    std::ofstream(root / "index.htm") << std::string(20000, 'x');
    ASSERT_EQ(module().generateFor(0, root, root / "index.htm"), 1);
    EXPECT_EQ(readRestamped(root / "index.htm"), expectedPage("empty-style0.htm"));
    ASSERT_EQ(module().generateFor(1, root, root / "index.htm"), 1);
    EXPECT_EQ(readRestamped(root / "index.htm"), expectedPage("empty-style1.htm"));
}

// The stamp is the present time, even where the environment asks builds for
// a fixed one.
TEST_F(VTSNormTest, StampsThePageWithThePresentTime)
{
    fs::path root = scratch.path() / "Glimmora";
    fs::create_directories(root);
    setenv("SOURCE_DATE_EPOCH", "315532800", 1);
    const int result = module().generateFor(0, root, root / "index.htm");
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(result, 1);
    EXPECT_EQ(readRestamped(root / "index.htm"), expectedPage("empty-style0.htm"));
}

TEST_F(VTSNormTest, ReportsAPageThatCannotBeWritten)
{
    fs::path missing = scratch.path() / "Glimmora";
    EXPECT_EQ(module().generateFor(0, missing, missing / "index.htm"), 0);
    EXPECT_FALSE(fs::exists(missing / "index.htm"));

    fs::path root = scratch.path() / "root";
    makeAlbum(root / "a" / "b", 1024110000);
    EXPECT_EQ(module().generateFor(0, root, scratch.path() / "no-such-folder" / "index.htm"), 0);
}

TEST_F(VTSNormTest, WritesAnyFolderNameSafely)
{
    fs::path root = scratch.path() / "Glimmora";
    makeAlbum(root / "A&B <x> \"#1%\"" / "t", 1024110000);
    makeAlbum(root / "한국", 1024110000);         // not in code page 932
    makeAlbum(root / "bad\xff" "name", 1024110000); // not UTF-8
    makeAlbum(root / "%title%", 1024110000);      // looks like a placeholder
    ASSERT_EQ(module().generateFor(0, root, root / "index.htm"), 1);
    std::string page = readFile(root / "index.htm");

    EXPECT_NE(page.find("<font color=\"red\">A&amp;B &lt;x&gt; &quot;#1%&quot;</font>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"A%26B%20%3Cx%3E%20%22%231%25%22/t/index.htm\">t</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"%ED%95%9C%EA%B5%AD/index.htm\">&#54620;&#44397;</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"bad%FFname/index.htm\">bad&#xFFFD;name</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"%25title%25/index.htm\">%title%</a>"), std::string::npos);
}

TEST_F(VTSNormTest, DoesNotFollowALinkBackUpTheTree)
{
    fs::path root = scratch.path() / "Glimmora";
    makeAlbum(root / "作者" / "題", 1024110000);
    fs::create_directory_symlink(root, root / "作者" / "loop");
    ASSERT_EQ(module().generateFor(0, root, root / "index.htm"), 1);
    std::string page = readFile(root / "index.htm");
    EXPECT_NE(page.find(toCp932(">題</a>")), std::string::npos);
    EXPECT_EQ(page.find("loop"), std::string::npos);
}

TEST_F(VTSNormTest, SkipsOnlyTheMaterialFolderDirectlyBelowTheRoot)
{
    fs::path root = scratch.path() / "Glimmora";
    makeAlbum(root / "__mat___", 1081047600);
    makeAlbum(root / "作者" / "__mat___", 1024110000);
    ASSERT_EQ(module().generateFor(0, root, root / "index.htm"), 1);
    std::string page = readFile(root / "index.htm");
    EXPECT_EQ(page.find("\"__mat___/index.htm\""), std::string::npos);
    EXPECT_NE(page.find("/__mat___/index.htm\">__mat___</a> ( 2002 "), std::string::npos);
}

} // namespace
