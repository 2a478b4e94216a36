#pragma once
// What kind of picture a file holds, told by its first bytes, not its name:
// phones and chat programs often save one kind under another's extension.

#include <string>

namespace album {

enum class PictureFormat { Unknown, Jpeg, Png, Webp, Heif };

class PictureFormats {
public:
    // Unknown when the file cannot be read or is none of the four.
    static PictureFormat sniff(const std::string& path);
    // The extensions (lower case, with the dot) the album takes as pictures
    // and as videos; a file of another name is a picture when its content
    // is one.
    static bool pictureExtension(const std::string& lowerExtension);
    static bool videoExtension(const std::string& lowerExtension);
    // Pictures that are written as JPEG under a name ending in ".jpg".
    static bool renamedToJpg(const std::string& lowerExtension);
};

} // namespace album
