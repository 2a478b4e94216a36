#include "receiver/shell/TemporaryFolder.h"

#include "receiver/shell/ShellTexts.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Empties folder; true when it is empty afterwards.
bool emptyInto(const fs::path& folder, TemporaryFolder::Result& result)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    if (ec) {
        ++result.kept;
        return false;
    }
    bool emptied = true;
    for (; it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        const fs::file_status status = fs::symlink_status(entry, ec);
        bool gone = false;
        if (fs::is_directory(status)) {
            if (emptyInto(entry, result))
                gone = fs::remove(entry, ec) && !ec;
        } else if (fs::is_symlink(status) || !TemporaryFolder::isReadOnly(entry.string())) {
            gone = fs::remove(entry, ec) && !ec;
        }
        if (gone) {
            ++result.removed;
        } else {
            ++result.kept;
            emptied = false;
        }
        if (ec && !gone)
            ec.clear();
    }
    return emptied;
}

} // namespace

std::string TemporaryFolder::pathBelow(const std::string& saveRoot)
{
    return (fs::path(saveRoot) / shell::texts::temporaryFolderName).string();
}

bool TemporaryFolder::isReadOnly(const std::string& path)
{
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    if (ec)
        return false;
    return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) == fs::perms::none;
}

TemporaryFolder::Result TemporaryFolder::empty(const std::string& folder)
{
    Result result;
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(folder, ec)))
        emptyInto(folder, result);
    return result;
}
