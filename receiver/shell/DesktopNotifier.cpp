#include "receiver/shell/DesktopNotifier.h"

#include "receiver/shell/ShellTexts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString defaultAction = QStringLiteral("default");

// A session bus to talk to, without starting one: libdbus would otherwise
// try to launch a bus for a desktop that has none.
bool sessionBusExpected()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::connectBus()
{
    if (connected_)
        return true;
    if (!sessionBusExpected())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
    connected_ = true;
    return true;
}

bool DesktopNotifier::notify(const Notice& notice)
{
    if (!connectBus())
        return false;
    QStringList actions;
    if (!notice.target.isEmpty())
        actions << defaultAction << notice.actionLabel;
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), notice.category);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("corvan"));
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    // Servers that read markup in the body must show it as it is.
    call << QString::fromUtf8(shell::texts::appTitle) << uint(0) << QStringLiteral("corvan") << notice.summary
         << notice.body.toHtmlEscaped() << actions << hints << int(-1);
    // Never waited for: the window goes on whatever the desktop does.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const QString target = notice.target;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, target](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint> reply = *w;
        if (!reply.isError() && !target.isEmpty())
            targets_[reply.value()] = target;
        w->deleteLater();
        emit settled();
    });
    return true;
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action)
{
    auto it = targets_.find(id);
    if (it == targets_.end() || action != defaultAction)
        return;
    const QString target = it->second;
    targets_.erase(it);
    emit actionInvoked(target);
}

void DesktopNotifier::onClosed(uint id, uint)
{
    targets_.erase(id);
}
