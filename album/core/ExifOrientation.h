#pragma once
// The orientation a camera wrote into a JPEG's Exif block (tag 0x0112): how
// the stored rows must be turned or mirrored to stand upright.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace album {

// The orientation 1..8 from the body of an APP1 segment (beginning with
// "Exif\0\0"); 1 when there is none or the block is damaged.
int exifOrientation(const std::uint8_t* segment, std::size_t size);

// What the album takes from an Exif block: the orientation (1 when none)
// and the shooting date-time DateTimeOriginal as written,
// "YYYY:MM:DD HH:MM:SS" (none when absent, blank or malformed).
struct ExifFacts {
    int orientation = 1;
    std::optional<std::string> taken;
};
// From an APP1 body ("Exif\0\0" and the TIFF block).
ExifFacts exifFacts(const std::uint8_t* segment, std::size_t size);
// From the TIFF block alone ("II" or "MM" first), as HEIF stores it.
ExifFacts exifFactsOfTiff(const std::uint8_t* tiff, std::size_t size);

} // namespace album
