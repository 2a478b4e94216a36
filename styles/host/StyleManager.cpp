#include "StyleManager.h"

#include "StyleTexts.h"

#include "platform/AtomicFile.h"
#include "platform/ProductInfo.h"
#include "receiver/certification/Certification.h"
#include "styles/host/ModuleLibrary.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace styles {
namespace fs = std::filesystem;

namespace {

std::string formatCounts(int added, int updated, int errors)
{
    char text[512];
    std::snprintf(text, sizeof text, texts::updatedReport, added, updated, errors);
    return text;
}

// Whether the installed copy is at least as new as the delivered one.
bool installedIsCurrent(const fs::path& installed, const fs::path& delivered)
{
    std::error_code ec;
    if (!fs::exists(installed, ec))
        return false;
    auto installedTime = fs::last_write_time(installed, ec);
    if (ec)
        return false;
    auto deliveredTime = fs::last_write_time(delivered, ec);
    return !ec && installedTime >= deliveredTime;
}

} // namespace

StyleManager::StyleManager(StyleModuleHost& host, const StyleProgram& program, std::string saveRoot)
    : host_(host), program_(program), saveRoot_(std::move(saveRoot))
{
}

std::string StyleManager::deliveryFolder(const std::string& saveRoot, const StyleProgram& program)
{
    const std::string certified = Certification::certifiedFolder(StyleProgram::certificationSite, saveRoot);
    if (saveRoot.empty() || certified.empty())
        return {};
    return (fs::path(saveRoot) / certified / program.deliverySubfolder()).string();
}

StyleUpdateReport StyleManager::update()
{
    StyleUpdateReport report;
    std::error_code ec;
    const StyleFolders& folders = host_.folders();
    // Without the installed modules the program needs installing again; the
    // user's folder is made by the first update.
    if (!folders.known() || !fs::is_directory(folders.installed, ec) || folders.user.empty()) {
        report.outcome = StyleUpdateReport::Outcome::CannotUpdate;
        report.message = texts::cannotUpdate;
        return report;
    }
    const std::string delivery = deliveryFolder();
    const std::vector<std::string> delivered =
        delivery.empty() ? std::vector<std::string>() : findModuleFiles(delivery, program_.isModuleFile);
    if (delivered.empty()) {
        report.outcome = StyleUpdateReport::Outcome::NothingDelivered;
        report.message = texts::nothingDelivered;
        return report;
    }
    const fs::path userFolder = folders.user;
    fs::create_directories(userFolder, ec);
    if (!fs::is_directory(userFolder, ec)) {
        report.outcome = StyleUpdateReport::Outcome::CannotUpdate;
        report.message = texts::cannotUpdate;
        return report;
    }

    host_.unload();
    for (const std::string& file : delivered) {
        const fs::path name = fs::path(file).filename();
        const fs::path target = userFolder / name;
        // What the program loads today under that name: the user's copy, else the installed one.
        const fs::path current = fs::exists(target, ec) ? target : fs::path(folders.installed) / name;
        if (installedIsCurrent(current, file))
            continue;
        const bool existed = fs::exists(current, ec);
        if (!place(file, target))
            ++report.errors;
        else if (existed)
            ++report.updated;
        else
            ++report.added;
    }

    if (report.added + report.updated > 0) {
        report.outcome = StyleUpdateReport::Outcome::Installed;
        report.message = formatCounts(report.added, report.updated, report.errors);
    } else if (report.errors > 0) {
        report.outcome = StyleUpdateReport::Outcome::Failed;
        report.message = texts::updateFailed;
    } else {
        report.outcome = StyleUpdateReport::Outcome::NothingNewer;
        report.message = texts::nothingNewer;
    }
    host_.load();
    return report;
}

bool StyleManager::place(const std::string& delivered, const fs::path& target) const
{
    // Tried under a name no module has, so a file that is no module of this
    // program never stands where the program loads from.
    const fs::path trial = target.parent_path() / (".new-" + target.filename().string());
    std::string error;
    std::error_code ec;
    if (!platform::AtomicFile::copyInto(delivered, trial.string(), error))
        return false;
    if (!host_.loadsAsModule(trial.string())) {
        fs::remove(trial, ec);
        return false;
    }
    fs::rename(trial, target, ec);
    if (ec) {
        fs::remove(trial, ec);
        return false;
    }
    return true;
}

std::string StyleManager::deleteQuestion(std::size_t index) const
{
    return withName(texts::deleteQuestion, index);
}

std::string StyleManager::deleteRefusal(std::size_t index) const
{
    if (index < host_.moduleCount() && host_.moduleSummary(index).installed)
        return withName(texts::installedNotDeleted, index);
    return {};
}

std::string StyleManager::withName(const char* text, std::size_t index) const
{
    const std::string name = index < host_.moduleCount() ? host_.moduleSummary(index).name : std::string();
    std::string filled = text;
    filled.replace(filled.find("%s"), 2, name);
    return filled;
}

StyleDeleteReport StyleManager::remove(std::size_t index)
{
    StyleDeleteReport report;
    if (index >= host_.moduleCount()) {
        report.message = texts::deleteFailed;
        return report;
    }
    report.message = deleteRefusal(index);
    if (!report.message.empty())
        return report;
    const std::string path = host_.moduleSummary(index).path;
    const StyleFolders& folders = host_.folders();
    std::error_code ec;
    const bool shadowed =
        folders.installed != folders.user && fs::exists(fs::path(folders.installed) / fs::path(path).filename(), ec);
    report.deleted = host_.release(index) && fs::remove(path, ec) && !ec;
    if (!report.deleted)
        report.message = texts::deleteFailed;
    // A failure reloads so the list shows what the folders hold; a deleted
    // user's copy brings back the installed module it stood in for.
    if (!report.deleted || shadowed)
        host_.load();
    return report;
}

std::string StyleManager::homePage()
{
    return product::homePage;
}

} // namespace styles
