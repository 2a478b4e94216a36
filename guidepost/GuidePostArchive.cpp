#include "guidepost/GuidePostArchive.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/CBlowfish.h"
#include "platform/Compression.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"
#include "platform/TempFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t copyBufferSize = 16384;
constexpr std::uint32_t formatVersion = 1;
constexpr std::uint32_t maxTasks = 64;
constexpr std::uint32_t maxAttachments = 512;
constexpr std::uint32_t maxNameLength = 16384;  // exclusive
constexpr std::uint32_t bodyHeaderLength = 14;
constexpr std::uint64_t maxOffset = 0xFFFFFFFFull;
const char magic[4] = {'G', 'P', 'A', 'R'};

thread_local int lastError = 0;

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(std::FILE* f) : f_(f) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    std::FILE* get() const { return f_; }
    bool close()
    {
        if (!f_)
            return true;
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_ = nullptr;
};

std::uint64_t fileSize(std::FILE* f)
{
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

bool sizeOfPath(const std::string& path, std::uint64_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

// Reads with every length checked against what the file still holds, so no
// count taken from the file can make us allocate or copy past its end.
class Reader {
public:
    bool open(const std::string& path)
    {
        file_ = std::make_unique<FileHandle>(std::fopen(path.c_str(), "rb"));
        if (!file_->get())
            return false;
        size_ = fileSize(file_->get());
        pos_ = 0;
        return true;
    }
    std::uint64_t position() const { return pos_; }
    std::uint64_t remaining() const { return size_ - pos_; }

    bool seek(std::uint64_t pos)
    {
        if (pos > size_ || ::fseeko(file_->get(), static_cast<off_t>(pos), SEEK_SET) != 0)
            return false;
        pos_ = pos;
        return true;
    }
    bool read(void* out, std::size_t n)
    {
        if (n > remaining() || std::fread(out, 1, n, file_->get()) != n)
            return false;
        pos_ += n;
        return true;
    }
    bool u32(std::uint32_t& v)
    {
        unsigned char b[4];
        if (!read(b, 4))
            return false;
        v = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
        return true;
    }
    bool u8(std::uint8_t& v) { return read(&v, 1); }
    // A flag byte must be 0 or 1.
    bool flag(bool& v)
    {
        std::uint8_t b;
        if (!u8(b) || b > 1)
            return false;
        v = b == 1;
        return true;
    }
    // Checks the stamp stored at the current position against the chain.
    bool stamp(std::uint32_t& chain)
    {
        std::uint32_t expected = chain + static_cast<std::uint32_t>(pos_);
        std::uint32_t v;
        if (!u32(v) || v != expected)
            return false;
        chain = expected;
        return true;
    }
    bool skip(std::uint64_t n) { return n <= remaining() && seek(pos_ + n); }
    bool copyTo(std::FILE* out, std::uint64_t n)
    {
        if (n > remaining())
            return false;
        unsigned char buffer[copyBufferSize];
        while (n > 0) {
            std::size_t chunk = n < copyBufferSize ? static_cast<std::size_t>(n) : copyBufferSize;
            if (!read(buffer, chunk) || std::fwrite(buffer, 1, chunk, out) != chunk)
                return false;
            n -= chunk;
        }
        return true;
    }

private:
    std::unique_ptr<FileHandle> file_;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;
};

class Writer {
public:
    explicit Writer(std::FILE* f) : f_(f) {}
    std::uint64_t position() const { return pos_; }
    bool write(const void* data, std::size_t n)
    {
        if (std::fwrite(data, 1, n, f_) != n)
            return false;
        pos_ += n;
        return pos_ <= maxOffset;  // offsets and stamps are 32-bit
    }
    bool u32(std::uint32_t v)
    {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        return write(b, 4);
    }
    bool u8(std::uint8_t v) { return write(&v, 1); }
    bool stamp(std::uint32_t& chain)
    {
        chain += static_cast<std::uint32_t>(pos_);
        return u32(chain);
    }
    bool seek(std::uint64_t pos)
    {
        if (::fseeko(f_, static_cast<off_t>(pos), SEEK_SET) != 0)
            return false;
        pos_ = pos;
        return true;
    }
    bool copyFrom(std::FILE* in, std::uint64_t n)
    {
        unsigned char buffer[copyBufferSize];
        while (n > 0) {
            std::size_t chunk = n < copyBufferSize ? static_cast<std::size_t>(n) : copyBufferSize;
            if (std::fread(buffer, 1, chunk, in) != chunk || !write(buffer, chunk))
                return false;
            n -= chunk;
        }
        return true;
    }
    bool copyFile(const std::string& path, std::uint64_t n)
    {
        FileHandle in(std::fopen(path.c_str(), "rb"));
        return in.get() && copyFrom(in.get(), n);
    }

private:
    std::FILE* f_;
    std::uint64_t pos_ = 0;
};

// A file written under a temporary name beside its target and renamed over
// it only when complete, so a failure never leaves a partial file nor
// destroys one that was there.
class AtomicTarget {
public:
    explicit AtomicTarget(std::string target) : target_(std::move(target)) {}
    ~AtomicTarget()
    {
        file_.reset();
        if (!tmp_.empty())
            ::unlink(tmp_.c_str());
        if (inPlace_ >= 0) {
            // Not committed: the empty file is left as it was found.
            const int emptied = ::ftruncate(inPlace_, 0);
            (void)emptied;
            ::close(inPlace_);
        }
    }
    // An empty regular file already at the target (the temporary file a
    // receive made for the entry) is written in place: there is nothing in it
    // to protect, and creating a second file and deleting the first would
    // cost more than a small entry itself. A failure empties it again.
    bool createOrFillEmpty()
    {
        struct stat before {}, opened {};
        if (::lstat(target_.c_str(), &before) != 0 || !S_ISREG(before.st_mode) || before.st_size != 0)
            return create();
        int fd = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return create();
        if (::fstat(fd, &opened) != 0 || opened.st_dev != before.st_dev || opened.st_ino != before.st_ino ||
            !S_ISREG(opened.st_mode) || opened.st_size != 0 || opened.st_nlink != 1) {
            ::close(fd);
            return create();
        }
        inPlace_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        std::FILE* f = inPlace_ >= 0 ? ::fdopen(fd, "wb") : nullptr;
        if (!f) {
            ::close(fd);
            return false;
        }
        file_ = std::make_unique<FileHandle>(f);
        return true;
    }
    bool create()
    {
        std::string::size_type slash = target_.rfind('/');
        std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
        std::string pattern = folder + (folder == "/" ? "" : "/") + ".CVXXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        int fd = ::mkstemp(name.data());
        if (fd < 0)
            return false;
        tmp_ = name.data();
        ::fchmod(fd, platform::AtomicFile::modeFor(platform::AtomicFile::Access::Shared));
        std::FILE* f = ::fdopen(fd, "wb");
        if (!f) {
            ::close(fd);
            return false;
        }
        file_ = std::make_unique<FileHandle>(f);
        return true;
    }
    const std::string& path() const { return tmp_; }
    std::FILE* get() const { return file_ ? file_->get() : nullptr; }
    void closeFile() { file_.reset(); }
    bool commit()
    {
        if (file_) {
            bool flushed = std::fflush(file_->get()) == 0;
            bool closed = file_->close();
            file_.reset();
            if (!closed || !flushed)
                return false;
        }
        if (inPlace_ >= 0) {
            ::close(inPlace_);
            inPlace_ = -1;
            return true;
        }
        if (::rename(tmp_.c_str(), target_.c_str()) != 0)
            return false;
        tmp_.clear();
        return true;
    }

private:
    std::string target_;
    std::string tmp_;
    std::unique_ptr<FileHandle> file_;
    int inPlace_ = -1;  // a second descriptor of the target written in place
};

std::uint32_t drawSeed()
{
    // A real random source rather than the C runtime's time-seeded generator.
    std::random_device device;
    return static_cast<std::uint32_t>(device());
}

} // namespace

bool GuidePostArchive::IsSafeEntryName(const std::string& name)
{
    return platform::SafeName::isComponent(name);
}

int GuidePostArchive::LastError()
{
    return lastError;
}

bool GuidePostArchive::IsArchive(const std::string& path)
{
    FileHandle f(std::fopen(path.c_str(), "rb"));
    char head[4];
    return f.get() && std::fread(head, 1, 4, f.get()) == 4 && std::memcmp(head, magic, 4) == 0;
}

bool GuidePostArchive::Write(const std::string& path, CAMData& model, bool encipher,
                             const unsigned char* cipherCode, std::size_t cipherCodeLength)
{
    lastError = CAMException::SaveFailed;
    if (!model.local)
        return false;
    if (encipher && (!cipherCode || cipherCodeLength == 0))
        return false;
    if (model.tasks.empty() || model.tasks.size() > maxTasks) {
        if (model.tasks.empty())
            lastError = CAMException::NoTask;
        return false;
    }
    // Refuse here what no reader would accept, rather than write it.
    std::uint32_t total = 0;
    std::vector<std::string> names;
    for (const auto& task : model.tasks) {
        if (task->attachments.size() > maxAttachments)
            return false;
        for (const auto& attach : task->attachments) {
            std::string cp932;
            if (!IsSafeEntryName(attach->name) || !platform::Cp932Codec::tryFromUtf8(attach->name, cp932) ||
                cp932.size() >= maxNameLength)
                return false;
            names.push_back(std::move(cp932));
            ++total;
        }
    }

    model.archived = true;
    model.encrypt = encipher;
    model.attachmentTotal = static_cast<int>(total);

    platform::TempFile document;
    if (!document.create())
        return false;
    try {
        model.Save(document.path());
    } catch (const CAMException& e) {
        lastError = e.code();
        return false;
    }
    std::uint64_t documentLength = 0;
    if (!sizeOfPath(document.path(), documentLength) || documentLength > maxOffset)
        return false;

    CBlowfish cipher;
    if (encipher)
        cipher.SetKey(cipherCode, cipherCodeLength);

    AtomicTarget target(path);
    if (!target.create())
        return false;
    Writer out(target.get());
    std::uint32_t chain = drawSeed();
    if (!out.write(magic, 4) || !out.u32(formatVersion) || !out.u32(0) || !out.u32(chain) || !out.stamp(chain))
        return false;
    if (!out.u32(static_cast<std::uint32_t>(model.tasks.size())))
        return false;
    for (const auto& task : model.tasks)
        if (!out.u32(static_cast<std::uint32_t>(task->attachments.size())))
            return false;
    if (!out.u32(total))
        return false;
    std::uint64_t directoryPosition = out.position();
    for (std::uint32_t i = 0; i < total; ++i)
        if (!out.u32(0) || !out.u32(0))
            return false;
    if (!out.stamp(chain) || !out.u32(static_cast<std::uint32_t>(documentLength)) ||
        !out.copyFile(document.path(), documentLength))
        return false;
    document.remove();

    std::vector<std::pair<std::uint32_t, std::uint32_t>> directory;
    directory.reserve(total);
    std::unique_ptr<Reader> previous;  // the archive the model came from
    std::size_t n = 0;
    for (const auto& task : model.tasks) {
        for (const auto& attach : task->attachments) {
            const std::string& name = names[n++];
            if (!out.stamp(chain) || !out.u32(static_cast<std::uint32_t>(name.size())) ||
                !out.write(name.data(), name.size()))
                return false;
            auto bodyOffset = static_cast<std::uint32_t>(out.position());
            if (attach->fromArchive) {
                // Copied unchanged from the earlier archive, with fresh stamps.
                if (!previous) {
                    previous = std::make_unique<Reader>();
                    if (model.sourceArchivePath.empty() || !previous->open(model.sourceArchivePath))
                        return false;
                }
                bool compressed = false, enciphered = false;
                std::uint32_t compressedSize = 0, stored = 0, oldStamp = 0;
                if (!previous->seek(attach->indexRecord.offset) || !previous->flag(compressed) ||
                    !previous->u32(compressedSize) || !previous->flag(enciphered) || !previous->u32(stored) ||
                    !previous->u32(oldStamp) || stored > previous->remaining())
                    return false;
                if (!out.u8(compressed) || !out.u32(compressedSize) || !out.u8(enciphered) || !out.u32(stored) ||
                    !out.stamp(chain))
                    return false;
                std::uint64_t copied = 0;
                unsigned char buffer[copyBufferSize];
                while (copied < stored) {
                    std::size_t chunk = std::min<std::uint64_t>(copyBufferSize, stored - copied);
                    if (!previous->read(buffer, chunk) || !out.write(buffer, chunk))
                        return false;
                    copied += chunk;
                }
                directory.emplace_back(bodyOffset, bodyHeaderLength + stored);
                continue;
            }
            if (attach->sourcePath.empty())
                return false;
            platform::TempFile compressed;
            if (!compressed.create() || compfile(compressed.path().c_str(), attach->sourcePath.c_str()) == 0)
                return false;
            std::uint64_t compressedSize = 0;
            if (!sizeOfPath(compressed.path(), compressedSize) || compressedSize > maxOffset)
                return false;
            platform::TempFile enciphered;
            const platform::TempFile* data = &compressed;
            if (encipher) {
                std::uint64_t plain = 0;
                if (!enciphered.create() ||
                    !cipher.TryEncipherFile(compressed.path(), enciphered.path(), plain) ||
                    plain != compressedSize)
                    return false;
                compressed.remove();
                data = &enciphered;
            }
            std::uint64_t stored = 0;
            if (!sizeOfPath(data->path(), stored) || stored > maxOffset)
                return false;
            if (!out.u8(1) || !out.u32(static_cast<std::uint32_t>(compressedSize)) || !out.u8(encipher ? 1 : 0) ||
                !out.u32(static_cast<std::uint32_t>(stored)) || !out.stamp(chain) || !out.copyFile(data->path(), stored))
                return false;
            directory.emplace_back(bodyOffset, static_cast<std::uint32_t>(bodyHeaderLength + stored));
        }
    }
    if (!out.stamp(chain) || !out.seek(directoryPosition))
        return false;
    for (const auto& [offset, length] : directory)
        if (!out.u32(offset) || !out.u32(length))
            return false;
    if (!target.commit())
        return false;
    lastError = 0;
    return true;
}

bool GuidePostArchive::ReadIndex(const std::string& path, ArchiveIndex& index)
{
    index = ArchiveIndex{};
    lastError = CAMException::BadArchive;
    Reader in;
    if (!in.open(path))
        return false;

    char head[4];
    std::uint32_t version = 0, reserved = 0, chain = 0;
    if (!in.read(head, 4) || std::memcmp(head, magic, 4) != 0 || !in.u32(version) || version != formatVersion ||
        !in.u32(reserved) || !in.u32(chain) || !in.stamp(chain))
        return false;

    std::uint32_t taskCount = 0;
    if (!in.u32(taskCount) || taskCount < 1 || taskCount > maxTasks)
        return false;
    std::vector<std::uint32_t> counts(taskCount);
    std::uint32_t sum = 0;
    for (auto& count : counts) {
        if (!in.u32(count) || count > maxAttachments)
            return false;
        sum += count;
    }
    std::uint32_t total = 0;
    if (!in.u32(total) || total != sum || std::uint64_t(total) * 8 > in.remaining())
        return false;
    std::vector<ArchiveIndexRecord> records(total);
    for (auto& record : records)
        if (!in.u32(record.offset) || !in.u32(record.length))
            return false;

    std::uint32_t documentLength = 0;
    if (!in.stamp(chain) || !in.u32(documentLength) || documentLength > in.remaining())
        return false;
    platform::TempFile document;
    if (!document.create())
        return false;
    {
        FileHandle out(std::fopen(document.path().c_str(), "wb"));
        if (!out.get() || !in.copyTo(out.get(), documentLength) || !out.close())
            return false;
    }

    std::map<std::string, ArchiveIndexRecord> byName;
    std::string name;
    for (auto& record : records) {
        std::uint32_t nameLength = 0;
        if (!in.stamp(chain) || !in.u32(nameLength) || nameLength >= maxNameLength || nameLength > in.remaining())
            return false;
        name.resize(nameLength);
        if (!in.read(name.data(), nameLength) || !platform::Cp932Codec::tryToUtf8(name, record.name))
            return false;
        // The directory must point where the entry really lies: extraction
        // trusts it.
        if (record.offset != in.position())
            return false;
        if (!in.flag(record.compressed) || !in.u32(record.compressedSize) || !in.flag(record.enciphered) ||
            !in.u32(record.storedLength) || !in.stamp(chain))
            return false;
        if (record.length != bodyHeaderLength + std::uint64_t(record.storedLength) ||
            (record.enciphered && record.compressedSize > record.storedLength) || !in.skip(record.storedLength))
            return false;
        byName[record.name] = record;  // the last of equal names wins
    }
    if (!in.stamp(chain))
        return false;

    index.attachmentCounts = std::move(counts);
    index.total = total;
    index.records = std::move(records);
    index.byName = std::move(byName);
    index.documentPath = document.release();
    lastError = 0;
    return true;
}

bool GuidePostArchive::ExtractEntry(const std::string& archivePath, const std::string& destination,
                                    const ArchiveIndexRecord& record, const unsigned char* cipherCode,
                                    std::size_t cipherCodeLength)
{
    lastError = CAMException::BadArchive;
    Reader in;
    bool compressed = false, enciphered = false;
    std::uint32_t compressedSize = 0, stored = 0, stamp = 0;
    if (!in.open(archivePath) || !in.seek(record.offset) || !in.flag(compressed) || !in.u32(compressedSize) ||
        !in.flag(enciphered) || !in.u32(stored) || !in.u32(stamp) || stored > in.remaining() ||
        record.length != bodyHeaderLength + std::uint64_t(stored))
        return false;
    bool decipher = enciphered && cipherCode && cipherCodeLength > 0;
    if (enciphered && !decipher && !compressed) {
        // Nothing could turn the data back into the file.
        lastError = CAMException::CipherCodeNeeded;
        return false;
    }

    AtomicTarget target(destination);
    if (!target.createOrFillEmpty())
        return false;
    if (!compressed && !enciphered) {
        if (!in.copyTo(target.get(), stored))
            return false;
        return target.commit() ? (lastError = 0, true) : false;
    }

    // The stored bytes go from the archive through the decipherer and the
    // decompressor straight into the destination, one fixed buffer at a time.
    // Deciphered data is cut back to the compressed size; a cipher text is
    // whole blocks, so a ragged one was cut short.
    CBlowfish cipher;
    std::uint64_t wanted = stored;
    if (decipher) {
        if (compressedSize > stored || stored % 8 != 0 || (compressedSize == 0 && stored != 0))
            return false;
        cipher.SetKey(cipherCode, cipherCodeLength);
        wanted = compressedSize;
    }
    std::FILE* out = target.get();
    platform::GzipInflater inflater([out](const unsigned char* data, std::size_t length) {
        return std::fwrite(data, 1, length, out) == length;
    });
    static_assert(copyBufferSize % 8 == 0, "whole cipher blocks per buffer");
    unsigned char buffer[copyBufferSize];
    std::uint64_t taken = 0, passed = 0;
    while (passed < wanted) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(copyBufferSize, stored - taken));
        if (!in.read(buffer, chunk))
            return false;
        taken += chunk;
        if (decipher)
            cipher.Decipher(buffer, buffer, chunk);
        const std::size_t keep = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, wanted - passed));
        passed += keep;
        if (compressed ? !inflater.feed(buffer, keep) : std::fwrite(buffer, 1, keep, out) != keep)
            return false;
    }
    if (compressed && !inflater.finish())
        return false;
    if (!target.commit())
        return false;
    lastError = 0;
    return true;
}

