#include "album/core/PictureFit.h"

#include <algorithm>
#include <cstdint>

namespace album {

PictureSize fitToLimit(PictureSize picture, PictureSize limit)
{
    const std::int64_t w = picture.width, h = picture.height;
    const std::int64_t lw = limit.width, lh = limit.height;
    const bool wideOver = w > lw;
    const bool highOver = h > lh;
    std::int64_t nw = w, nh = h;
    if (highOver && (!wideOver || !(h * lw < w * lh))) {
        nh = lh;
        nw = w * lh / h;
    } else if (wideOver) {
        nw = lw;
        nh = h * lw / w;
    }
    return {static_cast<int>(std::max<std::int64_t>(nw, 1)), static_cast<int>(std::max<std::int64_t>(nh, 1))};
}

} // namespace album
