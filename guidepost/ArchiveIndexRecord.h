#pragma once

#include <cstdint>
#include <string>

// Where one attachment's entry body lies in a GuidePost archive, and what its
// header says about the data.
struct ArchiveIndexRecord {
    std::string name;          // UTF-8
    std::uint32_t offset = 0;  // of the compressed flag byte
    std::uint32_t length = 0;  // 14 + stored length
    bool compressed = false;
    bool enciphered = false;
    std::uint32_t compressedSize = 0;
    std::uint32_t storedLength = 0;
};
