#pragma once
// The one way a file is written in place of another: a temporary file beside
// the target (so the rename never crosses file systems), written, flushed,
// given its mode, and renamed over the target. A failure at any step leaves
// the target as it was and removes the temporary file; so does an object
// that goes away uncommitted.
//
// Modes: files for the user's own reading (received files, pages, GuidePost
// documents) get 0666 less the process's umask, as any program's new files
// do; the account store gets 0600. The umask is read, never set: umask(0)
// would race with every other thread creating files.

#include <atomic>
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

class AtomicFile {
public:
    enum class Access { Shared, OwnerOnly };

    explicit AtomicFile(std::string target, Access access = Access::Shared);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Makes the temporary file; false (errno set) when it cannot.
    bool open();
    int descriptor() const { return descriptor_; }
    const std::string& temporaryPath() const { return temporary_; }
    const std::string& target() const { return target_; }

    // False once any write has failed.
    bool write(const void* data, std::size_t size);
    // Closes the descriptor early, for a library that writes the temporary
    // path by itself; commit() then works on the path.
    bool closeDescriptor();
    // Flushes the file (to the disk when it replaces an existing one, so a
    // crash never leaves neither), sets its mode and, when given, its
    // access and modification times, and renames it over the target.
    bool commit(const struct timespec* times = nullptr);
    // Removes the temporary file; the target stays as it was.
    void discard();
    // Closes the finished temporary file and hands its path on uncommitted
    // ("" when a write failed, the file then removed). It stays on the list
    // that TempFile::removeAllNow() deletes until whoever took it puts it
    // in place with moveInto() or removes it, and untracks it.
    std::string release();

    // Puts a finished file of ours (a received temporary file) in place of
    // target by renaming it, with the same mode and flush as commit(). False
    // when it lies on another file system or the rename fails: the caller
    // copies it through an AtomicFile instead.
    static bool moveInto(const std::string& file, const std::string& target, Access access = Access::Shared);
    // Copies source over target through an AtomicFile, keeping source's
    // modification time. A failure (a full disk included) or a stop request
    // leaves target as it was; error then says why.
    static bool copyInto(const std::string& source, const std::string& target, std::string& error,
                         const std::atomic<bool>* stop = nullptr, Access access = Access::Shared);
    // Moves a file of ours over target: renamed where it can be, else copied
    // and the source removed. False leaves the source and the target as they
    // were.
    static bool moveOrCopy(const std::string& source, const std::string& target, Access access = Access::Shared);
    // The whole file at once.
    static bool writeWhole(const std::string& target, std::string_view bytes, Access access = Access::Shared);
    // 0666 less the umask, or 0600.
    static mode_t modeFor(Access access);

private:
    std::string target_;
    Access access_;
    std::string temporary_;
    int descriptor_ = -1;
    bool failed_ = false;
};

} // namespace platform
