#include "AlbumFolderTree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace expo {

namespace {

struct FolderCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names of the real folders (not links) in `path`, read before the
// folder is closed again.
std::vector<std::string> subfolders(const std::string& path, bool atRoot, bool& readable)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, FolderCloser> dir(::opendir(path.c_str()));
    readable = dir != nullptr;
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (atRoot && std::strcmp(name, AlbumFolderTree::materialFolderName) == 0)
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            folder = ::lstat((path + '/' + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder)
            names.emplace_back(name);
    }
    return names;
}

} // namespace

bool AlbumFolderTree::scan(const std::filesystem::path& root)
{
    root_ = AlbumFolderNode{};
    std::string path = root.string();
    bool readable = false;
    subfolders(path, true, readable);
    if (!readable)
        return false;
    scanFolder(path, root_, true);
    return true;
}

void AlbumFolderTree::scanFolder(std::string& path, AlbumFolderNode& node, bool atRoot)
{
    const std::size_t length = path.size();
    if (!atRoot) {
        struct stat st {};
        path += '/';
        path += indexName;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            node.hasIndex = true;
            node.time = static_cast<std::int64_t>(st.st_mtime);
        }
        path.resize(length);
    }

    bool readable = false;
    std::vector<std::string> names = subfolders(path, atRoot, readable);
    node.children.reserve(names.size());
    for (std::string& name : names) {
        path += '/';
        path += name;
        AlbumFolderNode child;
        child.title = std::move(name);
        scanFolder(path, child, false);
        path.resize(length);
        node.time = std::max(node.time, child.time);
        node.children.push_back(std::move(child));
    }
}

} // namespace expo
