#include "platform/DesktopOpener.h"

#include "platform/Shell.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace platform {
namespace {

// One at a time: pages open in the order they were asked for.
QThreadPool& openerThread()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

} // namespace

void DesktopOpener::open(const QStringList& targets, QObject* context, std::function<void(const QString&)> done)
{
    QPointer<QObject> guard(context);
    openerThread().start([targets, guard, done = std::move(done)] {
        QString failed;
        for (const QString& target : targets) {
            if (target.isEmpty())
                continue;
            if (!platform::Shell::open(target.toStdString()) && failed.isEmpty())
                failed = target;
        }
        if (!done)
            return;
        // The context is looked at on its own thread only.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, done, failed] {
                if (guard)
                    done(failed);
            },
            Qt::QueuedConnection);
    });
}

void DesktopOpener::open(const std::string& target, QObject* context, std::function<void(bool opened)> done)
{
    if (!done) {
        open(QStringList{QString::fromStdString(target)}, context);
        return;
    }
    open(QStringList{QString::fromStdString(target)}, context,
         [done = std::move(done)](const QString& failed) { done(failed.isEmpty()); });
}

} // namespace platform
