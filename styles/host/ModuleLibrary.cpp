#include "ModuleLibrary.h"

#include "platform/Cp932Codec.h"

#include <QString>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace styles {
namespace fs = std::filesystem;

ModuleLibrary::ModuleLibrary(const std::string& path) : library_(QString::fromStdString(path)) {}

ModuleLibrary::~ModuleLibrary()
{
    if (library_.isLoaded())
        library_.unload();
}

bool ModuleLibrary::unload()
{
    return library_.isLoaded() && library_.unload();
}

std::vector<std::string> findModuleFiles(const std::string& folder,
                                         const std::function<bool(const std::string& fileName)>& isModule)
{
    std::vector<std::string> candidates;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& file = it->path();
        // A link could point anywhere; modules are files of their own.
        if (isModule(file.filename().string()) && it->symlink_status(ec).type() == fs::file_type::regular)
            candidates.push_back(file.string());
    }
    std::sort(candidates.begin(), candidates.end());
    return candidates;
}

bool textFromBuffer(char* buffer, std::size_t size, std::string& utf8)
{
    buffer[size - 1] = '\0';
    return platform::Cp932Codec::tryToUtf8(buffer, utf8);
}

} // namespace styles
