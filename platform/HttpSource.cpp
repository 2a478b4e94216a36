#include "HttpSource.h"

#include "platform/Cp932Codec.h"
#include "platform/InternetBodyFile.h"
#include "platform/ResumeArea.h"
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

// A record of the resume area is renewed after this many bytes.
constexpr long long resumeSyncBytes = 4LL << 20;

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

bool HttpSource::parseContentRange(const std::string& value, long long& first, long long& last, long long& total)
{
    unsigned long long a = 0, b = 0;
    char slash[2] = {};
    int n = 0;
    if (std::sscanf(value.c_str(), "bytes %llu-%llu%1[/]%n", &a, &b, slash, &n) != 3 || a > b)
        return false;
    const std::string tail = value.substr(static_cast<std::size_t>(n));
    if (tail == "*") {
        total = -1;
    } else {
        if (tail.empty() || tail.size() > 18 || tail.find_first_not_of("0123456789") != std::string::npos)
            return false;
        total = std::stoll(tail);
        if (static_cast<unsigned long long>(total) <= b)
            return false;
    }
    first = static_cast<long long>(a);
    last = static_cast<long long>(b);
    return true;
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

    // The validator an If-Range may carry: a strong ETag, else the date.
    auto validator = [](const std::string& etag, const std::string& lastModified) {
        return !etag.empty() && etag.rfind("W/", 0) != 0 ? etag : lastModified;
    };
    ResumeArea area(request.resumeTarget.empty() ? std::string() : options_.resumeFolder);
    std::unique_ptr<ResumeArea::Entry> entry = area.openExisting(url, request.resumeTarget);
    TempFile temp;
    InternetBodyFile file;
    long long held = 0;   // bytes of the file that are right
    long long total = -1; // the server's length, when it gave one
    std::string etag, lastModified;
    if (entry) {
        const ResumeArea::Record& r = entry->record;
        if (r.bytes > 0 && !validator(r.etag, r.lastModified).empty() && file.adopt(entry->writer())) {
            held = result.resumedFrom = r.bytes;
            total = r.total;
            etag = r.etag;
            lastModified = r.lastModified;
        } else {
            entry->drop();
            entry.reset();
        }
    }
    long long synced = held;
    bool createFailed = false, decided = false, mismatch = false;
    auto keepRecord = [&] {
        if (!entry)
            return;
        entry->record.bytes = held;
        entry->record.total = total;
        entry->record.etag = etag;
        entry->record.lastModified = lastModified;
        entry->save();
    };

    InternetSession::Body body;
    body.begins = [&]() {
        long code = 0;
        curl_easy_getinfo(session_->handle(), CURLINFO_RESPONSE_CODE, &code);
        curl_off_t length = -1;
        curl_easy_getinfo(session_->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        const InternetSession::ResponseHeaders& headers = session_->response();
        if (held > 0) {
            long long first = -1, last = -1, size = -1;
            const bool fits = code == 206 && parseContentRange(headers.contentRange, first, last, size)
                && first == held && (size < 0 || total < 0 || size == total);
            if (code == 206 && !fits) {
                mismatch = true;  // not the rest of what we hold: ask for all of it
                return false;
            }
            if (fits) {
                if (size >= 0)
                    total = size;
            } else {
                // A 200: the whole file again, from its first byte.
                if (!file.restartAt(0)) {
                    createFailed = true;
                    return false;
                }
                held = synced = 0;
            }
        }
        if (held == 0) {
            total = length >= 0 ? static_cast<long long>(length) : -1;
            etag = headers.etag;
            lastModified = headers.lastModified;
        }
        if (!decided) {
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
            decided = true;
        }
        // Worth a record only when starting over would cost something.
        if (!openBodyFile(file, temp, area, total >= options_.resumeMinBytes && !validator(etag, lastModified).empty(), url, request.resumeTarget, entry)) {
            createFailed = true;
            return false;
        }
        keepRecord();
        if (callbacks_.fileBegins)
            callbacks_.fileBegins(total > 0 ? total : 0);
        return true;
    };
    body.write = [&](const char* data, std::size_t size) {
        if (!file.write(data, size))
            return false;
        held += static_cast<long long>(size);
        // A SIGKILL or a power cut loses at most this much.
        if (entry && held - synced >= resumeSyncBytes && file.sync()) {
            synced = held;
            keepRecord();
        }
        return true;
    };

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
    InternetSession::Outcome out;
    int startedOver = 0;
    for (;;) {
        ++result.attempts;
        // Within a receive the length must agree when no validator can.
        const std::string ifRange = validator(etag, lastModified);
        if (held > 0 && ifRange.empty() && total < 0 && file.restartAt(0))
            held = synced = 0;
        session_->setRange(held, ifRange);
        mismatch = false;
        out = session_->performHttp(url, body, serverLogin, loginSent);
        const bool changed = mismatch || (held > 0 && out.curlCode == CURLE_OK && out.status == 416);
        if (changed && startedOver++ < 2 && !createFailed) {
            // What we hold is not the server's file any more: all of it
            // again, without counting a try.
            if (!file.restartAt(0)) {
                createFailed = true;
                break;
            }
            held = synced = 0;
            total = -1;
            etag.clear();
            lastModified.clear();
            keepRecord();
            --result.attempts;
            continue;
        }
        const bool success = out.ok() && out.status >= 200 && out.status <= 299;
        const bool cut = success && total >= 0 && held != total;
        if (success && !cut)
            break;
        if (!(cut || out.transient()) || createFailed || result.attempts > options_.retries)
            break;
        const long wait = InternetSession::retryWaitMs(options_, result.attempts, session_->response().retryAfter);
        if (!session_->waitForRetry(wait)) {
            out.stop = InternetSession::Stop::Cancelled;
            break;
        }
    }
    session_->setRange(0);
    const bool closed = file.close();
    TransferError error = session_->errorOf(out);
    error.loginSent = loginSent;
    error.attempts = result.attempts;
    if (out.stop == InternetSession::Stop::Declined && !createFailed && !mismatch) {
        if (entry)
            entry->drop();  // the local file stays: nothing to go on with
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
    if (!error && (out.status < 200 || out.status > 299))
        error.failure = TransferFailure::HttpStatus;
    else if (!error && total >= 0 && held != total)
        error.failure = TransferFailure::TransferFailed;  // the body stayed short
    if (error) {
        // What arrived waits for the next receive; nothing at all is not kept.
        if (entry && held > 0 && closed && !createFailed)
            keepRecord();
        else if (entry)
            entry->drop();
        return fail(error);
    }
    result.size = held;
    const std::string path = entry ? entry->handOver() : temp.path();

    if (request.synchronize && result.remoteTime) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(*result.remoteTime);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    result.status = TransferStatus::Received;
    result.tempPath = entry ? path : temp.release();
    return result;
}

} // namespace platform
