#pragma once
// A sound device for tests: recording fills the buffer with a known pattern
// (a different one for every run), playing reads it through; both advance
// either when the test says so (deliver) or, once run() was called, by one
// second of sound every few milliseconds on the event loop. It can be made
// to have no input or output, or to fail part-way.

#include "album/core/SoundDevice.h"

#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace albumtest {

class ScriptedSoundDevice : public album::SoundDevice {
public:
    // The sample a run's pattern has at `index`.
    static std::uint8_t patternSample(int run, std::size_t index);

    // Advance by itself: one second of sound every `intervalMs` on the
    // event loop.
    void run(int intervalMs = 5);

    void setInputMissing(bool missing) { inputMissing_ = missing; }
    void setOutputMissing(bool missing) { outputMissing_ = missing; }
    // The device fails once this many bytes of a run went by.
    void failAfter(std::size_t bytes) { failAfter_ = bytes; }

    // Moves the current run on by `bytes` (at most to its end).
    void deliver(std::size_t bytes);

    bool running() const { return listener_ != nullptr; }
    int recordings() const { return recordings_; }
    int playings() const { return playings_; }
    // What the last playing run was given, byte for byte.
    const std::vector<std::uint8_t>& played() const { return played_; }

    std::string inputProblem() override;
    std::string outputProblem() override;
    bool startRecording(std::uint8_t* buffer, std::size_t bytes, Listener& listener, std::string& error) override;
    bool startPlaying(const std::uint8_t* samples, std::size_t bytes, Listener& listener, std::string& error) override;
    void stop() override;

private:
    void tick();

    bool inputMissing_ = false;
    bool outputMissing_ = false;
    std::size_t failAfter_ = 0;
    std::unique_ptr<QTimer> timer_;

    Listener* listener_ = nullptr;
    std::uint8_t* recordInto_ = nullptr;
    const std::uint8_t* playFrom_ = nullptr;
    std::size_t size_ = 0;
    std::size_t done_ = 0;
    int recordings_ = 0;
    int playings_ = 0;
    std::vector<std::uint8_t> played_;
};

} // namespace albumtest
