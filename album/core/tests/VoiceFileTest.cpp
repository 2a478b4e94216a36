// Voice files: the 44-byte header exactly, the length cap on reading, and
// every mismatch refused.

#include "album/core/VoiceFile.h"
#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

using namespace album;
using albumtest::readBytes;
using albumtest::writeBytes;

namespace {

std::vector<std::uint8_t> ramp(std::size_t n)
{
    std::vector<std::uint8_t> samples(n);
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = static_cast<std::uint8_t>(i * 7);
    return samples;
}

} // namespace

TEST(VoiceFile, WritesTheFixedHeader)
{
    stylestest::ScratchFolder folder("CValbumwav");
    const std::string path = (folder.path() / "_v_a.wav").string();
    const std::vector<std::uint8_t> five = ramp(5 * 11025);
    ASSERT_TRUE(VoiceFile::write(path, five));
    const std::vector<std::uint8_t> file = readBytes(path);
    ASSERT_EQ(file.size(), 44u + 55125u);
    const std::uint8_t header[44] = {'R', 'I', 'F', 'F', 0x79, 0xD7, 0, 0, // 36 + 55125 = 55161
                                     'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                                     0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a',
                                     0x55, 0xD7, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), file.begin()));
    EXPECT_TRUE(std::equal(five.begin(), five.end(), file.begin() + 44));

    std::vector<std::uint8_t> back;
    ASSERT_TRUE(VoiceFile::read(path, back));
    EXPECT_EQ(back, five);
    EXPECT_EQ(VoiceFile::secondsOf(back.size()), 5);
    EXPECT_EQ(VoiceFile::secondsOf(11026), 2);

    EXPECT_FALSE(VoiceFile::write(path, ramp(VoiceFile::maxSamples + 1)));
    EXPECT_FALSE(VoiceFile::write((folder.path() / "no" / "x.wav").string(), five));
    EXPECT_EQ(readBytes(path), file);
}

TEST(VoiceFile, ReadsAtMostFifteenSecondsAndRefusesMismatches)
{
    stylestest::ScratchFolder folder("CValbumwav");
    const std::string path = (folder.path() / "v.wav").string();

    // A data chunk claiming more than 15 seconds is read up to 15 seconds.
    std::vector<std::uint8_t> file = VoiceFile::header(20 * 11025);
    const std::vector<std::uint8_t> twenty = ramp(20 * 11025);
    file.insert(file.end(), twenty.begin(), twenty.end());
    writeBytes(path, file);
    std::vector<std::uint8_t> samples;
    ASSERT_TRUE(VoiceFile::read(path, samples));
    EXPECT_EQ(samples.size(), 165375u);

    // One claiming 4 GiB with five seconds behind it falls short.
    file = VoiceFile::header(0xFFFFFFFF);
    const std::vector<std::uint8_t> five = ramp(5 * 11025);
    file.insert(file.end(), five.begin(), five.end());
    writeBytes(path, file);
    EXPECT_FALSE(VoiceFile::read(path, samples));
    EXPECT_TRUE(samples.empty());

    // Every fixed byte of the header matters; the RIFF length does not.
    const std::vector<std::uint8_t> good = [&] {
        std::vector<std::uint8_t> f = VoiceFile::header(100);
        f.resize(144, 0x80);
        return f;
    }();
    for (std::size_t at = 0; at < 40; ++at) {
        std::vector<std::uint8_t> changed = good;
        changed[at] ^= 0x01;
        writeBytes(path, changed);
        EXPECT_EQ(VoiceFile::read(path, samples), at >= 4 && at < 8) << at;
    }
    writeBytes(path, std::vector<std::uint8_t>(good.begin(), good.begin() + 43));
    EXPECT_FALSE(VoiceFile::read(path, samples));
    EXPECT_FALSE(VoiceFile::read((folder.path() / "absent.wav").string(), samples));
}

TEST(VoiceFile, NamesVoiceFilesAfterTheirMedia)
{
    EXPECT_EQ(VoiceFile::nameFor("a.jpg"), "_v_a.wav");
    EXPECT_EQ(VoiceFile::nameFor("運動会.2.JPG"), "_v_運動会.2.wav");
    EXPECT_EQ(VoiceFile::nameFor("noext"), "_v_noext.wav");
}
