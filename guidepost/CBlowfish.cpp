#include "CBlowfish.h"

#include <nettle/blowfish.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr std::size_t minimumFileBuffer = 256;

// The archive's halves are little-endian, nettle's big-endian: reverse the
// bytes of every 4-byte half (the length is whole blocks).
void turnHalves(const unsigned char* in, unsigned char* out, std::size_t length)
{
    for (std::size_t i = 0; i < length; i += 4) {
        std::uint32_t v;
        std::memcpy(&v, in + i, 4);
        v = __builtin_bswap32(v);
        std::memcpy(out + i, &v, 4);
    }
}

void putBigEndian(unsigned char* out, std::uint32_t v)
{
    out[0] = static_cast<unsigned char>(v >> 24);
    out[1] = static_cast<unsigned char>(v >> 16);
    out[2] = static_cast<unsigned char>(v >> 8);
    out[3] = static_cast<unsigned char>(v);
}

std::uint32_t getBigEndian(const unsigned char* in)
{
    return std::uint32_t(in[0]) << 24 | std::uint32_t(in[1]) << 16 | std::uint32_t(in[2]) << 8 | in[3];
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Reads until the buffer is full or the file ends, so a short count means
// the end of the file (or an error, told apart by ferror).
std::size_t readChunk(std::FILE* f, unsigned char* buffer, std::size_t size)
{
    return std::fread(buffer, 1, size, f);
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The target of a file operation: created on open, removed again unless the
// operation completed, so a failure never leaves a half-written file.
class TargetFile {
public:
    explicit TargetFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {}
    ~TargetFile()
    {
        if (file_ && !kept_) {
            file_.reset();
            std::remove(path_.c_str());
        }
    }
    std::FILE* get() const { return file_.get(); }
    bool write(const unsigned char* data, std::size_t length)
    {
        return length == 0 || std::fwrite(data, 1, length, file_.get()) == length;
    }
    bool close()
    {
        std::FILE* f = file_.release();
        if (std::fclose(f) != 0) {
            std::remove(path_.c_str());
            return false;
        }
        kept_ = true;
        return true;
    }

private:
    std::string path_;
    FileHandle file_;
    bool kept_ = false;
};

} // namespace

CBlowfish::CBlowfish() : context_(std::make_unique<blowfish_ctx>())
{
    SetKey(nullptr, 0);
}

CBlowfish::~CBlowfish() = default;

void CBlowfish::SetKey(const unsigned char* key, std::size_t length)
{
    static const unsigned char zero = 0;
    if (!key || length == 0) {
        key = &zero;
        length = 1;
    }
    // nettle answers 0 for a key that makes a weak S-box, but sets it up all
    // the same; the archive format takes every code as it is.
    blowfish_set_key(context_.get(), length, key);
}

std::size_t CBlowfish::Encipher(const unsigned char* in, unsigned char* out, std::size_t length) const
{
    const std::size_t whole = length / 8 * 8;
    turnHalves(in, out, whole);
    blowfish_encrypt(context_.get(), whole, out, out);
    turnHalves(out, out, whole);
    const std::size_t tail = length % 8;
    if (tail == 0)
        return length;
    unsigned char last[8] = {};
    std::memcpy(last, in + whole, tail);
    turnHalves(last, last, 8);
    blowfish_encrypt(context_.get(), 8, last, last);
    turnHalves(last, out + whole, 8);
    return whole + 8;
}

void CBlowfish::Decipher(const unsigned char* in, unsigned char* out, std::size_t length) const
{
    const std::size_t whole = length / 8 * 8;
    turnHalves(in, out, whole);
    blowfish_decrypt(context_.get(), whole, out, out);
    turnHalves(out, out, whole);
}

void CBlowfish::EncipherBlock(std::uint32_t& left, std::uint32_t& right) const
{
    unsigned char block[8];
    putBigEndian(block, left);
    putBigEndian(block + 4, right);
    blowfish_encrypt(context_.get(), 8, block, block);
    left = getBigEndian(block);
    right = getBigEndian(block + 4);
}

void CBlowfish::DecipherBlock(std::uint32_t& left, std::uint32_t& right) const
{
    unsigned char block[8];
    putBigEndian(block, left);
    putBigEndian(block + 4, right);
    blowfish_decrypt(context_.get(), 8, block, block);
    left = getBigEndian(block);
    right = getBigEndian(block + 4);
}

bool CBlowfish::TryEncipherFile(const std::string& source, const std::string& target, std::uint64_t& plainBytes,
                                std::size_t bufferSize) const
{
    plainBytes = 0;
    if (bufferSize < minimumFileBuffer || sameFile(source, target))
        return false;
    // Whole blocks per chunk, so the cipher file is the same whatever the
    // buffer size and only the very end carries padding.
    const std::size_t chunk = bufferSize & ~std::size_t(7);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[chunk]);
    if (!buffer)
        return false;

    FileHandle in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return false;
    TargetFile out(target);
    if (!out.get())
        return false;

    std::uint64_t total = 0;
    for (;;) {
        const std::size_t got = readChunk(in.get(), buffer.get(), chunk);
        if (got < chunk && std::ferror(in.get()))
            return false;
        if (got > 0) {
            const std::size_t padded = Encipher(buffer.get(), buffer.get(), got);
            if (!out.write(buffer.get(), padded))
                return false;
            total += got;
        }
        if (got < chunk)
            break;
    }
    if (!out.close())
        return false;
    plainBytes = total;
    return true;
}

bool CBlowfish::TryDecipherFile(const std::string& source, const std::string& target, std::uint64_t plainLength,
                                std::uint64_t& writtenBytes, std::size_t bufferSize) const
{
    writtenBytes = 0;
    if (bufferSize < minimumFileBuffer || sameFile(source, target))
        return false;
    const std::size_t chunk = bufferSize & ~std::size_t(7);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[chunk]);
    if (!buffer)
        return false;

    FileHandle in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return false;
    TargetFile out(target);
    if (!out.get())
        return false;

    std::uint64_t total = 0;
    for (;;) {
        const std::size_t got = readChunk(in.get(), buffer.get(), chunk);
        if (got < chunk && std::ferror(in.get()))
            return false;
        // A cipher file is whole blocks; a ragged end means it was cut short.
        if (got % 8 != 0)
            return false;
        Decipher(buffer.get(), buffer.get(), got);
        std::size_t keep = got;
        if (plainLength != 0)
            keep = static_cast<std::size_t>(std::min<std::uint64_t>(got, plainLength - total));
        if (!out.write(buffer.get(), keep))
            return false;
        total += keep;
        if (got < chunk || (plainLength != 0 && total == plainLength))
            break;
    }
    // Fewer bytes than the plain length promised: the cipher file is truncated.
    if (plainLength != 0 && total != plainLength)
        return false;
    if (!out.close())
        return false;
    writtenBytes = total;
    return true;
}

std::uint64_t CBlowfish::EncipherFile(const std::string& source, const std::string& target,
                                      std::size_t bufferSize) const
{
    std::uint64_t plainBytes = 0;
    return TryEncipherFile(source, target, plainBytes, bufferSize) ? plainBytes : 0;
}

std::uint64_t CBlowfish::DecipherFile(const std::string& source, const std::string& target,
                                      std::uint64_t plainLength, std::size_t bufferSize) const
{
    std::uint64_t written = 0;
    return TryDecipherFile(source, target, plainLength, written, bufferSize) ? written : 0;
}
