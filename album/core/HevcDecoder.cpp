#include "album/core/HevcDecoder.h"

#include "album/core/PictureReader.h"

#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace album {
namespace {

// libheif's own decoder answers 100; a higher number is chosen before it.
constexpr int priority = 200;

const char noText[] = "";

heif_error ok()
{
    return {heif_error_Ok, heif_suberror_Unspecified, noText};
}

heif_error failed(heif_suberror_code why, const char* text)
{
    return {heif_error_Decoder_plugin_error, why, text};
}

std::mutex ceilingMutex;
std::multiset<long long> ceilings;

long long currentCeiling()
{
    const std::lock_guard<std::mutex> lock(ceilingMutex);
    return ceilings.empty() ? PictureReader::maxPixels : *ceilings.rbegin();
}

// Bits of a unit's payload, emulation prevention bytes (0x03 after two
// zeros) taken out as they are read.
class BitReader {
public:
    BitReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool bit(unsigned& out)
    {
        if (bitInByte_ == 8 && !nextByte())
            return false;
        out = (current_ >> (7 - bitInByte_)) & 1u;
        ++bitInByte_;
        return true;
    }
    bool bits(int count, unsigned long long& out)
    {
        out = 0;
        for (int i = 0; i < count; ++i) {
            unsigned b = 0;
            if (!bit(b))
                return false;
            out = out << 1 | b;
        }
        return true;
    }
    bool skip(int count)
    {
        unsigned long long ignored = 0;
        for (; count > 32; count -= 32)
            if (!bits(32, ignored))
                return false;
        return bits(count, ignored);
    }
    // ue(v): an Exp-Golomb number of at most 32 leading zeros.
    bool unsignedGolomb(unsigned long long& out)
    {
        int zeros = 0;
        for (unsigned b = 0;; ++zeros) {
            if (!bit(b))
                return false;
            if (b)
                break;
            if (zeros == 32)
                return false;
        }
        unsigned long long rest = 0;
        if (!bits(zeros, rest))
            return false;
        out = (1ull << zeros) - 1 + rest;
        return true;
    }

private:
    bool nextByte()
    {
        if (at_ >= size_)
            return false;
        if (zeros_ >= 2 && data_[at_] == 3) {
            zeros_ = 0;
            if (++at_ >= size_)
                return false;
        }
        current_ = data_[at_++];
        zeros_ = current_ == 0 ? zeros_ + 1 : 0;
        bitInByte_ = 0;
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int zeros_ = 0;
    unsigned current_ = 0;
    int bitInByte_ = 8;
};

// Below this many pixels a picture decodes on the caller's thread: a
// phone's tiles (512 x 512) are decoded side by side by libheif already,
// and workers of their own only cost their start.
constexpr unsigned long long threadedFrom = 1u << 20;

struct Decoder {
    de265_decoder_context* context = nullptr;
    bool strict = false;
    unsigned long long largest = 0; // pixels of the largest parameter set pushed
};

const char* pluginName()
{
    return "libde265 HEVC decoder, one worker thread per core";
}

void initPlugin()
{
    de265_init();
}

void deinitPlugin()
{
    de265_free();
}

int supports(heif_compression_format format)
{
    return format == heif_compression_HEVC ? priority : 0;
}

heif_error newDecoder(void** decoder)
{
    auto* d = new (std::nothrow) Decoder;
    if (!d)
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, noText};
    d->context = de265_new_decoder();
    if (!d->context) {
        delete d;
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, noText};
    }
    *decoder = d;
    return ok();
}

void freeDecoder(void* decoder)
{
    auto* d = static_cast<Decoder*>(decoder);
    de265_free_decoder(d->context);
    delete d;
}

void setStrict(void* decoder, int flag)
{
    static_cast<Decoder*>(decoder)->strict = flag != 0;
}

