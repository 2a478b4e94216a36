#pragma once
// Decoding a HEIC/HEIF picture into a fitted, upright RGB picture: the
// file's own turns and mirrors (irot, imir) apply, else its Exif
// orientation, never both. Its declared size is checked against
// PictureReader's bounds before anything is decoded.

#include "album/core/JpegReader.h"

#include <optional>
#include <string>

struct heif_image_handle;

namespace album {

class HeifReader {
public:
    // Throws AlbumError with the message for the user (naming displayName).
    static DecodedPicture readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                     WorkControl* control = nullptr);
    // The picture's Exif TIFF block, when it has one.
    static std::optional<std::string> exifBlock(heif_image_handle* handle);
};

} // namespace album
