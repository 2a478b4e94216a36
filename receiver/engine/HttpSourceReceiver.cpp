#include "receiver/engine/HttpSourceReceiver.h"

#include "receiver/engine/CallbackException.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/LocalName.h"
#include "receiver/engine/ParallelFiles.h"
#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/SourceCallbacks.h"
#include "receiver/engine/SourceLogin.h"
#include "receiver/engine/TransferPlacement.h"

#include "platform/HttpSource.h"

#include <algorithm>
#include <cerrno>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>

namespace receive {

namespace {

using HttpPool = FetchPool<platform::HttpSource, platform::HttpFileRequest, platform::HttpFileResult>;

// One file of a list as the worker prepared it, in document order.
struct PreparedFile {
    const FileRecord* file = nullptr;
    std::string remote, localName, localPath;
    PolicyState policy;
    bool skip = false;                                  // the policy skipped it
    std::exception_ptr error;                           // preparing it failed
    std::optional<std::future<platform::HttpFileResult>> fetched;  // on the pool
};

void receiveList(ReceiveEngine& engine, platform::HttpSource& http, HttpPool* pool, int window,
                 const FileListRecord& list, const PolicyState& listPolicy, const std::string& remoteFolder,
                 const std::string& folder)
{
    ReceiveProgress& progress = engine.progress();
    std::set<std::string> pending;  // local paths fetched ahead, not yet placed

    auto request = [&](const PreparedFile& p) {
        platform::HttpFileRequest r;
        r.remoteFolder = remoteFolder;
        r.remoteName = p.remote;
        r.synchronize = p.policy.synchronize;
        r.resumeTarget = p.localPath;
        if (p.file->timePresent)
            r.fixedTime = p.file->time;
        return r;
    };
    OrderedFiles<PreparedFile, platform::HttpFileResult> files;
    files.prepare = [&](std::size_t index) {
        const FileRecord& file = *list.files[index];
        PreparedFile p;
        p.file = &file;
        try {
            p.remote = LocalName::remoteName(file.remote.empty() ? file.name : file.remote);
            std::string reason;
            p.localName = LocalName::of(file.name, p.remote, reason);
            if (p.localName.empty())
                throw ReceiveError(CAMException::FileCreateFailed, reason);
            progress.setName(&ReceiveProgress::Names::file, p.localName);
            p.policy = listPolicy;
            p.skip = !engine.policy().resolveFile(file, p.localName, p.policy, Transfer::Http);
            p.localPath = folder + "/" + p.localName;
        } catch (const CAMException&) {
            if (progress.cancel)
                throw;
            p.error = std::current_exception();
        }
        return p;
    };
    // Received without a question whatever the server says: no local file
    // (and none fetched ahead under that name), or a policy that replaces it.
    files.sendAhead = [&](PreparedFile& p) {
        if (p.skip || p.error || pending.count(p.localPath))
            return;
        struct stat st {};
        if ((::lstat(p.localPath.c_str(), &st) != 0 && errno == ENOENT) || p.policy.policy == guidepost::UpdateForce) {
            pending.insert(p.localPath);
            p.fetched = pool->submit(request(p));
        }
    };
    files.finish = [&](PreparedFile& p) {
        if (p.error)
            std::rethrow_exception(p.error);
        if (p.skip)
            return;
        // The progress names the file whose turn it is in document order.
        progress.setName(&ReceiveProgress::Names::file, p.localName);
        platform::HttpFileResult result;
        bool done = false;
        if (p.fetched) {
            result = p.fetched->get();
            pending.erase(p.localPath);
            // A login needs the user: asked on this thread, in order.
            const auto failure = result.error.failure;
            done = !(result.status == platform::TransferStatus::Failed
                     && (failure == platform::TransferFailure::Unauthorized
                         || failure == platform::TransferFailure::PasswordDeclined));
        }
        if (!done) {
            platform::HttpFileRequest r = request(p);
            CallbackException raised;
            r.decide = [&](std::optional<std::int64_t> remoteTime) {
                return raised.run([&] {
                    return engine.policy().shouldReceive(p.localPath, p.policy.policy, Transfer::Http, remoteTime);
                });
            };
            result = http.fetch(r);
            raised.rethrow(result.tempPath);
        }
        ReceiveEvent event;
        event.eventKind = FileReceived;
        event.destPath = p.localPath;
        event.saveName = p.localName;
        event.remoteName = p.remote;
        event.protocolCode = ProtocolHttp;
        event.transferMode = ModeNone;
        event.browseId = p.file->browseId;
        TransferPlacement::place(engine, std::move(event), result, p.file->uncompress == guidepost::UncompressZip,
                                 platform::HttpSource::requestPath({}, p.remote), http.host());
    };
    files.fail = [&](const PreparedFile& p, const CAMException& e) {
        const std::string remote = p.file->remote.empty() ? p.file->name : p.file->remote;
        engine.failFile(remote, LocalName::shown(p.file->name, LocalName::remoteName(remote)), ProtocolHttp,
                        errorText(e));
    };
    files.discard = [](platform::HttpFileResult& r) {
        if (r.status == platform::TransferStatus::Received)
            ::unlink(r.tempPath.c_str());
    };
    inDocumentOrder(engine, list.files.size(), window, pool != nullptr, files);
}

} // namespace

void HttpSourceReceiver::receive(ReceiveEngine& engine, const ReceiveEngine::RemoteSource& source,
                                 bool allowBasicAuth)
{
    platform::HttpSource http(source.server.host, source.server.portGiven ? source.server.port : 0,
                              source.login->transferLogin(), source.login->transferProxy(), allowBasicAuth,
                              engine.options().transfer, SourceCallbacks::of(engine));
    engine.sourceBegins(source.server.host, ProtocolHttp);
    if (!http.open())
        throw ReceiveError(CAMException::HttpConnectFailed, source.server.host);
    const int connections = std::clamp(engine.options().transfer.connections, 1, 16);
    std::optional<HttpPool> pool;

    engine.eachFileList(*source.source, [&](const FileListRecord& list) {
        const std::string remoteFolder = MirrorChoice::remoteFolder(list, source.server);
        std::vector<std::string> local;
        PolicyState policy = source.policy;
        if (!engine.prepareFileList(list, source.folder, local, policy))
            return;
        const std::string listFolder = FolderPath::join(source.folder, local);
        engine.removeAfterZip(source.folder, local);
        // The pool's connections are made once a list has files to share.
        if (connections > 1 && list.files.size() > 1 && !pool)
            pool.emplace(
                connections, engine.progress(),
                [&](const platform::TransferCallbacks& callbacks) {
                    return std::make_unique<platform::HttpSource>(
                        source.server.host, source.server.portGiven ? source.server.port : 0,
                        source.login->transferLogin(), source.login->transferProxy(), allowBasicAuth,
                        engine.options().transfer, callbacks);
                },
                [](platform::HttpSource& h, const platform::HttpFileRequest& r) { return h.fetch(r); });
        receiveList(engine, http, pool ? &*pool : nullptr, connections * 2, list, policy, remoteFolder, listFolder);
    });
}

} // namespace receive
