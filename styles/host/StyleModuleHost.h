#pragma once
// What the style management and its dialog need of a program's style
// modules, the same for the album and the exhibition program: the loaded
// modules as plain values, their styles, and freeing one of them.

#include "StyleFolders.h"
#include "StyleTexts.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace styles {

// A loaded module as the style dialog lists it.
struct StyleModuleSummary {
    std::string path;
    std::string name;
    std::string creator;
    std::string description;
    int versionMajor = 0;
    int versionMinor = 0;
    bool installed = false; // in the installed folder: the user cannot delete it
};

// One style of a module.
struct StyleSummary {
    int number = 0;
    std::string name;
    std::string description;
};

class StyleModuleHost {
public:
    virtual ~StyleModuleHost() = default;

    virtual const StyleFolders& folders() const = 0;
    // The installed folder (empty when the program's folder is unknown).
    const std::string& styleFolder() const { return folders().installed; }
    // Why no module was loaded, when it is not for want of modules; empty
    // otherwise.
    std::string loadProblem() const { return folders().known() ? std::string() : texts::programFolderUnknown; }
    // Frees every module, then loads every module file of both folders.
    virtual void load() = 0;
    virtual void unload() = 0;
    // Whether the file at `path` loads as a module of this program's kind;
    // it is freed again at once.
    virtual bool loadsAsModule(const std::string& path) const = 0;

    virtual std::size_t moduleCount() const = 0;
    virtual StyleModuleSummary moduleSummary(std::size_t index) const = 0;
    // The styles module `index` names, asked of the module itself.
    virtual std::vector<StyleSummary> moduleStyles(std::size_t index) = 0;
    // Takes module `index` out of the list and frees its library, so that it
    // can never be called again; false when the library stayed loaded.
    virtual bool release(std::size_t index) = 0;
};

// The shared part of both hosts' answers, over their own module classes.
template <typename Module>
StyleModuleSummary summarizeModule(const Module& module, const StyleFolders& folders)
{
    return {module.path(),         module.name(),         module.creator(),
            module.description(),  module.versionMajor(), module.versionMinor(),
            folders.isInstalled(module.path())};
}

template <typename Module>
std::vector<StyleSummary> stylesOfModule(Module& module)
{
    std::vector<StyleSummary> styles;
    for (int n = 0; n < module.styleCount(); ++n) {
        StyleSummary style;
        style.number = n;
        if (module.styleInfo(n, style.name, style.description))
            styles.push_back(std::move(style));
    }
    return styles;
}

template <typename Module>
bool releaseModule(std::vector<std::unique_ptr<Module>>& modules, std::size_t index)
{
    if (index >= modules.size())
        return false;
    std::unique_ptr<Module> module = std::move(modules[index]);
    modules.erase(modules.begin() + static_cast<std::ptrdiff_t>(index));
    return module->unloadLibrary();
}

} // namespace styles
