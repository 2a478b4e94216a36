#include "album/testsupport/TestPictures.h"

#include "album/core/PictureTransforms.h"

#include <algorithm>
#include <iterator>
#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace albumtest {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void writeAll(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

RgbaPicture quarters(int width, int height, bool withAlpha)
{
    RgbaPicture p {width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    static const std::uint8_t colours[4][3] = {{220, 30, 30}, {30, 200, 40}, {30, 40, 210}, {230, 210, 20}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            const int q = (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
            const bool bar = y >= height / 8 && y < height / 4 && x < width / 4;
            for (int c = 0; c < 3; ++c)
                px[c] = bar ? 20 : colours[q][c];
            px[3] = 255;
            if (withAlpha && y < height / 2 && x >= width * 7 / 8)
                px[3] = 0;
            else if (withAlpha && y < height / 2 && x >= width * 6 / 8)
                px[3] = 128;
        }
    return p;
}

album::Image overWhite(const RgbaPicture& p)
{
    album::Image image(p.width, p.height);
    for (std::size_t i = 0; i < static_cast<std::size_t>(p.width) * p.height; ++i) {
        const unsigned a = p.pixels[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            image.pixels[i * 3 + c] = static_cast<std::uint8_t>((p.pixels[i * 4 + c] * a + 255 * (255 - a) + 127) / 255);
    }
    return image;
}

RgbaPicture storedFor(const RgbaPicture& upright, int orientation)
{
    // Every orientation undoes itself but the two quarter turns.
    const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    // Turn colour and alpha as two RGB pictures.
    album::Image colour(upright.width, upright.height), alpha(upright.width, upright.height);
    for (std::size_t i = 0; i < static_cast<std::size_t>(upright.width) * upright.height; ++i) {
        std::memcpy(&colour.pixels[i * 3], &upright.pixels[i * 4], 3);
        alpha.pixels[i * 3] = upright.pixels[i * 4 + 3];
    }
    const album::Image c = album::orientUpright(colour, inverse), a = album::orientUpright(alpha, inverse);
    RgbaPicture stored {c.width, c.height, std::vector<std::uint8_t>(static_cast<std::size_t>(c.width) * c.height * 4)};
    for (std::size_t i = 0; i < static_cast<std::size_t>(c.width) * c.height; ++i) {
        std::memcpy(&stored.pixels[i * 4], &c.pixels[i * 3], 3);
        stored.pixels[i * 4 + 3] = a.pixels[i * 3];
    }
    return stored;
}

void writePng(const std::string& path, const RgbaPicture& p, PngKind kind)
{
    if (kind == PngKind::Rgb16) {
        // 16 bits per channel without a gamma chunk, as image editors write.
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            throw std::runtime_error("cannot write " + path);
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(p.width) * 6);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            std::fclose(f);
            throw std::runtime_error("libpng could not write " + path);
        }
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height), 16,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x)
                for (int c = 0; c < 3; ++c) {
                    // The low byte varies, so that a reader must use the high one.
                    row[static_cast<std::size_t>(x) * 6 + c * 2] = p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4 + c];
                    row[static_cast<std::size_t>(x) * 6 + c * 2 + 1] = static_cast<std::uint8_t>(x * 7 + y);
                }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        if (std::fclose(f) != 0)
            throw std::runtime_error("cannot write " + path);
        return;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(p.width);
    image.height = static_cast<png_uint_32>(p.height);
    if (kind == PngKind::Rgba8) {
        image.format = PNG_FORMAT_RGBA;
        if (!png_image_write_to_file(&image, path.c_str(), 0, p.pixels.data(), 0, nullptr))
            throw std::runtime_error(std::string("libpng: ") + image.message);
        return;
    }
    // A palette of the colours the picture uses (alpha ignored).
    std::vector<std::uint8_t> map, indices(static_cast<std::size_t>(p.width) * p.height);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        std::size_t at = 0;
        while (at < map.size() / 3 && std::memcmp(&map[at * 3], &p.pixels[i * 4], 3) != 0)
            ++at;
        if (at == map.size() / 3)
            map.insert(map.end(), &p.pixels[i * 4], &p.pixels[i * 4] + 3);
        indices[i] = static_cast<std::uint8_t>(at);
    }
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = static_cast<png_uint_32>(map.size() / 3);
    if (!png_image_write_to_file(&image, path.c_str(), 0, indices.data(), 0, map.data()))
        throw std::runtime_error(std::string("libpng: ") + image.message);
}

