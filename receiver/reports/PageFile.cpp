#include "receiver/reports/PageFile.h"

#include "receiver/reports/PageText.h"
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
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

bool writePageFile(const std::string& path, std::string_view utf8Text)
{
    return writeFileAtomically(path, toPageBytes(utf8Text));
}

} // namespace reports
