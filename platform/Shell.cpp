#include "Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <mutex>

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

} // namespace

bool Shell::open(const std::string& target)
{
    {
        std::lock_guard lock(openerMutex);
        if (opener())
            return opener()(target);
    }
    QUrl url = looksLikeAddress(target) ? QUrl(QString::fromStdString(target))
                                        : QUrl::fromLocalFile(QString::fromStdString(target));
    return QDesktopServices::openUrl(url);
}

void Shell::setOpener(Opener o)
{
    std::lock_guard lock(openerMutex);
    opener() = std::move(o);
}

} // namespace platform
