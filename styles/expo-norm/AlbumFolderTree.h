#pragma once
// The folder tree below the album root as the exhibition page lists it: every
// folder with its album page (if any) and the newest time found below it.
// Memory grows with the number of folders, not with the square of the depth:
// a node holds its own name only, and the scan keeps one path and one open
// folder at a time.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace expo {

struct AlbumFolderNode {
    std::string title;                 // the folder's own name, as on disk
    bool hasIndex = false;             // the folder holds "index.htm"
    std::int64_t time = 0;             // the page's write time, raised to the newest below
    std::vector<AlbumFolderNode> children;
};

class AlbumFolderTree {
public:
    // The page that makes a folder an album, and the folder of shared
    // material directly below the root, which is no album.
    static constexpr const char* indexName = "index.htm";
    static constexpr const char* materialFolderName = "__mat___";

    // Scans below `root`; false when the root cannot be read, and then the
    // tree stays empty. Folders that cannot be read stay empty too. Linked
    // folders are not followed, so a link back up cannot loop forever.
    bool scan(const std::filesystem::path& root);

    const AlbumFolderNode& root() const { return root_; }

private:
    // `path` is the folder's; it is extended for each child and given back
    // as it came.
    static void scanFolder(std::string& path, AlbumFolderNode& node, bool atRoot);

    AlbumFolderNode root_;
};

} // namespace expo
