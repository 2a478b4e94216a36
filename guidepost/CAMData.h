#pragma once
// One GuidePost in memory: a tree of plain records owned by CAMData, loaded
// from and saved to a GuidePost document. Texts are UTF-8; documents on disk
// are Shift-JIS (code page 932). Keyword values are kept as the codes of
// Keywords.h.

#include "guidepost/ArchiveIndexRecord.h"
#include "guidepost/Export.h"
#include "guidepost/Keywords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class DocumentTree;

// Folder components in path order ("a\b" is {"a", "b"}).
using FolderList = std::vector<std::string>;

struct CVCLIB_EXPORT FileRecord {
    std::string name;       // local name
    std::string folder;     // written as the folder attribute, never read back
    std::string remote;     // remote name or path
    int mode = guidepost::ModeAuto;
    bool modeGiven = false;  // the file's own mode overrides its list's
    std::string browseId;
    bool synchronize = false;
    // Receiver only: synchronize="no" clears what the levels above set.
    bool synchronizeOff = false;
    // Receiver only: a file may ask for a single or a multiple get itself.
    bool methodGiven = false;
    int method = guidepost::MethodGet;
    int update = guidepost::UpdateDefault;
    bool selected = true;
    int uncompress = guidepost::UncompressNone;
    bool timePresent = false;
    std::int64_t time = 0;  // seconds since 1970-01-01 UTC
};

// A mirror site of a source's server (read by the receiver only).
struct MirrorSite {
    std::string id;
    std::string host;
    int weight = 100;
    int protocol = guidepost::ProtocolHttp;
    int port = 0;
};

struct CVCLIB_EXPORT FileListRecord {
    std::string name;
    bool remoteFolderGiven = false;
    std::string remoteFolder;
    FolderList localFolder;
    int method = guidepost::MethodGet;
    int mode = guidepost::ModeAuto;
    bool synchronize = false;
    int update = guidepost::UpdateDefault;
    std::vector<std::unique_ptr<FileRecord>> files;
    // Receiver only: mirror site id to the remote folder on that site.
    bool mirrorFoldersPresent = false;
    std::map<std::string, std::string> mirrorFolders;
};

struct CVCLIB_EXPORT SourceRecord {
    std::string name;
    int protocol = guidepost::ProtocolHttp;
    std::string serverName;
    std::uint16_t port = 0;  // 0: the protocol's default
    std::string account;
    bool inputMail = false;
    std::vector<std::unique_ptr<FileListRecord>> fileLists;
    // Receiver only.
    bool synchronize = false;
    int update = guidepost::UpdateDefault;
    std::vector<MirrorSite> mirrorSites;
};

struct CVCLIB_EXPORT AttachRecord {
    std::string name;
    std::string label;       // "添付ファイル" for attachments from an archive
    std::string sourcePath;  // the file on disk to pack
    std::int64_t time = 0;
    std::int64_t size = 0;
    // The flag below sits in the record's tail padding: one record per
    // attachment, and 168 bytes take a smaller allocation than 176.
    [[no_unique_address]] ArchiveIndexRecord indexRecord;  // when fromArchive
    bool fromArchive = false;
};

struct CVCLIB_EXPORT BrowseRecord {
    std::string target;
    std::string title;
    std::string description;
    bool remote = false;
    bool favorite = false;
};

struct CVCLIB_EXPORT TaskRecord {
    std::string name;
    int destinationType = guidepost::DestinationSave;
    std::string folderText;
    FolderList folderList;
    std::string zipFileName;
    bool open = false;
    bool synchronize = false;
    int update = guidepost::UpdateDefault;
    bool digestPresent = false;
    std::string digest;
    std::vector<std::unique_ptr<AttachRecord>> attachments;
    std::vector<std::unique_ptr<SourceRecord>> sources;
};

class CVCLIB_EXPORT CAMData {
public:
    // The format version this library reads and writes.
    static constexpr int formatVersion = 1;

    CAMData();
    ~CAMData();
    CAMData(const CAMData&) = delete;
    CAMData& operator=(const CAMData&) = delete;

    // Empties the model as after construction.
    void Clear();
    // Loads a GuidePost document. Throws CAMException 0 when the document
    // does not parse or validate and 5 when the schema cannot be used;
    // returns false (model cleared of the failing task) for a structural
    // defect. Attachment names are checked against attachmentIndex, which
    // the caller fills before loading an archive's document; each record
    // named moves from there into its attachments.
    bool Load(const std::string& path);
    // The same for a document held in memory.
    bool LoadMemory(const char* data, std::size_t length);
    // Writes the document; throws CAMException 1 to 4.
    void Save(const std::string& path) const;
    // The bytes Save writes, with the same errors.
    std::string SaveMemory() const;

    // The folder rules of destination folders and local folders: leading "\\"
    // and single-byte blanks dropped, at most 260 bytes of the code page 932
    // form kept, split at "\\" up to the first empty component. False when no
    // component remains or the text cannot be held in code page 932.
    static bool ParseFolder(const std::string& text, std::string& folderText, FolderList& folders);
    // The same rules for a folder an author sets: throws platform::CodecError
    // (both outputs untouched) instead of refusing; an empty list is allowed.
    static void SplitFolder(const std::string& text, std::string& folderText, FolderList& folders);
    // The components joined again with "\\".
    static std::string JoinFolder(const FolderList& folders);

    std::string name;
    std::vector<std::unique_ptr<BrowseRecord>> browse;
    std::unordered_map<std::string, FileRecord*> browseIndex;
    std::string description;
    std::string creator;
    std::string comment;
    bool datePresent = false;
    int dateYear = 0, dateMonth = 0, dateDay = 0;  // local midnight of that day
    std::string contentVersion;
    bool digestPresent = false;
    std::string digestUrl;
    std::string digestName;
    bool archived = false;
    bool encrypt = false;
    std::string sourceArchivePath;
    int attachmentTotal = 0;
    std::map<std::string, ArchiveIndexRecord> attachmentIndex;
    bool local = false;
    std::vector<std::unique_ptr<TaskRecord>> tasks;

    // Receiver only: read from the document, never written back.
    bool navigation = false;
    std::string digestType;  // the digest's type attribute

private:
    bool LoadDocument(const std::function<void(DocumentTree&)>& open);
};
