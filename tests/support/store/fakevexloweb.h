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
        QByteArray method, path, body;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };
    struct Event
    {
        QString id, name, date, key;
    };

    QSet<QString> goodKeys {QStringLiteral("good-key")};
    QList<Event> events;
    QJsonArray entries; // the check-ins every event reports
    QList<Request> requests;
    std::optional<QByteArray> rawAnswer; // the whole next answer instead of the service's own
    bool holding = false; // answers wait for release()

    FakeVexloWeb()
    {
        m_server.listen(QHostAddress::LocalHost);
        m_port = m_server.serverPort();
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] { read(s); });
        });
    }
    [[nodiscard]] QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }
    void stop() { m_server.close(); }
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
        const QByteArray in = s->property("in").toByteArray() + s->readAll();
        s->setProperty("in", in);
        const qsizetype end = in.indexOf("\r\n\r\n");
        Request r {.body = in.mid(end + 4)};
        const QList<QByteArray> lines = in.left(end).split('\n');
        r.method = lines.first().split(' ').value(0);
        r.path = lines.first().split(' ').value(1);
        for (const QByteArray &line : lines.mid(1))
            r.headers.insert(
                line.left(line.indexOf(':')).trimmed().toLower(), line.mid(line.indexOf(':') + 1).trimmed());
        if (end < 0 || r.body.size() < r.headers.value("content-length").toInt())
            return;
        requests.append(r);
        const QByteArray answer = rawAnswer ? *std::exchange(rawAnswer, std::nullopt) : serve(r);
        holding ? m_held.append({s, answer}) : send(s, answer);
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
        if (r.method + r.path == "POST/api/verify.php")
            return http(204);
        if (r.method + r.path == "POST/api/events.php") {
            const QJsonObject in = QJsonDocument::fromJson(r.body).object();
            auto it = std::find_if(events.begin(), events.end(),
                [&](const Event &e) { return e.id == in["eventId"].toString(); });
            if (it == events.end()) {
                const QString n = QString::number(events.size() + 1);
                it = events.insert(events.end(), {"ev-" + n, {}, {}, "ck-" + n});
            }
            it->name = in["name"].toString();
            it->date = in["eventDate"].toString();
            it->key += in["rotateChecklistKey"].toBool() ? "-r" : "";
            return http(200,
                {{"eventId", it->id}, {"name", it->name}, {"eventDate", it->date},
                    {"checklistKey", it->key}});
        }
        for (const Event &e : std::as_const(events)) {
            if (r.method + r.path == "GET/api/entries.php" && e.key == r.headers.value("x-checklist-key"))
                return http(200, {{"eventId", e.id}, {"entries", entries}});
        }
        return http(403);
    }

    QTcpServer m_server;
    quint16 m_port = 0;
    QList<std::pair<QTcpSocket *, QByteArray>> m_held;
};
