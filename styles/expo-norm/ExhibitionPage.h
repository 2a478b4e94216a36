#pragma once
// The exhibition page: the chosen style's template set filled with the album
// folder tree, as code page 932 text with CR LF line ends.

#include "AlbumFolderTree.h"
#include "ExhibitionStyle.h"

#include <ctime>
#include <string>

namespace expo {

class ExhibitionPage {
public:
    // The whole page for `tree`, stamped with the local time of `created`.
    // Throws platform::CodecError only if a template itself is not code page
    // 932; folder names never make it fail.
    static std::string compose(const ExhibitionStyle& style, const AlbumFolderNode& root, std::time_t created);

    // Writes (or overwrites) the page file; false when it cannot be written
    // in full.
    static bool write(const std::string& path, const std::string& page);

    // Where a line links to is the album's page relative to the exhibition
    // page, as a URL path ("/" between folders, each name percent-encoded from
    // its bytes on disk) that browsers resolve whatever they take the page's
    // encoding to be. This is one folder's part of it, "/" included; the page
    // is written with one such path growing and shrinking as it goes down.
    static std::string linkPart(const std::string& folderName);

    // A folder name as page text: markup characters escaped, and characters
    // that code page 932 lacks (or bytes that are not UTF-8) written as
    // character references, so that every name can be shown.
    static std::string titleText(const std::string& name);

    // The time a page's stamp shows: now, whatever the environment says.
    static std::time_t creationTime();
};

} // namespace expo
