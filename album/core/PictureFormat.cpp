#include "album/core/PictureFormat.h"

#include <cstdio>
#include <cstring>

namespace album {

PictureFormat PictureFormats::sniff(const std::string& path)
{
    unsigned char head[16] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return PictureFormat::Unknown;
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return PictureFormat::Jpeg;
    if (got >= 8 && std::memcmp(head, "\x89PNG\r\n\x1A\n", 8) == 0)
        return PictureFormat::Png;
    if (got >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return PictureFormat::Webp;
    if (got >= 12 && std::memcmp(head + 4, "ftyp", 4) == 0) {
        static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"};
        for (const char* brand : brands)
            if (std::memcmp(head + 8, brand, 4) == 0)
                return PictureFormat::Heif;
    }
    return PictureFormat::Unknown;
}

bool PictureFormats::pictureExtension(const std::string& e)
{
    return e == ".jpg" || renamedToJpg(e);
}

bool PictureFormats::videoExtension(const std::string& e)
{
    return e == ".avi" || e == ".mpg" || e == ".mp4" || e == ".mov" || e == ".webm";
}

bool PictureFormats::renamedToJpg(const std::string& e)
{
    return e == ".png" || e == ".webp" || e == ".heic" || e == ".heif";
}

} // namespace album
