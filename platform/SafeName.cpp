#include "platform/SafeName.h"

namespace platform {

bool SafeName::isComponent(std::string_view name)
{
    return !name.empty() && name != "." && name != ".."
        && name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

std::optional<std::vector<std::string>> SafeName::split(std::string_view path)
{
    if (!path.empty() && (path.front() == '/' || path.front() == '\\'))
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/' && path[i] != '\\')
            continue;
        std::string_view part = path.substr(begin, i - begin);
        begin = i + 1;
        if (part.empty() || part == ".")
            continue;
        if (!isComponent(part))
            return std::nullopt;
        parts.emplace_back(part);
    }
    return parts;
}

bool SafeName::isInside(std::string_view base, std::string_view folder)
{
    if (folder == base)
        return true;
    if (folder.size() <= base.size() || folder.substr(0, base.size()) != base || folder[base.size()] != '/')
        return false;
    std::string_view below = folder.substr(base.size() + 1);
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= below.size(); ++i) {
        if (i < below.size() && below[i] != '/')
            continue;
        if (!isComponent(below.substr(begin, i - begin)))
            return false;
        begin = i + 1;
    }
    return true;
}

} // namespace platform
