// GMSModern driven only through its exports, as the album program drives it.
// The page is read back as a browser gets it: code page 932 bytes.

#include "GMModuleTestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace gmtest;

class GMSModernTest : public ::testing::Test {
protected:
    ModuleUnderTest module {modulePath("GMSModern")};
    ScratchFolder folder;

    void SetUp() override { ASSERT_TRUE(module.loaded()) << modulePath("GMSModern"); }
    std::string rawPage() const { return readFile(folder.path() / "index.htm"); }
    std::string page() const { return toUtf8(rawPage()); }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> tags(const std::string& page, const std::string& name)
{
    const std::regex tag("<" + name + "\\b[^>]*>");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

// The value of an attribute of one tag; "<none>" when it has none.
std::string attribute(const std::string& tag, const std::string& name)
{
    const std::regex value("\\s" + name + "=\"([^\"]*)\"");
    std::smatch m;
    return std::regex_search(tag, m, value) ? m[1].str() : "<none>";
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

TEST_F(GMSModernTest, NamesItselfAndItsTwoStyles)
{
    EXPECT_EQ(module.fixedText("GMGetName"), "モダンスタイルセット");
    EXPECT_TRUE(contains(module.fixedText("GMGetDescription"), "スマートフォン"));
    EXPECT_EQ(module.fixedText("GMGetCreator"), "Quillmere");
    EXPECT_EQ(module.fixedText("GMGetDate"), "12/9/2026");
    int major = -1, minor = -1, data = -1, count = -1;
    ASSERT_EQ(module.entry<GMGetVersionProc>("GMGetVersion")(&major, &minor), 1);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    ASSERT_EQ(module.entry<GMGetDataVersionProc>("GMGetDataVersion")(&data), 1);
    EXPECT_EQ(data, 1);
    module.entry<GMInitProc>("GMInit")();
    ASSERT_EQ(module.entry<GMGetStyleNumProc>("GMGetStyleNum")(&count), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(module.styleText("GMGetStyleName", 0), "モダン・ライト");
    EXPECT_EQ(module.styleText("GMGetStyleName", 1), "モダン・ダーク");
    EXPECT_TRUE(contains(module.styleText("GMGetStyleDescription", 0), "ダークモード"));
    EXPECT_EQ(module.styleText("GMGetStyleName", 2), "<refused>");
}

// Both styles: one self-contained page in code page 932 with CR LF line ends,
// made for narrow screens, with every picture sized, lazy and described.
TEST_F(GMSModernTest, WritesASelfContainedPageForPhones)
{
    for (int style = 0; style < 2; ++style) {
        SCOPED_TRACE(style);
        ASSERT_EQ(module.generate(style, sampleAlbum(), folder.path()), 1);
        const std::string raw = rawPage();
        EXPECT_EQ(occurrences(raw, "\n"), occurrences(raw, "\r\n")) << "every line ends in CR LF";
        EXPECT_TRUE(contains(raw, toCp932("満開の桜"))) << "written in code page 932";
        const std::string text = page();
        EXPECT_EQ(text.rfind("<!DOCTYPE html>\r\n<html lang=\"ja\">", 0), 0u);
        EXPECT_TRUE(contains(text, "<meta charset=\"Shift_JIS\">"));
        EXPECT_TRUE(contains(text, "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"));
        EXPECT_TRUE(contains(text, "<title>Glimmora写真集 - 春の旅 - 京都</title>"));
        EXPECT_TRUE(contains(text, "</html>\r\n"));

        // Nothing is fetched from the network: no outside script, sheet,
        // font or picture; the only outside address is the footer's link.
        for (const char* outside : {"<link", "@import", "url(", "<script src", "@font-face"})
            EXPECT_FALSE(contains(text, outside)) << outside;
        EXPECT_EQ(occurrences(text, "https://"), 2u) << "the home page link and its text";

        const std::vector<std::string> images = tags(text, "img");
        ASSERT_EQ(images.size(), 2u);
        EXPECT_EQ(images[0], "<img src=\"./sakura.jpg\" width=\"400\" height=\"300\" alt=\"満開の桜\" loading=\"lazy\" "
                             "decoding=\"async\">");
        // A picture of no known size still reserves its room.
        EXPECT_EQ(attribute(images[1], "width"), "400");
        EXPECT_EQ(attribute(images[1], "height"), "300");
        EXPECT_EQ(attribute(images[1], "alt"), "お寺");
        EXPECT_TRUE(contains(text, "<a class=\"thumb\" href=\"./tera.jpg\">"));

        // AVI and MPEG videos are offered as files; voice messages play here.
        EXPECT_TRUE(tags(text, "video").empty());
        EXPECT_TRUE(contains(text, "<a class=\"file-link\" href=\"./kamo.avi\">"));
        EXPECT_TRUE(contains(text, "<a class=\"file-link\" href=\"./yoru.mpg\">"));
        const std::vector<std::string> players = tags(text, "audio");
        ASSERT_EQ(players.size(), 2u);
        EXPECT_EQ(attribute(players[0], "src"), "./voice001.wav");
        EXPECT_TRUE(contains(players[0], " controls "));
        EXPECT_EQ(attribute(players[1], "src"), "./voice002.wav");

        // The marker vocabulary of the standard set, around the same values.
        for (const char* marker :
             {"<!--m tit s-->\r\n春の旅 - 京都\r\n<!--m tit e-->", "<!--tit 000 s-->\r\n満開の桜\r\n<!--tit 000 e-->",
              "<!--com 000 s-->\r\n哲学の道にて<br>二日目の朝\r\n<!--com 000 e-->",
              "<!--pic 000 s\r\nsakura.jpg\r\n    pic 000 e-->", "<!--wid 000 s\r\n400\r\n    wid 000 e-->",
              "<!--hei 000 s\r\n300\r\n    hei 000 e-->", "<!--voc 001 s\r\nvoice001.wav\r\n    voc 001 e-->",
              "<!--vid 002 s\r\nkamo.avi\r\n    vid 002 e-->", "<!--hei 002 s\r\n240\r\n    hei 002 e-->",
              "<!--vid 003 s\r\nyoru.mpg\r\n    vid 003 e-->"})
            EXPECT_TRUE(contains(text, marker)) << marker;
        EXPECT_TRUE(contains(text, "写真 2 枚・動画 2 本"));

        // The viewer is part of the page.
        EXPECT_TRUE(contains(text, "<dialog class=\"viewer\" id=\"viewer\""));
        EXPECT_TRUE(contains(text, "showModal"));
        EXPECT_TRUE(contains(text, "ArrowRight"));
        EXPECT_TRUE(contains(text, ":focus-visible"));
    }
}

TEST_F(GMSModernTest, LightFollowsTheSystemsDarkModeAndDarkIsDarkAlways)
{
    ASSERT_EQ(module.generate(0, sampleAlbum(), folder.path()), 1);
    std::string text = page();
    EXPECT_TRUE(contains(text, "<meta name=\"color-scheme\" content=\"light dark\">"));
    EXPECT_TRUE(contains(text, ":root{color-scheme:light;--bg:#f4f3ef;"));
    EXPECT_TRUE(contains(text, "@media (prefers-color-scheme:dark){:root{color-scheme:dark;--bg:#111215;"));

    ASSERT_EQ(module.generate(1, sampleAlbum(), folder.path()), 1);
    text = page();
    EXPECT_TRUE(contains(text, "<meta name=\"color-scheme\" content=\"dark\">"));
    EXPECT_TRUE(contains(text, ":root{color-scheme:dark;--bg:#111215;"));
    EXPECT_FALSE(contains(text, "prefers-color-scheme"));
    EXPECT_FALSE(contains(text, "--bg:#f4f3ef"));
}

// Album texts are the user's: they never become markup, and file names
// never leave the album folder or turn into another scheme.
TEST_F(GMSModernTest, EscapesEveryTextAndKeepsAddressesInTheAlbum)
{
    TestAlbum album;
    album.pageTitle = "<b>運動会</b> & \"秋\"";
    album.hasComment = true;
    album.comment = "1<2\r\n'3'";
    album.items = {
        {"a#1.jpg", "<script>alert(1)</script>", "x<y\r\n\"z\" & w", "v?1.wav", 640, 480, GM_ITEM_PICTURE},
        {"c:d.jpg", "", "", "", 300, 400, GM_ITEM_PICTURE},
        {"100%.jpg", "it's", "", "", 10, 10, GM_ITEM_PICTURE},
    };
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    const std::string text = page();
    EXPECT_FALSE(contains(text, "<b>"));
    EXPECT_FALSE(contains(text, "<script>alert"));
    EXPECT_TRUE(contains(text, "<title>Glimmora写真集 - &lt;b&gt;運動会&lt;/b&gt; &amp; &quot;秋&quot;</title>"));
    EXPECT_TRUE(contains(text, "<!--m com s-->\r\n1&lt;2<br>&#39;3&#39;\r\n<!--m com e-->"));
    EXPECT_TRUE(contains(text, "<!--com 000 s-->\r\nx&lt;y<br>&quot;z&quot; &amp; w\r\n<!--com 000 e-->"));

    const std::vector<std::string> images = tags(text, "img");
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(attribute(images[0], "src"), "./a%231.jpg");
    EXPECT_EQ(attribute(images[0], "alt"), "&lt;script&gt;alert(1)&lt;/script&gt;");
    EXPECT_EQ(attribute(images[1], "src"), "./c:d.jpg");
    EXPECT_EQ(attribute(images[1], "alt"), "c:d.jpg") << "no title: the file name";
    EXPECT_EQ(attribute(images[1], "width"), "300");
    EXPECT_EQ(attribute(images[2], "src"), "./100%25.jpg");
    EXPECT_EQ(attribute(images[2], "alt"), "it&#39;s");
    EXPECT_EQ(attribute(tags(text, "audio")[0], "src"), "./v%3F1.wav");
}

TEST_F(GMSModernTest, PlaysMp4AndWebmVideosInThePageAndOffersOthersAsFiles)
{
    TestAlbum album;
    album.pageTitle = "動画";
    album.items = {
        {"clip.MP4", "走る", "", "", 640, 360, GM_ITEM_VIDEO},
        {"clip.webm", "跳ぶ", "", "", 0, 0, GM_ITEM_VIDEO},
        {"clip.m4v", "", "", "", 320, 240, GM_ITEM_VIDEO},
        {"clip.mov", "投げる", "", "", 320, 240, GM_ITEM_VIDEO},
    };
    ASSERT_EQ(module.generate(1, album, folder.path()), 1);
    const std::string text = page();
    const std::vector<std::string> videos = tags(text, "video");
    ASSERT_EQ(videos.size(), 3u);
    EXPECT_EQ(videos[0], "<video controls preload=\"metadata\" playsinline src=\"./clip.MP4\" width=\"640\" "
                         "height=\"360\" aria-label=\"動画: 走る\">");
    EXPECT_EQ(attribute(videos[1], "width"), "<none>") << "no size is made up for a video";
    EXPECT_EQ(attribute(videos[2], "aria-label"), "動画: clip.m4v");
    // Inside each player, a link for browsers that cannot play it.
    EXPECT_TRUE(contains(text, "</span><span class=\"file-name\">clip.webm</span></a></video>"));
    EXPECT_TRUE(contains(text, "<a class=\"file-link\" href=\"./clip.mov\">"));
    EXPECT_EQ(occurrences(text, "<a class=\"file-link\" href=\"./clip.mov\">"), 1u);
    EXPECT_TRUE(tags(text, "img").empty());
    EXPECT_TRUE(contains(text, "<p class=\"summary\">動画 4 本</p>"));
}

TEST_F(GMSModernTest, FailsLikeTheOtherSetsWhenTheHostOrTheFolderFails)
{
    TestAlbum album = sampleAlbum();
    album.refuseTitle = true;
    EXPECT_EQ(module.generate(0, album, folder.path()), 0);
    EXPECT_EQ(rawPage(), "") << "created and left empty";
    int count = -1;
    ASSERT_EQ(module.entry<GMGetMaterialNumProc>("GMGetMaterialNum")(&count), 1);
    EXPECT_EQ(count, 0) << "a failed page is no material";

    album = sampleAlbum();
    album.refuseCount = true;
    EXPECT_EQ(module.generate(1, album, folder.path()), 0);
    EXPECT_TRUE(contains(page(), "春の旅 - 京都"));
    EXPECT_FALSE(contains(page(), "</html>"));

    EXPECT_EQ(module.generate(2, sampleAlbum(), folder.path()), 0);
    EXPECT_EQ(module.generate(0, sampleAlbum(), folder.path() / "missing"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));

    // A refused item text ends the list; the page is still whole.
    album = sampleAlbum();
    album.refuseTextsFrom = 2;
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    EXPECT_EQ(tags(page(), "li").size(), 2u);
    EXPECT_TRUE(contains(page(), "</html>"));

    // An old host is asked no sizes, types or voices.
    ASSERT_EQ(module.generate(0, sampleAlbum(), folder.path(), 1, 0), 1);
    for (const Question& q : module.questions())
        EXPECT_TRUE(q.callback != 'N' || q.kind == GM_NUM_ITEM_COUNT || q.kind == GM_NUM_TITLE_LINES) << q.kind;
    EXPECT_EQ(tags(page(), "img").size(), 4u) << "every item a picture";
    EXPECT_TRUE(tags(page(), "audio").empty());
}

TEST_F(GMSModernTest, ReportsOnePageAndCutsTheAlbumAtOneHundred)
{
    TestAlbum album;
    album.pageTitle = "多い";
    for (int i = 0; i < 150; ++i)
        album.items.push_back({"p" + std::to_string(i) + ".jpg", "t", "", "", 40, 30, GM_ITEM_PICTURE});
    ASSERT_EQ(module.generate(0, album, folder.path()), 1);
    EXPECT_TRUE(contains(page(), "<!--tit 099 s-->"));
    EXPECT_FALSE(contains(page(), "<!--tit 100 s-->"));
    EXPECT_TRUE(contains(page(), "写真 100 枚"));

    int count = -1;
    ASSERT_EQ(module.entry<GMGetMaterialNumProc>("GMGetMaterialNum")(&count), 1);
    EXPECT_EQ(count, 1);
    char name[260];
    std::memset(name, 'x', sizeof name);
    auto materialName = module.entry<GMGetMaterialNameProc>("GMGetMaterialName");
    ASSERT_EQ(materialName(0, name, sizeof name), 1);
    EXPECT_STREQ(name, "index.htm");
    EXPECT_EQ(materialName(1, name, sizeof name), 0);
    int attribute = -1;
    ASSERT_EQ(module.entry<GMGetMaterialAttributeProc>("GMGetMaterialAttribute")(0, &attribute), 1);
    EXPECT_EQ(attribute, GM_MATERIAL_ORDINARY);
    auto commonName = module.entry<GMGetTextProc>("GMGetMaterialCommonName");
    ASSERT_EQ(commonName(name, sizeof name), 1);
    EXPECT_STREQ(name, "");
}

// Bytes that are not code page 932 (a faulty host) cost one "?" each, not
// the page. Driven with callbacks of its own: the test host only hands out
// well-formed texts.
int GM_CALL oneItem(int kind, int, int* value)
{
    *value = kind == GM_NUM_ITEM_COUNT ? 1 : 8;
    return kind == GM_NUM_ITEM_COUNT || kind == GM_NUM_ITEM_WIDTH || kind == GM_NUM_ITEM_HEIGHT ? 1 : 0;
}

int GM_CALL brokenTexts(int kind, int, char* buffer, int length, int*)
{
    // A lead byte followed by a quote, and a byte code page 932 never uses.
    const char* text = kind == GM_INFO_ITEM_FILE ? "a.jpg" : kind == GM_INFO_ITEM_TITLE ? "\x81\"x\xA0" : "";
    if (kind == GM_INFO_ALBUM_COMMENT)
        return 0;
    std::strncpy(buffer, text, static_cast<std::size_t>(length));
    return 1;
}

TEST_F(GMSModernTest, RepairsTextsThatAreNotCodePage932)
{
    module.entry<GMInitProc>("GMInit")();
    ASSERT_EQ(module.entry<GMSetStyleNoProc>("GMSetStyleNo")(0), 1);
    module.entry<GMSetNumFuncProc>("GMSetNumFunc")(oneItem);
    module.entry<GMSetInfoFuncProc>("GMSetInfoFunc")(brokenTexts);
    ASSERT_EQ(module.entry<GMSetFolderProc>("GMSetFolder")(folder.path().c_str()), 1);
    module.entry<GMInformVersionProc>("GMInformVersion")(1, 5);
    ASSERT_EQ(module.entry<GMGenerateProc>("GMGenerate")(), 1);
    const std::string text = page();
    const std::vector<std::string> images = tags(text, "img");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(attribute(images[0], "alt"), "?&quot;x?");
    EXPECT_EQ(attribute(images[0], "width"), "8");
}

} // namespace
