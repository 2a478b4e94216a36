#include "VTStyleHost.h"

#include "platform/Folders.h"
#include "styles/host/ModuleLibrary.h"

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
    const std::vector<std::string> candidates = findModuleFiles(
        styleFolder_, [](const std::string& name) { return fs::path(name).extension() == ".so"; });
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
        for (int n = 0; n < modules_[m]->styleCount(); ++n) {
            VTStyleChoice choice;
            choice.module = m;
            choice.style = n;
            if (modules_[m]->styleInfo(n, choice.name, choice.description))
                all.push_back(std::move(choice));
        }
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
