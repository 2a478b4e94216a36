#include "platform/SaveRoot.h"

#include "platform/Folders.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

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

bool isSystemFolder(const std::string& folder)
{
    if (folder.empty() || folder[0] != '/')
        return false;
    std::string normal = std::filesystem::path(folder).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    for (const char* system : systemFolders) {
        std::string s(system);
        // The folder itself or anything below it.
        if (normal == s || (s != "/" && normal.rfind(s + "/", 0) == 0))
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

} // namespace platform
