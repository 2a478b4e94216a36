#include "receiver/engine/SourceCallbacks.h"

#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"

namespace receive {

platform::TransferCallbacks SourceCallbacks::of(ReceiveHost& host, ReceiveProgress& progress)
{
    platform::TransferCallbacks cb;
    cb.connectionStatus = [&host](int status) { host.post(ReceiveNotice::ConnectionStatus, status); };
    cb.fileBegins = [&progress](long long size) {
        progress.fileSize = size;
        progress.fileReceived = 0;
    };
    cb.blockReceived = [&progress](long long bytes) { progress.fileReceived = bytes; };
    cb.cancelled = [&progress] { return progress.cancel.load(std::memory_order_relaxed); };
    cb.askPassword = [&host](const platform::PasswordPrompt& p) -> std::optional<std::string> {
        Answer a = host.ask(Questions::password(p.server, p.user, p.protocol, p.mailAddress));
        if (a.button != AnswerOk)
            return std::nullopt;
        return a.text;
    };
    // FTP never asks for a user; a server account or a proxy may.
    auto idAndPassword = [&host](const std::string& address) -> std::optional<platform::Credentials> {
        Answer a = host.ask(Questions::idAndPassword(address));
        if (a.button != AnswerOk)
            return std::nullopt;
        return platform::Credentials{a.text, a.secondText};
    };
    cb.askUserAndPassword = idAndPassword;
    cb.askProxyCredentials = idAndPassword;
    return cb;
}

platform::TransferCallbacks SourceCallbacks::of(ReceiveEngine& engine)
{
    return of(engine.host(), engine.progress());
}

} // namespace receive
