#pragma once
// Where files whose transfer stopped part-way keep their data until the
// next receive of the same source into the same target asks for the rest.
// Each is a data file and a small record (source, target, bytes held, the
// server's validators and total) named by a digest of source and target.
// A transfer holds its entry with flock, so two receives never share one;
// the record only ever promises bytes that reached the disk. Data of a
// finished file never stays: it is handed on and its record goes.

#include <memory>
#include <string>

namespace platform {

class InternetBodyFile;
class TempFile;

class ResumeArea {
public:
    struct Record {
        std::string source;       // the address fetched
        std::string target;       // the local file it becomes
        long long bytes = 0;      // bytes of the data file that are sure
        long long total = -1;     // the server's length, -1 when unknown
        std::string etag;
        std::string lastModified;
    };

    // One partial file, held while a transfer uses it.
    class Entry {
    public:
        ~Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

        Record record;
        const std::string& dataPath() const { return dataPath_; }
        // A descriptor of the data file of its own (the caller closes it),
        // placed at record.bytes; -1 when it cannot be had.
        int writer() const;
        // Writes the record (after the data it promises is on disk).
        bool save() const;
        // Removes data and record: the server's file changed, or the local
        // file was kept.
        void drop();
        // The transfer is complete: the record goes and the caller owns the
        // data file from now on.
        std::string handOver();

    private:
        friend class ResumeArea;
        Entry() = default;
        std::string dataPath_, recordPath_;
        int lock_ = -1;
    };

    explicit ResumeArea(std::string folder) : folder_(std::move(folder)) {}
    // $XDG_STATE_HOME/corvandelle/partial, else ~/.local/state/corvandelle/partial.
    static std::string defaultFolder();
    bool enabled() const { return !folder_.empty(); }
    const std::string& folder() const { return folder_; }

    // The entry of source and target: an earlier partial file when a
    // matching record exists (its data cut to the bytes the record
    // promises), else a new empty one. Null when the area cannot be used or
    // another transfer holds that entry.
    std::unique_ptr<Entry> open(const std::string& source, const std::string& target) const;
    // The entry only when one was left before; null otherwise.
    std::unique_ptr<Entry> openExisting(const std::string& source, const std::string& target) const;

    // Keeps the area within maxBytes and maxDays, oldest first, and removes
    // data without a record; entries in use stay.
    void prune(long long maxBytes, int maxDays) const;

private:
    std::unique_ptr<Entry> take(const std::string& source, const std::string& target, bool create) const;
    std::string stem(const std::string& source, const std::string& target) const;

    std::string folder_;
};

// Gives an unopened `file` where its body goes: the area's entry of source
// and target when starting over would be worth a record (the entry is left
// in `entry`), else a new temporary file. False when neither could be had.
bool openBodyFile(InternetBodyFile& file, TempFile& temp, const ResumeArea& area, bool worthARecord,
                  const std::string& source, const std::string& target,
                  std::unique_ptr<ResumeArea::Entry>& entry);

} // namespace platform
