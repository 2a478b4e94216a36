#include "platform/SaveRoot.h"

#include "platform/Folders.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const char* const forbiddenWords[] = {"WINDOWS", "WINNT", "PROGRAM FILES"};

// The system's own folders on this platform: receiving into them (or into
// the whole file system) could overwrite what the system runs on.
const char* const systemFolders[] = {"/", "/bin", "/boot", "/dev", "/etc", "/lib", "/lib64", "/opt",
                                     "/proc", "/root", "/run", "/sbin", "/srv", "/sys", "/usr", "/var"};

std::string trim(const std::string& text)
{
    auto begin = std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
    auto end = std::find_if_not(text.rbegin(), text.rend(), [](unsigned char c) { return std::isspace(c); }).base();
    return begin < end ? std::string(begin, end) : std::string();
}

std::string normalPath(const std::string& folder)
{
    std::string normal = std::filesystem::path(folder).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

// The folder itself or anything below it.
bool atOrBelow(const std::string& normal, const std::string& base)
{
    return normal == base || (base != "/" && normal.rfind(base + "/", 0) == 0);
}

// The running user's own home folder as the account gives it (root's is
// /root); the environment does not move it.
std::string accountHome()
{
    const passwd* entry = ::getpwuid(::geteuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/')
        return {};
    std::string home = normalPath(entry->pw_dir);
    return home == "/" ? std::string() : home;
}

bool isSystemFolder(const std::string& folder)
{
    if (folder.empty() || folder[0] != '/')
        return false;
    const std::string normal = normalPath(folder);
    // The user's own home folder is theirs even where it lies among the
    // system's (root's /root).
    const std::string home = accountHome();
    if (!home.empty() && atOrBelow(normal, home))
        return false;
    for (const char* system : systemFolders) {
        if (atOrBelow(normal, system))
            return true;
    }
    return false;
}

} // namespace

std::string SaveRoot::defaultFolder()
{
    return Folders::personalDocuments() + "/Corvan";
}

std::string SaveRoot::stored()
{
    Settings settings;
    std::string folder = settings.getString("settings", "RootFolder", defaultFolder());
    return folder.empty() ? defaultFolder() : folder;
}

std::string SaveRoot::warningText(const std::string& newFolder)
{
    return "保存フォルダが禁止されているフォルダに設定されている可能性がありますので\r\n保存フォルダを[" + newFolder
        + "]に変更しました。";
}

SaveRoot::CheckResult SaveRoot::check(const std::string& folder, const std::string& defaultFolder)
{
    CheckResult result{folder, {}};
    std::string copy = trim(folder);
    std::transform(copy.begin(), copy.end(), copy.begin(), [](unsigned char c) { return std::toupper(c); });
    auto replace = [&] {
        result.folder = defaultFolder;
        result.warnings.push_back(warningText(defaultFolder));
    };
    for (const char* word : forbiddenWords) {
        if (copy.find(word) != std::string::npos)
            replace();
    }
    if (copy == "C:\\")
        replace();
    if (isSystemFolder(trim(folder)))
        replace();
    return result;
}

SaveRoot::Preparation SaveRoot::prepare(const std::string& folder, const std::string& defaultFolder)
{
    Preparation p;
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    p.folder = normalPath(ec ? folder : absolute.string());
    struct stat st;
    if (::stat(p.folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            p.status = Preparation::NotAFolder;
        return p;
    }
    const bool isDefault = !defaultFolder.empty() && p.folder == normalPath(defaultFolder);
    if (isDefault) {
        std::filesystem::create_directories(p.folder, ec);
        if (!ec)
            return p;
    } else if (::mkdir(p.folder.c_str(), 0755) == 0) {
        return p;
    }
    const int error = isDefault ? ec.value() : errno;
    // Say which folder is missing rather than only that it could not be made.
    const std::string parent = std::filesystem::path(p.folder).parent_path().string();
    if (error == ENOENT && !isDefault && ::stat(parent.c_str(), &st) != 0) {
        p.status = Preparation::ParentMissing;
        p.missing = parent;
        return p;
    }
    if (error == ENOTDIR || error == EEXIST) {
        p.status = Preparation::NotAFolder;
        return p;
    }
    p.status = Preparation::CannotCreate;
    p.error = error;
    return p;
}

} // namespace platform
