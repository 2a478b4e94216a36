#include "Cp932Codec.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// Both directions are table driven. The tables are filled once from the C
// library's code page 932 converter, which follows the Windows mapping
// (0x5C is "\", 0x7E is "~", 0x8160 is U+FF5E, user-defined area to U+E000).
struct Tables {
    std::array<char32_t, 65536> decode{}; // index: (lead << 8) | trail, or the single byte
    std::array<std::uint16_t, 65536> encode{}; // BMP code point to bytes; 0 = none
    bool ready = false;
};

Tables& tables()
{
    static Tables t;
    static std::once_flag once;
    std::call_once(once, [] {
        iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return;
        auto convert = [&](const unsigned char* bytes, std::size_t n) -> char32_t {
            char in[2] = {static_cast<char>(bytes[0]), n > 1 ? static_cast<char>(bytes[1]) : '\0'};
            char out[8];
            char* ip = in;
            char* op = out;
            std::size_t il = n, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0 || ol != 4)
                return 0;
            return static_cast<char32_t>(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8)
                                         | (static_cast<unsigned char>(out[2]) << 16));
        };
        for (unsigned b = 0; b < 0x100; ++b) {
            if (Cp932Codec::isLeadByte(static_cast<unsigned char>(b)))
                continue;
            unsigned char s[1] = {static_cast<unsigned char>(b)};
            char32_t cp = b == 0 ? 0 : convert(s, 1);
            t.decode[b] = b == 0 ? 0 : (cp ? cp : 0xFFFFFFFF);
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!Cp932Codec::isLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                unsigned char s[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                char32_t cp = trail == 0x7F ? 0 : convert(s, 2);
                t.decode[(lead << 8) | trail] = cp ? cp : 0xFFFFFFFF;
            }
        }
        iconv_close(cd);

        // Where several codes give one character, encode as Windows does:
        // JIS X 0208 and the NEC special row first, then the IBM extension
        // rows, and the NEC-selected IBM rows (0xED, 0xEE) last.
        auto enter = [&](unsigned code) {
            char32_t cp = t.decode[code];
            if (cp == 0xFFFFFFFF || cp > 0xFFFF || (code != 0 && cp == 0))
                return;
            if (t.encode[cp] == 0)
                t.encode[cp] = static_cast<std::uint16_t>(code);
        };
        for (unsigned b = 1; b < 0x100; ++b)
            if (!Cp932Codec::isLeadByte(static_cast<unsigned char>(b)))
                enter(b);
        for (int pass = 0; pass < 3; ++pass) {
            for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
                if (!Cp932Codec::isLeadByte(static_cast<unsigned char>(lead)))
                    continue;
                bool ibm = lead >= 0xFA;
                bool necIbm = lead == 0xED || lead == 0xEE;
                int group = necIbm ? 2 : (ibm ? 1 : 0);
                if (group != pass)
                    continue;
                for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
                    enter((lead << 8) | trail);
            }
        }
        t.ready = true;
    });
    return t;
}

