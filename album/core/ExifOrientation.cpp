#include "album/core/ExifOrientation.h"

#include <cstring>

namespace album {
namespace {

constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t shortType = 3;

class TiffReader {
public:
    TiffReader(const std::uint8_t* data, std::size_t size, bool bigEndian) : data_(data), size_(size), big_(bigEndian) {}

    bool u16(std::size_t at, std::uint16_t& out) const
    {
        if (at > size_ || size_ - at < 2)
            return false;
        out = big_ ? static_cast<std::uint16_t>(data_[at] << 8 | data_[at + 1])
                   : static_cast<std::uint16_t>(data_[at + 1] << 8 | data_[at]);
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& out) const
    {
        std::uint16_t a = 0, b = 0;
        if (!u16(at, a) || !u16(at + 2, b))
            return false;
        out = big_ ? (std::uint32_t(a) << 16 | b) : (std::uint32_t(b) << 16 | a);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool big_;
};

} // namespace

int exifOrientation(const std::uint8_t* segment, std::size_t size)
{
    static const char exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!segment || size < 14 || std::memcmp(segment, exifHeader, 6) != 0)
        return 1;
    const std::uint8_t* tiff = segment + 6;
    const std::size_t tiffSize = size - 6;
    bool big = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    TiffReader reader(tiff, tiffSize, big);
    std::uint16_t magic = 0;
    std::uint32_t ifd = 0;
    std::uint16_t count = 0;
    if (!reader.u16(2, magic) || magic != 42 || !reader.u32(4, ifd) || !reader.u16(ifd, count))
        return 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t items = 0;
        if (!reader.u16(entry, tag) || !reader.u16(entry + 2, type) || !reader.u32(entry + 4, items))
            return 1;
        if (tag != orientationTag)
            continue;
        if (type != shortType || items != 1 || !reader.u16(entry + 8, value) || value < 1 || value > 8)
            return 1;
        return value;
    }
    return 1;
}

} // namespace album
