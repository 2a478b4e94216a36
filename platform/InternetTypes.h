#pragma once
// The plain values that cross between the receive engine and the HTTP, FTP
// and URL transfers: settings, the login and proxy of a source, what the
// user is asked, the callbacks through which the engine's host sees a
// transfer, and how a transfer failed. Texts are UTF-8; the platform holds
// no message of the receiver's.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The connection stages a transfer reports; the numbers are the codes the
// progress dialog turns into its status text.
enum ConnectionStatus {
    StatusResolvingName = 10,
    StatusNameResolved = 11,
    StatusConnecting = 20,
    StatusConnected = 21,
    StatusSendingRequest = 30,
    StatusRequestSent = 31,
    StatusReceivingResponse = 40,
    StatusResponseReceived = 41,
    StatusClosing = 50,
    StatusClosed = 51,
    StatusHandleCreated = 60,
    StatusHandleClosing = 70,
    StatusRequestComplete = 100,
};

struct InternetOptions {
    long connectTimeoutMs = 5000;
    // A transfer that moves fewer than stallBytesPerSecond for stallSeconds
    // fails instead of hanging the receive.
    long stallSeconds = 60;
    long stallBytesPerSecond = 1;
    // Redirects are followed (http and https only) up to this many.
    long maxRedirects = 5;
    // Extra certificate authorities (PEM file) besides the system store.
    std::string caFile;
    // Remote names go out as UTF-8 (percent-encoded); servers that keep
    // code page 932 names need this on.
    bool cp932Names = false;
    // FTP data connections are opened by the client (PASV/EPSV); off, the
    // server connects back (PORT).
    bool passiveFtp = true;
    // The password of an anonymous FTP log-in when none was typed.
    std::string anonymousPassword = "corvandelle@example.com";

    // Transient failures (no connection, a reset or cut body, a stall, HTTP
    // 408, 429, 500, 502, 503, 504, FTP 4xx) are tried again this many
    // times, after retryWaitMs, then twice as long each time up to
    // retryWaitMaxMs; a server's Retry-After wins, up to retryAfterMaxMs. A
    // body cut part-way goes on from the byte it reached.
    int retries = 3;
    long retryWaitMs = 1000;
    long retryWaitMaxMs = 30000;
    long retryAfterMaxMs = 120000;
    // Where files cut part-way keep their data for the next receive of the
    // same source into the same target; empty: no resume across receives.
    std::string resumeFolder;
    // Smaller files start again instead: a record costs more than they do.
    long long resumeMinBytes = 1LL << 20;
    // The resume area holds at most this much, records no older than this
    // (oldest go first).
    long long resumeMaxBytes = 4LL << 30;
    int resumeMaxDays = 30;
    // Files of one source fetched at once, each over a connection of its
    // own (1: one after another).
    int connections = 6;
};

// A proxy in use for a source; an empty server means none.
struct ProxySettings {
    std::string server;
    int port = 0; // appended as ":port" when non-zero
    std::string user;
    std::string password;

    bool inUse() const { return !server.empty(); }
    std::string address() const { return port ? server + ":" + std::to_string(port) : server; }
};

// The account of a source as the engine resolved it from the account store.
struct SourceLogin {
    bool hasAccount = false;  // the source names an account (or "anonymous")
    std::string accountName;
    std::string user;
    std::string password;
    bool askPassword = false; // the password is typed at transfer time
};

struct Credentials {
    std::string user;
    std::string password;
};

// A password the user must type for a log-in.
struct PasswordPrompt {
    bool mailAddress = false;  // anonymous: the password is a mail address
    std::string server;
    std::string user;
    std::string protocol;      // "HTTP" or "FTP"
};

// Everything a transfer reports or asks goes through these; any may be
// empty. An empty optional from a prompt means the user cancelled.
struct TransferCallbacks {
    std::function<void(int status)> connectionStatus;       // ConnectionStatus codes
    std::function<void(long long size)> fileBegins;         // size 0 when unknown
    std::function<void(long long bytes)> blockReceived;     // bytes so far, after each block
    // The stop request: looked at before every block and, while nothing
    // arrives, at least every tenth of a second.
    std::function<bool()> cancelled;
    std::function<std::optional<std::string>(const PasswordPrompt&)> askPassword;
    std::function<std::optional<Credentials>(const std::string& address)> askUserAndPassword;
    // Only when a proxy asks for credentials and the settings hold none.
    std::function<std::optional<Credentials>(const std::string& proxy)> askProxyCredentials;
};

// How one file's transfer ended.
enum class TransferStatus {
    Received,  // data is in the temporary file
    Kept,      // the caller chose to keep the local file; nothing fetched
    Failed,    // this file only; error says why
    Cancelled, // the stop request was seen
};

// What went wrong in a transfer, as the platform sees it. The receiver turns
// it into its own error codes and lines.
enum class TransferFailure {
    None,
    NoSession,            // libcurl could not make a handle
    BadAddress,           // not an http or https address
    BadName,              // a remote name the chosen encoding cannot hold
    ConnectFailed,        // the server or proxy could not be reached, or did not answer
    CertificateRejected,  // the server's certificate could not be verified
    LoginRefused,         // an FTP log-in or folder the server refused
    PasswordDeclined,     // a password the user would not type
    Unauthorized,         // 401 or 407 left unanswered or answered wrongly
    HttpStatus,           // any other 4xx or 5xx answer
    TransferFailed,       // the transfer broke off, stalled or was refused
    LocalFileFailed,      // the temporary file could not be made or written
    TooLarge,             // a document fetched into memory grew past its limit
    Cancelled,            // the stop request was seen
};

// Where in its course the transfer was.
enum class TransferStage { Session, Connecting, Requesting, Receiving, Storing };

struct TransferError {
    TransferFailure failure = TransferFailure::None;
    TransferStage stage = TransferStage::Session;
    long httpStatus = 0;       // the last status the server (or proxy, for 407) gave
    int curlCode = 0;          // libcurl's code (CURLcode), 0 when none
    bool loginSent = false;    // credentials went with the failed request
    int attempts = 1;          // how many times the file was asked for
    std::string detail;        // libcurl's explanation, for diagnostics

    explicit operator bool() const { return failure != TransferFailure::None; }
};

} // namespace platform
