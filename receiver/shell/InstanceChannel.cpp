#include "receiver/shell/InstanceChannel.h"

#include "receiver/shell/ShellTexts.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char reply[] = "OK\n";
constexpr qint64 longestSource = 64 * 1024;

// The socket lies in a folder of this user's, but /tmp is shared: talk only
// to a peer of the same user.
bool sameUser(qintptr descriptor)
{
    struct ucred peer {};
    socklen_t length = sizeof peer;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return false;
    return peer.uid == ::getuid();
}

// folder as a home for the socket: made 0700 when missing; an existing one
// must be a real folder of this user's, and is closed to everyone else.
// Empty when fine, else why not.
QString claimPrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(info.st_mode))
        return QString::fromUtf8(shell::texts::socketFolderNotAFolder).arg(folder);
    if (info.st_uid != ::getuid())
        return QString::fromUtf8(shell::texts::socketFolderOfAnotherUser).arg(folder);
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

struct SocketPlace {
    QString path;
    QString problem;
};

SocketPlace findSocketPlace()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return {runtime + QStringLiteral("/corvan.socket"), {}};
    QStringList problems;
    QStringList folders{QDir::tempPath() + QStringLiteral("/corvan-%1").arg(::getuid())};
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders << cache + QStringLiteral("/corvan");
    for (const QString& folder : folders) {
        const QString problem = claimPrivateFolder(folder);
        if (problem.isEmpty())
            return {folder + QStringLiteral("/corvan.socket"), {}};
        problems << problem;
    }
    return {{}, problems.join(QStringLiteral("、"))};
}

} // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::takeConnection);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::socketPath()
{
    return findSocketPlace().path;
}

QString InstanceChannel::problem()
{
    return findSocketPlace().problem;
}

bool InstanceChannel::handOver(const QString& source, int timeoutMs)
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs) || !sameUser(socket.socketDescriptor()))
        return false;
    socket.write(source.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
        answer += socket.readAll();
    }
    return answer == reply;
}

bool InstanceChannel::listen()
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    if (server_->listen(path))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // A socket left by a corvan that ended without removing it: nobody answers.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500))
        return false;
    QLocalServer::removeServer(path);
    return server_->listen(path);
}

bool InstanceChannel::listening() const
{
    return server_->isListening();
}

void InstanceChannel::takeConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!sameUser(socket->socketDescriptor())) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
            if (data.size() > longestSource) {
                socket->abort();
                return;
            }
            const int end = data.indexOf('\n');
            if (end < 0) {
                socket->setProperty("pending", data);
                return;
            }
            socket->write(reply);
            socket->flush();
            const QString source = QString::fromUtf8(data.left(end));
            socket->disconnectFromServer();
            if (!source.isEmpty())
                emit sourceReceived(source);
        });
    }
}
