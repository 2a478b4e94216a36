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
    if (!engine.policy().resolve(PolicyLevel::File, localName, file.update, file.synchronize, policy, Transfer::Http))
        return;
    const std::string localPath = folder + "/" + localName;

    platform::HttpFileRequest request;
    request.remoteFolder = remoteFolder;
    request.remoteName = remote;
    request.synchronize = policy.synchronize;
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
    event.remoteName = result.requestPath.empty() ? remote : result.requestPath;
    event.protocolCode = ProtocolHttp;
    event.transferMode = ModeBinary;
    TransferPlacement::place(engine, std::move(event), result, file.uncompress == guidepost::UncompressZip, false);
}

} // namespace

void HttpSourceReceiver::receive(ReceiveEngine& engine, const ReceiveEngine::RemoteSource& source,
                                 bool allowBasicAuth)
{
    platform::HttpSource http(source.server.host, source.server.portGiven ? source.server.port : 0,
                              source.login->transferLogin(), source.login->transferProxy(), allowBasicAuth,
                              platform::InternetOptions{}, SourceCallbacks::of(engine));
    engine.sourceBegins(source.server.host, ProtocolHttp);
    if (!http.open())
        throw ReceiveError(CAMException::HttpConnectFailed, source.server.host);

    ReceiveProgress& progress = engine.progress();
    const auto& lists = source.source->fileLists;
    progress.fileListTotal = static_cast<int>(lists.size());
    progress.fileListsDone = 0;
    engine.host().post(ReceiveMessage::FileListCount, static_cast<std::int64_t>(lists.size()));
    int listsDone = 0;
    for (const auto& list : lists) {
        engine.checkCancel();
        engine.host().post(ReceiveMessage::FileListCount, 0);
        progress.setName(&ReceiveProgress::Names::fileList, list->name);
        const std::string remoteFolder = MirrorChoice::remoteFolder(*list, source.server);
        std::vector<std::string> local = FolderPath::check(list->localFolder);
        PolicyState policy = source.policy;
        if (!FolderPath::create(source.folder, local, 5, engine.host())) {
            engine.addErrorLine(formatText(texts::localFolderFailedLine, FolderPath::display(list->localFolder)));
        } else if (engine.policy().resolve(PolicyLevel::FileList, list->name, list->update, list->synchronize,
                                           policy)) {
            const std::string listFolder = FolderPath::join(source.folder, local);
            if (engine.task().zipTask) {
                std::string path = source.folder;
                for (const std::string& part : local) {
                    path += "/" + part;
                    engine.task().removeList.push_back({true, path});
                }
            }
            progress.fileTotal = static_cast<int>(list->files.size());
            progress.filesDone = 0;
            int filesDone = 0;
            for (const auto& file : list->files) {
                engine.checkCancel();
                try {
                    receiveFile(engine, http, *file, policy, remoteFolder, listFolder);
                } catch (const CAMException& e) {
                    if (progress.cancel)
                        throw;
                    engine.failFile(file->remote.empty() ? file->name : file->remote, ProtocolHttp, errorText(e));
                }
                progress.filesDone = ++filesDone;
                engine.host().post(ReceiveMessage::CounterChanged);
            }
        }
        progress.fileListsDone = ++listsDone;
        engine.host().post(ReceiveMessage::CounterChanged);
    }
}

} // namespace receive
