#include "Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace platform {
namespace {

std::mutex openerMutex;
Shell::Opener& opener()
{
    static Shell::Opener o;
    return o;
}

bool looksLikeAddress(const std::string& target)
{
    auto colon = target.find("://");
    return colon != std::string::npos && colon > 1;
}

bool openWithDesktop(const std::string& target)
{
#if defined(_WIN32)
    QUrl url = looksLikeAddress(target) ? QUrl(QString::fromStdString(target))
                                        : QUrl::fromLocalFile(QString::fromStdString(target));
    return QDesktopServices::openUrl(url);
#else
    // xdg-open itself: the desktop services of Qt need a GUI application and
    // open nothing on the offscreen platform. A missing file is refused here,
    // as the desktop would refuse it, since xdg-open runs on its own.
    if (target.empty())
        return false;
    if (!looksLikeAddress(target)) {
        std::error_code ec;
        if (!std::filesystem::exists(target, ec))
            return false;
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(target)});
#endif
}

} // namespace

bool Shell::open(const std::string& target)
{
    {
        std::lock_guard lock(openerMutex);
        if (opener())
            return opener()(target);
    }
    return openWithDesktop(target);
}

void Shell::setOpener(Opener o)
{
    std::lock_guard lock(openerMutex);
    opener() = std::move(o);
}

} // namespace platform
