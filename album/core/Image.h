#pragma once
// A picture in memory: 8-bit RGB, rows packed without padding.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace album {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 3 bytes

    Image() = default;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {}

    std::size_t stride() const { return static_cast<std::size_t>(width) * 3; }
    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * stride(); }
    std::uint8_t* at(int x, int y) { return row(y) + static_cast<std::size_t>(x) * 3; }
    const std::uint8_t* at(int x, int y) const { return row(y) + static_cast<std::size_t>(x) * 3; }
};

} // namespace album
