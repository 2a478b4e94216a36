#pragma once
// What the dialog "声のメッセージ" does with sound, without the dialog:
// one buffer of 15 seconds, allocated once, which a recording fills and
// playing reads; the chosen length (5, 10 or 15 seconds); the whole seconds
// recorded; recording, playing and idle.

#include "album/core/SoundDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace album {

class VoiceRecorder : private SoundDevice::Listener {
public:
    // Told on the thread that started the run.
    class Observer {
    public:
        // Whole seconds recorded or played so far.
        virtual void voiceSecond(int seconds) = 0;
        // The run ended; `error` says why when the device failed.
        virtual void voiceStopped(const std::string& error) = 0;

    protected:
        ~Observer() = default;
    };

    enum class State { Idle, Recording, Playing };
    static constexpr int lengths[] = {5, 10, 15};
    static constexpr int defaultLength = 5;

    explicit VoiceRecorder(SoundDevice& device);
    ~VoiceRecorder();
    VoiceRecorder(const VoiceRecorder&) = delete;
    VoiceRecorder& operator=(const VoiceRecorder&) = delete;

    void setObserver(Observer* observer) { observer_ = observer; }

    int length() const { return length_; }
    // A new length (5, 10 or 15) forgets what was recorded.
    void setLength(int seconds);
    State state() const { return state_; }
    int recordedSeconds() const { return recorded_; }
    bool hasRecording() const { return recorded_ > 0; }

    // Records the chosen length from the start of the buffer, replacing what
    // was recorded. False with `problem` set when the device cannot record.
    bool record(std::string& problem);
    // Plays what was recorded.
    bool play(std::string& problem);
    // Ends a run early; a recording keeps the whole seconds it got.
    void stop();

    // Nothing recorded, the default length.
    void reset();
    // An existing voice file, to be played or recorded over; false (and
    // nothing recorded) when it cannot be read.
    bool load(const std::string& voicePath);
    // The recorded seconds' samples.
    std::vector<std::uint8_t> samples() const;
    // Where the samples are kept: the same block for the recorder's life.
    const std::uint8_t* buffer() const { return buffer_.data(); }

private:
    void soundProgress(std::size_t bytes) override;
    void soundEnded(const std::string& error) override;
    void finish(const std::string& error);

    SoundDevice& device_;
    std::vector<std::uint8_t> buffer_;
    Observer* observer_ = nullptr;
    State state_ = State::Idle;
    int length_ = defaultLength;
    int recorded_ = 0;
    int reached_ = 0; // seconds of the current run
};

} // namespace album
