#include "receiver/engine/HttpSourceReceiver.h"

#include "receiver/engine/CallbackException.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/LocalName.h"
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
#include "platform/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace receive {

namespace {

// Fetches files on connections of their own while the worker goes on: the
// worker prepares each file in document order (its questions asked there),
// hands those that need no question to the pool, and places every result in
// document order, so the events, error lines and counts are those of a
// one-at-a-time receive. The pool's transfers never ask anything: a file that
// would have to (a login) is fetched again on the worker.
class FetchPool {
public:
    FetchPool(int size, const ReceiveEngine::RemoteSource& source, bool allowBasicAuth, ReceiveEngine& engine)
        : folder_(platform::TempFile::folder()), progress_(engine.progress()), running_(size)
    {
        for (int i = 0; i < size; ++i) {
            platform::TransferCallbacks callbacks;
            callbacks.cancelled = [this] { return progress_.cancel.load(std::memory_order_relaxed); };
            callbacks.fileBegins = [this, i](long long bytes) { count(i, Running{bytes, 0, true}); };
            callbacks.blockReceived = [this, i](long long bytes) {
                std::lock_guard lock(bytesMutex_);
                running_[i].received = bytes;
                publish();
            };
            auto http = std::make_unique<platform::HttpSource>(
                source.server.host, source.server.portGiven ? source.server.port : 0, source.login->transferLogin(),
                source.login->transferProxy(), allowBasicAuth, engine.options().transfer, callbacks);
            sources_.push_back(std::move(http));
        }
        for (int i = 0; i < size; ++i)
            threads_.emplace_back([this, i] { serve(i); });
    }
    ~FetchPool()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            jobs_.clear();  // an error ended the list: what was not begun is not
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    std::future<platform::HttpFileResult> submit(platform::HttpFileRequest request)
    {
        Job job{std::move(request), {}};
        std::future<platform::HttpFileResult> result = job.done.get_future();
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
        return result;
    }

private:
    struct Job {
        platform::HttpFileRequest request;
        std::promise<platform::HttpFileResult> done;
    };

    // The file each connection is fetching: the progress shows the sum over
    // all of them, so its bytes grow with everything that arrives.
    struct Running {
        std::int64_t size = 0, received = 0;
        bool active = false;
    };
    void count(int slot, Running now)
    {
        std::lock_guard lock(bytesMutex_);
        running_[slot] = now;
        publish();
    }
    void publish()
    {
        std::int64_t size = 0, received = 0;
        bool sizeKnown = true;
        for (const Running& r : running_) {
            if (!r.active)
                continue;
            sizeKnown = sizeKnown && r.size > 0;
            size += r.size;
            received += r.received;
        }
        progress_.fileSize = sizeKnown ? size : 0;
        progress_.fileReceived = received;
    }

    void serve(int slot)
    {
        platform::HttpSource& http = *sources_[slot];
        platform::TempFile::ThreadFolder folder(folder_);
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            platform::HttpFileResult result = http.fetch(job.request);
            count(slot, {});
            job.done.set_value(std::move(result));
        }
    }

    std::string folder_;
    ReceiveProgress& progress_;
    std::mutex bytesMutex_;
    std::vector<Running> running_;
    std::vector<std::unique_ptr<platform::HttpSource>> sources_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
};

// One file of a list as the worker prepared it, in document order.
struct PreparedFile {
    const FileRecord* file = nullptr;
    std::string remote, localName, localPath;
    PolicyState policy;
    bool skip = false;                                  // the policy skipped it
    std::exception_ptr error;                           // preparing it failed
    std::optional<std::future<platform::HttpFileResult>> fetched;  // on the pool
};

void receiveList(ReceiveEngine& engine, platform::HttpSource& http, FetchPool* pool, int window,
                 const FileListRecord& list, const PolicyState& listPolicy, const std::string& remoteFolder,
                 const std::string& folder)
{
    ReceiveProgress& progress = engine.progress();
    progress.fileTotal = static_cast<int>(list.files.size());
    progress.filesDone = 0;
    int filesDone = 0;
    std::deque<PreparedFile> ahead;
    std::set<std::string> pending;  // local paths fetched ahead, not yet placed
    std::size_t next = 0;

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
    auto prepare = [&](const FileRecord& file) {
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
    auto needsNoQuestion = [&](const PreparedFile& p) {
        if (p.skip || p.error || pending.count(p.localPath))
            return false;
        struct stat st {};
        return (::lstat(p.localPath.c_str(), &st) != 0 && errno == ENOENT) || p.policy.policy == guidepost::UpdateForce;
    };
    auto fail = [&](const PreparedFile& p, const CAMException& e) {
        const std::string remote = p.file->remote.empty() ? p.file->name : p.file->remote;
        engine.failFile(remote, LocalName::shown(p.file->name, LocalName::remoteName(remote)), ProtocolHttp,
                        errorText(e));
    };

    while (next < list.files.size() || !ahead.empty()) {
        // Look ahead while the files need no question; one that may ask
        // waits until everything before it is placed.
        while (pool && next < list.files.size() && static_cast<int>(ahead.size()) < window
               && (ahead.empty() || ahead.back().fetched)) {
            engine.checkCancel();
            PreparedFile p = prepare(*list.files[next++]);
            if (needsNoQuestion(p)) {
                pending.insert(p.localPath);
                p.fetched = pool->submit(request(p));
            }
            ahead.push_back(std::move(p));
        }
        if (ahead.empty()) {
            engine.checkCancel();
            ahead.push_back(prepare(*list.files[next++]));
        }
        PreparedFile p = std::move(ahead.front());
        ahead.pop_front();
        try {
            if (p.error)
                std::rethrow_exception(p.error);
            if (!p.skip) {
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
                            return engine.policy().shouldReceive(p.localPath, p.policy.policy, Transfer::Http,
                                                                 remoteTime);
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
                TransferPlacement::place(engine, std::move(event), result,
                                         p.file->uncompress == guidepost::UncompressZip,
                                         platform::HttpSource::requestPath({}, p.remote), http.host());
            }
        } catch (const CAMException& e) {
            if (progress.cancel) {
                // Files fetched ahead are not placed: their data goes.
                for (PreparedFile& rest : ahead)
                    if (rest.fetched) {
                        platform::HttpFileResult r = rest.fetched->get();
                        if (r.status == platform::TransferStatus::Received)
                            ::unlink(r.tempPath.c_str());
                    }
                throw;
            }
            fail(p, e);
        }
        progress.filesDone = ++filesDone;
    }
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
    std::optional<FetchPool> pool;

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
            pool.emplace(connections, source, allowBasicAuth, engine);
        receiveList(engine, http, pool ? &*pool : nullptr, connections * 2, list, policy, remoteFolder, listFolder);
    });
}

} // namespace receive
