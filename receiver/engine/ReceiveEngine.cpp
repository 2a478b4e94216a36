#include "receiver/engine/ReceiveEngine.h"

#include "receiver/engine/DateMacros.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/FtpSourceReceiver.h"
#include "receiver/engine/HttpSourceReceiver.h"
#include "receiver/engine/LocalName.h"
#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/SourceLogin.h"
#include "receiver/engine/UrlFetch.h"

#include "receiver/certification/Certification.h"
#include "receiver/reports/PageText.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"
#include "platform/FreeSpaceGuard.h"
#include "platform/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace receive {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

GuidePostHead GuidePostHead::of(const CAMData& model)
{
    GuidePostHead head;
    head.name = model.name;
    head.creator = model.creator;
    head.comment = model.comment;
    head.contentVersion = model.contentVersion;
    head.datePresent = model.datePresent;
    head.year = model.dateYear;
    head.month = model.dateMonth;
    head.day = model.dateDay;
    head.local = model.local;
    head.navigation = model.navigation;
    head.encrypt = model.encrypt;
    head.archived = model.archived;
    head.digestPresent = model.digestPresent;
    head.digestUrl = model.digestUrl;
    head.digestName = model.digestName;
    head.digestType = model.digestType;
    return head;
}

ReceiveEngine::ReceiveEngine(ReceiveHost& host, ReceiveEventQueue& queue, ReceiveTotals& totals,
                             ReceiveProgress& progress, ReceiveOptions options)
    : host_(host), queue_(queue), totals_(totals), progress_(progress), options_(std::move(options)),
      policy_(host, progress, memory_)
{
    if (!options_.random)
        options_.random = MirrorChoice::seededRandom();
}

ReceiveEngine::~ReceiveEngine() = default;

void ReceiveEngine::append(ReceiveEvent event)
{
    queue_.append(std::move(event));
    host_.post(ReceiveNotice::EventsAppended);
}

void ReceiveEngine::checkCancel() const
{
    if (progress_.cancel)
        throw ReceiveError(CAMException::UserCancelled);
}

bool ReceiveEngine::Receive(const CAMData& model, const std::string& saveRoot)
{
    return Receive(GuidePostHead::of(model), model.tasks, saveRoot);
}

bool ReceiveEngine::Receive(const GuidePostHead& head, const std::vector<std::unique_ptr<TaskRecord>>& tasks,
                            const std::string& saveRoot)
{
    head_ = head;
    errors_.clear();
    place_ = {};
    saveRoot_ = saveRoot;
    while (saveRoot_.size() > 1 && saveRoot_.back() == '/')
        saveRoot_.pop_back();
    if (head_.name.empty())
        throw ReceiveError(CAMException::NameMissing);
    certified_ = false;
    if (head_.digestPresent)
        certify();

    std::string date = head_.datePresent ? std::to_string(head_.year) + "/" + std::to_string(head_.month) + "/"
                                               + std::to_string(head_.day)
                                         : std::string();
    Answer welcome = host_.ask(Questions::welcome(head_.creator, date, head_.contentVersion, head_.comment));
    if (welcome.button == WelcomeDoNotReceive || welcome.button < 0 || welcome.button > WelcomeDoNotReceive)
        return false;
    confirmMode_ = welcome.button;

    if (head_.encrypt)
        askCipherCode();
    if (head_.archived && head_.encrypt)
        checkCipherCode(tasks);

    std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &start_);
    std::string reports = saveRoot_ + "/" + texts::reportFolder;
    if (::mkdir(reports.c_str(), 0755) != 0 && errno != EEXIST)
        throw ReceiveError(CAMException::CreateFolderFailed, reports);
    if (beginHook_)
        beginHook_(saveRoot_);
    if (tasks.empty())
        throw ReceiveError(CAMException::InvalidGuidePost);

    totals_.zero();
    receivedFolders_.clear();
    progress_.taskTotal = static_cast<int>(tasks.size());
    progress_.tasksDone = 0;
    host_.post(ReceiveNotice::TasksBegin, static_cast<std::int64_t>(tasks.size()));

    try {
        int index = 0;
        for (const auto& task : tasks) {
            checkCancel();
            task_.zero();
            task_.taskIndex = index;
            try {
                processTask(*task, index);
            } catch (...) {
                task_.addInto(totals_);
                throw;
            }
            ++index;
            progress_.tasksDone = index;
            task_.addInto(totals_);
            place_ = {};
        }
    } catch (const CAMException& e) {
        finishAfterFailure(progress_.cancel ? std::string(texts::cancelledLine) : errorText(e));
        throw;
    } catch (const std::exception& e) {
        finishAfterFailure(e.what());
        throw;
    }
    ReceiveEvent end;
    end.eventKind = ReceiveFinished;
    append(std::move(end));
    if (totals_.filesReceived() == 0)
        throw ReceiveError(CAMException::NothingReceived);
    return true;
}

