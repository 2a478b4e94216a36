#include "receiver/engine/UrlFetch.h"

#include "receiver/engine/ProxySettings.h"
#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"

namespace receive {

UrlFetch UrlFetch::of(ReceiveHost& host, ReceiveProgress& progress, const ProxySet& httpProxy)
{
    UrlFetch fetch;
    // Only the receiver's own HTTP proxy applies; accounts belong to sources.
    if (httpProxy.inUse && !httpProxy.server.empty()) {
        fetch.proxy.server = httpProxy.server;
        fetch.proxy.port = httpProxy.port;
        fetch.proxy.user = httpProxy.user;
        fetch.proxy.password = httpProxy.password;
    }
    platform::TransferCallbacks& cb = fetch.callbacks;
    cb.connectionStatus = [&host](int status) { host.post(ReceiveMessage::ConnectionStatus, status); };
    cb.fileBegins = [&host, &progress](long long size) {
        progress.fileSize = size;
        progress.fileReceived = 0;
        host.post(ReceiveMessage::ProgressRange2, size);
        host.post(ReceiveMessage::BytesReceived2, 0);
    };
    cb.blockReceived = [&host, &progress](long long bytes) {
        progress.fileReceived = bytes;
        host.post(ReceiveMessage::BytesReceived2, bytes);
    };
    cb.cancelled = [&progress] { return progress.cancel.load(); };
    auto askBoth = [&host](const std::string& address) -> std::optional<platform::Credentials> {
        Answer a = host.ask(Questions::idAndPassword(address));
        if (a.button != AnswerOk)
            return std::nullopt;
        return platform::Credentials{a.text, a.secondText};
    };
    cb.askUserAndPassword = askBoth;
    cb.askProxyCredentials = askBoth;
    fetch.fetchBegins = [&host] { host.post(ReceiveMessage::FetchBegins); };
    fetch.fetchEnds = [&host] { host.post(ReceiveMessage::FetchEnded); };
    return fetch;
}

} // namespace receive
