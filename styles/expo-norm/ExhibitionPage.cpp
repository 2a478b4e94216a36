#include "ExhibitionPage.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"

#include <algorithm>
#include <cstdio>

namespace expo {
namespace {

using platform::Cp932Codec;

// Entry `depth` (from 1) of a per-depth list, or its last entry; empty when
// the list is.
const std::string& forDepth(const std::vector<std::string>& list, int depth)
{
    static const std::string none;
    if (list.empty())
        return none;
    std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(depth - 1), list.size() - 1);
    return list[i];
}

struct Substitution {
    std::string_view placeholder;
    std::string value;
};

// Replaces placeholders in one pass, so a folder named like a placeholder is
// written as it is.
std::string substitute(const std::string& line, const std::vector<Substitution>& substitutions)
{
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        bool replaced = false;
        if (line[i] == '%') {
            for (const Substitution& s : substitutions) {
                if (line.compare(i, s.placeholder.size(), s.placeholder) == 0) {
                    out += s.value;
                    i += s.placeholder.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += line[i++];
    }
    return out;
}

std::tm localTime(std::int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    localtime_r(&t, &tm);
    return tm;
}

// Newest first; equal times by name, so the page does not depend on the
// order in which the file system lists folders.
void sortNewestFirst(std::vector<const AlbumFolderNode*>& nodes)
{
    std::sort(nodes.begin(), nodes.end(), [](const AlbumFolderNode* a, const AlbumFolderNode* b) {
        if (a->time != b->time)
            return a->time > b->time;
        return a->title < b->title;
    });
}

// `link` is the URL path of `node`'s folder; it comes back as it was given.
void writeChildren(const ExhibitionStyle& style, const AlbumFolderNode& node, int depth, std::string& link,
                   std::string& out)
{
    std::vector<const AlbumFolderNode*> children;
    children.reserve(node.children.size());
    for (const AlbumFolderNode& child : node.children)
        children.push_back(&child);
    sortNewestFirst(children);

    const std::size_t length = link.size();
    for (const AlbumFolderNode* child : children) {
        link += ExhibitionPage::linkPart(child->title);
        out += forDepth(style.openings, depth);
        std::vector<Substitution> subs;
        const std::string* line;
        if (child->hasIndex) {
            line = &forDepth(style.albumLines, depth);
            subs.push_back({"%index%", link + AlbumFolderTree::indexName});
            subs.push_back({"%title%", ExhibitionPage::titleText(child->title)});
            if (child->time > 0) {
                std::tm tm = localTime(child->time);
                char month[16];
                std::snprintf(month, sizeof month, "%2d", tm.tm_mon + 1);
                subs.push_back({"%year%", std::to_string(tm.tm_year + 1900)});
                subs.push_back({"%month%", month});
            }
        } else {
            line = &forDepth(style.folderLines, depth);
            subs.push_back({"%index%", ""});
            subs.push_back({"%title%", ExhibitionPage::titleText(child->title)});
        }
        out += substitute(*line, subs);
        writeChildren(style, *child, depth + 1, link, out);
        out += forDepth(style.closings, depth);
        link.resize(length);
    }
}

// One UTF-8 character at s[i]: its length and code point, or 0 when the
// bytes are not well-formed UTF-8.
std::size_t decodeUtf8(const std::string& s, std::size_t i, char32_t& cp)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    std::size_t n;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

std::string toCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

std::string ExhibitionPage::linkPart(const std::string& folderName)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string link;
    for (unsigned char c : folderName) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            link += static_cast<char>(c);
        } else {
            link += '%';
            link += hex[c >> 4];
            link += hex[c & 0x0F];
        }
    }
    return link + '/';
}

std::string ExhibitionPage::titleText(const std::string& name)
{
    std::string out;
    std::size_t i = 0;
    while (i < name.size()) {
        char32_t cp = 0;
        std::size_t n = decodeUtf8(name, i, cp);
        if (n == 0) {
            out += "&#xFFFD;";
            ++i;
            continue;
        }
        switch (cp) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: {
            unsigned char encoded[2];
            if (cp >= 0x20 && Cp932Codec::encodeOne(cp, encoded) != 0)
                out.append(name, i, n);
            else
                out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        }
        }
        i += n;
    }
    return out;
}

std::time_t ExhibitionPage::creationTime()
{
    return std::time(nullptr);
}

std::string ExhibitionPage::compose(const ExhibitionStyle& style, const AlbumFolderNode& root, std::time_t created)
{
    std::tm now = localTime(created);
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, creationStampFormat, now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour,
                  now.tm_min);

    std::string page = style.head;
    if (std::size_t at = page.find("%s"); at != std::string::npos)
        page.replace(at, 2, stamp);
    std::string link;
    writeChildren(style, root, 1, link, page);
    page += style.tail;
    return toCrLf(Cp932Codec::fromUtf8(page));
}

bool ExhibitionPage::write(const std::string& path, const std::string& page)
{
    // Written beside and renamed over the old page, so a full disk never
    // leaves the index cut off.
    return platform::AtomicFile::writeWhole(path, page);
}

} // namespace expo
