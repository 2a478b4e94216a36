// GMSNorm driven only through its exports, as the album program drives it.

#include "GMModuleTestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace gmtest;

class GMSNormTest : public ::testing::Test {
protected:
    ModuleUnderTest module {modulePath("GMSNorm")};
    ScratchFolder folder;

    void SetUp() override { ASSERT_TRUE(module.loaded()) << modulePath("GMSNorm"); }
    std::string page() const { return readFile(folder.path() / "index.htm"); }
    bool pageExists() const { return std::filesystem::exists(folder.path() / "index.htm"); }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(GMSNormTest, NamesItselfAndItsStyles)
{
    EXPECT_EQ(module.fixedText("GMGetName"), "標準スタイルセット");
    EXPECT_EQ(module.fixedText("GMGetDescription"), "シンプルなスタイルをいくつか含んだ基本セットです。");
    EXPECT_EQ(module.fixedText("GMGetCreator"), "Quillmere");
    EXPECT_EQ(module.fixedText("GMGetDate"), "6/27/2002");
    int major = -1, minor = -1, data = -1, count = -1;
    ASSERT_EQ(module.entry<GMGetVersionProc>("GMGetVersion")(&major, &minor), 1);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 0);
    ASSERT_EQ(module.entry<GMGetDataVersionProc>("GMGetDataVersion")(&data), 1);
    EXPECT_EQ(data, 1);
    ASSERT_EQ(module.entry<GMInitProc>("GMInit")(), 1);
    ASSERT_EQ(module.entry<GMGetStyleNumProc>("GMGetStyleNum")(&count), 1);
    EXPECT_EQ(count, 5);

    const char* names[] = {"シンプル", "新緑", "桃の香", "紅葉", "銀世界"};
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(module.styleText("GMGetStyleName", n), names[n]);
    EXPECT_EQ(module.styleText("GMGetStyleDescription", 0), "標準的なページスタイルです。");
    EXPECT_EQ(module.styleText("GMGetStyleDescription", 4), "冬の雪の色を基調にしたシンプルなページスタイルです。");
}

TEST_F(GMSNormTest, RefusesStyleNumbersFolderAndShortBuffers)
{
    auto setStyle = module.entry<GMSetStyleNoProc>("GMSetStyleNo");
    auto styleName = module.entry<GMGetTextProc>("GMGetStyleName");
    module.entry<GMInitProc>("GMInit")();
    ASSERT_EQ(setStyle(3), 1);
    EXPECT_EQ(setStyle(5), 0);
    char buffer[64] = {};
    ASSERT_EQ(styleName(buffer, sizeof buffer), 1);
    EXPECT_EQ(toUtf8(buffer), "紅葉"); // unchanged by the refused number

    // Cut at the buffer's length, never in the middle of a character.
    char small[5];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(styleName(small, 3), 1);
    EXPECT_EQ(std::string(small, 2), toCp932("紅"));
    EXPECT_EQ(small[2], '\0');
    EXPECT_EQ(small[3], 'x');
    // Like strncpy: no room copies nothing and still answers; a negative
    // length is no size at all.
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(styleName(small, 0), 1);
    EXPECT_EQ(module.entry<GMGetTextProc>("GMGetStyleDescription")(small, 0), 1);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(styleName(small, -1), 0);

    // No lower bound on the number, but nothing is read outside the table.
    EXPECT_EQ(setStyle(-1), 1);
    EXPECT_EQ(styleName(buffer, sizeof buffer), 0);

    auto setFolder = module.entry<GMSetFolderProc>("GMSetFolder");
    EXPECT_EQ(setFolder(""), 0);
    EXPECT_EQ(setFolder(nullptr), 0);
}

TEST_F(GMSNormTest, WritesEveryStyleByteForByte)
{
    for (int style = 0; style < 5; ++style) {
        SCOPED_TRACE(style);
        ASSERT_EQ(module.generate(style, sampleAlbum(), folder.path()), 1);
        EXPECT_EQ(page(), expectedPage("album-norm", "sample-style" + std::to_string(style) + ".htm"));
    }
}

