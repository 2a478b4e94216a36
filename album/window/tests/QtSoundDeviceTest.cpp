// The desktop's sound device on a machine without one (as CI machines are):
// recording and playing say so at once, in words, and nothing waits.

#include "album/core/AlbumTexts.h"
#include "album/core/VoiceRecorder.h"
#include "album/window/QtSoundDevice.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>

#include <gtest/gtest.h>

TEST(QtSoundDeviceTest, WithoutADeviceRecordingAndPlayingSaySoAtOnce)
{
    if (!QMediaDevices::defaultAudioInput().isNull() || !QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "this machine has a sound device";
    glimmora::QtSoundDevice device;
    album::VoiceRecorder recorder(device);
    QElapsedTimer clock;
    clock.start();
    std::string problem;
    EXPECT_FALSE(recorder.record(problem));
    EXPECT_EQ(problem, album::texts::noSoundInput);
    EXPECT_EQ(recorder.state(), album::VoiceRecorder::State::Idle);

    std::vector<std::uint8_t> buffer(11025);
    struct Listener : album::SoundDevice::Listener {
        void soundProgress(std::size_t) override {}
        void soundEnded(const std::string&) override {}
    } listener;
    EXPECT_FALSE(device.startPlaying(buffer.data(), buffer.size(), listener, problem));
    EXPECT_EQ(problem, album::texts::noSoundOutput);
    EXPECT_LT(clock.elapsed(), 5000);
}
