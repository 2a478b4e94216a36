#pragma once
// Short videos in the containers phones and browsers use, made in code for
// the video dialog: Motion-JPEG or HEVC (as phones shoot) in an
// ISO/QuickTime file (.mp4, .mov), and Motion-JPEG in a Matroska file with
// the WebM document type (.webm). Each frame is a flat colour that changes
// from frame to frame.

#include "album/testsupport/TestJpeg.h"
#include "album/testsupport/TestPictures.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glimmoratest {

namespace movies {

using Bytes = std::vector<std::uint8_t>;

inline std::vector<Bytes> frames(int width, int height, int count)
{
    std::vector<Bytes> out;
    for (int f = 0; f < count; ++f)
        out.push_back(albumtest::encodeJpeg(
            width, height, albumtest::flat(width, static_cast<std::uint8_t>(40 + 20 * f), 120, 200)));
    return out;
}

inline void put32(Bytes& b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

inline void putText(Bytes& b, const char* text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(text[i]));
}

// An ISO box: size, type, then `body`.
inline Bytes box(const char* type, const Bytes& body)
{
    Bytes b;
    put32(b, static_cast<std::uint32_t>(body.size() + 8));
    putText(b, type, 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& part : parts)
        b.insert(b.end(), part.begin(), part.end());
    return b;
}

inline void putMatrix(Bytes& b)
{
    for (std::uint32_t v : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
        put32(b, v);
}

// An EBML element: its ID as written, its size as an 8-byte number, `body`.
inline Bytes element(std::uint32_t id, const Bytes& body)
{
    Bytes b;
    for (int shift = 24; shift >= 0; shift -= 8)
        if (const auto byte = static_cast<std::uint8_t>(id >> shift); byte || !b.empty())
            b.push_back(byte);
    b.push_back(0x01);
    for (int shift = 48; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(body.size()) >> shift));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes unsignedValue(std::uint64_t v)
{
    Bytes b;
    for (int shift = 56; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(v >> shift));
    return b;
}

inline Bytes textValue(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The same flat frames, each coded by x265 as a picture of its own, and the
// hvcC box they share (the same size and settings give the same headers).
inline std::vector<Bytes> hevcFrames(int width, int height, int count, Bytes& hvcc)
{
    std::vector<Bytes> out;
    for (int f = 0; f < count; ++f) {
        albumtest::RgbaPicture picture {width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 255)};
        for (std::size_t i = 0; i < picture.pixels.size(); i += 4)
            picture.pixels[i] = static_cast<std::uint8_t>(40 + 20 * f), picture.pixels[i + 1] = 120,
            picture.pixels[i + 2] = 200;
        albumtest::HevcStill still = albumtest::encodeHevcStill(picture);
        if (hvcc.empty())
            hvcc = std::move(still.hvcc);
        out.push_back(std::move(still.coded));
    }
    return out;
}

} // namespace movies

enum class VideoCodec { Mjpeg, Hevc };

// `quickTime` writes the QuickTime brand (.mov), else the ISO one (.mp4).
inline void writeMp4(const std::string& path, VideoCodec codec, int width, int height, bool quickTime, int count = 10,
                     int framesPerSecond = 10)
{
    using namespace movies;
    Bytes hvcc;
    const std::vector<Bytes> pictures =
        codec == VideoCodec::Hevc ? hevcFrames(width, height, count, hvcc) : frames(width, height, count);
    const std::uint32_t duration = static_cast<std::uint32_t>(1000 * count / framesPerSecond);

    Bytes brands;
    putText(brands, quickTime ? "qt  " : "isom", 4);
    put32(brands, 0x200);
    putText(brands, quickTime ? "qt  " : "isomiso2mp41", quickTime ? 4 : 12);
    const Bytes ftyp = box("ftyp", brands);
    Bytes data;
    for (const Bytes& p : pictures)
        data.insert(data.end(), p.begin(), p.end());
    const Bytes mdat = box("mdat", data);

    Bytes mvhd(4, 0);
    put32(mvhd, 0), put32(mvhd, 0), put32(mvhd, 1000), put32(mvhd, duration);
    put32(mvhd, 0x00010000), put16(mvhd, 0x0100), mvhd.resize(mvhd.size() + 10, 0);
    putMatrix(mvhd), mvhd.resize(mvhd.size() + 24, 0), put32(mvhd, 2);
    Bytes tkhd {0, 0, 0, 3};
    put32(tkhd, 0), put32(tkhd, 0), put32(tkhd, 1), put32(tkhd, 0), put32(tkhd, duration);
    tkhd.resize(tkhd.size() + 8, 0), put16(tkhd, 0), put16(tkhd, 0), put16(tkhd, 0), put16(tkhd, 0);
    putMatrix(tkhd), put32(tkhd, static_cast<std::uint32_t>(width) << 16),
        put32(tkhd, static_cast<std::uint32_t>(height) << 16);
    Bytes mdhd(4, 0);
    put32(mdhd, 0), put32(mdhd, 0), put32(mdhd, 1000), put32(mdhd, duration), put16(mdhd, 0x55C4), put16(mdhd, 0);
    Bytes hdlr(8, 0);
    putText(hdlr, "vide", 4), hdlr.resize(hdlr.size() + 12, 0), putText(hdlr, "VideoHandler", 13);
    Bytes vmhd {0, 0, 0, 1};
    vmhd.resize(vmhd.size() + 8, 0);
    Bytes dref(4, 0);
    put32(dref, 1);
    dref = join({dref, box("url ", Bytes {0, 0, 0, 1})});

    Bytes entry(6, 0);
    put16(entry, 1), entry.resize(entry.size() + 16, 0), put16(entry, static_cast<std::uint16_t>(width)),
        put16(entry, static_cast<std::uint16_t>(height)), put32(entry, 0x00480000), put32(entry, 0x00480000),
        put32(entry, 0), put16(entry, 1), entry.resize(entry.size() + 32, 0), put16(entry, 24), put16(entry, 0xFFFF);
    Bytes stsd(4, 0);
    put32(stsd, 1);
    if (codec == VideoCodec::Hevc)
        entry.insert(entry.end(), hvcc.begin(), hvcc.end());
    stsd = join({stsd, box(codec == VideoCodec::Hevc ? "hvc1" : "jpeg", entry)});
    Bytes stts(4, 0);
    put32(stts, 1), put32(stts, static_cast<std::uint32_t>(count)),
        put32(stts, static_cast<std::uint32_t>(1000 / framesPerSecond));
    Bytes stsc(4, 0);
    put32(stsc, 1), put32(stsc, 1), put32(stsc, static_cast<std::uint32_t>(count)), put32(stsc, 1);
    Bytes stsz(4, 0);
    put32(stsz, 0), put32(stsz, static_cast<std::uint32_t>(count));
    for (const Bytes& p : pictures)
        put32(stsz, static_cast<std::uint32_t>(p.size()));
    Bytes stco(4, 0);
    put32(stco, 1), put32(stco, static_cast<std::uint32_t>(ftyp.size() + 8));

    const Bytes stbl = box("stbl", join({box("stsd", stsd), box("stts", stts), box("stsc", stsc),
                                         box("stsz", stsz), box("stco", stco)}));
    const Bytes minf = box("minf", join({box("vmhd", vmhd), box("dinf", box("dref", dref)), stbl}));
    const Bytes mdia = box("mdia", join({box("mdhd", mdhd), box("hdlr", hdlr), minf}));
    const Bytes moov = box("moov", join({box("mvhd", mvhd), box("trak", join({box("tkhd", tkhd), mdia}))}));
    albumtest::writeBytes(path, join({ftyp, mdat, moov}));
}

inline void writeMjpegMp4(const std::string& path, int width, int height, bool quickTime, int count = 10,
                          int framesPerSecond = 10)
{
    writeMp4(path, VideoCodec::Mjpeg, width, height, quickTime, count, framesPerSecond);
}

// `codec` is the Matroska codec ID; one the system lacks makes a file that
// cannot be played.
inline void writeMjpegWebm(const std::string& path, int width, int height, const std::string& codec = "V_MJPEG",
                           int count = 10, int framesPerSecond = 10)
{
    using namespace movies;
    const Bytes header = element(0x1A45DFA3, join({element(0x4286, unsignedValue(1)), element(0x42F7, unsignedValue(1)),
                                                   element(0x42F2, unsignedValue(4)), element(0x42F3, unsignedValue(8)),
                                                   element(0x4282, textValue("webm")),
                                                   element(0x4287, unsignedValue(2)),
                                                   element(0x4285, unsignedValue(2))}));
    const Bytes info = element(0x1549A966, join({element(0x2AD7B1, unsignedValue(1000000)),
                                                 element(0x4D80, textValue("glimmora test")),
                                                 element(0x5741, textValue("glimmora test"))}));
    const Bytes video = element(0xE0, join({element(0xB0, unsignedValue(static_cast<std::uint64_t>(width))),
                                            element(0xBA, unsignedValue(static_cast<std::uint64_t>(height)))}));
    const Bytes track = element(0xAE, join({element(0xD7, unsignedValue(1)), element(0x73C5, unsignedValue(1)),
                                            element(0x83, unsignedValue(1)), element(0x86, textValue(codec)),
                                            video}));
    const Bytes tracks = element(0x1654AE6B, track);
    Bytes blocks = element(0xE7, unsignedValue(0));
    const std::vector<Bytes> pictures = frames(width, height, count);
    for (int f = 0; f < count; ++f) {
        const int ms = 1000 * f / framesPerSecond;
        Bytes block {0x81, static_cast<std::uint8_t>(ms >> 8), static_cast<std::uint8_t>(ms), 0x80};
        block.insert(block.end(), pictures[static_cast<std::size_t>(f)].begin(),
                     pictures[static_cast<std::size_t>(f)].end());
        blocks = join({blocks, element(0xA3, block)});
    }
    const Bytes segment = element(0x18538067, join({info, tracks, element(0x1F43B675, blocks)}));
    albumtest::writeBytes(path, join({header, segment}));
}

} // namespace glimmoratest
