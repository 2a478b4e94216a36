#pragma once
// Conversion between the programs' UTF-8 texts and code page 932, the form in
// which every text leaves a program or is stored.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class CodecError : public std::runtime_error {
public:
    explicit CodecError(const std::string& what) : std::runtime_error(what) {}
};

class Cp932Codec {
public:
    // UTF-8 to code page 932. Throws CodecError for malformed UTF-8 or a
    // character that code page 932 cannot hold.
    static std::string fromUtf8(std::string_view utf8);
    // Code page 932 to UTF-8. Throws CodecError for a byte sequence that is
    // not code page 932.
    static std::string toUtf8(std::string_view cp932);
    // Like the above, but never throw: false and an empty result on failure.
    static bool tryFromUtf8(std::string_view utf8, std::string& out);
    static bool tryToUtf8(std::string_view cp932, std::string& out);

    // Bytes of the code-page-932 form of a UTF-8 text (throws as fromUtf8).
    static std::size_t byteLength(std::string_view utf8);
    // The longest leading part of a UTF-8 text whose code-page-932 form has
    // at most maxBytes bytes; never cuts a character in two.
    static std::string truncateUtf8(std::string_view utf8, std::size_t maxBytes);
    // The longest leading part of a code-page-932 text of at most maxBytes
    // bytes that does not end in the middle of a double-byte character.
    static std::string_view truncateCp932(std::string_view cp932, std::size_t maxBytes);

    // The first byte of a double-byte character.
    static bool isLeadByte(unsigned char byte)
    {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }

    // Decode one character at in[0..len); returns the bytes used (1 or 2) and
    // the code point, or 0 when the bytes are not code page 932 (or cut short).
    static std::size_t decodeOne(const unsigned char* in, std::size_t len, char32_t& codePoint);
    // Encode one code point into out (room for 2); returns the bytes written,
    // or 0 when code page 932 has no such character.
    static std::size_t encodeOne(char32_t codePoint, unsigned char* out);
};

} // namespace platform
