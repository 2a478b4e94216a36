#pragma once
// The four icons of the item list, drawn here: picture, picture with a
// voice message, video, video with a voice message (AlbumItem::iconIndex).

#include <QIcon>

namespace glimmora {

class ItemIcons {
public:
    static constexpr int count = 4;
    // Icon `index` (0..3), at 16 x 16 and, for dense screens, 32 x 32.
    static QIcon icon(int index);
};

} // namespace glimmora
