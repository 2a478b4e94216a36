#pragma once
// The size a picture is shrunk to: it must fit the album's picture limit,
// keeping its proportions, by the program's integer rule.

namespace album {

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The picture limit of a new album.
inline constexpr PictureSize defaultPictureLimit {400, 400};

// A picture within the limit keeps its size; otherwise the side that
// overshoots more in proportion is set to the limit and the other follows by
// integer division. Never less than one pixel a side (the rule alone would
// make a 1 x 1000 picture 0 pixels wide).
PictureSize fitToLimit(PictureSize picture, PictureSize limit);

// The source width as the style modules are told it: rounded up to a
// multiple of 8.
inline int roundedSourceWidth(int width)
{
    return (width + 7) / 8 * 8;
}

} // namespace album
