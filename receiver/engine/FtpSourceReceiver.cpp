#include "receiver/engine/FtpSourceReceiver.h"

#include "receiver/engine/CallbackException.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/LocalName.h"
#include "receiver/engine/ParallelFiles.h"
#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/SourceCallbacks.h"
#include "receiver/engine/SourceLogin.h"
#include "receiver/engine/TransferErrors.h"
#include "receiver/engine/TransferPlacement.h"

#include "receiver/reports/PageText.h"

#include "platform/FtpSource.h"
#include "platform/SafeName.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace receive {

namespace {

bool insideFolder(const std::string& base, const std::string& folder)
{
    return platform::SafeName::isInside(base, folder);
}

bool safeName(const std::string& name)
{
    return platform::SafeName::isComponent(name);
}

// A logged-in session of the pool; it logs in with its first file.
struct FtpConnection {
    platform::FtpSource ftp;
    bool opened = false;
    bool refused = false;  // a server that allows fewer sessions: not asked again
};
struct FtpJob {
    std::string folder;  // the list's remote folder
    platform::FtpFileRequest request;
};
struct FtpFetched {
    platform::FtpFileResult result;
    bool again = false;  // the session could not log in or reach the folder
};
using FtpPool = FetchPool<FtpConnection, FtpJob, FtpFetched>;

FtpFetched fetchOn(FtpConnection& c, const FtpJob& job)
{
    FtpFetched f;
    if (c.refused)
        return f.again = true, f;
    if (!c.opened) {
        c.opened = !c.ftp.open();
        c.refused = !c.opened;
        if (c.refused)
            return f.again = true, f;
    }
    if (c.ftp.currentFolder() != job.folder && !c.ftp.changeFolder(job.folder))
        return f.again = true, f;
    f.result = c.ftp.get(job.request);
    return f;
}

// One file of a list as the worker prepared it, in document order.
struct PreparedFtpFile {
    const FileRecord* file = nullptr;
    std::string remote, localName, localPath;
    int mode = 0;
    bool multiple = false;   // an mget pattern: on the worker, in its turn
    bool badName = false;    // its local name names a folder or a drive
    std::string reason;
    PolicyState policy;
    bool skip = false;
    std::exception_ptr error;
    std::optional<std::future<FtpFetched>> fetched;
};

struct Receiving {
    ReceiveEngine& engine;
    platform::FtpSource& ftp;
    std::string listFolder;
    PolicyState policy;

    void placed(const platform::FtpFileResult& result, const std::string& localPath, const std::string& localName,
                const FileRecord& file)
    {
        ReceiveEvent event;
        event.eventKind = FileReceived;
        event.destPath = localPath;
        event.saveName = localName;
        event.remoteName = result.remoteName;
        event.protocolCode = ProtocolFtp;
        event.transferMode = result.mode == 1 ? ModeAscii : ModeBinary;
        event.browseId = file.browseId;
        TransferPlacement::place(engine, std::move(event), result, file.uncompress == guidepost::UncompressZip,
                                 result.remoteName, ftp.host());
    }

    void single(const FileRecord& file, int mode, const std::string& remote, const std::string& localName,
                const PolicyState& filePolicy)
    {
        const std::string localPath = listFolder + "/" + localName;
        CallbackException raised;
        platform::FtpFileRequest request;
        request.remoteName = remote;
        request.mode = mode;
        request.resumeTarget = localPath;
        request.decide = [&]() {
            return raised.run([&] {
                return engine.policy().shouldReceive(localPath, filePolicy.policy, Transfer::Ftp, std::nullopt);
            });
        };
        platform::FtpFileResult result = ftp.get(request);
        raised.rethrow(result.tempPath);
        if (result.remoteName.empty())
            result.remoteName = remote;
        placed(result, localPath, localName, file);
    }

