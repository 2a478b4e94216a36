#pragma once
// The MD5 message digest (RFC 1321), which a certificate compares against
// the GuidePost file as received. The digest itself is nettle's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nettle/md5.h>

namespace platform {

class Md5 {
public:
    Md5();
    void update(const void* data, std::size_t size);
    void update(std::string_view data) { update(data.data(), data.size()); }
    // The digest of everything given so far; the object then starts afresh.
    std::array<std::uint8_t, 16> digest();
    // 32 lower-case hexadecimal digits.
    std::string hexDigest();

    static std::string ofText(std::string_view data);
    // The digest of a file read in blocks of 1024 bytes; false when it
    // cannot be read.
    static bool ofFile(const std::string& path, std::string& hex);

private:
    md5_ctx context_;
};

} // namespace platform
