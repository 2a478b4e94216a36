// The C interface of libCVCLIB. Texts arrive and leave as code page 932 and
// are UTF-8 inside; nothing is thrown across the interface.

#include "guidepost/cvclib/Cvclib.h"

#include "guidepost/CAMException.h"
#include "guidepost/CCVCException.h"
#include "guidepost/Export.h"
#include "guidepost/LibrarySettings.h"
#include "guidepost/cvclib/AuthoringInterface.h"
#include "platform/Cp932Codec.h"

#include <algorithm>
#include <cstring>
#include <new>

extern "C" {
CVCLIB_EXPORT char cvclibLastError[256] = {};
}

namespace {

constexpr int versionMajor = 1, versionMinor = 0, versionBuild = 5;

void setLastError(const char* utf8)
{
    std::string cp932;
    if (!utf8 || !platform::Cp932Codec::tryFromUtf8(utf8, cp932))
        cp932.clear();
    // strncpy semantics: a message that fills the buffer stays unterminated.
    std::size_t n = std::min(cp932.size(), sizeof cvclibLastError);
    std::memcpy(cvclibLastError, cp932.data(), n);
    std::memset(cvclibLastError + n, 0, sizeof cvclibLastError - n);
}

// Runs body; any failure becomes the failure value, with its message kept.
template <typename Body>
int guarded(int failure, Body body)
{
    try {
        return body();
    } catch (const CCVCException& e) {
        setLastError(e.message());
    } catch (const CException& e) {
        setLastError(e.message());
    } catch (const platform::CodecError&) {
        setLastError(CCVCException::messageFor(CCVCException::BadParameter));
    } catch (...) {
        setLastError(CAMException::messageFor(-1));
    }
    return failure;
}

AuthoringInterface& self(CvclibHandle handle)
{
    if (!handle)
        throw CCVCException(CCVCException::BadId);
    return *static_cast<AuthoringInterface*>(handle);
}

std::string fromHost(const char* text)
{
    if (!text)
        throw CCVCException(CCVCException::BadParameter);
    return platform::Cp932Codec::toUtf8(text);
}

// strncpy into the host's buffer, in code page 932.
void toHost(const std::string& utf8, char* buffer, int size)
{
    if (!buffer || size <= 0)
        throw CCVCException(CCVCException::BadParameter);
    std::string cp932 = platform::Cp932Codec::fromUtf8(utf8);
    std::strncpy(buffer, cp932.c_str(), static_cast<std::size_t>(size));
}

} // namespace