void ReceiveEngine::addErrorLine(std::string line)
{
    reports::ErrorEntry entry = place_;
    entry.errorText = std::move(line);
    errors_.push_back(std::move(entry));
}

std::vector<std::string> ReceiveEngine::errorLines() const
{
    std::vector<std::string> lines;
    lines.reserve(errors_.size());
    for (const reports::ErrorEntry& entry : errors_)
        lines.push_back(entry.errorText);
    return lines;
}

void ReceiveEngine::finishAfterFailure(const std::string& line)
{
    addErrorLine(line);
    ReceiveEvent end;
    end.eventKind = ReceiveFinished;
    end.errorText = line;
    append(std::move(end));
}

void ReceiveEngine::openSite(const std::string& address)
{
    host_.open(address);
}

void ReceiveEngine::certify()
{
    DigestReference digest{head_.digestUrl, head_.digestName, head_.digestType};
    switch (Certification::offerFor(digest)) {
    case CertificationOffer::None:
        return;
    case CertificationOffer::Broken:
        throw ReceiveError(CAMException::CertificateError);
    case CertificationOffer::Offer:
        break;
    }
    const std::string address = Certification::address(digest);
    Answer offer = host_.ask(Questions::tryCertification(address));
    if (offer.button == CertifySkip)
        return;
    if (offer.button != CertifyNow)
        throw ReceiveError(CAMException::UserCancelled);

    UrlFetch fetch = UrlFetch::of(host_, progress_, options_.proxies.http);
    Certification certification(fetch.proxy, options_.transfer, fetch.callbacks, fetch.fetchBegins,
                                fetch.fetchEnds);
    CertificationResult result = certification.certify(guidePostFile_, digest);
    if (result.errorCode == CAMException::UserCancelled)
        throw ReceiveError(CAMException::UserCancelled);
    if (!result.certified()) {
        for (;;) {
            Answer a = host_.ask(Questions::notCertified(Certification::explanation(result), address));
            if (a.button == NotCertifiedOpenSite) {
                openSite(address);
                continue;
            }
            if (a.button == NotCertifiedContinue)
                return;
            throw ReceiveError(result.errorCode ? result.errorCode : int(CAMException::CertificateError));
        }
    }

    const std::string folder = Certification::certifiedFolder(head_.digestUrl, saveRoot_);
    if (folder.empty() || !Certification::createCertifiedFolder(saveRoot_, folder))
        throw ReceiveError(CAMException::CreateFolderFailed, saveRoot_ + "/" + folder);
    saveRoot_ += "/" + folder;
    certified_ = true;
    for (;;) {
        Answer a = host_.ask(Questions::certified(saveRoot_, address));
        if (a.button == CertifiedOpenPage) {
            openSite(address);
            continue;
        }
        if (a.button == CertifiedContinue)
            return;
        throw ReceiveError(CAMException::UserCancelled);
    }
}