    void multiple(const FileRecord& file, int mode, const std::string& pattern)
    {
        // The file's own update and synchronize hold for every file it matches.
        PolicyState filePolicy = policy;
        if (!engine.policy().resolveFile(file, pattern, filePolicy, Transfer::Ftp))
            return;
        CallbackException raised;
        platform::FtpMultipleGet request;
        request.pattern = pattern;
        request.mode = mode;
        request.localFolder = listFolder;
        request.createFolder = [&](const std::string& folder) {
            if (!insideFolder(listFolder, folder)) {
                engine.addErrorLine(formatText(texts::localFolderFailedLine, folder));
                return false;
            }
            return ::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
        };
        request.folderCreated = [&](const std::string& folder, const std::string& name) {
            ReceiveEvent event;
            event.eventKind = FolderCreated;
            event.destPath = folder;
            event.saveName = name;
            event.remoteName = name;
            event.protocolCode = ProtocolFtp;
            event.transferMode = ModeNone;
            engine.append(std::move(event));
            if (engine.task().zipTask)
                engine.task().removeList.push_back({true, folder + "/" + name});
        };
        request.decide = [&](const std::string& folder, const std::string& name) {
            return raised.run([&] {
                if (!insideFolder(listFolder, folder) || !safeName(name))
                    return false;
                return engine.policy().shouldReceive(folder + "/" + name, filePolicy.policy, Transfer::Ftp,
                                                     std::nullopt);
            });
        };
        request.fileDone = [&](const platform::FtpFileResult& result) {
            raised.run([&] {
                if (!insideFolder(listFolder, result.localFolder) || !safeName(result.remoteName)) {
                    if (!result.tempPath.empty())
                        ::unlink(result.tempPath.c_str());
                    engine.failFile(result.remoteName, {}, ProtocolFtp, "保存先の外を指す名前です");
                    return true;
                }
                placed(result, result.localFolder + "/" + result.remoteName, result.remoteName, file);
                return true;
            });
        };
        request.folderUnreadable = [&](const std::string& remoteFolder) {
            engine.addErrorLine(formatText(texts::remoteFolderFailedLine, remoteFolder));
        };
        request.folderRefused = [&](const std::string& remoteFolder, const std::string& name) {
            engine.addErrorLine(reports::fill(texts::folderNotMadeLine, {remoteFolder, name}));
        };
        const bool finished = ftp.getMultiple(request);
        raised.rethrow();
        if (!finished) {
            engine.progress().cancel = true;
            throw ReceiveError(CAMException::UserCancelled);
        }
    }
};

} // namespace

