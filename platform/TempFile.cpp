#include "TempFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <cstdlib>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

TempFile::~TempFile()
{
    remove();
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    if (this != &other) {
        remove();
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

bool TempFile::create()
{
    remove();
    path_ = createPath();
    if (path_.empty())
        return false;
    track(path_);
    return true;
}

int TempFile::createOpen()
{
    remove();
    std::string pattern = folder() + "/CVXXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = ::mkstemp(buffer.data());
    if (fd >= 0) {
        path_.assign(buffer.data());
        track(path_);
    }
    return fd;
}

void TempFile::remove()
{
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        untrack(path_);
        path_.clear();
    }
}

std::string TempFile::release()
{
    if (!path_.empty())
        untrack(path_);
    return std::exchange(path_, {});
}

namespace {
thread_local std::string threadFolder;

std::mutex trackedMutex;
std::set<std::string>& tracked()
{
    static std::set<std::string> paths;
    return paths;
}
} // namespace

void TempFile::track(const std::string& path)
{
    std::lock_guard lock(trackedMutex);
    tracked().insert(path);
}

void TempFile::untrack(const std::string& path)
{
    std::lock_guard lock(trackedMutex);
    tracked().erase(path);
}

void TempFile::removeAllNow()
{
    std::lock_guard lock(trackedMutex);
    for (const std::string& path : tracked()) {
        // A tracked folder (an unpacking's staging folder) goes with its files.
        if (::unlink(path.c_str()) != 0 && errno == EISDIR) {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    }
    tracked().clear();
}

TempFile::ThreadFolder::ThreadFolder(std::string folder) : previous_(std::exchange(threadFolder, std::move(folder))) {}

TempFile::ThreadFolder::~ThreadFolder()
{
    threadFolder = std::move(previous_);
}

std::string TempFile::folder()
{
    return threadFolder.empty() ? systemFolder() : threadFolder;
}

std::string TempFile::systemFolder()
{
    const char* dir = std::getenv("TMPDIR");
    if (dir && *dir)
        return dir;
    return "/tmp";
}

std::string TempFile::createPath()
{
    TempFile temp;
    int fd = temp.createOpen();
    if (fd < 0)
        return {};
    ::close(fd);
    return temp.release();
}

} // namespace platform