// Decode one UTF-8 sequence; returns its length or 0 when malformed.
std::size_t decodeUtf8(const unsigned char* s, std::size_t len, char32_t& cp)
{
    unsigned char c = s[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    std::size_t n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (len < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string hexByte(unsigned char b)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

// Converts; on failure fills error (when given) and returns false.
bool convertFromUtf8(std::string_view utf8, std::string& out, std::string* error)
{
    out.clear();
    out.reserve(utf8.size());
    auto s = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp;
        std::size_t n = decodeUtf8(s + i, utf8.size() - i, cp);
        if (n == 0) {
            if (error)
                *error = "UTF-8 として正しくないバイト列です (位置 " + std::to_string(i) + ")";
            return false;
        }
        unsigned char enc[2];
        std::size_t m = Cp932Codec::encodeOne(cp, enc);
        if (m == 0) {
            if (error)
                *error = "Shift-JIS (コードページ 932) に変換できない文字があります: \""
                    + std::string(utf8.substr(i, n)) + "\" (位置 " + std::to_string(i) + ")";
            return false;
        }
        out.append(reinterpret_cast<char*>(enc), m);
        i += n;
    }
    return true;
}

bool convertToUtf8(std::string_view cp932, std::string& out, std::string* error)
{
    out.clear();
    out.reserve(cp932.size() + cp932.size() / 2);
    auto s = reinterpret_cast<const unsigned char*>(cp932.data());
    std::size_t i = 0;
    while (i < cp932.size()) {
        if (s[i] < 0x80) { // the common case, without a table look-up
            out += static_cast<char>(s[i++]);
            continue;
        }
        char32_t cp;
        std::size_t n = Cp932Codec::decodeOne(s + i, cp932.size() - i, cp);
        if (n == 0) {
            if (error)
                *error = "Shift-JIS (コードページ 932) として正しくないバイトがあります: " + hexByte(s[i])
                    + " (位置 " + std::to_string(i) + ")";
            return false;
        }
        appendUtf8(out, cp);
        i += n;
    }
    return true;
}

} // namespace

std::size_t Cp932Codec::decodeOne(const unsigned char* in, std::size_t len, char32_t& codePoint)
{
    if (len == 0)
        return 0;
    const Tables& t = tables();
    unsigned char b = in[0];
    if (isLeadByte(b)) {
        if (len < 2)
            return 0;
        char32_t cp = t.decode[(b << 8) | in[1]];
        if (cp == 0 || cp == 0xFFFFFFFF)
            return 0;
        codePoint = cp;
        return 2;
    }
    if (b < 0x80) {
        codePoint = b;
        return 1;
    }
    char32_t cp = t.decode[b];
    if (cp == 0xFFFFFFFF || cp == 0)
        return 0;
    codePoint = cp;
    return 1;
}

std::size_t Cp932Codec::encodeOne(char32_t codePoint, unsigned char* out)
{
    if (codePoint < 0x80) {
        out[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint > 0xFFFF)
        return 0;
    std::uint16_t code = tables().encode[codePoint];
    if (code == 0)
        return 0;
    if (code < 0x100) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code & 0xFF);
    return 2;
}

std::string Cp932Codec::fromUtf8(std::string_view utf8)
{
    std::string out, error;
    if (!convertFromUtf8(utf8, out, &error))
        throw CodecError(error);
    return out;
}

std::string Cp932Codec::toUtf8(std::string_view cp932)
{
    std::string out, error;
    if (!convertToUtf8(cp932, out, &error))
        throw CodecError(error);
    return out;
}

bool Cp932Codec::tryFromUtf8(std::string_view utf8, std::string& out)
{
    if (convertFromUtf8(utf8, out, nullptr))
        return true;
    out.clear();
    return false;
}

bool Cp932Codec::tryToUtf8(std::string_view cp932, std::string& out)
{
    if (convertToUtf8(cp932, out, nullptr))
        return true;
    out.clear();
    return false;
}

std::size_t Cp932Codec::byteLength(std::string_view utf8)
{
    return fromUtf8(utf8).size();
}

std::string Cp932Codec::truncateUtf8(std::string_view utf8, std::size_t maxBytes)
{
    auto s = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t i = 0, bytes = 0;
    while (i < utf8.size()) {
        char32_t cp;
        std::size_t n = decodeUtf8(s + i, utf8.size() - i, cp);
        if (n == 0)
            throw CodecError("UTF-8 として正しくないバイト列です (位置 " + std::to_string(i) + ")");
        unsigned char enc[2];
        std::size_t m = encodeOne(cp, enc);
        if (m == 0)
            throw CodecError("Shift-JIS (コードページ 932) に変換できない文字があります: \""
                             + std::string(utf8.substr(i, n)) + "\"");
        if (bytes + m > maxBytes)
            break;
        bytes += m;
        i += n;
    }
    return std::string(utf8.substr(0, i));
}

std::string_view Cp932Codec::truncateCp932(std::string_view cp932, std::size_t maxBytes)
{
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t n = isLeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + n > maxBytes || i + n > cp932.size())
            break;
        i += n;
    }
    return cp932.substr(0, i);
}

} // namespace platform