void ReceiveEngine::askCipherCode()
{
    for (;;) {
        Answer a = host_.ask(Questions::cipherCode());
        if (a.button != AnswerOk)
            throw ReceiveError(CAMException::CipherCodeNeeded);
        if (a.text.empty())
            continue;
        std::string code;
        if (!platform::Cp932Codec::tryFromUtf8(a.text, code))
            code = a.text;
        cipherKey_ = {};
        cipherKey_.length = std::min<std::size_t>(code.size(), 16);
        std::memcpy(cipherKey_.bytes.data(), code.data(), cipherKey_.length);
        cipherKey_.enciphered = true;
        return;
    }
}

// Each attachment is taken out of the archive when its file is placed; a
// wrong cipher code is still told before any task, from the first piece of
// the first enciphered entry that has one.
void ReceiveEngine::checkCipherCode(const std::vector<std::unique_ptr<TaskRecord>>& tasks)
{
    for (const auto& task : tasks) {
        for (const auto& attachment : task->attachments) {
            if (!attachment->indexRecord.enciphered || !attachment->indexRecord.compressed)
                continue;
            bool piece = false;
            const bool whole = extractor_ && extractor_(*attachment, cipherKey_, [&piece](const unsigned char*, std::size_t) {
                piece = true;
                return false;  // one piece tells enough
            });
            if (piece)
                return;
            if (!whole)
                throw ReceiveError(CAMException::BadArchive, "[" + attachment->name + "]");
        }
    }
}

bool ReceiveEngine::confirmed(const Question& question)
{
    Answer a = host_.ask(question);
    if (a.button == ConfirmStopAll) {
        progress_.cancel = true;
        throw ReceiveError(CAMException::UserCancelled);
    }
    if (a.button == ConfirmAllTheRest)
        confirmMode_ = 0;
    return a.button != ConfirmSkip;
}

void ReceiveEngine::processTask(const TaskRecord& task, int index)
{
    (void)index;
    task_.taskName = task.name;
    place_ = {{}, task.name, {}, {}};
    progress_.setName(&ReceiveProgress::Names::task, task.name);
    host_.post(ReceiveNotice::TaskBegins);

    if (confirmMode_ == 1 && !confirmed(Questions::taskConfirm(task.name)))
        return;

    PolicyState policy;
    policy.ifnotexistToUpdate = options_.ifnotexistToUpdate;
    task_.askUpdate = memory_.askUpdate;
    if (!policy_.resolve(PolicyLevel::Task, task.name, task.update, task.synchronize, policy))
        return;

    std::string folderText = task.folderText.empty() ? FolderPath::display(task.folderList) : task.folderText;
    std::vector<std::string> components = FolderPath::taskFolder(folderText, start_);
    if (!FolderPath::create(saveRoot_, components, 5, host_)) {
        addErrorLine(formatText(texts::localFolderFailedLine, folderText));
        return;
    }
    const std::string taskFolder = FolderPath::join(saveRoot_, components);
    receivedFolders_.push_back({task.name, taskFolder});
    std::string receiveFolder = taskFolder;
    if (task.destinationType == guidepost::DestinationZip) {
        task_.zipTask = true;
        std::string reason;
        std::string zipName = LocalName::of(DateMacros::expand(task.zipFileName, start_), {}, reason);
        if (zipName.empty())
            throw ReceiveError(CAMException::BadSaveFolder, "[" + task.zipFileName + "]: " + reason);
        task_.zipPath = taskFolder + "/" + zipName;
        receiveFolder = taskFolder + "/" + texts::zipWorkFolder;
        if (::mkdir(receiveFolder.c_str(), 0755) != 0 && errno != EEXIST)
            throw ReceiveError(CAMException::TempFileFailed, receiveFolder);
    }
    ReceiveEvent destination;
    destination.eventKind = DestinationSet;
    destination.destPath = taskFolder;
    destination.saveName = FolderPath::display(components);
    append(std::move(destination));

    AttachmentMap attachments;
    for (const auto& attachment : task.attachments)
        attachments[attachment->name] = attachment.get();

    progress_.sourceTotal = static_cast<int>(task.sources.size());
    progress_.sourcesDone = 0;
    int done = 0;
    for (const auto& source : task.sources) {
        checkCancel();
        processSource(*source, policy, attachments, receiveFolder);
        progress_.sourcesDone = ++done;
    }

    if (task_.zipTask && task_.filesReceived() > 0) {
        // Only the name is lower-cased: the folders above it are the user's.
        auto slash = task_.zipPath.rfind('/');
        std::string zipPath = task_.zipPath.substr(0, slash + 1) + lowerCase(task_.zipPath.substr(slash + 1));
        if (zipPath.size() < 4 || zipPath.compare(zipPath.size() - 4, 4, ".zip") != 0)
            zipPath += ".zip";
        ReceiveEvent zip;
        zip.eventKind = ZipFolder;
        zip.sourceFolder = receiveFolder;
        zip.saveName = zipPath;
        zip.removeList = std::move(task_.removeList);
        task_.removeList.clear();
        append(std::move(zip));
    }

    if (task.open) {
        if (static_cast<int>(foldersToOpen_.size()) < options_.maxOpenFolders)
            foldersToOpen_.emplace_back(task.name, taskFolder);
        else
            host_.ask(Questions::notice("Corvandelle", texts::maxFoldersOpen, QuestionIcon::Stop));
    }
}

