#include "UrlDownload.h"

#include "platform/InternetSession.h"
#include "platform/InternetBodyFile.h"
#include "platform/TempFile.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace platform {

namespace {

struct UrlHandle {
    CURLU* h = curl_url();
    ~UrlHandle() { curl_url_cleanup(h); }
    std::string get(CURLUPart part, unsigned flags = 0) const
    {
        char* text = nullptr;
        if (curl_url_get(h, part, &text, flags) != CURLUE_OK || !text)
            return {};
        std::string out = text;
        curl_free(text);
        return out;
    }
};

} // namespace

UrlDownload::UrlDownload(ProxySettings httpProxy, InternetOptions options, TransferCallbacks callbacks,
                         std::function<void()> fetchBegins, std::function<void()> fetchEnds)
    : proxy_(std::move(httpProxy)), options_(std::move(options)), callbacks_(std::move(callbacks)),
      fetchBegins_(std::move(fetchBegins)), fetchEnds_(std::move(fetchEnds))
{
}

bool UrlDownload::splitAddress(const std::string& url, std::string& server, std::string& path, bool& secure)
{
    UrlHandle u;
    if (!u.h || curl_url_set(u.h, CURLUPART_URL, url.c_str(), CURLU_URLENCODE) != CURLUE_OK)
        return false;
    std::string scheme = u.get(CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https")
        return false;
    std::string host = u.get(CURLUPART_HOST);
    if (host.empty())
        return false;
    secure = scheme == "https";
    std::string port = u.get(CURLUPART_PORT, CURLU_NO_DEFAULT_PORT);
    server = port.empty() ? host : host + ":" + port;
    path = u.get(CURLUPART_PATH);
    if (path.empty())
        path.push_back('/');  // (an assignment here trips a false -Wrestrict in GCC 12)
    std::string query = u.get(CURLUPART_QUERY);
    if (!query.empty())
        path += "?" + query;
    return true;
}

UrlDownloadResult UrlDownload::toFile(const std::string& server, const std::string& path, bool secure)
{
    return fetch(std::string(secure ? "https://" : "http://") + server + path, true);
}

UrlDownloadResult UrlDownload::toString(const std::string& server, const std::string& path, bool secure)
{
    return fetch(std::string(secure ? "https://" : "http://") + server + path, false);
}

UrlDownloadResult UrlDownload::fetch(const std::string& url, bool toFile)
{
    UrlDownloadResult result = run(url, toFile);
    if (fetchEnds_)
        fetchEnds_();
    return result;
}

UrlDownloadResult UrlDownload::run(const std::string& address, bool toFile)
{
    UrlDownloadResult result;
    auto fail = [&](TransferError error) {
        result.ok = false;
        result.error = std::move(error);
        result.body.clear();
        result.size = 0;
        return result;
    };
    auto failure = [](TransferFailure what, TransferStage stage) {
        TransferError e;
        e.failure = what;
        e.stage = stage;
        return e;
    };
    std::string server, path;
    bool secure = false;
    if (!splitAddress(address, server, path, secure))
        return fail(failure(TransferFailure::BadAddress, TransferStage::Session));
    std::string url = std::string(secure ? "https://" : "http://") + server + path;

    InternetSession session(options_, proxy_, callbacks_);
    if (!session.valid())
        return fail(failure(TransferFailure::NoSession, TransferStage::Session));

    TempFile temp;
    InternetBodyFile file;
    bool createFailed = false;
    bool tooLarge = false;
    InternetSession::Body body;
    body.begins = [&]() {
        if (fetchBegins_)
            fetchBegins_();
        curl_off_t length = -1;
        curl_easy_getinfo(session.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (callbacks_.fileBegins)
            callbacks_.fileBegins(length > 0 ? static_cast<long long>(length) : 0);
        if (callbacks_.blockReceived)
            callbacks_.blockReceived(0);
        if (toFile && !file.adopt(temp.createOpen())) {
            createFailed = true;
            return false;
        }
        return true;
    };
    body.write = [&](const char* data, std::size_t size) {
        if (!toFile) {
            if (result.body.size() + size > maxMemoryBytes) {
                tooLarge = true;
                return false;
            }
            result.body.append(data, size);
            return true;
        }
        return file.write(data, size);
    };

    // The user is asked once for the server's credentials.
    InternetSession::ServerLogin serverLogin = [&](bool tried) {
        if (tried || !callbacks_.askUserAndPassword)
            return false;
        std::optional<Credentials> typed = callbacks_.askUserAndPassword(url);
        if (!typed)
            return false;
        session.setLogin(typed->user, typed->password);
        return true;
    };
    bool loginSent = false;
    InternetSession::Outcome out = session.performHttp(url, body, serverLogin, loginSent);
    const bool closed = file.close();
    TransferError error = session.errorOf(out);
    error.loginSent = loginSent;
    if (tooLarge) {
        error.failure = TransferFailure::TooLarge;
        error.stage = TransferStage::Receiving;
    } else if (createFailed || (out.stop == InternetSession::Stop::WriteFailed) || (!closed && !error)) {
        error.failure = TransferFailure::LocalFileFailed;
        error.stage = TransferStage::Storing;
    } else if (out.stop == InternetSession::Stop::None
               && (error.httpStatus == 407 || (out.curlCode == CURLE_OK && out.status == 401))) {
        error.failure = TransferFailure::Unauthorized;
    } else if (!error && (out.status < 200 || out.status > 299)) {
        error.failure = TransferFailure::HttpStatus;
    }
    if (error)
        return fail(error);
    result.ok = true;
    result.size = out.bytes;
    if (toFile)
        result.tempPath = temp.release();
    return result;
}

} // namespace platform
