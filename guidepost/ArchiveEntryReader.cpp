#include "guidepost/ArchiveEntryReader.h"

#include "guidepost/CBlowfish.h"
#include "platform/Compression.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t bufferSize = 16384;
static_assert(bufferSize % 8 == 0, "whole cipher blocks per buffer");
// The compressed flag, compressed size, enciphered flag, stored length and
// stamp that begin an entry's body.
constexpr std::size_t bodyHeaderLength = 14;

std::uint32_t u32At(const unsigned char* b)
{
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

} // namespace

ArchiveEntryReader::~ArchiveEntryReader()
{
    Close();
}

bool ArchiveEntryReader::Open(const std::string& path)
{
    Close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

void ArchiveEntryReader::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool ArchiveEntryReader::ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t length) const
{
    while (length > 0) {
        const ssize_t n = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        length -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

ArchiveEntryReader::Result ArchiveEntryReader::Extract(const ArchiveIndexRecord& record, const unsigned char* cipherCode,
                                                       std::size_t cipherCodeLength, const Sink& sink) const
{
    unsigned char head[bodyHeaderLength];
    if (fd_ < 0 || record.offset > size_ || size_ - record.offset < bodyHeaderLength ||
        !ReadAt(record.offset, head, bodyHeaderLength) || head[0] > 1 || head[5] > 1)
        return Result::Damaged;
    const bool compressed = head[0] == 1, enciphered = head[5] == 1;
    const std::uint32_t compressedSize = u32At(head + 1), stored = u32At(head + 6);
    const std::uint64_t dataStart = record.offset + bodyHeaderLength;
    if (stored > size_ - dataStart || record.length != bodyHeaderLength + std::uint64_t(stored))
        return Result::Damaged;
    const bool decipher = enciphered && cipherCode && cipherCodeLength > 0;
    if (enciphered && !decipher && !compressed)
        return Result::CodeNeeded;  // nothing could turn the data back into the file

    // The stored bytes go through the decipherer and the decompressor
    // straight to the sink, one fixed buffer at a time. Deciphered data is
    // cut back to the compressed size; a cipher text is whole blocks, so a
    // ragged one was cut short.
    CBlowfish cipher;
    std::uint64_t wanted = stored;
    if (decipher) {
        if (compressedSize > stored || stored % 8 != 0 || (compressedSize == 0 && stored != 0))
            return Result::Damaged;
        cipher.SetKey(cipherCode, cipherCodeLength);
        wanted = compressedSize;
    }
    bool refused = false;
    auto give = [&sink, &refused](const unsigned char* data, std::size_t length) {
        refused = !sink(data, length);
        return !refused;
    };
    platform::GzipInflater inflater(give);
    unsigned char buffer[bufferSize];
    std::uint64_t taken = 0, passed = 0;
    while (passed < wanted) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(bufferSize, stored - taken));
        if (!ReadAt(dataStart + taken, buffer, chunk))
            return Result::Damaged;
        taken += chunk;
        if (decipher)
            cipher.Decipher(buffer, buffer, chunk);
        const std::size_t keep = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, wanted - passed));
        passed += keep;
        if (!(compressed ? inflater.feed(buffer, keep) : give(buffer, keep)))
            return refused ? Result::Stopped : Result::Damaged;
    }
    if (compressed && !inflater.finish())
        return Result::Damaged;
    return Result::Extracted;
}
