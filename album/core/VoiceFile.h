#pragma once
// A voice message as it is stored beside the album's media: a RIFF WAVE file
// of exactly 44 header bytes, PCM 8-bit unsigned mono at 11025 samples per
// second, followed by the samples.

#include <cstdint>
#include <string>
#include <vector>

namespace album {

class VoiceFile {
public:
    static constexpr int samplesPerSecond = 11025;
    static constexpr int maxSeconds = 15;
    static constexpr std::size_t maxSamples = std::size_t(samplesPerSecond) * maxSeconds;
    static constexpr std::size_t headerSize = 44;
    // The sample of silence.
    static constexpr std::uint8_t silence = 0x80;

    // "_v_<media name without extension>.wav".
    static std::string nameFor(const std::string& mediaSaveName);

    // The 44 header bytes for `dataSize` bytes of samples.
    static std::vector<std::uint8_t> header(std::uint32_t dataSize);

    // Writes `samples` (at most maxSamples) to `path`, replacing it; false
    // when it cannot be written, with nothing left behind.
    static bool write(const std::string& path, const std::vector<std::uint8_t>& samples);

    // Reads the samples of `path`: the header must be exactly the format
    // above; a data size beyond maxSamples reads maxSamples. False when the
    // file cannot be read, is shorter than it says, or is of another format.
    static bool read(const std::string& path, std::vector<std::uint8_t>& samples);

    // Whole seconds of `sampleCount` samples, rounded up.
    static int secondsOf(std::size_t sampleCount)
    {
        return static_cast<int>((sampleCount + samplesPerSecond - 1) / samplesPerSecond);
    }
};

} // namespace album
