#include "album/core/PngReader.h"

#include "album/core/AlbumError.h"
#include "album/core/PictureReader.h"
#include "album/core/WorkControl.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace album {

DecodedPicture PngReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                     WorkControl* control)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        png_image_free(&image);
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    }
    try {
        PictureReader::checkSize(image.width, image.height, 4, displayName);
    } catch (...) {
        png_image_free(&image);
        throw;
    }
    if (control)
        control->checkStop();
    // libpng expands palettes and grey and takes 16 bits down to 8; alpha
    // (tRNS included) is composed over white as for every other picture.
    image.format = PNG_FORMAT_RGBA;
    // Sixteen bits without a gamma chunk are sRGB as editors write them,
    // not the linear light libpng would assume.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    std::vector<std::uint8_t> pixels(stride * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), static_cast<png_int_32>(stride), nullptr)) {
        png_image_free(&image);
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    }
    if (control)
        control->setPermille(500);
    return PictureReader::fitRaster(pixels.data(), static_cast<int>(image.width), static_cast<int>(image.height),
                                    stride, 4, limit, 1, control);
}

} // namespace album
