#include "receiver/reports/RecentReceiveList.h"

#include "platform/Settings.h"

namespace reports {

namespace {

std::string key(const char* name, int position)
{
    return name + std::to_string(position);
}

} // namespace

void RecentReceiveList::load(const platform::Settings& store)
{
    entries_.clear();
    for (int d = 0; d < capacity; ++d) {
        RecentReceive e;
        e.title = store.getString(section, key("Title", d));
        if (e.title.empty())
            break;
        e.target = store.getString(section, key("Target", d));
        e.folder = store.getString(section, key("Folder", d));
        e.time = static_cast<std::int32_t>(store.getInt(section, key("Time", d), 0));
        entries_.push_back(std::move(e));
    }
}

bool RecentReceiveList::add(platform::Settings& store, const std::string& title, const std::string& target,
                            const std::string& folder, std::time_t now)
{
    if (target.empty())
        return false;
    entries_.insert(entries_.begin(), RecentReceive{title, target, folder, static_cast<std::int32_t>(now)});
    if (entries_.size() > static_cast<std::size_t>(capacity))
        entries_.resize(capacity);
    for (int d = 0; d < capacity; ++d) {
        RecentReceive empty;
        const RecentReceive& e = d < count() ? entries_[d] : empty;
        store.setString(section, key("Title", d), e.title);
        store.setString(section, key("Target", d), e.target);
        store.setString(section, key("Folder", d), e.folder);
        store.setInt(section, key("Time", d), e.time);
    }
    store.sync();
    return true;
}

} // namespace reports
