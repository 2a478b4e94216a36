#pragma once
// Publishing an album as a GuidePost archive through CVCLIB, and reading
// one back. Every failure is an AlbumError with the message for the user;
// the album itself is never changed by publishing, and a read-back that is
// refused leaves it as it was. Whatever publishing writes into the album
// folder is removed again in every case.

#include "album/core/Album.h"

#include <cstdint>
#include <string>
#include <vector>

namespace album {

class CvclibLibrary;

// One file that went into the archive, in archive order.
struct PublishedEntry {
    enum class Kind { Page, Material, Picture, Video, Voice, DataFile };
    Kind kind = Kind::Page;
    std::string name;        // the entry's name in the archive
    std::string path;        // the file that was packed
    std::uintmax_t bytes = 0;
    int width = 0;           // pictures and videos, when known
    int height = 0;
    int voiceSeconds = 0;    // voice files
};

struct PublishedAlbum {
    std::string archivePath;
    std::string guidePostName;
    std::string saveFolder;   // as the GuidePost writes it: "Glimmora\creator\title"
    std::vector<PublishedEntry> entries;
    bool commonData = false;  // a "Common Data" task was added
    std::uintmax_t archiveBytes = 0;
};

class AlbumPublisher {
public:
    AlbumPublisher(CvclibLibrary& library, const styles::GMStyleHost& styles);

    // "Glimmora - creator - title[ - subtitle]".
    static std::string guidePostName(const Album& album);
    // "Glimmora\creator\title[\subtitle]".
    static std::string saveFolder(const Album& album);
    // "Glimmora - creator - title.gpa", the name of a mailed archive.
    static std::string attachmentName(const Album& album);

    // The three checks before building, in order (names given, items
    // present, no unsuitable characters); throws AlbumError.
    static void check(const Album& album);

    // Checks, has the album's style write its page, builds the GuidePost
    // item by item and saves it as an archive at `archivePath` (replacing a
    // file there only once the archive is complete). Throws AlbumError.
    PublishedAlbum save(const Album& album, const std::string& archivePath);

    // Reads an album archive into `album`, replacing what it held, when the
    // archive is one this program wrote; throws AlbumError
    // (texts::readBackRefused, with the reason as its detail) and leaves
    // `album` untouched otherwise.
    void readBack(const std::string& archivePath, Album& album);

private:
    void readBackUnguarded(const std::string& archivePath, Album& album);

    CvclibLibrary& library_;
    const styles::GMStyleHost& styles_;
};

} // namespace album
