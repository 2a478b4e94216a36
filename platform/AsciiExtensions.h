#pragma once
// The file extensions that the FTP "auto" mode fetches as text: one per line
// in "EXT1.DAT" beside the program, compared upper-cased.

#include <set>
#include <string>

namespace platform {

class AsciiExtensions {
public:
    static constexpr const char* fileName = "EXT1.DAT";

    // Replaces the set by the file's lines; lines holding "." are skipped.
    // A missing file leaves the set empty and gives false.
    bool load(const std::string& path);
    // "EXT1.DAT" in the program's folder.
    bool loadBesideProgram();
    void add(const std::string& extension);

    // True when the name's text after its last "." is in the set; a name
    // without "." is binary.
    bool isAscii(const std::string& remoteName) const;
    // Resolves a transfer mode code: 0 auto, 1 ascii, 2 binary; gives 1 or 2.
    int resolve(int mode, const std::string& remoteName) const;

    bool empty() const { return extensions_.empty(); }
    std::size_t size() const { return extensions_.size(); }

private:
    std::set<std::string> extensions_;
};

} // namespace platform
