#pragma once
// What becomes of one file once its HTTP or FTP transfer is over: a received
// or kept file is a kind-7 event (a received one counted for its task), a
// failed one goes to the error list, a cancelled one ends the receive.

#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveEvent.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/TransferErrors.h"

#include "platform/InternetTypes.h"

#include <string>
#include <utility>

namespace receive {

class TransferPlacement {
public:
    // event: the kind-7 event with its paths, names, protocol and mode.
    // Result: the transfer's platform::HttpFileResult or FtpFileResult.
    // file and server: the remote name and the source's host, as the error
    // lines name them.
    template <class Result>
    static void place(ReceiveEngine& engine, ReceiveEvent event, const Result& result, bool unzip,
                      const std::string& file, const std::string& server)
    {
        switch (result.status) {
        case platform::TransferStatus::Received: {
            event.tempPath = result.tempPath;
            event.byteCount = result.size;
            event.unzipAfter = unzip ? 1 : 0;
            TaskCounters& task = engine.task();
            if (event.protocolCode == ProtocolFtp) {
                ++task.ftpReceived;
                task.ftpBytes += result.size;
            } else {
                ++task.httpReceived;
                task.httpBytes += result.size;
            }
            if (task.zipTask)
                task.removeList.push_back({false, event.destPath});
            engine.append(std::move(event));
            return;
        }
        case platform::TransferStatus::Kept:
            event.byteCount = -1;
            engine.append(std::move(event));
            return;
        case platform::TransferStatus::Cancelled:
            engine.progress().cancel = true;
            throw ReceiveError(CAMException::UserCancelled);
        case platform::TransferStatus::Failed:
            break;
        }
        const std::vector<std::string> lines = event.protocolCode == ProtocolFtp
            ? TransferErrors::ftpFileLines(result.error, file)
            : TransferErrors::httpFileLines(result.error, file, server);
        for (const std::string& line : lines)
            engine.addErrorLine(line);
        engine.failFile(event.remoteName, event.saveName, event.protocolCode, result.error.detail, false);
    }
};

} // namespace receive
