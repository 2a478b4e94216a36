#pragma once
// The per-user settings of the family (section and value names as the
// programs use them). Nothing else in the system touches QSettings.

#include <memory>
#include <string>
#include <vector>

class QSettings;

namespace platform {

class Settings {
public:
    Settings();
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    std::string getString(const std::string& section, const std::string& name,
                          const std::string& defaultValue = {}) const;
    void setString(const std::string& section, const std::string& name, const std::string& value);

    // Decimal numbers; a value that is not a number reads as its leading digits.
    long long getInt(const std::string& section, const std::string& name, long long defaultValue = 0) const;
    void setInt(const std::string& section, const std::string& name, long long value);

    // "yes" is true and anything else false; absent gives the default.
    bool getBool(const std::string& section, const std::string& name, bool defaultValue = false) const;
    void setBool(const std::string& section, const std::string& name, bool value);

    // Raw bytes (enciphered values).
    std::string getBytes(const std::string& section, const std::string& name) const;
    void setBytes(const std::string& section, const std::string& name, const std::string& bytes);

    bool contains(const std::string& section, const std::string& name) const;
    void remove(const std::string& section, const std::string& name);
    void removeSection(const std::string& section);
    std::vector<std::string> names(const std::string& section) const;

    // Writes pending changes; false when the store cannot be written.
    bool sync();

    // Keep the store in another folder (tests, portable use). Affects every
    // Settings made afterwards in this process.
    static void setStorageFolder(const std::string& folder);

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
