#include "album/core/WebpReader.h"

#include "album/core/AlbumError.h"
#include "album/core/PictureReader.h"
#include "album/core/WorkControl.h"

#include <webp/decode.h>

#include <cstdio>
#include <vector>

namespace album {
namespace {

// A WebP file is read whole; its header says how long it is.
constexpr long maxFileBytes = 256L * 1024 * 1024;

} // namespace

DecodedPicture WebpReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                      WorkControl* control)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw AlbumError(formatText(texts::pictureNotReadable, displayName));
    std::vector<std::uint8_t> bytes;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size > maxFileBytes) {
        std::fclose(file);
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
    }
    if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(static_cast<std::size_t>(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
            bytes.clear();
    }
    std::fclose(file);

    WebPBitstreamFeatures features;
    if (bytes.empty() || WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK
        || features.has_animation)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    const int channels = features.has_alpha ? 4 : 3;
    PictureReader::checkSize(features.width, features.height, channels, displayName);
    if (control)
        control->checkStop();

    const int width = features.width, height = features.height;
    const std::size_t stride = static_cast<std::size_t>(width) * channels;
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
    const std::uint8_t* decoded =
        channels == 4 ? WebPDecodeRGBAInto(bytes.data(), bytes.size(), pixels.data(), pixels.size(), static_cast<int>(stride))
                      : WebPDecodeRGBInto(bytes.data(), bytes.size(), pixels.data(), pixels.size(), static_cast<int>(stride));
    if (!decoded)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    std::vector<std::uint8_t>().swap(bytes);
    if (control)
        control->setPermille(500);
    return PictureReader::fitRaster(pixels.data(), width, height, stride, channels, limit, 1, control);
}

} // namespace album
