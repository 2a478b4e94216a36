#include "album/core/JpegReader.h"

#include "album/core/AreaScaler.h"
#include "album/core/ExifOrientation.h"
#include "album/core/JpegErrorManager.h"
#include "album/core/PictureTransforms.h"
#include "album/core/WorkControl.h"

#include <jerror.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace album {
namespace {

constexpr unsigned exifMarker = JPEG_APP0 + 1;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// One libjpeg decompression. Every libjpeg call stands in a function of its
// own with the setjmp for its errors and nothing there to destroy, so the
// jump back never skips a destructor.
// Called by libjpeg as it reads; ends the decoding of a picture with too
// many scans by the same jump as an error.
void watchScans(j_common_ptr common)
{
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > JpegReader::maxScans) {
        auto& errors = *reinterpret_cast<JpegErrorManager*>(common->err);
        errors.tooManyScans = true;
        std::longjmp(errors.jump, 1);
    }
}

class Decompression {
public:
    Decompression()
    {
        errors_.attach(*reinterpret_cast<jpeg_common_struct*>(&info_));
        progress_.progress_monitor = watchScans;
    }
    ~Decompression()
    {
        if (created_)
            jpeg_destroy_decompress(&info_);
    }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    jpeg_decompress_struct& info() { return info_; }
    const JpegErrorManager& errors() const { return errors_; }

    bool create(std::FILE* file)
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.progress = &progress_;
        jpeg_stdio_src(&info_, file);
        jpeg_save_markers(&info_, exifMarker, 0xFFFF);
        return true;
    }
    bool readHeader()
    {
        if (setjmp(errors_.jump))
            return false;
        return jpeg_read_header(&info_, TRUE) == JPEG_HEADER_OK;
    }
    bool calculateOutput()
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_calc_output_dimensions(&info_);
        return true;
    }
    bool start()
    {
        if (setjmp(errors_.jump))
            return false;
        return jpeg_start_decompress(&info_) == TRUE;
    }
    bool readRows(JSAMPARRAY rows, JDIMENSION max, JDIMENSION& got)
    {
        if (setjmp(errors_.jump))
            return false;
        got = jpeg_read_scanlines(&info_, rows, max);
        return true;
    }
    bool finish()
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_finish_decompress(&info_);
        return true;
    }

private:
    jpeg_decompress_struct info_ {};
    JpegErrorManager errors_ {};
    jpeg_progress_mgr progress_ {};
    bool created_ = false;
};

// The orientation and shooting date of the first Exif block that has them.
ExifFacts exifOf(jpeg_decompress_struct& info)
{
    ExifFacts found;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == exifMarker) {
            const ExifFacts facts = exifFacts(m->data, m->data_length);
            if (found.orientation == 1)
                found.orientation = facts.orientation;
            if (!found.taken)
                found.taken = facts.taken;
        }
    return found;
}

// The memory the decoder keeps for a picture of several scans: every
// coefficient of every component.
long long coefficientBytes(const jpeg_decompress_struct& info)
{
    long long total = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        const long long wide = (comp.width_in_blocks + comp.h_samp_factor - 1) / comp.h_samp_factor * comp.h_samp_factor;
        const long long high = (comp.height_in_blocks + comp.v_samp_factor - 1) / comp.v_samp_factor * comp.v_samp_factor;
        total += wide * high * static_cast<long long>(sizeof(JBLOCK));
    }
    return total;
}

// The largest DCT reduction (1/2, 1/4 or 1/8) that still leaves at least
// the target size; none unless the picture is at least twice the target.
int reductionFor(PictureSize stored, PictureSize target)
{
    if (stored.width < 2 * target.width || stored.height < 2 * target.height)
        return 1;
    for (int denominator : {8, 4, 2}) {
        const int w = (stored.width + denominator - 1) / denominator;
        const int h = (stored.height + denominator - 1) / denominator;
        if (w >= target.width && h >= target.height)
            return denominator;
    }
    return 1;
}

// CMYK rows to RGB. Adobe's files store the inks inverted (255 = no ink).
void cmykToRgb(const std::uint8_t* in, std::uint8_t* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
    }
}

