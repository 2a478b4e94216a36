#include "album/core/PictureReader.h"

#include "album/core/AlbumError.h"
#include "album/core/AreaScaler.h"
#include "album/core/HeifReader.h"
#include "album/core/PictureFormat.h"
#include "album/core/PictureTransforms.h"
#include "album/core/PngReader.h"
#include "album/core/WebpReader.h"
#include "album/core/WorkControl.h"

#include <sys/stat.h>

#include <vector>

namespace album {

DecodedPicture PictureReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                         WorkControl* control)
{
    // Only a regular file can be looked at before it is read: the first
    // bytes of a pipe are gone once seen.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return JpegReader::readFitted(path, limit, displayName, control);
    switch (PictureFormats::sniff(path)) {
    case PictureFormat::Png:
        return PngReader::readFitted(path, limit, displayName, control);
    case PictureFormat::Webp:
        return WebpReader::readFitted(path, limit, displayName, control);
    case PictureFormat::Heif:
        return HeifReader::readFitted(path, limit, displayName, control);
    default:
        // JPEG, and whatever else, which the JPEG reader names as no JPEG.
        return JpegReader::readFitted(path, limit, displayName, control);
    }
}

void PictureReader::checkSize(std::int64_t width, std::int64_t height, int bytesPerPixel,
                              const std::string& displayName)
{
    if (width < 1 || height < 1)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    if (width > maxPixels || height > maxPixels || width * height > maxPixels
        || width * height * bytesPerPixel > maxDecodedBytes)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
}

DecodedPicture PictureReader::fitRaster(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                                        int channels, PictureSize limit, int orientation, WorkControl* control)
{
    DecodedPicture result;
    result.orientation = orientation;
    const bool turned = orientation >= 5;
    const PictureSize stored {width, height};
    result.source = turned ? PictureSize {height, width} : stored;
    const PictureSize fitted = fitToLimit(result.source, limit);
    const PictureSize target = turned ? PictureSize {fitted.height, fitted.width} : fitted;
    AreaScaler scaler(width, height, std::min(target.width, width), std::min(target.height, height));
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * stride;
        if (channels == 4) {
            for (int x = 0; x < width; ++x, in += 4) {
                const unsigned a = in[3];
                for (int c = 0; c < 3; ++c)
                    rgb[static_cast<std::size_t>(x) * 3 + c] =
                        static_cast<std::uint8_t>((in[c] * a + 255 * (255 - a) + 127) / 255);
            }
            scaler.addRow(rgb.data());
        } else {
            scaler.addRow(in);
        }
        if (control && (y & 63) == 0) {
            control->checkStop();
            control->setPermille(static_cast<int>(500 + 500LL * y / height));
        }
    }
    if (control)
        control->setPermille(1000);
    result.image = orientUpright(scaler.take(), orientation);
    return result;
}

} // namespace album
