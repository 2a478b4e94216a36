#include "GMStyleHost.h"

#include "platform/Cp932Codec.h"
#include "platform/Folders.h"
#include "styles/host/ModuleLibrary.h"
#include "styles/host/StyleProgram.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace styles {
namespace fs = std::filesystem;
using platform::Cp932Codec;

namespace {

// The longest text a module is handed in one piece (its buffers hold 1024
// bytes with the terminator).
constexpr std::size_t maxTextBytes = 1023;

// The album as the module sees it: code page 932 texts.
struct ModuleItem {
    std::string file;
    std::string title;
    std::string comment;
    std::string extra;
    std::string voice;
    int width = 0;
    int height = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int type = GM_ITEM_PICTURE;
};

struct ModuleAlbum {
    std::string pageTitle;
    bool hasSubtitle = false;
    std::vector<ModuleItem> items;
};

// The callbacks carry no context: the album being published stands here
// while its module generates (one publishing at a time, on one thread).
const ModuleAlbum* publishing = nullptr;

bool toModuleText(const std::string& utf8, std::string& out)
{
    if (!Cp932Codec::tryFromUtf8(utf8, out))
        return false;
    out = std::string(Cp932Codec::truncateCp932(out, maxTextBytes));
    return true;
}

bool toModuleAlbum(const GMAlbumContent& album, ModuleAlbum& out)
{
    std::string pageTitle = album.title;
    if (!album.subtitle.empty())
        pageTitle += " - " + album.subtitle;
    out.hasSubtitle = !album.subtitle.empty();
    if (!toModuleText(pageTitle, out.pageTitle))
        return false;
    for (const GMAlbumItem& item : album.items) {
        ModuleItem m;
        if (!toModuleText(item.saveName, m.file) || !toModuleText(item.title, m.title)
            || !toModuleText(item.comment, m.comment) || !toModuleText(item.extraText, m.extra)
            || !toModuleText(item.voiceFileName, m.voice))
            return false;
        m.width = item.width;
        m.height = item.height;
        m.sourceWidth = item.type == GMAlbumItem::Type::Picture ? item.sourceWidth : 0;
        m.sourceHeight = item.type == GMAlbumItem::Type::Picture ? item.sourceHeight : 0;
        m.type = item.type == GMAlbumItem::Type::Video ? GM_ITEM_VIDEO : GM_ITEM_PICTURE;
        out.items.push_back(std::move(m));
    }
    return true;
}

const ModuleItem* itemAt(int index)
{
    if (!publishing || index < 0 || static_cast<std::size_t>(index) >= publishing->items.size())
        return nullptr;
    return &publishing->items[static_cast<std::size_t>(index)];
}

int positive(int value, int* out)
{
    if (value <= 0)
        return 0;
    *out = value;
    return 1;
}

int GM_CALL answerNumber(int kind, int index, int* value)
{
    if (!publishing || !value)
        return 0;
    if (kind == GM_NUM_ITEM_COUNT) {
        *value = static_cast<int>(publishing->items.size());
        return 1;
    }
    if (kind == GM_NUM_TITLE_LINES) {
        *value = publishing->hasSubtitle ? 2 : 1;
        return 1;
    }
    const ModuleItem* item = itemAt(index);
    if (!item)
        return 0;
    switch (kind) {
    case GM_NUM_ITEM_WIDTH:
        return positive(item->width, value);
    case GM_NUM_ITEM_HEIGHT:
        return positive(item->height, value);
    case GM_NUM_SOURCE_WIDTH:
        return positive(item->sourceWidth, value);
    case GM_NUM_SOURCE_HEIGHT:
        return positive(item->sourceHeight, value);
    case GM_NUM_ITEM_TYPE:
        *value = item->type;
        return 1;
    default:
        return 0;
    }
}

// strncpy into `length` bytes, never ending in half a character; the
// continuation flag is left alone because every text comes in one piece.
int copyText(const std::string& text, char* buffer, int length)
{
    if (!buffer || length < 1)
        return 0;
    std::string_view fitted = Cp932Codec::truncateCp932(text, static_cast<std::size_t>(length));
    std::memcpy(buffer, fitted.data(), fitted.size());
    std::memset(buffer + fitted.size(), 0, static_cast<std::size_t>(length) - fitted.size());
    return 1;
}

int GM_CALL answerText(int kind, int index, char* buffer, int length, int* /*more*/)
{
    if (!publishing)
        return 0;
    if (kind == GM_INFO_PAGE_TITLE)
        return copyText(publishing->pageTitle, buffer, length);
    if (kind == GM_INFO_ALBUM_COMMENT)
        return 0; // albums carry no comment of their own
    const ModuleItem* item = itemAt(index);
    if (!item)
        return 0;
    switch (kind) {
    case GM_INFO_ITEM_FILE:
        return copyText(item->file, buffer, length);
    case GM_INFO_ITEM_TITLE:
        return copyText(item->title, buffer, length);
    case GM_INFO_ITEM_COMMENT:
        return copyText(item->comment, buffer, length);
    case GM_INFO_ITEM_EXTRA:
        return copyText(item->extra, buffer, length);
    case GM_INFO_ITEM_VOICE:
        return copyText(item->voice, buffer, length);
    default:
        return 0;
    }
}

// Stands the album in place for the callbacks and takes it away again.
class Publishing {
public:
    explicit Publishing(const ModuleAlbum& album) { publishing = &album; }
    ~Publishing() { publishing = nullptr; }
    Publishing(const Publishing&) = delete;
    Publishing& operator=(const Publishing&) = delete;
};

} // namespace

