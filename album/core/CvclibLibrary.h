#pragma once
// The GuidePost library CVCLIB as the album program uses it: loaded at run
// time by name from beside the program, every function bound by name, one
// interface made and version-checked. Texts are UTF-8 here and code page 932
// across the library's interface.

#include "guidepost/cvclib/Cvclib.h"

#include <QLibrary>

#include <optional>
#include <string>

namespace album {

class CvclibLibrary {
public:
    // The library's version this program was made for.
    static constexpr int versionMajor = 1, versionMinor = 0, versionBuild = 5;
    // The functions in the order they are bound.
    static constexpr const char* functionNames[] = {
        "CvclibNewInterface", "CvclibDeleteInterface", "CvclibGetVersion",   "CvclibCheckVersion",
        "CvclibInitialize",   "CvclibClear",           "CvclibGetName",      "CvclibSetName",
        "CvclibNewItem",      "CvclibSetDataNum",      "CvclibSetDataValue", "CvclibGetDataNum",
        "CvclibGetDataValue", "CvclibGetDataOrderedValue", "CvclibTestData", "CvclibGetItemNum",
        "CvclibSave",         "CvclibLoad",            "CvclibLoadGPA",      "CvclibGetID",
        "CvclibFinalize",
    };

    // Loads "CVCLIB" from `folder` (the program's own by default). Throws
    // AlbumError with texts::libraryMissing when it does not load,
    // texts::libraryBroken when a function is missing or no interface can be
    // made, texts::libraryWrongVersion when the version is not 1.0.5; the
    // library is freed again in each case.
    explicit CvclibLibrary(const std::string& folder = {});
    ~CvclibLibrary();
    CvclibLibrary(const CvclibLibrary&) = delete;
    CvclibLibrary& operator=(const CvclibLibrary&) = delete;

    // The creator name the library keeps (the album's default creator).
    std::string authorName();
    bool setAuthorName(const std::string& name);

    void clear();
    // -1 when the library refused.
    int newItem(int kind);
    // False when the library refused; lastError() says why.
    bool setNumber(int item, int id, int value);
    bool setText(int item, int id, const std::string& text);
    std::optional<std::string> text(int item, int id);
    std::optional<int> number(int item, int id);
    std::optional<std::string> orderedText(int item, int id, int index);
    int itemCount(int item, int childKind);
    int childId(int item, int childKind, int index);
    bool save(int item, const std::string& path, int mode);
    bool loadArchive(const std::string& archivePath, const std::string& folder);
    // The library's message of its last failure.
    std::string lastError() const;

private:
    struct Functions {
        CvclibNewInterfaceFn newInterface;
        CvclibDeleteInterfaceFn deleteInterface;
        CvclibGetVersionFn getVersion;
        CvclibCheckVersionFn checkVersion;
        CvclibInitializeFn initialize;
        CvclibClearFn clear;
        CvclibGetNameFn getName;
        CvclibSetNameFn setName;
        CvclibNewItemFn newItem;
        CvclibSetDataNumFn setDataNum;
        CvclibSetDataValueFn setDataValue;
        CvclibGetDataNumFn getDataNum;
        CvclibGetDataValueFn getDataValue;
        CvclibGetDataOrderedValueFn getDataOrderedValue;
        CvclibTestDataFn testData;
        CvclibGetItemNumFn getItemNum;
        CvclibSaveFn save;
        CvclibLoadFn load;
        CvclibLoadGPAFn loadGPA;
        CvclibGetIDFn getID;
        CvclibFinalizeFn finalize;
    };

    QLibrary library_;
    Functions f_ {};
    const char* lastError_ = nullptr;
    CvclibHandle handle_ = nullptr;
};

} // namespace album
