#pragma once
// Filling the fixed page fragments and turning page text into the bytes that
// are stored: code page 932 with CR LF line ends.

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace reports {

using Field = std::variant<std::string_view, long long>;

// Fills "%s", "%d", "%Nd", "%0Nd" and "%%" of a fragment in order. A field of
// the wrong kind or a missing one is written as nothing rather than guessed.
std::string fill(std::string_view format, std::initializer_list<Field> fields);

// Text that came from a GuidePost, a path or an error, made safe as HTML text
// ("&", "<", ">") or as a quoted attribute value (quotes as well).
std::string escapeHtml(std::string_view text);
std::string escapeAttribute(std::string_view text);
// A local path for "file://%s": characters that would end or redirect the
// address are percent-encoded, then the whole is escaped for the attribute.
std::string escapeFilePath(std::string_view path);
// A text inside a single-quoted script string inside an attribute.
std::string escapeScriptText(std::string_view text);
// Only web and FTP addresses become remote links.
bool isWebAddress(std::string_view address);

// UTF-8 page text to stored bytes: "\n" becomes CR LF; a character that code
// page 932 cannot hold is written as a numeric character reference so that
// nothing is lost, and malformed UTF-8 as U+FFFD.
std::string toPageBytes(std::string_view utf8);

} // namespace reports
