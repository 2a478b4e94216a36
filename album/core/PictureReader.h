#pragma once
// Decoding any picture the album takes (JPEG, PNG, WebP, HEIC/HEIF, told by
// content) into a fitted, upright RGB picture, and the bounds every decoder
// checks before it decodes: a file that declares more than the album can
// hold is refused with a message naming it.

#include "album/core/JpegReader.h"

#include <cstdint>
#include <string>

namespace album {

class PictureReader {
public:
    // Pixels a picture may declare: a 100-megapixel camera fits, a file
    // declaring 65535 x 65535 does not.
    static constexpr std::int64_t maxPixels = 100'000'000;
    // Memory the decoded picture may take at once.
    static constexpr std::int64_t maxDecodedBytes = 512LL * 1024 * 1024;

    // Throws AlbumError as JpegReader::readFitted does.
    static DecodedPicture readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                     WorkControl* control = nullptr);

    // Throws AlbumError (texts::jpegTooLarge) when a picture of this size,
    // decoded at `bytesPerPixel`, is beyond the bounds above; texts::brokenJpeg
    // for a size below 1.
    static void checkSize(std::int64_t width, std::int64_t height, int bytesPerPixel, const std::string& displayName);

    // A decoded raster (8-bit RGB or RGBA rows, alpha composed over white)
    // fitted to `limit` and turned upright by the Exif `orientation`.
    static DecodedPicture fitRaster(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                                    int channels, PictureSize limit, int orientation, WorkControl* control);
};

} // namespace album
