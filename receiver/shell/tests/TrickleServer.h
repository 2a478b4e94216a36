#pragma once
// An HTTP server on 127.0.0.1 in the test's own event loop that answers
// every request with the start of an archive and then a few bytes now and
// then, never finishing: a receive from it runs until it is stopped.

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace shelltest {

class TrickleServer : public QObject {
public:
    TrickleServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                serve(socket);
        });
    }

    QString url(const QString& name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(name);
    }
    // Requests answered so far.
    int requests() const { return requests_; }

private:
    void serve(QTcpSocket* socket)
    {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            ++requests_;
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                          "Content-Length: 100000000\r\n\r\nGPAR");
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] { socket->write(QByteArray(64, '\0')); });
            timer->start(100);
        });
    }

    QTcpServer server_;
    int requests_ = 0;
};

} // namespace shelltest
