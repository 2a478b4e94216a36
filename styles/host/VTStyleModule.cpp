#include "VTStyleModule.h"

#include "platform/Cp932Codec.h"

#include <array>

namespace styles {
namespace {

using platform::Cp932Codec;
} // namespace

VTStyleModule::VTStyleModule(const std::string& path) : library_(path), path_(path) {}

std::unique_ptr<VTStyleModule> VTStyleModule::load(const std::string& path)
{
    std::unique_ptr<VTStyleModule> module(new VTStyleModule(path));
    if (!module->library_.load())
        return nullptr;
    if (!module->resolve() || !module->question())
        return nullptr; // the destructor unloads it
    return module;
}

bool VTStyleModule::resolve()
{
    return library_.resolve(entryNames, [&](auto& next) {
        next(entries_.init);
        next(entries_.getVersion);
        next(entries_.informVersion);
        next(entries_.getName);
        next(entries_.getDescription);
        next(entries_.getCreator);
        next(entries_.getDate);
        next(entries_.setRootFolder);
        next(entries_.setRootIndex);
        next(entries_.generate);
        next(entries_.getStyleNum);
        next(entries_.setStyleNo);
        next(entries_.getStyleName);
        next(entries_.getStyleDescription);
    });
}

bool VTStyleModule::question()
{
    std::array<char, VT_TEXT_BUFFER_SIZE> buffer {};
    if (!entries_.init())
        return false;
    if (!entries_.getName(buffer.data()) || !fromBuffer(buffer, name_) || name_.empty())
        return false;
    buffer.fill('\0');
    if (!entries_.getDescription(buffer.data()) || !fromBuffer(buffer, description_))
        description_.clear();
    if (!entries_.getVersion(&versionMajor_, &versionMinor_))
        versionMajor_ = versionMinor_ = 0;
    buffer.fill('\0');
    if (!entries_.getCreator(buffer.data()) || !fromBuffer(buffer, creator_))
        creator_.clear();
    if (!entries_.getStyleNum(&styleCount_) || styleCount_ < 0)
        styleCount_ = 0;
    return true;
}

bool VTStyleModule::styleInfo(int number, std::string& name, std::string& description)
{
    if (!entries_.setStyleNo(number))
        return false;
    std::array<char, VT_TEXT_BUFFER_SIZE> buffer {};
    if (!entries_.getStyleName(buffer.data(), static_cast<int>(buffer.size())) || !fromBuffer(buffer, name))
        return false;
    buffer.fill('\0');
    if (!entries_.getStyleDescription(buffer.data(), static_cast<int>(buffer.size())) || !fromBuffer(buffer, description))
        description.clear();
    return true;
}

bool VTStyleModule::generate(int number, const std::string& rootFolder, const std::string& rootIndex)
{
    std::string folder, index;
    if (!Cp932Codec::tryFromUtf8(rootFolder, folder) || !Cp932Codec::tryFromUtf8(rootIndex, index))
        return false;
    return entries_.setStyleNo(number) && entries_.setRootFolder(folder.c_str()) && entries_.setRootIndex(index.c_str())
        && entries_.generate();
}

} // namespace styles
