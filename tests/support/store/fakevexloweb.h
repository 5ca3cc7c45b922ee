#pragma once

// A Vexlo Web service on 127.0.0.1, built from its API as the organiser's program sees it:
// "/api/verify.php" accepts the keys it knows; "/api/events.php" creates or updates an event from
// its JSON body and issues (or, asked to, replaces) the event's check-in key; "/api/entries.php"
// lists the check-ins of the event whose key comes in "X-Checklist-Key". Tests can hold answers
// back, replace the next answer by raw bytes, or stop the service.

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <optional>

class FakeVexloWeb : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Event
    {
        QString id, name, date, key;
    };

    QSet<QString> goodKeys {QStringLiteral("good-key")};
    QList<Event> events;
    QJsonArray entries; // the check-ins every event reports
    QList<Request> requests;
    // Written as the whole answer to the next request instead of the service's own.
    std::optional<QByteArray> rawAnswer;
    // While set, answers wait until release().
    bool holding = false;

    FakeVexloWeb()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] { read(s); });
        });
    }
    [[nodiscard]] QUrl baseUrl() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port ? m_port : m_server.serverPort()));
    }
    // Nothing listens any more: requests are refused.
    void stop()
    {
        m_port = m_server.serverPort();
        m_server.close();
    }
    // Listens again on the same port.
    void resume() { m_server.listen(QHostAddress::LocalHost, m_port); }
    void release()
    {
        holding = false;
        for (auto &[socket, answer] : std::exchange(m_held, {}))
            send(socket, answer);
    }

private:
    void read(QTcpSocket *s)
    {
        QByteArray in = s->property("in").toByteArray() + s->readAll();
        s->setProperty("in", in);
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request r;
        const QList<QByteArray> lines = in.left(end).split('\n');
        const QList<QByteArray> first = lines.first().trimmed().split(' ');
        r.method = first.value(0);
        r.path = first.value(1);
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        r.body = in.mid(end + 4);
        if (r.body.size() < r.headers.value("content-length").toInt())
            return;
        s->setProperty("in", QByteArray());
        requests.append(r);
        const QByteArray answer = rawAnswer ? *std::exchange(rawAnswer, std::nullopt) : serve(r);
        if (holding)
            m_held.append({s, answer});
        else
            send(s, answer);
    }
    static void send(QTcpSocket *s, const QByteArray &answer)
    {
        s->write(answer);
        s->disconnectFromHost();
    }
    static QByteArray http(int status, const QJsonObject &body = {})
    {
        const QByteArray json = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson();
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\n"
            + "Connection: close\r\nContent-Length: " + QByteArray::number(json.size()) + "\r\n\r\n" + json;
    }
    QByteArray serve(const Request &r)
    {
        const QByteArray bearer = r.headers.value("authorization");
        if (!bearer.startsWith("Bearer ") || !goodKeys.contains(QString::fromUtf8(bearer.mid(7))))
            return http(401);
        if (r.path == "/api/verify.php" && r.method == "POST")
            return http(204);
        if (r.path == "/api/events.php" && r.method == "POST") {
            const QJsonObject in = QJsonDocument::fromJson(r.body).object();
            auto it = std::find_if(events.begin(), events.end(),
                [&](const Event &e) { return e.id == in.value("eventId").toString(); });
            if (it == events.end()) {
                const QString n = QString::number(events.size() + 1);
                events.append({QStringLiteral("ev-") + n, {}, {}, QStringLiteral("ck-") + n});
                it = events.end() - 1;
            }
            it->name = in.value("name").toString();
            it->date = in.value("eventDate").toString();
            if (in.value("rotateChecklistKey").toBool())
                it->key += QStringLiteral("-r");
            return http(200,
                {{"eventId", it->id}, {"name", it->name}, {"eventDate", it->date},
                    {"checklistKey", it->key}});
        }
        if (r.path == "/api/entries.php" && r.method == "GET") {
            const QString key = QString::fromUtf8(r.headers.value("x-checklist-key"));
            for (const Event &e : std::as_const(events)) {
                if (e.key == key)
                    return http(200, {{"eventId", e.id}, {"entries", entries}});
            }
            return http(403);
        }
        return http(404);
    }

    QTcpServer m_server;
    quint16 m_port = 0;
    QList<std::pair<QTcpSocket *, QByteArray>> m_held;
};
