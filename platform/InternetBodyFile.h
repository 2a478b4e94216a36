#pragma once
// The temporary file a transfer writes a response body into. Closing reports
// whether the last bytes reached the disk; the file is closed however the
// transfer ends.

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

class InternetBodyFile {
public:
    InternetBodyFile() = default;
    ~InternetBodyFile() { close(); }
    InternetBodyFile(const InternetBodyFile&) = delete;
    InternetBodyFile& operator=(const InternetBodyFile&) = delete;

    bool open(const std::string& path);
    // Takes over a descriptor already open for writing; false (and the
    // descriptor closed) when it cannot.
    bool adopt(int descriptor);
    bool write(const char* data, std::size_t size);
    // False when flushing or closing failed; true when nothing is open.
    bool close();

private:
    std::FILE* file_ = nullptr;
};

} // namespace platform
