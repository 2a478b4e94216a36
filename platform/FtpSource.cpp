#include "FtpSource.h"

#include "platform/Cp932Codec.h"
#include "platform/HttpSource.h"
#include "platform/InternetBodyFile.h"
#include "platform/ResumeArea.h"
#include "platform/WriteAll.h"
#include "platform/TempFile.h"

#include <curl/curl.h>

#include <cstdio>
#include <fcntl.h>
#include <fnmatch.h>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string normalFolder(const std::string& folder)
{
    std::string f = trimmed(folder);
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    return f;
}

std::string joinFolder(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (a == "/")
        return "/" + b;
    return a + "/" + b;
}

// The folder itself and its parent are no entries; every other name goes
// to the caller, which judges it by the one name rule and says why it
// refuses one.
bool listedEntry(const std::string& name)
{
    return !name.empty() && name != "." && name != "..";
}

} // namespace

FtpSource::FtpSource(std::string host, int port, SourceLogin login, ProxySettings proxy,
                     InternetOptions options, TransferCallbacks callbacks,
                     const AsciiExtensions* asciiExtensions, bool passive)
    : host_(std::move(host)), port_(port), login_(std::move(login)), proxy_(std::move(proxy)),
      options_(std::move(options)), callbacks_(std::move(callbacks)), ascii_(asciiExtensions),
      passive_(passive)
{
}

FtpSource::~FtpSource() = default;

std::string FtpSource::folderUrl(const std::string& folder) const
{
    std::string url = "ftp://" + InternetSession::authority(host_, port_) + "/";
    if (folder.empty())
        return url;
    if (folder == "/")
        return url + "%2F";
    if (folder.front() == '/')
        return url + "%2F" + InternetSession::escapePath(folder.substr(1), options_.cp932Names) + "/";
    return url + InternetSession::escapePath(folder, options_.cp932Names) + "/";
}

void FtpSource::resetRequest()
{
    CURL* c = session_->handle();
    curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(c, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_IGNORE_CONTENT_LENGTH, 0L);
    curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(0));
}

TransferError FtpSource::open()
{
    TransferError error;
    std::string user = login_.user;
    std::string password = login_.password;
    if (login_.hasAccount && login_.accountName != "anonymous" && login_.askPassword) {
        std::optional<std::string> typed;
        if (callbacks_.askPassword)
            typed = callbacks_.askPassword(PasswordPrompt{user == "anonymous", host_, user, "FTP"});
        if (!typed) {
            error.failure = TransferFailure::PasswordDeclined;
            return error;
        }
        password = *typed;
    }
    if (user.empty())
        user = "anonymous";
    if (user == "anonymous" && password.empty())
        password = options_.anonymousPassword;

    session_ = std::make_unique<InternetSession>(options_, proxy_, callbacks_);
    if (!session_->valid()) {
        session_.reset();
        error.failure = TransferFailure::NoSession;
        return error;
    }
    CURL* c = session_->handle();
    session_->setLogin(user, password);
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, passive_ ? 1L : 0L);
    if (!passive_)
        curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    if (proxy_.inUse()) {
        // Control and data connections both pass through the proxy's tunnel.
        curl_easy_setopt(c, CURLOPT_HTTPPROXYTUNNEL, 1L);
        if (!proxy_.user.empty())
            session_->setProxyLogin(proxy_.user, proxy_.password);
    }

    // Log in now, so a refused account fails the source before any list.
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    InternetSession::Body body{{}, [](const char*, std::size_t) { return true; }};
    InternetSession::Outcome out = session_->perform(folderUrl({}), body, false);
    resetRequest();
    error = session_->errorOf(out);
    if (error.failure == TransferFailure::TransferFailed) {
        // Reached, but the server would not let this login in.
        error.failure = TransferFailure::LoginRefused;
        error.stage = TransferStage::Connecting;
    }
    if (error)
        session_.reset();
    return error;
}

bool FtpSource::changeFolder(const std::string& folder)
{
    std::string f = normalFolder(folder);
    if (!session_)
        return false;
    try {
        curl_easy_setopt(session_->handle(), CURLOPT_NOBODY, 1L);
        InternetSession::Body body{{}, [](const char*, std::size_t) { return true; }};
        InternetSession::Outcome out = session_->perform(folderUrl(f), body, false);
        resetRequest();
        if (!out.ok())
            return false;
    } catch (const CodecError&) {
        resetRequest();
        return false;
    }
    folder_ = f;
    return true;
}

