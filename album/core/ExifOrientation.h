#pragma once
// The orientation a camera wrote into a JPEG's Exif block (tag 0x0112): how
// the stored rows must be turned or mirrored to stand upright.

#include <cstddef>
#include <cstdint>

namespace album {

// The orientation 1..8 from the body of an APP1 segment (beginning with
// "Exif\0\0"); 1 when there is none or the block is damaged.
int exifOrientation(const std::uint8_t* segment, std::size_t size);

} // namespace album
