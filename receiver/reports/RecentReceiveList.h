#pragma once
// The last 16 receives, newest first, kept in the settings section "Recent
// Download List" where the viewer reads them. A title is kept to 260 bytes
// of its code-page-932 form, written or read, so that a hostile GuidePost
// name cannot swell the list or the windows that show it. A path is never
// cut, since a cut path names another place: one longer than a path can be
// is left out.

#include <cstddef>
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
    static constexpr std::size_t titleBytes = 260;
    static constexpr std::size_t pathBytes = 4096;

    // The title and paths as the list keeps them.
    static std::string keptTitle(const std::string& title);
    static std::string keptPath(const std::string& path);

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
