#pragma once
// The files of one "ftp" source: one session and one control connection for
// all of them; the file list's remote folder made current; each file fetched
// in ASCII or binary mode into a temporary file that the engine places.
// "mget" patterns fetch every matching file and, recursively, every matching
// folder. Failures of one file come back as results.

#include "platform/AsciiExtensions.h"
#include "platform/InternetSession.h"
#include "platform/InternetTypes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct FtpFileRequest {
    std::string remoteName;
    int mode = 0;                 // 0 auto, 1 ascii, 2 binary
    // Asked before the transfer when the local file exists; false keeps it
    // (the result is Kept with size -1). Empty: always fetch.
    std::function<bool()> decide;
    // The local file this becomes: with the options' resume folder, a
    // binary transfer cut part-way keeps its data for the next receive of
    // the same file into the same target (REST). Empty: never kept.
    std::string resumeTarget;
};

struct FtpFileResult {
    TransferStatus status = TransferStatus::Failed;
    TransferError error;      // Failed and Cancelled: what went wrong
    int mode = 2;             // the mode used: 1 ASCII, 2 binary
    std::string remoteName;
    std::string localFolder;  // multiple get: the local folder it belongs in
    std::string tempPath;     // Received: the caller now owns this file
    long long size = -1;      // bytes written; -1 when Kept
    int attempts = 0;         // transfers tried (retries count)
    long long resumedFrom = 0; // bytes held from an earlier receive and kept
};

struct FtpEntry {
    std::string name;
    bool folder = false;
    long long size = -1;      // -1 when the listing gave none
};

// A multiple get: every entry of the current folder that matches pattern.
struct FtpMultipleGet {
    std::string pattern;
    int mode = 0;
    std::string localFolder;
    // Number of matching entries of a folder, before they are fetched.
    std::function<void(int count)> counted;
    // The local file localFolder/name exists: false keeps it.
    std::function<bool(const std::string& localFolder, const std::string& name)> decide;
    // Makes a local folder; false stops the multiple get (folderRefused).
    std::function<bool(const std::string& localFolder)> createFolder;
    std::function<void(const std::string& localFolder, const std::string& name)> folderCreated;
    std::function<void(const FtpFileResult&)> fileDone;
    // A remote folder that could not be listed (its files are skipped).
    std::function<void(const std::string& remoteFolder)> folderUnreadable;
    // A folder below remoteFolder that could not be made locally (or lies
    // too deep): the multiple get stops there.
    std::function<void(const std::string& remoteFolder, const std::string& name)> folderRefused;
};

class FtpSource {
public:
    // Folders deeper than this below the list's folder are not followed, so
    // a server whose links loop cannot keep the receive going for ever.
    static constexpr int maxDepth = 32;

    FtpSource(std::string host, int port, SourceLogin login, ProxySettings proxy, InternetOptions options,
              TransferCallbacks callbacks, const AsciiExtensions* asciiExtensions, bool passive = true);
    ~FtpSource();

    // Asks for the password when the account wants it typed
    // (PasswordDeclined), makes the session and logs in (LoginRefused,
    // ConnectFailed, ...). An empty error on success.
    TransferError open();

    // Makes a folder current (absolute from "/", else below the log-in
    // folder); false when the server refuses it.
    bool changeFolder(const std::string& folder);
    const std::string& currentFolder() const { return folder_; }
    const std::string& host() const { return host_; }

    FtpFileResult get(const FtpFileRequest& request);
    // False when the stop request ended it.
    bool getMultiple(const FtpMultipleGet& request);

    // The entries of the current folder (or a folder below it) matching a
    // pattern with "*" and "?"; false when the folder cannot be listed.
    bool list(const std::string& pattern, std::vector<FtpEntry>& entries, const std::string& below = {});

    // Parses MLSD lines, or Unix-style LIST lines when mlsd is false.
    static std::vector<FtpEntry> parseListing(const std::string& text, bool mlsd);

private:
    FtpFileResult transfer(const std::string& folder, const std::string& remoteName, int mode,
                           long long knownSize, const std::function<bool()>& decide,
                           const std::string& resumeTarget = {});
    bool walk(const FtpMultipleGet& request, const std::string& remoteFolder, const std::string& localFolder,
             int depth);
    std::string folderUrl(const std::string& folder) const;
    void resetRequest();

    std::string host_;
    int port_;
    SourceLogin login_;
    ProxySettings proxy_;
    InternetOptions options_;
    TransferCallbacks callbacks_;
    const AsciiExtensions* ascii_;
    bool passive_;
    std::unique_ptr<InternetSession> session_;
    std::string folder_;
};

} // namespace platform
