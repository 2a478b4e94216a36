// GMSSmart: the pastel album style set. One centred, boxed page in five pale
// backgrounds; each item's title box takes one of four colours at random.
// The markers and the item order are those of the standard set.

#include "styles/interface/GMModuleEntryPoints.h"

#include <algorithm>
#include <cstdint>

namespace {

using namespace gmmodule;

bool produced = false; // the last generation wrote the page

constexpr int styleCount = 5;

constexpr StyleText styleTexts[styleCount] = {
    {"ブルー・パステル", "青を基調にした淡い色合いのスタイルです。"},
    {"グリーン・パステル", "緑を基調にした淡い色合いのスタイルです。"},
    {"パープル・パステル", "紫を基調にした淡い色合いのスタイルです。"},
    {"オレンジ・パステル", "オレンジを基調にした淡い色合いのスタイルです。"},
    {"ピーチ・パステル", "ピンクを基調にした淡い色合いのスタイルです。"},
};

// The page background of each style.
constexpr const char* backgrounds[styleCount] = {"ccffff", "ccffcc", "ccccff", "ffcc99", "ffcccc"};

// Four title box colours per style; every style has the same four.
constexpr int titleBoxColourCount = 4;
constexpr const char* titleBoxColours[styleCount * titleBoxColourCount] = {
    "a1e2f5", "b1f5e2", "ffa2ff", "ffff99", "a1e2f5", "b1f5e2", "ffa2ff", "ffff99", "a1e2f5", "b1f5e2",
    "ffa2ff", "ffff99", "a1e2f5", "b1f5e2", "ffa2ff", "ffff99", "a1e2f5", "b1f5e2", "ffa2ff", "ffff99",
};

const char* const pageName = "index.htm";

// The module's own generator, never seeded: every load draws the same
// sequence (that of the C library the module was first built with).
std::uint32_t randomState = 1;

int nextRandom()
{
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7fff);
}

struct Templates {
    std::string head = sjis("<html><head><title>Glimmora写真集 - %s</title></head>\n<body bgcolor=\"%s\">\n");
    std::string title = sjis("<center><h1>\n<!--m tit s-->\n%s\n<!--m tit e-->\n</h1></center>\n");
    std::string comment = sjis("<p>%s</p>\n");
    std::string picture;
    std::string sizedPicture;
    std::string video;
    std::string sizedVideo;

    Templates()
    {
        // Every item template is these pieces around its media tag and its
        // markers; the tabs belong to the page.
        const std::string titleBox = "\t\t\t\t\t<center>\t\t\t\t\t<p><table border=\"1\" cellspacing=\"0\" cellpadding=\"5\" "
                                     "bgcolor=\"%s\">\t\t\t\t\t  <tr><td valign=\"center\"><font size=\"+1\">\n<!--tit "
                                     "%03d s-->\n%s\n<!--tit %03d e-->\n</font></td></tr></table>\t\t\t\t\t  <p><table "
                                     "bgcolor=\"white\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr><td>\t\t\t\t\t "
                                     " <table border=\"0\"><tr><td>\t\t\t\t\t  ";
        const std::string pictureTag = "<img src=\"%s\" align=\"left\">";
        const std::string sizedPictureTag = "<img src=\"%s\" align=\"left\" width=\"%d\" height=\"%d\">";
        const std::string videoTag = "<embed src=\"%s\" controller=true loop=false autoplay=false align=\"bottom\">";
        const std::string sizedVideoTag = "<embed src=\"%s\" width=\"%d\" height=\"%d\" controller=true loop=false "
                                          "autoplay=false align=\"bottom\">";
        auto fileMarker = [](const char* kind) {
            return std::string("\n<!--") + kind + " %03d s\n%s\n    " + kind + " %03d e-->\n";
        };
        const std::string textCell = "\t\t\t\t\t  </td><td>\n%s\n<!--com %03d s-->\n%s\n<!--com %03d e-->";
        const std::string sizeMarkers = "\n<!--wid %03d s\n%d\n    wid %03d e-->\n<!--hei %03d s\n%d\n    hei %03d e-->";
        const std::string end = "\n</td></tr></table></td></tr></table></P>\t\t\t\t\t</center>\t\t\t\t\t\n";

        picture = sjis(titleBox + pictureTag + fileMarker("pic") + textCell + end);
        sizedPicture = sjis(titleBox + sizedPictureTag + fileMarker("pic") + textCell + sizeMarkers + end);
        video = sjis(titleBox + videoTag + fileMarker("vid") + textCell + end);
        sizedVideo = sjis(titleBox + sizedVideoTag + fileMarker("vid") + textCell + sizeMarkers + end);
    }
};