extern "C" {

CVCLIB_EXPORT void CvclibGetVersion(int* major, int* minor, int* build)
{
    if (major)
        *major = versionMajor;
    if (minor)
        *minor = versionMinor;
    if (build)
        *build = versionBuild;
}

CVCLIB_EXPORT int CvclibCheckVersion(int major, int minor, int build)
{
    return major == versionMajor && minor == versionMinor && build == versionBuild ? 1 : 0;
}

CVCLIB_EXPORT CvclibHandle CvclibNewInterface(void)
{
    try {
        return new AuthoringInterface();
    } catch (...) {
        return nullptr;
    }
}

CVCLIB_EXPORT void CvclibDeleteInterface(CvclibHandle handle)
{
    try {
        delete static_cast<AuthoringInterface*>(handle);
    } catch (...) {
    }
}

CVCLIB_EXPORT int CvclibInitialize(CvclibHandle handle)
{
    return guarded(0, [&] {
        self(handle);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibClear(CvclibHandle handle)
{
    return guarded(0, [&] {
        self(handle).Clear();
        return 1;
    });
}

CVCLIB_EXPORT int CvclibGetName(CvclibHandle handle, char* buffer, int size)
{
    return guarded(0, [&] {
        self(handle);
        toHost(LibrarySettings::authorName(), buffer, size);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibSetName(CvclibHandle handle, const char* name)
{
    return guarded(0, [&] {
        self(handle);
        return LibrarySettings::setAuthorName(fromHost(name)) ? 1 : 0;
    });
}

CVCLIB_EXPORT int CvclibNewItem(CvclibHandle handle, int kind)
{
    return guarded(-1, [&] { return self(handle).NewItem(kind); });
}

CVCLIB_EXPORT int CvclibSetDataNum(CvclibHandle handle, int item, int id, int value)
{
    return guarded(0, [&] {
        self(handle).SetNum(item, id, value);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibSetDataValue(CvclibHandle handle, int item, int id, const char* value)
{
    return guarded(0, [&] {
        AuthoringInterface& ai = self(handle);
        // The work areas refuse a missing or foreign text with their own codes.
        const int badText = item == 0 ? CCVCException::BadDataObject
                          : item == 1 ? CCVCException::AccountSetFailed
                          : item == 2 ? CCVCException::ProxySetFailed
                                      : CCVCException::BadParameter;
        std::string text;
        if (!value || !platform::Cp932Codec::tryToUtf8(value, text))
            throw CCVCException(badText);
        ai.SetValue(item, id, text);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibGetDataValue(CvclibHandle handle, int item, int id, char* buffer, int size)
{
    return guarded(0, [&] {
        std::string value;
        if (!self(handle).GetValue(item, id, value))
            return 0;
        toHost(value, buffer, size);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibGetDataNum(CvclibHandle handle, int item, int id, int* value)
{
    return guarded(0, [&] {
        int number = 0;
        if (!value || !self(handle).GetNum(item, id, number))
            return 0;
        *value = number;
        return 1;
    });
}

CVCLIB_EXPORT int CvclibGetDataOrderedValue(CvclibHandle handle, int item, int id, int index, char* buffer, int size)
{
    return guarded(0, [&] {
        std::string value;
        if (!self(handle).GetOrderedValue(item, id, index, value))
            return 0;
        toHost(value, buffer, size);
        return 1;
    });
}

CVCLIB_EXPORT int CvclibTestData(CvclibHandle handle, int item, int id, int index, int target)
{
    return guarded(0, [&] { return self(handle).TestData(item, id, index, target) ? 1 : 0; });
}

CVCLIB_EXPORT int CvclibGetItemNum(CvclibHandle handle, int item, int childKind)
{
    return guarded(-1, [&] { return self(handle).ItemCount(item, childKind); });
}

CVCLIB_EXPORT int CvclibGetID(CvclibHandle handle, int item, int childKind, int index)
{
    return guarded(0, [&] { return self(handle).ChildId(item, childKind, index); });
}

CVCLIB_EXPORT int CvclibSave(CvclibHandle handle, int item, const char* path, int archive)
{
    return guarded(0, [&] { return self(handle).Save(item, fromHost(path), archive) ? 1 : 0; });
}

CVCLIB_EXPORT int CvclibLoad(CvclibHandle handle, const char* path)
{
    return guarded(0, [&] {
        AuthoringInterface& ai = self(handle);
        try {
            return ai.Load(fromHost(path)) ? 1 : 0;
        } catch (const CCVCException&) {
            throw;
        } catch (...) {
            ai.Clear();
            return 0;  // document errors are swallowed
        }
    });
}

CVCLIB_EXPORT int CvclibLoadGPA(CvclibHandle handle, const char* archivePath, const char* folder)
{
    return guarded(0, [&] {
        AuthoringInterface& ai = self(handle);
        try {
            return ai.LoadArchive(fromHost(archivePath), fromHost(folder)) ? 1 : 0;
        } catch (const CCVCException&) {
            throw;
        } catch (...) {
            ai.Clear();
            return 0;
        }
    });
}

CVCLIB_EXPORT int CvclibFinalize(CvclibHandle handle, int flag)
{
    (void)handle;
    (void)flag;
    return 1;
}

} // extern "C"
