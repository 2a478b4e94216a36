// GMSModern: the album as one page that reads as well on a phone as on a
// desktop. Pictures in a grid that folds to one column, a picture viewer
// written into the page, voice messages and videos in the browser's own
// players, and colours that follow the viewer's dark mode. The page keeps
// the marker comments of the standard set, so it can be read back the same
// way; unlike the older sets it escapes every text the album gives it.

#include "styles/album-modern/ModernPageAssets.h"
#include "styles/interface/GMModuleEntryPoints.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

using namespace gmmodule;
using namespace gmsmodern;

bool produced = false; // the last generation wrote the page

constexpr int styleCount = 2;

constexpr StyleText styleTexts[styleCount] = {
    {"モダン・ライト", "白を基調にした、スマートフォンでも見やすいスタイルです。見る人の端末がダークモードのときは暗い色で表示されます。"},
    {"モダン・ダーク", "黒を基調にした、写真が映えるスタイルです。スマートフォンでも見やすく表示されます。"},
};

enum Style { light = 0, dark = 1 };

const char* const pageName = "index.htm";

// What the page says besides the album's own texts.
namespace text {
constexpr const char* kicker = "Glimmora 写真集";
constexpr const char* titlePrefix = "Glimmora写真集 - ";
constexpr const char* pictureCount = "写真 %d 枚";
constexpr const char* videoCount = "動画 %d 本";
constexpr const char* countSeparator = "・";
constexpr const char* voice = "声のメッセージ";
constexpr const char* openVideo = "動画を開く";
constexpr const char* videoLabel = "動画: ";
constexpr const char* viewerLabel = "写真ビューア";
constexpr const char* previous = "← 前へ";
constexpr const char* next = "次へ →";
constexpr const char* close = "閉じる";
constexpr const char* keys = "← → で移動、Esc で閉じる";
constexpr const char* madeBy = "このページは Glimmora - グリモーラ - によって作成されました。";
constexpr const char* series = "Glimmora - グリモーラ - は <i>Corvandelle</i> シリーズのアプリケーションです。";
constexpr const char* poweredBy = "Download Powered by <i>Corvandelle</i>";
} // namespace text

// A text from the host, in UTF-8. Bytes that are not code page 932 become
// "?" rather than failing the page.
std::string fromHost(const std::string& cp932)
{
    std::string utf8;
    if (Cp932Codec::tryToUtf8(cp932, utf8))
        return utf8;
    std::string repaired;
    const auto* bytes = reinterpret_cast<const unsigned char*>(cp932.data());
    for (std::size_t at = 0; at < cp932.size();) {
        char32_t codePoint = 0;
        const std::size_t used = Cp932Codec::decodeOne(bytes + at, cp932.size() - at, codePoint);
        if (used == 0) {
            repaired += '?';
            ++at;
        } else {
            repaired.append(cp932, at, used);
            at += used;
        }
    }
    return Cp932Codec::toUtf8(repaired);
}

std::string escaped(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// An escaped text whose CR LF pairs become line breaks.
std::string escapedLines(const std::string& utf8)
{
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = utf8.find("\r\n", from)) != std::string::npos; from = at + 2)
        out += escaped(utf8.substr(from, at - from)) + "<br>";
    return out + escaped(utf8.substr(from));
}

// A file of the album as an address relative to the page. The "./" keeps a
// name with a colon from reading as a scheme; characters that end or
// redirect a path are percent-encoded. Other characters stay as they are:
// the browser encodes them as the file system names them.
std::string fileAddress(const std::string& utf8)
{
    std::string out = "./";
    for (char c : utf8) {
        switch (c) {
        case '%': out += "%25"; break;
        case '#': out += "%23"; break;
        case '?': out += "%3F"; break;
        case '\\': out += "%5C"; break;
        default: out += c;
        }
    }
    return escaped(out);
}

