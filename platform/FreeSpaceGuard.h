#pragma once
// Keeps a writer from filling a disk: unpacking an archive's attachment or a
// zip file stops while the file system still has the reserve free, so the
// rest of the system (and the user's other programs) keep working. The free
// space is asked of the file system only now and then, not per block.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class FreeSpaceGuard {
public:
    // 100 MiB stay free on every disk a receive writes to.
    static constexpr std::uint64_t defaultReserve = 100ull * 1024 * 1024;

    // Watches the file system that holds folder.
    explicit FreeSpaceGuard(std::string folder);

    // Whether bytes more may be written; false once they would leave less
    // than the reserve free. A file system that cannot be asked is trusted.
    bool allow(std::size_t bytes);

    // Whether the last guard made on this thread refused a write.
    static bool refusedOnThisThread();

    // Whether the file system holding folder is at its reserve now: less
    // than the reserve and one more block of writing free. After a guard
    // refused, or a write failed, this says that space ran out.
    static bool low(const std::string& folder);

    // The reserve for every guard of the process; tests set a reserve just
    // below the free space to run out of it without filling a disk.
    static void setReserve(std::uint64_t bytes);
    static std::uint64_t reserve();

private:
    bool refresh();

    std::string folder_;
    std::uint64_t room_ = 0;       // bytes that may still be written
    std::uint64_t sinceCheck_ = 0; // written since the free space was asked
    bool known_ = false;
};

} // namespace platform
