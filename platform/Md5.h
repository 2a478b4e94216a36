#pragma once
// The MD5 message digest (RFC 1321), which a certificate compares against
// the GuidePost file as received.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class Md5 {
public:
    Md5();
    void update(const void* data, std::size_t size);
    void update(std::string_view data) { update(data.data(), data.size()); }
    std::array<std::uint8_t, 16> digest();
    // 32 lower-case hexadecimal digits.
    std::string hexDigest();

    static std::string ofText(std::string_view data);
    // The digest of a file read in blocks of 1024 bytes; false when it
    // cannot be read.
    static bool ofFile(const std::string& path, std::string& hex);

private:
    void block(const std::uint8_t* p);

    std::uint32_t state_[4];
    std::uint64_t length_ = 0;
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
};

} // namespace platform
