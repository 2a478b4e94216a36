#pragma once
// Everything a receive session takes from the settings, as one value: the
// report switches, the engine's switches, proxies and accounts, and the
// transfer options. load() reads them all; a host may change any of them for
// one receive (corvan-cli's flags) without touching what is stored.

#include "receiver/engine/ProxySettings.h"

#include "platform/InternetTypes.h"
#include "receiver/reports/ReportSettings.h"

#include <functional>
#include <memory>
#include <string>

class AccountStore;

namespace platform {
class Settings;
}

namespace receive {

struct ReceiveSessionOptions {
    reports::ReportSettings reports;
    bool ifnotexistToUpdate = false;  // "i2n"
    bool allowBasicAuth = false;      // "AllowBasicAuth"
    ProxySettings proxies;
    std::shared_ptr<const AccountStore> accounts;  // null: no accounts
    // Time-outs, stall limit, CA file, passive FTP, code page 932 names.
    platform::InternetOptions transfer;
    int maxOpenFolders = 8;
    // Add the receive to the recent receive list at its end.
    bool recordRecent = true;
    // The mirror-site draw, a number in [0, total) (tests pin it); empty:
    // a generator seeded when the receive starts.
    std::function<unsigned(unsigned total)> random;

    // The section and value names of the transfer options.
    static constexpr const char* transferSection = "transfer";
    static constexpr const char* connectTimeoutName = "ConnectTimeout";  // milliseconds
    static constexpr const char* stallTimeName = "StallTime";            // seconds
    static constexpr const char* caFileName = "CAFile";
    static constexpr const char* passiveFtpName = "PassiveFTP";         // "yes"/"no"
    static constexpr const char* cp932NamesName = "SJISNames";          // "yes"/"no"
    static constexpr const char* retriesName = "Retries";
    static constexpr const char* connectionsName = "Connections";
    static constexpr const char* retryWaitName = "RetryWait";           // milliseconds, the first back-off
    static constexpr const char* resumeName = "Resume";                 // "yes"/"no"
    static constexpr const char* resumeAreaName = "ResumeAreaMB";
    static constexpr const char* resumeDaysName = "ResumeDays";

    // Reads every option from the settings and the account store (a store
    // that cannot be read leaves the accounts empty).
    static ReceiveSessionOptions load(const platform::Settings& settings);
    static platform::InternetOptions loadTransfer(const platform::Settings& settings);
};

} // namespace receive
