#include "FtpSource.h"

#include "platform/Cp932Codec.h"
#include "platform/HttpSource.h"
#include "platform/InternetBodyFile.h"
#include "platform/TempFile.h"

#include <curl/curl.h>

#include <cstdio>
#include <fnmatch.h>
#include <sstream>

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
    return transfer(folder_, trimmed(request.remoteName), request.mode, -1, request.decide);
}

FtpFileResult FtpSource::transfer(const std::string& folder, const std::string& remoteName, int mode,
                                  long long knownSize, const std::function<bool()>& decide)
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

    TempFile temp;
    InternetBodyFile file;
    if (!file.adopt(temp.createOpen()))
        return fail(TransferFailure::LocalFileFailed, TransferStage::Storing);
    InternetSession::Body body;
    body.begins = [&]() {
        long long size = knownSize;
        if (size < 0) {
            curl_off_t length = -1;
            curl_easy_getinfo(session_->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            size = length;
        }
        if (callbacks_.fileBegins)
            callbacks_.fileBegins(size > 0 ? size : 0);
        return true;
    };
    body.write = [&](const char* data, std::size_t size) { return file.write(data, size); };
    // ASCII mode: libcurl turns the wire's CR LF into the local line end.
    curl_easy_setopt(session_->handle(), CURLOPT_TRANSFERTEXT, result.mode == 1 ? 1L : 0L);
    // The file ends where the data connection ends: a SIZE reply smaller
    // than the file (or negative) would otherwise cut it short unnoticed.
    // The progress then knows the size only from a listing.
    curl_easy_setopt(session_->handle(), CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    InternetSession::Outcome out = session_->perform(url, body, false);
    resetRequest();
    bool closed = file.close();
    TransferError error = session_->errorOf(out);
    if (!closed && !error) {
        error.failure = TransferFailure::LocalFileFailed;
        error.stage = TransferStage::Storing;
    }
    if (error) {
        fail(error.failure, error.stage);
        result.error = error;
        return result;
    }
    result.status = TransferStatus::Received;
    result.size = out.bytes;
    result.tempPath = temp.release();
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
