#include "platform/Zip.h"

#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"
#include "platform/AtomicFile.h"
#include "platform/FreeSpaceGuard.h"
#include "platform/TempFile.h"
#include "platform/WriteAll.h"

#include <zip.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

thread_local std::string zipError;
thread_local ZipFailure zipFailure = ZipFailure::None;

int fail(std::string text)
{
    zipError = std::move(text);
    if (zipFailure == ZipFailure::None)
        zipFailure = ZipFailure::Other;
    return 0;
}

struct ZipCloser {
    void operator()(zip_t* z) const
    {
        if (z)
            zip_discard(z);
    }
};

// A zip entry's name as UTF-8: the UTF-8 flag is honoured; otherwise the
// stored bytes are code page 932.
bool entryName(zip_t* z, zip_uint64_t index, std::string& out)
{
    const char* raw = zip_get_name(z, index, ZIP_FL_ENC_RAW);
    const char* strict = zip_get_name(z, index, ZIP_FL_ENC_STRICT);
    if (!raw || !strict)
        return false;
    // Without the flag libzip reads high bytes as CP437, so the two differ
    // exactly when the name was stored in a legacy code page.
    if (std::strcmp(raw, strict) == 0) {
        out = raw;
        return true;
    }
    if (Cp932Codec::tryToUtf8(raw, out))
        return true;
    out = strict;
    return true;
}

// Splits an entry name into safe components, or returns false.
bool safeComponents(const std::string& name, std::vector<std::string>& parts, bool& isFolder)
{
    if (name.find('\0') != std::string::npos)
        return false;
    std::optional<std::vector<std::string>> split = SafeName::split(name);
    if (!split || split->empty())
        return false;
    parts = std::move(*split);
    isFolder = name.back() == '/' || name.back() == '\\';
    return true;
}

bool stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Writes entry index into file (a new file in the staging folder), no larger
// than the entry's recorded size and leaving the disk its reserve.
bool writeEntry(zip_t* z, zip_uint64_t index, const std::string& file, const std::string& shownName,
                FreeSpaceGuard& space, std::string& error, const std::atomic<bool>* stop)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        error = shownName + ": unreadable entry";
        return false;
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = file + ": " + std::strerror(errno);
        return false;
    }
    zip_file_t* entry = zip_fopen_index(z, index, 0);
    bool ok = entry != nullptr;
    if (!ok)
        error = shownName + ": " + zip_strerror(z);
    std::vector<char> buffer(64 * 1024);
    zip_uint64_t written = 0;
    while (ok) {
        if (stopped(stop)) {
            error = shownName + ": stopped";
            ok = false;
            break;
        }
        zip_int64_t n = zip_fread(entry, buffer.data(), buffer.size());
        if (n < 0) {
            error = shownName + ": " + zip_file_strerror(entry);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        written += static_cast<zip_uint64_t>(n);
        // An entry that inflates beyond the size the zip records is a lie
        // (a zip bomb, or damage): stop before it fills anything.
        if (written > st.size) {
            error = shownName + ": larger than the size the zip file records";
            zipFailure = ZipFailure::TooLarge;
            ok = false;
            break;
        }
        if (!space.allow(static_cast<std::size_t>(n))) {
            error = shownName + ": the disk's free space ran out";
            zipFailure = ZipFailure::SpaceRanOut;
            ok = false;
            break;
        }
        if (!writeAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
            error = file + ": " + std::strerror(errno);
            zipFailure = errno == ENOSPC ? ZipFailure::SpaceRanOut : ZipFailure::Io;
            ok = false;
        }
    }
    if (entry)
        zip_fclose(entry);
    if (ok && (st.valid & ZIP_STAT_MTIME)) {
        struct timespec times[2] = {{st.mtime, 0}, {st.mtime, 0}};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0 && ok) {
        error = file + ": " + std::strerror(errno);
        ok = false;
    }
    return ok;
}

// The staging folder of an unpacking: removed with whatever is left in it.
struct StagingFolder {
    std::string path;
    ~StagingFolder()
    {
        if (path.empty())
            return;
        std::error_code ec;
        fs::remove_all(path, ec);
        TempFile::untrack(path);
    }
};

} // namespace

const std::string& lastZipError()
{
    return zipError;
}

