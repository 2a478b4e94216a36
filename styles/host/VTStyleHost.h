#pragma once
// The exhibition program's style modules: every VTStyle/*.so beside the
// program, loaded at start-up and freed at the end, and the styles they offer.

#include "VTStyleModule.h"
#include "StyleModuleHost.h"

#include <memory>
#include <string>
#include <vector>

namespace styles {

// One entry of the style selection: a style of one loaded module.
struct VTStyleChoice {
    std::size_t module = 0; // index into VTStyleHost::modules()
    int style = 0;
    std::string name;
    std::string description;
};

class VTStyleHost : public StyleModuleHost {
public:
    static constexpr const char* styleFolderName = "VTStyle";

    // The program's own VTStyle folder; empty when the program's folder is
    // unknown.
    static std::string defaultStyleFolder();

    // The program's VTStyle folder and the user's.
    VTStyleHost();
    explicit VTStyleHost(StyleFolders folders);
    // One private folder of modules, installed and user's at once (for
    // tests; an empty folder is a host without modules).
    explicit VTStyleHost(std::string styleFolder);
    ~VTStyleHost() override;
    VTStyleHost(const VTStyleHost&) = delete;
    VTStyleHost& operator=(const VTStyleHost&) = delete;

    // Loads every *.so of both folders, in name order so the selection
    // is the same at every start; files that are no exhibition module are
    // passed by without a word. Modules loaded before are freed first.
    void load() override;
    // Frees every module.
    void unload() override;

    const StyleFolders& folders() const override { return folders_; }
    bool loadsAsModule(const std::string& path) const override;
    std::size_t moduleCount() const override { return modules_.size(); }
    StyleModuleSummary moduleSummary(std::size_t index) const override { return summarizeModule(*modules_.at(index), folders_); }
    std::vector<StyleSummary> moduleStyles(std::size_t index) override { return stylesOfModule(*modules_.at(index)); }
    bool release(std::size_t index) override { return releaseModule(modules_, index); }
    const std::vector<std::unique_ptr<VTStyleModule>>& modules() const { return modules_; }

    // Every style of every module, in module order and style order; a style
    // whose name the module refuses is left out.
    std::vector<VTStyleChoice> choices() const;

    // Has the chosen module write the page; false when it fails.
    bool generate(const VTStyleChoice& choice, const std::string& albumRoot, const std::string& indexPage) const;

private:
    StyleFolders folders_;
    std::vector<std::unique_ptr<VTStyleModule>> modules_;
};

} // namespace styles
