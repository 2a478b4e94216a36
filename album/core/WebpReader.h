#pragma once
// Decoding a WebP picture (lossy or lossless, alpha composed over white)
// into a fitted RGB picture; its declared size is checked against
// PictureReader's bounds before anything is decoded.

#include "album/core/JpegReader.h"

#include <string>

namespace album {

class WebpReader {
public:
    // Throws AlbumError with the message for the user (naming displayName).
    static DecodedPicture readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                     WorkControl* control = nullptr);
};

} // namespace album
