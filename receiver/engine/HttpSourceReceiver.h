#pragma once
// Receiving the files of one "http" source through the platform's HTTP
// transfer: file lists, local folders, policies, events and counters.

#include "receiver/engine/ReceiveEngine.h"

namespace receive {

class HttpSourceReceiver {
public:
    static void receive(ReceiveEngine& engine, const ReceiveEngine::RemoteSource& source, bool allowBasicAuth);
};

} // namespace receive
