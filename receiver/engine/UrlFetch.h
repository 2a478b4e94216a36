#pragma once
// What the engine hands the URL download when it fetches a whole document
// (a GuidePost named by an address, a certificate): the receiver's HTTP
// proxy, and callbacks that post the fetch messages and watch the cancel flag.

#include "platform/InternetTypes.h"

#include <functional>

namespace receive {

struct ProxySet;
class ReceiveHost;
struct ReceiveProgress;

struct UrlFetch {
    platform::ProxySettings proxy;
    platform::TransferCallbacks callbacks;
    std::function<void()> fetchBegins;
    std::function<void()> fetchEnds;

    static UrlFetch of(ReceiveHost& host, ReceiveProgress& progress, const ProxySet& httpProxy);
};

} // namespace receive
