#include "album/core/VoiceFile.h"

#include "platform/AtomicFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace album {
namespace {

void put32(std::uint8_t* at, std::uint32_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
    at[2] = static_cast<std::uint8_t>(v >> 16);
    at[3] = static_cast<std::uint8_t>(v >> 24);
}

void put16(std::uint8_t* at, std::uint16_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t get32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::string VoiceFile::nameFor(const std::string& mediaSaveName)
{
    const std::size_t dot = mediaSaveName.rfind('.');
    return "_v_" + mediaSaveName.substr(0, dot) + ".wav";
}

std::vector<std::uint8_t> VoiceFile::header(std::uint32_t dataSize)
{
    std::vector<std::uint8_t> h(headerSize);
    std::uint8_t* p = h.data();
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, 36 + dataSize);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    put32(p + 16, 16);
    put16(p + 20, 1);  // PCM
    put16(p + 22, 1);  // one channel
    put32(p + 24, samplesPerSecond);
    put32(p + 28, samplesPerSecond);  // bytes per second
    put16(p + 32, 1);  // block alignment
    put16(p + 34, 8);  // bits per sample
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, dataSize);
    return h;
}

bool VoiceFile::write(const std::string& path, const std::vector<std::uint8_t>& samples)
{
    if (samples.size() > maxSamples)
        return false;
    std::vector<std::uint8_t> bytes = header(static_cast<std::uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return platform::AtomicFile::writeWhole(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool VoiceFile::read(const std::string& path, std::vector<std::uint8_t>& samples)
{
    samples.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    std::uint8_t h[headerSize];
    if (std::fread(h, 1, headerSize, file.get()) != headerSize)
        return false;
    const std::vector<std::uint8_t> expected = header(0);
    // Everything but the two sizes must be as this program writes it.
    if (std::memcmp(h, expected.data(), 4) != 0 || std::memcmp(h + 8, expected.data() + 8, 32) != 0)
        return false;
    const std::size_t size = std::min<std::size_t>(get32(h + 40), maxSamples);
    std::vector<std::uint8_t> data(size);
    if (size > 0 && std::fread(data.data(), 1, size, file.get()) != size)
        return false;
    samples = std::move(data);
    return true;
}

} // namespace album
