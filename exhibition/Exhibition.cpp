#include "Exhibition.h"

#include "VitrinelTexts.h"

#include "platform/Folders.h"
#include "platform/SaveRoot.h"
#include "platform/Settings.h"

#include <filesystem>

namespace vitrinel {
namespace fs = std::filesystem;

Exhibition::Exhibition(std::string saveRoot, std::string styleFolder)
    : saveRoot_(std::move(saveRoot)), host_(std::move(styleFolder))
{
}

std::string Exhibition::storedSaveRoot()
{
    std::string stored = platform::Settings().getString("settings", "RootFolder");
    if (!stored.empty())
        return stored;
    std::string fallback = platform::SaveRoot::defaultFolder();
    std::error_code ec;
    return fs::is_directory(fallback, ec) ? fallback : std::string();
}

std::string Exhibition::helpFile()
{
    return platform::Folders::besideProgram(texts::helpFile);
}

std::string Exhibition::albumRoot() const
{
    return (fs::path(saveRoot_) / texts::albumFolder).string();
}

std::string Exhibition::indexPage() const
{
    return (fs::path(albumRoot()) / texts::indexPage).string();
}

std::optional<styles::VTStyleChoice> Exhibition::findChoice(const std::string& module, int number) const
{
    for (const styles::VTStyleChoice& choice : choices()) {
        if (choice.style == number && fs::path(host_.modules()[choice.module]->path()).stem() == module)
            return choice;
    }
    return std::nullopt;
}

std::string Exhibition::choiceName(const styles::VTStyleChoice& choice) const
{
    const std::string module = choice.module < host_.modules().size()
        ? fs::path(host_.modules()[choice.module]->path()).stem().string()
        : std::string();
    return module + ":" + std::to_string(choice.style);
}

CreateResult Exhibition::create(const std::optional<styles::VTStyleChoice>& choice) const
{
    CreateResult result;
    if (!choice || choice->module >= host_.modules().size()) {
        result.outcome = CreateResult::Outcome::NoStyle;
        result.message = texts::noStyle;
        if (const std::string why = host_.loadProblem(); !why.empty())
            result.message += "\n" + why;
        return result;
    }
    result.page = indexPage();
    if (!host_.generate(*choice, albumRoot(), result.page)) {
        result.outcome = CreateResult::Outcome::Failed;
        result.message = texts::createFailed;
        result.message.replace(result.message.find("%s"), 2, albumRoot());
        return result;
    }
    result.outcome = CreateResult::Outcome::Created;
    result.message = texts::created;
    return result;
}

} // namespace vitrinel
