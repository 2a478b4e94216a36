#include "receiver/engine/ReceiveWorker.h"

#include "receiver/engine/GuidePostLocation.h"

#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/SchemaProblem.h"

#include "receiver/engine/TransferErrors.h"
#include "receiver/engine/UrlFetch.h"

#include "receiver/reports/PageText.h"

#include "guidepost/ArchiveEntryReader.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/TCXML.h"
#include "platform/HttpSource.h"
#include "platform/UrlDownload.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace receive {

namespace {

// Deletes the unpacked document however the receive ends.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile()
    {
        if (!path.empty())
            ::unlink(path.c_str());
    }
};

// An archive begins with "GPAR".
bool startsWithArchiveMark(const std::string& path)
{
    char mark[4] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    const bool isArchive = std::fread(mark, 1, 4, f) == 4 && std::memcmp(mark, "GPAR", 4) == 0;
    std::fclose(f);
    return isArchive;
}

WorkerOutcome failure(int code, std::string message)
{
    WorkerOutcome o;
    o.status = WorkerOutcome::Failed;
    o.code = code;
    o.message = std::move(message);
    o.caption = texts::errorCaption;
    o.icon = QuestionIcon::Stop;
    return o;
}

} // namespace

WorkerOutcome ReceiveWorker::run(const std::string& source, const std::string& saveRoot)
{
    bool remote = false;
    std::string local = GuidePostLocation::localPathOf(source, remote);
    // A GuidePost named by an address is received from a temporary copy.
    TemporaryFile fetched;
    if (remote) {
        std::string server, path;
        bool secure = false;
        if (!platform::UrlDownload::splitAddress(platform::trimmed(source), server, path, secure))
            return failure(CAMException::FileCreateFailed,
                           std::string(CAMException::messageFor(CAMException::FileCreateFailed))
                               + "\nURLのガイドポストはこのCorvandelleではまだ受信できません: " + source);
        // A stop pressed before the worker started stands: only the counters
        // begin afresh.
        progress_.zero();
        UrlFetch fetch = UrlFetch::of(host_, progress_, options_.proxies.http);
        platform::UrlDownload download(fetch.proxy, options_.transfer, fetch.callbacks, fetch.fetchBegins,
                                       fetch.fetchEnds);
        platform::UrlDownloadResult result = download.toFile(server, path, secure);
        if (!result.ok) {
            const int code = TransferErrors::download(result.error);
            // A server that answered with an error was reached: its answer
            // heads the message, not a failed connection.
            if (result.error.failure == platform::TransferFailure::HttpStatus && result.error.httpStatus >= 400)
                return failure(code, TransferErrors::statusMessage(result.error.httpStatus, source, server)
                                         + "\n(HTTP " + std::to_string(result.error.httpStatus) + ")");
            std::string message = CAMException::messageFor(code);
            if (result.error.httpStatus >= 400)
                message += "\nHTTP " + std::to_string(result.error.httpStatus);
            return failure(code, message + "\n" + source);
        }
        fetched.path = local = result.tempPath;
    }
    if (local.empty()) {
        host_.ask(Questions::notice(texts::errorCaption, texts::badSource, QuestionIcon::None));
        return failure(CAMException::FileCreateFailed, CAMException::messageFor(CAMException::FileCreateFailed));
    }
    // The source is read before any save root is made: a mistyped path
    // leaves nothing behind.
    if (!remote) {
        struct stat st;
        if (::stat(local.c_str(), &st) != 0)
            return failure(CAMException::InvalidGuidePost,
                           errno == ENOENT || errno == ENOTDIR
                               ? reports::fill(texts::sourceMissing, {local})
                               : reports::fill(texts::sourceUnreadable, {local, std::strerror(errno)}));
        if (S_ISDIR(st.st_mode))
            return failure(CAMException::InvalidGuidePost, reports::fill(texts::sourceIsFolder, {local}));
        if (::access(local.c_str(), R_OK) != 0)
            return failure(CAMException::InvalidGuidePost,
                           reports::fill(texts::sourceUnreadable, {local, std::strerror(errno)}));
    }
    return receive(local, saveRoot);
}

WorkerOutcome ReceiveWorker::receive(const std::string& local, const std::string& saveRoot)
{
    CAMData model;
    TemporaryFile document;
    const bool archive = startsWithArchiveMark(local);
    try {
        if (archive) {
            ArchiveIndex index;
            if (!GuidePostArchive::ReadIndex(local, index)) {
                document.path = index.documentPath;
                return failure(CAMException::BadArchive, texts::cannotProcessGuidePost);
            }
            document.path = index.documentPath;
            // The loader checks the attachments against the index; after
            // the load each attachment carries its own record, and nothing
            // else of the index is kept.
            std::vector<ArchiveIndexRecord>().swap(index.records);
            model.attachmentIndex = std::move(index.byName);
            const bool loaded = model.Load(document.path);
            model.attachmentIndex.clear();
            if (!loaded)
                throw ReceiveError(CAMException::InvalidGuidePost);
            model.archived = true;
            model.sourceArchivePath = local;
        } else {
            if (::access(local.c_str(), R_OK) != 0)
                throw ReceiveError(CAMException::InvalidGuidePost, local);
            if (!model.Load(local))
                throw ReceiveError(CAMException::InvalidGuidePost, local);
        }
    } catch (const CAMException& e) {
        if (e.code() == CAMException::SchemaMissing)
            return failure(e.code(), errorText(e) + "\n" + SchemaProblem::text(TCXML::GuidePost));
        return failure(e.code(), errorText(e));
    }

    // Made absolute once: the pages link by file:// addresses and the
    // recent receive list names folders for other programs.
    std::string problem;
    const std::string root = GuidePostLocation::prepareSaveRoot(saveRoot, problem);
    if (root.empty())
        return failure(-1, problem);
    progress_.zero();

    // The archive stays open for the whole receive; each attachment is
    // read from it when its file is placed.
    ArchiveEntryReader entries;
    if (archive && !entries.Open(local))
        return failure(CAMException::BadArchive, texts::cannotProcessGuidePost);
    ReceiveEngine engine(host_, queue_, totals_, progress_, options_);
    engine.setGuidePostFile(archive ? document.path : local);
    engine.setAttachmentExtractor([&entries](const AttachRecord& a, const CipherKey& key,
                                             const ReceiveEngine::AttachmentSink& sink) {
        return entries.Extract(a.indexRecord, key.bytes.data(), key.enciphered ? key.length : 0, sink) ==
               ArchiveEntryReader::Result::Extracted;
    });
    if (startHook_)
        engine.setBeginHook([this, &model](const std::string& saveRoot) { startHook_(model, saveRoot); });
    WorkerOutcome outcome;
    try {
        outcome.status = engine.Receive(model, root) ? WorkerOutcome::Received : WorkerOutcome::NotStarted;
    } catch (const CAMException& e) {
        if (e.code() == CAMException::NothingReceived) {
            outcome.status = WorkerOutcome::NothingReceived;
            outcome.code = e.code();
            outcome.message = e.message();
            outcome.caption = texts::endCaption;
            outcome.icon = QuestionIcon::Warning;
        } else {
            outcome = failure(e.code(), errorText(e));
        }
    } catch (const std::exception& e) {
        outcome = failure(-1, e.what());
    }
    foldersToOpen_ = engine.foldersToOpen();
    errorLines_ = engine.errorLines();
    if (endHook_)
        endHook_(model, engine);
    return outcome;
}

} // namespace receive
