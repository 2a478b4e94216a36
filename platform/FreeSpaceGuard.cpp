#include "platform/FreeSpaceGuard.h"

#include <atomic>
#include <sys/statvfs.h>

namespace platform {

namespace {

std::atomic<std::uint64_t> reserveBytes{FreeSpaceGuard::defaultReserve};
thread_local bool refused = false;

// Asked again after this much was written, or sooner when the room left is
// smaller: other writers share the disk.
constexpr std::uint64_t checkEvery = 16ull * 1024 * 1024;

bool freeBytes(const std::string& folder, std::uint64_t& bytes)
{
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0)
        return false;
    bytes = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    return true;
}

} // namespace

FreeSpaceGuard::FreeSpaceGuard(std::string folder) : folder_(std::move(folder))
{
    refused = false;
}

bool FreeSpaceGuard::refresh()
{
    std::uint64_t free = 0;
    sinceCheck_ = 0;
    if (!freeBytes(folder_, free)) {
        known_ = false;
        return false;
    }
    known_ = true;
    const std::uint64_t keep = reserve();
    room_ = free > keep ? free - keep : 0;
    return true;
}

bool FreeSpaceGuard::allow(std::size_t bytes)
{
    if (!known_ || sinceCheck_ >= checkEvery || bytes > room_) {
        if (!refresh())
            return true;
    }
    if (bytes > room_) {
        refused = true;
        return false;
    }
    room_ -= bytes;
    sinceCheck_ += bytes;
    return true;
}

bool FreeSpaceGuard::refusedOnThisThread()
{
    return refused;
}

bool FreeSpaceGuard::low(const std::string& folder)
{
    // Writers hand over at most this much at a time.
    constexpr std::uint64_t block = 1024 * 1024;
    std::uint64_t free = 0;
    return freeBytes(folder, free) && free < reserve() + block;
}

void FreeSpaceGuard::setReserve(std::uint64_t bytes)
{
    reserveBytes = bytes;
}

std::uint64_t FreeSpaceGuard::reserve()
{
    return reserveBytes;
}

} // namespace platform
