// GMSSmart driven only through its exports, as the album program drives it.

#include "GMModuleTestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>

namespace {

using namespace gmtest;

class GMSSmartTest : public ::testing::Test {
protected:
    ModuleUnderTest module {modulePath("GMSSmart")};
    ScratchFolder folder;

    void SetUp() override { ASSERT_TRUE(module.loaded()) << modulePath("GMSSmart"); }
    std::string page() const { return readFile(folder.path() / "index.htm"); }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The title box colours of a page, in item order.
std::vector<std::string> titleBoxColours(const std::string& page)
{
    static const std::regex box("cellpadding=\"5\" bgcolor=\"([0-9a-f]{6})\">");
    std::vector<std::string> colours;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), box); it != std::sregex_iterator(); ++it)
        colours.push_back((*it)[1]);
    return colours;
}

TEST_F(GMSSmartTest, NamesItselfAndItsStyles)
{
    EXPECT_EQ(module.fixedText("GMGetName"), "スマートスタイルセット");
    EXPECT_EQ(module.fixedText("GMGetDescription"), "淡い色合いのスタイルのセットです。");
    EXPECT_EQ(module.fixedText("GMGetCreator"), "Quillmere");
    EXPECT_EQ(module.fixedText("GMGetDate"), "8/1/2002");
    int major = -1, minor = -1, data = -1, count = -1;
    ASSERT_EQ(module.entry<GMGetVersionProc>("GMGetVersion")(&major, &minor), 1);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    ASSERT_EQ(module.entry<GMGetDataVersionProc>("GMGetDataVersion")(&data), 1);
    EXPECT_EQ(data, 1);
    module.entry<GMInitProc>("GMInit")();
    ASSERT_EQ(module.entry<GMGetStyleNumProc>("GMGetStyleNum")(&count), 1);
    EXPECT_EQ(count, 5);
    const char* names[] = {"ブルー・パステル", "グリーン・パステル", "パープル・パステル", "オレンジ・パステル",
                           "ピーチ・パステル"};
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(module.styleText("GMGetStyleName", n), names[n]);
    EXPECT_EQ(module.styleText("GMGetStyleDescription", 3), "オレンジを基調にした淡い色合いのスタイルです。");
    EXPECT_EQ(module.styleText("GMGetStyleName", 5), "<refused>");
    char none = 'x';
    EXPECT_EQ(module.entry<GMGetTextProc>("GMGetStyleName")(&none, 0), 1); // strncpy of nothing
    EXPECT_EQ(none, 'x');
}

// Each style from a freshly loaded module, which always draws the same
// title box colours.
TEST(GMSSmartPages, WritesEveryStyleByteForByte)
{
    for (int style = 0; style < 5; ++style) {
        SCOPED_TRACE(style);
        ModuleUnderTest fresh(modulePath("GMSSmart"));
        ASSERT_TRUE(fresh.loaded());
        ScratchFolder folder;
        ASSERT_EQ(fresh.generate(style, sampleAlbum(), folder.path()), 1);
        EXPECT_EQ(readFile(folder.path() / "index.htm"),
                  expectedPage("album-smart", "sample-style" + std::to_string(style) + ".htm"));
    }
}

TEST_F(GMSSmartTest, DrawsNewTitleBoxColoursAtEveryGeneration)
{
    TestAlbum album = sampleAlbum();
    for (int i = 0; i < 12; ++i)
        album.items.push_back(album.items[static_cast<std::size_t>(i % 4)]);
    ASSERT_EQ(module.generate(2, album, folder.path()), 1);
    const std::vector<std::string> first = titleBoxColours(page());
    ASSERT_EQ(module.generate(2, album, folder.path()), 1);
    const std::vector<std::string> second = titleBoxColours(page());
    ASSERT_EQ(first.size(), 16u);
    ASSERT_EQ(second.size(), 16u);
    EXPECT_NE(first, second);
    const std::set<std::string> table {"a1e2f5", "b1f5e2", "ffa2ff", "ffff99"};
    std::set<std::string> seen(first.begin(), first.end());
    seen.insert(second.begin(), second.end());
    EXPECT_EQ(seen, table);
}

