#pragma once
// The files of one "http" source: one session and one connection for all of
// them, one GET per file, the body streamed into a temporary file that the
// engine places. Authentication (server 401 and proxy 407) is answered from
// the source's login, the proxy settings or the user through the prompts;
// every failure of one file comes back as a typed result, never as an
// exception.

#include "platform/InternetSession.h"
#include "platform/InternetTypes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct HttpFileRequest {
    std::string remoteFolder; // trailing "/" and white space are dropped
    std::string remoteName;   // leading "/" and white space are dropped
    bool synchronize = false; // give the temporary file the remote time
    // The file's own `time` (seconds since 1970 UTC); wins over Last-Modified.
    std::optional<std::int64_t> fixedTime;
    // Asked once the server has answered with the file, before any byte is
    // stored, with the remote time when known (synchronize only). False
    // keeps the local file: the result is Kept with size -1.
    std::function<bool(std::optional<std::int64_t> remoteTime)> decide;
    // The local file this becomes: with the options' resume folder, a
    // transfer cut part-way keeps its data there for the next receive of
    // the same address into the same target. Empty: never kept.
    std::string resumeTarget;
};

struct HttpFileResult {
    TransferStatus status = TransferStatus::Failed;
    TransferError error;      // Failed and Cancelled: what went wrong
    std::string tempPath;     // Received: the caller now owns this file
    long long size = -1;      // bytes received; -1 when Kept
    std::optional<std::int64_t> remoteTime;
    std::string requestPath;  // "folder/name" as requested
    int attempts = 0;         // requests made for the file (retries count)
    long long resumedFrom = 0; // bytes held from an earlier receive and kept
};

class HttpSource {
public:
    // port 0 is the scheme's default; https is used when secure is set.
    HttpSource(std::string host, int port, SourceLogin login, ProxySettings proxy,
               bool allowBasicAuth, InternetOptions options, TransferCallbacks callbacks,
               bool secure = false);
    ~HttpSource();

    // Makes the session; false when it cannot be made.
    bool open();
    HttpFileResult fetch(const HttpFileRequest& request);

    const std::string& host() const { return host_; }
    // "http://host[:port]/path" of a request path.
    std::string address(const std::string& requestPath) const;

    // "folder/name" with the separators the request path needs.
    static std::string requestPath(const std::string& folder, const std::string& name);
    // "bytes FIRST-LAST/TOTAL" (TOTAL may be "*", given as -1); false when
    // it is not that.
    static bool parseContentRange(const std::string& value, long long& first, long long& last, long long& total);

private:
    bool obtainServerLogin(const std::string& requestPath);
    void forgetLogin();

    std::string host_;
    int port_;
    SourceLogin login_;
    ProxySettings proxy_;
    bool allowBasicAuth_;
    InternetOptions options_;
    TransferCallbacks callbacks_;
    bool secure_;
    std::unique_ptr<InternetSession> session_;
    bool loginSet_ = false;      // credentials go with every later request
    bool passwordTyped_ = false;
};

// The text without white space at either end.
std::string trimmed(const std::string& text);

} // namespace platform