[[noreturn]] void refuse(const JpegErrorManager& errors, const std::string& name)
{
    if (errors.tooManyScans)
        throw AlbumError(formatText(texts::jpegTooManyScans, name));
    switch (errors.lastCode) {
    case JERR_NO_SOI:
    case JERR_INPUT_EMPTY:
        throw AlbumError(formatText(texts::notJpeg, name));
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        throw AlbumError(formatText(texts::jpegTooLarge, name));
    default:
        throw AlbumError(formatText(texts::brokenJpeg, name));
    }
}

} // namespace

DecodedPicture JpegReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                      WorkControl* control)
{
    std::vector<char> streamBuffer(1 << 16);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw AlbumError(formatText(texts::pictureNotReadable, displayName));
    std::setvbuf(file.get(), streamBuffer.data(), _IOFBF, streamBuffer.size());

    Decompression jpeg;
    if (!jpeg.create(file.get()))
        throw AlbumError(formatText(texts::pictureNotReadable, displayName));
    jpeg_decompress_struct& info = jpeg.info();
    info.mem->max_memory_to_use = maxCoefficientBytes;
    if (!jpeg.readHeader())
        refuse(jpeg.errors(), displayName);
    if (info.image_width < 1 || info.image_height < 1)
        throw AlbumError(formatText(texts::notJpeg, displayName));
    if (jpeg_has_multiple_scans(&info) && coefficientBytes(info) > maxCoefficientBytes)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));

    DecodedPicture result;
    const ExifFacts exif = exifOf(info);
    result.orientation = exif.orientation;
    result.taken = exif.taken.value_or(std::string());
    const bool turned = result.orientation >= 5;
    const PictureSize stored {static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
    result.source = turned ? PictureSize {stored.height, stored.width} : stored;
    const PictureSize fitted = fitToLimit(result.source, limit);
    const PictureSize target = turned ? PictureSize {fitted.height, fitted.width} : fitted;

    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(reductionFor(stored, target));
    // Chroma is averaged away when the picture shrinks by half or more; the
    // smoother upsampling would only cost time.
    const bool shrinksMuch = stored.width / static_cast<int>(info.scale_denom) >= 2 * target.width;
    info.do_fancy_upsampling = shrinksMuch ? FALSE : TRUE;
    if (!jpeg.calculateOutput() || !jpeg.start())
        refuse(jpeg.errors(), displayName);

    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const int components = info.output_components;
    if (components != (cmyk ? 4 : 3))
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    AreaScaler scaler(width, height, std::min(target.width, width), std::min(target.height, height));

    const int batch = std::max(1, info.rec_outbuf_height);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * components * batch);
    std::vector<JSAMPROW> pointers(static_cast<std::size_t>(batch));
    for (int i = 0; i < batch; ++i)
        pointers[static_cast<std::size_t>(i)] = rows.data() + static_cast<std::size_t>(i) * width * components;
    std::vector<std::uint8_t> rgb(cmyk ? static_cast<std::size_t>(width) * 3 : 0);
    const bool inverted = info.saw_Adobe_marker;

    while (info.output_scanline < info.output_height) {
        JDIMENSION got = 0;
        if (!jpeg.readRows(pointers.data(), static_cast<JDIMENSION>(batch), got))
            refuse(jpeg.errors(), displayName);
        if (jpeg.errors().dataLost)
            throw AlbumError(formatText(texts::brokenJpeg, displayName));
        for (JDIMENSION r = 0; r < got; ++r) {
            const std::uint8_t* row = pointers[r];
            if (cmyk) {
                cmykToRgb(row, rgb.data(), width, inverted);
                row = rgb.data();
            }
            scaler.addRow(row);
        }
        if (control) {
            control->checkStop();
            control->setPermille(static_cast<int>(1000LL * info.output_scanline / info.output_height));
        }
    }
    if (!jpeg.finish())
        refuse(jpeg.errors(), displayName);
    if (jpeg.errors().dataLost)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));

    result.image = orientUpright(scaler.take(), result.orientation);
    return result;
}

} // namespace album
