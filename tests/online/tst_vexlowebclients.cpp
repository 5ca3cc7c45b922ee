// The key verifier, the events client and the check-in puller against a fake Vexlo Web service
// on 127.0.0.1; the puller's timer is fired by hand.

#include "fakevexloweb.h"
#include "log.h"
#include "storefakes.h"
#include "vexlochecklist.h"
#include "vexlowebclients.h"
#include "vexlowebjson.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
class ManualTimer : public BatchTimer
{
public:
    std::function<void()> tick;
    int period = 0;
    void start(int p, std::function<void()> t) override { period = p, tick = std::move(t); }
    void stop() override { tick = nullptr; }
    std::optional<int> periodMs() const override { return tick ? std::optional<int>(period) : std::nullopt; }
};
} // namespace

class TestVexloWebClients : public QObject
{
    Q_OBJECT

    FakeVexloWeb m_server;
    VexloWebOptions options()
    {
        return {.baseUrl = m_server.baseUrl(), .clock = [] { return QTime(7, 5, 9); }};
    }

private slots:
    void verifierGoodBadEmptyAndDown()
    {
        VexloWebVerifier verifier(options());
        std::optional<bool> result;
        auto verify = [&](const QString &key) {
            result.reset();
            verifier.verifyKey(key, [&](bool ok) { result = ok; });
            QTRY_VERIFY(result.has_value());
            QVERIFY(!verifier.isVerifying());
        };
        verify(QString());
        QCOMPARE(verifier.statusText(), QStringLiteral("Enter an API key first"));
        QVERIFY(m_server.requests.isEmpty());

        verify(QStringLiteral("good-key"));
        QVERIFY(*result);
        QCOMPARE(verifier.statusText(), QStringLiteral("Verified"));
        const FakeVexloWeb::Request sent = m_server.requests.last();
        QCOMPARE(sent.method + ' ' + sent.path, QByteArray("POST /api/verify.php"));
        QCOMPARE(sent.headers.value("authorization"), QByteArray("Bearer good-key"));
        QCOMPARE(sent.body, QByteArray());

        verify(QStringLiteral("  "));
        QVERIFY(!*result);
        QCOMPARE(m_server.requests.last().headers.value("authorization"),
            QByteArray("Bearer")); // sent, not refused
        QCOMPARE(verifier.statusText(), QStringLiteral("Verification failed: server returned status 401"));

        FakeVexloWeb down;
        down.stop();
        VexloWebVerifier offline({.baseUrl = down.baseUrl()});
        offline.verifyKey(QStringLiteral("good-key"));
        QTRY_COMPARE(offline.statusText(), QStringLiteral("Verification failed: Connection refused"));
    }

    void eventsCreateRefreshRotate()
    {
        LogCapture log;
        VexloWebEventsClient client(options());
        std::optional<VexloWebEvent> got;
        auto fetch = [&](EventsRequest r) {
            bool done = false;
            client.fetchEvent(r, [&](std::optional<VexloWebEvent> e) { got = e, done = true; });
            QTRY_VERIFY(done);
        };
        fetch({.apiKey = QStringLiteral("good-key"), .name = QStringLiteral("Forår \"1\"")});
        QCOMPARE(m_server.requests.last().body, QByteArray("{\"name\":\"For\xc3\xa5r \\\"1\\\"\"}"));
        QCOMPARE(m_server.requests.last().headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(got->eventId, QStringLiteral("ev-1"));
        QCOMPARE(got->checklistKey, std::optional<QString>(QStringLiteral("ck-1")));
        QCOMPARE(client.statusText(), QStringLiteral("Fetched at 07:05:09"));

        // 23:30 local on 31 December is that day here, though already 1 January nowhere near.
        const QDateTime late(QDate(2026, 12, 31), QTime(23, 30));
        fetch({QStringLiteral("good-key"), QStringLiteral("Forår"), late, QStringLiteral("ev-1"), true});
        QCOMPARE(m_server.requests.last().body,
            QByteArray("{\"eventId\":\"ev-1\",\"name\":\"For\xc3\xa5r\",\"eventDate\":\"2026-12-31\","
                       "\"rotateChecklistKey\":true}"));
        QCOMPARE(got->checklistKey, std::optional<QString>(QStringLiteral("ck-1-r")));
        QCOMPARE(client.event()->name, QStringLiteral("Forår"));

        fetch({.apiKey = QStringLiteral("bad-key"), .name = QStringLiteral("X")});
        QVERIFY(!got);
        QCOMPARE(client.statusText(), QStringLiteral("Fetch failed: server returned status 401"));
        QCOMPARE(client.event()->checklistKey, std::optional<QString>(QStringLiteral("ck-1-r"))); // kept
        QCOMPARE(log.lines(), QStringList());
    }

    // The period never drops below 15 s; a tick pulls with both keys and hands the entries over.
    void pullerTimerAndRequest()
    {
        QTemporaryDir dir;
        QSettings store(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        VexloChecklistSettings settings(&store);
        auto timer = std::make_unique<ManualTimer>();
        ManualTimer *t = timer.get();
        VexloChecklistPuller puller(&settings, {options(), std::move(timer)});
        QCOMPARE(puller.timerPeriodMs(), std::nullopt);
        const std::pair<double, int> periods[] = {{5, 15000}, {15, 15000}, {90, 90000}, {-3, 15000}};
        for (auto [seconds, ms] : periods) {
            settings.setEnabled(true);
            settings.setIntervalSeconds(seconds);
            QCOMPARE(puller.timerPeriodMs(), std::optional<int>(ms));
        }
        t->tick();
        QCOMPARE(puller.statusText(),
            QStringLiteral("Not set up yet \u2014 enter an API key and fetch the event first"));
        QVERIFY(m_server.requests.isEmpty() || m_server.requests.last().path != "/api/entries.php");

        m_server.events = {{QStringLiteral("ev-9"), {}, {}, QStringLiteral("ck-9")}};
        m_server.entries = {QJsonObject {{"id", "a"}, {"sportident", "123"}, {"startStatus", "Started"},
            {"hasNewSportident", true}, {"newSportident", "456"}}};
        QList<ChecklistEntry> received;
        puller.credentialsProvider = [] {
            return ChecklistCredentials {QStringLiteral("good-key"), QStringLiteral("ck-9")};
        };
        puller.onCheckinsReceived = [&](const QList<ChecklistEntry> &e) { received = e; };
        m_server.holding = true;
        t->tick();
        QVERIFY(puller.isPulling());
        t->tick(); // dropped: a pull is under way
        settings.setEnabled(false);
        QCOMPARE(puller.timerPeriodMs(), std::nullopt);
        m_server.release();
        QTRY_VERIFY(!puller.isPulling());
        QCOMPARE(puller.statusText(), QStringLiteral("Pulled 1 entrie(s) at 07:05:09"));
        const FakeVexloWeb::Request sent = m_server.requests.last();
        QCOMPARE(sent.method + ' ' + sent.path, QByteArray("GET /api/entries.php"));
        QCOMPARE(sent.headers.value("x-checklist-key"), QByteArray("ck-9"));
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].newSportident, std::optional<QString>(QStringLiteral("456")));
        QVERIFY(received[0].hasNewSportident);
    }
};

QTEST_GUILESS_MAIN(TestVexloWebClients)
#include "tst_vexlowebclients.moc"
