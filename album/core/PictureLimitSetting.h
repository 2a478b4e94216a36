#pragma once
// The picture limit of the dialog "設定" ("幅", "高さ"), kept between runs in
// the settings under the album program's section. A value that is missing
// or out of range reads as the default.

#include "album/core/PictureFit.h"

namespace album {

class PictureLimitSetting {
public:
    static constexpr const char* section = "Glimmora";
    static constexpr const char* widthName = "MaxWidth";
    static constexpr const char* heightName = "MaxHeight";
    // What the dialog offers: small enough pictures for a page, never so
    // large that a fitted picture could not be held and edited in memory.
    static constexpr int minimum = 16;
    static constexpr int maximum = 8000;

    static bool valid(PictureSize limit);
    static PictureSize load();
    // False when the settings could not be written.
    static bool store(PictureSize limit);
};

} // namespace album