void ReceiveEngine::processSource(const SourceRecord& source, const PolicyState& inherited,
                                  const AttachmentMap& attachments, const std::string& folder)
{
    progress_.setName(&ReceiveProgress::Names::source, source.name);
    place_.sourceName = source.name;
    place_.fileListName.clear();
    host_.post(ReceiveNotice::SourceBegins);
    if (source.protocol < guidepost::ProtocolHttp || source.protocol > guidepost::ProtocolAttach)
        throw ReceiveError(CAMException::NoProtocol, "[" + source.name + "]");

    ChosenServer server;
    if (source.protocol != guidepost::ProtocolAttach) {
        if (source.serverName.empty())
            throw ReceiveError(CAMException::NameMissing, "[" + source.name + "]");
        server = MirrorChoice::choose(source, options_.random);
    }

    PolicyState policy = inherited;
    if (!policy_.resolve(PolicyLevel::Source, source.name, source.update, source.synchronize, policy))
        return;

    if (confirmMode_ == 2) {
        std::string host = source.protocol == guidepost::ProtocolAttach ? std::string() : server.host;
        std::string port = server.portGiven ? std::to_string(server.port) : std::string();
        int protocol = source.protocol == guidepost::ProtocolAttach ? guidepost::ProtocolAttach : server.protocol;
        if (!confirmed(Questions::serverConfirm(host, protocol, port, source.account)))
            return;
    }

    if (source.protocol == guidepost::ProtocolAttach) {
        processAttachSource(source, policy, attachments, folder);
        return;
    }
    // The account is looked up only for a source the user goes on with.
    const SourceLogin login = SourceLogin::resolve(source.account, source.inputMail, server.protocol, server.host,
                                                   options_.accounts, options_.proxies);
    if (!remoteTransfer_ && server.protocol == guidepost::ProtocolHttp) {
        HttpSourceReceiver::receive(*this, RemoteSource{&source, server, &login, policy, folder},
                                    options_.allowBasicAuth);
        return;
    }
    if (!remoteTransfer_) {
        FtpSourceReceiver::receive(*this, RemoteSource{&source, server, &login, policy, folder});
        return;
    }
    remoteTransfer_(*this, RemoteSource{&source, server, &login, policy, folder});
}

void ReceiveEngine::eachFileList(const SourceRecord& source,
                                 const std::function<void(const FileListRecord&)>& receiveList)
{
    progress_.fileListTotal = static_cast<int>(source.fileLists.size());
    progress_.fileListsDone = 0;
    int listsDone = 0;
    for (const auto& list : source.fileLists) {
        checkCancel();
        progress_.setName(&ReceiveProgress::Names::fileList, list->name);
        host_.post(ReceiveNotice::FileListBegins);
        place_.fileListName = list->name;
        receiveList(*list);
        progress_.fileListsDone = ++listsDone;
    }
}

