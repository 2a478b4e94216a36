// Pictures as the album takes them in: the fitting rule, the area-averaging
// scaler, decoding every kind of JPEG (and refusing broken ones), turning,
// brightening, and the files written.

#include "album/core/AlbumError.h"
#include "album/core/AreaScaler.h"
#include "album/core/EditablePicture.h"
#include "album/core/ExifOrientation.h"
#include "album/core/JpegReader.h"
#include "album/core/JpegWriter.h"
#include "album/core/PictureFit.h"
#include "album/core/PictureTransforms.h"
#include "album/core/WorkControl.h"
#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace album;
using namespace albumtest;
namespace fs = std::filesystem;

namespace {

constexpr PictureSize unlimited {65500, 65500};

struct Rgb {
    int r, g, b;
};

Rgb pixel(const Image& image, int x, int y)
{
    const std::uint8_t* p = image.at(x, y);
    return {p[0], p[1], p[2]};
}

// A picture whose every pixel says where it is: red = x, green = y.
Image positions(int width, int height)
{
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
        }
    return image;
}

// Where two bytes stand in a file (a marker), or the end.
std::vector<std::uint8_t>::iterator findMarker(std::vector<std::uint8_t>& bytes, std::uint8_t first, std::uint8_t second)
{
    const std::uint8_t marker[] = {first, second};
    return std::search(bytes.begin(), bytes.end(), std::begin(marker), std::end(marker));
}

Image scaled(const Image& source, int width, int height)
{
    AreaScaler scaler(source.width, source.height, width, height);
    for (int y = 0; y < source.height; ++y)
        scaler.addRow(source.row(y));
    return scaler.take();
}

class PictureTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (folder.path() / name).string(); }
    DecodedPicture decode(const std::string& file, PictureSize limit = unlimited)
    {
        return JpegReader::readFitted(file, limit, fs::path(file).filename().string());
    }
    // The message a refused file gives.
    std::string refusal(const std::string& file, PictureSize limit = defaultPictureLimit)
    {
        try {
            decode(file, limit);
        } catch (const AlbumError& e) {
            return e.what();
        }
        return "accepted";
    }

    stylestest::ScratchFolder folder {"CValbumpic"};
};

} // namespace

TEST(PictureFit, FollowsTheIntegerRule)
{
    EXPECT_EQ(fitToLimit({800, 600}, {400, 400}), (PictureSize {400, 300}));
    EXPECT_EQ(fitToLimit({300, 900}, {400, 400}), (PictureSize {133, 400}));
    EXPECT_EQ(fitToLimit({400, 400}, {400, 400}), (PictureSize {400, 400}));
    EXPECT_EQ(fitToLimit({120, 80}, {400, 400}), (PictureSize {120, 80}));
    // Only the width over: the width decides.
    EXPECT_EQ(fitToLimit({1000, 300}, {400, 400}), (PictureSize {400, 120}));
    // Both over, the height more in proportion; then exactly as much.
    EXPECT_EQ(fitToLimit({600, 1000}, {400, 500}), (PictureSize {300, 500}));
    EXPECT_EQ(fitToLimit({800, 1000}, {400, 500}), (PictureSize {400, 500}));
    EXPECT_EQ(fitToLimit({4000, 3000}, {400, 400}), (PictureSize {400, 300}));
    EXPECT_EQ(fitToLimit({65500, 65500}, {400, 300}), (PictureSize {300, 300}));
    // Never thinner than a pixel.
    EXPECT_EQ(fitToLimit({1, 20000}, {400, 400}), (PictureSize {1, 400}));
    EXPECT_EQ(fitToLimit({20000, 3}, {400, 400}), (PictureSize {400, 1}));
    EXPECT_EQ(roundedSourceWidth(1), 8);
    EXPECT_EQ(roundedSourceWidth(800), 800);
    EXPECT_EQ(roundedSourceWidth(801), 808);
}