// libheif hands over the parameter sets and the picture's data as units
// each led by its length in four bytes; every length is checked against
// what is left before the unit is passed on.
heif_error pushData(void* decoder, const void* data, std::size_t size)
{
    auto* d = static_cast<Decoder*>(decoder);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t at = 0; at < size;) {
        if (size - at < 4)
            return failed(heif_suberror_End_of_data, "a unit's length is cut off");
        const std::uint32_t length = std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16
            | std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        at += 4;
        if (length > size - at || length > 0x7fffffffu)
            return failed(heif_suberror_End_of_data, "a unit is longer than the data");
        if (length >= 2 && ((bytes[at] >> 1) & 0x3f) == 33) {
            unsigned long long width = 0, height = 0;
            if (!hevcSpsSize(bytes + at, length, width, height))
                return failed(heif_suberror_End_of_data, "a sequence parameter set is cut short");
            if (width == 0 || height == 0 || width > 65536 || height > 65536
                || static_cast<long long>(width * height) > currentCeiling())
                return {heif_error_Memory_allocation_error, heif_suberror_Security_limit_exceeded,
                        "the coded picture is larger than the file declares"};
            d->largest = std::max(d->largest, width * height);
        }
        if (!de265_isOK(de265_push_NAL(d->context, bytes + at, static_cast<int>(length), 0, nullptr)))
            return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, noText};
        at += length;
    }
    return ok();
}

// The picture's colour description from its own stream, as libheif's
// decoder gives it; the file's colr box, when there is one, still wins.
heif_error setColourProfile(const Decoder& d, const de265_image* picture, heif_image* image)
{
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    if (!nclx)
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, noText};
    const heif_error steps[] = {
        heif_nclx_color_profile_set_color_primaries(nclx,
                                                    static_cast<std::uint16_t>(de265_get_image_colour_primaries(picture))),
        heif_nclx_color_profile_set_transfer_characteristics(
            nclx, static_cast<std::uint16_t>(de265_get_image_transfer_characteristics(picture))),
        heif_nclx_color_profile_set_matrix_coefficients(
            nclx, static_cast<std::uint16_t>(de265_get_image_matrix_coefficients(picture))),
    };
    for (const heif_error& step : steps) {
        if (step.code == heif_error_Ok)
            continue;
        if (d.strict) {
            heif_nclx_color_profile_free(nclx);
            return step;
        }
        heif_image_add_decoding_warning(image, step);
    }
    nclx->full_range_flag = de265_get_image_full_range_flag(picture) != 0;
    const heif_error set = heif_image_set_nclx_color_profile(image, nclx);
    heif_nclx_color_profile_free(nclx);
    return set;
}

heif_error copyPicture(const Decoder& d, const de265_image* picture, heif_image** out)
{
    const de265_chroma chroma = de265_get_chroma_format(picture);
    const bool mono = chroma == de265_chroma_mono;
    const int bits = de265_get_bits_per_pixel(picture, 0);
    const int planes = mono ? 1 : 3;
    for (int c = 0; c < planes; ++c)
        if (de265_get_bits_per_pixel(picture, c) != bits || de265_get_image_width(picture, c) <= 0
            || de265_get_image_height(picture, c) <= 0)
            return failed(heif_suberror_Invalid_image_size, "the decoded planes do not agree");
    if (bits < 1 || bits > 16)
        return failed(heif_suberror_Unsupported_bit_depth, "unsupported bit depth");

    heif_image* image = nullptr;
    heif_error error = heif_image_create(de265_get_image_width(picture, 0), de265_get_image_height(picture, 0),
                                         mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                                         static_cast<heif_chroma>(chroma), &image);
    if (error.code != heif_error_Ok)
        return error;
    const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    const int bytesPerSample = (bits + 7) / 8;
    for (int c = 0; c < planes && error.code == heif_error_Ok; ++c) {
        const int width = de265_get_image_width(picture, c), height = de265_get_image_height(picture, c);
        int sourceStride = 0, targetStride = 0;
        const std::uint8_t* source = de265_get_image_plane(picture, c, &sourceStride);
        error = heif_image_add_plane(image, channels[c], width, height, bits);
        if (error.code != heif_error_Ok)
            break;
        std::uint8_t* target = heif_image_get_plane(image, channels[c], &targetStride);
        const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerSample;
        if (!source || !target || sourceStride < 0 || static_cast<std::size_t>(sourceStride) < rowBytes
            || targetStride < 0 || static_cast<std::size_t>(targetStride) < rowBytes) {
            error = failed(heif_suberror_Invalid_image_size, "a decoded plane is not whole");
            break;
        }
        for (int y = 0; y < height; ++y)
            std::memcpy(target + static_cast<std::size_t>(y) * targetStride,
                        source + static_cast<std::size_t>(y) * sourceStride, rowBytes);
    }
    if (error.code == heif_error_Ok)
        error = setColourProfile(d, picture, image);
    if (error.code != heif_error_Ok) {
        heif_image_release(image);
        return error;
    }
    *out = image;
    return ok();
}

