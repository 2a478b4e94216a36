#pragma once
// A file admitted to the album and waiting to be fitted and accepted.

#include "album/core/AlbumItem.h"

#include <string>

namespace album {

struct PendingAddition {
    MediaType type = MediaType::Picture;
    std::string sourcePath;
    std::string saveName;
    std::string text; // always empty in this program
};

} // namespace album
