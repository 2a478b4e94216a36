#pragma once
// The GuidePost archive (.gpa): the document and its attached files, each
// compressed and optionally enciphered, laced with stamps.

#include "guidepost/ArchiveIndexRecord.h"
#include "guidepost/Export.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CAMData;

// What reading an archive's index yields.
struct ArchiveIndex {
    std::string documentPath;  // temporary file holding the document; the caller deletes it
    std::vector<std::uint32_t> attachmentCounts;  // per task
    std::uint32_t total = 0;
    std::vector<ArchiveIndexRecord> records;
    std::map<std::string, ArchiveIndexRecord> byName;  // the last of equal names wins
};

class CVCLIB_EXPORT GuidePostArchive {
public:
    // True when the file begins with "GPAR".
    static bool IsArchive(const std::string& path);

    // Writes model (which must be local) as an archive; false on failure,
    // with no target left behind.
    static bool Write(const std::string& path, CAMData& model, bool encipher,
                      const unsigned char* cipherCode, std::size_t cipherCodeLength);
    // Reads and checks the whole index; false for an invalid archive (its
    // message is CAMException 39), with no temporary file left behind.
    static bool ReadIndex(const std::string& path, ArchiveIndex& index);
    // Extracts one entry to destination; false on failure with no partial
    // file left: a file that was there stays as it was.
    static bool ExtractEntry(const std::string& archivePath, const std::string& destination,
                             const ArchiveIndexRecord& record,
                             const unsigned char* cipherCode, std::size_t cipherCodeLength);
    // Reads the index, extracts every attachment into folder and loads the
    // document into model.
    static bool Load(const std::string& archivePath, const std::string& folder, CAMData& model);

    // True when name, extracted into a folder, stays inside it: no separator,
    // not "." or "..", not empty, no drive.
    static bool IsSafeEntryName(const std::string& name);
    // The CAMException code of the last failure on this thread (39 for an
    // invalid archive, 1 for a failed save, or the code the save raised).
    static int LastError();
};
