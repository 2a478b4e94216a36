#include "platform/Zip.h"

#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"
#include "platform/AtomicFile.h"

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

int fail(std::string text)
{
    zipError = std::move(text);
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

bool writeEntry(zip_t* z, zip_uint64_t index, const fs::path& target, std::string& error,
                const std::atomic<bool>* stop)
{
    AtomicFile out(target.string());
    if (!out.open()) {
        error = target.string() + ": " + std::strerror(errno);
        return false;
    }
    zip_file_t* entry = zip_fopen_index(z, index, 0);
    bool ok = entry != nullptr;
    std::vector<char> buffer(64 * 1024);
    while (ok) {
        if (stopped(stop)) {
            error = target.string() + ": stopped";
            ok = false;
            break;
        }
        zip_int64_t n = zip_fread(entry, buffer.data(), buffer.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (!out.write(buffer.data(), static_cast<std::size_t>(n)))
            ok = false;
    }
    if (entry)
        zip_fclose(entry);
    struct timespec times[2] = {};
    zip_stat_t st;
    const bool timed = ok && zip_stat_index(z, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME);
    if (timed)
        times[0] = times[1] = {st.mtime, 0};
    if (ok && !out.commit(timed ? times : nullptr))
        ok = false;
    if (!ok && error.empty())
        error = target.string() + ": " + std::strerror(errno ? errno : EIO);
    return ok;
}

} // namespace

const std::string& lastZipError()
{
    return zipError;
}

int zipnize(const std::string& folder, const std::string& zipPath, const std::atomic<bool>* stop)
{
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
    const fs::path base(folder);
    for (const Entry& e : entries) {
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
        std::string why;
        if (!writeEntry(z.get(), e.index, target, why, stop))
            return fail(why);
    }
    return 1;
}

} // namespace platform
