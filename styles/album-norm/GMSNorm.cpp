// GMSNorm: the standard album style set. One plain page and four framed
// pages in seasonal colours, written as index.htm into the album folder.
// Every variable part stands between marker comments that carry the item
// number, so other programs can read the page back.

#include "styles/interface/GMModuleEntryPoints.h"

#include <algorithm>

namespace {

using namespace gmmodule;

bool produced = false; // the last generation wrote the page

constexpr int styleCount = 5;

constexpr StyleText styleTexts[styleCount] = {
    {"シンプル", "標準的なページスタイルです。"},
    {"新緑", "新緑の緑色を基調にしたシンプルなページスタイルです。"},
    {"桃の香", "春の桃の花の色を基調にしたシンプルなページスタイルです。"},
    {"紅葉", "秋の紅葉の色を基調にしたシンプルなページスタイルです。"},
    {"銀世界", "冬の雪の色を基調にしたシンプルなページスタイルです。"},
};

// The framed styles 1 to 4 differ only in these.
struct FrameColours {
    const char* frame;
    const char* albumTitleRow;
    const char* itemTitleRow;
    const char* itemTitleText;
    const char* itemBody;
    const char* commentText;
};

constexpr FrameColours frameColours[styleCount - 1] = {
    {"70ad1d", "ffffff", "f1fed1", "000000", "ffffff", "000000"},
    {"ff80c0", "ffffff", "fee0fd", "000000", "ffffff", "000000"},
    {"808040", "ffffff", "cc0000", "ffffff", "cb9821", "000000"},
    {"eaeaea", "ffffff", "cccccc", "666666", "f0ffff", "000099"},
};

const char* const pageName = "index.htm";

// The page fragments, in the page's code page once the module is in use.
struct Templates {
    std::string plainHead = sjis("<html><head>\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
                                 "<title>Glimmora写真集 - %s</title></head>\n<body bgcolor=\"white\">\n");
    std::string plainTitle = sjis("<h1>\n<!--m tit s-->\n%s\n<!--m tit e-->\n</h1>\n");
    std::string plainComment = sjis("<p>\n<!--m com s-->\n%s\n<!--m com e--></p>\n");
    std::string plainPicture = sjis(
        "<P><h3>\n<!--tit %03d s-->\n%s\n<!--tit %03d e-->\n</h3><table border=\"0\"><tr><td><img src=\"%s\" "
        "align=\"left\">\n<!--pic %03d s\n%s\n    pic %03d e-->\n</td><td>\n%s\n<!--com %03d s-->\n%s\n<!--com %03d "
        "e-->\n</td></tr></table></P>\n");
    std::string plainSizedPicture = sjis(
        "<P><h3>\n<!--tit %03d s-->\n%s\n<!--tit %03d e-->\n</h3><table border=\"0\"><tr><td><img src=\"%s\" "
        "width=\"%d\" height=\"%d\" align=\"left\">\n<!--pic %03d s\n%s\n    pic %03d e-->\n</td><td>\n%s\n<!--com "
        "%03d s-->\n%s\n<!--com %03d e-->\n<!--wid %03d s\n%d\n    wid %03d e-->\n<!--hei %03d s\n%d\n    hei %03d "
        "e-->\n</td></tr></table></P>\n");
    std::string plainVideo = sjis(
        "<P><h3>\n<!--tit %03d s-->\n%s\n<!--tit %03d e-->\n</h3><table border=\"0\"><tr><td><EMBED SRC=\"%s\" "
        "controller=true loop=false autoplay=false ALIGN=\"BOTTOM\">\n<!--vid %03d s\n%s\n    vid %03d "
        "e-->\n</td><td>\n%s\n<!--com %03d s-->\n%s\n<!--com %03d e-->\n</td></tr></table></P>\n");
    std::string plainSizedVideo = sjis(
        "<P><h3>\n<!--tit %03d s-->\n%s\n<!--tit %03d e-->\n</h3><table border=\"0\"><tr><td><EMBED SRC=\"%s\" "
        "width=%d height=%d controller=true loop=false autoplay=false ALIGN=\"BOTTOM\">\n<!--vid %03d s\n%s\n    vid "
        "%03d e-->\n</td><td>\n%s\n<!--com %03d s-->\n%s\n<!--com %03d e--><!--wid %03d s\n%d\n    wid %03d "
        "e-->\n<!--hei %03d s\n%d\n    hei %03d e-->\n\n</td></tr></table></P>\n");

