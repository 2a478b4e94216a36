#pragma once
// The temporary file a transfer writes a response body into. Bodies arrive
// in 4096-byte blocks; small runs of them are gathered in a buffer and large
// runs go straight to the descriptor, so a big file costs neither a system
// call per block nor a copy. Closing reports whether the last bytes reached
// the file; the file is closed however the transfer ends.

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class InternetBodyFile {
public:
    static constexpr std::size_t bufferSize = 128 * 1024;
    // The bytes are copied in at an offset of half a page. libcurl's receive
    // buffer, like ours large enough for malloc to map it on its own, starts
    // at the same offset within its page, and a copy between two such
    // addresses runs several times slower: its loads and stores alias within
    // every 4 KiB. (1 GiB over loopback: 0.55 s of copying against 0.05 s.)
    static constexpr std::size_t bufferSkew = 2048;

    InternetBodyFile() = default;
    ~InternetBodyFile() { close(); }
    InternetBodyFile(const InternetBodyFile&) = delete;
    InternetBodyFile& operator=(const InternetBodyFile&) = delete;

    bool open(const std::string& path);
    // Takes over a descriptor already open for writing; false (and the
    // descriptor closed) when it cannot.
    bool adopt(int descriptor);
    bool isOpen() const { return descriptor_ >= 0; }
    // False once any write has failed; later calls fail too.
    bool write(const char* data, std::size_t size);
    // Hands what is gathered to the file, so a killed process loses none
    // of it; false when that fails. (No fdatasync: waiting for the disk
    // every few MiB would halve the speed of a large file.)
    bool sync();
    // Drops the bytes from offset on and writes from there next.
    bool restartAt(long long offset);
    // False when flushing or closing failed, or an earlier write failed;
    // true when nothing is open.
    bool close();

private:
    bool flush();

    int descriptor_ = -1;
    bool failed_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

} // namespace platform
