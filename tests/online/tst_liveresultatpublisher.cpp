// The publisher against a fake LiveResultat server on 127.0.0.1, driven by a hand-fired timer.

#include "livepublishers.h"
#include "storefakes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Answers each request in turn with the next of `answers` (200 when none is left): a status code,
// 0 to drop the connection, or -1 to hold it. While `dropping`, every connection is dropped (the
// network stack may resend a request whose connection dropped).
class FakeLiveResultat : public QObject
{
public:
    QList<int> answers;
    QList<QJsonObject> bodies;
    QTcpServer server;
    QTcpSocket *held = nullptr;
    bool dropping = false;

    FakeLiveResultat()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                const QByteArray in = s->property("in").toByteArray() + s->readAll();
                s->setProperty("in", in);
                const qsizetype end = in.indexOf("\r\n\r\n");
                const QByteArray head = in.left(end).toLower();
                const qsizetype at = head.indexOf("content-length:") + 15;
                if (end < 0
                    || in.size() - end - 4 < head.mid(at, head.indexOf('\r', at) - at).trimmed().toInt())
                    return;
                bodies.append(QJsonDocument::fromJson(in.mid(end + 4)).object());
                const int answer = dropping ? 0 : answers.isEmpty() ? 200 : answers.takeFirst();
                if (answer == -1)
                    held = s;
                else
                    respond(s, answer);
            });
        });
    }
    void respond(QTcpSocket *s, int status)
    {
        if (status == 0)
            return s->abort();
        s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: 6\r\n\r\n<html>");
        s->disconnectFromHost();
    }
};

class ManualTimer : public BatchTimer
{
public:
    std::function<void()> tick;
    void start(int, std::function<void()> t) override { tick = std::move(t); }
    void stop() override { tick = nullptr; }
    std::optional<int> periodMs() const override { return tick ? std::optional<int>(1) : std::nullopt; }
};

Race raceWith(int runners, int results)
{
    Race race;
    race.classes.append({.id = QStringLiteral("H21"), .name = QStringLiteral("H21")});
    for (int i = 0; i < runners; ++i) {
        Participant p {.givenName = QStringLiteral("Runner"), .familyName = QString::number(i)};
        p.classId = QStringLiteral("H21");
        race.participants.append(p);
        if (i < results)
            race.results.append({.participantId = p.id, .raceTime = 600.0 + i, .completed = true});
    }
    return race;
}
} // namespace

class TestLiveResultatPublisher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    MemoryKeyStore m_keys;
    std::unique_ptr<FakeLiveResultat> m_server;
    std::unique_ptr<LiveResultatSettings> m_settings;
    ManualTimer *m_timer = nullptr;
    std::unique_ptr<LiveResultatPublisher> m_publisher;

    // One tick after handing over `race`; waits for the outcome when a request goes out.
    void tick(const Race &race, bool expectRequest = true)
    {
        m_publisher->raceDidChange(race);
        m_timer->tick();
        if (expectRequest)
            QTRY_VERIFY(!m_publisher->isPublishing());
        QVERIFY(!m_publisher->isPublishing());
    }
    QString status() const { return m_publisher->statusText(); }
    QJsonArray sent(int request, const char *key) const
    {
        return m_server->bodies.value(request).value(QLatin1String(key)).toArray();
    }

