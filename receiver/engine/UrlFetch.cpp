#include "receiver/engine/UrlFetch.h"

#include "receiver/engine/ProxySettings.h"
#include "receiver/engine/ReceiveHost.h"
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
    fetch.callbacks = SourceCallbacks::of(host, progress);
    fetch.fetchBegins = [&host] { host.post(ReceiveNotice::FetchBegins); };
    fetch.fetchEnds = [&host] { host.post(ReceiveNotice::FetchEnded); };
    return fetch;
}

} // namespace receive
