#include "album/core/PictureTransforms.h"

#include <algorithm>
#include <cstring>

namespace album {
namespace {

// Builds the target pixel by pixel from the source pixel `from` names.
template <typename From>
Image remap(const Image& source, int width, int height, From from)
{
    Image target(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < width; ++x, out += 3) {
            auto [sx, sy] = from(x, y);
            std::memcpy(out, source.at(sx, sy), 3);
        }
    }
    return target;
}

struct Point {
    int x;
    int y;
};

} // namespace

Image orientUpright(const Image& s, int orientation)
{
    const int w = s.width, h = s.height;
    switch (orientation) {
    case 2:
        return remap(s, w, h, [&](int x, int y) { return Point {w - 1 - x, y}; });
    case 3:
        return remap(s, w, h, [&](int x, int y) { return Point {w - 1 - x, h - 1 - y}; });
    case 4:
        return remap(s, w, h, [&](int x, int y) { return Point {x, h - 1 - y}; });
    case 5:
        return remap(s, h, w, [&](int x, int y) { return Point {y, x}; });
    case 6:
        return turnRight(s);
    case 7:
        return remap(s, h, w, [&](int x, int y) { return Point {w - 1 - y, h - 1 - x}; });
    case 8:
        return turnLeft(s);
    default:
        return s;
    }
}

Image turnLeft(const Image& s)
{
    const int w = s.width;
    return remap(s, s.height, s.width, [&](int x, int y) { return Point {w - 1 - y, x}; });
}

Image turnRight(const Image& s)
{
    const int h = s.height;
    return remap(s, s.height, s.width, [&](int x, int y) { return Point {y, h - 1 - x}; });
}

Image turnHalf(const Image& picture)
{
    return turnRight(turnRight(picture));
}

Image brightened(const Image& picture, int value)
{
    value = std::clamp(value, -100, 100);
    const int delta = value * 255 / 100;
    Image out = picture;
    for (std::uint8_t& channel : out.pixels)
        channel = static_cast<std::uint8_t>(std::clamp(channel + delta, 0, 255));
    return out;
}

} // namespace album
