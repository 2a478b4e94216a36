// Pictures from phones and chat programs: HEIC in every orientation (by the
// file's own transforms and by Exif, never both), tiled, with alpha and of
// ten bits, PNG of every kind and WebP of every kind, each written as the
// JPEG the album keeps and compared by pixels with the upright picture;
// files that declare too much or are cut short are refused with their
// name, leaving nothing.

#include "album/core/AlbumError.h"
#include "album/core/HevcDecoder.h"
#include "album/core/ItemPreparer.h"
#include "album/core/JpegReader.h"
#include "album/core/JpegWriter.h"
#include "album/core/PictureFormat.h"
#include "album/core/PictureReader.h"
#include "album/testsupport/TestJpeg.h"
#include "album/testsupport/TestPictures.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

using namespace album;
using namespace albumtest;
namespace fs = std::filesystem;

namespace {

class PictureFormatsTest : public ::testing::Test {
protected:
    PictureFormatsTest() { fs::create_directories(albumFolder()); }
    std::string path(const std::string& name) const { return (folder.path() / name).string(); }
    fs::path albumFolder() const { return folder.path() / "album"; }

    // Prepared as the album prepares an added picture, then the JPEG it
    // wrote read back.
    Image published(const std::string& file, const std::string& saveName)
    {
        PendingAddition addition;
        addition.sourcePath = file;
        addition.saveName = saveName;
        const PreparedItem prepared = ItemPreparer::prepare(addition, albumFolder().string(), {400, 400});
        EXPECT_EQ(PictureFormats::sniff(prepared.item.workingPath), PictureFormat::Jpeg);
        Image image = JpegReader::readFitted(prepared.item.workingPath, {65500, 65500}, saveName).image;
        EXPECT_EQ(image.width, prepared.item.width);
        EXPECT_EQ(image.height, prepared.item.height);
        fs::remove(prepared.item.workingPath);
        return image;
    }
    // What the album keeps of a picture it wrote as it is: the JPEG at
    // quality 80 costs the hard edges of these pictures some 9 levels.
    Image throughJpeg(const Image& picture)
    {
        const std::string p = path("reference.jpg");
        EXPECT_TRUE(JpegWriter::write(picture, p));
        return JpegReader::readFitted(p, {65500, 65500}, "reference.jpg").image;
    }
    std::string refusal(const std::string& file)
    {
        PendingAddition addition;
        addition.sourcePath = file;
        addition.saveName = "x.jpg";
        try {
            ItemPreparer::prepare(addition, albumFolder().string(), {400, 400});
        } catch (const AlbumError& e) {
            return e.what();
        }
        return "accepted";
    }

    stylestest::ScratchFolder folder {"CValbumfmt"};
};

} // namespace

TEST_F(PictureFormatsTest, HeicStandsUprightOnceInEveryOrientation)
{
    const RgbaPicture upright = quarters(96, 64, false);
    const Image expected = throughJpeg(overWhite(upright));
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const RgbaPicture stored = storedFor(upright, o);
        // Turned by the file's own transform, with the same orientation in
        // its Exif block as phones write it: applied once.
        HeicOptions byTransform;
        byTransform.transform = o;
        byTransform.exifOrientation = o;
        writeHeic(path("t.heic"), stored, byTransform);
        EXPECT_EQ(PictureFormats::sniff(path("t.heic")), PictureFormat::Heif);
        const std::vector<std::uint8_t> file = readBytes(path("t.heic"));
        auto has = [&](const char* box) { return std::search(file.begin(), file.end(), box, box + 4) != file.end(); };
        EXPECT_EQ(has("irot") || has("imir"), o != 1);
        EXPECT_LT(rmse(published(path("t.heic"), "t.jpg"), expected), 4.0);
        // Turned by Exif alone.
        HeicOptions byExif;
        byExif.exifOrientation = o;
        writeHeic(path("e.heic"), stored, byExif);
        EXPECT_LT(rmse(published(path("e.heic"), "e.jpg"), expected), 4.0);
    }
    // Fitted by the album's rule like any picture: 800 x 600 becomes 400 x 300.
    writeHeic(path("big.heic"), quarters(800, 600, false));
    const Image big = published(path("big.heic"), "big.jpg");
    EXPECT_EQ(big.width, 400);
    EXPECT_EQ(big.height, 300);
    EXPECT_TRUE(fs::is_empty(albumFolder()));
}

