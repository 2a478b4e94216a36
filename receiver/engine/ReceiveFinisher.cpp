#include "receiver/engine/ReceiveFinisher.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"

#include "receiver/reports/PageText.h"

#include "platform/AtomicFile.h"
#include "platform/TempFile.h"
#include "platform/Zip.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace receive {

namespace {

ProtocolTotals& totalsFor(ReceiveTotals& totals, std::int32_t protocol)
{
    switch (protocol) {
    case ProtocolFtp: return totals.ftp;
    case ProtocolAttach: return totals.attach;
    default: return totals.http;
    }
}

std::string folderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

bool ReceiveFinisher::placeFile(const std::string& source, const std::string& destination, std::string& error,
                                const std::atomic<bool>* stop)
{
    if (platform::AtomicFile::copyInto(source, destination, error, stop))
        return true;
    if (stop && *stop)
        error = destination + ": " + texts::cancelledLine;
    return false;
}

FinishResult ReceiveFinisher::placeReceived(const ReceiveEvent& event)
{
    FinishResult result;
    if (event.byteCount < 0)
        return result;  // kept: nothing to place
    // Renamed into place it is gone from where it was; copied (or failed),
    // the received file is removed here.
    if (!platform::AtomicFile::moveInto(event.tempPath, event.destPath)) {
        result.ok = placeFile(event.tempPath, event.destPath, result.error, stop_);
        ::unlink(event.tempPath.c_str());
    }
    // An attachment taken out beside its target was on the list of files an
    // abrupt end removes until now.
    platform::TempFile::untrack(event.tempPath);
    result.placed = result.ok;
    if (result.ok && event.unzipAfter == 1) {
        struct stat zip {};
        const bool known = ::stat(event.destPath.c_str(), &zip) == 0;
        if (platform::UnZipnizeInFolder(folderOf(event.destPath), event.destPath, stop_)) {
            // An entry of the zip's own name has taken its place: that stays.
            struct stat now {};
            if (known && ::stat(event.destPath.c_str(), &now) == 0 && now.st_dev == zip.st_dev
                && now.st_ino == zip.st_ino)
                ::unlink(event.destPath.c_str());
        } else {
            result.ok = false;
            result.error = platform::lastZipFailure() == platform::ZipFailure::SpaceRanOut
                ? reports::fill(texts::unpackSpaceRanOut, {event.destPath})
                : platform::lastZipError();
        }
    }
    if (!result.ok) {
        // The engine counted it as received; it is a failure after all.
        ProtocolTotals& t = totalsFor(totals_, event.protocolCode);
        t.received -= 1;
        t.bytes -= event.byteCount;
        t.failed += 1;
    }
    return result;
}

FinishResult ReceiveFinisher::packZip(const ReceiveEvent& event)
{
    FinishResult result;
    if (!platform::zipnize(event.sourceFolder, event.saveName, stop_)) {
        totals_.zip.failed += 1;
        result.ok = false;
        result.error = platform::lastZipError();
        return result;
    }
    totals_.zip.received += 1;
    struct stat st;
    if (::stat(event.saveName.c_str(), &st) == 0)
        totals_.zip.bytes += st.st_size;
    std::vector<RemoveEntry> folders;
    for (const RemoveEntry& e : event.removeList) {
        if (e.isFolder)
            folders.push_back(e);
        else
            ::unlink(e.path.c_str());
    }
    // Deepest folders first, so each is empty when its turn comes.
    std::sort(folders.begin(), folders.end(),
              [](const RemoveEntry& a, const RemoveEntry& b) { return a.path.size() > b.path.size(); });
    for (const RemoveEntry& e : folders)
        ::rmdir(e.path.c_str());
    ::rmdir(event.sourceFolder.c_str());
    return result;
}

FinishResult ReceiveFinisher::handle(const ReceiveEvent& event)
{
    FinishResult result;
    switch (event.eventKind) {
    case FileReceived:
        result = placeReceived(event);
        break;
    case ZipFolder:
        result = packZip(event);
        break;
    case ReceiveFinished:
        finished_ = true;
        break;
    default:
        break;
    }
    if (!result.ok)
        failures_.push_back(event);
    if (logHook_)
        logHook_(event, result);
    return result;
}

std::size_t ReceiveFinisher::drain(ReceiveEventQueue& queue)
{
    std::size_t count = 0;
    while (auto event = queue.take()) {
        handle(*event);
        ++count;
    }
    return count;
}

} // namespace receive
