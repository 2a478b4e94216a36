#pragma once
// The settings that steer the pages of a receive. Read once from the stored
// settings; a caller may change them for one run (the terminal receiver's
// flags) without touching what is stored.

namespace platform { class Settings; }

namespace reports {

struct ReportSettings {
    bool genReport = false;
    bool showReport = false;
    bool logging = false;
    int reportStyle = 0;  // 0 simple, 1 standard, 2 long
    bool reportRotation = true;

    static ReportSettings load(const platform::Settings& store);
    void save(platform::Settings& store) const;
    // The style the report is written in: simple when the report is not shown,
    // and for a style number no report knows (a run may set any number).
    int effectiveStyle() const { return showReport && reportStyle >= 0 && reportStyle <= 2 ? reportStyle : 0; }
};

inline constexpr const char* settingsSection = "settings";

} // namespace reports
