#pragma once
// What the VTSNorm tests share: the built module loaded by path and driven
// only through its exports, a scratch folder, and an album tree with pinned
// page times.

#include "styles/interface/VTStyleInterface.h"
#include "styles/tests/ScratchFolder.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vtstest {

// The module's exports, resolved with dlsym from the built VTSNorm.so.
struct ExhibitionModule {
    void* handle = nullptr;
    VTInitProc init = nullptr;
    VTGetVersionProc getVersion = nullptr;
    VTInformVersionProc informVersion = nullptr;
    VTGetTextProc getName = nullptr;
    VTGetTextProc getDescription = nullptr;
    VTGetTextProc getCreator = nullptr;
    VTGetTextProc getDate = nullptr;
    VTSetTextProc setRootFolder = nullptr;
    VTSetTextProc setRootIndex = nullptr;
    VTGenerateProc generate = nullptr;
    VTGetStyleNumProc getStyleNum = nullptr;
    VTSetStyleNoProc setStyleNo = nullptr;
    VTGetStyleTextProc getStyleName = nullptr;
    VTGetStyleTextProc getStyleDescription = nullptr;

    // Loaded once per test program; empty handle when the module is missing.
    static ExhibitionModule& instance();
    static std::string path();

    // Sets the style, the root folder and the page path (UTF-8, converted
    // to code page 932 as the host does) and generates.
    int generateFor(int style, const std::filesystem::path& root, const std::filesystem::path& page);

    // When the last generateFor ran.
    std::int64_t generatedFrom = 0;
    std::int64_t generatedUntil = 0;
};

using stylestest::ScratchFolder;

// Writes an album page at `folder`/index.htm with the given write time.
void makeAlbum(const std::filesystem::path& folder, std::int64_t time);
// The album tree the expected pages were written for.
void makeSampleTree(const std::filesystem::path& root);

std::string readFile(const std::filesystem::path& path);
std::string expectedPage(const std::string& name);
std::string toCp932(const std::string& utf8);

// The expected pages carry the stamp of this time, in the pinned zone.
inline constexpr std::int64_t stampTime = 1025159400; // 2002-06-27 15:30 JST
// Pins the local time zone.
void pinClock();
// The page that the last generateFor wrote, its stamp checked to be the
// present time and then replaced by that of stampTime, so that it can be
// compared whole. Left as it is when it has no such stamp.
std::string readRestamped(const std::filesystem::path& page);

} // namespace vtstest
