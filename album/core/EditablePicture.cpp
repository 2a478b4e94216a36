#include "album/core/EditablePicture.h"

#include "album/core/AlbumError.h"
#include "album/core/JpegWriter.h"
#include "album/core/PictureTransforms.h"

#include <algorithm>

namespace album {
namespace {

Image render(const Image& fitted, int quarterTurns, int brightness)
{
    Image turned = quarterTurns == 1 ? turnRight(fitted)
                 : quarterTurns == 2 ? turnHalf(fitted)
                 : quarterTurns == 3 ? turnLeft(fitted)
                                     : fitted;
    return brightness == 0 ? turned : brightened(turned, brightness);
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

Image EditablePicture::current() const
{
    return render(fitted_, quarterTurns_, brightness_);
}

void EditablePicture::apply(AlbumItem& item, int quarterTurns, int brightness)
{
    const Image picture = render(fitted_, quarterTurns, brightness);
    if (!JpegWriter::write(picture, item.workingPath))
        throw AlbumError(formatText(texts::pictureNotWritten, fileNameOf(item.workingPath)));
    quarterTurns_ = quarterTurns;
    brightness_ = brightness;
    item.width = picture.width;
    item.height = picture.height;
}

void EditablePicture::turnLeft(AlbumItem& item)
{
    apply(item, (quarterTurns_ + 3) % 4, brightness_);
}

void EditablePicture::turnRight(AlbumItem& item)
{
    apply(item, (quarterTurns_ + 1) % 4, brightness_);
}

void EditablePicture::turnHalf(AlbumItem& item)
{
    apply(item, (quarterTurns_ + 2) % 4, brightness_);
}

void EditablePicture::setBrightness(AlbumItem& item, int value)
{
    apply(item, quarterTurns_, std::clamp(value, minBrightness, maxBrightness));
}

} // namespace album
