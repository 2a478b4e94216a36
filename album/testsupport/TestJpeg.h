#pragma once
// JPEG files of every kind the album must read, made in code for the tests
// and the benchmark: RGB, grayscale, CMYK with and without Adobe's inverted
// inks, progressive, arithmetic-coded, with an Exif orientation.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace albumtest {

struct JpegOptions {
    enum class Colour { Rgb, Gray, Cmyk, CmykAdobe };
    Colour colour = Colour::Rgb;
    int quality = 90;
    bool progressive = false;
    bool arithmetic = false;
    int exifOrientation = 0;  // 0: no Exif block
    bool exifBigEndian = false;
    std::string exifTaken;    // DateTimeOriginal "YYYY:MM:DD HH:MM:SS" in a (big-endian) Exif block
    // Progressive with a scan for every AC coefficient of every component,
    // its bits sent in this many scans: 1 + components * 63 * n scans.
    int bitsPerCoefficientScans = 0;
};

// Fills one row of RGB pixels (width * 3 bytes) for row y.
using RowPainter = std::function<void(int y, std::uint8_t* rgb)>;

// The encoded file; throws std::runtime_error when libjpeg fails.
std::vector<std::uint8_t> encodeJpeg(int width, int height, const RowPainter& paint, const JpegOptions& options = {});
void writeJpeg(const std::string& path, int width, int height, const RowPainter& paint,
               const JpegOptions& options = {});

// A picture of one colour.
RowPainter flat(int width, std::uint8_t r, std::uint8_t g, std::uint8_t b);
// Cells of `cell` pixels, black and white.
RowPainter checkerboard(int width, int cell);
// Something like a photograph: soft shapes and gradients with fine grain, so
// that it compresses as photographs do. Same seed, same picture.
RowPainter photoLike(int width, int height, unsigned seed);

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);

} // namespace albumtest
