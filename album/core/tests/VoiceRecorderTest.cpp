// Recording and playing a voice message over a scripted device: whole
// seconds, the chosen length, stopping early, a device that is missing or
// fails, and a file brought back for playing.

#include "album/core/VoiceFile.h"
#include "album/core/VoiceRecorder.h"
#include "album/testsupport/ScriptedSoundDevice.h"
#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

using album::VoiceFile;
using album::VoiceRecorder;
using albumtest::ScriptedSoundDevice;

namespace {

constexpr std::size_t second = VoiceFile::samplesPerSecond;

class Seen : public VoiceRecorder::Observer {
public:
    void voiceSecond(int seconds) override { this->seconds.push_back(seconds); }
    void voiceStopped(const std::string& error) override { stops.push_back(error); }
    std::vector<int> seconds;
    std::vector<std::string> stops;
};

} // namespace

TEST(VoiceRecorderTest, RecordsTheChosenLengthIntoOneBuffer)
{
    ScriptedSoundDevice device;
    VoiceRecorder recorder(device);
    Seen seen;
    recorder.setObserver(&seen);
    const std::uint8_t* buffer = recorder.buffer();
    EXPECT_EQ(recorder.length(), 5);
    EXPECT_FALSE(recorder.hasRecording());

    std::string problem;
    ASSERT_TRUE(recorder.record(problem));
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Recording);
    device.deliver(second / 2);
    device.deliver(second / 2 + 1); // a second and one sample
    device.deliver(10 * second);    // no more than the chosen length is asked for
    EXPECT_EQ(seen.seconds, (std::vector<int> {1, 5}));
    ASSERT_EQ(seen.stops.size(), 1u);
    EXPECT_EQ(seen.stops[0], "");
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Idle);
    EXPECT_EQ(recorder.recordedSeconds(), 5);
    EXPECT_EQ(recorder.buffer(), buffer);

    const std::vector<std::uint8_t> samples = recorder.samples();
    ASSERT_EQ(samples.size(), 5 * second);
    for (std::size_t i : {std::size_t(0), std::size_t(12345), 5 * second - 1})
        EXPECT_EQ(samples[i], ScriptedSoundDevice::patternSample(1, i));

    // Playing hands the device exactly what was recorded.
    ASSERT_TRUE(recorder.play(problem));
    device.deliver(5 * second);
    EXPECT_EQ(device.played(), samples);
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Idle);
    EXPECT_EQ(recorder.recordedSeconds(), 5);
}

TEST(VoiceRecorderTest, StoppingEarlyKeepsTheWholeSecondsAndALengthChangeForgets)
{
    ScriptedSoundDevice device;
    VoiceRecorder recorder(device);
    recorder.setLength(15);
    std::string problem;
    ASSERT_TRUE(recorder.record(problem));
    device.deliver(3 * second + 500);
    recorder.stop();
    EXPECT_FALSE(device.running());
    EXPECT_EQ(recorder.recordedSeconds(), 3);
    EXPECT_EQ(recorder.samples().size(), 3 * second);

    // A second recording replaces the first from the start.
    ASSERT_TRUE(recorder.record(problem));
    device.deliver(15 * second);
    EXPECT_EQ(recorder.recordedSeconds(), 15);
    EXPECT_EQ(recorder.samples()[0], ScriptedSoundDevice::patternSample(2, 0));

    recorder.setLength(10);
    EXPECT_EQ(recorder.length(), 10);
    EXPECT_FALSE(recorder.hasRecording());
    EXPECT_FALSE(recorder.play(problem));
}

TEST(VoiceRecorderTest, AMissingOrFailingDeviceIsToldAndNothingHangs)
{
    ScriptedSoundDevice device;
    VoiceRecorder recorder(device);
    Seen seen;
    recorder.setObserver(&seen);
    device.setInputMissing(true);
    std::string problem;
    EXPECT_FALSE(recorder.record(problem));
    EXPECT_EQ(problem, "no input");
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Idle);
    EXPECT_EQ(device.recordings(), 0);

    device.setInputMissing(false);
    device.failAfter(2 * second + 10);
    ASSERT_TRUE(recorder.record(problem));
    device.deliver(5 * second);
    ASSERT_EQ(seen.stops.size(), 1u);
    EXPECT_EQ(seen.stops[0], "device failed");
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Idle);
    EXPECT_EQ(recorder.recordedSeconds(), 2);

    device.setOutputMissing(true);
    EXPECT_FALSE(recorder.play(problem));
    EXPECT_EQ(problem, "no output");
    EXPECT_EQ(recorder.state(), VoiceRecorder::State::Idle);
}

TEST(VoiceRecorderTest, LoadsAVoiceFileForPlayingAndRefusesABrokenOne)
{
    stylestest::ScratchFolder folder("CVvoice");
    const std::string path = (folder.path() / "_v_a.wav").string();
    std::vector<std::uint8_t> samples(7 * second + 100);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(VoiceFile::write(path, samples));

    ScriptedSoundDevice device;
    VoiceRecorder recorder(device);
    ASSERT_TRUE(recorder.load(path));
    EXPECT_EQ(recorder.recordedSeconds(), 8);
    EXPECT_EQ(recorder.length(), 10);
    const std::vector<std::uint8_t> loaded = recorder.samples();
    ASSERT_EQ(loaded.size(), 8 * second);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), loaded.begin()));
    EXPECT_EQ(loaded.back(), VoiceFile::silence);

    const std::string broken = (folder.path() / "broken.wav").string();
    std::vector<std::uint8_t> bytes = VoiceFile::header(5 * second);
    bytes.resize(100);
    albumtest::writeBytes(broken, bytes);
    EXPECT_FALSE(recorder.load(broken));
    EXPECT_FALSE(recorder.hasRecording());
}
