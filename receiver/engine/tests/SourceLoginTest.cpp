#include "TestFolder.h"

#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/SourceLogin.h"

#include "guidepost/AccountStore.h"
#include "guidepost/Keywords.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

namespace {

int errorCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CAMException& e) {
        return e.code();
    }
    return -1;
}

TEST(SourceLoginTest, AccountsAndProxiesFromTheStoreWrittenAndReadBack)
{
    TestFolder dir;
    {
        AccountStore store(dir / "ant");
        ASSERT_TRUE(store.addProxy({"office", "proxy.local", 3128, "pu", "pp"}));
        ASSERT_TRUE(store.addAccount({"ftp1", "user", "secret", 0, "ftp.local", 1, 21, 0, ""}));
        ASSERT_TRUE(store.addAccount({"web", "anonymous", "", 1, "www.local", 0, 80, 0, "office"}));
    }
    AccountStore store(dir / "ant");
    ASSERT_EQ(store.load(), AccountStore::LoadResult::Loaded);
    ProxySettings proxies;
    proxies.http = {true, "global.proxy", "", "", 8080};

    SourceLogin none = SourceLogin::resolve("", false, guidepost::ProtocolHttp, "h", &store, proxies);
    EXPECT_FALSE(none.hasAccount);
    EXPECT_EQ(none.proxyServer, "global.proxy:8080");
    SourceLogin ftpNone = SourceLogin::resolve("", false, guidepost::ProtocolFtp, "h", &store, proxies);
    EXPECT_EQ(ftpNone.proxyServer, "") << "the FTP set is off";

    SourceLogin anonymous = SourceLogin::resolve("anonymous", true, guidepost::ProtocolFtp, "x", nullptr, proxies);
    EXPECT_EQ(anonymous.user, "anonymous");
    EXPECT_FALSE(anonymous.askPassword);
    EXPECT_TRUE(anonymous.inputMail);

    SourceLogin ftp = SourceLogin::resolve("ftp1", false, guidepost::ProtocolFtp, "ftp.local", &store, proxies);
    EXPECT_EQ(ftp.user, "user");
    EXPECT_EQ(ftp.password, "secret");
    EXPECT_EQ(errorCode([&] { SourceLogin::resolve("ftp1", false, guidepost::ProtocolFtp, "other", &store, proxies); }),
              CAMException::AccountServerMismatch);
    EXPECT_EQ(errorCode([&] { SourceLogin::resolve("nobody", false, guidepost::ProtocolFtp, "h", &store, proxies); }),
              CAMException::NoAccountData);
    EXPECT_EQ(errorCode([&] { SourceLogin::resolve("nobody", false, guidepost::ProtocolHttp, "h", &store, proxies); }),
              CAMException::BadAccountName);
    EXPECT_EQ(errorCode([&] { SourceLogin::resolve("web", false, guidepost::ProtocolHttp, "h", nullptr, proxies); }),
              CAMException::BadAccountName) << "no store loaded";

    SourceLogin web = SourceLogin::resolve("web", false, guidepost::ProtocolHttp, "elsewhere", &store, proxies);
    EXPECT_TRUE(web.askPassword);
    EXPECT_TRUE(web.anonymousAccount);
    EXPECT_EQ(web.proxyServer, "proxy.local:3128") << "the account's proxy overrides the receiver's";
    EXPECT_EQ(web.proxyUser, "pu");
}

} // namespace
