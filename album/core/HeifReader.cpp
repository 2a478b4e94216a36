#include "album/core/HeifReader.h"

#include "album/core/AlbumError.h"
#include "album/core/ExifOrientation.h"
#include "album/core/PictureReader.h"
#include "album/core/WorkControl.h"

#include <libheif/heif.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace album {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

// Boxes of the file, read with every length checked against what holds it.
class Boxes {
public:
    explicit Boxes(std::FILE* file) : file_(file) {}

    // The body of the first box of `type` between `from` and `to`.
    bool find(const char* type, long from, long to, long& bodyStart, long& bodyEnd)
    {
        for (long at = from; to - at >= 8;) {
            unsigned char head[16];
            if (std::fseek(file_, at, SEEK_SET) != 0 || std::fread(head, 1, 8, file_) != 8)
                return false;
            unsigned long long size = std::uint32_t(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
            long header = 8;
            if (size == 1) {
                if (to - at < 16 || std::fread(head + 8, 1, 8, file_) != 8)
                    return false;
                size = 0;
                for (int i = 8; i < 16; ++i)
                    size = size << 8 | head[i];
                header = 16;
            } else if (size == 0) {
                size = static_cast<unsigned long long>(to - at);
            }
            if (size < static_cast<unsigned long long>(header) || size > static_cast<unsigned long long>(to - at))
                return false;
            if (std::memcmp(head + 4, type, 4) == 0) {
                bodyStart = at + header;
                bodyEnd = at + static_cast<long>(size);
                return true;
            }
            at += static_cast<long>(size);
        }
        return false;
    }

private:
    std::FILE* file_;
};

// Whether the file turns or mirrors its pictures itself (an irot or imir
// property): then libheif applies that and the Exif orientation, which
// phones write as well, must not be applied again.
bool hasOwnTransforms(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bool found = false;
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        end = std::ftell(file);
    Boxes boxes(file);
    long metaStart = 0, metaEnd = 0, iprpStart = 0, iprpEnd = 0, ipcoStart = 0, ipcoEnd = 0, s = 0, e = 0;
    if (end > 0 && boxes.find("meta", 0, end, metaStart, metaEnd)
        && boxes.find("iprp", metaStart + 4, metaEnd, iprpStart, iprpEnd) // meta is a full box
        && boxes.find("ipco", iprpStart, iprpEnd, ipcoStart, ipcoEnd))
        found = boxes.find("irot", ipcoStart, ipcoEnd, s, e) || boxes.find("imir", ipcoStart, ipcoEnd, s, e);
    std::fclose(file);
    return found;
}

} // namespace

std::optional<std::string> HeifReader::exifBlock(heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
        return std::nullopt;
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > 1024 * 1024)
        return std::nullopt;
    std::string block(size, '\0');
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return std::nullopt;
    // Four bytes of offset to the TIFF header come first.
    const std::uint32_t offset = std::uint32_t(static_cast<unsigned char>(block[0])) << 24
        | std::uint32_t(static_cast<unsigned char>(block[1])) << 16
        | std::uint32_t(static_cast<unsigned char>(block[2])) << 8 | static_cast<unsigned char>(block[3]);
    if (offset > size - 4)
        return std::nullopt;
    return block.substr(4 + offset);
}

DecodedPicture HeifReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                      WorkControl* control)
{
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        throw AlbumError(formatText(texts::pictureNotReadable, displayName));
    heif_context_set_maximum_image_size_limit(context.get(), 65535);
    heif_error error = heif_context_read_from_file(context.get(), path.c_str(), nullptr);
    if (error.code == heif_error_Memory_allocation_error)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
    if (error.code != heif_error_Ok)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int channels = alpha ? 4 : 3;
    // Both the declared picture and the coded one (before a turn) count;
    // the decoder holds the planes and the interleaved picture at once.
    PictureReader::checkSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()),
                             channels * 2, displayName);
    PictureReader::checkSize(heif_image_handle_get_ispe_width(handle.get()),
                             heif_image_handle_get_ispe_height(handle.get()), channels * 2, displayName);
    if (control)
        control->checkStop();

    ExifFacts exif;
    if (const std::optional<std::string> tiff = exifBlock(handle.get()))
        exif = exifFactsOfTiff(reinterpret_cast<const std::uint8_t*>(tiff->data()), tiff->size());
    const int orientation = hasOwnTransforms(path) ? 1 : exif.orientation;

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (error.code == heif_error_Memory_allocation_error)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
    if (error.code != heif_error_Ok || !image)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width < 1 || height < 1 || stride < width * channels)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    if (control)
        control->setPermille(500);
    DecodedPicture decoded = PictureReader::fitRaster(pixels, width, height, static_cast<std::size_t>(stride),
                                                      channels, limit, orientation, control);
    decoded.taken = exif.taken.value_or(std::string());
    return decoded;
}

} // namespace album
