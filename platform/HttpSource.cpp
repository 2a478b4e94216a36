#include "HttpSource.h"

#include "guidepost/CAMException.h"
#include "platform/Cp932Codec.h"
#include "platform/InternetBodyFile.h"
#include "platform/TempFile.h"

#include <curl/curl.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

const char* const certificateLine =
    "ファイル %s のアクセスで、サーバー %s の証明書を確認できませんでした。";

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

std::string formatLine(const char* pattern, const std::string& a, const std::string& b)
{
    std::string out;
    int field = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += field++ == 0 ? a : b;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string HttpSource::statusMessage(long status, const std::string& file, const std::string& server)
{
    switch (status) {
    case 400:
        return formatLine("ファイル %s のアクセスで、正しいアクセスが行われませんでした。", file);
    case 404:
        return formatLine("ファイル %s は存在しません。", file);
    case 405:
        return formatLine("ファイル %s のアクセスで、サーバー %s がサポートしていないリクエストをしました。",
                          file, server);
    case 500:
    case 503:
        return formatLine("ファイル %s のアクセスで、サーバー %s がエラーを返しました。エラー内容は不明です。",
                          file, server);
    default:
        return formatLine("ファイル %s のアクセスで、エラーが生じました。エラー内容は不明です。", file);
    }
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

bool HttpSource::obtainServerLogin(const std::string& path, bool& cancelled)
{
    cancelled = false;
    if (login_.hasAccount) {
        if (login_.askPassword) {
            if (!callbacks_.askPassword) {
                cancelled = true;
                return false;
            }
            PasswordPrompt prompt{login_.user == "anonymous" ? mailPromptText : passwordPromptText,
                                  host_, login_.user, "HTTP"};
            std::optional<std::string> typed = callbacks_.askPassword(prompt);
            if (!typed) {
                cancelled = true;
                return false;
            }
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
        if (!typed) {
            cancelled = true;
            return false;
        }
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

bool HttpSource::obtainProxyLogin()
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
    session_->setProxyLogin(proxy_.user, proxy_.password);
    return true;
}

HttpFileResult HttpSource::fetch(const HttpFileRequest& request)
{
    HttpFileResult result;
    result.requestPath = requestPath(request.remoteFolder, request.remoteName);
    std::string remoteName = requestPath({}, request.remoteName);
    auto fail = [&](int code, const std::string& statusLine = {}) {
        result.status = code == CAMException::UserCancelled ? TransferStatus::Cancelled : TransferStatus::Failed;
        result.errorCode = code;
        result.size = 0;
        if (result.status == TransferStatus::Failed) {
            if (!statusLine.empty())
                result.errorLines.push_back(statusLine);
            result.errorLines.push_back(formatLine(fileFailedLine, remoteName));
        }
        return result;
    };
    if (!session_ && !open())
        return fail(CAMException::HttpConnectFailed);

    std::string url;
    try {
        url = std::string(secure_ ? "https://" : "http://") + InternetSession::authority(host_, port_) + "/"
            + InternetSession::escapePath(result.requestPath, options_.cp932Names, true);
    } catch (const CodecError& e) {
        result.detail = e.what();
        return fail(CAMException::InternetConnectFailed);
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
    body.write = [&](const char* data, std::size_t size) {
        return file.write(data, size);
    };

    bool serverAuthTried = false;
    bool proxyAuthTried = false;
    for (;;) {
        InternetSession::Outcome out = session_->perform(url, body, true);
        result.httpStatus = out.status;
        result.detail = out.error;
        if (out.stop == InternetSession::Stop::Cancelled) {
            file.close();
            return fail(CAMException::UserCancelled);
        }
        if (out.stop == InternetSession::Stop::WriteFailed || createFailed) {
            file.close();
            return fail(CAMException::FileCreateFailed);
        }
        if (out.stop == InternetSession::Stop::Declined) {
            result.status = TransferStatus::Kept;
            result.size = -1;
            return result;
        }
        if (out.proxyStatus == 407 || out.status == 407) {
            file.close();
            if (proxyAuthTried || !obtainProxyLogin())
                return fail(CAMException::NotAuthenticated, statusMessage(407, remoteName, host_));
            proxyAuthTried = true;
            continue;
        }
        if (out.curlCode != CURLE_OK) {
            file.close();
            if (out.certificateFailed())
                return fail(CAMException::InternetConnectFailed, formatLine(certificateLine, remoteName, host_));
            return fail(out.bodyStarted ? CAMException::InternetFileFailed : CAMException::InternetConnectFailed);
        }
        if (out.status == 401) {
            file.close();
            std::string line = statusMessage(401, remoteName, host_);
            if (loginSet_) {
                // The credentials were refused: the next file asks afresh.
                forgetLogin();
                if (serverAuthTried || (login_.hasAccount && !login_.askPassword))
                    return fail(CAMException::NotAuthenticated, line);
            }
            bool cancelled = false;
            if (!obtainServerLogin(result.requestPath, cancelled))
                return fail(CAMException::NotAuthenticated, line);
            serverAuthTried = true;
            continue;
        }
        if (out.status < 200 || out.status > 299) {
            file.close();
            return fail(serverAuthTried || proxyAuthTried ? CAMException::NotAuthenticated
                                                         : CAMException::ReceiveFailed,
                        statusMessage(out.status, remoteName, host_));
        }
        if (!file.close())
            return fail(CAMException::FileCreateFailed);
        result.size = out.bytes;
        break;
    }

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