std::string GMStyleHost::defaultStyleFolder()
{
    return platform::Folders::besideProgram(styleFolderName);
}

GMStyleHost::GMStyleHost() : folders_(StyleFolders::standard(styleFolderName)) {}

GMStyleHost::GMStyleHost(StyleFolders folders) : folders_(std::move(folders)) {}

GMStyleHost::GMStyleHost(std::string styleFolder) : folders_(StyleFolders::single(std::move(styleFolder))) {}

GMStyleHost::~GMStyleHost()
{
    unload();
}

void GMStyleHost::load()
{
    unload();
    for (const ModuleFile& file : folders_.find(StyleProgram::album().isModuleFile)) {
        if (auto module = GMStyleModule::load(file.path))
            modules_.push_back(std::move(module));
    }
}

bool GMStyleHost::loadsAsModule(const std::string& path) const
{
    return GMStyleModule::load(path) != nullptr;
}

void GMStyleHost::unload()
{
    // Last loaded, first freed.
    while (!modules_.empty())
        modules_.pop_back();
}

std::vector<StyleChoice> GMStyleHost::choices() const
{
    std::vector<StyleChoice> all;
    for (std::size_t m = 0; m < modules_.size(); ++m) {
        for (StyleSummary& style : stylesOfModule(*modules_[m]))
            all.push_back({m, style.number, std::move(style.name), std::move(style.description)});
    }
    return all;
}

GMGenerationResult GMStyleHost::generate(const std::optional<StyleChoice>& choice, const GMAlbumContent& album,
                                         const std::string& albumFolder) const
{
    GMGenerationResult result;
    if (!choice || choice->module >= modules_.size()) {
        result.message = noStyleMessage;
        return result;
    }
    ModuleAlbum moduleAlbum;
    if (toModuleAlbum(album, moduleAlbum)) {
        Publishing standing(moduleAlbum);
        result.succeeded = modules_[choice->module]->generate(choice->style, albumFolder, answerNumber, answerText,
                                                              result.materials, result.commonName);
    }
    if (!result.succeeded) {
        result.materials.clear();
        result.commonName.clear();
        result.message = generationFailedMessage;
    }
    return result;
}

} // namespace styles
