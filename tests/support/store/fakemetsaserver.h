#pragma once

// The Metsä live results service as its upload protocol describes it, on 127.0.0.1: each request
// is read whole (request line, headers, Content-Length bytes of body), recorded, and answered with
// the next scripted answer (200 with an empty body when none is left).

#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

class FakeMetsaServer : public QObject
{
public:
    struct Request
    {
        QByteArray method, path, body;
        QMap<QByteArray, QByteArray> headers; // lower-case names, trimmed values
    };
    // `hold`: keep the connection open and never answer.
    struct Answer
    {
        int status = 200;
        QByteArray body;
        bool hold = false;
    };
    QList<Answer> answers;
    QList<Request> requests;
    QTcpSocket *held = nullptr;
    bool dropping = false; // every connection (the network stack may resend a dropped request)

    FakeMetsaServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { receive(socket); });
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    [[nodiscard]] QString baseUrl() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    static void respond(QTcpSocket *socket, int status, const QByteArray &body)
    {
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

private:
    void receive(QTcpSocket *socket)
    {
        const QByteArray in = socket->property("in").toByteArray() + socket->readAll();
        socket->setProperty("in", in);
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        QByteArrayList lines = in.left(end).split('\n');
        const QByteArrayList first = lines.takeFirst().trimmed().split(' ');
        Request request {first.value(0), first.value(1), {}, {}};
        for (const QByteArray &line : lines)
            request.headers.insert(
                line.left(line.indexOf(':')).toLower(), line.mid(line.indexOf(':') + 1).trimmed());
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (in.size() - end - 4 < length)
            return;
        request.body = in.mid(end + 4, length);
        requests.append(request);
        const Answer answer = dropping || answers.isEmpty() ? Answer {} : answers.takeFirst();
        if (dropping)
            socket->abort();
        else if (answer.hold)
            held = socket;
        else
            respond(socket, answer.status, answer.body);
    }

    QTcpServer m_server;
};
