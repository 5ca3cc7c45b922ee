#pragma once

// The Metsä live results service as its upload protocol describes it, on 127.0.0.1: every request
// is read whole (request line, header lines, a body of Content-Length bytes) and recorded, then
// answered with the next scripted answer (200 with an empty body when none is left).

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

class FakeMetsaServer : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArrayList headerLines;
        // By lower-case name, values trimmed.
        QMap<QByteArray, QByteArray> headers;
        QByteArray body;
    };
    // `drop`: close the connection without a word; `hold`: keep it open and never answer.
    struct Answer
    {
        int status = 200;
        QByteArray body;
        bool drop = false;
        bool hold = false;
    };

    QList<Answer> answers;
    QList<Request> requests;
    QTcpSocket *held = nullptr;
    // While set, every connection is dropped once its request is read (the network stack may
    // resend a request whose connection dropped).
    bool dropping = false;

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
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\n"
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

private:
    void receive(QTcpSocket *socket)
    {
        QByteArray in = socket->property("in").toByteArray() + socket->readAll();
        socket->setProperty("in", in);
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        request.headerLines = in.left(end).split('\n');
        const QByteArrayList first = request.headerLines.takeFirst().trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (QByteArray &line : request.headerLines) {
            line = line.trimmed();
            const qsizetype colon = line.indexOf(':');
            request.headers.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (in.size() - end - 4 < length)
            return;
        request.body = in.mid(end + 4, length);
        requests.append(request);
        const Answer answer = dropping || answers.isEmpty() ? Answer {} : answers.takeFirst();
        if (dropping || answer.drop)
            socket->abort();
        else if (answer.hold)
            held = socket;
        else
            respond(socket, answer.status, answer.body);
    }

    QTcpServer m_server;
};
