#include "receiver/reports/ReportSettings.h"

#include "platform/Settings.h"

namespace reports {

ReportSettings ReportSettings::load(const platform::Settings& store)
{
    ReportSettings s;
    s.logging = store.getBool(settingsSection, "Logging", false);
    s.genReport = store.getBool(settingsSection, "GenReport", false);
    s.showReport = store.getBool(settingsSection, "ShowReport", false);
    long long style = store.getInt(settingsSection, "ReportStyle", 0);
    s.reportStyle = style >= 0 && style <= 2 ? static_cast<int>(style) : 0;
    s.reportRotation = store.getBool(settingsSection, "ReportRotation", true);
    return s;
}

void ReportSettings::save(platform::Settings& store) const
{
    store.setBool(settingsSection, "GenReport", genReport);
    store.setBool(settingsSection, "ShowReport", showReport);
    store.setBool(settingsSection, "Logging", logging);
    store.setInt(settingsSection, "ReportStyle", reportStyle >= 0 && reportStyle <= 2 ? reportStyle : 0);
    store.setBool(settingsSection, "ReportRotation", reportRotation);
}

} // namespace reports
