#include "album/core/PictureLimitSetting.h"

#include "platform/Settings.h"

namespace album {

bool PictureLimitSetting::valid(PictureSize limit)
{
    return limit.width >= minimum && limit.width <= maximum && limit.height >= minimum && limit.height <= maximum;
}

PictureSize PictureLimitSetting::load()
{
    platform::Settings settings;
    const long long width = settings.getInt(section, widthName, defaultPictureLimit.width);
    const long long height = settings.getInt(section, heightName, defaultPictureLimit.height);
    if (width < minimum || width > maximum || height < minimum || height > maximum)
        return defaultPictureLimit;
    return {static_cast<int>(width), static_cast<int>(height)};
}

bool PictureLimitSetting::store(PictureSize limit)
{
    if (!valid(limit))
        return false;
    platform::Settings settings;
    settings.setInt(section, widthName, limit.width);
    settings.setInt(section, heightName, limit.height);
    return settings.sync();
}

} // namespace album
