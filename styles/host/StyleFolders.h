#pragma once
// Where a program's style modules stand: the folder installed beside the
// program, which may belong to the system, and the user's own folder, where
// style updates go. A user's module replaces an installed one of the same
// file name.

#include <functional>
#include <string>
#include <vector>

namespace styles {

struct ModuleFile {
    std::string path;
    bool installed = false; // in the installed folder, not the user's
};

struct StyleFolders {
    std::string installed; // empty when the program's folder is unknown
    std::string user;

    // <program folder>/<name> and <user data folder>/corvandelle/<name>.
    static StyleFolders standard(const char* folderName);
    // One folder that is both (a private set of modules, as tests use).
    static StyleFolders single(std::string folder) { return {folder, folder}; }

    // Without the program's folder no module is loaded at all.
    bool known() const { return !installed.empty(); }
    bool isInstalled(const std::string& path) const;
    // The module files of both folders in file name order, a user's file
    // taking the place of an installed one of the same name.
    std::vector<ModuleFile> find(const std::function<bool(const std::string& fileName)>& isModule) const;
};

} // namespace styles
