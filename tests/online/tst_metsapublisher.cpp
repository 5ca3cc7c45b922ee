// The Metsä publisher against a fake service on 127.0.0.1, driven by a hand-fired timer: what
// goes on the wire, what a refused id or password keeps off it, retries and the one upload in
// flight.

#include "casetable.h"
#include "fakemetsaserver.h"
#include "metsapublisher.h"
#include "storefakes.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
class ManualTimer : public BatchTimer
{
public:
    std::function<void()> tick;
    void start(int, std::function<void()> t) override { tick = std::move(t); }
    void stop() override { tick = nullptr; }
    std::optional<int> periodMs() const override { return tick ? std::optional<int>(1) : std::nullopt; }
};

Race raceNamed(const QString &name)
{
    Race race;
    race.name = name;
    race.classes.append({.id = QStringLiteral("H21"), .name = QStringLiteral("H21")});
    Participant p {.givenName = QStringLiteral("Ann"), .familyName = QStringLiteral("Berg")};
    p.classId = QStringLiteral("H21");
    race.participants.append(p);
    return race;
}
} // namespace

class TestMetsaPublisher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    MemoryKeyStore m_keys;
    std::unique_ptr<FakeMetsaServer> m_server;
    std::unique_ptr<MetsaSettings> m_settings;
    ManualTimer *m_timer = nullptr;
    std::unique_ptr<MetsaPublisher> m_publisher;

    QString status() const { return m_publisher->statusText(); }
    void settled() { QTRY_VERIFY(!m_publisher->isPublishing()); }

private slots:
    void init()
    {
        m_store = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        m_server = std::make_unique<FakeMetsaServer>();
        m_store->setValue(QStringLiteral("metsaBaseUrl"), m_server->baseUrl() + QLatin1Char('/'));
        m_settings = std::make_unique<MetsaSettings>(m_store.get(), &m_keys);
        m_settings->setEnabled(true);
        m_settings->setCompetitionId(QStringLiteral("12345"));
        m_settings->setPasscode(QStringLiteral("s3cret"));
        auto timer = std::make_unique<ManualTimer>();
        m_timer = timer.get();
        m_publisher = std::make_unique<MetsaPublisher>(m_settings.get(),
            MetsaPublisherOptions {
                .timer = std::move(timer), .clock = [] { return QTime(10, 41, 7); }, .timeoutMs = 300});
    }
    void cleanup()
    {
        m_publisher.reset();
        m_server.reset();
    }

    // Each line: the competition id and password as typed, then the path the service receives
    // ("-": nothing is sent) and the status line after the answer (404 for anything sent).
    void onTheWire_data() { casetable::load("online/metsa-requests.tsv"); }
    void onTheWire()
    {
        QFETCH(QStringList, cells);
        m_settings->setCompetitionId(cells[0]);
        m_settings->setPasscode(cells[1]);
        m_server->answers = {{.status = 404}};
        const Race race = raceNamed(QStringLiteral("Wire"));
        m_publisher->publishNow(race);
        settled();
        QCOMPARE(status(), cells[3]);
        if (cells[2] == u"-") {
            QCoreApplication::processEvents();
            QVERIFY(m_server->requests.isEmpty());
            QVERIFY(!m_publisher->pendingRace()); // dropped until the settings change
            return;
        }
        QCOMPARE(m_server->requests.size(), 1);
        const FakeMetsaServer::Request &sent = m_server->requests[0];
        QCOMPARE(sent.method, QByteArray("POST"));
        QCOMPARE(QString::fromLatin1(sent.path), cells[2]);
        QCOMPARE(sent.headers.value("authorization"), ("Bearer " + cells[1].toUtf8()).trimmed());
        QCOMPARE(sent.headers.value("content-type"), QByteArray("application/xml"));
        QCOMPARE(sent.body, MetsaPublisher::buildResultListXML(race).toUtf8());
        QVERIFY(m_publisher->pendingRace()); // refused: tried again at the next tick
    }

    void droppedConnectionRetriedOnTheNextTick()
    {
        m_server->dropping = true;
        m_publisher->raceDidChange(raceNamed(QStringLiteral("First")));
        m_timer->tick();
        settled();
        QVERIFY2(status().startsWith(QStringLiteral("Publish failed: ")) && !status().contains("status"),
            qPrintable(status()));
        QCOMPARE(m_publisher->pendingRace()->name, QStringLiteral("First"));
        m_server->dropping = false;
        m_server->requests.clear();
        m_server->answers = {{.status = 200, .body = "{\"persons\": 1, \"classes\": 1}"}};
        m_timer->tick();
        settled();
        QCOMPARE(status(), QStringLiteral("Published 1 person(s), 1 class(es) at 10:41:07"));
        QCOMPARE(m_server->requests.size(), 1);
        QVERIFY(m_server->requests[0].body.contains("<Name>First</Name>"));
        m_timer->tick(); // nothing changed since: nothing sent
        QCoreApplication::processEvents();
        QCOMPARE(m_server->requests.size(), 1);
    }

    void oneUploadInFlightAndNewerRaceKept()
    {
        m_server->answers = {{.hold = true}, {.status = 503}, {.status = 200}};
        m_publisher->publishNow(raceNamed(QStringLiteral("First")));
        QTRY_VERIFY(m_server->held);
        m_publisher->raceDidChange(raceNamed(QStringLiteral("Second")));
        m_timer->tick();
        QCoreApplication::processEvents();
        QCOMPARE(m_server->requests.size(), 1);
        QVERIFY(m_publisher->isPublishing());
        FakeMetsaServer::respond(m_server->held, 500, "{\"title\": \"Busy\"}");
        // The held tick runs once the first upload has failed: the newer race goes, not the first.
        QTRY_COMPARE(m_server->requests.size(), 2);
        QVERIFY(m_server->requests[1].body.contains("<Name>Second</Name>"));
        settled();
        QCOMPARE(
            status(), QStringLiteral("Publish failed: server not taking uploads right now — retry later"));
        QCOMPARE(m_publisher->pendingRace()->name, QStringLiteral("Second"));
    }

    void serverThatNeverAnswers()
    {
        m_server->answers = {{.hold = true}};
        m_publisher->publishNow(raceNamed(QStringLiteral("Held")));
        // The injected time-out (300 ms here, 60 s in use) ends the wait.
        settled();
        QCOMPARE(status(), QStringLiteral("Publish failed: the server did not answer in time"));
        QCOMPARE(m_publisher->pendingRace()->name, QStringLiteral("Held"));
    }

    // An endless or huge answer is not read to its end: the status line still decides.
    void oversizedAnswerIsCut()
    {
        m_server->answers = {{.status = 401,
            .body = "{\"detail\": \"" + QByteArray(2 * MetsaPublisher::maxAnswerBytes, 'x') + "\"}"}};
        m_publisher->publishNow(raceNamed(QStringLiteral("Big")));
        settled();
        QCOMPARE(status(), QStringLiteral("Publish failed: wrong password"));
    }
};

QTEST_GUILESS_MAIN(TestMetsaPublisher)
#include "tst_metsapublisher.moc"