    std::string framedHead = sjis("<html><head><title>Glimmora写真集 - %s</title></head>\n<body bgcolor=\"white\">\n");
    std::string frameStart = sjis("<TABLE border=\"0\" cellpadding=\"5\" cellspacing=\"1\" bgcolor=\"#%s\">\n<TBODY>\n");
    std::string framedTitle = sjis(
        "<TR><TD colspan=\"2\" bgcolor=\"#%s\"><font size=\"+2\">\n<!--m tit s-->\n%s\n<!--m tit e-->\n</font></TD>\n</TR>\n");
    std::string framedComment = sjis(
        "<TR><TD colspan=\"2\" bgcolor=\"#ffffff\">\n<!--m com s-->\n%s\n<!--m com e-->\n</TD>\n</TR>\n");
    std::string itemTitleRow = sjis(
        "<TR><TD bgcolor=\"#%s\" colspan=\"2\"><font size=\"+1\" color=\"#%s\">\n<!--tit %03d s-->\n%s\n<!--tit %03d "
        "e-->\n</font></TD></TR>\n");
    std::string itemBodyStart = sjis(
        "<TR><TD width=\"5%%\"></TD><TD bgcolor=\"#%s\">\n<TABLE border=\"0\"><TBODY><TR>\n");
    std::string framedPicture = sjis("<TD><IMG src=\"%s\" align=\"left\">\n<!--pic %03d s\n%s\n    pic %03d e-->\n</TD>\n");
    std::string framedSizedPicture = sjis(
        "<TD><IMG src=\"%s\" width=\"%d\" height=\"%d\" align=\"left\">\n<!--pic %03d s\n%s\n    pic %03d "
        "e-->\n<!--wid %03d s\n%d\n    wid %03d e-->\n<!--hei %03d s\n%d\n    hei %03d e-->\n</TD>\n");
    std::string framedVideo = sjis(
        "<td><EMBED SRC=\"%s\" controller=true loop=false autoplay=false ALIGN=\"BOTTOM\">\n<!--vid %03d s\n%s\n    "
        "vid %03d e-->\n</td>\n");
    std::string framedSizedVideo = sjis(
        "<td><EMBED SRC=\"%s\" width=%d height=%d controller=true loop=false autoplay=false ALIGN=\"BOTTOM\">\n<!--vid "
        "%03d s\n%s\n    vid %03d e-->\n<!--wid %03d s\n%d\n    wid %03d e-->\n<!--hei %03d s\n%d\n    hei %03d "
        "e-->\n</td>\n");
    std::string itemText = sjis(
        "<TD cellpadding=\"5\"><font color=\"#%s\">\n%s\n<!--com %03d s-->\n%s\n<!--com %03d e-->\n</font></TD>\n");
    std::string itemBodyEnd = sjis("</TR></TBODY></TABLE>\n</TD></TR>\n");
    std::string frameEnd = sjis("</TBODY></TABLE>\n");
};

const Templates& templates()
{
    static const Templates t;
    return t;
}

// Room for the player's controller below a video.
constexpr int playerAllowance = 40;

std::string plainItem(const Item& item, int i)
{
    const Templates& t = templates();
    const std::string voice = voiceBlock(item, i);
    const char* title = item.title.c_str();
    const char* file = item.file.c_str();
    const char* comment = item.comment.c_str();
    if (!item.isVideo() && !item.hasSize())
        return format(t.plainPicture.c_str(), i, title, i, file, i, file, i, voice.c_str(), i, comment, i);
    if (!item.isVideo())
        return format(t.plainSizedPicture.c_str(), i, title, i, file, item.width, item.height, i, file, i,
                      voice.c_str(), i, comment, i, i, item.width, i, i, item.height, i);
    if (!item.hasSize())
        return format(t.plainVideo.c_str(), i, title, i, file, i, file, i, voice.c_str(), i, comment, i);
    return format(t.plainSizedVideo.c_str(), i, title, i, file, item.width, item.height + playerAllowance, i, file,
                  i, voice.c_str(), i, comment, i, i, item.width, i, i, item.height, i);
}

std::string framedMedia(const Item& item, int i)
{
    const Templates& t = templates();
    const char* file = item.file.c_str();
    if (!item.isVideo() && !item.hasSize())
        return format(t.framedPicture.c_str(), file, i, file, i);
    if (!item.isVideo())
        return format(t.framedSizedPicture.c_str(), file, item.width, item.height, i, file, i, i, item.width, i, i,
                      item.height, i);
    if (!item.hasSize())
        return format(t.framedVideo.c_str(), file, i, file, i);
    return format(t.framedSizedVideo.c_str(), file, item.width, item.height + playerAllowance, i, file, i, i,
                  item.width, i, i, item.height, i);
}

std::string framedItem(const Item& item, int i, const FrameColours& colours)
{
    const Templates& t = templates();
    const std::string voice = voiceBlock(item, i);
    return format(t.itemTitleRow.c_str(), colours.itemTitleRow, colours.itemTitleText, i, item.title.c_str(), i)
        + format(t.itemBodyStart.c_str(), colours.itemBody) + framedMedia(item, i)
        + format(t.itemText.c_str(), colours.commentText, voice.c_str(), i, item.comment.c_str(), i) + t.itemBodyEnd;
}

int writePage()
{
    produced = false;
    const int style = state.currentStyle;
    if (style < 0 || style >= styleCount)
        return 0;
    PageFile page(state.pagePath);
    if (!page.isOpen())
        return 0;
    std::string title;
    if (!askText(state, GM_INFO_PAGE_TITLE, 0, title))
        return 0;

    const Templates& t = templates();
    const bool framed = style != 0;
    const FrameColours* colours = framed ? &frameColours[style - 1] : nullptr;
    if (framed) {
        page.write(format(t.framedHead.c_str(), title.c_str()));
        page.write(format(t.frameStart.c_str(), colours->frame));
        page.write(format(t.framedTitle.c_str(), colours->albumTitleRow, title.c_str()));
    } else {
        page.write(format(t.plainHead.c_str(), title.c_str()));
        page.write(format(t.plainTitle.c_str(), title.c_str()));
    }

    std::string comment;
    if (askText(state, GM_INFO_ALBUM_COMMENT, 0, comment))
        page.write(format((framed ? t.framedComment : t.plainComment).c_str(), comment.c_str()));

    int count = 0;
    if (!askNumber(state, GM_NUM_ITEM_COUNT, 0, count)) {
        page.close();
        return 0;
    }
    count = std::min(count, maxItems);
    Item item;
    for (int i = 0; i < count && readItem(state, i, item); ++i)
        page.write(framed ? framedItem(item, i, *colours) : plainItem(item, i));

    if (framed)
        page.write(t.frameEnd);
    page.write(pageFooter());
    produced = page.close();
    return produced ? 1 : 0;
}

} // namespace

namespace gmmodule {

const ModuleInfo moduleInfo = {
    2, 0, // version
    "標準スタイルセット",
    "シンプルなスタイルをいくつか含んだ基本セットです。",
    "6/27/2002",
    styleCount,
    styleTexts,
    writePage,
};

} // namespace gmmodule

extern "C" {

GM_EXPORT int GM_CALL GMGetMaterialNum(int* count)
{
    if (!count)
        return 0;
    *count = produced ? 1 : 0;
    return 1;
}

// There is one material; the index is not looked at.
GM_EXPORT int GM_CALL GMGetMaterialName(int, char* buffer, int length)
{
    return guarded([&] { return copyBounded(buffer, length, pageName); });
}

// The page needs no common name.
GM_EXPORT int GM_CALL GMGetMaterialCommonName(char*, int)
{
    return 0;
}

} // extern "C"
