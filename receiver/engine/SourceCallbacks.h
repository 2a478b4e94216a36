#pragma once
// The one wiring of a transfer's callbacks, for the HTTP and FTP sources and
// for whole documents alike: connection stages and bytes go to the progress
// snapshot, the stop request is the receive's, and the password dialogs are
// questions through the engine's host.

#include "platform/InternetTypes.h"

#include <functional>
#include <optional>
#include <string>

namespace receive {

class ReceiveEngine;
class ReceiveHost;
struct ReceiveProgress;

struct SourceCallbacks {
    static platform::TransferCallbacks of(ReceiveHost& host, ReceiveProgress& progress);
    static platform::TransferCallbacks of(ReceiveEngine& engine);
};

} // namespace receive
