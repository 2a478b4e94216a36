#include "album/core/AtomicFile.h"

#include "platform/WriteAll.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace album {

AtomicFile::AtomicFile(std::string target) : target_(std::move(target))
{
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    // Not mkstemp: its files are owner-only, and a file of the album gets the
    // mode the umask gives (which cannot be read without changing it, racing
    // with other threads).
    thread_local std::mt19937_64 random(std::random_device {}());
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        temporary_ = folder + ".CV" + std::to_string(random() % 1000000000ULL);
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && errno != EEXIST)
            break;
    }
    if (descriptor_ < 0)
        temporary_.clear();
}

AtomicFile::~AtomicFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

bool AtomicFile::write(const void* bytes, std::size_t size)
{
    if (descriptor_ < 0 || failed_)
        return false;
    failed_ = !platform::writeAll(descriptor_, bytes, size);
    return !failed_;
}

bool AtomicFile::commit()
{
    if (descriptor_ < 0)
        return false;
    const bool closed = ::close(descriptor_) == 0;
    descriptor_ = -1;
    if (failed_ || !closed || ::rename(temporary_.c_str(), target_.c_str()) != 0)
        return false;
    temporary_.clear();
    return true;
}

bool writeFileAtomically(const std::string& path, const void* bytes, std::size_t size)
{
    AtomicFile file(path);
    return file.write(bytes, size) && file.commit();
}

bool placeFile(const std::string& source, const std::string& target)
{
    if (::rename(source.c_str(), target.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    AtomicFile out(target);
    bool ok = out.isOpen();
    char buffer[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = out.write(buffer, static_cast<std::size_t>(n));
    }
    ::close(in);
    if (!ok || !out.commit())
        return false;
    ::unlink(source.c_str());
    return true;
}

} // namespace album
