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

    // The folder temporary files go to.
    static std::string folder();
    // Creates an empty temporary file and returns its path ("" on failure);
    // the caller deletes it.
    static std::string createPath();

private:
    std::string path_;
};

} // namespace platform
