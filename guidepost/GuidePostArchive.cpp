#include "guidepost/GuidePostArchive.h"

#include "guidepost/ArchiveEntryReader.h"
#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/CBlowfish.h"
#include "platform/Compression.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"
#include "platform/TempFile.h"
#include "platform/WriteAll.h"

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

bool pwriteAll(int fd, const unsigned char* data, std::size_t n, std::uint64_t offset)
{
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, data, n, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        n -= static_cast<std::size_t>(done);
        offset += static_cast<std::uint64_t>(done);
    }
    return true;
}

void putU32(unsigned char* out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Writes the archive through a buffer of its own. Fields known only once
// what follows them is written (an entry's sizes, the directory) are
// patched in place afterwards.
class Writer {
public:
    static constexpr std::size_t bufferSize = 65536;

    explicit Writer(int fd) : fd_(fd), buffer_(new unsigned char[bufferSize]) {}
    std::uint64_t position() const { return pos_; }
    bool write(const void* data, std::size_t n)
    {
        pos_ += n;
        if (failed_ || pos_ > maxOffset)  // offsets and stamps are 32-bit
            return fail();
        const auto* bytes = static_cast<const unsigned char*>(data);
        if (used_ + n > bufferSize) {
            if (!flush())
                return false;
            if (n >= bufferSize)
                return platform::writeAll(fd_, bytes, n) || fail();
        }
        std::memcpy(buffer_.get() + used_, bytes, n);
        used_ += n;
        return true;
    }
    bool u32(std::uint32_t v)
    {
        unsigned char b[4];
        putU32(b, v);
        return write(b, 4);
    }
    bool u8(std::uint8_t v) { return write(&v, 1); }
    bool stamp(std::uint32_t& chain)
    {
        chain += static_cast<std::uint32_t>(pos_);
        return u32(chain);
    }
    bool patch(std::uint64_t offset, const unsigned char* data, std::size_t n)
    {
        const std::uint64_t buffered = pos_ - used_;
        if (offset >= buffered) {
            std::memcpy(buffer_.get() + (offset - buffered), data, n);
            return !failed_;
        }
        if (offset + n > buffered && !flush())
            return false;
        return pwriteAll(fd_, data, n, offset) || fail();
    }
    bool flush()
    {
        if (used_ > 0 && !platform::writeAll(fd_, buffer_.get(), used_))
            return fail();
        used_ = 0;
        return !failed_;
    }

private:
    bool fail()
    {
        failed_ = true;
        return false;
    }

    int fd_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t pos_ = 0;
    bool failed_ = false;
};

// Where the deflater's output goes while an attachment is written: straight
// into the archive, or enciphered on the way, whole cipher blocks at once
// and the last one zero-padded.
class EntryData {
public:
    EntryData(Writer& out, const CBlowfish* cipher) : out_(out), cipher_(cipher) {}

    bool put(const unsigned char* data, std::size_t n)
    {
        if (!cipher_)
            return out_.write(data, n);
        while (n > 0) {
            if (carried_ > 0 || n < 8) {
                const std::size_t k = std::min(8 - carried_, n);
                std::memcpy(carry_ + carried_, data, k);
                carried_ += k;
                data += k;
                n -= k;
                if (carried_ == 8 && !flushCarry())
                    return false;
                continue;
            }
            const std::size_t k = std::min(n & ~std::size_t(7), sizeof work_);
            cipher_->Encipher(data, work_, k);
            if (!out_.write(work_, k))
                return false;
            data += k;
            n -= k;
        }
        return true;
    }
    bool end() { return carried_ == 0 || flushCarry(); }

private:
    bool flushCarry()
    {
        const std::size_t padded = cipher_->Encipher(carry_, carry_, carried_);
        carried_ = 0;
        return out_.write(carry_, padded);
    }

    Writer& out_;
    const CBlowfish* cipher_;
    unsigned char carry_[8] = {};
    std::size_t carried_ = 0;
    unsigned char work_[copyBufferSize];
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

    std::string document;
    try {
        document = model.SaveMemory();
    } catch (const CAMException& e) {
        lastError = e.code();
        return false;
    }
    if (document.size() > maxOffset)
        return false;

    CBlowfish cipher;
    if (encipher)
        cipher.SetKey(cipherCode, cipherCodeLength);

    AtomicTarget target(path);
    if (!target.create())
        return false;
    Writer out(::fileno(target.get()));
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
    const std::uint64_t directoryPosition = out.position();
    for (std::uint32_t i = 0; i < total; ++i)
        if (!out.u32(0) || !out.u32(0))
            return false;
    if (!out.stamp(chain) || !out.u32(static_cast<std::uint32_t>(document.size())) ||
        !out.write(document.data(), document.size()))
        return false;

    // Each attachment goes from its file through the deflater (and the
    // cipher) straight into the archive: no temporary copy.
    auto entry = std::make_unique<EntryData>(out, encipher ? &cipher : nullptr);
    platform::GzipDeflater deflater(
        [&entry](const unsigned char* data, std::size_t n) { return entry->put(data, n); });
    auto buffer = std::make_unique<unsigned char[]>(copyBufferSize);

    std::vector<unsigned char> directory(8 * std::size_t(total));
    std::unique_ptr<Reader> previous;  // the archive the model came from
    std::size_t n = 0;
    for (const auto& task : model.tasks) {
        for (const auto& attach : task->attachments) {
            const std::string& name = names[n];
            if (!out.stamp(chain) || !out.u32(static_cast<std::uint32_t>(name.size())) ||
                !out.write(name.data(), name.size()))
                return false;
            const auto bodyOffset = static_cast<std::uint32_t>(out.position());
            std::uint32_t bodyLength = 0;
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
                for (std::uint64_t copied = 0; copied < stored;) {
                    const std::size_t chunk = std::min<std::uint64_t>(copyBufferSize, stored - copied);
                    if (!previous->read(buffer.get(), chunk) || !out.write(buffer.get(), chunk))
                        return false;
                    copied += chunk;
                }
                bodyLength = bodyHeaderLength + stored;
            } else {
                if (attach->sourcePath.empty())
                    return false;
                FileHandle in(std::fopen(attach->sourcePath.c_str(), "rb"));
                if (!in.get())
                    return false;
                // The sizes are known at the end; the stamp after them
                // depends only on where it stands.
                if (!out.u8(1) || !out.u32(0) || !out.u8(encipher ? 1 : 0) || !out.u32(0) || !out.stamp(chain))
                    return false;
                const std::uint64_t dataStart = out.position();
                for (;;) {
                    const std::size_t got = std::fread(buffer.get(), 1, copyBufferSize, in.get());
                    if (std::ferror(in.get()) || (got > 0 && !deflater.feed(buffer.get(), got)))
                        return false;
                    if (got < copyBufferSize)
                        break;
                }
                if (!deflater.finish() || !entry->end())
                    return false;
                const std::uint64_t compressedSize = deflater.produced();
                const std::uint64_t stored = out.position() - dataStart;
                if (compressedSize > maxOffset || stored > maxOffset)
                    return false;
                unsigned char sizes[9];
                putU32(sizes, static_cast<std::uint32_t>(compressedSize));
                sizes[4] = encipher ? 1 : 0;
                putU32(sizes + 5, static_cast<std::uint32_t>(stored));
                if (!out.patch(bodyOffset + 1, sizes, sizeof sizes))
                    return false;
                bodyLength = static_cast<std::uint32_t>(bodyHeaderLength + stored);
            }
            putU32(&directory[8 * n], bodyOffset);
            putU32(&directory[8 * n + 4], bodyLength);
            ++n;
        }
    }
    if (!out.stamp(chain) || (total > 0 && !out.patch(directoryPosition, directory.data(), directory.size())) ||
        !out.flush())
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

namespace {

// One entry into destination (written under a temporary name beside it, or
// into the empty file already there), with lastError set.
bool extractTo(const ArchiveEntryReader& reader, const std::string& destination, const ArchiveIndexRecord& record,
               const unsigned char* cipherCode, std::size_t cipherCodeLength)
{
    lastError = CAMException::BadArchive;
    AtomicTarget target(destination);
    if (!target.createOrFillEmpty())
        return false;
    std::FILE* out = target.get();
    const auto result = reader.Extract(record, cipherCode, cipherCodeLength,
                                       [out](const unsigned char* data, std::size_t length) {
                                           return std::fwrite(data, 1, length, out) == length;
                                       });
    if (result == ArchiveEntryReader::Result::CodeNeeded)
        lastError = CAMException::CipherCodeNeeded;
    if (result != ArchiveEntryReader::Result::Extracted || !target.commit())
        return false;
    lastError = 0;
    return true;
}

} // namespace

bool GuidePostArchive::ExtractEntry(const std::string& archivePath, const std::string& destination,
                                    const ArchiveIndexRecord& record, const unsigned char* cipherCode,
                                    std::size_t cipherCodeLength)
{
    lastError = CAMException::BadArchive;
    ArchiveEntryReader reader;
    return reader.Open(archivePath) && extractTo(reader, destination, record, cipherCode, cipherCodeLength);
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
    ArchiveEntryReader reader;
    if (!reader.Open(archivePath)) {
        lastError = CAMException::BadArchive;
        return false;
    }
    for (const auto& record : index.records) {
        if (!extractTo(reader, base + "/" + record.name, record, nullptr, 0))
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