void ReceiveEngine::eachFile(const FileListRecord& list, const std::function<void(const FileRecord&)>& receiveFile)
{
    progress_.fileTotal = static_cast<int>(list.files.size());
    progress_.filesDone = 0;
    int filesDone = 0;
    for (const auto& file : list.files) {
        checkCancel();
        receiveFile(*file);
        progress_.filesDone = ++filesDone;
    }
}

bool ReceiveEngine::prepareFileList(const FileListRecord& list, const std::string& folder,
                                    std::vector<std::string>& local, PolicyState& policy, Transfer transfer)
{
    auto makeFolder = [&] {
        local = FolderPath::check(list.localFolder);
        if (FolderPath::create(folder, local, 5, host_))
            return true;
        addErrorLine(formatText(texts::localFolderFailedLine, FolderPath::display(list.localFolder)));
        return false;
    };
    // An FTP list settles its policy before its local folder is made, so a
    // list the user skips leaves no folder behind.
    if (transfer == Transfer::Ftp)
        return policy_.resolve(PolicyLevel::FileList, list.name, list.update, list.synchronize, policy, transfer)
            && makeFolder();
    return makeFolder()
        && policy_.resolve(PolicyLevel::FileList, list.name, list.update, list.synchronize, policy, transfer);
}

void ReceiveEngine::removeAfterZip(const std::string& folder, const std::vector<std::string>& local)
{
    if (!task_.zipTask)
        return;
    std::string path = folder;
    for (const std::string& part : local) {
        path += "/" + part;
        task_.removeList.push_back({true, path});
    }
}

void ReceiveEngine::sourceBegins(const std::string& server, std::int32_t protocol)
{
    ReceiveEvent header;
    header.eventKind = SourceBegun;
    header.serverName = server;
    header.protocolCode = protocol;
    append(std::move(header));
}

void ReceiveEngine::failFile(const std::string& name, const std::string& saveName, std::int32_t protocol,
                             const std::string& why, bool withLine)
{
    if (withLine) {
        // The reason stands on its own line before the file's, so the file's
        // line keeps its fixed form for whoever reads the pages.
        if (!why.empty())
            addErrorLine(why);
        addErrorLine(formatText(texts::fileFailedLine, name));
    }
    ReceiveEvent failed;
    failed.eventKind = FileFailed;
    failed.saveName = saveName;
    failed.remoteName = name;
    failed.protocolCode = protocol;
    failed.transferMode = ModeNone;
    failed.errorText = why;
    append(std::move(failed));
    if (protocol == ProtocolAttach)
        ++task_.attachFailed;
    else if (protocol == ProtocolFtp)
        ++task_.ftpFailed;
    else
        ++task_.httpFailed;
}

void ReceiveEngine::processAttachSource(const SourceRecord& source, const PolicyState& inherited,
                                        const AttachmentMap& attachments, const std::string& folder)
{
    sourceBegins(source.name.empty() ? std::string(texts::attachLabel) : source.name, ProtocolAttach);

    eachFileList(source, [&](const FileListRecord& list) {
        std::vector<std::string> local;
        PolicyState policy = inherited;
        if (!prepareFileList(list, folder, local, policy))
            return;
        const std::string listFolder = FolderPath::join(folder, local);
        removeAfterZip(folder, local);
        eachFile(list, [&](const FileRecord& file) {
            try {
                processAttachFile(file, policy, attachments, listFolder);
            } catch (const CAMException& e) {
                if (progress_.cancel)
                    throw;
                const std::string remote = file.remote.empty() ? file.name : file.remote;
                failFile(remote, LocalName::shown(file.name, remote), ProtocolAttach, errorText(e));
            }
        });
    });
}

