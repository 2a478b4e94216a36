#pragma once
// The transfer callbacks the HTTP and FTP sources share: progress messages,
// the cancel flag and the password dialogs, all through the engine's host.

#include "platform/InternetTypes.h"

#include <functional>
#include <optional>
#include <string>

namespace receive {

class ReceiveEngine;
class ReceiveHost;

struct SourceCallbacks {
    using CredentialsPrompt = std::function<std::optional<platform::Credentials>(const std::string& address)>;

    static platform::TransferCallbacks of(ReceiveEngine& engine);
    // The ID-and-password dialog; declined unless answered with OK.
    static CredentialsPrompt idAndPassword(ReceiveHost& host);
};

} // namespace receive