TEST_F(GMSNormTest, ReportsOnePageWithoutCommonName)
{
    int count = -1;
    auto materialNum = module.entry<GMGetMaterialNumProc>("GMGetMaterialNum");
    ASSERT_EQ(materialNum(&count), 1);
    EXPECT_EQ(count, 0); // nothing generated yet

    ASSERT_EQ(module.generate(0, sampleAlbum(), folder.path()), 1);
    ASSERT_EQ(materialNum(&count), 1);
    EXPECT_EQ(count, 1);
    char name[260] = {};
    ASSERT_EQ(module.entry<GMGetMaterialNameProc>("GMGetMaterialName")(7, name, sizeof name), 1);
    EXPECT_STREQ(name, "index.htm");
    // Unlike the pastel set, no room is no refusal here.
    EXPECT_EQ(module.entry<GMGetMaterialNameProc>("GMGetMaterialName")(0, name, 0), 1);
    EXPECT_STREQ(name, "index.htm");
    int attribute = -1;
    auto materialAttribute = module.entry<GMGetMaterialAttributeProc>("GMGetMaterialAttribute");
    ASSERT_EQ(materialAttribute(0, &attribute), 1);
    EXPECT_EQ(attribute, 0);
    EXPECT_EQ(materialAttribute(1, &attribute), 0);
    EXPECT_EQ(module.entry<GMGetTextProc>("GMGetMaterialCommonName")(name, sizeof name), 0);
}

TEST_F(GMSNormTest, FailsLeavingNoFileAnEmptyFileOrAnUnfinishedOne)
{
    // A style past the table writes nothing.
    module.entry<GMSetStyleNoProc>("GMSetStyleNo")(-2);
    ASSERT_EQ(module.entry<GMSetFolderProc>("GMSetFolder")(toCp932(folder.path().string()).c_str()), 1);
    EXPECT_EQ(module.entry<GMGenerateProc>("GMGenerate")(), 0);
    EXPECT_FALSE(pageExists());

    // The page cannot be created.
    EXPECT_EQ(module.generate(0, sampleAlbum(), folder.path() / "missing"), 0);

    // The title refused: the page is created and stays empty, the old one gone.
    TestAlbum album = sampleAlbum();
    ASSERT_EQ(module.generate(1, album, folder.path()), 1);
    album.refuseTitle = true;
    EXPECT_EQ(module.generate(1, album, folder.path()), 0);
    ASSERT_TRUE(pageExists());
    EXPECT_EQ(page(), "");
    int count = -1;
    module.entry<GMGetMaterialNumProc>("GMGetMaterialNum")(&count);
    EXPECT_EQ(count, 0);

    // The item count refused: head and title, no footer.
    album = sampleAlbum();
    album.refuseCount = true;
    EXPECT_EQ(module.generate(0, album, folder.path()), 0);
    const std::string expected = expectedPage("album-norm", "sample-style0.htm");
    const std::string headAndTitle = expected.substr(0, expected.find("<P><h3>"));
    EXPECT_EQ(page(), headAndTitle);
}

TEST_F(GMSNormTest, EndsTheItemsAtTheFirstRefusedTextAndStillClosesThePage)
{
    TestAlbum album = sampleAlbum();
    album.refuseTextsFrom = 2;
    ASSERT_EQ(module.generate(1, album, folder.path()), 1);
    const std::string text = toUtf8(page());
    EXPECT_TRUE(contains(text, "<!--tit 001 s-->"));
    EXPECT_FALSE(contains(text, "<!--tit 002 s-->"));
    EXPECT_TRUE(contains(text, "</TD></TR>\r\n</TBODY></TABLE>\r\n<HR><P>"));
    EXPECT_TRUE(text.ends_with("</body></html>\r\n"));
}

TEST_F(GMSNormTest, CutsTheAlbumAtOneHundredItems)
{
    TestAlbum album = sampleAlbum();
    album.items.clear();
    for (int i = 0; i < 150; ++i)
        album.items.push_back({"p" + std::to_string(i) + ".jpg", "t", "c", "", 0, 0, GM_ITEM_PICTURE});
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    const std::string text = page();
    EXPECT_TRUE(contains(text, "<!--tit 099 s-->"));
    EXPECT_FALSE(contains(text, "<!--tit 100 s-->"));
    EXPECT_FALSE(contains(text, "p100.jpg"));
    for (const Question& q : module.questions())
        EXPECT_LT(q.index, 100);
}