void writeWebp(const std::string& path, const RgbaPicture& p, WebpKind kind)
{
    std::uint8_t* out = nullptr;
    std::size_t size = 0;
    switch (kind) {
    case WebpKind::Lossy: {
        const album::Image rgb = overWhite(p);
        size = WebPEncodeRGB(rgb.pixels.data(), p.width, p.height, p.width * 3, 92, &out);
        break;
    }
    case WebpKind::Lossless:
        size = WebPEncodeLosslessRGBA(p.pixels.data(), p.width, p.height, p.width * 4, &out);
        break;
    case WebpKind::LossyAlpha:
        size = WebPEncodeRGBA(p.pixels.data(), p.width, p.height, p.width * 4, 92, &out);
        break;
    }
    if (size == 0)
        throw std::runtime_error("libwebp could not encode " + path);
    try {
        writeAll(path, out, size);
    } catch (...) {
        WebPFree(out);
        throw;
    }
    WebPFree(out);
}

std::vector<std::uint8_t> exifSegment(int orientation, const std::optional<std::string>& taken)
{
    // Big-endian TIFF: IFD0 with the orientation and the Exif IFD pointer,
    // then the Exif IFD with DateTimeOriginal, then the date's text.
    std::vector<std::uint8_t> t = {'M', 'M', 0, 42};
    put(t, 8, 4);
    const int entries = (orientation > 0 ? 1 : 0) + (taken ? 1 : 0);
    const std::uint32_t exifIfd = 8 + 2 + 12 * entries + 4;
    put(t, static_cast<std::uint32_t>(entries), 2);
    if (orientation > 0) {
        put(t, 0x0112, 2), put(t, 3, 2), put(t, 1, 4);
        put(t, static_cast<std::uint32_t>(orientation), 2), put(t, 0, 2);
    }
    if (taken) {
        put(t, 0x8769, 2), put(t, 4, 2), put(t, 1, 4), put(t, exifIfd, 4);
    }
    put(t, 0, 4);
    if (taken) {
        put(t, 1, 2);
        put(t, 0x9003, 2), put(t, 2, 2), put(t, 20, 4), put(t, exifIfd + 2 + 12 + 4, 4);
        put(t, 0, 4);
        t.insert(t.end(), taken->begin(), taken->end());
        t.push_back(0);
    }
    const std::uint8_t head[] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> segment(std::size(head) + t.size());
    std::copy(std::begin(head), std::end(head), segment.begin());
    std::copy(t.begin(), t.end(), segment.begin() + std::size(head));
    return segment;
}

