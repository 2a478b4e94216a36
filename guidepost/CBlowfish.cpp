#include "CBlowfish.h"

#include "BlowfishPiTable.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr std::size_t minimumFileBuffer = 256;

#if defined(__GNUC__)
#define CV_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define CV_ALWAYS_INLINE inline
#endif

CV_ALWAYS_INLINE std::uint32_t loadLittle(const unsigned char* in)
{
    std::uint32_t v;
    std::memcpy(&v, in, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

CV_ALWAYS_INLINE void storeLittle(unsigned char* out, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    std::memcpy(out, &v, 4);
}

// The Feistel function over the four S-boxes, laid out one after another.
CV_ALWAYS_INLINE std::uint32_t feistel(const std::uint32_t* s, std::uint32_t x)
{
    return ((s[x >> 24] + s[256 + ((x >> 16) & 0xFF)]) ^ s[512 + ((x >> 8) & 0xFF)]) + s[768 + (x & 0xFF)];
}

// Sixteen rounds unrolled, without swapping the halves between rounds.
CV_ALWAYS_INLINE void encipherHalves(const std::uint32_t* p, const std::uint32_t* s, std::uint32_t& left,
                                     std::uint32_t& right)
{
    std::uint32_t l = left ^ p[0];
    std::uint32_t r = right;
    r ^= feistel(s, l) ^ p[1];
    l ^= feistel(s, r) ^ p[2];
    r ^= feistel(s, l) ^ p[3];
    l ^= feistel(s, r) ^ p[4];
    r ^= feistel(s, l) ^ p[5];
    l ^= feistel(s, r) ^ p[6];
    r ^= feistel(s, l) ^ p[7];
    l ^= feistel(s, r) ^ p[8];
    r ^= feistel(s, l) ^ p[9];
    l ^= feistel(s, r) ^ p[10];
    r ^= feistel(s, l) ^ p[11];
    l ^= feistel(s, r) ^ p[12];
    r ^= feistel(s, l) ^ p[13];
    l ^= feistel(s, r) ^ p[14];
    r ^= feistel(s, l) ^ p[15];
    l ^= feistel(s, r) ^ p[16];
    left = r ^ p[17];
    right = l;
}

CV_ALWAYS_INLINE void decipherHalves(const std::uint32_t* p, const std::uint32_t* s, std::uint32_t& left,
                                     std::uint32_t& right)
{
    std::uint32_t l = left ^ p[17];
    std::uint32_t r = right;
    r ^= feistel(s, l) ^ p[16];
    l ^= feistel(s, r) ^ p[15];
    r ^= feistel(s, l) ^ p[14];
    l ^= feistel(s, r) ^ p[13];
    r ^= feistel(s, l) ^ p[12];
    l ^= feistel(s, r) ^ p[11];
    r ^= feistel(s, l) ^ p[10];
    l ^= feistel(s, r) ^ p[9];
    r ^= feistel(s, l) ^ p[8];
    l ^= feistel(s, r) ^ p[7];
    r ^= feistel(s, l) ^ p[6];
    l ^= feistel(s, r) ^ p[5];
    r ^= feistel(s, l) ^ p[4];
    l ^= feistel(s, r) ^ p[3];
    r ^= feistel(s, l) ^ p[2];
    l ^= feistel(s, r) ^ p[1];
    left = r ^ p[0];
    right = l;
}

CV_ALWAYS_INLINE void encipherBlocks(const std::uint32_t* p, const std::uint32_t* s, const unsigned char* in,
                                     unsigned char* out, std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, in += 8, out += 8) {
        std::uint32_t l = loadLittle(in);
        std::uint32_t r = loadLittle(in + 4);
        encipherHalves(p, s, l, r);
        storeLittle(out, l);
        storeLittle(out + 4, r);
    }
}

CV_ALWAYS_INLINE void decipherBlocks(const std::uint32_t* p, const std::uint32_t* s, const unsigned char* in,
                                     unsigned char* out, std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, in += 8, out += 8) {
        std::uint32_t l = loadLittle(in);
        std::uint32_t r = loadLittle(in + 4);
        decipherHalves(p, s, l, r);
        storeLittle(out, l);
        storeLittle(out + 4, r);
    }
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

CBlowfish::CBlowfish() : p_(new std::uint32_t[18]), s_(new std::uint32_t[4 * 256])
{
    std::copy(std::begin(blowfish_pi::initialP), std::end(blowfish_pi::initialP), p_);
    std::copy(std::begin(blowfish_pi::initialS), std::end(blowfish_pi::initialS), s_);
}

CBlowfish::~CBlowfish()
{
    delete[] p_;
    delete[] s_;
}

void CBlowfish::SetKey(const unsigned char* key, std::size_t length)
{
    std::copy(std::begin(blowfish_pi::initialP), std::end(blowfish_pi::initialP), p_);
    std::copy(std::begin(blowfish_pi::initialS), std::end(blowfish_pi::initialS), s_);

    // An empty key leaves the initial tables unmixed rather than dividing by
    // zero; callers always pass at least one byte.
    if (key && length > 0) {
        std::size_t k = 0;
        for (int i = 0; i < 18; ++i) {
            std::uint32_t word = 0;
            for (int j = 0; j < 4; ++j) {
                word = (word << 8) | key[k];
                k = (k + 1) % length;
            }
            p_[i] ^= word;
        }
    }

    std::uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        encipherHalves(p_, s_, l, r);
        p_[i] = l;
        p_[i + 1] = r;
    }
    for (int i = 0; i < 4 * 256; i += 2) {
        encipherHalves(p_, s_, l, r);
        s_[i] = l;
        s_[i + 1] = r;
    }
}

std::size_t CBlowfish::Encipher(const unsigned char* in, unsigned char* out, std::size_t length) const
{
    const std::size_t whole = length / 8;
    encipherBlocks(p_, s_, in, out, whole);
    const std::size_t tail = length % 8;
    if (tail == 0)
        return length;
    unsigned char last[8] = {};
    std::memcpy(last, in + whole * 8, tail);
    encipherBlocks(p_, s_, last, out + whole * 8, 1);
    return (whole + 1) * 8;
}

void CBlowfish::Decipher(const unsigned char* in, unsigned char* out, std::size_t length) const
{
    decipherBlocks(p_, s_, in, out, length / 8);
}

void CBlowfish::EncipherBlock(std::uint32_t& left, std::uint32_t& right) const
{
    encipherHalves(p_, s_, left, right);
}

void CBlowfish::DecipherBlock(std::uint32_t& left, std::uint32_t& right) const
{
    decipherHalves(p_, s_, left, right);
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
