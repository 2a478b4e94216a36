#include "receiver/reports/RecentReceiveList.h"

#include "platform/Cp932Codec.h"
#include "platform/Settings.h"

namespace reports {

namespace {

std::string key(const char* name, int position)
{
    return name + std::to_string(position);
}

} // namespace

std::string RecentReceiveList::keptTitle(const std::string& title)
{
    if (title.size() <= titleBytes)
        return title; // never more code-page-932 bytes than UTF-8 bytes
    try {
        return platform::Cp932Codec::truncateUtf8(title, titleBytes);
    } catch (const platform::CodecError&) {
        // Not convertible (an older or edited file): cut on a UTF-8 boundary.
        std::size_t end = titleBytes;
        while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80)
            --end;
        return title.substr(0, end);
    }
}

std::string RecentReceiveList::keptPath(const std::string& path)
{
    return path.size() <= pathBytes ? path : std::string();
}

void RecentReceiveList::load(const platform::Settings& store)
{
    entries_.clear();
    for (int d = 0; d < capacity; ++d) {
        RecentReceive e;
        e.title = keptTitle(store.getString(section, key("Title", d)));
        if (e.title.empty())
            break;
        e.target = keptPath(store.getString(section, key("Target", d)));
        e.folder = keptPath(store.getString(section, key("Folder", d)));
        e.time = static_cast<std::int32_t>(store.getInt(section, key("Time", d), 0));
        entries_.push_back(std::move(e));
    }
}

bool RecentReceiveList::add(platform::Settings& store, const std::string& title, const std::string& target,
                            const std::string& folder, std::time_t now)
{
    if (target.empty())
        return false;
    entries_.insert(entries_.begin(),
                    RecentReceive{keptTitle(title), keptPath(target), keptPath(folder), static_cast<std::int32_t>(now)});
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
