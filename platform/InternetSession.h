#pragma once
// One libcurl easy handle per source: kept for all the source's files so a
// single connection serves them. Sets the agent, the two request headers,
// the connect time-out, the stall limit, the proxy and certificate checks,
// reports the connection stages and cuts the body into 4096-byte blocks,
// checking the stop request before each. While nothing arrives the stop
// request is still looked at every tenth of a second, so a silent server
// never keeps a stop waiting.

#include "platform/InternetTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

typedef void CURL;
typedef void CURLM;
struct curl_slist;

namespace platform {

class InternetSession {
public:
    static constexpr std::size_t blockSize = 4096;
    // How long a transfer waits for the network before it looks at the stop
    // request again.
    static constexpr int stopCheckMs = 100;
    static constexpr const char* agent = "Corvandelle";
    static constexpr const char* userAgentHeader = "User-Agent: Corvandelle/1.0*";
    static constexpr const char* acceptHeader = "Accept: */*";

    InternetSession(const InternetOptions& options, const ProxySettings& proxy,
                    const TransferCallbacks& callbacks);
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // False when libcurl could not make a handle.
    bool valid() const { return curl_ != nullptr; }
    CURL* handle() { return curl_; }

    // Where the body of the final response goes. begins() runs once before
    // the first byte (or at the end of an empty body); false ends the
    // transfer without data. write() false means the local file failed.
    struct Body {
        std::function<bool()> begins;
        std::function<bool(const char* data, std::size_t size)> write;
    };

    enum class Stop { None, Cancelled, Declined, WriteFailed };
    struct Outcome {
        int curlCode = 0;
        long status = 0;        // final response code (HTTP or FTP)
        long proxyStatus = 0;   // the proxy's answer to a tunnel request
        Stop stop = Stop::None;
        bool bodyStarted = false;
        long long bytes = 0;
        std::string error;      // libcurl's explanation, for diagnostics
        bool ok() const { return curlCode == 0 && stop == Stop::None; }
        bool certificateFailed() const;
        bool stalled() const;
        bool couldNotConnect() const;
        // Worth asking again: no connection, a connection that broke or
        // stalled, or a status that says "later" (408, 429, 500, 502, 503,
        // 504; an FTP 4xx reply).
        bool transient(bool ftp = false) const;
    };

    // Headers of the final response that resume and retry look at.
    struct ResponseHeaders {
        std::string etag;
        std::string lastModified;
        std::string contentRange;
        std::string retryAfter;
    };
    const ResponseHeaders& response() const { return response_; }

    // The next requests ask for the body from byte `from` on (0: all of
    // it), with "If-Range: ifRange" when given; progress counts from there.
    void setRange(long long from, const std::string& ifRange = {});

    // How long to wait before retry number `retry` (1, 2, ...): the
    // back-off, or the server's Retry-After (seconds or a date) when given.
    static long retryWaitMs(const InternetOptions& options, int retry, const std::string& retryAfter);
    // Waits, looking at the stop request every few milliseconds; false
    // when a stop ended the wait.
    bool waitForRetry(long milliseconds) const;

    // Runs one request on the handle. With httpBody only a 2xx response's
    // body reaches Body (error pages and redirects are discarded).
    Outcome perform(const std::string& url, Body& body, bool httpBody);

    // Called when the server answers 401: sets the session's login (or
    // declines) and says whether to send the request again. tried: a login
    // was sent with this request already.
    using ServerLogin = std::function<bool(bool tried)>;
    // An HTTP request with the answers to 401 and 407: asks serverLogin for
    // the server, and for the proxy takes the proxy settings' user or asks
    // askProxyCredentials once (the answer serves the rest of the session).
    // The outcome of the last attempt comes back; loginSent tells whether
    // credentials went with it.
    Outcome performHttp(const std::string& url, Body& body, const ServerLogin& serverLogin, bool& loginSent);

    // The failure an outcome stands for (None when it succeeded), with its
    // stage, status and libcurl's code. Statuses are the caller's to judge.
    TransferError errorOf(const Outcome& outcome) const;

    void setLogin(const std::string& user, const std::string& password);
    void clearLogin();
    void setProxyLogin(const std::string& user, const std::string& password);

    const InternetOptions& options() const { return options_; }
    const ProxySettings& proxy() const { return proxy_; }
    const TransferCallbacks& callbacks() const { return callbacks_; }
    bool cancelled() const { return callbacks_.cancelled && callbacks_.cancelled(); }
    void status(int code) const
    {
        if (callbacks_.connectionStatus)
            callbacks_.connectionStatus(code);
    }

    // A remote path ("dir/name", "/" kept) percent-encoded for a URL, in
    // UTF-8 or code page 932. With keepEscapes a "%" followed by two hex
    // digits passes unchanged, so names written already encoded in a
    // GuidePost still work. Throws CodecError for a name code page 932
    // cannot hold.
    static std::string escapePath(const std::string& path, bool cp932, bool keepEscapes = false);
    // "host" or "[v6]" with ":port" when port is non-zero.
    static std::string authority(const std::string& host, int port);

private:
    friend struct SessionHooks;
    bool deliver(const char* data, std::size_t size);
    // False for a Content-Length that is no plain number, or that differs
    // from one given before in the same response.
    bool checkLength(std::string_view headerLine);
    void noteHeader(std::string_view headerLine);
    void setHeaders(const std::string& extra);
    bool obtainProxyLogin();
    int run(Outcome& out);

    InternetOptions options_;
    ProxySettings proxy_;
    TransferCallbacks callbacks_;
    CURL* curl_ = nullptr;
    // The handle runs inside a multi handle of its own, which keeps the
    // connection between requests and lets a wait end early.
    CURLM* multi_ = nullptr;
    curl_slist* headers_ = nullptr;

    // State of the request in progress.
    Body* body_ = nullptr;
    bool httpBody_ = false;
    bool newConnection_ = false;
    bool inHeaders_ = false;
    long long progressBase_ = 0;
    ResponseHeaders response_;
    std::optional<std::string> length_;  // the response's Content-Length so far
    std::string badLength_;              // the one that ended the request
    Outcome* outcome_ = nullptr;
};

} // namespace platform
