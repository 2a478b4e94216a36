#include "GMStyleModule.h"

#include "platform/Cp932Codec.h"

#include <dlfcn.h>

#include <array>

namespace styles {
namespace {

using platform::Cp932Codec;
using TextBuffer = std::array<char, GM_TEXT_BUFFER_SIZE>;
} // namespace

GMStyleModule::GMStyleModule(const std::string& path) : library_(path), path_(path) {}

std::unique_ptr<GMStyleModule> GMStyleModule::load(const std::string& path)
{
    std::unique_ptr<GMStyleModule> module(new GMStyleModule(path));
    if (!module->library_.load())
        return nullptr;
    if (!module->resolve() || !module->question())
        return nullptr; // the destructor unloads it
    return module;
}

bool GMStyleModule::resolve()
{
    return library_.resolve(entryNames, [&](auto& next) {
        next(entries_.setModuleHandle);
        next(entries_.init);
        next(entries_.getVersion);
        next(entries_.getDataVersion);
        next(entries_.informVersion);
        next(entries_.getName);
        next(entries_.getDescription);
        next(entries_.getCreator);
        next(entries_.getDate);
        next(entries_.setFolder);
        next(entries_.generate);
        next(entries_.getStyleNum);
        next(entries_.setStyleNo);
        next(entries_.getStyleName);
        next(entries_.getStyleDescription);
        next(entries_.setNumFunc);
        next(entries_.setInfoFunc);
        next(entries_.getMaterialNum);
        next(entries_.getMaterialName);
        next(entries_.getMaterialAttribute);
        next(entries_.getMaterialCommonName);
    });
}

// The loader's handle of a library that is already loaded. The reference
// taken here is given back at once: the QLibrary keeps the library loaded,
// and with it the handle valid.
static void* loadedLibraryHandle(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle;
}

bool GMStyleModule::question()
{
    // The module is told its own library, which it may use to find its
    // resources.
    if (!entries_.setModuleHandle(loadedLibraryHandle(path_)) || !entries_.init())
        return false;
    TextBuffer buffer {};
    const int size = static_cast<int>(buffer.size());
    if (!entries_.getName(buffer.data(), size) || !fromBuffer(buffer, name_) || name_.empty())
        return false;
    buffer.fill('\0');
    if (!entries_.getDescription(buffer.data(), size) || !fromBuffer(buffer, description_))
        description_.clear();
    if (!entries_.getVersion(&versionMajor_, &versionMinor_))
        versionMajor_ = versionMinor_ = 0;
    buffer.fill('\0');
    if (!entries_.getCreator(buffer.data(), size) || !fromBuffer(buffer, creator_))
        creator_.clear();
    if (!entries_.getStyleNum(&styleCount_) || styleCount_ < 0)
        styleCount_ = 0;
    return true;
}

bool GMStyleModule::styleInfo(int number, std::string& name, std::string& description)
{
    if (number < 0 || number >= styleCount_ || !entries_.setStyleNo(number))
        return false;
    TextBuffer buffer {};
    if (!entries_.getStyleName(buffer.data(), static_cast<int>(buffer.size())) || !fromBuffer(buffer, name))
        return false;
    buffer.fill('\0');
    if (!entries_.getStyleDescription(buffer.data(), static_cast<int>(buffer.size())) || !fromBuffer(buffer, description))
        description.clear();
    return true;
}

bool GMStyleModule::generate(int number, const std::string& folder, NumFunc numFunc, InfoFunc infoFunc,
                             std::vector<Material>& materials, std::string& commonName)
{
    materials.clear();
    commonName.clear();
    std::string folderText;
    if (number < 0 || number >= styleCount_ || !Cp932Codec::tryFromUtf8(folder, folderText))
        return false;
    int count = 0;
    if (!entries_.setStyleNo(number) || !entries_.setNumFunc(numFunc) || !entries_.setInfoFunc(infoFunc)
        || !entries_.setFolder(folderText.c_str())
        || !entries_.informVersion(GM_HOST_DATA_VERSION_MAJOR, GM_HOST_DATA_VERSION_MINOR) || !entries_.generate()
        || !entries_.getMaterialNum(&count) || count <= 0)
        return false;

    bool needsCommonName = false;
    for (int i = 0; i < count; ++i) {
        TextBuffer buffer {};
        Material material;
        if (!entries_.getMaterialName(i, buffer.data(), static_cast<int>(buffer.size()))
            || !entries_.getMaterialAttribute(i, &material.attribute) || !fromBuffer(buffer, material.name)) {
            materials.clear();
            return false;
        }
        needsCommonName = needsCommonName || material.attribute == GM_MATERIAL_NEEDS_COMMON_NAME;
        materials.push_back(std::move(material));
    }

    TextBuffer buffer {};
    if (entries_.getMaterialCommonName(buffer.data(), static_cast<int>(buffer.size()))) {
        if (fromBuffer(buffer, commonName))
            return true;
    } else if (!needsCommonName) {
        return true;
    }
    materials.clear();
    commonName.clear();
    return false;
}

} // namespace styles
