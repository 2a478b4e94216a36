#pragma once
// The desktop's notifications (freedesktop notifications over the session
// bus): the end of a receive told while the user works in another window,
// with an action that opens the report. Without a session bus or a
// notification service nothing is shown and nothing fails.

#include <QObject>
#include <QString>

#include <map>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    struct Notice {
        QString summary;
        QString body;      // plain text
        QString category;  // "transfer.complete", "transfer.error"
        QString actionLabel;
        QString target;    // what the action opens; no action when empty
    };

    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // Sends notice; false when there is no session bus to send it on.
    // settled() follows a true return once the desktop has answered (or
    // failed to).
    bool notify(const Notice& notice);

signals:
    void settled();
    // The user chose the action of a notice: open target.
    void actionInvoked(const QString& target);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    bool connectBus();

    bool connected_ = false;
    std::map<uint, QString> targets_;
};
