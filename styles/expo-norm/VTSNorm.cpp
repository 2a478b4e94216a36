// VTSNorm: the standard exhibition style set. Writes one index page over the
// album folders below the root it is given.

#include "styles/interface/VTStyleInterface.h"
#include "styles/interface/ModuleGuard.h"

#include "AlbumFolderTree.h"
#include "ExhibitionPage.h"
#include "ExhibitionStyle.h"

#include "platform/Cp932Codec.h"
#include "platform/ProductInfo.h"

#include <cstring>
#include <string>

namespace {

using platform::Cp932Codec;

// The host's calls come from one thread; plain module state is enough.
int styleCount = 0;
int currentStyle = 0;
std::string rootFolder; // UTF-8, as the file system takes it
std::string rootIndex;

// A fixed-size text buffer: as much as fits, never half a character, always
// terminated.
int copyFixed(char* buffer, const char* utf8)
{
    if (!buffer)
        return 0;
    std::string text = Cp932Codec::fromUtf8(utf8);
    std::string_view fitted = Cp932Codec::truncateCp932(text, VT_TEXT_BUFFER_SIZE - 1);
    std::memcpy(buffer, fitted.data(), fitted.size());
    buffer[fitted.size()] = '\0';
    return 1;
}

// strncpy into a buffer of `length` bytes, except that a double-byte
// character that does not fit whole is left out.
int copyBounded(char* buffer, int length, const std::string& utf8)
{
    if (!buffer || length < 0)
        return 0;
    std::string text = Cp932Codec::fromUtf8(utf8);
    std::string_view fitted = Cp932Codec::truncateCp932(text, static_cast<std::size_t>(length));
    std::memcpy(buffer, fitted.data(), fitted.size());
    std::memset(buffer + fitted.size(), 0, static_cast<std::size_t>(length) - fitted.size());
    return 1;
}

// Texts from the host are code page 932; stored as UTF-8 for the file system.
// A refused text is still stored, as nothing: a later VTGenerate must not
// write over the page of an earlier root.
int storePath(const char* cp932, std::string& into)
{
    into.clear();
    if (!cp932 || !*cp932)
        return 0;
    std::string utf8;
    if (!Cp932Codec::tryToUtf8(cp932, utf8))
        return 0;
    into = std::move(utf8);
    return 1;
}

using stylemodule::guarded;

} // namespace

extern "C" {

VT_EXPORT int VT_CALL VTInit(void)
{
    styleCount = expo::exhibitionStyleCount();
    return 1;
}

VT_EXPORT int VT_CALL VTGetVersion(int* major, int* minor)
{
    if (!major || !minor)
        return 0;
    *major = expo::styleSetVersionMajor;
    *minor = expo::styleSetVersionMinor;
    return 1;
}

VT_EXPORT int VT_CALL VTInformVersion(void)
{
    return 1;
}

VT_EXPORT int VT_CALL VTGetName(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, expo::styleSetName); });
}

VT_EXPORT int VT_CALL VTGetDescription(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, expo::styleSetDescription); });
}

VT_EXPORT int VT_CALL VTGetCreator(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, product::maker); });
}

VT_EXPORT int VT_CALL VTGetDate(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, expo::styleSetDate); });
}

VT_EXPORT int VT_CALL VTSetRootFolder(const char* folder)
{
    return guarded([&] { return storePath(folder, rootFolder); });
}

VT_EXPORT int VT_CALL VTSetRootIndex(const char* path)
{
    return guarded([&] { return storePath(path, rootIndex); });
}

// Unlike the first releases this reports a page that could not be written
// (root missing, folder not writable) with 0, so the host does not go on to
// show a page that is not there.
VT_EXPORT int VT_CALL VTGenerate(void)
{
    return guarded([&] {
        if (rootFolder.empty() || rootIndex.empty() || currentStyle < 0 || currentStyle >= expo::exhibitionStyleCount())
            return 0;
        std::time_t created = expo::ExhibitionPage::creationTime();
        expo::AlbumFolderTree tree;
        if (!tree.scan(rootFolder))
            return 0;
        std::string page = expo::ExhibitionPage::compose(expo::exhibitionStyle(currentStyle), tree.root(), created);
        return expo::ExhibitionPage::write(rootIndex, page) ? 1 : 0;
    });
}

VT_EXPORT int VT_CALL VTGetStyleNum(int* count)
{
    if (!count)
        return 0;
    *count = styleCount;
    return 1;
}

VT_EXPORT int VT_CALL VTSetStyleNo(int number)
{
    if (number < 0 || number >= styleCount)
        return 0;
    currentStyle = number;
    return 1;
}

VT_EXPORT int VT_CALL VTGetStyleName(char* buffer, int length)
{
    return guarded([&] { return copyBounded(buffer, length, expo::exhibitionStyle(currentStyle).name); });
}

VT_EXPORT int VT_CALL VTGetStyleDescription(char* buffer, int length)
{
    return guarded([&] { return copyBounded(buffer, length, expo::exhibitionStyle(currentStyle).description); });
}

} // extern "C"
