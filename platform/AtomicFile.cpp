#include "platform/AtomicFile.h"

#include "platform/TempFile.h"
#include "platform/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The umask as the kernel reports it; a probe file where it does not.
mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8)) & 0777;
    }
    std::string probe = TempFile::systemFolder() + "/.CVumask" + std::to_string(::getpid());
    int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0777);
    if (fd < 0)
        return 022;
    struct stat st;
    mode_t mask = ::fstat(fd, &st) == 0 ? (~st.st_mode & 0777) : 022;
    ::close(fd);
    ::unlink(probe.c_str());
    return mask;
}

} // namespace

mode_t AtomicFile::modeFor(Access access)
{
    // Read once: the programs never change their umask.
    static const mode_t shared = 0666 & ~currentUmask();
    return access == Access::OwnerOnly ? 0600 : shared;
}

AtomicFile::AtomicFile(std::string target, Access access) : target_(std::move(target)), access_(access) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open()
{
    discard();
    std::string::size_type slash = target_.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = folder + (folder == "/" ? "" : "/") + "." + name + ".CVXXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    descriptor_ = fd;
    temporary_ = pattern;
    failed_ = false;
    TempFile::track(temporary_);
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size)
{
    if (descriptor_ < 0 || failed_)
        return false;
    failed_ = !writeAll(descriptor_, data, size);
    return !failed_;
}

bool AtomicFile::closeDescriptor()
{
    if (descriptor_ < 0)
        return true;
    bool ok = ::close(descriptor_) == 0;
    descriptor_ = -1;
    failed_ = failed_ || !ok;
    return ok;
}

bool AtomicFile::commit(const struct timespec* times)
{
    if (temporary_.empty() || failed_) {
        discard();
        return false;
    }
    struct stat existing;
    const bool replacing = ::lstat(target_.c_str(), &existing) == 0;
    const mode_t mode = modeFor(access_);
    bool ok = true;
    if (descriptor_ >= 0) {
        // A new file risks nothing if a crash loses it; syncing every one
        // would cost dearly.
        ok = ::fchmod(descriptor_, mode) == 0 && (!replacing || ::fsync(descriptor_) == 0);
        if (ok && times)
            ok = ::futimens(descriptor_, times) == 0;
        ok = closeDescriptor() && ok;
    } else {
        ok = ::chmod(temporary_.c_str(), mode) == 0;
        if (ok && times)
            ok = ::utimensat(AT_FDCWD, temporary_.c_str(), times, 0) == 0;
    }
    if (ok && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        ok = false;
    if (!ok) {
        int saved = errno;
        discard();
        errno = saved;
        return false;
    }
    TempFile::untrack(temporary_);
    temporary_.clear();
    return true;
}

std::string AtomicFile::release()
{
    // Given its final mode while it is still open, so moveInto() need not
    // open it again.
    if (descriptor_ >= 0 && !failed_ && ::fchmod(descriptor_, modeFor(access_)) != 0)
        failed_ = true;
    if (!closeDescriptor() || failed_ || temporary_.empty()) {
        discard();
        return {};
    }
    return std::exchange(temporary_, {});
}

void AtomicFile::discard()
{
    closeDescriptor();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        TempFile::untrack(temporary_);
        temporary_.clear();
    }
    failed_ = false;
}

bool AtomicFile::moveInto(const std::string& file, const std::string& target, Access access)
{
    std::string::size_type slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    struct stat from, into, existing;
    if (::stat(file.c_str(), &from) != 0 || ::stat(folder.c_str(), &into) != 0 || from.st_dev != into.st_dev
        || !S_ISREG(from.st_mode))
        return false;
    const bool replacing = ::lstat(target.c_str(), &existing) == 0;
    // A new file with its mode already set (a released AtomicFile) needs
    // neither a flush nor a chmod.
    if (!replacing && (from.st_mode & 07777) == modeFor(access))
        return ::rename(file.c_str(), target.c_str()) == 0;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ready = ::fchmod(fd, modeFor(access)) == 0 && (!replacing || ::fsync(fd) == 0);
    ::close(fd);
    return ready && ::rename(file.c_str(), target.c_str()) == 0;
}

bool AtomicFile::copyInto(const std::string& source, const std::string& target, std::string& error,
                          const std::atomic<bool>* stop, Access access)
{
    auto failure = [&error](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        return false;
    };
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return failure(source);
    struct stat st;
    if (::fstat(in, &st) != 0) {
        const int saved = errno;
        ::close(in);
        errno = saved;
        return failure(source);
    }
    AtomicFile out(target, access);
    if (!out.open()) {
        const int saved = errno;
        ::close(in);
        errno = saved;
        return failure(target);
    }
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        if (stop && stop->load()) {
            ::close(in);
            error = target + ": stopped";
            return false;
        }
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !out.write(buffer.data(), static_cast<std::size_t>(n)))) {
            const int saved = errno;
            ::close(in);
            errno = saved;
            return failure(n < 0 ? source : target);
        }
        if (n == 0)
            break;
    }
    ::close(in);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    return out.commit(times) || failure(target);
}

bool AtomicFile::moveOrCopy(const std::string& source, const std::string& target, Access access)
{
    if (moveInto(source, target, access))
        return true;
    std::string error;
    if (!copyInto(source, target, error, nullptr, access))
        return false;
    ::unlink(source.c_str());
    return true;
}

bool AtomicFile::writeWhole(const std::string& target, std::string_view bytes, Access access)
{
    AtomicFile file(target, access);
    return file.open() && file.write(bytes.data(), bytes.size()) && file.commit();
}

} // namespace platform
