#pragma once
// What the reports need from one receive, as plain values. The engine's host
// fills them from its own records; nothing here knows the engine.

#include "platform/ProductInfo.h"

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace reports {

// A local (broken-down) time as the pages print it.
struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    static LocalTime fromTime(std::time_t t);
    static LocalTime now() { return fromTime(std::time(nullptr)); }
};

// The receive as the pages print it (UTF-8 texts).
struct ReceiveRecord {
    std::string saveRoot;
    std::string documentPath;   // the GuidePost as the user named it
    std::string title;          // the GuidePost's name
    std::string creator;        // empty: absent
    std::string comment;        // empty: absent
    bool hasDate = false;
    int dateYear = 0, dateMonth = 0, dateDay = 0;
    std::string guidePostVersion;  // the information's version text; empty: absent
    int formatVersion = 1;         // the GuidePost format version
    LocalTime startTime;
    std::string programVersion = product::version;
};

// The twelve counters of one receive.
struct ReportTotals {
    int httpReceived = 0, httpFailed = 0, httpBytes = 0;
    int ftpReceived = 0, ftpFailed = 0, ftpBytes = 0;
    int attachReceived = 0, attachFailed = 0, attachBytes = 0;
    int zipMade = 0, zipFailed = 0, zipBytes = 0;

    int received() const { return httpReceived + ftpReceived + attachReceived; }
    int failed() const { return httpFailed + ftpFailed + attachFailed; }
    int bytes() const { return httpBytes + ftpBytes + attachBytes; }
};

struct FolderEntry {
    std::string taskName;
    std::string folder;  // save root, separator, the task's folder
};

// One "browse" of the GuidePost's browselist.
struct BrowseLink {
    std::optional<std::string> target;
    std::optional<std::string> title;
    std::string description;
    bool remote = false;    // remote="yes"
    bool favorite = false;  // favorite="yes"
};

struct ErrorEntry {
    std::string errorText;
    std::string taskName;
    std::string sourceName;
    std::string fileListName;
};

// A received file that could not be put in place.
struct CopyFailure {
    std::string tempPath;
    std::string destPath;
};

// Everything the end-of-receive pages print.
struct ReceiveReport {
    ReceiveRecord record;
    ReportTotals totals;
    std::vector<FolderEntry> taskFolders;
    std::vector<FolderEntry> openFolders;  // at most 8 are kept by the engine
    std::vector<ErrorEntry> errors;
    std::vector<CopyFailure> copyFailures;
    std::optional<std::vector<BrowseLink>> browseList;  // absent: no browselist element
    std::map<std::string, std::string> browseTargets;   // browse target name -> local path
};

// The paths of one receive's pages.
struct ReportSet {
    int number = 0;  // the rotation number; 0 for unique names
    std::string report, error, frame, folder, mrrFrame, mrrFolder;
    std::string pageToOpen;      // becomes the recent receive's Target
    std::string pageToRemember;  // becomes the recent receive's Folder
};

// What the log needs from one event.
struct LogRow {
    enum Kind : unsigned {
        SourceBegins = 0, ZipMade = 1, PackFolder = 2, ZipFailed = 3, SaveDestination = 4,
        FolderCreated = 5, FolderFailed = 6, FileReceived = 7, FileFailed = 8, End = 9,
    };
    unsigned kind = FileReceived;
    bool finishedOk = true;   // the finishing step (copy, pack) succeeded
    bool unpackFailed = false;  // kind 7: copied into place, but the zip could not be unpacked
    std::string saveName;     // kind 2: the zip file made; kind 1, 3: as the event gives it
    std::string remoteName;
    std::string destPath;     // kind 1 and failed 2: the zip path; kind 4: the destination
    std::string serverName;
    int protocol = 0;         // 0 HTTP, 1 FTP, other attachment
    long long size = 0;       // negative on kind 7: kept, nothing transferred
    int transferMode = 2;     // -1 none, 1 ASCII, other BINARY
};

} // namespace reports
