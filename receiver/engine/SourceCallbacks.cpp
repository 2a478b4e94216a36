#include "receiver/engine/SourceCallbacks.h"

#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"

namespace receive {

platform::TransferCallbacks SourceCallbacks::of(ReceiveEngine& engine)
{
    ReceiveHost& host = engine.host();
    ReceiveProgress& progress = engine.progress();
    platform::TransferCallbacks cb;
    cb.connectionStatus = [&host](int status) { host.post(ReceiveMessage::ConnectionStatus, status); };
    cb.fileBegins = [&](long long size) {
        progress.fileSize = size;
        progress.fileReceived = 0;
        host.post(ReceiveMessage::FileBegins, size);
    };
    cb.blockReceived = [&](long long bytes) {
        progress.fileReceived = bytes;
        host.post(ReceiveMessage::FileBytes, bytes);
    };
    cb.cancelled = [&progress] { return progress.cancel.load(); };
    cb.askPassword = [&host](const platform::PasswordPrompt& p) -> std::optional<std::string> {
        Answer a = host.ask(Questions::password(p.server, p.user, p.protocol, p.message == platform::mailPromptText));
        if (a.button != AnswerOk)
            return std::nullopt;
        return a.text;
    };
    // FTP never asks for a user; a server account or a proxy may.
    cb.askUserAndPassword = idAndPassword(host);
    cb.askProxyCredentials = idAndPassword(host);
    return cb;
}

SourceCallbacks::CredentialsPrompt SourceCallbacks::idAndPassword(ReceiveHost& host)
{
    return [&host](const std::string& address) -> std::optional<platform::Credentials> {
        Answer a = host.ask(Questions::idAndPassword(address));
        if (a.button != AnswerOk)
            return std::nullopt;
        return platform::Credentials{a.text, a.secondText};
    };
}

} // namespace receive