void FtpSourceReceiver::receive(ReceiveEngine& engine, const ReceiveEngine::RemoteSource& source)
{
    static const platform::AsciiExtensions ascii = [] {
        platform::AsciiExtensions e;
        e.loadBesideProgram();
        return e;
    }();

    engine.sourceBegins(source.server.host, ProtocolFtp);
    platform::FtpSource ftp(source.server.host, source.server.portGiven ? source.server.port : 0,
                            source.login->transferLogin(), source.login->transferProxy(),
                            engine.options().transfer, SourceCallbacks::of(engine), &ascii,
                            engine.options().transfer.passiveFtp);
    if (platform::TransferError error = ftp.open())
        throw ReceiveError(TransferErrors::ftpOpen(error), source.server.host);
    const int connections = std::clamp(engine.options().transfer.connections, 1, 16);
    std::optional<FtpPool> pool;

    engine.eachFileList(*source.source, [&](const FileListRecord& list) {
        // The list's remote folder comes first: a folder the server refuses
        // skips this list only, before anything is asked or made locally. A
        // list without one works in the folder the log-in gave.
        const std::string remoteFolder = list.remoteFolderGiven ? LocalName::remoteFolder(list.remoteFolder) : "";
        if (!ftp.changeFolder(remoteFolder)) {
            engine.addErrorLine(formatText(texts::remoteFolderFailedLine, list.remoteFolder));
            return;
        }
        std::vector<std::string> local;
        Receiving receiving{engine, ftp, {}, source.policy};
        if (!engine.prepareFileList(list, source.folder, local, receiving.policy, Transfer::Ftp))
            return;
        receiving.listFolder = FolderPath::join(source.folder, local);
        engine.removeAfterZip(source.folder, local);
        // Pool sessions are made once a list has files to share.
        if (connections > 1 && list.files.size() > 1 && !pool)
            pool.emplace(
                connections, engine.progress(),
                [&](const platform::TransferCallbacks& callbacks) {
                    return std::unique_ptr<FtpConnection>(new FtpConnection{
                        platform::FtpSource(source.server.host, source.server.portGiven ? source.server.port : 0,
                                            source.login->transferLogin(), source.login->transferProxy(),
                                            engine.options().transfer, callbacks, &ascii,
                                            engine.options().transfer.passiveFtp),
                        false, false});
                },
                fetchOn);
        std::set<std::string> pending;  // local paths fetched ahead, not yet placed
        OrderedFiles<PreparedFtpFile, FtpFetched> files;
        files.prepare = [&](std::size_t index) {
            const FileRecord& file = *list.files[index];
            PreparedFtpFile p;
            p.file = &file;
            p.remote = LocalName::remoteName(file.remote.empty() ? file.name : file.remote);
            // A file's own mode and method override its list's.
            p.mode = file.modeGiven ? file.mode : list.mode;
            p.multiple = (file.methodGiven ? file.method : list.method) == guidepost::MethodMget;
            if (p.multiple)
                return p;
            p.localName = LocalName::of(file.name, p.remote, p.reason);
            if (p.localName.empty()) {
                p.badName = true;
                return p;
            }
            try {
                p.policy = receiving.policy;
                p.skip = !engine.policy().resolveFile(file, p.localName, p.policy, Transfer::Ftp);
                p.localPath = receiving.listFolder + "/" + p.localName;
            } catch (const CAMException&) {
                if (engine.progress().cancel)
                    throw;
                p.error = std::current_exception();
            }
            return p;
        };
        // Fetched without a question: no local file (and none fetched ahead
        // under that name), or a policy that replaces it.
        files.sendAhead = [&](PreparedFtpFile& p) {
            if (p.multiple || p.badName || p.skip || p.error || pending.count(p.localPath))
                return;
            struct stat st {};
            if ((::lstat(p.localPath.c_str(), &st) == 0 || errno != ENOENT) && p.policy.policy != guidepost::UpdateForce)
                return;
            pending.insert(p.localPath);
            FtpJob job;
            job.folder = remoteFolder;
            job.request.remoteName = p.remote;
            job.request.mode = p.mode;
            job.request.resumeTarget = p.localPath;
            p.fetched = pool->submit(std::move(job));
        };
        files.finish = [&](PreparedFtpFile& p) {
            if (p.multiple) {
                receiving.multiple(*p.file, p.mode, p.remote);
                return;
            }
            // A local name that names a folder or a drive ends the receive.
            if (p.badName) {
                engine.failFile(p.remote, p.file->name, ProtocolFtp, p.reason);
                throw ReceiveError(CAMException::FileCreateFailed, "[" + p.remote + "] " + p.reason);
            }
            if (p.error)
                std::rethrow_exception(p.error);
            if (p.skip)
                return;
            if (p.fetched) {
                FtpFetched f = p.fetched->get();
                pending.erase(p.localPath);
                if (!f.again) {
                    if (f.result.remoteName.empty())
                        f.result.remoteName = p.remote;
                    receiving.placed(f.result, p.localPath, p.localName, *p.file);
                    return;
                }
            }
            receiving.single(*p.file, p.mode, p.remote, p.localName, p.policy);
        };
        files.fail = [&](const PreparedFtpFile& p, const CAMException& e) {
            engine.failFile(p.remote, p.localName, ProtocolFtp, errorText(e));
        };
        files.endsReceive = [](const PreparedFtpFile& p) { return p.multiple || p.badName; };
        files.discard = [](FtpFetched& f) {
            if (f.result.status == platform::TransferStatus::Received)
                ::unlink(f.result.tempPath.c_str());
        };
        inDocumentOrder(engine, list.files.size(), connections * 2, pool.has_value(), files);
    });
}

} // namespace receive
