#pragma once
// Working off one pending addition: a picture is decoded, fitted into the
// picture limit and written to the album folder under its save name; a video
// is published from where it lies. This is the part that may run on a
// worker thread: it reads its arguments only and writes only the new
// picture's file, so any number may run at once for different entries.

#include "album/core/AlbumItem.h"
#include "album/core/EditablePicture.h"
#include "album/core/PendingAddition.h"
#include "album/core/PictureFit.h"

#include <optional>
#include <string>

namespace album {

class WorkControl;

// An item ready for its dialog: accept it into the album or reject it.
struct PreparedItem {
    AlbumItem item;
    std::optional<EditablePicture> picture; // pictures only
};

class ItemPreparer {
public:
    // Throws AlbumError with the message for the user (nothing written), or
    // WorkStopped when `control` asked to stop.
    static PreparedItem prepare(const PendingAddition& addition, const std::string& albumFolder, PictureSize limit,
                                WorkControl* control = nullptr);
};

} // namespace album
