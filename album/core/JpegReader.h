#pragma once
// Decoding a JPEG picture into a fitted, upright RGB picture. Large pictures
// are decoded at a reduced size by libjpeg's DCT scaling and then averaged
// down row by row, so neither the full-size picture nor the reduced one is
// ever held whole. Grayscale, CMYK (Adobe's inverted form too), progressive
// and arithmetic-coded JPEGs decode; a damaged or truncated one is refused.

#include "album/core/Image.h"
#include "album/core/PictureFit.h"

#include <string>

namespace album {

class WorkControl;

struct DecodedPicture {
    Image image;         // fitted to the limit, upright
    PictureSize source;  // the whole picture's size, upright
    int orientation = 1; // the Exif orientation that was applied
    std::string taken;   // Exif DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"; empty when none
};

class JpegReader {
public:
    // The most memory a progressive picture's coefficients may take: a
    // 90-megapixel camera picture fits.
    static constexpr long maxCoefficientBytes = 256L * 1024 * 1024;
    // The most scans a picture may have. Encoders write about ten; each scan
    // of a large picture costs a pass over all its coefficients, so a file
    // of a thousand tiny scans would take minutes.
    static constexpr int maxScans = 300;

    // Decodes the JPEG at `path` fitted to `limit`. Throws AlbumError with
    // the message for the user (naming `displayName`), or WorkStopped when
    // `control` asks to stop.
    static DecodedPicture readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                     WorkControl* control = nullptr);
};

} // namespace album