TEST(AreaScaler, AveragesAreas)
{
    // A checkerboard of single pixels averages to grey at any reduction.
    Image board(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            std::fill_n(board.at(x, y), 3, ((x + y) % 2) ? 255 : 0);
    Image half = scaled(board, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixel(half, x, y).g, 128) << x << "," << y;
    Image one = scaled(board, 1, 1);
    EXPECT_EQ(pixel(one, 0, 0).r, 128);

    // Two to one: each target pixel is the mean of its four.
    Image source = positions(4, 2);
    Image two = scaled(source, 2, 1);
    EXPECT_EQ(pixel(two, 0, 0).r, 1); // (0 + 1 + 0 + 1) / 4 = 0.5, rounded
    EXPECT_EQ(pixel(two, 1, 0).r, 3); // 2.5
    EXPECT_EQ(pixel(two, 0, 0).b, 7);

    // Three to two: the middle source pixel is shared half and half.
    Image row(3, 1);
    const std::uint8_t values[] = {0, 0, 0, 90, 90, 90, 210, 210, 210};
    std::copy(std::begin(values), std::end(values), row.pixels.begin());
    Image shared = scaled(row, 2, 1);
    EXPECT_EQ(pixel(shared, 0, 0).r, 30);  // (0 + 90/2) / 1.5
    EXPECT_EQ(pixel(shared, 1, 0).r, 170); // (90/2 + 210) / 1.5

    // Unchanged size passes the picture through.
    Image same = scaled(source, 4, 2);
    EXPECT_EQ(same.pixels, source.pixels);

    // A flat colour stays exactly that colour at an awkward ratio.
    Image flatPicture(97, 61);
    for (std::size_t i = 0; i < flatPicture.pixels.size(); i += 3) {
        flatPicture.pixels[i] = 200;
        flatPicture.pixels[i + 1] = 17;
        flatPicture.pixels[i + 2] = 99;
    }
    Image awkward = scaled(flatPicture, 13, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 13; ++x) {
            Rgb p = pixel(awkward, x, y);
            ASSERT_TRUE(p.r == 200 && p.g == 17 && p.b == 99) << x << "," << y;
        }
    EXPECT_THROW(AreaScaler(4, 4, 5, 4), std::invalid_argument);
}

TEST(PictureTransforms, TurnsAndBrightens)
{
    Image p = positions(3, 2); // red = x, green = y
    Image left = turnLeft(p);
    ASSERT_EQ(left.width, 2);
    ASSERT_EQ(left.height, 3);
    // Turned to the left, the top right corner comes to the top left.
    EXPECT_EQ(pixel(left, 0, 0).r, 2);
    EXPECT_EQ(pixel(left, 0, 0).g, 0);
    EXPECT_EQ(pixel(left, 1, 2).r, 0);
    EXPECT_EQ(pixel(left, 1, 2).g, 1);
    Image right = turnRight(p);
    // Turned to the right, the bottom left corner comes to the top left.
    EXPECT_EQ(pixel(right, 0, 0).r, 0);
    EXPECT_EQ(pixel(right, 0, 0).g, 1);
    EXPECT_EQ(turnLeft(right).pixels, p.pixels);
    Image half = turnHalf(p);
    EXPECT_EQ(pixel(half, 0, 0).r, 2);
    EXPECT_EQ(pixel(half, 0, 0).g, 1);
    EXPECT_EQ(turnRight(turnRight(turnRight(turnRight(p)))).pixels, p.pixels);

    // Every channel moves by value * 255 / 100, kept within 0..255.
    Image grey(1, 1);
    grey.pixels = {0, 100, 250};
    EXPECT_EQ(brightened(grey, 50).pixels, (std::vector<std::uint8_t> {127, 227, 255}));
    EXPECT_EQ(brightened(grey, -5).pixels, (std::vector<std::uint8_t> {0, 88, 238}));
    EXPECT_EQ(brightened(grey, -100).pixels, (std::vector<std::uint8_t> {0, 0, 0}));
    EXPECT_EQ(brightened(grey, 100).pixels, (std::vector<std::uint8_t> {255, 255, 255}));
    EXPECT_EQ(brightened(grey, 0).pixels, grey.pixels);

    // Exif orientations: each stands the stored picture upright.
    const Image stored = positions(3, 2);
    struct Case {
        int orientation;
        int width;
        Rgb topLeft; // which stored pixel comes to the top left
    };
    for (Case c : {Case {1, 3, {0, 0, 7}}, Case {2, 3, {2, 0, 7}}, Case {3, 3, {2, 1, 7}}, Case {4, 3, {0, 1, 7}},
                   Case {5, 2, {0, 0, 7}}, Case {6, 2, {0, 1, 7}}, Case {7, 2, {2, 1, 7}}, Case {8, 2, {2, 0, 7}}}) {
        Image upright = orientUpright(stored, c.orientation);
        EXPECT_EQ(upright.width, c.width) << c.orientation;
        Rgb tl = pixel(upright, 0, 0);
        EXPECT_TRUE(tl.r == c.topLeft.r && tl.g == c.topLeft.g) << c.orientation;
    }
}

TEST(ExifOrientation, ReadsTheTagOrNothing)
{
    for (bool big : {false, true}) {
        JpegOptions o;
        o.exifOrientation = 6;
        o.exifBigEndian = big;
        std::vector<std::uint8_t> jpeg = encodeJpeg(8, 8, flat(8, 1, 2, 3), o);
        // The APP1 block as it stands in the file.
        auto at = std::search(jpeg.begin(), jpeg.end(), std::begin("Exif"), std::begin("Exif") + 4);
        ASSERT_NE(at, jpeg.end());
        const std::size_t length = std::size_t(at[-2]) << 8 | at[-1];
        EXPECT_EQ(exifOrientation(&*at, length - 2), 6) << big;
        // Cut short anywhere, it gives the upright default.
        for (std::size_t cut = 0; cut < length - 2; ++cut)
            ASSERT_EQ(exifOrientation(&*at, cut), cut >= 38 ? 6 : 1) << cut;
    }
    const std::uint8_t notExif[] = "JFIF\0\0II*\0\x08\0\0\0";
    EXPECT_EQ(exifOrientation(notExif, sizeof notExif), 1);
}

TEST_F(PictureTest, DecodesEveryKindAndFitsIt)
{
    using Colour = JpegOptions::Colour;
    struct Kind {
        const char* name;
        JpegOptions options;
    };
    JpegOptions progressive, arithmetic, gray, cmyk, adobe;
    progressive.progressive = true;
    arithmetic.arithmetic = true;
    gray.colour = Colour::Gray;
    cmyk.colour = Colour::Cmyk;
    adobe.colour = Colour::CmykAdobe;
    for (const Kind& kind : {Kind {"baseline", {}}, Kind {"progressive", progressive}, Kind {"arithmetic", arithmetic},
                             Kind {"gray", gray}, Kind {"cmyk", cmyk}, Kind {"adobe", adobe}}) {
        SCOPED_TRACE(kind.name);
        const std::string file = path(std::string(kind.name) + ".jpg");
        writeJpeg(file, 800, 600, flat(800, 200, 120, 40), kind.options);
        DecodedPicture d = decode(file, defaultPictureLimit);
        EXPECT_EQ(d.image.width, 400);
        EXPECT_EQ(d.image.height, 300);
        EXPECT_EQ(d.source, (PictureSize {800, 600}));
        Rgb p = pixel(d.image, 200, 150);
        if (kind.options.colour == Colour::Gray) {
            EXPECT_NEAR(p.r, 120, 2);
            EXPECT_EQ(p.r, p.b);
        } else {
            EXPECT_NEAR(p.r, 200, 3);
            EXPECT_NEAR(p.g, 120, 3);
            EXPECT_NEAR(p.b, 40, 3);
        }
    }
}

TEST_F(PictureTest, LargePicturesShrinkThroughTheDctAndStillAverage)
{
    // 4000 x 3000 black and white cells of 4 pixels: averaged, a flat grey.
    const std::string file = path("cells.jpg");
    writeJpeg(file, 4000, 3000, checkerboard(4000, 4), {});
    DecodedPicture d = decode(file, defaultPictureLimit);
    ASSERT_EQ(d.image.width, 400);
    ASSERT_EQ(d.image.height, 300);
    for (int y = 10; y < 290; y += 37)
        for (int x = 10; x < 390; x += 41)
            EXPECT_NEAR(pixel(d.image, x, y).g, 128, 6) << x << "," << y;

    // Left half red, right half blue: the edge stays where it was.
    const std::string halves = path("halves.jpg");
    writeJpeg(halves, 3200, 1600, [](int, std::uint8_t* rgb) {
        for (int x = 0; x < 3200; ++x, rgb += 3) {
            rgb[0] = x < 1600 ? 255 : 0;
            rgb[1] = 0;
            rgb[2] = x < 1600 ? 0 : 255;
        }
    });
    d = decode(halves, defaultPictureLimit);
    ASSERT_EQ(d.image.width, 400);
    EXPECT_GT(pixel(d.image, 190, 100).r, 230);
    EXPECT_LT(pixel(d.image, 210, 100).r, 25);
    EXPECT_GT(pixel(d.image, 210, 100).b, 230);
}

TEST_F(PictureTest, TurnsPicturesUprightByTheirExifOrientation)
{
    // Stored 600 x 200 with a red left end; orientation 6 means "turn right".
    const std::string file = path("phone.jpg");
    JpegOptions o;
    o.exifOrientation = 6;
    writeJpeg(file, 600, 200, [](int, std::uint8_t* rgb) {
        for (int x = 0; x < 600; ++x, rgb += 3) {
            rgb[0] = x < 100 ? 255 : 0;
            rgb[1] = x < 100 ? 0 : 255;
            rgb[2] = 0;
        }
    }, o);
    DecodedPicture d = decode(file, defaultPictureLimit);
    EXPECT_EQ(d.orientation, 6);
    EXPECT_EQ(d.source, (PictureSize {200, 600}));
    ASSERT_EQ(d.image.width, 133);
    ASSERT_EQ(d.image.height, 400);
    // The stored left end is now the top.
    EXPECT_GT(pixel(d.image, 66, 10).r, 200);
    EXPECT_GT(pixel(d.image, 66, 390).g, 200);
}

TEST_F(PictureTest, RefusesWhatIsNoWholeJpeg)
{
    const std::string text = path("note.jpg");
    writeBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(refusal(text), "note.jpg はJPEGファイルではないので写真集に入れることができません。");
    const std::string empty = path("empty.jpg");
    writeBytes(empty, {});
    EXPECT_EQ(refusal(empty), "empty.jpg はJPEGファイルではないので写真集に入れることができません。");
    EXPECT_EQ(refusal(path("missing.jpg")), "missing.jpg を読み込むことができませんでした。");

    // Cut off in its picture data, and cut off in its header.
    std::vector<std::uint8_t> whole = encodeJpeg(300, 200, photoLike(300, 200, 1));
    const std::string truncated = path("cut.jpg");
    writeBytes(truncated, std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() * 6 / 10));
    EXPECT_EQ(refusal(truncated), "cut.jpg は壊れているか途中で切れているので読み込むことができませんでした。");
    writeBytes(truncated, std::vector<std::uint8_t>(whole.begin(), whole.begin() + 100));
    EXPECT_EQ(refusal(truncated), "cut.jpg は壊れているか途中で切れているので読み込むことができませんでした。");
    JpegOptions progressive;
    progressive.progressive = true;
    whole = encodeJpeg(300, 200, photoLike(300, 200, 2), progressive);
    writeBytes(truncated, std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    EXPECT_EQ(refusal(truncated), "cut.jpg は壊れているか途中で切れているので読み込むことができませんでした。");

    // A progressive picture whose coefficients would not fit in memory is
    // refused before anything is decoded.
    whole = encodeJpeg(16, 16, flat(16, 9, 9, 9), progressive);
    auto sof = findMarker(whole, 0xFF, 0xC2);
    ASSERT_NE(sof, whole.end());
    sof[5] = sof[7] = 0x4E; // 20000 = 0x4E20
    sof[6] = sof[8] = 0x20;
    const std::string huge = path("huge.jpg");
    writeBytes(huge, whole);
    EXPECT_EQ(refusal(huge), "huge.jpg は大きすぎるので読み込むことができませんでした。");
}

TEST_F(PictureTest, PicturesOfTooManyScansAreRefusedBeforeTheyCostTime)
{
    // 1 + 3 * 63 * 2 = 379 scans, each a pass over every coefficient.
    JpegOptions many;
    many.bitsPerCoefficientScans = 2;
    const std::string file = path("scans.jpg");
    writeJpeg(file, 64, 48, photoLike(64, 48, 4), many);
    EXPECT_EQ(refusal(file),
              "scans.jpg は読み込みに時間がかかりすぎる形（スキャンが多すぎるJPEG）なので読み込むことができませんでした。");
    // 1 + 63 * 4 = 253 scans of one component are still a picture.
    many.colour = JpegOptions::Colour::Gray;
    many.bitsPerCoefficientScans = 4;
    writeJpeg(file, 64, 48, photoLike(64, 48, 4), many);
    EXPECT_EQ(decode(file).image.width, 64);

    // Coefficients of 14000 x 14000 grey pixels would take 374 MiB.
    JpegOptions progressive;
    progressive.progressive = true;
    progressive.colour = JpegOptions::Colour::Gray;
    std::vector<std::uint8_t> bytes = encodeJpeg(16, 16, flat(16, 9, 9, 9), progressive);
    auto sof = findMarker(bytes, 0xFF, 0xC2);
    ASSERT_NE(sof, bytes.end());
    sof[5] = sof[7] = 0x36; // 14000 = 0x36B0
    sof[6] = sof[8] = 0xB0;
    writeBytes(file, bytes);
    EXPECT_EQ(refusal(file), "scans.jpg は大きすぎるので読み込むことができませんでした。");
}

TEST_F(PictureTest, TinyAndHugePicturesAreTakenWithLittleMemory)
{
    const std::string tiny = path("tiny.jpg");
    writeJpeg(tiny, 1, 1, flat(1, 10, 200, 30));
    DecodedPicture d = decode(tiny, defaultPictureLimit);
    EXPECT_EQ(d.image.width, 1);
    EXPECT_EQ(d.image.height, 1);
    EXPECT_EQ(d.source, (PictureSize {1, 1}));

    // 20000 x 20000 pixels: 1.2 GB as a whole; decoded in a child process
    // whose peak memory is then known.
    const std::string huge = path("huge.jpg");
    JpegOptions coarse;
    coarse.quality = 20;
    writeJpeg(huge, 20000, 20000, checkerboard(20000, 1000), coarse);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long result[3] = {0, 0, 0};
        try {
            DecodedPicture big = JpegReader::readFitted(huge, defaultPictureLimit, "huge.jpg");
            rusage usage {};
            ::getrusage(RUSAGE_SELF, &usage);
            result[0] = big.image.width;
            result[1] = big.image.height;
            result[2] = usage.ru_maxrss;
        } catch (...) {
        }
        (void)!::write(pipeEnds[1], result, sizeof result);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    long result[3] = {0, 0, 0};
    ASSERT_EQ(::read(pipeEnds[0], result, sizeof result), static_cast<ssize_t>(sizeof result));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(result[0], 400);
    EXPECT_EQ(result[1], 400);
    EXPECT_LT(result[2], 100 * 1024) << "peak memory in KiB";
}

TEST_F(PictureTest, StopsWhenAskedTo)
{
    const std::string file = path("big.jpg");
    writeJpeg(file, 2000, 1500, photoLike(2000, 1500, 3));
    WorkControl control;
    control.requestStop();
    EXPECT_THROW(JpegReader::readFitted(file, defaultPictureLimit, "big.jpg", &control), WorkStopped);
    control.clearStop();
    DecodedPicture d = JpegReader::readFitted(file, defaultPictureLimit, "big.jpg", &control);
    EXPECT_EQ(d.image.width, 400);
    EXPECT_EQ(control.permille(), 1000);
}

TEST_F(PictureTest, WritesExactlyTheFittedSizeAtQuality80)
{
    Image p = positions(133, 400);
    const std::string file = path("out.jpg");
    ASSERT_TRUE(JpegWriter::write(p, file));
    DecodedPicture back = decode(file);
    EXPECT_EQ(back.image.width, 133);
    EXPECT_EQ(back.image.height, 400);
    // Quality 80 with the library's default tables: the first luminance
    // quantiser (16 at quality 50) is 16 * 40 / 100 = 6.
    std::vector<std::uint8_t> bytes = readBytes(file);
    auto dqt = findMarker(bytes, 0xFF, 0xDB);
    ASSERT_NE(dqt, bytes.end());
    EXPECT_EQ(dqt[5], 6);
    EXPECT_EQ(JpegWriter::encode(p).size(), bytes.size());

    // A folder that cannot be written to: nothing, and the old file stays.
    EXPECT_FALSE(JpegWriter::write(p, path("no/such/folder/out.jpg")));
    EXPECT_FALSE(JpegWriter::write(Image(), file));
    EXPECT_EQ(readBytes(file), bytes);
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".CV", 0), std::string::npos) << "temporary file left";
}

