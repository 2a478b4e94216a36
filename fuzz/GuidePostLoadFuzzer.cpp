// Feeds arbitrary bytes to the GuidePost loader: parsing, validation and
// every structural rule must end in a result or a CAMException, never a crash.

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TCXML::SetSchemaFolder(CV_BIN_DIR);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CAMData model;
    model.attachmentIndex["a"] = ArchiveIndexRecord{};  // lets attachment lists load
    try {
        model.LoadMemory(reinterpret_cast<const char*>(data), size);
    } catch (const CAMException&) {
    }
    std::string folderText;
    FolderList folders;
    CAMData::ParseFolder(std::string(reinterpret_cast<const char*>(data), size), folderText, folders);
    return 0;
}
