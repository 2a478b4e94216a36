#include "receiver/reports/PageText.h"

#include "platform/Cp932Codec.h"

#include <cctype>
#include <cstdio>

namespace reports {

std::string fill(std::string_view format, std::initializer_list<Field> fields)
{
    std::string out;
    out.reserve(format.size() + 64);
    auto next = fields.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool zeroPad = false;
        if (format[j] == '0') {
            zeroPad = true;
            ++j;
        }
        int width = 0;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])))
            width = width * 10 + (format[j++] - '0');
        if (j >= format.size() || (format[j] != 's' && format[j] != 'd')) {
            out += c;
            continue;
        }
        const Field* field = next != fields.end() ? &*next++ : nullptr;
        if (format[j] == 's') {
            if (field && std::holds_alternative<std::string_view>(*field))
                out += std::get<std::string_view>(*field);
        } else if (field && std::holds_alternative<long long>(*field)) {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, zeroPad ? "%0*lld" : "%*lld", width,
                          std::get<long long>(*field));
            out += buffer;
        }
        i = j;
    }
    return out;
}

namespace {

std::string escapeMarkup(std::string_view text, bool quotes)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += quotes ? "&quot;" : "\""; break;
        case '\'': out += quotes ? "&#39;" : "'"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

std::string escapeHtml(std::string_view text)
{
    return escapeMarkup(text, false);
}

std::string escapeAttribute(std::string_view text)
{
    return escapeMarkup(text, true);
}

std::string escapeFilePath(std::string_view path)
{
    std::string encoded;
    for (char c : path) {
        switch (c) {
        case '%': encoded += "%25"; break;
        case '#': encoded += "%23"; break;
        case '?': encoded += "%3F"; break;
        default: encoded += c;
        }
    }
    return escapeAttribute(encoded);
}

std::string escapeScriptText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\'': out += "\\x27"; break;
        case '"': out += "\\x22"; break;
        case '<': out += "\\x3C"; break;
        case '>': out += "\\x3E"; break;
        case '&': out += "\\x26"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

bool isWebAddress(std::string_view address)
{
    auto starts = [&](std::string_view scheme) {
        if (address.size() < scheme.size())
            return false;
        for (std::size_t i = 0; i < scheme.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(address[i])) != scheme[i])
                return false;
        return true;
    };
    return starts("http://") || starts("https://") || starts("ftp://");
}

namespace {

// One code point from UTF-8; returns the bytes used, codePoint U+FFFD for a
// malformed sequence (one byte consumed).
std::size_t decodeUtf8(const unsigned char* s, std::size_t n, char32_t& codePoint)
{
    unsigned char b = s[0];
    std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || len > n) {
        codePoint = 0xFFFD;
        return 1;
    }
    char32_t cp = len == 1 ? b : b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        if ((s[k] & 0xC0) != 0x80) {
            codePoint = 0xFFFD;
            return 1;
        }
        cp = (cp << 6) | (s[k] & 0x3F);
    }
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    codePoint = cp;
    return len;
}

} // namespace

std::string toPageBytes(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        if (s[i] == '\n') {
            out += "\r\n";
            ++i;
            continue;
        }
        char32_t cp;
        i += decodeUtf8(s + i, n - i, cp);
        unsigned char bytes[2];
        std::size_t written = platform::Cp932Codec::encodeOne(cp, bytes);
        if (written > 0)
            out.append(reinterpret_cast<const char*>(bytes), written);
        else
            out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
    }
    return out;
}

} // namespace reports
