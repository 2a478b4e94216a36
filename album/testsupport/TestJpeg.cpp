#include "album/testsupport/TestJpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "album/testsupport/TestPictures.h"

#include <jpeglib.h>

namespace albumtest {
namespace {

struct ErrorJump {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

std::vector<std::uint8_t> exifBlock(int orientation, bool big)
{
    std::vector<std::uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        if (big) {
            b.push_back(static_cast<std::uint8_t>(v >> 8));
            b.push_back(static_cast<std::uint8_t>(v));
        } else {
            b.push_back(static_cast<std::uint8_t>(v));
            b.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    };
    auto u32 = [&](unsigned v) {
        if (big) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    b.push_back(big ? 'M' : 'I');
    b.push_back(big ? 'M' : 'I');
    u16(42);
    u32(8);
    u16(2);                 // two entries: a resolution first, then the orientation
    u16(0x011A), u16(5), u32(1), u32(0);
    u16(0x0112), u16(3), u32(1), u16(static_cast<unsigned>(orientation)), u16(0);
    u32(0);
    return b;
}

// The painter's RGB as ink amounts (no black), stored inverted for Adobe.
void toCmyk(const std::uint8_t* rgb, std::uint8_t* cmyk, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, rgb += 3, cmyk += 4) {
        for (int c = 0; c < 3; ++c)
            cmyk[c] = static_cast<std::uint8_t>(inverted ? rgb[c] : 255 - rgb[c]);
        cmyk[3] = inverted ? 255 : 0;
    }
}

bool encodeInto(jpeg_compress_struct& info, ErrorJump& errors, int width, int height, const RowPainter& paint,
                const JpegOptions& options, unsigned char** out, unsigned long* size, std::vector<std::uint8_t>& rgb,
                std::vector<std::uint8_t>& converted, std::vector<std::uint8_t>& exif,
                std::vector<jpeg_scan_info>& script)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    const bool cmyk = options.colour == JpegOptions::Colour::Cmyk || options.colour == JpegOptions::Colour::CmykAdobe;
    info.input_components = options.colour == JpegOptions::Colour::Gray ? 1 : cmyk ? 4 : 3;
    info.in_color_space = options.colour == JpegOptions::Colour::Gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (cmyk) {
        jpeg_set_colorspace(&info, JCS_CMYK);
        info.write_Adobe_marker = options.colour == JpegOptions::Colour::CmykAdobe ? TRUE : FALSE;
    }
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    if (const int bits = options.bitsPerCoefficientScans; bits > 0) {
        jpeg_scan_info dc {};
        dc.comps_in_scan = info.num_components;
        for (int c = 0; c < info.num_components; ++c)
            dc.component_index[c] = c;
        script.push_back(dc);
        for (int c = 0; c < info.num_components; ++c)
            for (int k = 1; k < 64; ++k)
                for (int al = bits - 1; al >= 0; --al) {
                    jpeg_scan_info ac {};
                    ac.comps_in_scan = 1;
                    ac.component_index[0] = c;
                    ac.Ss = ac.Se = k;
                    ac.Ah = al == bits - 1 ? 0 : al + 1;
                    ac.Al = al;
                    script.push_back(ac);
                }
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
    }
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (options.exifOrientation > 0 || !options.exifTaken.empty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        paint(y, rgb.data());
        JSAMPROW row = rgb.data();
        if (options.colour == JpegOptions::Colour::Gray) {
            for (int x = 0; x < width; ++x)
                converted[static_cast<std::size_t>(x)] = rgb[static_cast<std::size_t>(x) * 3 + 1];
            row = converted.data();
        } else if (cmyk) {
            toCmyk(rgb.data(), converted.data(), width, options.colour == JpegOptions::Colour::CmykAdobe);
            row = converted.data();
        }
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

std::uint32_t hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

} // namespace

std::vector<std::uint8_t> encodeJpeg(int width, int height, const RowPainter& paint, const JpegOptions& options)
{
    jpeg_compress_struct info {};
    ErrorJump errors {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> converted(static_cast<std::size_t>(width) * 4);
    std::vector<std::uint8_t> exif = options.exifTaken.empty()
        ? exifBlock(options.exifOrientation, options.exifBigEndian)
        : exifSegment(options.exifOrientation, options.exifTaken);
    std::vector<jpeg_scan_info> script;
    script.reserve(1 + 4 * 63 * static_cast<std::size_t>(std::max(0, options.bitsPerCoefficientScans)));
    const bool ok =
        encodeInto(info, errors, width, height, paint, options, &out, &size, rgb, converted, exif, script);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes;
    if (ok && out)
        bytes.assign(out, out + size);
    std::free(out);
    if (!ok)
        throw std::runtime_error("libjpeg could not encode the test picture");
    return bytes;
}

void writeJpeg(const std::string& path, int width, int height, const RowPainter& paint, const JpegOptions& options)
{
    writeBytes(path, encodeJpeg(width, height, paint, options));
}

RowPainter flat(int width, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return [=](int, std::uint8_t* rgb) {
        for (int x = 0; x < width; ++x, rgb += 3) {
            rgb[0] = r;
            rgb[1] = g;
            rgb[2] = b;
        }
    };
}

RowPainter checkerboard(int width, int cell)
{
    return [=](int y, std::uint8_t* rgb) {
        for (int x = 0; x < width; x += cell) {
            const int run = std::min(cell, width - x);
            std::fill_n(rgb + std::size_t(x) * 3, std::size_t(run) * 3, ((x / cell + y / cell) % 2) ? 255 : 0);
        }
    };
}

RowPainter photoLike(int width, int height, unsigned seed)
{
    // A few soft blobs of colour over a sky-like gradient, with grain.
    struct Blob {
        double x, y, radius;
        int r, g, b;
    };
    std::vector<Blob> blobs;
    for (unsigned i = 0; i < 12; ++i) {
        const std::uint32_t h = hash(seed * 977u + i);
        blobs.push_back({double(h % 1000) / 1000 * width, double((h >> 10) % 1000) / 1000 * height,
                         (0.05 + double((h >> 20) % 200) / 1000) * std::max(width, height), int(hash(h) % 256),
                         int(hash(h + 1) % 256), int(hash(h + 2) % 256)});
    }
    return [=](int y, std::uint8_t* rgb) {
        for (int x = 0; x < width; ++x, rgb += 3) {
            double r = 90 + 100.0 * y / height, g = 140 + 60.0 * x / width, b = 200 - 80.0 * y / height;
            for (const Blob& blob : blobs) {
                const double dx = x - blob.x, dy = y - blob.y;
                const double d2 = (dx * dx + dy * dy) / (blob.radius * blob.radius);
                if (d2 < 1) {
                    const double w = (1 - d2) * (1 - d2);
                    r += (blob.r - r) * w;
                    g += (blob.g - g) * w;
                    b += (blob.b - b) * w;
                }
            }
            // Texture at several scales, as leaves, fabric or gravel give.
            const std::uint32_t n = hash(seed ^ (std::uint32_t(x) * 73856093u) ^ (std::uint32_t(y) * 19349663u));
            const double grain = double(n % 41) - 20 + 12 * std::sin(x * 0.21 + seed) * std::cos(y * 0.17);
            rgb[0] = static_cast<std::uint8_t>(std::clamp(r + grain, 0.0, 255.0));
            rgb[1] = static_cast<std::uint8_t>(std::clamp(g + grain * 0.9, 0.0, 255.0));
            rgb[2] = static_cast<std::uint8_t>(std::clamp(b + grain * 1.1, 0.0, 255.0));
        }
    };
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace albumtest
