#include "album/core/JpegWriter.h"

#include "album/core/JpegErrorManager.h"

#include "platform/AtomicFile.h"

#include <cstdlib>

namespace album {
namespace {

// One libjpeg compression into memory; as with decoding, every libjpeg call
// has its setjmp in a frame with nothing to destroy.
class Compression {
public:
    Compression() { errors_.attach(*reinterpret_cast<jpeg_common_struct*>(&info_)); }
    ~Compression()
    {
        if (created_)
            jpeg_destroy_compress(&info_);
        std::free(buffer_);
    }
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;

    bool run(const Image& picture)
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_mem_dest(&info_, &buffer_, &size_);
        info_.image_width = static_cast<JDIMENSION>(picture.width);
        info_.image_height = static_cast<JDIMENSION>(picture.height);
        info_.input_components = 3;
        info_.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, JpegWriter::quality, TRUE);
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(picture.row(static_cast<int>(info_.next_scanline)));
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
        return true;
    }

    const unsigned char* data() const { return buffer_; }
    std::size_t size() const { return size_; }

private:
    jpeg_compress_struct info_ {};
    JpegErrorManager errors_ {};
    bool created_ = false;
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
};

} // namespace

std::vector<unsigned char> JpegWriter::encode(const Image& picture)
{
    if (picture.width < 1 || picture.height < 1)
        return {};
    Compression jpeg;
    if (!jpeg.run(picture))
        return {};
    return std::vector<unsigned char>(jpeg.data(), jpeg.data() + jpeg.size());
}

bool JpegWriter::write(const Image& picture, const std::string& path)
{
    if (picture.width < 1 || picture.height < 1)
        return false;
    Compression jpeg;
    if (!jpeg.run(picture))
        return false;
    return platform::AtomicFile::writeWhole(
        path, std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()));
}

} // namespace album