// A phone writes its picture as a grid of separately coded tiles, cropped
// at the edges, with the turn on the grid and the same turn in Exif.
TEST_F(PictureFormatsTest, ATiledPhonePictureIsAssembledUprightWithItsDate)
{
    const RgbaPicture upright = quarters(360, 240, false);
    const Image expected = throughJpeg(overWhite(upright));
    HeicOptions phone;
    phone.transform = 6;
    phone.exifOrientation = 6;
    phone.taken = "2026:05:04 09:08:07";
    writeTiledHeic(path("tiled.heic"), storedFor(upright, 6), 128, phone);
    EXPECT_EQ(PictureFormats::sniff(path("tiled.heic")), PictureFormat::Heif);
    EXPECT_LT(rmse(published(path("tiled.heic"), "t.jpg"), expected), 4.0);
    EXPECT_EQ(PictureReader::readFitted(path("tiled.heic"), {400, 400}, "t.jpg").taken, "2026:05:04 09:08:07");

    // Cropped by a clean aperture, then turned: libheif applies both.
    RgbaPicture centre {180, 120, {}};
    for (int y = 60; y < 180; ++y)
        centre.pixels.insert(centre.pixels.end(), upright.pixels.begin() + (std::size_t(y) * 360 + 90) * 4,
                             upright.pixels.begin() + (std::size_t(y) * 360 + 270) * 4);
    HeicOptions cropped = phone;
    cropped.cropToCentre = true;
    writeTiledHeic(path("cropped.heic"), storedFor(upright, 6), 128, cropped);
    EXPECT_LT(rmse(published(path("cropped.heic"), "c.jpg"), throughJpeg(overWhite(centre))), 4.0);

    // Without a turn of its own (the file holds an irot property, but not
    // for this picture), the Exif orientation turns it.
    HeicOptions byExif;
    byExif.exifOrientation = 8;
    writeTiledHeic(path("exif.heic"), storedFor(upright, 8), 64, byExif, GridData::InMdat);
    EXPECT_LT(rmse(published(path("exif.heic"), "e.jpg"), expected), 4.0);
    EXPECT_TRUE(fs::is_empty(albumFolder()));
}

// The size check reads the sequence parameter set x265 writes. The coded
// picture is the picture rounded up to whole blocks (the encoder pads
// it), so it is exact for sides of whole 64-pixel blocks, else at most 63
// more.
TEST_F(PictureFormatsTest, TheCodedSizeIsReadFromTheParameterSet)
{
    for (const auto& [width, height] : {std::pair {200, 120}, std::pair {101, 61}, std::pair {4032, 24}, std::pair {256, 128}}) {
        const HevcStill still = encodeHevcStill(quarters(width, height, false));
        // hvcC: 22 bytes of configuration, then arrays of units by type.
        const std::vector<std::uint8_t>& c = still.hvcc;
        ASSERT_GT(c.size(), 8u + 23u);
        std::size_t at = 8 + 23;
        unsigned long long w = 0, h = 0;
        bool found = false;
        std::size_t sps = 0;
        for (int array = 0; array < c[8 + 22] && at + 3 <= c.size(); ++array) {
            const int type = c[at] & 0x3f, units = c[at + 1] << 8 | c[at + 2];
            at += 3;
            for (int u = 0; u < units && at + 2 <= c.size(); ++u) {
                const std::size_t length = std::size_t(c[at]) << 8 | c[at + 1];
                if (type == 33)
                    found = hevcSpsSize(&c[at + 2], length, w, h), sps = at + 2;
                at += 2 + length;
            }
        }
        ASSERT_TRUE(found) << width << "x" << height;
        for (const auto& [coded, side] : {std::pair {w, width}, std::pair {h, height}}) {
            const auto s = static_cast<unsigned long long>(side);
            if (side % 64 == 0) {
                EXPECT_EQ(coded, s) << width << "x" << height;
            }
            EXPECT_GE(coded, s) << width << "x" << height;
            EXPECT_LT(coded, s + 64) << width << "x" << height;
        }
        // Cut before its size, it declares none.
        EXPECT_FALSE(hevcSpsSize(&c[sps], 8, w, h));
    }
}

