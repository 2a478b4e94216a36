#pragma once
// Receiving the files of one "ftp" source through the platform's FTP
// transfer: single files and multiple gets, with every name the server
// gives checked before anything is written.

#include "receiver/engine/ReceiveEngine.h"

namespace receive {

class FtpSourceReceiver {
public:
    static void receive(ReceiveEngine& engine, const ReceiveEngine::RemoteSource& source);
};

} // namespace receive
