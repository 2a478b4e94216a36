// libFuzzer target for what the album program reads from a received album.
// The first byte picks the reader, the rest is its input:
//   0  the album data file ___gm___.dat
//   1  an Exif block (APP1 body, and the same bytes as a bare TIFF block)
//   2  a voice file
//   3  a whole album archive, read back into an album
//   4  a picture (JPEG, PNG, WebP or HEIC, told by content) fitted to 400 px
// Every reader must refuse or succeed without touching memory it does not
// own or allocating what the input cannot hold, and a read-back leaves its
// scratch folder empty however it ends.

#include "album/core/Album.h"
#include "album/core/AlbumDataFile.h"
#include "album/core/AlbumError.h"
#include "album/core/AlbumPublisher.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/ExifOrientation.h"
#include "album/core/PictureReader.h"
#include "album/core/VoiceFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string scratch;
std::unique_ptr<album::CvclibLibrary> library;
std::unique_ptr<styles::GMStyleHost> noStyles;

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/cv-album-fuzz-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    scratch = pattern;
    fs::create_directories(scratch + "/tmp");
    fs::create_directories(scratch + "/album");
    ::setenv("TMPDIR", (scratch + "/tmp").c_str(), 1);
    library = std::make_unique<album::CvclibLibrary>(CV_BIN_DIR);
    noStyles = std::make_unique<styles::GMStyleHost>(std::string {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t which = data[0] % 5;
    ++data;
    --size;
    switch (which) {
    case 0:
        try {
            const album::AlbumData read =
                album::AlbumDataFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), 64);
            // What was read is written back as it is.
            (void)album::AlbumDataFile::serialize(read);
        } catch (const album::AlbumError&) {
        }
        break;
    case 1: {
        const int o = album::exifOrientation(data, size);
        const album::ExifFacts facts = album::exifFactsOfTiff(data, size);
        if (o < 1 || o > 8 || facts.orientation < 1 || facts.orientation > 8 || (facts.taken && facts.taken->size() != 19))
            std::abort();
        break;
    }
    case 2: {
        const std::string path = scratch + "/voice.wav";
        writeInput(path, data, size);
        std::vector<std::uint8_t> samples;
        if (album::VoiceFile::read(path, samples) && samples.size() > album::VoiceFile::maxSamples)
            std::abort();
        ::unlink(path.c_str());
        break;
    }
    case 4: {
        const std::string path = scratch + "/picture";
        writeInput(path, data, size);
        try {
            const album::DecodedPicture picture = album::PictureReader::readFitted(path, {400, 400}, "picture");
            if (picture.image.width < 1 || picture.image.width > 400 || picture.image.height < 1
                || picture.image.height > 400
                || picture.image.pixels.size() != std::size_t(picture.image.width) * picture.image.height * 3)
                std::abort();
        } catch (const album::AlbumError&) {
        }
        ::unlink(path.c_str());
        break;
    }
    default: {
        const std::string path = scratch + "/album.gpa";
        writeInput(path, data, size);
        {
            album::Album album(scratch + "/album");
            try {
                album::AlbumPublisher(*library, *noStyles).readBack(path, album);
            } catch (const album::AlbumError&) {
            }
        }
        ::unlink(path.c_str());
        // The read-back's own folder is gone however it ended; what an
        // accepted album placed in its folder is cleared for the next input.
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(scratch + "/album", ec))
            if (entry.path().filename().string().rfind(".readback-", 0) == 0)
                std::abort();
        fs::remove_all(scratch + "/album", ec);
        fs::create_directories(scratch + "/album", ec);
        if (!fs::is_empty(scratch + "/tmp", ec))
            std::abort();
        break;
    }
    }
    return 0;
}
