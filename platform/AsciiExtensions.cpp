#include "AsciiExtensions.h"

#include "platform/Folders.h"

#include <fstream>

namespace platform {

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

bool AsciiExtensions::load(const std::string& path)
{
    extensions_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty() || line.find('.') != std::string::npos)
            continue;
        extensions_.insert(upper(line));
    }
    return true;
}

bool AsciiExtensions::loadBesideProgram()
{
    const std::string path = Folders::besideProgram(fileName);
    return !path.empty() && load(path);
}

void AsciiExtensions::add(const std::string& extension)
{
    if (!extension.empty() && extension.find('.') == std::string::npos)
        extensions_.insert(upper(extension));
}

bool AsciiExtensions::isAscii(const std::string& remoteName) const
{
    std::size_t dot = remoteName.rfind('.');
    if (dot == std::string::npos)
        return false;
    return extensions_.count(upper(remoteName.substr(dot + 1))) != 0;
}

int AsciiExtensions::resolve(int mode, const std::string& remoteName) const
{
    if (mode == 1 || mode == 2)
        return mode;
    return isAscii(remoteName) ? 1 : 2;
}

} // namespace platform