TEST_F(GMSNormTest, WritesAPictureWithoutHeightWithoutSize)
{
    TestAlbum album = sampleAlbum();
    album.items = {{"half.jpg", "t", "c", "", 320, 0, GM_ITEM_PICTURE}};
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    const std::string text = page();
    EXPECT_TRUE(contains(text, "<img src=\"half.jpg\" align=\"left\">\r\n"));
    EXPECT_FALSE(contains(text, "wid 000"));
    EXPECT_FALSE(contains(text, "hei 000"));
}

TEST_F(GMSNormTest, AsksOnlyWhatTheHostsDataVersionAllows)
{
    auto asked = [&](int kind) {
        for (const Question& q : module.questions())
            if (q.callback == 'N' && q.kind == kind)
                return true;
        return false;
    };
    TestAlbum album = sampleAlbum();
    ASSERT_EQ(module.generate(0, album, folder.path(), 1, 1), 1);
    EXPECT_FALSE(asked(GM_NUM_ITEM_WIDTH));
    EXPECT_FALSE(asked(GM_NUM_ITEM_TYPE));
    std::string text = page();
    EXPECT_FALSE(contains(text, "wid 000"));
    EXPECT_TRUE(contains(text, "<img src=\"kamo.avi\" align=\"left\">")); // a picture to an old host

    ASSERT_EQ(module.generate(0, album, folder.path(), 1, 2), 1);
    EXPECT_TRUE(asked(GM_NUM_ITEM_WIDTH));
    EXPECT_FALSE(asked(GM_NUM_ITEM_TYPE));
    text = page();
    EXPECT_TRUE(contains(text, "<img src=\"kamo.avi\" width=\"320\" height=\"240\" align=\"left\">"));
    EXPECT_FALSE(contains(text, "voice002.wav"));

    // A later major version counts as newer than 1.5.
    ASSERT_EQ(module.generate(0, album, folder.path(), 2, 0), 1);
    EXPECT_EQ(page(), expectedPage("album-norm", "sample-style0.htm"));
}

TEST_F(GMSNormTest, WritesAnAlbumCommentThatComesInPieces)
{
    TestAlbum album = sampleAlbum();
    album.items.clear();
    album.hasComment = true;
    album.comment = "first part, second part, third part";
    album.commentPieces = 3;
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    EXPECT_TRUE(contains(page(), "</h1>\r\n<p>\r\n<!--m com s-->\r\nfirst part, second part, third part\r\n<!--m com e--></p>\r\n<HR>"));
    ASSERT_EQ(module.generate(2, album, folder.path()), 1);
    EXPECT_TRUE(contains(page(), "<TR><TD colspan=\"2\" bgcolor=\"#ffffff\">\r\n<!--m com s-->\r\nfirst part, second "
                                 "part, third part\r\n<!--m com e-->\r\n</TD>\r\n</TR>\r\n</TBODY></TABLE>\r\n"));
}

TEST_F(GMSNormTest, TakesAFullUnterminatedBufferFromTheHost)
{
    TestAlbum album = sampleAlbum();
    album.items.clear();
    album.pageTitle = std::string(1500, 'a'); // the host's strncpy leaves no terminator
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    const std::string text = page();
    EXPECT_TRUE(contains(text, "\r\n" + std::string(1024, 'a') + "\r\n"));
    EXPECT_FALSE(contains(text, std::string(1025, 'a')));
}

TEST_F(GMSNormTest, GeneratesAnEmptyAlbum)
{
    TestAlbum album = sampleAlbum();
    album.items.clear();
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    const std::string expected = expectedPage("album-norm", "sample-style0.htm");
    EXPECT_EQ(page(), expected.substr(0, expected.find("<P><h3>")) + expected.substr(expected.find("<HR><P>")));
}

} // namespace
