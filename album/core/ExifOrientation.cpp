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

namespace {

constexpr std::uint16_t exifIfdTag = 0x8769;
constexpr std::uint16_t dateTimeOriginalTag = 0x9003;
constexpr std::uint16_t asciiType = 2;
constexpr std::uint16_t longType = 4;

// "YYYY:MM:DD HH:MM:SS" with digits where digits belong and a year.
bool wellFormedDate(const std::string& text)
{
    static const char pattern[] = "dddd:dd:dd dd:dd:dd";
    if (text.size() != 19)
        return false;
    for (std::size_t i = 0; i < 19; ++i) {
        const char c = text[i];
        if (pattern[i] == 'd' ? (c < '0' || c > '9') : c != pattern[i])
            return false;
    }
    return text.compare(0, 4, "0000") != 0;
}

} // namespace

ExifFacts exifFactsOfTiff(const std::uint8_t* tiff, std::size_t tiffSize)
{
    ExifFacts facts;
    if (!tiff || tiffSize < 8)
        return facts;
    bool big = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return facts;
    TiffReader reader(tiff, tiffSize, big);
    std::uint16_t magic = 0;
    std::uint32_t ifd = 0;
    if (!reader.u16(2, magic) || magic != 42 || !reader.u32(4, ifd))
        return facts;
    // One entry of an IFD by its tag: its type, count and where its value
    // (or the offset of it) stands.
    struct Entry {
        std::uint16_t type = 0;
        std::uint32_t items = 0;
        std::size_t value = 0;
    };
    auto find = [&](std::uint32_t at, std::uint16_t wanted) -> std::optional<Entry> {
        std::uint16_t count = 0;
        if (!reader.u16(at, count))
            return std::nullopt;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = std::size_t(at) + 2 + std::size_t(i) * 12;
            Entry e;
            std::uint16_t tag = 0;
            if (!reader.u16(entry, tag) || !reader.u16(entry + 2, e.type) || !reader.u32(entry + 4, e.items))
                return std::nullopt;
            if (tag == wanted) {
                e.value = entry + 8;
                return e;
            }
        }
        return std::nullopt;
    };
    if (const auto o = find(ifd, orientationTag)) {
        std::uint16_t value = 0;
        if (o->type == shortType && o->items == 1 && reader.u16(o->value, value) && value >= 1 && value <= 8)
            facts.orientation = value;
    }
    std::uint32_t exifIfd = 0;
    const auto pointer = find(ifd, exifIfdTag);
    if (!pointer || pointer->type != longType || pointer->items != 1 || !reader.u32(pointer->value, exifIfd))
        return facts;
    const auto date = find(exifIfd, dateTimeOriginalTag);
    std::uint32_t offset = 0;
    if (!date || date->type != asciiType || date->items < 19 || date->items > 64 || !reader.u32(date->value, offset)
        || offset > tiffSize || tiffSize - offset < 19)
        return facts;
    const std::string text(reinterpret_cast<const char*>(tiff) + offset, 19);
    if (wellFormedDate(text))
        facts.taken = text;
    return facts;
}

ExifFacts exifFacts(const std::uint8_t* segment, std::size_t size)
{
    static const char exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!segment || size < 14 || std::memcmp(segment, exifHeader, 6) != 0)
        return {};
    return exifFactsOfTiff(segment + 6, size - 6);
}

int exifOrientation(const std::uint8_t* segment, std::size_t size)
{
    return exifFacts(segment, size).orientation;
}

} // namespace album
