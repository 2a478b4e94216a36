#pragma once
// Encoding a picture as the album stores it: baseline JPEG, RGB input, the
// library's defaults and quality 80, exactly the picture's size. The file is
// written under a temporary name beside its target and renamed into place,
// so a failure never leaves half a picture or spoils the one that was there.

#include "album/core/Image.h"

#include <string>
#include <vector>

namespace album {

class JpegWriter {
public:
    static constexpr int quality = 80;

    // The encoded picture; empty when libjpeg failed.
    static std::vector<unsigned char> encode(const Image& picture);
    // Encodes and writes to `path`; false when that fails (nothing written).
    static bool write(const Image& picture, const std::string& path);
};

} // namespace album
