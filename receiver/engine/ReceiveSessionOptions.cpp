#include "receiver/engine/ReceiveSessionOptions.h"

#include "guidepost/AccountStore.h"
#include "platform/Settings.h"

namespace receive {

platform::InternetOptions ReceiveSessionOptions::loadTransfer(const platform::Settings& settings)
{
    platform::InternetOptions o;
    // Values out of any sensible range keep the defaults rather than making
    // every transfer fail at once or hang for ever.
    long long timeout = settings.getInt(transferSection, connectTimeoutName, o.connectTimeoutMs);
    if (timeout >= 100 && timeout <= 600000)
        o.connectTimeoutMs = static_cast<long>(timeout);
    long long stall = settings.getInt(transferSection, stallTimeName, o.stallSeconds);
    if (stall >= 1 && stall <= 3600)
        o.stallSeconds = static_cast<long>(stall);
    o.caFile = settings.getString(transferSection, caFileName);
    o.passiveFtp = settings.getBool(transferSection, passiveFtpName, o.passiveFtp);
    o.cp932Names = settings.getBool(transferSection, cp932NamesName, o.cp932Names);
    return o;
}

ReceiveSessionOptions ReceiveSessionOptions::load(const platform::Settings& settings)
{
    ReceiveSessionOptions o;
    o.reports = reports::ReportSettings::load(settings);
    o.ifnotexistToUpdate = settings.getBool(reports::settingsSection, "i2n");
    o.allowBasicAuth = settings.getBool(reports::settingsSection, "AllowBasicAuth");
    o.proxies.load(settings);
    o.transfer = loadTransfer(settings);
    auto accounts = std::make_shared<AccountStore>();
    if (accounts->load() == AccountStore::LoadResult::Loaded)
        o.accounts = std::move(accounts);
    return o;
}

} // namespace receive