namespace {

// The picture coded by libheif's encoder, as a whole file in memory.
std::vector<std::uint8_t> encodeHeic(const RgbaPicture& p, const HeicOptions& options)
{
    struct Owned {
        heif_context* context = heif_context_alloc();
        heif_encoder* encoder = nullptr;
        heif_image* image = nullptr;
        heif_image_handle* handle = nullptr;
        heif_encoding_options* encoding = heif_encoding_options_alloc();
        ~Owned()
        {
            heif_encoding_options_free(encoding);
            if (handle)
                heif_image_handle_release(handle);
            if (image)
                heif_image_release(image);
            if (encoder)
                heif_encoder_release(encoder);
            heif_context_free(context);
        }
    } o;
    auto check = [&](heif_error e) {
        if (e.code != heif_error_Ok)
            throw std::runtime_error(std::string("libheif: ") + e.message);
    };
    check(heif_context_get_encoder_for_format(o.context, heif_compression_HEVC, &o.encoder));
    check(heif_encoder_set_lossy_quality(o.encoder, options.quality));
    // The fastest search: these files are made in tests and benchmarks.
    heif_encoder_set_parameter(o.encoder, "preset", "ultrafast");
    const bool deep = options.bitDepth > 8;
    const int channels = options.alpha ? 4 : 3;
    const heif_chroma chroma = deep ? (options.alpha ? heif_chroma_interleaved_RRGGBBAA_BE : heif_chroma_interleaved_RRGGBB_BE)
                                    : (options.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    check(heif_image_create(p.width, p.height, heif_colorspace_RGB, chroma, &o.image));
    check(heif_image_add_plane(o.image, heif_channel_interleaved, p.width, p.height, deep ? options.bitDepth : 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(o.image, heif_channel_interleaved, &stride);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint8_t* from = &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4];
            std::uint8_t* to = plane + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * channels * (deep ? 2 : 1);
            for (int c = 0; c < channels; ++c) {
                if (!deep) {
                    to[c] = from[c];
                    continue;
                }
                // Big-endian samples of bitDepth bits, the 8-bit value scaled up.
                const unsigned v = (from[c] << (options.bitDepth - 8)) | (from[c] >> (16 - options.bitDepth));
                to[2 * c] = static_cast<std::uint8_t>(v >> 8), to[2 * c + 1] = static_cast<std::uint8_t>(v);
            }
        }
    o.encoding->image_orientation = static_cast<heif_orientation>(options.transform);
    check(heif_context_encode_image(o.context, o.image, o.encoder, o.encoding, &o.handle));
    if (options.exifOrientation > 0 || options.taken) {
        const std::vector<std::uint8_t> exif = exifSegment(options.exifOrientation, options.taken);
        check(heif_context_add_exif_metadata(o.context, o.handle, exif.data(), static_cast<int>(exif.size())));
    }
    std::vector<std::uint8_t> file;
    heif_writer writer {1, [](heif_context*, const void* data, std::size_t size, void* to) {
                            auto* bytes = static_cast<const std::uint8_t*>(data);
                            static_cast<std::vector<std::uint8_t>*>(to)->insert(
                                static_cast<std::vector<std::uint8_t>*>(to)->end(), bytes, bytes + size);
                            return heif_error {heif_error_Ok, heif_suberror_Unspecified, ""};
                        }};
    check(heif_context_write(o.context, &writer, &file));
    return file;
}

// A whole box: its size, its type and its body.
std::vector<std::uint8_t> box(const char* type, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> out;
    put(out, static_cast<std::uint32_t>(8 + body.size()), 4);
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> fullBox(const char* type, int version, std::uint32_t flags,
                                  const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> b;
    put(b, static_cast<std::uint32_t>(version) << 24 | flags, 4);
    b.insert(b.end(), body.begin(), body.end());
    return box(type, b);
}

void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// The whole box of `type` found first in a file libheif wrote (its hvcC),
// and the body of its mdat, which for a lone picture is its coded data.
std::vector<std::uint8_t> boxOf(const std::vector<std::uint8_t>& file, const char* type, bool bodyOnly)
{
    const auto at = std::search(file.begin(), file.end(), type, type + 4);
    if (at == file.end() || at - file.begin() < 4)
        throw std::runtime_error(std::string("no ") + type + " box");
    const auto start = at - 4;
    const std::size_t size = std::size_t(start[0]) << 24 | std::size_t(start[1]) << 16 | std::size_t(start[2]) << 8 | start[3];
    if (size < 8 || size > static_cast<std::size_t>(file.end() - start))
        throw std::runtime_error(std::string("broken ") + type + " box");
    return std::vector<std::uint8_t>(bodyOnly ? start + 8 : start, start + static_cast<std::ptrdiff_t>(size));
}

} // namespace

HevcStill encodeHevcStill(const RgbaPicture& picture, int quality)
{
    HeicOptions plain;
    plain.quality = quality;
    const std::vector<std::uint8_t> file = encodeHeic(picture, plain);
    return {boxOf(file, "hvcC", false), boxOf(file, "mdat", true)};
}

void writeHeic(const std::string& path, const RgbaPicture& p, const HeicOptions& options)
{
    const std::vector<std::uint8_t> file = encodeHeic(p, options);
    writeAll(path, file.data(), file.size());
}

void writeTiledHeic(const std::string& path, const RgbaPicture& p, int tile, const HeicOptions& options, GridData where)
{
    static const std::uint8_t angles[9] = {0, 0, 0, 2, 0, 0, 3, 0, 1};
    if (tile < 16 || options.transform < 1 || options.transform > 8 || (options.transform != 1 && !angles[options.transform]))
        throw std::runtime_error("writeTiledHeic: tiles of 16 pixels or more, turns without mirrors");
    const int columns = (p.width + tile - 1) / tile, rows = (p.height + tile - 1) / tile;
    const int tiles = columns * rows;
    // Each tile coded alone; the edge tiles run past the picture with its
    // last column and row repeated, and the grid crops them.
    std::vector<std::vector<std::uint8_t>> coded;
    std::vector<std::uint8_t> hvcc;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            RgbaPicture part {tile, tile, std::vector<std::uint8_t>(std::size_t(tile) * tile * 4)};
            for (int y = 0; y < tile; ++y)
                for (int x = 0; x < tile; ++x) {
                    const int sx = std::min(c * tile + x, p.width - 1), sy = std::min(r * tile + y, p.height - 1);
                    std::memcpy(&part.pixels[(std::size_t(y) * tile + x) * 4],
                                &p.pixels[(std::size_t(sy) * p.width + sx) * 4], 4);
                }
            HevcStill still = encodeHevcStill(part, options.quality);
            if (hvcc.empty())
                hvcc = std::move(still.hvcc);
            coded.push_back(std::move(still.coded));
        }
    std::vector<std::uint8_t> exif;
    if (options.exifOrientation > 0 || options.taken) {
        const std::vector<std::uint8_t> segment = exifSegment(options.exifOrientation, options.taken);
        put(exif, 0, 4); // the TIFF header follows at once
        exif.insert(exif.end(), segment.begin() + 6, segment.end());
    }

    // Items: 1 the grid, 2.. the tiles, then the Exif block.
    const std::uint16_t exifId = static_cast<std::uint16_t>(tiles + 2);
    std::vector<std::uint8_t> grid = {0, 0, static_cast<std::uint8_t>(rows - 1), static_cast<std::uint8_t>(columns - 1)};
    put(grid, static_cast<std::uint32_t>(p.width), 2), put(grid, static_cast<std::uint32_t>(p.height), 2);
    std::vector<std::vector<std::uint8_t>> data {grid};
    data.insert(data.end(), coded.begin(), coded.end());
    if (!exif.empty())
        data.push_back(exif);

    std::vector<std::uint8_t> meta;
    append(meta, fullBox("hdlr", 0, 0, {0, 0, 0, 0, 'p', 'i', 'c', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    append(meta, fullBox("pitm", 0, 0, {0, 1}));
    std::vector<std::uint8_t> infos;
    put(infos, static_cast<std::uint32_t>(data.size()), 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::vector<std::uint8_t> infe;
        put(infe, static_cast<std::uint32_t>(i + 1), 2), put(infe, 0, 2);
        const char* type = i == 0 ? "grid" : i <= static_cast<std::size_t>(tiles) ? "hvc1" : "Exif";
        infe.insert(infe.end(), type, type + 4);
        infe.push_back(0);
        append(infos, fullBox("infe", 2, i > 0 && i <= static_cast<std::size_t>(tiles) ? 1 : 0, infe));
    }
    append(meta, fullBox("iinf", 0, 0, infos));
    std::vector<std::uint8_t> refs;
    {
        std::vector<std::uint8_t> dimg;
        put(dimg, 1, 2), put(dimg, static_cast<std::uint32_t>(tiles), 2);
        for (int t = 0; t < tiles; ++t)
            put(dimg, static_cast<std::uint32_t>(t + 2), 2);
        append(refs, box("dimg", dimg));
        if (!exif.empty()) {
            std::vector<std::uint8_t> cdsc;
            put(cdsc, exifId, 2), put(cdsc, 1, 2), put(cdsc, 1, 2);
            append(refs, box("cdsc", cdsc));
        }
    }
    append(meta, fullBox("iref", 0, 0, refs));
    // Properties: 1 hvcC, 2 the tile's size, 3 the grid's size, 4 the turn,
    // 5 the crop.
    std::vector<std::uint8_t> properties = hvcc;
    std::vector<std::uint8_t> sizes;
    put(sizes, static_cast<std::uint32_t>(tile), 4), put(sizes, static_cast<std::uint32_t>(tile), 4);
    append(properties, fullBox("ispe", 0, 0, sizes));
    sizes.clear();
    put(sizes, static_cast<std::uint32_t>(p.width), 4), put(sizes, static_cast<std::uint32_t>(p.height), 4);
    append(properties, fullBox("ispe", 0, 0, sizes));
    append(properties, box("irot", {angles[options.transform]}));
    // 5: a clean aperture keeping the central half each way (width, height
    // and the centre's offset, each a fraction).
    std::vector<std::uint8_t> aperture;
    for (const std::uint32_t v : {std::uint32_t(p.width / 2), 1u, std::uint32_t(p.height / 2), 1u, 0u, 1u, 0u, 1u})
        put(aperture, v, 4);
    append(properties, box("clap", aperture));
    std::vector<std::uint8_t> gridProperties = {3};
    if (options.cropToCentre)
        gridProperties.push_back(0x85);
    if (options.transform != 1)
        gridProperties.push_back(0x84);
    std::vector<std::uint8_t> associations;
    put(associations, static_cast<std::uint32_t>(tiles + 1), 4);
    put(associations, 1, 2);
    associations.push_back(static_cast<std::uint8_t>(gridProperties.size()));
    associations.insert(associations.end(), gridProperties.begin(), gridProperties.end());
    for (int t = 0; t < tiles; ++t)
        put(associations, static_cast<std::uint32_t>(t + 2), 2), associations.push_back(2),
            associations.push_back(0x81), associations.push_back(2);
    std::vector<std::uint8_t> iprp = box("ipco", properties);
    append(iprp, fullBox("ipma", 0, 0, associations));
    append(meta, box("iprp", iprp));

    const std::vector<std::uint8_t> ftyp = box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'});
    // The grid's own data in the meta box's idat, as phones keep it, or in
    // mdat with the tiles; iloc version 1 can say which.
    const bool inIdat = where == GridData::InIdat;
    if (inIdat)
        append(meta, box("idat", data[0]));
    // The locations come last in meta; their size is known before the offsets.
    const std::size_t entry = inIdat ? 16 : 14;
    const std::size_t ilocSize = 8 + 4 + 2 + 2 + data.size() * entry;
    std::size_t offset = ftyp.size() + 12 + meta.size() + ilocSize + 8;
    std::vector<std::uint8_t> locations = {0x44, 0x00};
    put(locations, static_cast<std::uint32_t>(data.size()), 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
        put(locations, static_cast<std::uint32_t>(i + 1), 2);
        if (inIdat)
            put(locations, i == 0 ? 1 : 0, 2);
        put(locations, 0, 2), put(locations, 1, 2);
        put(locations, static_cast<std::uint32_t>(inIdat && i == 0 ? 0 : offset), 4);
        put(locations, static_cast<std::uint32_t>(data[i].size()), 4);
        if (!(inIdat && i == 0))
            offset += data[i].size();
    }
    append(meta, fullBox("iloc", inIdat ? 1 : 0, 0, locations));
    std::vector<std::uint8_t> file = ftyp;
    append(file, fullBox("meta", 0, 0, meta));
    std::vector<std::uint8_t> mdat;
    for (std::size_t i = inIdat ? 1 : 0; i < data.size(); ++i)
        append(mdat, data[i]);
    append(file, box("mdat", mdat));
    writeAll(path, file.data(), file.size());
}

double rmse(const album::Image& a, const album::Image& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return std::numeric_limits<double>::infinity();
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    return std::sqrt(sum / double(a.pixels.size()));
}

} // namespace albumtest
