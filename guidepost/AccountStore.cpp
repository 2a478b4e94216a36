#include "AccountStore.h"

#include "StoreFieldCodec.h"
#include "platform/Cp932Codec.h"
#include "platform/Folders.h"
#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

// A store holds a few records; anything this large is some other file.
constexpr std::uintmax_t largestStoreFile = 64u << 20;
// A line shorter than one filler field cannot be a record.
constexpr std::size_t shortestRecordLine = 17;
constexpr std::size_t accountFields = 10;
constexpr std::size_t proxyFields = 6;

using platform::Cp932Codec;

bool toStored(const std::string& utf8, std::string& out)
{
    return Cp932Codec::tryFromUtf8(utf8, out);
}

// Read as atoi does: leading number, 0 when there is none; clamped to int.
int storedNumber(const std::string& text)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

bool allIn(const std::string& text, char first, char last)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < first || c > last)
            return false;
    return true;
}

class LineWriter {
public:
    explicit LineWriter(std::string& out) : out_(out) {}
    bool field(const std::string& utf8)
    {
        std::string stored;
        if (!toStored(utf8, stored))
            return false;
        out_ += codec_.encode(stored);
        return true;
    }
    void raw(std::string_view bytes) { out_ += codec_.encode(bytes); }
    void number(long long value) { raw(std::to_string(value)); }
    void end() { out_ += '\n'; }
    StoreFieldCodec& codec() { return codec_; }

private:
    std::string& out_;
    StoreFieldCodec codec_;
};

bool writeAccount(LineWriter& w, const AccountRecord& a)
{
    w.raw(w.codec().filler('A'));
    if (!w.field(a.name) || !w.field(a.userId))
        return false;
    if (a.password.empty())
        w.raw(w.codec().emptyPasswordFiller());
    else if (!w.field(a.password))
        return false;
    w.number(a.askPassword);
    if (!w.field(a.server))
        return false;
    w.number(a.protocol);
    w.number(a.port);
    w.number(a.extraNumber);
    if (!w.field(a.proxyName))
        return false;
    w.end();
    return true;
}

bool writeProxy(LineWriter& w, const ProxyRecord& p)
{
    w.raw(w.codec().filler('a'));
    if (!w.field(p.name) || !w.field(p.server))
        return false;
    w.number(p.port);
    if (!w.field(p.userId))
        return false;
    if (p.password.empty())
        w.raw(w.codec().emptyPasswordFiller());
    else if (!w.field(p.password))
        return false;
    w.end();
    return true;
}

bool storable(const AccountRecord& a)
{
    std::string s;
    return !a.name.empty() && toStored(a.name, s) && toStored(a.userId, s) && toStored(a.password, s) &&
           toStored(a.server, s) && toStored(a.proxyName, s);
}

bool storable(const ProxyRecord& p)
{
    std::string s;
    return !p.name.empty() && toStored(p.name, s) && toStored(p.server, s) && toStored(p.userId, s) &&
           toStored(p.password, s);
}

// Splits a line into its decoded fields; nothing when any field is malformed
// or the line does not end right after its last field.
std::optional<std::vector<std::string>> splitFields(const StoreFieldCodec& codec, std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (fields.size() == accountFields)
            return std::nullopt;
        std::string value;
        if (!codec.decode(line, pos, value))
            return std::nullopt;
        fields.push_back(std::move(value));
    }
    return fields;
}

bool fromStored(const std::string& stored, std::string& utf8)
{
    return Cp932Codec::tryToUtf8(stored, utf8);
}

bool parseAccount(const std::vector<std::string>& f, AccountRecord& a)
{
    if (f.size() != accountFields)
        return false;
    if (!fromStored(f[1], a.name) || !fromStored(f[2], a.userId) || !fromStored(f[3], a.password) ||
        !fromStored(f[5], a.server) || !fromStored(f[9], a.proxyName))
        return false;
    a.askPassword = storedNumber(f[4]);
    a.protocol = storedNumber(f[6]);
    a.port = static_cast<std::uint16_t>(storedNumber(f[7]));
    a.extraNumber = storedNumber(f[8]);
    return !a.name.empty();
}

bool parseProxy(const std::vector<std::string>& f, ProxyRecord& p)
{
    if (f.size() != proxyFields)
        return false;
    if (!fromStored(f[1], p.name) || !fromStored(f[2], p.server) || !fromStored(f[4], p.userId) ||
        !fromStored(f[5], p.password))
        return false;
    p.port = static_cast<std::uint16_t>(storedNumber(f[3]));
    return !p.name.empty();
}

std::string_view nextLine(std::string_view text, std::size_t& pos)
{
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end < text.size() ? end + 1 : end;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Creates the missing folders of a path owner-only; folders that exist keep
// their permissions.
bool makeFolders(const std::filesystem::path& folder)
{
    std::filesystem::path built;
    for (const auto& part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec);
}

} // namespace

AccountStore::AccountStore(std::string path) : path_(std::move(path)) {}

