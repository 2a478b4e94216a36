#pragma once
// The compression component the archive code calls: one file in, one file
// out (gzip stream format over zlib). Both return non-zero on success; on
// failure the destination does not remain (once it has been opened for
// writing: a missing source or unusable paths leave an existing file alone).
// Several gzip members one after another read as one file, as gunzip reads
// them; a stream cut short or damaged is a failure.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

extern "C" {
int compfile(const char* destination, const char* source);
int uncompfile(const char* destination, const char* source);
}

namespace platform {

// What compfile does, for data handed over piece by piece (the archive
// writer feeds an attachment straight into the archive): one gzip stream at
// zlib's default level 6, as gzip and zip use. Input is compressed in blocks
// of 128 KiB, each primed with the 32 KiB before it, on as many threads as
// the machine has cores (up to four); the blocks join into one ordinary
// stream. Memory stays a few MiB whatever the length.
class GzipDeflater {
public:
    // Takes each piece of the stream in order; false stops the deflater.
    using Sink = std::function<bool(const unsigned char* data, std::size_t length)>;

    explicit GzipDeflater(Sink sink);
    ~GzipDeflater();
    GzipDeflater(const GzipDeflater&) = delete;
    GzipDeflater& operator=(const GzipDeflater&) = delete;

    // The next piece of the current stream. False once the sink refused or
    // zlib failed; a deflater that failed stays failed.
    bool feed(const unsigned char* data, std::size_t length);
    // Ends the current stream with the gzip trailer; the next feed begins
    // another one.
    bool finish();
    // Bytes of the current (or just finished) stream given to the sink.
    std::uint64_t produced() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// What uncompfile does, for data handed over piece by piece (the archive
// reader feeds an entry straight from the archive): the same rules, through
// one fixed output buffer.
class GzipInflater {
public:
    // Takes each piece of restored data; false stops the inflater.
    using Sink = std::function<bool(const unsigned char* data, std::size_t length)>;

    explicit GzipInflater(Sink sink);
    ~GzipInflater();
    GzipInflater(const GzipInflater&) = delete;
    GzipInflater& operator=(const GzipInflater&) = delete;

    // False once the data is damaged, the sink refused or zlib could not start.
    bool feed(const unsigned char* data, std::size_t length);
    // True when input came and its last member ended properly.
    bool finish() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
