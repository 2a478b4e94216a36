#pragma once
// The HEVC decoder libheif uses for the album's pictures: libde265, as
// libheif's own, but with a worker thread per core, so that a phone's
// picture, coded in rows that decode side by side, takes every core
// instead of one.

#include <cstddef>

namespace album {

// Registers the decoder with libheif, once; later calls do nothing.
// Pictures decoded afterwards in this process use it.
void useThreadedHevcDecoder();

// How many worker threads each decode starts.
int hevcDecoderThreads();

// While one lives, a coded picture may be as large as `pixels` (the
// largest of all that live counts; with none, PictureReader's bound). The
// size a picture's sequence parameter set declares is checked against it
// before libde265 sees the data, so a file that declares a small picture
// in its boxes and codes a huge one is refused before the decoder
// allocates anything.
class HevcSizeCeiling {
public:
    explicit HevcSizeCeiling(long long pixels);
    ~HevcSizeCeiling();
    HevcSizeCeiling(const HevcSizeCeiling&) = delete;
    HevcSizeCeiling& operator=(const HevcSizeCeiling&) = delete;

private:
    long long pixels_;
};

// The width and height a sequence parameter set (a whole unit, its
// two-byte header first, emulation prevention bytes in place) declares;
// false when it is cut short or is no sequence parameter set.
bool hevcSpsSize(const unsigned char* unit, std::size_t size, unsigned long long& width, unsigned long long& height);

} // namespace album
