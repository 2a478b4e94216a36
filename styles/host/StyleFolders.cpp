#include "StyleFolders.h"

#include "platform/Folders.h"
#include "styles/host/ModuleLibrary.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace styles {
namespace fs = std::filesystem;

StyleFolders StyleFolders::standard(const char* folderName)
{
    const std::string data = platform::Folders::applicationData();
    return {platform::Folders::besideProgram(folderName),
            data.empty() ? std::string() : (fs::path(data) / "corvandelle" / folderName).string()};
}

bool StyleFolders::isInstalled(const std::string& path) const
{
    return !installed.empty() && installed != user && fs::path(path).parent_path() == fs::path(installed);
}

std::vector<ModuleFile> StyleFolders::find(const std::function<bool(const std::string& fileName)>& isModule) const
{
    if (!known())
        return {};
    std::map<std::string, ModuleFile> byName;
    for (const std::string& path : findModuleFiles(installed, isModule))
        byName[fs::path(path).filename().string()] = {path, installed != user};
    if (!user.empty() && user != installed)
        for (const std::string& path : findModuleFiles(user, isModule))
            byName[fs::path(path).filename().string()] = {path, false};
    std::vector<ModuleFile> files;
    for (auto& [name, file] : byName)
        files.push_back(std::move(file));
    return files;
}

} // namespace styles
