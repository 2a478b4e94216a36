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
    const fs::path moduleFolder = host_.styleFolder();
    if (!fs::is_directory(moduleFolder, ec)) {
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

    host_.unload();
    for (const std::string& file : delivered) {
        const fs::path target = moduleFolder / fs::path(file).filename();
        if (installedIsCurrent(target, file))
            continue;
        const bool existed = fs::exists(target, ec);
        std::string error;
        if (!platform::AtomicFile::copyInto(file, target.string(), error))
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

std::string StyleManager::deleteQuestion(std::size_t index) const
{
    const std::string name = index < host_.moduleCount() ? host_.moduleSummary(index).name : std::string();
    std::string question = texts::deleteQuestion;
    question.replace(question.find("%s"), 2, name);
    return question;
}

StyleDeleteReport StyleManager::remove(std::size_t index)
{
    StyleDeleteReport report;
    if (index >= host_.moduleCount()) {
        report.message = texts::deleteFailed;
        return report;
    }
    const std::string path = host_.moduleSummary(index).path;
    std::error_code ec;
    report.deleted = host_.release(index) && fs::remove(path, ec) && !ec;
    if (!report.deleted) {
        report.message = texts::deleteFailed;
        host_.load();
    }
    return report;
}

std::string StyleManager::homePage()
{
    return product::homePage;
}

} // namespace styles
