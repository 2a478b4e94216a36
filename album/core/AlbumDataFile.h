#pragma once
// The album data file "___gm___.dat" that travels in every published album,
// so that the album can be read back from its archive: the items with their
// texts, sizes and voice messages, and the files the style module made.
// Little-endian, texts in code page 932, each stored as its length (one
// byte below 255; else 0xFF and 16 bits below 0xFFFE; else 0xFF, 0xFFFF and
// 32 bits) and its bytes. Version 2 is written; 1 and 2 are read.

#include "album/core/AlbumItem.h"
#include "styles/host/GMStyleModule.h"

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace album {

struct AlbumData {
    std::vector<AlbumItem> items;            // save name, source path, texts, sizes, type, voice
    std::vector<styles::Material> materials; // version 2 only
};

class AlbumDataFile {
public:
    static constexpr std::uint32_t writtenVersion = 2;
    // The most a data file may hold; it carries texts only.
    static constexpr std::size_t maxFileSize = 64u << 20;

    // The file's bytes. Throws AlbumError (dataFileNotWritten) for a text
    // that code page 932 cannot hold.
    static std::string serialize(const AlbumData& data);
    // The album read from the file's bytes. Throws AlbumError (dataFileBad,
    // with the reason as its detail) for another magic or version, a length
    // that runs past the end, a text that is not code page 932, a value out
    // of range, or more items or materials than `maxEntries` (the files the
    // archive holds) or than the bytes left could hold: counts are checked
    // before anything is allocated for them.
    static AlbumData parse(std::string_view bytes, std::size_t maxEntries = SIZE_MAX);

    // Writes the file anew (through a temporary file); throws AlbumError.
    static void write(const std::string& path, const AlbumData& data);
    // Reads the file; throws AlbumError.
    static AlbumData read(const std::string& path, std::size_t maxEntries = SIZE_MAX);
};

} // namespace album
