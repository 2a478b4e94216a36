#pragma once
// A short Motion-JPEG AVI video made in code, for the video dialog's tests:
// `frames` frames of width x height, each a flat colour that changes from
// frame to frame.

#include <string>

namespace albumtest {

void writeMjpegAvi(const std::string& path, int width, int height, int frames = 10, int framesPerSecond = 10);

} // namespace albumtest
