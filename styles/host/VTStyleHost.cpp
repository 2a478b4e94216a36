#include "VTStyleHost.h"

#include "platform/Folders.h"
#include "styles/host/ModuleLibrary.h"
#include "styles/host/StyleProgram.h"

#include <filesystem>

namespace styles {
namespace fs = std::filesystem;

std::string VTStyleHost::defaultStyleFolder()
{
    return (fs::path(platform::Folders::programFolder()) / styleFolderName).string();
}

VTStyleHost::VTStyleHost(std::string styleFolder) : styleFolder_(std::move(styleFolder)) {}

VTStyleHost::~VTStyleHost()
{
    unload();
}

void VTStyleHost::load()
{
    unload();
    const std::vector<std::string> candidates = findModuleFiles(styleFolder_, StyleProgram::exhibition().isModuleFile);
    for (const std::string& path : candidates) {
        if (auto module = VTStyleModule::load(path))
            modules_.push_back(std::move(module));
    }
}

void VTStyleHost::unload()
{
    // Last loaded, first freed.
    while (!modules_.empty())
        modules_.pop_back();
}

std::vector<VTStyleChoice> VTStyleHost::choices() const
{
    std::vector<VTStyleChoice> all;
    for (std::size_t m = 0; m < modules_.size(); ++m) {
        for (StyleSummary& style : stylesOfModule(*modules_[m]))
            all.push_back({m, style.number, std::move(style.name), std::move(style.description)});
    }
    return all;
}

bool VTStyleHost::generate(const VTStyleChoice& choice, const std::string& albumRoot, const std::string& indexPage) const
{
    if (choice.module >= modules_.size())
        return false;
    return modules_[choice.module]->generate(choice.style, albumRoot, indexPage);
}

} // namespace styles
