#include "receiver/engine/FtpSourceReceiver.h"

#include "receiver/engine/CallbackException.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/LocalName.h"
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

#include <cerrno>
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

    void single(const FileRecord& file, int mode, const std::string& remote, const std::string& localName)
    {
        PolicyState filePolicy = policy;
        if (!engine.policy().resolveFile(file, localName, filePolicy, Transfer::Ftp))
            return;
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
        engine.eachFile(list, [&](const FileRecord& file) {
            const std::string remote = LocalName::remoteName(file.remote.empty() ? file.name : file.remote);
            // A file's own mode and method override its list's.
            const int mode = file.modeGiven ? file.mode : list.mode;
            const int method = file.methodGiven ? file.method : list.method;
            if (method == guidepost::MethodMget) {
                receiving.multiple(file, mode, remote);
                return;
            }
            std::string reason;
            std::string localName = LocalName::of(file.name, remote, reason);
            // A local name that names a folder or a drive ends the receive.
            if (localName.empty()) {
                engine.failFile(remote, file.name, ProtocolFtp, reason);
                throw ReceiveError(CAMException::FileCreateFailed, "[" + remote + "] " + reason);
            }
            try {
                receiving.single(file, mode, remote, localName);
            } catch (const CAMException& e) {
                if (engine.progress().cancel)
                    throw;
                engine.failFile(remote, localName, ProtocolFtp, errorText(e));
            }
        });
    });
}

} // namespace receive
