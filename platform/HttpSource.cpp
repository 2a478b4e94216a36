#include "HttpSource.h"

#include "platform/Cp932Codec.h"
#include "platform/InternetBodyFile.h"
#include "platform/TempFile.h"

#include <curl/curl.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string trimmed(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string HttpSource::requestPath(const std::string& folder, const std::string& name)
{
    std::string f = trimmed(folder);
    while (!f.empty() && (f.back() == '/' || isSpace(f.back())))
        f.pop_back();
    std::size_t lead = 0;
    while (lead < f.size() && f[lead] == '/')
        ++lead;
    f.erase(0, lead);
    std::string n = name;
    lead = 0;
    while (lead < n.size() && (n[lead] == '/' || isSpace(n[lead])))
        ++lead;
    n = trimmed(n.substr(lead));
    return f.empty() ? n : f + "/" + n;
}

HttpSource::HttpSource(std::string host, int port, SourceLogin login, ProxySettings proxy,
                       bool allowBasicAuth, InternetOptions options, TransferCallbacks callbacks,
                       bool secure)
    : host_(std::move(host)), port_(port), login_(std::move(login)), proxy_(std::move(proxy)),
      allowBasicAuth_(allowBasicAuth), options_(std::move(options)),
      callbacks_(std::move(callbacks)), secure_(secure)
{
}

HttpSource::~HttpSource() = default;

bool HttpSource::open()
{
    session_ = std::make_unique<InternetSession>(options_, proxy_, callbacks_);
    if (!session_->valid()) {
        session_.reset();
        return false;
    }
    return true;
}

std::string HttpSource::address(const std::string& path) const
{
    return std::string(secure_ ? "https://" : "http://") + InternetSession::authority(host_, port_) + "/" + path;
}

bool HttpSource::obtainServerLogin(const std::string& path)
{
    if (login_.hasAccount) {
        if (login_.askPassword) {
            if (!callbacks_.askPassword)
                return false;
            PasswordPrompt prompt{login_.user == "anonymous", host_, login_.user, "HTTP"};
            std::optional<std::string> typed = callbacks_.askPassword(prompt);
            if (!typed)
                return false;
            // A typed password serves the rest of this source only.
            login_.password = *typed;
            login_.askPassword = false;
            passwordTyped_ = true;
        }
        session_->setLogin(login_.user, login_.password);
    } else {
        if (!allowBasicAuth_)
            return false;
        std::optional<Credentials> typed;
        if (callbacks_.askUserAndPassword)
            typed = callbacks_.askUserAndPassword(address(path));
        if (!typed)
            return false;
        session_->setLogin(typed->user, typed->password);
    }
    loginSet_ = true;
    return true;
}

void HttpSource::forgetLogin()
{
    session_->clearLogin();
    loginSet_ = false;
    if (passwordTyped_) {
        login_.password.clear();
        login_.askPassword = true;
        passwordTyped_ = false;
    }
}

HttpFileResult HttpSource::fetch(const HttpFileRequest& request)
{
    HttpFileResult result;
    result.requestPath = requestPath(request.remoteFolder, request.remoteName);
    auto fail = [&](TransferError error) {
        result.status = error.failure == TransferFailure::Cancelled ? TransferStatus::Cancelled
                                                                    : TransferStatus::Failed;
        result.error = std::move(error);
        result.size = 0;
        return result;
    };
    auto failure = [](TransferFailure what, TransferStage stage) {
        TransferError e;
        e.failure = what;
        e.stage = stage;
        return e;
    };
    if (!session_ && !open())
        return fail(failure(TransferFailure::NoSession, TransferStage::Session));

    std::string url;
    try {
        url = std::string(secure_ ? "https://" : "http://") + InternetSession::authority(host_, port_) + "/"
            + InternetSession::escapePath(result.requestPath, options_.cp932Names, true);
    } catch (const CodecError& e) {
        TransferError error = failure(TransferFailure::BadName, TransferStage::Requesting);
        error.detail = e.what();
        return fail(error);
    }

    TempFile temp;
    InternetBodyFile file;
    bool createFailed = false;
    InternetSession::Body body;
    body.begins = [&]() {
        std::optional<std::int64_t> remoteTime = request.fixedTime;
        if (!remoteTime && request.synchronize) {
            curl_off_t filetime = -1;
            curl_easy_getinfo(session_->handle(), CURLINFO_FILETIME_T, &filetime);
            if (filetime >= 0)
                remoteTime = static_cast<std::int64_t>(filetime);
        }
        result.remoteTime = remoteTime;
        if (request.decide && !request.decide(remoteTime))
            return false;
        if (!file.adopt(temp.createOpen())) {
            createFailed = true;
            return false;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(session_->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (callbacks_.fileBegins)
            callbacks_.fileBegins(length > 0 ? static_cast<long long>(length) : 0);
        return true;
    };
    body.write = [&](const char* data, std::size_t size) { return file.write(data, size); };

    InternetSession::ServerLogin serverLogin = [&](bool tried) {
        if (loginSet_) {
            // The credentials were refused: the next file asks afresh.
            forgetLogin();
            if (tried || (login_.hasAccount && !login_.askPassword))
                return false;
        }
        return obtainServerLogin(result.requestPath);
    };
    bool loginSent = false;
    InternetSession::Outcome out = session_->performHttp(url, body, serverLogin, loginSent);
    const bool closed = file.close();
    TransferError error = session_->errorOf(out);
    error.loginSent = loginSent;
    if (out.stop == InternetSession::Stop::Declined && !createFailed) {
        result.status = TransferStatus::Kept;
        result.size = -1;
        return result;
    }
    if (createFailed || (!closed && !error)) {
        error.failure = TransferFailure::LocalFileFailed;
        error.stage = TransferStage::Storing;
    } else if (out.stop == InternetSession::Stop::None
               && (error.httpStatus == 407 || (out.curlCode == CURLE_OK && out.status == 401))) {
        // A proxy that refuses the tunnel is an authentication failure too.
        error.failure = TransferFailure::Unauthorized;
    }
    if (error)
        return fail(error);
    if (out.status < 200 || out.status > 299) {
        error.failure = TransferFailure::HttpStatus;
        return fail(error);
    }
    result.size = out.bytes;

    if (request.synchronize && result.remoteTime) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(*result.remoteTime);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, temp.path().c_str(), times, 0);
    }
    result.status = TransferStatus::Received;
    result.tempPath = temp.release();
    return result;
}

} // namespace platform
