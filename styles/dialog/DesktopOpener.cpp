#include "DesktopOpener.h"

#include "platform/Shell.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace dialogs {

void DesktopOpener::open(const std::string& target, QObject* context, std::function<void(bool opened)> done)
{
    QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start([target, guard, done = std::move(done)] {
        const bool opened = platform::Shell::open(target);
        if (!done)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, done, opened] {
                if (guard)
                    done(opened);
            },
            Qt::QueuedConnection);
    });
}

} // namespace dialogs