bool GuidePostArchive::Load(const std::string& archivePath, const std::string& folder, CAMData& model)
{
    ArchiveIndex index;
    if (!ReadIndex(archivePath, index))
        return false;
    struct Unlink {
        std::string path;
        ~Unlink() { ::unlink(path.c_str()); }
    } removeDocument{index.documentPath};

    for (const auto& record : index.records) {
        if (!IsSafeEntryName(record.name)) {
            lastError = CAMException::BadArchive;
            return false;
        }
    }
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base.size() > 1 && base.back() == '/')
        base.pop_back();
    std::error_code ignored;
    std::filesystem::create_directories(base, ignored);
    for (const auto& record : index.records) {
        if (!ExtractEntry(archivePath, base + "/" + record.name, record, nullptr, 0))
            return false;
    }

    model.Clear();
    model.attachmentIndex = index.byName;
    try {
        if (!model.Load(index.documentPath)) {
            lastError = CAMException::InvalidGuidePost;
            return false;
        }
    } catch (const CAMException& e) {
        lastError = e.code();
        return false;
    }
    model.attachmentIndex = index.byName;
    model.sourceArchivePath = archivePath;
    for (auto& task : model.tasks)
        for (auto& attach : task->attachments)
            attach->sourcePath = base + "/" + attach->name;
    lastError = 0;
    return true;
}
