#pragma once
// A file written so that a failure never leaves half of it: the bytes go to a
// temporary file beside the target, which is renamed over the target only
// when everything was written. The temporary file is removed otherwise.

#include <cstddef>
#include <string>

namespace album {

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // False when the temporary file could not be made.
    bool isOpen() const { return descriptor_ >= 0; }
    bool write(const void* bytes, std::size_t size);
    // Closes and renames into place; false (nothing placed) on failure.
    bool commit();

private:
    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool failed_ = false;
};

// Writes a whole file through an AtomicFile; false on failure.
bool writeFileAtomically(const std::string& path, const void* bytes, std::size_t size);

// Moves `source` to `target`, replacing it: a rename on the same file
// system, else a copy through an AtomicFile and the source removed. False
// (the source kept, the target untouched) on failure.
bool placeFile(const std::string& source, const std::string& target);

} // namespace album
