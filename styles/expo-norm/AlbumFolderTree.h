#pragma once
// The folder tree below the album root as the exhibition page lists it: every
// folder with its album page (if any) and the newest time found below it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace expo {

struct AlbumFolderNode {
    std::string title;                 // the folder's own name, as on disk
    std::vector<std::string> path;     // folder names from the root down to this one
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
    static void scanFolder(const std::filesystem::path& folder, AlbumFolderNode& node, bool atRoot);

    AlbumFolderNode root_;
};

} // namespace expo
