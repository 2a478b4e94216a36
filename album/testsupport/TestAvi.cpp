#include "album/testsupport/TestAvi.h"

#include "album/testsupport/TestJpeg.h"

#include <cstdint>
#include <vector>

namespace albumtest {
namespace {

class Bytes {
public:
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u16(std::uint16_t v)
    {
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void fourcc(const char* f) { data.insert(data.end(), f, f + 4); }
    void append(const std::vector<std::uint8_t>& bytes) { data.insert(data.end(), bytes.begin(), bytes.end()); }
    void set32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    // Opens a chunk (or a LIST with its type); close() fills in its size.
    std::size_t open(const char* id, const char* listType = nullptr)
    {
        fourcc(id);
        const std::size_t at = data.size();
        u32(0);
        if (listType)
            fourcc(listType);
        return at;
    }
    void close(std::size_t at)
    {
        set32(at, static_cast<std::uint32_t>(data.size() - at - 4));
        if (data.size() % 2)
            data.push_back(0);
    }
    std::vector<std::uint8_t> data;
};

} // namespace

void writeMjpegAvi(const std::string& path, int width, int height, int frames, int framesPerSecond)
{
    std::vector<std::vector<std::uint8_t>> images;
    std::size_t largest = 0;
    for (int f = 0; f < frames; ++f) {
        images.push_back(encodeJpeg(width, height,
                                    flat(width, static_cast<std::uint8_t>(40 + 20 * f), 120,
                                         static_cast<std::uint8_t>(200 - 15 * f))));
        largest = std::max(largest, images.back().size());
    }
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);

    Bytes b;
    const std::size_t riff = b.open("RIFF", "AVI ");
    const std::size_t hdrl = b.open("LIST", "hdrl");
    const std::size_t avih = b.open("avih");
    b.u32(1000000 / static_cast<std::uint32_t>(framesPerSecond));
    b.u32(static_cast<std::uint32_t>(largest) * static_cast<std::uint32_t>(framesPerSecond));
    b.u32(0);
    b.u32(0x10); // has an index
    b.u32(static_cast<std::uint32_t>(frames));
    b.u32(0);
    b.u32(1);
    b.u32(static_cast<std::uint32_t>(largest));
    b.u32(w);
    b.u32(h);
    for (int i = 0; i < 4; ++i)
        b.u32(0);
    b.close(avih);
    const std::size_t strl = b.open("LIST", "strl");
    const std::size_t strh = b.open("strh");
    b.fourcc("vids");
    b.fourcc("MJPG");
    b.u32(0);
    b.u16(0);
    b.u16(0);
    b.u32(0);
    b.u32(1);
    b.u32(static_cast<std::uint32_t>(framesPerSecond));
    b.u32(0);
    b.u32(static_cast<std::uint32_t>(frames));
    b.u32(static_cast<std::uint32_t>(largest));
    b.u32(0xFFFFFFFF);
    b.u32(0);
    b.u16(0);
    b.u16(0);
    b.u16(static_cast<std::uint16_t>(w));
    b.u16(static_cast<std::uint16_t>(h));
    b.close(strh);
    const std::size_t strf = b.open("strf");
    b.u32(40);
    b.u32(w);
    b.u32(h);
    b.u16(1);
    b.u16(24);
    b.fourcc("MJPG");
    b.u32(w * h * 3);
    b.u32(0);
    b.u32(0);
    b.u32(0);
    b.u32(0);
    b.close(strf);
    b.close(strl);
    b.close(hdrl);

    const std::size_t movi = b.open("LIST", "movi");
    const std::size_t moviType = movi + 4;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> index;
    for (const auto& image : images) {
        index.emplace_back(static_cast<std::uint32_t>(b.data.size() - moviType), static_cast<std::uint32_t>(image.size()));
        const std::size_t frame = b.open("00dc");
        b.append(image);
        b.close(frame);
    }
    b.close(movi);
    const std::size_t idx1 = b.open("idx1");
    for (const auto& [offset, size] : index) {
        b.fourcc("00dc");
        b.u32(0x10);
        b.u32(offset);
        b.u32(size);
    }
    b.close(idx1);
    b.close(riff);
    writeBytes(path, b.data);
}

} // namespace albumtest