private slots:
    void init()
    {
        m_store = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        m_server = std::make_unique<FakeLiveResultat>();
        m_store->setValue(QStringLiteral("liveResultatBaseUrl"),
            QStringLiteral("http://127.0.0.1:%1/").arg(m_server->server.serverPort()));
        m_settings = std::make_unique<LiveResultatSettings>(m_store.get(), &m_keys);
        m_settings->setEnabled(true);
        m_settings->setCompetitionId(QStringLiteral("42"));
        m_settings->setPasscode(QStringLiteral("pw"));
        auto timer = std::make_unique<ManualTimer>();
        m_timer = timer.get();
        m_publisher = std::make_unique<LiveResultatPublisher>(m_settings.get(),
            LiveResultatPublisherOptions {.timer = std::move(timer), .clock = [] { return QTime(7, 5, 9); }});
    }
    void cleanup()
    {
        m_publisher.reset();
        m_server.reset();
    }

    void completeThenDiffsThenNothing()
    {
        Race race = raceWith(3, 1);
        tick(race);
        QCOMPARE(status(), QStringLiteral("Published 3 runner(s) (full sync) at 07:05:09"));
        QCOMPARE(m_server->bodies[0].value("mode").toString(), QStringLiteral("complete"));
        QCOMPARE(m_server->bodies[0].value("password").toString(), QStringLiteral("pw"));
        race.results.append({.participantId = race.participants[2].id, .raceTime = 700.0});
        tick(race);
        QCOMPARE(status(), QStringLiteral("Published 0 runner change(s), 1 result change(s) at 07:05:09"));
        QCOMPARE(sent(1, "results").size(), 1);
        QCOMPARE(sent(1, "results")[0].toObject().value("status").toInt(), 3);
        race.name = QStringLiteral("Renamed");
        tick(race, false);
        QCOMPARE(status(), QStringLiteral("No changes to publish at 07:05:09"));
        m_timer->tick(); // nothing pending
        QCOMPARE(m_server->bodies.size(), 2);
    }

    void failuresKeepTheBaselineAndRetry()
    {
        Race race = raceWith(2, 1);
        m_server->answers = {500, 200};
        tick(race);
        QCOMPARE(status(), QStringLiteral("Publish failed: server returned status 500"));
        m_timer->tick(); // the failed race waits for the next tick
        QTRY_COMPARE(m_server->bodies.size(), 2);
        QTRY_VERIFY(status().startsWith(QStringLiteral("Published 2 runner(s)")));
        race.results.append({.participantId = race.participants[1].id, .raceTime = 1.0, .completed = true});
        m_server->dropping = true;
        tick(race);
        m_server->dropping = false;
        QVERIFY2(status().startsWith(QStringLiteral("Publish failed: ")) && !status().contains("status"),
            qPrintable(status()));
        race.participants[0].familyName = QStringLiteral("Changed");
        tick(race);
        const int last = int(m_server->bodies.size()) - 1;
        QCOMPARE(m_server->bodies[last].value("mode").toString(), QStringLiteral("diff"));
        QCOMPARE(sent(last, "runners").size(), 1);
        QCOMPARE(sent(last, "results").size(), 1); // the change the dropped upload carried
    }

    void oneUploadInFlight()
    {
        m_server->answers = {-1};
        m_publisher->publishNow(raceWith(1, 0));
        QTRY_VERIFY(m_server->held);
        Race later = raceWith(1, 1);
        m_publisher->raceDidChange(later);
        m_timer->tick();
        QCoreApplication::processEvents();
        QCOMPARE(m_server->bodies.size(), 1);
        QVERIFY(m_publisher->isPublishing());
        m_server->respond(m_server->held, 200);
        // The waiting tick runs once the first upload is accepted: a diff of the later race.
        QTRY_COMPARE(m_server->bodies.size(), 2);
        QCOMPARE(m_server->bodies[1].value("mode").toString(), QStringLiteral("diff"));
    }

    void anotherCompetitionStartsComplete()
    {
        tick(raceWith(2, 2));
        m_settings->setCompetitionId(QStringLiteral("43"));
        tick(raceWith(2, 2));
        QCOMPARE(m_server->bodies[1].value("mode").toString(), QStringLiteral("complete"));
        QCOMPARE(m_server->bodies[1].value("eventid").toInteger(), 43);
        m_settings->setCompetitionId(QStringLiteral("43a"));
        tick(raceWith(2, 2), false);
        QCOMPARE(status(), QStringLiteral("Invalid competition id (must be numeric \"eventid\")"));
        QCOMPARE(m_server->bodies.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLiveResultatPublisher)
#include "tst_liveresultatpublisher.moc"
