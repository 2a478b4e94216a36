#include "album/core/CvclibLibrary.h"

#include "album/core/AlbumError.h"
#include "platform/Cp932Codec.h"
#include "platform/Folders.h"

#include <array>
#include <cstring>
#include <type_traits>

namespace album {
namespace {

using platform::Cp932Codec;

constexpr int nameBufferSize = 260;
constexpr int textBufferSize = 1024;

std::string fromLibrary(const char* text, std::size_t size)
{
    std::string utf8;
    if (!Cp932Codec::tryToUtf8(std::string_view(text, strnlen(text, size)), utf8))
        return {};
    return utf8;
}

} // namespace

CvclibLibrary::CvclibLibrary(const std::string& folder)
    : library_(QString::fromStdString(folder.empty() ? platform::Folders::besideProgram("CVCLIB") : folder + "/CVCLIB"))
{
    // A bare name would be looked for on the library path; no folder, no library.
    if (library_.fileName().isEmpty() || !library_.load())
        throw AlbumError(texts::libraryMissing);

    std::array<QFunctionPointer, std::size(functionNames)> found {};
    for (std::size_t i = 0; i < found.size(); ++i) {
        found[i] = library_.resolve(functionNames[i]);
        if (!found[i]) {
            library_.unload();
            throw AlbumError(texts::libraryBroken);
        }
    }
    std::size_t next = 0;
    auto bind = [&](auto& into) { into = reinterpret_cast<std::remove_reference_t<decltype(into)>>(found[next++]); };
    bind(f_.newInterface);
    bind(f_.deleteInterface);
    bind(f_.getVersion);
    bind(f_.checkVersion);
    bind(f_.initialize);
    bind(f_.clear);
    bind(f_.getName);
    bind(f_.setName);
    bind(f_.newItem);
    bind(f_.setDataNum);
    bind(f_.setDataValue);
    bind(f_.getDataNum);
    bind(f_.getDataValue);
    bind(f_.getDataOrderedValue);
    bind(f_.testData);
    bind(f_.getItemNum);
    bind(f_.save);
    bind(f_.load);
    bind(f_.loadGPA);
    bind(f_.getID);
    bind(f_.finalize);
    // Not among the functions: a library without it merely gives no reasons.
    lastError_ = reinterpret_cast<const char*>(library_.resolve("cvclibLastError"));

    handle_ = f_.newInterface();
    if (!handle_) {
        library_.unload();
        throw AlbumError(texts::libraryBroken);
    }
    if (!f_.checkVersion(versionMajor, versionMinor, versionBuild)) {
        f_.deleteInterface(handle_);
        handle_ = nullptr;
        library_.unload();
        throw AlbumError(texts::libraryWrongVersion);
    }
    f_.initialize(handle_);
}

CvclibLibrary::~CvclibLibrary()
{
    if (handle_)
        f_.deleteInterface(handle_);
    library_.unload();
}

std::string CvclibLibrary::authorName()
{
    char buffer[nameBufferSize] = {};
    if (!f_.getName(handle_, buffer, nameBufferSize))
        return {};
    return fromLibrary(buffer, sizeof buffer);
}

bool CvclibLibrary::setAuthorName(const std::string& name)
{
    std::string text;
    return Cp932Codec::tryFromUtf8(name, text) && f_.setName(handle_, text.c_str()) == 1;
}

void CvclibLibrary::clear()
{
    f_.clear(handle_);
}

int CvclibLibrary::newItem(int kind)
{
    return f_.newItem(handle_, kind);
}

bool CvclibLibrary::setNumber(int item, int id, int value)
{
    return f_.setDataNum(handle_, item, id, value) == 1;
}

bool CvclibLibrary::setText(int item, int id, const std::string& text)
{
    std::string bytes;
    return Cp932Codec::tryFromUtf8(text, bytes) && f_.setDataValue(handle_, item, id, bytes.c_str()) == 1;
}

std::optional<std::string> CvclibLibrary::text(int item, int id)
{
    char buffer[textBufferSize] = {};
    if (f_.getDataValue(handle_, item, id, buffer, textBufferSize) != 1)
        return std::nullopt;
    return fromLibrary(buffer, sizeof buffer);
}

std::optional<int> CvclibLibrary::number(int item, int id)
{
    int value = 0;
    if (f_.getDataNum(handle_, item, id, &value) != 1)
        return std::nullopt;
    return value;
}

std::optional<std::string> CvclibLibrary::orderedText(int item, int id, int index)
{
    char buffer[textBufferSize] = {};
    if (f_.getDataOrderedValue(handle_, item, id, index, buffer, textBufferSize) != 1)
        return std::nullopt;
    return fromLibrary(buffer, sizeof buffer);
}

int CvclibLibrary::itemCount(int item, int childKind)
{
    return f_.getItemNum(handle_, item, childKind);
}

int CvclibLibrary::childId(int item, int childKind, int index)
{
    return f_.getID(handle_, item, childKind, index);
}

bool CvclibLibrary::save(int item, const std::string& path, int mode)
{
    std::string bytes;
    return Cp932Codec::tryFromUtf8(path, bytes) && f_.save(handle_, item, bytes.c_str(), mode) == 1;
}

bool CvclibLibrary::loadArchive(const std::string& archivePath, const std::string& folder)
{
    std::string archive, target;
    return Cp932Codec::tryFromUtf8(archivePath, archive) && Cp932Codec::tryFromUtf8(folder, target)
        && f_.loadGPA(handle_, archive.c_str(), target.c_str()) == 1;
}

std::string CvclibLibrary::lastError() const
{
    if (!lastError_)
        return {};
    return fromLibrary(lastError_, 256);
}

} // namespace album
