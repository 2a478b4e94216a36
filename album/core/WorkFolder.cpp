#include "album/core/WorkFolder.h"

#include "album/core/AlbumError.h"
#include "platform/TempFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace album {

namespace {

std::string makeUnique(const std::string& pattern)
{
    std::string buffer = pattern + "XXXXXX";
    if (!::mkdtemp(buffer.data()))
        return {};
    return buffer;
}

} // namespace

WorkFolder::WorkFolder(const std::string& parent)
{
    const std::string base = (parent.empty() ? platform::TempFile::folder() : parent) + "/" + texts::workFolderName;
    path_ = makeUnique(base);
    if (path_.empty())
        throw AlbumError(formatText(texts::folderNotCreated, base));
}

WorkFolder::~WorkFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string WorkFolder::makeSubfolder(const std::string& prefix) const
{
    const std::string folder = makeUnique(path_ + "/" + prefix);
    if (folder.empty())
        throw AlbumError(formatText(texts::folderNotCreated, path_ + "/" + prefix));
    return folder;
}

} // namespace album
