#include "OwnedTempFolder.h"

#include "platform/TempFile.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

OwnedTempFolder::~OwnedTempFolder()
{
    remove();
}

bool OwnedTempFolder::create(const std::string& prefix)
{
    remove();
    std::string pattern = TempFile::systemFolder() + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return false;
    const std::string owner = pattern + "/" + ownerFileName;
    int fd = ::open(owner.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0)
            ::close(fd);
        std::error_code ec;
        std::filesystem::remove_all(pattern, ec);
        return false;
    }
    path_ = std::move(pattern);
    lock_ = fd;
    return true;
}

void OwnedTempFolder::remove()
{
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        path_.clear();
    }
    if (lock_ >= 0) {
        ::close(lock_);
        lock_ = -1;
    }
}

int OwnedTempFolder::removeAbandoned(const std::string& prefix, long graceSeconds)
{
    const std::string base = TempFile::systemFolder();
    DIR* dir = ::opendir(base.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    const uid_t me = ::geteuid();
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string folder = base + "/" + name;
        struct stat st {};
        // Only our own real folders: never follow a link another user planted.
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != me)
            continue;
        const std::string owner = folder + "/" + ownerFileName;
        int fd = ::open(owner.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        bool abandoned = false;
        if (fd >= 0) {
            // Taken at once: nobody holds it any more.
            abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        } else if (errno == ENOENT) {
            abandoned = std::time(nullptr) - st.st_mtime > graceSeconds;
        }
        if (abandoned) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
            if (!ec)
                ++removed;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace platform
