#include "receiver/engine/UrlFetch.h"

#include "receiver/engine/ProxySettings.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/SourceCallbacks.h"

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
    cb.askUserAndPassword = SourceCallbacks::idAndPassword(host);
    cb.askProxyCredentials = SourceCallbacks::idAndPassword(host);
    fetch.fetchBegins = [&host] { host.post(ReceiveMessage::FetchBegins); };
    fetch.fetchEnds = [&host] { host.post(ReceiveMessage::FetchEnded); };
    return fetch;
}

} // namespace receive