TEST_F(PictureFormatsTest, PngWebpAndHeicOfEveryKindMatchTheirPicture)
{
    const RgbaPicture picture = quarters(96, 64, true);
    const Image expected = throughJpeg(overWhite(picture));
    RgbaPicture opaque = picture;
    for (std::size_t i = 3; i < opaque.pixels.size(); i += 4)
        opaque.pixels[i] = 255;
    struct Case {
        const char* name;
        double bound;
        std::function<void(const std::string&)> write;
        const Image* expect;
    };
    const Image expectedOpaque = throughJpeg(overWhite(opaque));
    for (const Case& c : {
             Case {"rgba.png", 3.0, [&](const std::string& p) { writePng(p, picture, PngKind::Rgba8); }, &expected},
             Case {"deep.png", 3.0, [&](const std::string& p) { writePng(p, opaque, PngKind::Rgb16); }, &expectedOpaque},
             Case {"palette.png", 3.0, [&](const std::string& p) { writePng(p, opaque, PngKind::Palette); },
                   &expectedOpaque},
             Case {"lossy.webp", 6.0, [&](const std::string& p) { writeWebp(p, picture, WebpKind::Lossy); }, &expected},
             Case {"lossless.webp", 3.0, [&](const std::string& p) { writeWebp(p, picture, WebpKind::Lossless); },
                   &expected},
             Case {"alpha.webp", 6.0, [&](const std::string& p) { writeWebp(p, picture, WebpKind::LossyAlpha); },
                   &expected},
             // A cut-out as phones save them: its alpha is a picture of its own.
             Case {"alpha.heic", 6.0,
                   [&](const std::string& p) {
                       HeicOptions o;
                       o.alpha = true;
                       writeHeic(p, picture, o);
                   },
                   &expected},
             // Ten bits a sample, as some phones write HDR pictures.
             Case {"deep.heic", 4.0,
                   [&](const std::string& p) {
                       HeicOptions o;
                       o.bitDepth = 10;
                       writeHeic(p, opaque, o);
                       const std::vector<std::uint8_t> file = readBytes(p);
                       const std::string hvcc = "hvcC";
                       const auto at = std::search(file.begin(), file.end(), hvcc.begin(), hvcc.end());
                       ASSERT_LT(at + 4 + 18, file.end());
                       EXPECT_EQ(at[4 + 17] & 7, 2) << "coded with ten bits";
                   },
                   &expectedOpaque},
         }) {
        SCOPED_TRACE(c.name);
        c.write(path(c.name));
        // The name does not decide: a PNG saved as .jpg is still read.
        fs::copy_file(path(c.name), path("named.jpg"), fs::copy_options::overwrite_existing);
        EXPECT_LT(rmse(published(path("named.jpg"), "named.jpg"), *c.expect), c.bound);
    }
    EXPECT_TRUE(fs::is_empty(albumFolder()));
}

