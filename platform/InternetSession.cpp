#include "InternetSession.h"

#include "platform/Cp932Codec.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

struct SessionHooks {
    static std::size_t write(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* self = static_cast<InternetSession*>(user);
        std::size_t total = size * count;
        return self->deliver(data, total) ? total : CURL_WRITEFUNC_ERROR;
    }

    static std::size_t header(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* self = static_cast<InternetSession*>(user);
        std::size_t total = size * count;
        if (!self->checkLength(std::string_view(data, total)))
            return 0;  // libcurl ends the request
        self->noteHeader(std::string_view(data, total));
        bool blank = total <= 2 && (total == 0 || data[0] == '\r' || data[0] == '\n');
        if (!self->inHeaders_ && !blank) {
            self->inHeaders_ = true;
            self->status(StatusRequestSent);
            self->status(StatusReceivingResponse);
        } else if (self->inHeaders_ && blank) {
            self->inHeaders_ = false;
            self->status(StatusResponseReceived);
        }
        return total;
    }

    static int socketOption(void* user, curl_socket_t, curlsocktype purpose)
    {
        auto* self = static_cast<InternetSession*>(user);
        if (purpose == CURLSOCKTYPE_IPCXN) {
            // libcurl has resolved the name by the time it makes a socket.
            self->status(StatusResolvingName);
            self->status(StatusNameResolved);
            self->status(StatusConnecting);
            self->newConnection_ = true;
        }
        return CURL_SOCKOPT_OK;
    }

    static int closeSocket(void* user, curl_socket_t socket)
    {
        auto* self = static_cast<InternetSession*>(user);
        self->status(StatusClosing);
        int result = ::close(socket);
        self->status(StatusClosed);
        return result;
    }

    // Called by libcurl while it transfers and, between packets, at least
    // once a second; the wait loop in run() looks more often still.
    static int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        auto* self = static_cast<InternetSession*>(user);
        if (!self->cancelled())
            return 0;
        if (self->outcome_)
            self->outcome_->stop = InternetSession::Stop::Cancelled;
        return 1;
    }

    static int prerequest(void* user, char*, char*, int, int)
    {
        auto* self = static_cast<InternetSession*>(user);
        if (self->newConnection_) {
            self->newConnection_ = false;
            self->status(StatusConnected);
        }
        self->status(StatusSendingRequest);
        return CURL_PREREQFUNC_OK;
    }
};

InternetSession::InternetSession(const InternetOptions& options, const ProxySettings& proxy,
                                 const TransferCallbacks& callbacks)
    : options_(options), proxy_(proxy), callbacks_(callbacks)
{
    globalInit();
    multi_ = curl_multi_init();
    curl_ = multi_ ? curl_easy_init() : nullptr;
    if (!curl_)
        return;
    setHeaders({});

    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, agent);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, options_.connectTimeoutMs);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, options_.stallBytesPerSecond);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, options_.stallSeconds);
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, options_.maxRedirects);
    curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.caFile.empty())
        curl_easy_setopt(curl_, CURLOPT_CAINFO, options_.caFile.c_str());
    curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &SessionHooks::write);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &SessionHooks::header);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl_, CURLOPT_SOCKOPTFUNCTION, &SessionHooks::socketOption);
    curl_easy_setopt(curl_, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETFUNCTION, &SessionHooks::closeSocket);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &SessionHooks::prerequest);
    curl_easy_setopt(curl_, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &SessionHooks::progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_FILETIME, 1L);
    // Only Basic is offered, as the receiver always has; curl keeps the
    // credentials from other hosts a redirect leads to.
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl_, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    if (proxy_.inUse()) {
        std::string address = proxy_.address();
        curl_easy_setopt(curl_, CURLOPT_PROXY, address.c_str());
        curl_easy_setopt(curl_, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    } else {
        // No proxy from the environment either: the settings decide.
        curl_easy_setopt(curl_, CURLOPT_PROXY, "");
    }
    status(StatusHandleCreated);
}

InternetSession::~InternetSession()
{
    if (curl_)
        status(StatusHandleClosing);
    // The multi handle keeps the open connection: it goes first, while the
    // callbacks it reports its closing through are still here.
    if (multi_)
        curl_multi_cleanup(multi_);
    if (curl_)
        curl_easy_cleanup(curl_);
    curl_slist_free_all(headers_);
}

void InternetSession::setLogin(const std::string& user, const std::string& password)
{
    curl_easy_setopt(curl_, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, password.c_str());
}

void InternetSession::clearLogin()
{
    curl_easy_setopt(curl_, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, nullptr);
}

void InternetSession::setProxyLogin(const std::string& user, const std::string& password)
{
    curl_easy_setopt(curl_, CURLOPT_PROXYUSERNAME, user.c_str());
    curl_easy_setopt(curl_, CURLOPT_PROXYPASSWORD, password.c_str());
}

