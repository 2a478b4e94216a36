#pragma once
// Packing a folder into a zip file and unpacking a zip file into a folder
// (libzip). Both return non-zero on success, as the receiver expects. A set
// stop request ends either between two blocks: the zip file being made is
// not left behind, and of an unpacking what was written whole stays.

#include <atomic>
#include <string>

namespace platform {

// Packs every file below folder (recursively, names relative to folder,
// "/"-separated, UTF-8 with the UTF-8 flag) into zipPath. The zip file is
// written beside its target under a temporary name and renamed into place,
// so a failure never leaves a half-written zip or destroys an existing one.
int zipnize(const std::string& folder, const std::string& zipPath, const std::atomic<bool>* stop = nullptr);

// Unpacks zipPath into folder. Every entry name is checked first: an
// absolute name, a drive, or a ".." component refuses the whole archive and
// nothing is written. Names without the UTF-8 flag are read as code page 932
// (as Japanese zip programs write them). Every file is first written whole
// into a fresh folder inside folder, then moved into place, replacing an
// existing file of that name (the zip file itself included); so a failure
// or a stop never leaves a half-written entry in the folder. An entry may not
// grow beyond the size the zip records, nor fill the disk (FreeSpaceGuard).
int UnZipnizeInFolder(const std::string& folder, const std::string& zipPath,
                      const std::atomic<bool>* stop = nullptr);

// The last failure of either call in this thread (UTF-8), for the log.
const std::string& lastZipError();

// What kind of failure the last unpacking was.
enum class ZipFailure { None, SpaceRanOut, TooLarge, Io, Other };
ZipFailure lastZipFailure();

} // namespace platform
