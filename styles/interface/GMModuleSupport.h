#pragma once
// What every album style module does alike: its state as the host sets it,
// copying texts into the host's buffers, asking the host about the album,
// and writing the page as code page 932 text with CR LF line ends. Compiled
// into each module (with platform/Cp932Codec.cpp); no Qt.

#include "styles/interface/GMStyleInterface.h"
#include "styles/interface/ModuleGuard.h"

#include "platform/Cp932Codec.h"
#include "platform/ProductInfo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace gmmodule {

using platform::Cp932Codec;

// The host's calls come from one thread; plain module state is enough.
struct ModuleState {
    void* handle = nullptr;
    int styleCount = 0;
    int currentStyle = 0;
    int hostMajor = 0;
    int hostMinor = 0;
    std::string pagePath; // UTF-8, as the file system takes it; empty until a folder is set
    NumFunc numFunc = nullptr;
    InfoFunc infoFunc = nullptr;

    bool hostAtLeast(int major, int minor) const
    {
        return hostMajor > major || (hostMajor == major && hostMinor >= minor);
    }
    bool styleInRange() const { return currentStyle >= 0 && currentStyle < styleCount; }
};

inline constexpr int textBufferSize = 1024;
// A misbehaving host that keeps setting the continuation flag must not keep
// the module asking for ever.
inline constexpr int maxTextPieces = 256;
inline constexpr int maxItems = 100;

// A fixed text of the module (UTF-8 in the source) in the page's code page.
inline std::string sjis(std::string_view utf8)
{
    return Cp932Codec::fromUtf8(utf8);
}

// The fixed-size buffers: as much as fits, never half a character, always
// terminated.
inline int copyFixed(char* buffer, std::string_view utf8)
{
    if (!buffer)
        return 0;
    std::string text = sjis(utf8);
    std::string_view fitted = Cp932Codec::truncateCp932(text, GM_TEXT_BUFFER_SIZE - 1);
    std::memcpy(buffer, fitted.data(), fitted.size());
    buffer[fitted.size()] = '\0';
    return 1;
}

// strncpy into `length` bytes, except that a double-byte character that does
// not fit whole is left out. A length of 0 copies nothing, as strncpy does; a
// negative one is refused rather than taken as a huge size.
inline int copyBounded(char* buffer, int length, std::string_view utf8)
{
    if (length == 0)
        return 1;
    if (!buffer || length < 0)
        return 0;
    std::string text = sjis(utf8);
    std::string_view fitted = Cp932Codec::truncateCp932(text, static_cast<std::size_t>(length));
    std::memcpy(buffer, fitted.data(), fitted.size());
    std::memset(buffer + fitted.size(), 0, static_cast<std::size_t>(length) - fitted.size());
    return 1;
}

// The output folder arrives as code page 932; the page lies in it.
inline int setFolder(ModuleState& state, const char* cp932)
{
    if (!cp932 || !*cp932)
        return 0;
    std::string utf8;
    if (!Cp932Codec::tryToUtf8(cp932, utf8))
        return 0;
    if (utf8.back() != '/')
        utf8 += '/';
    state.pagePath = utf8 + "index.htm";
    return 1;
}

inline bool askNumber(const ModuleState& state, int kind, int index, int& value)
{
    if (!state.numFunc)
        return false;
    int answer = 0;
    if (!state.numFunc(kind, index, &answer))
        return false;
    value = answer;
    return true;
}

// One text from the host, in as many pieces as it hands out.
inline bool askText(const ModuleState& state, int kind, int index, std::string& text)
{
    text.clear();
    if (!state.infoFunc)
        return false;
    // One byte more than offered, so an unterminated full buffer still ends.
    char buffer[textBufferSize + 1];
    for (int piece = 0; piece < maxTextPieces; ++piece) {
        std::memset(buffer, 0, sizeof buffer);
        int more = 0;
        if (!state.infoFunc(kind, index, buffer, textBufferSize, &more))
            return piece > 0;
        text += buffer;
        if (!more)
            break;
    }
    return true;
}

