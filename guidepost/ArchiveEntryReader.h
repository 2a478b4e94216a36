#pragma once
// A GuidePost archive held open while its entries are taken out, as many
// and in whatever order the caller needs: a receive takes each attachment
// out when it places the file, through this one handle. Reads at explicit
// offsets, so nothing depends on a file position.

#include "guidepost/ArchiveIndexRecord.h"
#include "guidepost/Export.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class CVCLIB_EXPORT ArchiveEntryReader {
public:
    enum class Result {
        Extracted,
        Damaged,     // the entry is not what the writer makes (header, cipher text or compressed data)
        CodeNeeded,  // enciphered and never compressed, and no code was given
        Stopped,     // the sink refused a piece
    };
    // Takes each piece of the file in order; false stops the extraction.
    using Sink = std::function<bool(const unsigned char* data, std::size_t length)>;

    ArchiveEntryReader() = default;
    ~ArchiveEntryReader();
    ArchiveEntryReader(const ArchiveEntryReader&) = delete;
    ArchiveEntryReader& operator=(const ArchiveEntryReader&) = delete;

    // False when the file cannot be opened for reading.
    bool Open(const std::string& path);
    void Close();

    // Hands the file of the entry the index record points at to sink,
    // deciphered (when the entry is enciphered and a code is given; without
    // one the decompressor gets the cipher text) and decompressed, through
    // fixed buffers. A record from the index reader is trusted only as far
    // as the file bears it out.
    Result Extract(const ArchiveIndexRecord& record, const unsigned char* cipherCode, std::size_t cipherCodeLength,
                   const Sink& sink) const;

private:
    bool ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t length) const;

    int fd_ = -1;
    std::uint64_t size_ = 0;
};
