#include "VTStyleHost.h"

#include "platform/Folders.h"
#include "styles/host/ModuleLibrary.h"
#include "styles/host/StyleProgram.h"

#include <filesystem>

namespace styles {
namespace fs = std::filesystem;

std::string VTStyleHost::defaultStyleFolder()
{
    return platform::Folders::besideProgram(styleFolderName);
}

VTStyleHost::VTStyleHost() : folders_(StyleFolders::standard(styleFolderName)) {}

VTStyleHost::VTStyleHost(StyleFolders folders) : folders_(std::move(folders)) {}

VTStyleHost::VTStyleHost(std::string styleFolder) : folders_(StyleFolders::single(std::move(styleFolder))) {}

VTStyleHost::~VTStyleHost()
{
    unload();
}

void VTStyleHost::load()
{
    unload();
    for (const ModuleFile& file : folders_.find(StyleProgram::exhibition().isModuleFile)) {
        if (auto module = VTStyleModule::load(file.path))
            modules_.push_back(std::move(module));
    }
}

bool VTStyleHost::loadsAsModule(const std::string& path) const
{
    return VTStyleModule::load(path) != nullptr;
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