int zipnize(const std::string& folder, const std::string& zipPath, const std::atomic<bool>* stop)
{
    zipFailure = ZipFailure::None;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return fail(folder + ": not a folder");
    AtomicFile out(zipPath);
    if (!out.open())
        return fail(zipPath + ": " + std::strerror(errno));
    // libzip writes the file by its path.
    out.closeDescriptor();
    const std::string temp = out.temporaryPath();
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> z(zip_open(temp.c_str(), ZIP_TRUNCATE, &error));
    if (!z)
        return fail(zipPath + ": cannot create");
    const fs::path base(folder);
    const fs::path self = fs::absolute(zipPath, ec);
    for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (stopped(stop))
            return fail(zipPath + ": stopped");
        const fs::path rel = it->path().lexically_relative(base);
        std::string name = rel.generic_string();
        if (it->is_directory(ec)) {
            if (zip_dir_add(z.get(), name.c_str(), ZIP_FL_ENC_UTF_8) < 0)
                break;
            continue;
        }
        if (!it->is_regular_file(ec) || fs::absolute(it->path(), ec) == self)
            continue;
        zip_source_t* src = zip_source_file(z.get(), it->path().c_str(), 0, -1);
        if (!src) {
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        zip_int64_t index = zip_file_add(z.get(), name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(src);
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        struct stat st;
        if (::stat(it->path().c_str(), &st) == 0)
            zip_file_set_mtime(z.get(), static_cast<zip_uint64_t>(index), st.st_mtime, 0);
    }
    if (ec)
        return fail(folder + ": " + ec.message());
    // The files are compressed as the archive is closed: a stop is looked at
    // between them.
    if (stop)
        zip_register_cancel_callback_with_state(
            z.get(), [](zip_t*, void* state) { return stopped(static_cast<const std::atomic<bool>*>(state)) ? 1 : 0; },
            nullptr, const_cast<std::atomic<bool>*>(stop));
    zip_t* raw = z.release();
    if (zip_close(raw) != 0) {
        std::string why = stopped(stop) ? std::string("stopped") : std::string(zip_strerror(raw));
        zip_discard(raw);
        return fail(zipPath + ": " + why);
    }
    // An empty folder makes no file at all; write an empty archive then.
    if (!fs::exists(temp, ec)) {
        static const unsigned char emptyZip[22] = {0x50, 0x4b, 0x05, 0x06};
        FILE* f = std::fopen(temp.c_str(), "wb");
        if (!f || std::fwrite(emptyZip, 1, sizeof emptyZip, f) != sizeof emptyZip) {
            if (f)
                std::fclose(f);
            return fail(zipPath + ": cannot create");
        }
        std::fclose(f);
    }
    if (!out.commit())
        return fail(zipPath + ": " + std::strerror(errno));
    return 1;
}

int UnZipnizeInFolder(const std::string& folder, const std::string& zipPath, const std::atomic<bool>* stop)
{
    zipFailure = ZipFailure::None;
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> z(zip_open(zipPath.c_str(), ZIP_RDONLY, &error));
    if (!z)
        return fail(zipPath + ": not a zip file");
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return fail(folder + ": not a folder");
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    struct Entry {
        zip_uint64_t index;
        std::vector<std::string> parts;
        bool folder;
    };
    std::vector<Entry> entries;
    // Check every name before writing anything.
    for (zip_int64_t i = 0; i < count; ++i) {
        std::string name;
        Entry e{static_cast<zip_uint64_t>(i), {}, false};
        if (!entryName(z.get(), e.index, name))
            return fail(zipPath + ": unreadable entry name");
        if (!safeComponents(name, e.parts, e.folder))
            return fail(zipPath + ": entry [" + name + "] would be written outside the folder");
        entries.push_back(std::move(e));
    }

    // Every entry is written whole into a fresh folder beside its place
    // first, and only then moved into place: nothing in the folder (the zip
    // itself, when an entry bears its name, included) is touched by an entry
    // that did not arrive whole.
    const fs::path base(folder);
    StagingFolder staging;
    std::string pattern = (base / ".CVunzip-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return fail(folder + ": " + std::strerror(errno));
    staging.path = pattern;
    TempFile::track(staging.path);
    FreeSpaceGuard space(folder);
    for (const Entry& e : entries) {
        if (e.folder)
            continue;
        std::string why;
        const std::string file = staging.path + "/" + std::to_string(e.index);
        if (!writeEntry(z.get(), e.index, file, e.parts.back(), space, why, stop))
            return fail(why);
    }
    for (const Entry& e : entries) {
        if (stopped(stop))
            return fail(zipPath + ": stopped");
        fs::path target = base;
        for (const std::string& part : e.parts)
            target /= part;
        fs::path parent = e.folder ? target : target.parent_path();
        // A symbolic link placed on the way could lead outside the folder.
        for (fs::path walk = parent; walk != base && walk.has_relative_path(); walk = walk.parent_path()) {
            if (fs::is_symlink(walk, ec))
                return fail(walk.string() + ": a link stands where a folder belongs");
        }
        fs::create_directories(parent, ec);
        if (ec)
            return fail(parent.string() + ": " + ec.message());
        if (e.folder)
            continue;
        const std::string file = staging.path + "/" + std::to_string(e.index);
        if (!AtomicFile::moveInto(file, target.string()))
            return fail(target.string() + ": " + std::strerror(errno ? errno : EIO));
    }
    return 1;
}

ZipFailure lastZipFailure()
{
    return zipFailure;
}

} // namespace platform
