#pragma once
// Fetches one document named by an http or https address (a GuidePost, an
// archive, a certificate) into a temporary file or into memory. Every
// failure is one typed result; a temporary file of a failed fetch is deleted
// before the result comes back.

#include "platform/InternetTypes.h"

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

struct UrlDownloadResult {
    bool ok = false;
    TransferError error;   // when not ok
    std::string tempPath;  // to a file: the caller now owns it
    std::string body;      // into memory
    long long size = 0;
};

class UrlDownload {
public:
    // A document fetched into memory may not grow beyond this; a server
    // sending more fails the fetch instead of exhausting memory.
    static constexpr std::size_t maxMemoryBytes = 16 * 1024 * 1024;

    // fetchBegins and fetchEnds stand for the "fetch begins" and "fetch
    // ended" messages: fetchBegins once the server has answered with the
    // document, fetchEnds at every end, failures included.
    // callbacks.fileBegins gives the progress range, blockReceived the bytes
    // so far.
    UrlDownload(ProxySettings httpProxy, InternetOptions options, TransferCallbacks callbacks,
                std::function<void()> fetchBegins = {}, std::function<void()> fetchEnds = {});

    // server: "host" or "host:port"; path: the object path from "/".
    UrlDownloadResult toFile(const std::string& server, const std::string& path, bool secure = false);
    UrlDownloadResult toString(const std::string& server, const std::string& path, bool secure = false);
    // The same from a whole "http://" or "https://" address.
    UrlDownloadResult fetch(const std::string& url, bool toFile);

    // Splits an http or https address into server ("host[:port]") and
    // path ("/" when none); false for anything else.
    static bool splitAddress(const std::string& url, std::string& server, std::string& path, bool& secure);

private:
    UrlDownloadResult run(const std::string& url, bool toFile);

    ProxySettings proxy_;
    InternetOptions options_;
    TransferCallbacks callbacks_;
    std::function<void()> fetchBegins_;
    std::function<void()> fetchEnds_;
};

} // namespace platform
