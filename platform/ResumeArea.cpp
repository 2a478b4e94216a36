#include "ResumeArea.h"

#include "InternetBodyFile.h"
#include "TempFile.h"

#include "platform/Md5.h"
#include "platform/WriteAll.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr const char* dataSuffix = ".part";
constexpr const char* recordSuffix = ".rec";
// A record is a few lines; anything longer is not ours.
constexpr std::streamsize maxRecordSize = 16 * 1024;

bool readRecord(const std::string& path, ResumeArea::Record& record)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string text(static_cast<std::size_t>(maxRecordSize), '\0');
    in.read(text.data(), maxRecordSize);
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::istringstream lines(text);
    std::string line;
    bool haveBytes = false;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        try {
            if (key == "source")
                record.source = value;
            else if (key == "target")
                record.target = value;
            else if (key == "bytes")
                record.bytes = std::stoll(value), haveBytes = true;
            else if (key == "total")
                record.total = std::stoll(value);
            else if (key == "etag")
                record.etag = value;
            else if (key == "last-modified")
                record.lastModified = value;
        } catch (const std::exception&) {
            return false;
        }
    }
    return haveBytes && record.bytes >= 0 && !record.source.empty();
}

bool oneLine(const std::string& value)
{
    return value.find('\n') == std::string::npos && value.find('\r') == std::string::npos;
}

} // namespace

std::string ResumeArea::defaultFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/corvandelle/partial";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.local/state/corvandelle/partial";
    return {};
}

std::string ResumeArea::stem(const std::string& source, const std::string& target) const
{
    return folder_ + "/" + Md5::ofText(source + '\n' + target);
}

std::unique_ptr<ResumeArea::Entry> ResumeArea::open(const std::string& source, const std::string& target) const
{
    return take(source, target, true);
}

std::unique_ptr<ResumeArea::Entry> ResumeArea::openExisting(const std::string& source,
                                                            const std::string& target) const
{
    return take(source, target, false);
}

std::unique_ptr<ResumeArea::Entry> ResumeArea::take(const std::string& source, const std::string& target,
                                                    bool create) const
{
    if (!enabled() || !oneLine(source) || !oneLine(target))
        return nullptr;
    const std::string base = stem(source, target);
    if (!create && ::access((base + recordSuffix).c_str(), F_OK) != 0)
        return nullptr;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    ::chmod(folder_.c_str(), 0700);
    std::unique_ptr<Entry> entry(new Entry);
    entry->dataPath_ = base + dataSuffix;
    entry->recordPath_ = base + recordSuffix;
    entry->lock_ = ::open(entry->dataPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (entry->lock_ < 0)
        return nullptr;
    if (::flock(entry->lock_, LOCK_EX | LOCK_NB) != 0) {
        ::close(entry->lock_);
        entry->lock_ = -1;  // another transfer's: not ours to touch
        return nullptr;
    }
    Record found;
    struct stat st {};
    const bool usable = readRecord(entry->recordPath_, found) && found.source == source && found.target == target
        && ::fstat(entry->lock_, &st) == 0 && st.st_size >= found.bytes;
    if (usable) {
        entry->record = found;
    } else {
        ::unlink(entry->recordPath_.c_str());
        entry->record = Record{source, target, 0, -1, {}, {}};
        if (!create) {
            entry->drop();
            return nullptr;
        }
    }
    // Bytes past what the record promises may not have reached the disk.
    if (::ftruncate(entry->lock_, entry->record.bytes) != 0)
        return nullptr;
    return entry;
}

ResumeArea::Entry::~Entry()
{
    if (lock_ >= 0)
        ::close(lock_);
}

int ResumeArea::Entry::writer() const
{
    if (lock_ < 0)
        return -1;
    int fd = ::open(dataPath_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0 && ::lseek(fd, record.bytes, SEEK_SET) != record.bytes) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ResumeArea::Entry::save() const
{
    if (lock_ < 0)
        return false;
    std::string text = "source=" + record.source + "\ntarget=" + record.target + "\nbytes="
        + std::to_string(record.bytes) + "\ntotal=" + std::to_string(record.total) + "\n";
    if (oneLine(record.etag))
        text += "etag=" + record.etag + "\n";
    if (oneLine(record.lastModified))
        text += "last-modified=" + record.lastModified + "\n";
    // Renamed into place without waiting for the disk: it survives a killed
    // process, and after a power cut a data file shorter than the record
    // says makes the record unusable (open() checks), never a wrong file.
    const std::string temporary = recordPath_ + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, text.data(), text.size());
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), recordPath_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void ResumeArea::Entry::drop()
{
    if (lock_ < 0)
        return;
    ::unlink(recordPath_.c_str());
    ::unlink(dataPath_.c_str());
    ::close(lock_);
    lock_ = -1;
}

std::string ResumeArea::Entry::handOver()
{
    ::unlink(recordPath_.c_str());
    if (lock_ >= 0)
        ::close(lock_);
    lock_ = -1;
    return dataPath_;
}

void ResumeArea::prune(long long maxBytes, int maxDays) const
{
    if (!enabled())
        return;
    struct Item {
        std::string base;
        std::time_t time;
        long long size;
    };
    std::vector<Item> items;
    std::error_code ec;
    const std::time_t now = std::time(nullptr);
    for (const auto& e : fs::directory_iterator(folder_, ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() <= 5 || name.compare(name.size() - 5, 5, dataSuffix) != 0)
            continue;
        const std::string base = e.path().string().substr(0, e.path().string().size() - 5);
        const std::string data = base + dataSuffix, rec = base + recordSuffix;
        int fd = ::open(data.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st {}, rs {};
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0;
        if (free) {
            const bool hasRecord = ::stat(rec.c_str(), &rs) == 0;
            // Data without a record is a finished file on its way to its
            // target (left when that way was cut): gone after a day.
            const bool old = hasRecord ? now - rs.st_mtime > static_cast<std::time_t>(maxDays) * 86400
                                       : now - st.st_ctime > 86400;
            if (!hasRecord && !old) {
                ::close(fd);
                continue;
            }
            if (old) {
                ::unlink(rec.c_str());
                ::unlink(data.c_str());
            } else {
                items.push_back({base, rs.st_mtime, static_cast<long long>(st.st_size)});
            }
        }
        ::close(fd);
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.time > b.time; });
    long long kept = 0;
    for (const Item& item : items) {
        kept += item.size;
        if (kept > maxBytes) {
            ::unlink((item.base + recordSuffix).c_str());
            ::unlink((item.base + dataSuffix).c_str());
        }
    }
    // Records whose data has gone.
    for (const auto& e : fs::directory_iterator(folder_, ec)) {
        const std::string path = e.path().string();
        if (path.size() > 4 && path.compare(path.size() - 4, 4, recordSuffix) == 0
            && ::access((path.substr(0, path.size() - 4) + dataSuffix).c_str(), F_OK) != 0)
            ::unlink(path.c_str());
    }
}

bool openBodyFile(InternetBodyFile& file, TempFile& temp, const ResumeArea& area, bool worthARecord,
                  const std::string& source, const std::string& target,
                  std::unique_ptr<ResumeArea::Entry>& entry)
{
    if (file.isOpen())
        return true;
    if (area.enabled() && worthARecord) {
        entry = area.open(source, target);
        if (entry && !file.adopt(entry->writer()))
            entry.reset();
    }
    return file.isOpen() || file.adopt(temp.createOpen());
}

} // namespace platform
