#pragma once
// The per-user store of server accounts and proxy entries: the file "ant" in
// Quillmere/Corvan below the application data folder. Every field in the
// file is enciphered (StoreFieldCodec); in memory texts are UTF-8 and
// passwords plain text. Lines end in LF; CR LF is read as well.
//
// File layout, one record per line:
//   marker  "CorvandelleAcnt1.0"
//   account filler(A-Y) name userId password askPassword server protocol port extraNumber proxyName
//   proxy   filler(a-y) name server port userId password
// Every field is always present; an empty password is written as a filler
// that reads back empty.

#include "AccountRecord.h"
#include "ProxyRecord.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

class AccountStore {
public:
    enum class LoadResult {
        Loaded,     // the file was a store; its records are in memory
        Missing,    // no file yet: an empty store, nothing to repair
        Empty,      // a file of no bytes: the caller writes a new empty store
        NotAStore,  // the first line is not the store marker: the caller decides
        Unreadable, // the file exists but cannot be read
    };

    static constexpr const char* marker = "CorvandelleAcnt1.0";

    explicit AccountStore(std::string path = defaultPath());

    // applicationData()/Quillmere/Corvan/ant.
    static std::string defaultPath();
    const std::string& path() const { return path_; }
    void setPath(std::string path) { path_ = std::move(path); }

    // Replaces the records in memory by those of the file. Lines that are cut
    // short or malformed are skipped (and counted). On NotAStore and
    // Unreadable the records in memory stay as they were.
    LoadResult load();
    // The same from the file's text.
    LoadResult loadText(std::string_view text);
    std::size_t skippedLines() const { return skippedLines_; }

    // Rewrites the whole file: a new file beside it (owner-only, folders
    // created owner-only) renamed over the old one, so a failure never
    // leaves a half-written store. False when it cannot be written.
    bool write();
    // The file's text as write() would write it (fresh random fillers).
    std::string text();

    // Add (replacing an entry of the same name) or remove, then write. On
    // false nothing changed, in memory or on disk: an empty name, a text
    // that code page 932 cannot hold, no such entry, or the write failed.
    bool addAccount(const AccountRecord& account);
    bool removeAccount(const std::string& name);
    bool addProxy(const ProxyRecord& proxy);
    bool removeProxy(const std::string& name);

    // Creates the store's folders (owner-only) ahead of the first write.
    bool ensureFolder() const;

    // Empties both maps in memory only.
    void clear();

    const AccountRecord* findAccount(const std::string& name) const;
    const ProxyRecord* findProxy(const std::string& name) const;
    // Ordered by name (bytes of the UTF-8 text), so positions are stable.
    const std::map<std::string, AccountRecord>& accounts() const { return accounts_; }
    const std::map<std::string, ProxyRecord>& proxies() const { return proxies_; }
    // The entry at a position of that order; null past the end.
    const AccountRecord* accountAt(std::size_t index) const;
    const ProxyRecord* proxyAt(std::size_t index) const;

private:
    template <typename Map, typename Record>
    bool addAndWrite(Map& map, const Record& record);
    template <typename Map>
    bool removeAndWrite(Map& map, const std::string& name);

    std::string path_;
    std::map<std::string, AccountRecord> accounts_;
    std::map<std::string, ProxyRecord> proxies_;
    std::size_t skippedLines_ = 0;
};
