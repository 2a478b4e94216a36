#pragma once
// The item kinds and data identifiers of CVCLIB's authoring interface that
// the album program uses, by name.

namespace album::cvclib {

enum Kind {
    GuidePostItem = 1,
    TaskItem = 2,
    SourceItem = 3,
    FileListItem = 4,
    FileItem = 5,
    AttachmentItem = 6,
    BrowseItem = 7,
    FolderComponent = 8, // a child kind for counting a task's folder components
};

enum Id {
    Name = 1011,         // GuidePost, task, source, file list name; attachment name
    FileTime = 1012,     // file: seconds since 1970
    FileTimePresent = 1013,
    Location = 1101,     // GuidePost: LocationLocal
    AppendTask = 1102,
    AppendBrowse = 1103,
    DestinationType = 1201, // task: DestinationSave
    DestinationFolder = 1202,
    OpenFolder = 1203,
    UpdatePolicy = 1205,
    AppendSource = 1207,
    AppendAttachment = 1208,
    Protocol = 1301,     // source: ProtocolAttach
    Method = 1303,       // file list: MethodGet
    AppendFileList = 1306,
    AppendFile = 1404,
    LocalName = 1501,
    RemoteName = 1502,
    BrowseId = 1503,
    AttachLabel = 1601,
    AttachPath = 1602,
    Creator = 1701,
    Comment = 1702,
    BrowseTarget = 1801,
    BrowseTitle = 1802,
    BrowseDescription = 1803,
    BrowseFavorite = 1805,
};

enum Code {
    LocationLocal = 111,
    DestinationSave = 121,
    ProtocolAttach = 133,
    MethodGet = 141,
    PolicyIfNotExist = 164,
};

// CvclibSave's mode for an archive (1 would write a plain document).
inline constexpr int saveArchive = 2;

} // namespace album::cvclib
