#pragma once
// The last 16 receives, newest first, kept in the settings section "Recent
// Download List" where the viewer reads them.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace platform { class Settings; }

namespace reports {

struct RecentReceive {
    std::string title;
    std::string target;  // the page the receive opened at its end
    std::string folder;  // the page to remember
    std::int32_t time = 0;
};

class RecentReceiveList {
public:
    static constexpr int capacity = 16;
    static constexpr const char* section = "Recent Download List";

    // Reads positions 0..15, stopping at the first empty Title.
    void load(const platform::Settings& store);
    // Puts the receive first and stores all 16 positions; a receive that
    // opened nothing (empty target) is not added. False when nothing was added.
    bool add(platform::Settings& store, const std::string& title, const std::string& target,
             const std::string& folder, std::time_t now = std::time(nullptr));

    const std::vector<RecentReceive>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    bool hasEntries() const { return !entries_.empty(); }

private:
    std::vector<RecentReceive> entries_;
};

} // namespace reports