std::string lowerExtension(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Browsers play these themselves; other videos are offered as files.
bool playsInBrowser(const std::string& file)
{
    const std::string extension = lowerExtension(file);
    return extension == "mp4" || extension == "m4v" || extension == "webm";
}

struct ModernItem {
    std::string file; // UTF-8, as the host gave them
    std::string title;
    std::string comment;
    std::string voice;
    int width = 0;
    int height = 0;
    bool video = false;

    bool hasSize() const { return width > 0 && height > 0; }
    std::string altText() const { return title.empty() ? file : title; }
};

// The questions of the standard set, in its order; the comment is kept raw
// so that it can be escaped before its line breaks are written.
bool readModernItem(int index, ModernItem& item)
{
    item = ModernItem();
    std::string file, title, comment;
    if (!askText(state, GM_INFO_ITEM_FILE, index, file) || !askText(state, GM_INFO_ITEM_TITLE, index, title)
        || !askText(state, GM_INFO_ITEM_COMMENT, index, comment))
        return false;
    item.file = fromHost(file);
    item.title = fromHost(title);
    item.comment = fromHost(comment);
    if (state.hostAtLeast(1, 2)) {
        if (!askNumber(state, GM_NUM_ITEM_WIDTH, index, item.width))
            item.width = 0;
        if (!askNumber(state, GM_NUM_ITEM_HEIGHT, index, item.height))
            item.height = 0;
    }
    if (state.hostAtLeast(1, 5)) {
        int type = GM_ITEM_PICTURE;
        if (askNumber(state, GM_NUM_ITEM_TYPE, index, type))
            item.video = type != GM_ITEM_PICTURE;
        std::string voice;
        if (askText(state, GM_INFO_ITEM_VOICE, index, voice))
            item.voice = fromHost(voice);
    }
    return true;
}

std::string number(int n)
{
    return std::to_string(n);
}

std::string itemNumber(int i)
{
    return format("%03d", i);
}

// A value marker of the standard set: the value on a line of its own.
std::string valueMarker(const char* kind, int i, const std::string& value)
{
    const std::string n = itemNumber(i);
    return std::string("<!--") + kind + " " + n + " s\n" + value + "\n    " + kind + " " + n + " e-->\n";
}

std::string textMarker(const char* kind, int i, const std::string& value)
{
    const std::string n = itemNumber(i);
    return std::string("<!--") + kind + " " + n + " s-->\n" + value + "\n<!--" + kind + " " + n + " e-->";
}

std::string sizeAttributes(int width, int height)
{
    return " width=\"" + number(width) + "\" height=\"" + number(height) + "\"";
}

std::string mediaPiece(const ModernItem& item, int i)
{
    const std::string address = fileAddress(item.file);
    const std::string alt = escaped(item.altText());
    if (!item.video) {
        // A picture the host knows no size of still reserves its room: the
        // grid shows every picture at 4:3 anyway.
        const std::string size = item.hasSize() ? sizeAttributes(item.width, item.height) : sizeAttributes(400, 300);
        return valueMarker("pic", i, escaped(item.file)) + "<a class=\"thumb\" href=\"" + address + "\"><img src=\""
            + address + "\"" + size + " alt=\"" + alt + "\" loading=\"lazy\" decoding=\"async\"></a>\n";
    }
    const std::string fallback = "<a class=\"file-link\" href=\"" + address
        + "\"><span class=\"play\" aria-hidden=\"true\"></span><span>" + text::openVideo
        + "</span><span class=\"file-name\">" + escaped(item.file) + "</span></a>";
    std::string media;
    if (playsInBrowser(item.file)) {
        media = "<video controls preload=\"metadata\" playsinline src=\"" + address + "\""
            + (item.hasSize() ? sizeAttributes(item.width, item.height) : std::string()) + " aria-label=\""
            + text::videoLabel + alt + "\">" + fallback + "</video>\n";
    } else {
        media = fallback + "\n";
    }
    return valueMarker("vid", i, escaped(item.file)) + media;
}

std::string itemPiece(const ModernItem& item, int i)
{
    std::string piece = "<li class=\"item\" id=\"item-" + itemNumber(i) + "\">\n" + mediaPiece(item, i)
        + "<div class=\"text\">\n<h2>" + textMarker("tit", i, escaped(item.title)) + "</h2>\n";
    const std::string comment = textMarker("com", i, escapedLines(item.comment));
    piece += item.comment.empty() ? comment + "\n" : "<p class=\"comment\">" + comment + "</p>\n";
    if (item.hasSize())
        piece += valueMarker("wid", i, number(item.width)) + valueMarker("hei", i, number(item.height));
    if (!item.voice.empty()) {
        const std::string label = "voice-" + itemNumber(i);
        piece += "<div class=\"voice\"><span class=\"voice-label\" id=\"" + label + "\">" + text::voice
            + "</span><audio controls preload=\"none\" src=\"" + fileAddress(item.voice) + "\" aria-labelledby=\""
            + label + "\"></audio>\n" + valueMarker("voc", i, escaped(item.voice)) + "</div>\n";
    }
    return piece + "</div>\n</li>\n";
}

std::string head(int style, const std::string& pageTitle)
{
    std::string colours = style == dark ? darkColours
                                        : std::string(lightColours) + "@media (prefers-color-scheme:dark){"
            + darkColours + "}\n";
    return std::string("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"Shift_JIS\">\n")
        + "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        + "<meta name=\"color-scheme\" content=\"" + (style == dark ? "dark" : "light dark") + "\">\n"
        + "<meta name=\"generator\" content=\"Glimmora\">\n<title>" + text::titlePrefix + escaped(pageTitle)
        + "</title>\n<style>\n" + colours + styleSheet + "</style>\n</head>\n<body>\n<div class=\"page\">\n";
}

// The title as the host gives it carries the subtitle after " - ".
std::string masthead(const std::string& pageTitle, bool hasSubtitle)
{
    std::string title = pageTitle;
    std::string subtitle;
    const std::size_t cut = pageTitle.rfind(" - ");
    if (hasSubtitle && cut != std::string::npos && cut > 0) {
        title = pageTitle.substr(0, cut);
        subtitle = pageTitle.substr(cut + 3);
    }
    std::string out = std::string("<header class=\"masthead\">\n<p class=\"kicker\">") + text::kicker
        + "</p>\n<h1>\n<!--m tit s-->\n" + escaped(title) + "\n<!--m tit e-->\n</h1>\n";
    if (!subtitle.empty())
        out += "<p class=\"subtitle\">" + escaped(subtitle) + "</p>\n";
    return out;
}

std::string summary(const std::vector<ModernItem>& items)
{
    const auto videos = std::count_if(items.begin(), items.end(), [](const ModernItem& i) { return i.video; });
    const int videoCount = static_cast<int>(videos);
    const int pictureCount = static_cast<int>(items.size()) - videoCount;
    std::string out;
    if (pictureCount > 0)
        out += format(text::pictureCount, pictureCount);
    if (videoCount > 0)
        out += (out.empty() ? "" : text::countSeparator) + format(text::videoCount, videoCount);
    return out.empty() ? std::string() : "<p class=\"summary\">" + out + "</p>\n";
}

std::string viewer()
{
    return std::string("<dialog class=\"viewer\" id=\"viewer\" aria-label=\"") + text::viewerLabel
        + "\" aria-describedby=\"viewer-caption\">\n<div class=\"viewer-bar\"><span class=\"viewer-count\"></span>"
        + "<span class=\"viewer-keys\">" + text::keys + "</span><button type=\"button\" class=\"viewer-close\">"
        + text::close + "</button></div>\n<div class=\"viewer-stage\"></div>\n<div class=\"viewer-foot\">"
        + "<button type=\"button\" class=\"viewer-prev\">" + text::previous + "</button>"
        + "<p class=\"viewer-caption\" id=\"viewer-caption\" aria-live=\"polite\"></p>"
        + "<button type=\"button\" class=\"viewer-next\">" + text::next
        + "</button></div>\n</dialog>\n";
}

std::string footer()
{
    return std::string("<footer class=\"site-footer\">\n<p>") + text::madeBy + "<br><small>" + text::series
        + "</small></p>\n<p>" + text::poweredBy + "<br><a href=\"" + product::homePage + "\">" + product::homePage
        + "</a></p>\n</footer>\n</div>\n";
}

int writePage()
{
    produced = false;
    PageFile page(state.pagePath);
    if (!page.isOpen() || !state.styleInRange())
        return 0;
    const int style = state.currentStyle;
    std::string pageTitle;
    if (!askText(state, GM_INFO_PAGE_TITLE, 0, pageTitle))
        return 0;
    pageTitle = fromHost(pageTitle);
    int titleLines = 1;
    if (!askNumber(state, GM_NUM_TITLE_LINES, 0, titleLines))
        titleLines = 1;

    std::string top = head(style, pageTitle) + masthead(pageTitle, titleLines == 2);
    std::string comment;
    const bool hasComment = askText(state, GM_INFO_ALBUM_COMMENT, 0, comment);

    int count = 0;
    if (!askNumber(state, GM_NUM_ITEM_COUNT, 0, count)) {
        page.write(sjis(top + "</header>\n"));
        page.close();
        return 0;
    }
    count = std::min(count, maxItems);
    std::vector<ModernItem> items;
    ModernItem item;
    for (int i = 0; i < count && readModernItem(i, item); ++i)
        items.push_back(item);

    std::string body = top + summary(items);
    if (hasComment)
        body += "<p class=\"lead\">\n<!--m com s-->\n" + escapedLines(fromHost(comment)) + "\n<!--m com e-->\n</p>\n";
    body += "</header>\n<main>\n<ul class=\"items\">\n";
    for (std::size_t i = 0; i < items.size(); ++i)
        body += itemPiece(items[i], static_cast<int>(i));
    body += "</ul>\n</main>\n" + footer() + viewer() + "<script>\n" + viewerScript + "</script>\n</body>\n</html>\n";
    page.write(sjis(body));
    produced = page.close();
    return produced ? 1 : 0;
}

} // namespace

namespace gmmodule {

const ModuleInfo moduleInfo = {
    1, 0, // version
    "モダンスタイルセット",
    "スマートフォンからパソコンまで、画面の幅に合わせて写真を大きく並べるスタイルのセットです。",
    "12/9/2026",
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

// One page, no shared parts: an empty common name.
GM_EXPORT int GM_CALL GMGetMaterialCommonName(char* buffer, int length)
{
    if (length < 1)
        return 0;
    return guarded([&] { return copyBounded(buffer, length, ""); });
}

} // extern "C"
