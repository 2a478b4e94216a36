#include "receiver/reports/PageFile.h"

#include "receiver/reports/PageText.h"

#include "platform/AtomicFile.h"
#include "receiver/reports/ReportTexts.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reports {

std::string reportFolderPath(const std::string& saveRoot)
{
    return (std::filesystem::path(saveRoot) / texts::reportFolder).string();
}

std::string reportFilePath(const std::string& saveRoot, const std::string& name)
{
    return (std::filesystem::path(saveRoot) / texts::reportFolder / name).string();
}

bool ensureReportFolder(const std::string& saveRoot)
{
    std::error_code ec;
    std::filesystem::path folder = reportFolderPath(saveRoot);
    if (std::filesystem::is_directory(folder, ec))
        return true;
    return std::filesystem::create_directory(folder, ec) && !ec;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    return platform::AtomicFile::writeWhole(path, bytes);
}

bool writePageFile(const std::string& path, std::string_view utf8Text)
{
    return writeFileAtomically(path, toPageBytes(utf8Text));
}

} // namespace reports
