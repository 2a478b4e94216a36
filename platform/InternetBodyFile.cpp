#include "InternetBodyFile.h"

#include <unistd.h>

namespace platform {

namespace {

// Bodies arrive in small blocks; gathering them spares a system call per block.
constexpr std::size_t writeBufferSize = 64 * 1024;

} // namespace

bool InternetBodyFile::open(const std::string& path)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (file_)
        std::setvbuf(file_, nullptr, _IOFBF, writeBufferSize);
    return file_ != nullptr;
}

bool InternetBodyFile::adopt(int descriptor)
{
    if (descriptor < 0)
        return false;
    file_ = ::fdopen(descriptor, "wb");
    if (!file_)
        ::close(descriptor);
    else
        std::setvbuf(file_, nullptr, _IOFBF, writeBufferSize);
    return file_ != nullptr;
}

bool InternetBodyFile::write(const char* data, std::size_t size)
{
    return std::fwrite(data, 1, size, file_) == size;
}

bool InternetBodyFile::close()
{
    bool ok = true;
    if (file_) {
        ok = std::fclose(file_) == 0;
        file_ = nullptr;
    }
    return ok;
}

} // namespace platform
