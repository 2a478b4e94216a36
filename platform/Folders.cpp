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

std::string Folders::programFolder()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ".";
    return exe.parent_path().string();
}

} // namespace platform