TEST_F(GMSSmartTest, FailsWithAnEmptyPageWhenTheHostOrTheStyleIsWrong)
{
    TestAlbum album = sampleAlbum();
    album.refuseTitleLines = true;
    EXPECT_EQ(module.generate(0, album, folder.path()), 0);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "index.htm"));
    EXPECT_EQ(page(), "");
    ASSERT_FALSE(module.questions().empty());
    EXPECT_EQ(module.questions().front().kind, GM_NUM_TITLE_LINES);
    EXPECT_EQ(module.questions().size(), 1u);

    ASSERT_EQ(module.generate(0, sampleAlbum(), folder.path()), 1);
    EXPECT_EQ(module.generate(-1, sampleAlbum(), folder.path()), 0);
    EXPECT_EQ(page(), "");
    int count = -1;
    EXPECT_EQ(module.entry<GMGetMaterialNumProc>("GMGetMaterialNum")(&count), 0);
    char name[16] = {};
    EXPECT_EQ(module.entry<GMGetMaterialNameProc>("GMGetMaterialName")(0, name, sizeof name), 0);

    album = sampleAlbum();
    album.refuseTitle = true;
    EXPECT_EQ(module.generate(4, album, folder.path()), 0);
    EXPECT_EQ(page(), "");

    album = sampleAlbum();
    album.refuseCount = true;
    EXPECT_EQ(module.generate(4, album, folder.path()), 0);
    EXPECT_EQ(toUtf8(page()), "<html><head><title>Glimmora写真集 - 春の旅 - 京都</title></head>\r\n<body "
                              "bgcolor=\"ffcccc\">\r\n<center><h1>\r\n<!--m tit s-->\r\n春の旅 - 京都\r\n<!--m tit "
                              "e-->\r\n</h1></center>\r\n");
}

TEST_F(GMSSmartTest, ReportsOnePageWithAnEmptyCommonName)
{
    ASSERT_EQ(module.generate(1, sampleAlbum(), folder.path()), 1);
    int count = -1;
    ASSERT_EQ(module.entry<GMGetMaterialNumProc>("GMGetMaterialNum")(&count), 1);
    EXPECT_EQ(count, 1);
    auto materialName = module.entry<GMGetMaterialNameProc>("GMGetMaterialName");
    char name[260];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(materialName(0, name, sizeof name), 1);
    EXPECT_STREQ(name, "index.htm");
    EXPECT_EQ(materialName(1, name, sizeof name), 0);
    EXPECT_EQ(materialName(0, name, 0), 0);
    int attribute = -1;
    auto materialAttribute = module.entry<GMGetMaterialAttributeProc>("GMGetMaterialAttribute");
    ASSERT_EQ(materialAttribute(0, &attribute), 1);
    EXPECT_EQ(attribute, 0);
    EXPECT_EQ(materialAttribute(1, &attribute), 0);
    auto commonName = module.entry<GMGetTextProc>("GMGetMaterialCommonName");
    ASSERT_EQ(commonName(name, sizeof name), 1);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(commonName(name, 0), 0);
}

TEST_F(GMSSmartTest, WritesTheAlbumCommentWithoutMarkersAndCutsAtOneHundred)
{
    TestAlbum album = sampleAlbum();
    album.items.clear();
    for (int i = 0; i < 101; ++i)
        album.items.push_back({"p.jpg", "t", "c", "", 0, 0, GM_ITEM_PICTURE});
    album.hasComment = true;
    album.comment = "one comment";
    ASSERT_EQ(module.generate(3, album, folder.path()), 1);
    const std::string text = page();
    EXPECT_TRUE(contains(text, "</h1></center>\r\n<p>one comment</p>\r\n\t\t\t\t\t<center>"));
    EXPECT_TRUE(contains(text, "<!--tit 099 s-->"));
    EXPECT_FALSE(contains(text, "<!--tit 100 s-->"));
    EXPECT_EQ(titleBoxColours(text).size(), 100u);
}

} // namespace
