#pragma once
// One corvan per user takes the GuidePosts: a later `corvan FILE` hands FILE
// to the running one over a local socket that only this user can reach, and
// exits. The running window then opens it as any other way in would.

#include <QObject>
#include <QString>

class QLocalServer;

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QObject* parent = nullptr);
    ~InstanceChannel() override;

    // $XDG_RUNTIME_DIR/corvan.socket, else corvan.socket in a folder only
    // this user can enter: corvan-UID in the temporary folder, else
    // corvan in the cache folder (made with mode 0700 when missing; one that
    // is a link or belongs to another user is never used). Empty when none
    // will do; problem() then says why.
    static QString socketPath();
    // Why there is no socket path; empty when there is one.
    static QString problem();

    // Hands source to a corvan that listens; true once it has taken it.
    static bool handOver(const QString& source, int timeoutMs = 2000);

    // Starts taking sources from later corvans; false when another one
    // already does (or the socket cannot be made, or has no safe place).
    bool listen();
    bool listening() const;

signals:
    void sourceReceived(const QString& source);

private:
    void takeConnection();

    QLocalServer* server_;
};
