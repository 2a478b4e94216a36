#include "receiver/engine/FolderPath.h"

#include "receiver/engine/Questions.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/DateMacros.h"

#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>

namespace receive {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t bytes(const std::string& text)
{
    std::string sjis;
    return platform::Cp932Codec::tryFromUtf8(text, sjis) ? sjis.size() : text.size();
}

} // namespace

std::vector<std::string> FolderPath::check(const std::vector<std::string>& components)
{
    std::vector<std::string> out;
    for (const std::string& part : components) {
        if (part.empty() || part == ".")
            continue;
        if (!platform::SafeName::isComponent(part))
            throw ReceiveError(CAMException::BadSaveFolder,
                               "[" + display(components) + "]: フォルダ名 [" + part + "] は使えません");
        if (bytes(part) > 260)
            throw ReceiveError(CAMException::BadSaveFolder, "[" + display(components) + "]");
        out.push_back(part);
    }
    return out;
}

std::vector<std::string> FolderPath::split(const std::string& text)
{
    std::size_t begin = 0;
    while (begin < text.size() && isSpace(text[begin]))
        ++begin;
    if (begin < text.size() && (text[begin] == '\\' || text[begin] == '/'))
        throw ReceiveError(CAMException::BadSaveFolder, "[" + text + "]");
    std::vector<std::string> parts(1);
    for (std::size_t i = begin; i < text.size(); ++i) {
        if (text[i] == '\\' || text[i] == '/')
            parts.emplace_back();
        else
            parts.back() += text[i];
    }
    try {
        return check(parts);
    } catch (const ReceiveError&) {
        throw ReceiveError(CAMException::BadSaveFolder, "[" + text + "]: フォルダが保存先の外を指しています");
    }
}

std::vector<std::string> FolderPath::taskFolder(const std::string& text, const std::tm& start)
{
    std::size_t begin = 0;
    while (begin < text.size() && (text[begin] == '\\' || isSpace(text[begin])))
        ++begin;
    std::size_t end = text.size();
    // UTF-8 has no trail byte that looks like "\", so trimming is safe here.
    while (end > begin && (text[end - 1] == '\\' || isSpace(text[end - 1])))
        --end;
    std::string folder = text.substr(begin, end - begin);
    if (folder.empty() || bytes(folder) >= 260)
        throw ReceiveError(CAMException::BadSaveFolder, "[" + text + "]");
    folder = DateMacros::expand(folder, start);
    std::vector<std::string> parts = split(folder);
    if (parts.empty())
        throw ReceiveError(CAMException::BadSaveFolder, "[" + text + "]");
    if (parts.front() == texts::reportFolder || parts.front() == texts::certifiedFolder)
        throw ReceiveError(CAMException::ReservedFolderName, "[" + parts.front() + "]");
    return parts;
}

bool FolderPath::create(const std::string& base, const std::vector<std::string>& components, int limit,
                        ReceiveHost& host)
{
    for (std::size_t i = static_cast<std::size_t>(limit); i < components.size(); ++i) {
        if (host.ask(Questions::folderDepth(limit)).button != AnswerOk)
            return false;
    }
    std::string path = base;
    for (const std::string& part : components) {
        path += "/" + part;
        if (::mkdir(path.c_str(), 0755) != 0) {
            struct stat st;
            if (errno != EEXIST || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                throw ReceiveError(CAMException::CreateFolderFailed, path);
        }
    }
    return true;
}

std::string FolderPath::join(const std::string& base, const std::vector<std::string>& components)
{
    std::string path = base;
    for (const std::string& part : components)
        path += "/" + part;
    return path;
}

std::string FolderPath::display(const std::vector<std::string>& components)
{
    std::string text;
    for (const std::string& part : components)
        text += (text.empty() ? "" : "\\") + part;
    return text;
}

} // namespace receive