// A still picture is the stream's first picture; decoding stops there, so
// that a file carrying a long stream costs no more than its first picture.
// A stream that yields no picture is an error, never an empty success.
heif_error decodeImage(void* decoder, heif_image** out)
{
    auto* d = static_cast<Decoder*>(decoder);
    *out = nullptr;
    // With worker threads, the rows of a picture coded for parallel
    // decoding (as phones and x265 code them) go side by side; without
    // them libde265 decodes on this thread alone.
    if (d->largest >= threadedFrom && !de265_isOK(de265_start_worker_threads(d->context, hevcDecoderThreads())))
        return failed(heif_suberror_Unspecified, "libde265 could not start its threads");
    if (!de265_isOK(de265_flush_data(d->context)))
        return failed(heif_suberror_Unspecified, "libde265 did not take the data");
    int more = 1;
    while (more) {
        more = 0;
        const de265_error step = de265_decode(d->context, &more);
        if (const de265_image* picture = de265_get_next_picture(d->context)) {
            const heif_error copied = copyPicture(*d, picture, out);
            de265_release_next_picture(d->context);
            return copied;
        }
        if (step == DE265_ERROR_OUT_OF_MEMORY)
            return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, noText};
        if (step != DE265_OK)
            break;
    }
    return failed(heif_suberror_Unspecified, "the stream holds no picture");
}

const heif_decoder_plugin plugin {
    3,          pluginName, initPlugin, deinitPlugin, supports,   newDecoder,
    freeDecoder, pushData,  decodeImage, setStrict, "libde265-threaded",
};

} // namespace

HevcSizeCeiling::HevcSizeCeiling(long long pixels) : pixels_(pixels)
{
    const std::lock_guard<std::mutex> lock(ceilingMutex);
    ceilings.insert(pixels_);
}

HevcSizeCeiling::~HevcSizeCeiling()
{
    const std::lock_guard<std::mutex> lock(ceilingMutex);
    ceilings.erase(ceilings.find(pixels_));
}

bool hevcSpsSize(const unsigned char* unit, std::size_t size, unsigned long long& width, unsigned long long& height)
{
    if (size < 3 || ((unit[0] >> 1) & 0x3f) != 33)
        return false;
    BitReader r(unit + 2, size - 2);
    unsigned long long v = 0, maxSubLayersMinus1 = 0;
    // Parameter set id, sub-layers, nesting flag; then the profile, tier
    // and level: 88 bits of general profile and 8 of level.
    if (!r.skip(4) || !r.bits(3, maxSubLayersMinus1) || !r.skip(1) || !r.skip(88 + 8))
        return false;
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (unsigned long long i = 0; i < maxSubLayersMinus1; ++i) {
        unsigned p = 0, l = 0;
        if (!r.bit(p) || !r.bit(l))
            return false;
        profilePresent[i] = p != 0, levelPresent[i] = l != 0;
    }
    if (maxSubLayersMinus1 > 0 && !r.skip(2 * static_cast<int>(8 - maxSubLayersMinus1)))
        return false;
    for (unsigned long long i = 0; i < maxSubLayersMinus1; ++i)
        if ((profilePresent[i] && !r.skip(88)) || (levelPresent[i] && !r.skip(8)))
            return false;
    unsigned long long chroma = 0;
    if (!r.unsignedGolomb(v) || !r.unsignedGolomb(chroma) || (chroma == 3 && !r.skip(1)))
        return false;
    return r.unsignedGolomb(width) && r.unsignedGolomb(height);
}

int hevcDecoderThreads()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void useThreadedHevcDecoder()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_register_decoder_plugin(&plugin); });
}

} // namespace album
