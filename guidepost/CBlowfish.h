#pragma once
// Blowfish in electronic code book mode, with each 8-byte block read as two
// little-endian 32-bit halves (left half = bytes 0 to 3). Used for enciphered
// archive entries and for the account store. The cipher is nettle's, which
// reads the halves big-endian, so every half is turned around on the way in
// and out.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct blowfish_ctx;

class CBlowfish {
public:
    // Buffer size the library uses for files.
    static constexpr std::size_t fileBufferSize = 32768;

    CBlowfish();
    ~CBlowfish();
    CBlowfish(const CBlowfish&) = delete;
    CBlowfish& operator=(const CBlowfish&) = delete;

    // Key of 1 to 56 bytes (longer keys use their first 72 bytes cyclically,
    // as the standard key schedule does; an empty key is the key of one zero
    // byte, which leaves the initial tables unmixed).
    void SetKey(const unsigned char* key, std::size_t length);

    // Enciphers length bytes, zero-padding the last block; out must have room
    // for the padded length, which is returned. in == out is allowed.
    std::size_t Encipher(const unsigned char* in, unsigned char* out, std::size_t length) const;
    // Deciphers whole blocks (length is a multiple of 8). in == out is allowed.
    void Decipher(const unsigned char* in, unsigned char* out, std::size_t length) const;

    // Enciphers a file chunk by chunk; returns the plain bytes read, 0 on
    // failure (bufferSize below 256, a file that cannot be opened or written).
    std::uint64_t EncipherFile(const std::string& source, const std::string& target,
                               std::size_t bufferSize = fileBufferSize) const;
    // Deciphers a file, writing at most plainLength bytes (all of them when
    // plainLength is 0); returns the bytes written, 0 on failure.
    std::uint64_t DecipherFile(const std::string& source, const std::string& target, std::uint64_t plainLength,
                               std::size_t bufferSize = fileBufferSize) const;

    // As above, but an empty file is told apart from a failure: true and the
    // byte count on success. The target is removed again on failure, and a
    // cipher file that is cut short (ragged end, fewer bytes than plainLength)
    // is a failure.
    bool TryEncipherFile(const std::string& source, const std::string& target, std::uint64_t& plainBytes,
                         std::size_t bufferSize = fileBufferSize) const;
    bool TryDecipherFile(const std::string& source, const std::string& target, std::uint64_t plainLength,
                         std::uint64_t& writtenBytes, std::size_t bufferSize = fileBufferSize) const;

    void EncipherBlock(std::uint32_t& left, std::uint32_t& right) const;
    void DecipherBlock(std::uint32_t& left, std::uint32_t& right) const;

private:
    std::unique_ptr<blowfish_ctx> context_;
};