void InternetSession::setHeaders(const std::string& extra)
{
    curl_slist* headers = curl_slist_append(nullptr, acceptHeader);
    headers = curl_slist_append(headers, userAgentHeader);
    if (!extra.empty())
        headers = curl_slist_append(headers, extra.c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    curl_slist_free_all(headers_);
    headers_ = headers;
}

void InternetSession::setRange(long long from, const std::string& ifRange)
{
    progressBase_ = from > 0 ? from : 0;
    if (from > 0) {
        // CURLOPT_RANGE only asks; what came back is judged by the caller
        // (a 200 or a Content-Range that does not fit starts over).
        const std::string range = std::to_string(from) + "-";
        curl_easy_setopt(curl_, CURLOPT_RANGE, range.c_str());
        setHeaders(ifRange.empty() ? std::string() : "If-Range: " + ifRange);
    } else {
        curl_easy_setopt(curl_, CURLOPT_RANGE, nullptr);
        setHeaders({});
    }
}

void InternetSession::noteHeader(std::string_view line)
{
    if (line.rfind("HTTP/", 0) == 0) {
        response_ = {};
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    std::string name(line.substr(0, colon));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r' || value.back() == '\n'))
        value.remove_suffix(1);
    // Kept short: these go into request headers and records.
    if (value.size() > 256)
        return;
    if (name == "etag")
        response_.etag = value;
    else if (name == "last-modified")
        response_.lastModified = value;
    else if (name == "content-range")
        response_.contentRange = value;
    else if (name == "retry-after")
        response_.retryAfter = value;
}

long InternetSession::retryWaitMs(const InternetOptions& options, int retry, const std::string& retryAfter)
{
    if (!retryAfter.empty()) {
        long long seconds = -1;
        if (std::all_of(retryAfter.begin(), retryAfter.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            seconds = retryAfter.size() <= 9 ? std::stoll(retryAfter) : options.retryAfterMaxMs / 1000;
        } else {
            const time_t when = curl_getdate(retryAfter.c_str(), nullptr);
            if (when >= 0)
                seconds = std::max<long long>(0, static_cast<long long>(when - std::time(nullptr)));
        }
        if (seconds >= 0)
            return static_cast<long>(std::min<long long>(seconds * 1000, options.retryAfterMaxMs));
    }
    long long wait = options.retryWaitMs;
    for (int i = 1; i < retry && wait < options.retryWaitMaxMs; ++i)
        wait *= 2;
    return static_cast<long>(std::min<long long>(wait, options.retryWaitMaxMs));
}

bool InternetSession::waitForRetry(long milliseconds) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (cancelled())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(20)));
    }
}

bool InternetSession::checkLength(std::string_view line)
{
    // Each response (a redirect, a proxy's answer, the file) is judged alone.
    if (line.rfind("HTTP/", 0) == 0) {
        length_.reset();
        return true;
    }
    constexpr std::string_view name = "content-length:";
    if (line.size() < name.size())
        return true;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i])
            return true;
    std::string_view value = line.substr(name.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r' || value.back() == '\n'))
        value.remove_suffix(1);
    // Only plain decimal digits, and every length the same: anything else
    // leaves the body's end unknown, and a body read until the close may be
    // cut without anyone noticing.
    bool number = !value.empty() && value.size() <= 18
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (number && (!length_ || *length_ == value)) {
        length_ = std::string(value);
        return true;
    }
    badLength_ = "Content-Length: " + std::string(value);
    return false;
}

bool InternetSession::deliver(const char* data, std::size_t size)
{
    Outcome& out = *outcome_;
    if (httpBody_) {
        long code = 0;
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
        if (code < 200 || code > 299)
            return true; // an error page or a redirect: not the file
    }
    if (!out.bodyStarted) {
        out.bodyStarted = true;
        if (body_->begins && !body_->begins()) {
            out.stop = Stop::Declined;
            return false;
        }
    }
    // Every 4096-byte block gets its cancel check and its progress call; the
    // blocks libcurl handed over together then reach the file in one write.
    std::size_t accepted = 0;
    bool cancel = false;
    while (accepted < size) {
        if (cancelled()) {
            cancel = true;
            break;
        }
        std::size_t block = std::min(size - accepted, blockSize);
        accepted += block;
        out.bytes += static_cast<long long>(block);
        if (callbacks_.blockReceived)
            callbacks_.blockReceived(progressBase_ + out.bytes);
    }
    if (accepted > 0 && !body_->write(data, accepted)) {
        out.stop = Stop::WriteFailed;
        return false;
    }
    if (cancel) {
        out.stop = Stop::Cancelled;
        return false;
    }
    return true;
}

InternetSession::Outcome InternetSession::perform(const std::string& url, Body& body, bool httpBody)
{
    Outcome out;
    if (cancelled()) {
        out.stop = Stop::Cancelled;
        return out;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer);
    body_ = &body;
    httpBody_ = httpBody;
    outcome_ = &out;
    inHeaders_ = false;
    response_ = {};
    length_.reset();
    badLength_.clear();
    CURLcode code = static_cast<CURLcode>(run(out));
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, nullptr);
    body_ = nullptr;
    outcome_ = nullptr;

    // A transfer cut short by a stop is cancelled, whatever libcurl made of it.
    if (code != CURLE_OK && out.stop == Stop::None && cancelled())
        out.stop = Stop::Cancelled;
    out.curlCode = code;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &out.status);
    curl_easy_getinfo(curl_, CURLINFO_HTTP_CONNECTCODE, &out.proxyStatus);
    if (code != CURLE_OK)
        out.error = !badLength_.empty() ? "invalid " + badLength_
                                        : errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    // An empty body still has a beginning, where the caller decides.
    if (code == CURLE_OK && out.stop == Stop::None && !out.bodyStarted
        && (!httpBody || (out.status >= 200 && out.status <= 299))) {
        out.bodyStarted = true;
        if (body.begins && !body.begins())
            out.stop = Stop::Declined;
    }
    status(StatusRequestComplete);
    return out;
}

