#include "GMModuleTestHost.h"

#include "platform/Cp932Codec.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace gmtest {
namespace fs = std::filesystem;
using platform::Cp932Codec;

namespace {

// The album being published and the module asking, for the callbacks.
const TestAlbum* album = nullptr;
std::vector<Question>* asked = nullptr;

int GM_CALL answerNumber(int kind, int index, int* value)
{
    asked->push_back({'N', kind, index});
    if (kind == GM_NUM_ITEM_COUNT) {
        if (album->refuseCount)
            return 0;
        *value = album->reportedCount >= 0 ? album->reportedCount : static_cast<int>(album->items.size());
        return 1;
    }
    if (kind == GM_NUM_TITLE_LINES) {
        if (album->refuseTitleLines)
            return 0;
        *value = 1;
        return 1;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= album->items.size())
        return 0;
    const TestItem& item = album->items[static_cast<std::size_t>(index)];
    int answer = 0;
    switch (kind) {
    case GM_NUM_ITEM_WIDTH: answer = item.width; break;
    case GM_NUM_ITEM_HEIGHT: answer = item.height; break;
    case GM_NUM_ITEM_TYPE: *value = item.type; return 1;
    default: return 0;
    }
    if (answer <= 0)
        return 0;
    *value = answer;
    return 1;
}

int copyOut(const std::string& utf8, char* buffer, int length)
{
    std::string text = toCp932(utf8);
    std::strncpy(buffer, text.c_str(), static_cast<std::size_t>(length));
    return 1;
}

int GM_CALL answerText(int kind, int index, char* buffer, int length, int* more)
{
    asked->push_back({'I', kind, index});
    if (kind == GM_INFO_PAGE_TITLE)
        return album->refuseTitle ? 0 : copyOut(album->pageTitle, buffer, length);
    if (kind == GM_INFO_ALBUM_COMMENT) {
        if (!album->hasComment)
            return 0;
        // Piece n of the comment: cut at bytes, the test texts are ASCII.
        static int piece = 0;
        const std::size_t size = album->comment.size();
        const std::size_t pieces = static_cast<std::size_t>(album->commentPieces);
        const std::size_t from = size * static_cast<std::size_t>(piece) / pieces;
        const std::size_t to = size * static_cast<std::size_t>(piece + 1) / pieces;
        ++piece;
        *more = static_cast<std::size_t>(piece) < pieces ? 1 : 0;
        if (!*more)
            piece = 0;
        return copyOut(album->comment.substr(from, to - from), buffer, length);
    }
    if (index < 0 || static_cast<std::size_t>(index) >= album->items.size())
        return 0;
    if (album->refuseTextsFrom >= 0 && index >= album->refuseTextsFrom && kind >= GM_INFO_ITEM_FILE
        && kind <= GM_INFO_ITEM_COMMENT)
        return 0;
    const TestItem& item = album->items[static_cast<std::size_t>(index)];
    switch (kind) {
    case GM_INFO_ITEM_FILE: return copyOut(item.file, buffer, length);
    case GM_INFO_ITEM_TITLE: return copyOut(item.title, buffer, length);
    case GM_INFO_ITEM_COMMENT: return copyOut(item.comment, buffer, length);
    case GM_INFO_ITEM_EXTRA: return copyOut("", buffer, length);
    case GM_INFO_ITEM_VOICE: return copyOut(item.voice, buffer, length);
    default: return 0;
    }
}

} // namespace

TestAlbum sampleAlbum()
{
    TestAlbum a;
    a.pageTitle = "春の旅 - 京都";
    a.items = {
        {"sakura.jpg", "満開の桜", "哲学の道にて\r\n二日目の朝", "", 400, 300, GM_ITEM_PICTURE},
        {"tera.jpg", "お寺", "", "voice001.wav", 0, 0, GM_ITEM_PICTURE},
        {"kamo.avi", "鴨川", "川辺の散歩", "voice002.wav", 320, 240, GM_ITEM_VIDEO},
        {"yoru.mpg", "夜景", "祇園の夜", "", 0, 0, GM_ITEM_VIDEO},
    };
    return a;
}

ModuleUnderTest::ModuleUnderTest(const fs::path& path)
{
    std::string pattern = (fs::temp_directory_path() / "CVgmXXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return;
    copy_ = fs::path(pattern) / path.filename();
    std::error_code ec;
    fs::copy_file(path, copy_, ec);
    if (!ec)
        handle_ = dlopen(copy_.c_str(), RTLD_NOW | RTLD_LOCAL);
}

ModuleUnderTest::~ModuleUnderTest()
{
    if (handle_)
        dlclose(handle_);
    std::error_code ec;
    if (!copy_.empty())
        fs::remove_all(copy_.parent_path(), ec);
}

void* ModuleUnderTest::symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}

int ModuleUnderTest::generate(int style, const TestAlbum& testAlbum, const fs::path& folder, int hostMajor,
                              int hostMinor)
{
    entry<GMInitProc>("GMInit")();
    if (!entry<GMSetStyleNoProc>("GMSetStyleNo")(style)
        || !entry<GMSetNumFuncProc>("GMSetNumFunc")(answerNumber)
        || !entry<GMSetInfoFuncProc>("GMSetInfoFunc")(answerText)
        || !entry<GMSetFolderProc>("GMSetFolder")(toCp932(folder.string()).c_str())
        || !entry<GMInformVersionProc>("GMInformVersion")(hostMajor, hostMinor))
        return 0;
    questions_.clear();
    album = &testAlbum;
    asked = &questions_;
    int result = entry<GMGenerateProc>("GMGenerate")();
    album = nullptr;
    asked = nullptr;
    return result;
}

std::string ModuleUnderTest::fixedText(const char* entryName) const
{
    char buffer[GM_TEXT_BUFFER_SIZE];
    std::memset(buffer, 'x', sizeof buffer);
    if (!entry<GMGetFixedTextProc>(entryName)(buffer, GM_TEXT_BUFFER_SIZE))
        return "<refused>";
    return toUtf8(std::string(buffer, strnlen(buffer, sizeof buffer)));
}

std::string ModuleUnderTest::styleText(const char* entryName, int style) const
{
    if (!entry<GMSetStyleNoProc>("GMSetStyleNo")(style))
        return "<refused>";
    char buffer[GM_TEXT_BUFFER_SIZE] = {};
    if (!entry<GMGetTextProc>(entryName)(buffer, GM_TEXT_BUFFER_SIZE))
        return "<refused>";
    return toUtf8(buffer);
}

fs::path modulePath(const char* name)
{
    return fs::path(CV_BIN_DIR) / "GMStyle" / (std::string(name) + ".so");
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string expectedPage(const char* moduleFolder, const std::string& name)
{
    return readFile(fs::path(CV_SOURCE_DIR) / "styles" / moduleFolder / "tests" / "expected" / name);
}

std::string toCp932(const std::string& utf8)
{
    return Cp932Codec::fromUtf8(utf8);
}

std::string toUtf8(const std::string& cp932)
{
    return Cp932Codec::toUtf8(cp932);
}

} // namespace gmtest
