#pragma once
// A folder of its own in the system temporary folder for one piece of work
// (a receive), marked with its owner: a lock file inside is held with flock
// for as long as the owner lives. The kernel drops the lock when the process
// ends however it ends (SIGKILL, a crash), so a later run can tell debris
// from a folder still in use without trusting process ids, which are reused.

#include <string>

namespace platform {

class OwnedTempFolder {
public:
    static constexpr const char* ownerFileName = ".owner";

    OwnedTempFolder() = default;
    // Removes the folder with everything in it.
    ~OwnedTempFolder();
    OwnedTempFolder(const OwnedTempFolder&) = delete;
    OwnedTempFolder& operator=(const OwnedTempFolder&) = delete;

    // Makes "<temp>/<prefix>XXXXXX" and takes its lock; false when either fails.
    bool create(const std::string& prefix);
    const std::string& path() const { return path_; }
    // Removes the folder now (the lock goes with it).
    void remove();

    // Removes the folders named prefix* in the system temporary folder whose
    // owner has gone: their lock can be taken. A folder without a lock file
    // (made before owners were marked, or a moment before its lock exists)
    // goes once it is older than graceSeconds. Returns how many went.
    static int removeAbandoned(const std::string& prefix, long graceSeconds = 600);

private:
    std::string path_;
    int lock_ = -1;
};

} // namespace platform
