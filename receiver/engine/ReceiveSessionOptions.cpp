#include "receiver/engine/ReceiveSessionOptions.h"

#include "guidepost/AccountStore.h"
#include "platform/ResumeArea.h"
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
    long long retries = settings.getInt(transferSection, retriesName, o.retries);
    if (retries >= 0 && retries <= 100)
        o.retries = static_cast<int>(retries);
    long long connections = settings.getInt(transferSection, connectionsName, o.connections);
    if (connections >= 1 && connections <= 16)
        o.connections = static_cast<int>(connections);
    long long wait = settings.getInt(transferSection, retryWaitName, o.retryWaitMs);
    if (wait >= 1 && wait <= o.retryWaitMaxMs)
        o.retryWaitMs = static_cast<long>(wait);
    if (settings.getBool(transferSection, resumeName, true))
        o.resumeFolder = platform::ResumeArea::defaultFolder();
    long long area = settings.getInt(transferSection, resumeAreaName, o.resumeMaxBytes >> 20);
    if (area >= 0 && area <= (1LL << 30))
        o.resumeMaxBytes = area << 20;
    long long days = settings.getInt(transferSection, resumeDaysName, o.resumeMaxDays);
    if (days >= 0 && days <= 3650)
        o.resumeMaxDays = static_cast<int>(days);
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