void ReceiveEngine::processAttachFile(const FileRecord& file, const PolicyState& inherited,
                                      const AttachmentMap& attachments, const std::string& folder)
{
    const std::string remote = file.remote.empty() ? file.name : file.remote;
    std::string reason;
    const std::string localName = LocalName::of(file.name, remote, reason);
    if (localName.empty())
        throw ReceiveError(CAMException::FileCreateFailed, reason);
    progress_.setName(&ReceiveProgress::Names::file, localName);

    PolicyState policy = inherited;
    if (!policy_.resolveFile(file, localName, policy, Transfer::Attach))
        return;

    auto it = attachments.find(remote);
    if (it == attachments.end())
        throw ReceiveError(CAMException::BadAttachment, "[" + remote + "]");
    Attachment attachment{it->second, it->second->time, it->second->size};
    if (file.timePresent)
        attachment.time = file.time;

    const std::string localPath = folder + "/" + localName;
    std::optional<std::int64_t> remoteTime;
    if (attachment.time > 0)
        remoteTime = attachment.time;

    ReceiveEvent event;
    event.eventKind = FileReceived;
    event.destPath = localPath;
    event.saveName = localName;
    event.remoteName = remote;
    event.protocolCode = ProtocolAttach;
    event.transferMode = ModeNone;
    event.browseId = file.browseId;
    if (!policy_.shouldReceive(localPath, policy.policy, Transfer::Attach, remoteTime)) {
        event.byteCount = -1;
        append(std::move(event));
        return;
    }
    progress_.fileSize = attachment.size;
    progress_.fileReceived = 0;
    // Taken out of the archive once, straight into a temporary file beside
    // its target, which the finishing side renames into place.
    platform::AtomicFile out(localPath);
    if (!out.open())
        throw ReceiveError(CAMException::FileCreateFailed, localPath);
    // What it writes is bounded: by the size its GuidePost declares (0 is a
    // size not given, as the album writer leaves it), and by the disk's free
    // space, so a small archive cannot fill the disk.
    std::int64_t written = 0;
    bool writeFailed = false, tooLarge = false, noSpace = false;
    platform::FreeSpaceGuard space(folder);
    const bool whole = extractor_ && extractor_(*attachment.record, cipherKey_,
                                                [&](const unsigned char* data, std::size_t length) {
                                                    if (progress_.cancel)
                                                        return false;
                                                    written += static_cast<std::int64_t>(length);
                                                    if (attachment.size > 0 && written > attachment.size) {
                                                        tooLarge = true;
                                                        return false;
                                                    }
                                                    if (!space.allow(length)) {
                                                        noSpace = true;
                                                        return false;
                                                    }
                                                    if (!out.write(data, length)) {
                                                        writeFailed = true;
                                                        return false;
                                                    }
                                                    progress_.fileReceived = written;
                                                    return true;
                                                });
    checkCancel();
    if (noSpace || (writeFailed && platform::FreeSpaceGuard::low(folder)))
        throw ReceiveError(CAMException::FileCreateFailed, reports::fill(texts::spaceRanOut, {folder, remote}));
    if (writeFailed)
        throw ReceiveError(CAMException::FileCreateFailed, localPath);
    if (tooLarge)
        throw ReceiveError(CAMException::BadArchive,
                           "[" + remote + "]: " + reports::fill(texts::largerThanDeclared, {std::to_string(attachment.size)}));
    if (!whole)
        throw ReceiveError(CAMException::BadArchive, "[" + remote + "]");
    if (policy.synchronize && attachment.time > 0) {
        struct timespec times[2] = {{static_cast<time_t>(attachment.time), 0}, {static_cast<time_t>(attachment.time), 0}};
        ::futimens(out.descriptor(), times);
    }
    event.tempPath = out.release();
    if (event.tempPath.empty())
        throw ReceiveError(CAMException::FileCreateFailed, localPath);
    event.byteCount = written;
    event.unzipAfter = file.uncompress == guidepost::UncompressZip ? 1 : 0;
    ++task_.attachReceived;
    task_.attachBytes += event.byteCount;
    if (task_.zipTask)
        task_.removeList.push_back({false, localPath});
    append(std::move(event));
}

} // namespace receive
