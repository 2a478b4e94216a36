#include "InternetBodyFile.h"

#include "platform/WriteAll.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool InternetBodyFile::open(const std::string& path)
{
    close();
    return adopt(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

bool InternetBodyFile::adopt(int descriptor)
{
    close();
    if (descriptor < 0)
        return false;
    descriptor_ = descriptor;
    failed_ = false;
    used_ = 0;
    return true;
}

bool InternetBodyFile::write(const char* data, std::size_t size)
{
    if (descriptor_ < 0 || failed_)
        return false;
    if (used_ + size > bufferSize && !flush())
        return false;
    if (size >= bufferSize) {
        failed_ = !writeAll(descriptor_, data, size);
        return !failed_;
    }
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(bufferSize + bufferSkew);
    std::memcpy(buffer_.get() + bufferSkew + used_, data, size);
    used_ += size;
    return true;
}

bool InternetBodyFile::flush()
{
    if (used_ > 0 && !failed_)
        failed_ = !writeAll(descriptor_, buffer_.get() + bufferSkew, used_);
    used_ = 0;
    return !failed_;
}

bool InternetBodyFile::sync()
{
    return descriptor_ >= 0 && flush();
}

bool InternetBodyFile::restartAt(long long offset)
{
    if (descriptor_ < 0 || !flush())
        return false;
    failed_ = ::ftruncate(descriptor_, offset) != 0 || ::lseek(descriptor_, offset, SEEK_SET) != offset;
    return !failed_;
}

bool InternetBodyFile::close()
{
    if (descriptor_ < 0)
        return true;
    bool ok = flush();
    if (::close(descriptor_) != 0 && errno != EINTR)
        ok = false;
    descriptor_ = -1;
    failed_ = false;
    return ok;
}

} // namespace platform
