#pragma once
// The sound input and output a voice message is recorded from and played
// on, in the voice files' fixed format (PCM, 8-bit unsigned, mono, 11025
// samples per second). One recording or playing at a time. What a device
// reports comes on the thread that started it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace album {

class SoundDevice {
public:
    class Listener {
    public:
        // Bytes recorded into the buffer, or played, so far.
        virtual void soundProgress(std::size_t bytes) = 0;
        // The run ended by itself: the buffer is full or every byte was
        // played (`error` empty), or the device failed (`error` says how).
        virtual void soundEnded(const std::string& error) = 0;

    protected:
        ~Listener() = default;
    };

    virtual ~SoundDevice() = default;

    // Empty when there is a device to record from (play on); else what to
    // tell the user.
    virtual std::string inputProblem() = 0;
    virtual std::string outputProblem() = 0;

    // Fills buffer[0, bytes) from the default input. False, with `error`
    // set, when recording cannot start. The buffer must outlive the run.
    virtual bool startRecording(std::uint8_t* buffer, std::size_t bytes, Listener& listener, std::string& error) = 0;
    // Plays samples[0, bytes) on the default output.
    virtual bool startPlaying(const std::uint8_t* samples, std::size_t bytes, Listener& listener,
                              std::string& error) = 0;
    // Ends the run at once; the listener hears nothing more of it.
    virtual void stop() = 0;
};

} // namespace album
