#pragma once
// One step of a receive as the engine reports it to the finishing side.

#include <cstdint>
#include <string>
#include <vector>

namespace receive {

enum EventKind : std::uint32_t {
    SourceBegun = 0,
    ZipFolder = 2,
    ZipFailedRow = 3,
    DestinationSet = 4,
    FolderCreated = 5,
    FolderFailedRow = 6,
    FileReceived = 7,
    FileFailed = 8,
    ReceiveFinished = 9,
};

enum ProtocolCode : std::int32_t { ProtocolHttp = 0, ProtocolFtp = 1, ProtocolAttach = 2 };

enum TransferMode : std::uint32_t { ModeNone = 0xFFFFFFFFu, ModeAscii = 1, ModeBinary = 2 };

struct RemoveEntry {
    bool isFolder = false;
    std::string path;
};

struct ReceiveEvent {
    std::uint32_t eventKind = SourceBegun;
    std::string tempPath;       // kind 7: the received temporary file
    std::string destPath;       // kind 7: the final path; kind 4: the destination folder
    std::string saveName;       // local name; kind 2: the zip file
    std::string remoteName;
    std::string sourceFolder;   // kind 2: the folder to pack
    std::string serverName;     // kind 0
    std::int32_t protocolCode = ProtocolHttp;
    std::int64_t byteCount = 0; // < 0 on kind 7: kept, nothing transferred
    std::uint32_t transferMode = ModeBinary;
    std::vector<RemoveEntry> removeList;
    std::int32_t unzipAfter = 0;
    // The error line for kind 8 (what could not be received and why).
    std::string errorText;
    // Kind 7: the browse id of the file it came from, so the report links
    // that very file.
    std::string browseId;
};

} // namespace receive