std::vector<FtpEntry> FtpSource::parseListing(const std::string& text, bool mlsd)
{
    std::vector<FtpEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        FtpEntry entry;
        if (mlsd) {
            std::size_t space = line.find(' ');
            if (space == std::string::npos)
                continue;
            entry.name = line.substr(space + 1);
            std::string facts = line.substr(0, space);
            std::string type;
            std::istringstream fin(facts);
            std::string fact;
            while (std::getline(fin, fact, ';')) {
                std::size_t eq = fact.find('=');
                if (eq == std::string::npos)
                    continue;
                std::string key = fact.substr(0, eq), value = fact.substr(eq + 1);
                for (char& ch : key)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (key == "type") {
                    for (char& ch : value)
                        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                    type = value;
                } else if (key == "size") {
                    entry.size = std::atoll(value.c_str());
                }
            }
            if (type == "cdir" || type == "pdir")
                continue;
            entry.folder = type == "dir";
            if (type != "dir" && type != "file")
                continue;
        } else {
            // "drwxr-xr-x 2 owner group 4096 Jan  1 00:00 name"
            if (line.rfind("total ", 0) == 0 || (line[0] != '-' && line[0] != 'd'))
                continue;
            std::istringstream fields(line);
            std::string field[8];
            bool complete = true;
            for (std::string& f : field)
                if (!(fields >> f))
                    complete = false;
            if (!complete)
                continue;
            std::string rest;
            std::getline(fields, rest);
            std::size_t start = rest.find_first_not_of(' ');
            if (start == std::string::npos)
                continue;
            entry.name = rest.substr(start);
            entry.folder = line[0] == 'd';
            entry.size = std::atoll(field[4].c_str());
        }
        if (listedEntry(entry.name))
            entries.push_back(entry);
    }
    return entries;
}

bool FtpSource::list(const std::string& pattern, std::vector<FtpEntry>& entries, const std::string& below)
{
    entries.clear();
    if (!session_)
        return false;
    std::string folder = below.empty() ? folder_ : below;
    std::string url;
    try {
        url = folderUrl(folder);
    } catch (const CodecError&) {
        return false;
    }
    if (url.back() != '/')
        url += '/';
    std::string text;
    InternetSession::Body body{{}, [&](const char* data, std::size_t size) {
                                   text.append(data, size);
                                   return true;
                               }};
    curl_easy_setopt(session_->handle(), CURLOPT_CUSTOMREQUEST, "MLSD");
    InternetSession::Outcome out = session_->perform(url, body, false);
    resetRequest();
    bool mlsd = true;
    if (!out.ok()) {
        if (out.stop == InternetSession::Stop::Cancelled)
            return false;
        // Servers without MLSD still give the classic listing.
        text.clear();
        mlsd = false;
        out = session_->perform(url, body, false);
        resetRequest();
        if (!out.ok())
            return false;
    }
    for (FtpEntry& e : parseListing(text, mlsd)) {
        std::string name = e.name;
        if (options_.cp932Names && !Cp932Codec::tryToUtf8(e.name, name))
            continue;
        e.name = name;
        if (::fnmatch(pattern.c_str(), e.name.c_str(), FNM_PERIOD) == 0)
            entries.push_back(e);
    }
    return true;
}

FtpFileResult FtpSource::get(const FtpFileRequest& request)
{
    return transfer(folder_, trimmed(request.remoteName), request.mode, -1, request.decide, request.resumeTarget);
}

