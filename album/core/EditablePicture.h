#pragma once
// A fitted picture while its item dialog is open: turned by quarter turns and
// made lighter or darker, each change rewriting the picture's file in the
// album folder (JPEG, quality 80) from the fitted picture kept in memory, so
// that changes do not wear the picture down by encoding it again and again.

#include "album/core/AlbumItem.h"
#include "album/core/Image.h"

namespace album {

class EditablePicture {
public:
    static constexpr int minBrightness = -100;
    static constexpr int maxBrightness = 100;

    explicit EditablePicture(Image fitted) : fitted_(std::move(fitted)) {}

    // Each rewrites `item`'s working file and sets its width and height;
    // throws AlbumError when the file cannot be written (the item and the
    // file stay as they were).
    void turnLeft(AlbumItem& item);
    void turnRight(AlbumItem& item);
    void turnHalf(AlbumItem& item);
    void setBrightness(AlbumItem& item, int value);

    int quarterTurns() const { return quarterTurns_; } // to the right, 0..3
    int brightness() const { return brightness_; }
    // The picture as it now stands.
    Image current() const;

private:
    void apply(AlbumItem& item, int quarterTurns, int brightness);

    Image fitted_;
    int quarterTurns_ = 0;
    int brightness_ = 0;
};

} // namespace album