TEST_F(PictureTest, EditsRewriteThePictureFromTheFittedOne)
{
    AlbumItem item;
    item.workingPath = path("edit.jpg");
    EditablePicture picture(positions(40, 20));
    picture.turnLeft(item);
    EXPECT_EQ(item.width, 20);
    EXPECT_EQ(item.height, 40);
    EXPECT_EQ(decode(item.workingPath).image.width, 20);
    picture.turnHalf(item);
    EXPECT_EQ(picture.quarterTurns(), 1);
    picture.turnRight(item);
    EXPECT_EQ(picture.quarterTurns(), 2);
    EXPECT_EQ(item.width, 40);
    picture.setBrightness(item, 150);
    EXPECT_EQ(picture.brightness(), 100);
    // At +100 every channel is white.
    DecodedPicture back = decode(item.workingPath);
    EXPECT_GT(pixel(back.image, 5, 5).b, 250);
    picture.setBrightness(item, 0);
    picture.turnLeft(item);
    picture.turnLeft(item);
    EXPECT_EQ(picture.current().pixels, positions(40, 20).pixels);

    // A picture that cannot be written leaves the item as it was.
    item.workingPath = path("gone/edit.jpg");
    EXPECT_THROW(picture.turnLeft(item), AlbumError);
    EXPECT_EQ(item.width, 40);
    EXPECT_EQ(picture.quarterTurns(), 0);
}
