#include "receiver/engine/LocalName.h"

#include "platform/Cp932Codec.h"
#include "platform/SafeName.h"

namespace receive {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string LocalName::of(const std::string& name, const std::string& remote, std::string& reason)
{
    std::string local = name;
    if (local.empty()) {
        local = remote;
        auto slash = local.rfind('/');
        if (slash != std::string::npos)
            local.erase(0, slash + 1);
        auto cut = local.find_first_of("#?");
        if (cut != std::string::npos)
            local.erase(cut);
    }
    reason.clear();
    if (local.empty())
        reason = "保存名がありません";
    else if (!platform::SafeName::isComponent(local))
        reason = "保存名 [" + local + "] は保存先の外を指しています";
    if (!reason.empty())
        return {};
    return local;
}

std::string LocalName::shown(const std::string& name, const std::string& remote)
{
    std::string reason;
    std::string local = of(name, remote, reason);
    return local.empty() ? name : local;
}

std::string LocalName::remoteName(const std::string& remote)
{
    std::size_t begin = 0;
    while (begin < remote.size() && (remote[begin] == '/' || isSpace(remote[begin])))
        ++begin;
    return remote.substr(begin);
}

std::string LocalName::remoteFolder(const std::string& folder)
{
    std::size_t end = folder.size();
    while (end > 0 && (folder[end - 1] == '/' || isSpace(folder[end - 1])))
        --end;
    return platform::Cp932Codec::truncateUtf8(folder.substr(0, end), 259);
}

} // namespace receive