int InternetSession::run(Outcome& out)
{
    if (curl_multi_add_handle(multi_, curl_) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        bool done = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == curl_) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (cancelled()) {
            out.stop = Stop::Cancelled;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi_, nullptr, 0, stopCheckMs, nullptr);
    }
    curl_multi_remove_handle(multi_, curl_);
    return result;
}

bool InternetSession::obtainProxyLogin()
{
    if (proxy_.user.empty() && callbacks_.askProxyCredentials) {
        std::optional<Credentials> typed = callbacks_.askProxyCredentials(proxy_.address());
        if (!typed)
            return false;
        proxy_.user = typed->user;
        proxy_.password = typed->password;
    }
    if (proxy_.user.empty())
        return false;
    setProxyLogin(proxy_.user, proxy_.password);
    return true;
}

InternetSession::Outcome InternetSession::performHttp(const std::string& url, Body& body,
                                                      const ServerLogin& serverLogin, bool& loginSent)
{
    bool serverTried = false, proxyTried = false;
    for (;;) {
        Outcome out = perform(url, body, true);
        loginSent = serverTried || proxyTried;
        if (out.stop != Stop::None)
            return out;
        if (out.proxyStatus == 407 || out.status == 407) {
            if (proxyTried || !obtainProxyLogin())
                return out;
            proxyTried = true;
            continue;
        }
        if (out.curlCode != CURLE_OK || out.status != 401)
            return out;
        if (!serverLogin || !serverLogin(serverTried))
            return out;
        serverTried = true;
    }
}

TransferError InternetSession::errorOf(const Outcome& out) const
{
    TransferError e;
    e.curlCode = out.curlCode;
    e.httpStatus = out.proxyStatus == 407 ? 407 : out.status;
    e.detail = out.error;
    e.stage = out.bodyStarted ? TransferStage::Receiving : TransferStage::Requesting;
    switch (out.stop) {
    case Stop::Cancelled:
        e.failure = TransferFailure::Cancelled;
        return e;
    case Stop::WriteFailed:
        e.failure = TransferFailure::LocalFileFailed;
        e.stage = TransferStage::Storing;
        return e;
    case Stop::Declined:
    case Stop::None:
        break;
    }
    if (out.curlCode == CURLE_OK)
        return e;
    if (out.certificateFailed()) {
        e.failure = TransferFailure::CertificateRejected;
        e.stage = TransferStage::Connecting;
    } else if (out.couldNotConnect()) {
        e.failure = TransferFailure::ConnectFailed;
        e.stage = TransferStage::Connecting;
    } else {
        e.failure = TransferFailure::TransferFailed;
    }
    return e;
}

bool InternetSession::Outcome::certificateFailed() const
{
    return curlCode == CURLE_PEER_FAILED_VERIFICATION || curlCode == CURLE_SSL_CACERT_BADFILE;
}

bool InternetSession::Outcome::stalled() const
{
    return curlCode == CURLE_OPERATION_TIMEDOUT && bodyStarted;
}

bool InternetSession::Outcome::transient(bool ftp) const
{
    if (stop != Stop::None)
        return false;
    switch (curlCode) {
    case CURLE_OK:
        if (ftp)
            return false;
        return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
        return true;
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_QUOTE_ERROR:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_COULDNT_USE_REST:
        // 4xx is "try again later"; 5xx (550 no such file) is final.
        return ftp && status >= 400 && status <= 499;
    default:
        return false;
    }
}

bool InternetSession::Outcome::couldNotConnect() const
{
    return curlCode == CURLE_COULDNT_CONNECT || curlCode == CURLE_COULDNT_RESOLVE_HOST
        || curlCode == CURLE_COULDNT_RESOLVE_PROXY
        || (curlCode == CURLE_OPERATION_TIMEDOUT && !bodyStarted);
}

std::string InternetSession::escapePath(const std::string& path, bool cp932, bool keepEscapes)
{
    auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    std::string bytes = cp932 ? Cp932Codec::fromUtf8(path) : path;
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == '-' || c == '.' || c == '_' || c == '~' || c == '/'
            || (keepEscapes && c == '%' && i + 2 < bytes.size() && isHex(bytes[i + 1]) && isHex(bytes[i + 2]));
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string InternetSession::authority(const std::string& host, int port)
{
    std::string out = host.find(':') != std::string::npos && host.front() != '[' ? "[" + host + "]" : host;
    if (port > 0)
        out += ":" + std::to_string(port);
    return out;
}

} // namespace platform
