#include "receiver/engine/SourceLogin.h"

#include "receiver/engine/ReceiveError.h"

#include "guidepost/AccountStore.h"
#include "guidepost/Keywords.h"

namespace receive {

platform::SourceLogin SourceLogin::transferLogin() const
{
    platform::SourceLogin login;
    login.hasAccount = hasAccount;
    login.accountName = accountName;
    login.user = user;
    login.password = password;
    login.askPassword = askPassword;
    return login;
}

platform::ProxySettings SourceLogin::transferProxy() const
{
    platform::ProxySettings proxy;
    proxy.server = proxyServer;  // already "host:port"
    proxy.user = proxyUser;
    proxy.password = proxyPassword;
    return proxy;
}

SourceLogin SourceLogin::resolve(const std::string& account, bool inputMail, int protocol, const std::string& host,
                                 const AccountStore* store, const ProxySettings& proxies)
{
    SourceLogin login;
    login.inputMail = inputMail;
    const ProxySet& set = protocol == guidepost::ProtocolFtp ? proxies.ftp : proxies.http;
    login.proxyServer = set.address();
    if (!login.proxyServer.empty()) {
        login.proxyUser = set.user;
        login.proxyPassword = set.password;
    }
    if (account.empty())
        return login;
    login.hasAccount = true;
    login.accountName = account;
    if (account == "anonymous") {
        login.user = "anonymous";
        return login;
    }
    const AccountRecord* record = store ? store->findAccount(account) : nullptr;
    if (!record)
        throw ReceiveError(protocol == guidepost::ProtocolFtp ? CAMException::NoAccountData
                                                              : CAMException::BadAccountName,
                           "[" + account + "]");
    if (protocol == guidepost::ProtocolFtp && record->server != host)
        throw ReceiveError(CAMException::AccountServerMismatch, "[" + account + "] " + record->server + " / " + host);
    login.user = record->userId;
    login.password = record->password;
    login.askPassword = record->askPassword != 0;
    login.anonymousAccount = record->userId == "anonymous";
    if (!record->proxyName.empty()) {
        if (const ProxyRecord* proxy = store->findProxy(record->proxyName)) {
            login.proxyServer = proxy->port ? proxy->server + ":" + std::to_string(proxy->port) : proxy->server;
            login.proxyUser = proxy->userId;
            login.proxyPassword = proxy->password;
        }
    }
    return login;
}

} // namespace receive
