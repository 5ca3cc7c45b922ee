#pragma once

// A small HTTP server on 127.0.0.1 run by a test itself, for the downloads.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <memory>

// Answers every request with one canned reply, then closes (or just drops the connection).
class OneShotHttpServer : public QObject
{
public:
    using Answer = std::function<void(QTcpSocket *)>;

    explicit OneShotHttpServer(Answer answer)
        : m_answer(std::move(answer))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_connections;
                // Each connection gets the answer (a client may retry on a dropped one).
                auto received = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                    *received += socket->readAll();
                    if (received->contains("\r\n\r\n") && !socket->property("answered").toBool()) {
                        socket->setProperty("answered", true);
                        m_request = *received;
                        m_answer(socket);
                    }
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    [[nodiscard]] QUrl url(const QString &path = QStringLiteral("/xml.php")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    [[nodiscard]] int connections() const { return m_connections; }
    [[nodiscard]] const QByteArray &request() const { return m_request; }

    static Answer reply(int status, const QByteArray &body)
    {
        return [status, body](QTcpSocket *socket) {
            socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/xml\r\n"
                + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"
                + body);
            socket->disconnectFromHost();
        };
    }
    static Answer drop(const QByteArray &partial = {})
    {
        return [partial](QTcpSocket *socket) {
            if (!partial.isEmpty())
                socket->write(partial);
            socket->flush();
            socket->abort();
        };
    }

private:
    QTcpServer m_server;
    Answer m_answer;
    QByteArray m_request;
    int m_connections = 0;
};
