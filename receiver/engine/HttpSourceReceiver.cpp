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

namespace receive {

namespace {

void receiveFile(ReceiveEngine& engine, platform::HttpSource& http, const FileRecord& file,
                 const PolicyState& inherited, const std::string& remoteFolder, const std::string& folder)
{
    const std::string remote = LocalName::remoteName(file.remote.empty() ? file.name : file.remote);
    std::string reason;
    const std::string localName = LocalName::of(file.name, remote, reason);
    if (localName.empty())
        throw ReceiveError(CAMException::FileCreateFailed, reason);
    engine.progress().setName(&ReceiveProgress::Names::file, localName);
    PolicyState policy = inherited;
    if (!engine.policy().resolveFile(file, localName, policy, Transfer::Http))
        return;
    const std::string localPath = folder + "/" + localName;

    platform::HttpFileRequest request;
    request.remoteFolder = remoteFolder;
    request.remoteName = remote;
    request.synchronize = policy.synchronize;
    request.resumeTarget = localPath;
    if (file.timePresent)
        request.fixedTime = file.time;
    CallbackException raised;
    request.decide = [&](std::optional<std::int64_t> remoteTime) {
        return raised.run(
            [&] { return engine.policy().shouldReceive(localPath, policy.policy, Transfer::Http, remoteTime); });
    };
    platform::HttpFileResult result = http.fetch(request);
    raised.rethrow(result.tempPath);

    ReceiveEvent event;
    event.eventKind = FileReceived;
    event.destPath = localPath;
    event.saveName = localName;
    event.remoteName = remote;
    event.protocolCode = ProtocolHttp;
    event.transferMode = ModeNone;
    event.browseId = file.browseId;
    TransferPlacement::place(engine, std::move(event), result, file.uncompress == guidepost::UncompressZip,
                             platform::HttpSource::requestPath({}, remote), http.host());
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

    engine.eachFileList(*source.source, [&](const FileListRecord& list) {
        const std::string remoteFolder = MirrorChoice::remoteFolder(list, source.server);
        std::vector<std::string> local;
        PolicyState policy = source.policy;
        if (!engine.prepareFileList(list, source.folder, local, policy))
            return;
        const std::string listFolder = FolderPath::join(source.folder, local);
        engine.removeAfterZip(source.folder, local);
        engine.eachFile(list, [&](const FileRecord& file) {
            try {
                receiveFile(engine, http, file, policy, remoteFolder, listFolder);
            } catch (const CAMException& e) {
                if (engine.progress().cancel)
                    throw;
                const std::string remote = file.remote.empty() ? file.name : file.remote;
                engine.failFile(remote, LocalName::shown(file.name, LocalName::remoteName(remote)), ProtocolHttp,
                                errorText(e));
            }
        });
    });
}

} // namespace receive