std::string AccountStore::defaultPath()
{
    std::string base = platform::Folders::applicationData();
    if (base.empty())
        base = platform::Folders::personalDocuments() + "/Corvan";
    return (std::filesystem::path(base) / "Quillmere" / "Corvan" / "ant").string();
}

AccountStore::LoadResult AccountStore::load()
{
    std::error_code ec;
    const auto status = std::filesystem::status(path_, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return LoadResult::Missing;
    if (ec || status.type() != std::filesystem::file_type::regular)
        return LoadResult::Unreadable;
    const auto size = std::filesystem::file_size(path_, ec);
    if (ec)
        return LoadResult::Unreadable;
    if (size > largestStoreFile)
        return LoadResult::NotAStore;

    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return LoadResult::Unreadable;
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad())
        return LoadResult::Unreadable;
    return loadText(text);
}

AccountStore::LoadResult AccountStore::loadText(std::string_view text)
{
    if (text.empty())
        return LoadResult::Empty;

    StoreFieldCodec codec;
    std::size_t pos = 0;
    const std::string_view first = nextLine(text, pos);
    std::size_t fieldEnd = 0;
    std::string value;
    if (!codec.decode(first, fieldEnd, value) || fieldEnd != first.size() || value != marker)
        return LoadResult::NotAStore;

    std::map<std::string, AccountRecord> accounts;
    std::map<std::string, ProxyRecord> proxies;
    std::size_t skipped = 0;
    while (pos < text.size()) {
        const std::string_view line = nextLine(text, pos);
        if (line.empty())
            continue;
        std::optional<std::vector<std::string>> fields;
        if (line.size() >= shortestRecordLine)
            fields = splitFields(codec, line);
        bool taken = false;
        if (fields && !fields->empty()) {
            const std::string& filler = fields->front();
            if (allIn(filler, 'A', 'Z')) {
                AccountRecord a;
                if ((taken = parseAccount(*fields, a)))
                    accounts.insert_or_assign(a.name, std::move(a));
            } else if (allIn(filler, 'a', 'z')) {
                ProxyRecord p;
                if ((taken = parseProxy(*fields, p)))
                    proxies.insert_or_assign(p.name, std::move(p));
            }
        }
        if (!taken)
            ++skipped;
    }
    accounts_ = std::move(accounts);
    proxies_ = std::move(proxies);
    skippedLines_ = skipped;
    return LoadResult::Loaded;
}

std::string AccountStore::text()
{
    std::string out;
    LineWriter w(out);
    w.raw(marker);
    w.end();
    for (const auto& [name, account] : accounts_)
        if (!writeAccount(w, account))
            return {};
    for (const auto& [name, proxy] : proxies_)
        if (!writeProxy(w, proxy))
            return {};
    return out;
}

bool AccountStore::write()
{
    const std::string data = text();
    if (data.empty())
        return false;

    if (!ensureFolder())
        return false;
    return platform::AtomicFile::writeWhole(path_, data, platform::AtomicFile::Access::OwnerOnly);
}

bool AccountStore::ensureFolder() const
{
    const std::filesystem::path target(path_);
    return makeFolders(target.has_parent_path() ? target.parent_path() : ".");
}

template <typename Map, typename Record>
bool AccountStore::addAndWrite(Map& map, const Record& record)
{
    if (!storable(record))
        return false;
    std::optional<Record> previous;
    if (auto it = map.find(record.name); it != map.end())
        previous = it->second;
    map.insert_or_assign(record.name, record);
    if (write())
        return true;
    if (previous)
        map.insert_or_assign(record.name, *previous);
    else
        map.erase(record.name);
    return false;
}

template <typename Map>
bool AccountStore::removeAndWrite(Map& map, const std::string& name)
{
    auto it = map.find(name);
    if (it == map.end())
        return false;
    auto previous = it->second;
    map.erase(it);
    if (write())
        return true;
    map.insert_or_assign(name, std::move(previous));
    return false;
}

bool AccountStore::addAccount(const AccountRecord& account)
{
    return addAndWrite(accounts_, account);
}

bool AccountStore::removeAccount(const std::string& name)
{
    return removeAndWrite(accounts_, name);
}

bool AccountStore::addProxy(const ProxyRecord& proxy)
{
    return addAndWrite(proxies_, proxy);
}

bool AccountStore::removeProxy(const std::string& name)
{
    return removeAndWrite(proxies_, name);
}

void AccountStore::clear()
{
    accounts_.clear();
    proxies_.clear();
}

const AccountRecord* AccountStore::findAccount(const std::string& name) const
{
    auto it = accounts_.find(name);
    return it == accounts_.end() ? nullptr : &it->second;
}

const ProxyRecord* AccountStore::findProxy(const std::string& name) const
{
    auto it = proxies_.find(name);
    return it == proxies_.end() ? nullptr : &it->second;
}

const AccountRecord* AccountStore::accountAt(std::size_t index) const
{
    return index < accounts_.size() ? &std::next(accounts_.begin(), static_cast<long>(index))->second : nullptr;
}

const ProxyRecord* AccountStore::proxyAt(std::size_t index) const
{
    return index < proxies_.size() ? &std::next(proxies_.begin(), static_cast<long>(index))->second : nullptr;
}
