#pragma once
// Temporary files in the system temporary folder ($TMPDIR, else /tmp), named
// with the prefix "CV" and created without a name race. The file is removed
// when the object goes away unless it was released.

#include <string>

namespace platform {

class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates an empty file; false (and errno set) when that fails.
    bool create();
    // Creates an empty file and returns it open for writing (-1 on failure),
    // saving a second open of the same file; the caller closes it.
    int createOpen();
    const std::string& path() const { return path_; }
    bool valid() const { return !path_.empty(); }
    // Removes the file now.
    void remove();
    // Keeps the file on disk; the caller now owns it.
    std::string release();

    // The folder temporary files go to: this thread's own folder while a
    // ThreadFolder lives, else the system's.
    static std::string folder();
    static std::string systemFolder();

    // Every temporary file of this process not yet removed or handed on
    // (TempFile and AtomicFile keep the list, an unpacking its staging
    // folder): removeAllNow() deletes them, for a program that must end at
    // once.
    static void track(const std::string& path);
    static void untrack(const std::string& path);
    static void removeAllNow();

    // Sends the temporary files made on this thread to folder while it
    // lives (a receive keeps its files in a folder of its own, so none is
    // left behind however it ends).
    class ThreadFolder {
    public:
        explicit ThreadFolder(std::string folder);
        ~ThreadFolder();
        ThreadFolder(const ThreadFolder&) = delete;
        ThreadFolder& operator=(const ThreadFolder&) = delete;

    private:
        std::string previous_;
    };
    // Creates an empty temporary file and returns its path ("" on failure);
    // the caller deletes it.
    static std::string createPath();

private:
    std::string path_;
};

} // namespace platform
