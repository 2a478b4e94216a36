#pragma once
// The login and proxy values of one source, resolved from its account.

#include "receiver/engine/ProxySettings.h"

#include "platform/InternetTypes.h"

#include <string>

class AccountStore;

namespace receive {

struct SourceLogin {
    bool hasAccount = false;
    std::string accountName;
    std::string user;
    std::string password;
    bool askPassword = false;
    bool inputMail = false;
    bool anonymousAccount = false;  // the account's stored user ID is "anonymous"
    std::string proxyServer;        // with ":port"; empty: no proxy
    std::string proxyUser;
    std::string proxyPassword;

    // The values as the HTTP and FTP transfers take them.
    platform::SourceLogin transferLogin() const;
    platform::ProxySettings transferProxy() const;

    // protocol: guidepost::Protocol. Throws ReceiveError 21 (HTTP) or 16
    // (FTP) for an unknown account, 18 for an FTP account of another server.
    static SourceLogin resolve(const std::string& account, bool inputMail, int protocol, const std::string& host,
                               const AccountStore* store, const ProxySettings& proxies);
};

} // namespace receive
