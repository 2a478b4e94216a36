#pragma once
// What the album program hands its style module at publishing: the album's
// page title parts and its items in page order. Texts are UTF-8.

#include <string>
#include <vector>

namespace styles {

struct GMAlbumItem {
    enum class Type { Picture, Video };

    std::string saveName; // media file name in the album folder
    std::string title;
    std::string comment; // may hold CR LF
    Type type = Type::Picture;
    std::string extraText; // always empty in this program
    int width = 0; // display size; 0 when not known
    int height = 0;
    int sourceWidth = 0; // decoded source picture, width rounded up to a multiple of 8
    int sourceHeight = 0;
    std::string voiceFileName; // bare file name; empty without a voice message
};

struct GMAlbumContent {
    std::string title;
    std::string subtitle; // empty when the album has none (or does not use it)
    std::vector<GMAlbumItem> items;
};

} // namespace styles