// printf into a string; the format and the texts are code page 932 bytes.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (size > 0) {
        out.resize(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(size));
    }
    va_end(args);
    return out;
}

// An album item as the module writes it: texts in code page 932.
struct Item {
    std::string file;
    std::string title;
    std::string comment; // CR LF already turned into "<br>"
    std::string voice;
    int width = 0;
    int height = 0;
    int type = GM_ITEM_PICTURE;

    bool hasSize() const { return width > 0 && height > 0; }
    bool isVideo() const { return type != GM_ITEM_PICTURE; }
};

inline std::string joinLines(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Gathers item `index`; false when the host refuses one of its texts, which
// ends the page's item list.
inline bool readItem(const ModuleState& state, int index, Item& item)
{
    item = Item();
    std::string comment;
    if (!askText(state, GM_INFO_ITEM_FILE, index, item.file) || !askText(state, GM_INFO_ITEM_TITLE, index, item.title)
        || !askText(state, GM_INFO_ITEM_COMMENT, index, comment))
        return false;
    item.comment = joinLines(comment);
    if (state.hostAtLeast(1, 2)) {
        if (!askNumber(state, GM_NUM_ITEM_WIDTH, index, item.width))
            item.width = 0;
        if (!askNumber(state, GM_NUM_ITEM_HEIGHT, index, item.height))
            item.height = 0;
    }
    if (state.hostAtLeast(1, 5)) {
        if (!askNumber(state, GM_NUM_ITEM_TYPE, index, item.type))
            item.type = GM_ITEM_PICTURE;
        if (!askText(state, GM_INFO_ITEM_VOICE, index, item.voice))
            item.voice.clear();
    }
    return true;
}

// The voice message player of an item; empty without a voice file.
inline std::string voiceBlock(const Item& item, int index)
{
    if (item.voice.empty())
        return {};
    static const std::string fmt = sjis(
        "<table border=\"1\" cellpadding=\"5\"><tr><td><center>声のメッセージ<br><EMBED src=\"%s\" autostart=false "
        "loop=false volume=100 hidden=false></center></td>\n<!--voc %03d s\n%s\n    voc %03d e-->\n</tr></table><br><br>");
    return format(fmt.c_str(), item.voice.c_str(), index, item.voice.c_str(), index);
}

// The end of every album page: who made it and where the receiver lives.
inline std::string pageFooter()
{
    static const std::string footer = sjis(
        std::string("<HR><P>このページは Glimmora - グリモーラ - によって作成されました。<BR><font size=\"-1\">Glimmora - "
                    "グリモーラ - は<font face=\"Arial Black\"><i>Corvandelle</i></font> シリーズのアプリケーションです。"
                    "</font></P>\n")
        + "<P>Download Powered by <font face=\"Arial Black\"><i>Corvandelle</i></font><BR>" + "<a href=\""
        + product::homePage + "\">" + product::homePage + " </a></P>\n" + "</body></html>\n");
    return footer;
}

// The page file, written as text: every line break becomes CR LF. A text
// that already carries CR LF keeps it as it is.
class PageFile {
public:
    explicit PageFile(const std::string& path) : file_(path.empty() ? nullptr : std::fopen(path.c_str(), "wb")) {}
    ~PageFile() { close(); }
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }

    void write(std::string_view text)
    {
        std::string out;
        out.reserve(text.size() + text.size() / 16);
        for (char c : text) {
            if (c == '\n' && lastByte_ != '\r')
                out += '\r';
            out += c;
            lastByte_ = c;
        }
        if (file_ && std::fwrite(out.data(), 1, out.size(), file_) != out.size())
            failed_ = true;
    }

    // False when anything could not be written.
    bool close()
    {
        if (file_) {
            if (std::fclose(file_) != 0)
                failed_ = true;
            file_ = nullptr;
        }
        return !failed_;
    }

private:
    std::FILE* file_;
    char lastByte_ = '\0';
    bool failed_ = false;
};

using stylemodule::guarded;

} // namespace gmmodule
