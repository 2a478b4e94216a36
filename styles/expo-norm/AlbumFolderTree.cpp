#include "AlbumFolderTree.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace expo {
namespace fs = std::filesystem;

namespace {

bool isRealFolder(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.symlink_status(ec).type() == fs::file_type::directory && !ec;
}

} // namespace

bool AlbumFolderTree::scan(const fs::path& root)
{
    root_ = AlbumFolderNode{};
    std::error_code ec;
    fs::directory_iterator probe(root, ec);
    if (ec)
        return false;
    scanFolder(root, root_, true);
    return true;
}

void AlbumFolderTree::scanFolder(const fs::path& folder, AlbumFolderNode& node, bool atRoot)
{
    if (!atRoot) {
        struct stat st {};
        if (::stat((folder / indexName).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            node.hasIndex = true;
            node.time = static_cast<std::int64_t>(st.st_mtime);
        }
    }

    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const fs::directory_entry& entry = *it;
        if (!isRealFolder(entry))
            continue;
        std::string name = entry.path().filename().string();
        if (atRoot && name == materialFolderName)
            continue;
        AlbumFolderNode child;
        child.title = name;
        child.path = node.path;
        child.path.push_back(name);
        scanFolder(entry.path(), child, false);
        node.time = std::max(node.time, child.time);
        node.children.push_back(std::move(child));
    }
}

} // namespace expo