const Templates& templates()
{
    static const Templates t;
    return t;
}

// Room for the player's controller below a video.
constexpr int playerAllowance = 40;

std::string itemPiece(const Item& item, int i, const char* boxColour)
{
    const Templates& t = templates();
    const std::string voice = voiceBlock(item, i);
    const char* title = item.title.c_str();
    const char* file = item.file.c_str();
    const char* comment = item.comment.c_str();
    const std::string& plain = item.isVideo() ? t.video : t.picture;
    if (!item.hasSize())
        return format(plain.c_str(), boxColour, i, title, i, file, i, file, i, voice.c_str(), i, comment, i);
    const std::string& sized = item.isVideo() ? t.sizedVideo : t.sizedPicture;
    const int height = item.isVideo() ? item.height + playerAllowance : item.height;
    return format(sized.c_str(), boxColour, i, title, i, file, item.width, height, i, file, i, voice.c_str(), i,
                  comment, i, i, item.width, i, i, item.height, i);
}

int writePage()
{
    produced = false;
    PageFile page(state.pagePath);
    if (!page.isOpen())
        return 0;
    int titleLines = 0;
    if (!askNumber(state, GM_NUM_TITLE_LINES, 0, titleLines) || !state.styleInRange())
        return 0;
    const int style = state.currentStyle;
    std::string title;
    if (!askText(state, GM_INFO_PAGE_TITLE, 0, title))
        return 0;

    const Templates& t = templates();
    page.write(format(t.head.c_str(), title.c_str(), backgrounds[style]));
    page.write(format(t.title.c_str(), title.c_str()));

    std::string comment;
    if (askText(state, GM_INFO_ALBUM_COMMENT, 0, comment))
        page.write(format(t.comment.c_str(), comment.c_str()));

    int count = 0;
    if (!askNumber(state, GM_NUM_ITEM_COUNT, 0, count)) {
        page.close();
        return 0;
    }
    count = std::min(count, maxItems);
    Item item;
    for (int i = 0; i < count && readItem(state, i, item); ++i) {
        // One draw per item, once its texts and sizes are in.
        const int draw = nextRandom() % titleBoxColourCount;
        page.write(itemPiece(item, i, titleBoxColours[style * titleBoxColourCount + draw]));
    }

    page.write(pageFooter());
    produced = page.close();
    return produced ? 1 : 0;
}

} // namespace

namespace gmmodule {

const ModuleInfo moduleInfo = {
    1, 0, // version
    "スマートスタイルセット",
    "淡い色合いのスタイルのセットです。",
    "8/1/2002",
    styleCount,
    styleTexts,
    writePage,
};

} // namespace gmmodule

extern "C" {

GM_EXPORT int GM_CALL GMGetMaterialNum(int* count)
{
    if (!count || !state.styleInRange())
        return 0;
    *count = produced ? 1 : 0;
    return 1;
}

GM_EXPORT int GM_CALL GMGetMaterialName(int index, char* buffer, int length)
{
    if (!state.styleInRange() || index != 0 || length <= 0)
        return 0;
    return guarded([&] { return copyBounded(buffer, length, pageName); });
}

// The set shares no common name: an empty one, when there is room for it.
GM_EXPORT int GM_CALL GMGetMaterialCommonName(char* buffer, int length)
{
    if (length < 1)
        return 0;
    return guarded([&] { return copyBounded(buffer, length, ""); });
}

} // extern "C"