FtpFileResult FtpSource::transfer(const std::string& folder, const std::string& remoteName, int mode,
                                  long long knownSize, const std::function<bool()>& decide,
                                  const std::string& resumeTarget)
{
    FtpFileResult result;
    result.remoteName = remoteName;
    result.mode = ascii_ ? ascii_->resolve(mode, remoteName) : (mode == 1 ? 1 : 2);
    auto fail = [&](TransferFailure what, TransferStage stage) {
        result.status = what == TransferFailure::Cancelled ? TransferStatus::Cancelled : TransferStatus::Failed;
        result.error.failure = what;
        result.error.stage = stage;
        result.size = 0;
        return result;
    };
    if (!session_)
        return fail(TransferFailure::NoSession, TransferStage::Session);
    if (session_->cancelled())
        return fail(TransferFailure::Cancelled, TransferStage::Requesting);
    if (decide && !decide()) {
        result.status = TransferStatus::Kept;
        return result;
    }
    std::string url;
    try {
        url = folderUrl(folder);
        if (url.back() != '/')
            url += '/';
        url += InternetSession::escapePath(remoteName, options_.cp932Names);
    } catch (const CodecError& e) {
        result.error.detail = e.what();
        return fail(TransferFailure::BadName, TransferStage::Requesting);
    }

    // Only binary data can go on from a byte offset: an ASCII transfer
    // changes line ends on the way, so it always starts from its first byte.
    const bool binary = result.mode != 1;
    ResumeArea area(binary && !resumeTarget.empty() ? options_.resumeFolder : std::string());
    std::unique_ptr<ResumeArea::Entry> entry = area.openExisting(url, resumeTarget);
    TempFile temp;
    InternetBodyFile file;
    long long held = 0, total = -1;
    std::string stamp;  // the remote file's time (MDTM): the only validator FTP has
    if (entry) {
        const ResumeArea::Record& r = entry->record;
        if (r.bytes > 0 && !r.lastModified.empty() && file.adopt(entry->writer())) {
            held = result.resumedFrom = r.bytes;
            total = r.total;
            stamp = r.lastModified;
        } else {
            entry->drop();
            entry.reset();
        }
    }
    long long synced = held;
    bool createFailed = false, mismatch = false;
    auto keepRecord = [&] {
        if (!entry)
            return;
        entry->record.bytes = held;
        entry->record.total = total;
        entry->record.lastModified = stamp;
        entry->save();
    };
    InternetSession::Body body;
    body.begins = [&]() {
        curl_off_t filetime = -1;
        curl_easy_getinfo(session_->handle(), CURLINFO_FILETIME_T, &filetime);
        const std::string now = filetime >= 0 ? std::to_string(static_cast<long long>(filetime)) : std::string();
        if (held > 0 && (now.empty() || now != stamp)) {
            mismatch = true;
            return false;
        }
        if (held == 0) {
            stamp = now;
            total = knownSize;
            if (total < 0) {
                curl_off_t length = -1;
                curl_easy_getinfo(session_->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
                total = length;
            }
        }
        // Worth a record only when starting over would cost something.
        if (!openBodyFile(file, temp, area, total >= options_.resumeMinBytes && !stamp.empty(), url, resumeTarget, entry)) {
            createFailed = true;
            return false;
        }
        keepRecord();
        if (callbacks_.fileBegins)
            callbacks_.fileBegins(total > 0 ? total : 0);
        return true;
    };
    // A single get learns no size (the data connection ends the file), so a
    // file moves to the resume area once it has grown worth keeping.
    auto promote = [&] {
        if (!file.sync())
            return;
        entry = area.open(url, resumeTarget);
        if (!entry)
            return;
        const int in = ::open(temp.path().c_str(), O_RDONLY | O_CLOEXEC);
        const int out = entry->writer();
        bool copied = in >= 0 && out >= 0;
        std::vector<char> buffer(1 << 16);
        for (ssize_t n = 0; copied && (n = ::read(in, buffer.data(), buffer.size())) != 0;)
            copied = n > 0 && writeAll(out, buffer.data(), static_cast<std::size_t>(n));
        if (in >= 0)
            ::close(in);
        if (out >= 0 && ::close(out) != 0)
            copied = false;
        entry->record.bytes = held;
        int writer = copied ? entry->writer() : -1;
        if (writer < 0) {
            entry->drop();
            entry.reset();
            return;
        }
        file.close();
        temp.remove();
        file.adopt(writer);
        synced = held;
        keepRecord();
    };
    body.write = [&](const char* data, std::size_t size) {
        if (!file.write(data, size))
            return false;
        held += static_cast<long long>(size);
        if (!entry && area.enabled() && !stamp.empty() && held >= options_.resumeMinBytes && temp.valid())
            promote();
        if (entry && held - synced >= (4LL << 20) && file.sync()) {
            synced = held;
            keepRecord();
        }
        return true;
    };
    InternetSession::Outcome out;
    int startedOver = 0;
    for (;;) {
        ++result.attempts;
        if (!binary && held > 0 && file.restartAt(0))
            held = synced = 0;
        // ASCII mode: libcurl turns the wire's CR LF into the local line end.
        curl_easy_setopt(session_->handle(), CURLOPT_TRANSFERTEXT, binary ? 0L : 1L);
        // The file ends where the data connection ends: a SIZE reply smaller
        // than the file (or negative) would otherwise cut it short unnoticed.
        // The progress then knows the size only from a listing. A resumed
        // transfer needs the SIZE reply: without it libcurl sends no REST.
        curl_easy_setopt(session_->handle(), CURLOPT_IGNORE_CONTENT_LENGTH, held > 0 ? 0L : 1L);
        curl_easy_setopt(session_->handle(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(held));
        mismatch = false;
        out = session_->perform(url, body, false);
        resetRequest();
        const bool changed = mismatch || (held > 0 && out.curlCode == CURLE_BAD_DOWNLOAD_RESUME);
        if (changed && startedOver++ < 2 && !createFailed) {
            // The server's file is not the one we hold part of: all again.
            if (!file.restartAt(0)) {
                createFailed = true;
                break;
            }
            held = synced = 0;
            total = -1;
            stamp.clear();
            keepRecord();
            --result.attempts;
            continue;
        }
        if (out.ok() || createFailed || !out.transient(true) || result.attempts > options_.retries)
            break;
        const long wait = InternetSession::retryWaitMs(options_, result.attempts, {});
        if (!session_->waitForRetry(wait)) {
            out.stop = InternetSession::Stop::Cancelled;
            break;
        }
    }
    bool closed = file.close();
    TransferError error = session_->errorOf(out);
    error.attempts = result.attempts;
    if (createFailed || (!closed && !error)) {
        error.failure = TransferFailure::LocalFileFailed;
        error.stage = TransferStage::Storing;
    }
    if (error) {
        if (entry && held > 0 && closed && !createFailed)
            keepRecord();
        else if (entry)
            entry->drop();
        fail(error.failure, error.stage);
        result.error = error;
        return result;
    }
    result.status = TransferStatus::Received;
    result.size = held;
    result.tempPath = entry ? entry->handOver() : temp.release();
    return result;
}

bool FtpSource::getMultiple(const FtpMultipleGet& request)
{
    return walk(request, folder_, request.localFolder, 0);
}

bool FtpSource::walk(const FtpMultipleGet& request, const std::string& remoteFolder,
                     const std::string& localFolder, int depth)
{
    std::vector<FtpEntry> entries;
    if (!list(request.pattern, entries, remoteFolder)) {
        if (session_ && session_->cancelled())
            return false;
        if (request.folderUnreadable)
            request.folderUnreadable(remoteFolder);
        return true;
    }
    if (request.counted)
        request.counted(static_cast<int>(entries.size()));
    std::vector<std::string> folders;
    for (const FtpEntry& entry : entries) {
        if (entry.folder) {
            folders.push_back(entry.name);
            continue;
        }
        std::function<bool()> decide;
        if (request.decide)
            decide = [&] { return request.decide(localFolder, entry.name); };
        FtpFileResult r = transfer(remoteFolder, entry.name, request.mode, entry.size, decide);
        r.localFolder = localFolder;
        if (r.status == TransferStatus::Cancelled)
            return false;
        if (request.fileDone)
            request.fileDone(r);
    }
    for (const std::string& name : folders) {
        if (session_->cancelled())
            return false;
        std::string local = localFolder.empty() ? name : localFolder + "/" + name;
        if (depth + 1 > maxDepth || (request.createFolder && !request.createFolder(local))) {
            if (request.folderRefused)
                request.folderRefused(remoteFolder.empty() ? "/" : remoteFolder, name);
            return true;
        }
        if (request.folderCreated)
            request.folderCreated(local, name);
        if (!walk(request, joinFolder(remoteFolder, name), local, depth + 1))
            return false;
    }
    return true;
}

} // namespace platform
