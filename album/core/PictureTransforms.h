#pragma once
// What the album does to a fitted picture: turn it upright as its camera
// recorded, turn it by quarter turns, and make it lighter or darker.

#include "album/core/Image.h"

namespace album {

// The picture as it stands upright, for an Exif orientation 1..8.
Image orientUpright(const Image& stored, int orientation);

// A quarter turn to the left (counter-clockwise) and to the right.
Image turnLeft(const Image& picture);
Image turnRight(const Image& picture);
// Half a turn, made of two quarter turns.
Image turnHalf(const Image& picture);

// Every colour channel raised by value * 255 / 100 (value -100..+100,
// integer division), kept within 0..255.
Image brightened(const Image& picture, int value);

} // namespace album
