#include "Folders.h"

#include <QStandardPaths>
#include <QString>

#include <filesystem>
#include <system_error>

namespace platform {

std::string Folders::personalDocuments()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

std::string Folders::applicationData()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
}

namespace {
std::string& programLink()
{
    static std::string link = "/proc/self/exe";
    return link;
}
} // namespace

std::string Folders::programFolder()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink(programLink(), ec);
    if (ec || !exe.is_absolute())
        return {};
    return exe.parent_path().string();
}

std::string Folders::besideProgram(const std::string& name)
{
    const std::string folder = programFolder();
    if (folder.empty())
        return {};
    return (std::filesystem::path(folder) / name).string();
}

void Folders::setProgramLink(std::string link)
{
    programLink() = std::move(link);
}

} // namespace platform
