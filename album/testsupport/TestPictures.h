#pragma once
// PNG, WebP and HEIC files of every kind the album must read, made in code
// for the tests and the benchmark, and a measure of how far a decoded
// picture stands from the one it was made from.

#include "album/core/Image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace albumtest {

// An RGBA picture, rows packed.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4
};

// Four coloured quarters, a bar and a transparent corner cut (alpha 0 in
// the top-right eighth, half in the strip beside it): every turn, mirror and
// composition shows.
RgbaPicture quarters(int width, int height, bool withAlpha);
// The picture as it is seen, alpha composed over white.
album::Image overWhite(const RgbaPicture& picture);
// The picture stored so that showing it with the Exif `orientation` gives
// `upright`.
RgbaPicture storedFor(const RgbaPicture& upright, int orientation);

enum class PngKind { Rgba8, Rgb16, Palette };
void writePng(const std::string& path, const RgbaPicture& picture, PngKind kind);

enum class WebpKind { Lossy, Lossless, LossyAlpha };
void writeWebp(const std::string& path, const RgbaPicture& picture, WebpKind kind);

struct HeicOptions {
    int transform = 1;       // an Exif-numbered orientation written as irot/imir
    int exifOrientation = 0; // 0: no Exif block
    std::optional<std::string> taken; // DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"
    int quality = 90;
    bool alpha = false; // the picture's alpha, coded as libheif does (an auxiliary monochrome picture)
    int bitDepth = 8;   // 8 or 10
    bool cropToCentre = false; // tiled only: a clean aperture (clap) keeping the central half each way, before the turn
};
// Throws std::runtime_error when libheif cannot encode (no HEVC encoder).
void writeHeic(const std::string& path, const RgbaPicture& picture, const HeicOptions& options = {});
// As a phone writes it: a grid of square tiles, each coded alone, cropped to
// the picture, its turn (no mirror) on the grid, Exif on the grid. Only the
// quality, transform, exifOrientation and taken of the options apply; an
// irot property is always in the file, tied to the grid only for a turn.
// The grid's own data (its rows, columns and canvas) goes in the meta box,
// as phones keep it, or first in mdat.
enum class GridData { InIdat, InMdat };
void writeTiledHeic(const std::string& path, const RgbaPicture& picture, int tile, const HeicOptions& options = {},
                    GridData where = GridData::InIdat);

// A picture coded alone by x265 through libheif: its whole hvcC box and its
// coded data, units led by four-byte lengths (an MP4 sample as it is).
struct HevcStill {
    std::vector<std::uint8_t> hvcc;
    std::vector<std::uint8_t> coded;
};
HevcStill encodeHevcStill(const RgbaPicture& picture, int quality = 60);

// The Exif TIFF block ("Exif\0\0" first) with an orientation and a
// DateTimeOriginal, when given.
std::vector<std::uint8_t> exifSegment(int orientation, const std::optional<std::string>& taken);

// Root mean square difference over all channels; infinity for other sizes.
double rmse(const album::Image& a, const album::Image& b);

} // namespace albumtest
