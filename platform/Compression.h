#pragma once
// The compression component the archive code calls: one file in, one file
// out (gzip stream format over zlib). Both return non-zero on success; on
// failure the destination does not remain (once it has been opened for
// writing: a missing source or unusable paths leave an existing file alone).
// Several gzip members one after another read as one file, as gunzip reads
// them; a stream cut short or damaged is a failure.

#include <cstddef>
#include <functional>
#include <memory>

extern "C" {
int compfile(const char* destination, const char* source);
int uncompfile(const char* destination, const char* source);
}

namespace platform {

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
