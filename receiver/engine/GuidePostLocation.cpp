#include "receiver/engine/GuidePostLocation.h"

#include "receiver/engine/ReceiveTexts.h"

#include "platform/SaveRoot.h"
#include "receiver/reports/PageText.h"

#include <cctype>
#include <cstring>

namespace receive {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool startsWithNoCase(const std::string& text, const char* prefix)
{
    for (std::size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

std::string GuidePostLocation::localPathOf(const std::string& text, bool& remote)
{
    remote = false;
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    std::string t = text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
    if (startsWithNoCase(t, "http://") || startsWithNoCase(t, "https://") || startsWithNoCase(t, "ftp://")) {
        remote = true;
        return {};
    }
    if (!startsWithNoCase(t, "file:"))
        return t;
    std::string rest = t.substr(5);
    if (rest.rfind("//", 0) == 0) {
        rest.erase(0, 2);
        std::size_t slash = rest.find('/');
        std::string authority = rest.substr(0, slash);
        if (!authority.empty() && authority != "localhost")
            return {};
        rest = slash == std::string::npos ? std::string() : rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 && hexValue(rest[i + 2]) >= 0) {
            char c = static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
            if (c == '\0')
                return {};
            path += c;
            i += 2;
        } else if (rest[i] == '?' || rest[i] == '#') {
            break;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::string GuidePostLocation::prepareSaveRoot(const std::string& saveRoot, std::string& problem)
{
    using Preparation = platform::SaveRoot::Preparation;
    problem.clear();
    const Preparation p = platform::SaveRoot::prepare(saveRoot.empty() ? std::string(texts::newFolderName) : saveRoot);
    switch (p.status) {
    case Preparation::Ready:
        return p.folder;
    case Preparation::ParentMissing:
        problem = reports::fill(texts::saveRootParentMissing, {p.folder, p.missing});
        break;
    case Preparation::NotAFolder:
        problem = reports::fill(texts::saveRootNotAFolder, {p.folder});
        break;
    case Preparation::CannotCreate:
        problem = reports::fill(texts::saveRootNotMade, {p.folder, std::strerror(p.error)});
        break;
    }
    return {};
}

std::string GuidePostLocation::prepareSaveRoot(const std::string& saveRoot)
{
    std::string problem;
    return prepareSaveRoot(saveRoot, problem);
}

} // namespace receive