TEST_F(PictureFormatsTest, OverlargeAndBrokenFilesAreRefusedByName)
{
    // A HEIC whose size box declares 65535 x 65535.
    writeHeic(path("huge.heic"), quarters(64, 64, false));
    std::vector<std::uint8_t> bytes = readBytes(path("huge.heic"));
    const std::string ispe = "ispe";
    auto at = std::search(bytes.begin(), bytes.end(), ispe.begin(), ispe.end());
    ASSERT_NE(at, bytes.end());
    std::fill(at + 8, at + 16, 0xFF);
    at[8] = at[12] = 0;
    writeBytes(path("huge.heic"), bytes);
    EXPECT_EQ(refusal(path("huge.heic")), "x.jpg は大きすぎるので読み込むことができませんでした。");

    // A HEIC cut in half.
    writeHeic(path("cut.heic"), quarters(200, 150, false));
    bytes = readBytes(path("cut.heic"));
    bytes.resize(bytes.size() / 2);
    writeBytes(path("cut.heic"), bytes);
    EXPECT_EQ(refusal(path("cut.heic")), "x.jpg は壊れているか途中で切れているので読み込むことができませんでした。");

    // A HEIC whose coded picture is one unit of filler data: the decoder
    // finds no picture in it, which is a broken file, not an empty picture.
    writeHeic(path("empty.heic"), quarters(200, 150, false));
    bytes = readBytes(path("empty.heic"));
    const std::string mdat = "mdat";
    at = std::search(bytes.begin(), bytes.end(), mdat.begin(), mdat.end());
    ASSERT_NE(at, bytes.end());
    const std::size_t body = static_cast<std::size_t>(bytes.end() - at) - 4, unit = body - 4;
    ASSERT_GT(body, 16u);
    const std::uint8_t filler[] = {std::uint8_t(unit >> 24), std::uint8_t(unit >> 16), std::uint8_t(unit >> 8),
                                   std::uint8_t(unit), 38 << 1, 1};
    std::fill(std::copy(std::begin(filler), std::end(filler), at + 4), bytes.end(), 0xFF);
    bytes.back() = 0x80;
    writeBytes(path("empty.heic"), bytes);
    EXPECT_EQ(refusal(path("empty.heic")), "x.jpg は壊れているか途中で切れているので読み込むことができませんでした。");

    // A HEIC whose boxes declare 64 x 64 while its picture is coded at
    // 1024 x 1024: refused before the decoder allocates what it codes.
    writeHeic(path("lying.heic"), quarters(1024, 1024, false));
    bytes = readBytes(path("lying.heic"));
    at = std::search(bytes.begin(), bytes.end(), ispe.begin(), ispe.end());
    ASSERT_NE(at, bytes.end());
    const std::uint8_t small[] = {0, 0, 0, 64, 0, 0, 0, 64};
    std::copy(std::begin(small), std::end(small), at + 8);
    writeBytes(path("lying.heic"), bytes);
    EXPECT_EQ(refusal(path("lying.heic")), "x.jpg は大きすぎるので読み込むことができませんでした。");

    // A grid of four small tiles whose own data declares a canvas of
    // 20000 x 26000 (libheif allocates what it says): refused before that.
    writeTiledHeic(path("canvas.heic"), quarters(64, 64, false), 32, {}, GridData::InMdat);
    bytes = readBytes(path("canvas.heic"));
    at = std::search(bytes.begin(), bytes.end(), mdat.begin(), mdat.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ((std::vector<std::uint8_t>(at + 4, at + 12)), (std::vector<std::uint8_t> {0, 0, 1, 1, 0, 64, 0, 64}));
    const std::uint8_t canvas[] = {0x4E, 0x20, 0x65, 0x90};
    std::copy(std::begin(canvas), std::end(canvas), at + 8);
    writeBytes(path("canvas.heic"), bytes);
    EXPECT_EQ(refusal(path("canvas.heic")), "x.jpg は大きすぎるので読み込むことができませんでした。");
    // The same canvas declared by a tile that calls itself a grid: libheif
    // builds it just the same, so every grid in the file is checked.
    writeTiledHeic(path("nested.heic"), quarters(64, 64, false), 32, {}, GridData::InMdat);
    bytes = readBytes(path("nested.heic"));
    const std::string tileType = "hvc1", gridType = "grid";
    const auto firstTile = std::search(bytes.begin(), bytes.end(), tileType.begin(), tileType.end());
    ASSERT_NE(firstTile, bytes.end());
    std::copy(gridType.begin(), gridType.end(), firstTile);
    at = std::search(bytes.begin(), bytes.end(), mdat.begin(), mdat.end());
    const std::uint8_t nestedGrid[] = {0, 0, 0, 0, 0x4E, 0x20, 0x65, 0x90};
    std::copy(std::begin(nestedGrid), std::end(nestedGrid), at + 4 + 8);
    writeBytes(path("nested.heic"), bytes);
    EXPECT_EQ(refusal(path("nested.heic")), "x.jpg は大きすぎるので読み込むことができませんでした。");
    // A reference box claiming 256 MB inside its 46-byte parent (over one
    // such file libheif took 4 GB): refused before libheif reads the file.
    writeTiledHeic(path("overrun.heic"), quarters(64, 64, false), 32);
    bytes = readBytes(path("overrun.heic"));
    const std::string dimg = "dimg";
    at = std::search(bytes.begin(), bytes.end(), dimg.begin(), dimg.end());
    ASSERT_NE(at, bytes.end());
    at[-4] = 0x10;
    writeBytes(path("overrun.heic"), bytes);
    EXPECT_EQ(refusal(path("overrun.heic")), "x.jpg は壊れているか途中で切れているので読み込むことができませんでした。");

    // A lossless WebP of a few bytes declaring 16384 x 16384 pixels.
    std::vector<std::uint8_t> bomb = {'R', 'I', 'F', 'F', 26, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L',
                                      14, 0, 0, 0, 0x2F, 0xFF, 0xFF, 0xFF, 0x0F, 0x10, 0, 0, 0, 0, 0, 0, 0, 0};
    writeBytes(path("bomb.webp"), bomb);
    EXPECT_EQ(PictureFormats::sniff(path("bomb.webp")), PictureFormat::Webp);
    EXPECT_EQ(refusal(path("bomb.webp")), "x.jpg は大きすぎるので読み込むことができませんでした。");

    // A PNG declaring 100000 x 100000 in its header.
    writePng(path("wide.png"), quarters(8, 8, false), PngKind::Rgba8);
    bytes = readBytes(path("wide.png"));
    const std::uint8_t side[] = {0x00, 0x01, 0x86, 0xA0};
    std::copy(side, side + 4, bytes.begin() + 16);
    std::copy(side, side + 4, bytes.begin() + 20);
    writeBytes(path("wide.png"), bytes);
    EXPECT_NE(refusal(path("wide.png")).find("x.jpg は"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(albumFolder()));
}
