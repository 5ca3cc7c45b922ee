// The publisher against a fake LiveResultat server on 127.0.0.1 (the recording HTTP server of the
// Metsä tests), driven by a hand-fired timer.

#include "fakemetsaserver.h"
#include "livepublishers.h"
#include "storefakes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
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
    std::unique_ptr<FakeMetsaServer> m_server;
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
    QJsonObject body(int request) const
    {
        return QJsonDocument::fromJson(m_server->requests.value(request).body).object();
    }
    QJsonArray sent(int request, const char *key) const
    {
        return body(request).value(QLatin1String(key)).toArray();
    }

private slots:
    void init()
    {
        m_store = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        m_server = std::make_unique<FakeMetsaServer>();
        m_store->setValue(QStringLiteral("liveResultatBaseUrl"), m_server->baseUrl() + QLatin1Char('/'));
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
        QCOMPARE(body(0).value("mode").toString(), QStringLiteral("complete"));
        QCOMPARE(body(0).value("password").toString(), QStringLiteral("pw"));
        race.results.append({.participantId = race.participants[2].id, .raceTime = 700.0});
        tick(race);
        QCOMPARE(status(), QStringLiteral("Published 0 runner change(s), 1 result change(s) at 07:05:09"));
        QCOMPARE(sent(1, "results").size(), 1);
        QCOMPARE(sent(1, "results")[0].toObject().value("status").toInt(), 3);
        race.name = QStringLiteral("Renamed");
        tick(race, false);
        QCOMPARE(status(), QStringLiteral("No changes to publish at 07:05:09"));
        m_timer->tick(); // nothing pending
        QCOMPARE(m_server->requests.size(), 2);
    }

    void failuresKeepTheBaselineAndRetry()
    {
        Race race = raceWith(2, 1);
        m_server->answers = {{.status = 500}, {.status = 200}};
        tick(race);
        QCOMPARE(status(), QStringLiteral("Publish failed: server returned status 500"));
        m_timer->tick(); // the failed race waits for the next tick
        QTRY_COMPARE(m_server->requests.size(), 2);
        QTRY_VERIFY(status().startsWith(QStringLiteral("Published 2 runner(s)")));
        race.results.append({.participantId = race.participants[1].id, .raceTime = 1.0, .completed = true});
        m_server->dropping = true;
        tick(race);
        m_server->dropping = false;
        QVERIFY2(status().startsWith(QStringLiteral("Publish failed: ")) && !status().contains("status"),
            qPrintable(status()));
        race.participants[0].familyName = QStringLiteral("Changed");
        tick(race);
        const int last = int(m_server->requests.size()) - 1;
        QCOMPARE(body(last).value("mode").toString(), QStringLiteral("diff"));
        QCOMPARE(sent(last, "runners").size(), 1);
        QCOMPARE(sent(last, "results").size(), 1); // the change the dropped upload carried
    }

    void oneUploadInFlight()
    {
        m_server->answers = {{.hold = true}};
        m_publisher->publishNow(raceWith(1, 0));
        QTRY_VERIFY(m_server->held);
        Race later = raceWith(1, 1);
        m_publisher->raceDidChange(later);
        m_timer->tick();
        QCoreApplication::processEvents();
        QCOMPARE(m_server->requests.size(), 1);
        QVERIFY(m_publisher->isPublishing());
        FakeMetsaServer::respond(m_server->held, 200, {});
        // The waiting tick runs once the first upload is accepted: a diff of the later race.
        QTRY_COMPARE(m_server->requests.size(), 2);
        QCOMPARE(body(1).value("mode").toString(), QStringLiteral("diff"));
    }

    void anotherCompetitionStartsComplete()
    {
        tick(raceWith(2, 2));
        m_settings->setCompetitionId(QStringLiteral("43"));
        tick(raceWith(2, 2));
        QCOMPARE(body(1).value("mode").toString(), QStringLiteral("complete"));
        QCOMPARE(body(1).value("eventid").toInteger(), 43);
        m_settings->setCompetitionId(QStringLiteral("43a"));
        tick(raceWith(2, 2), false);
        QCOMPARE(status(), QStringLiteral("Invalid competition id (must be numeric \"eventid\")"));
        QCOMPARE(m_server->requests.size(), 2);
        m_settings->setCompetitionId(QStringLiteral("5\n"));
        tick(raceWith(2, 2), false);
        QCOMPARE(status(), QStringLiteral("Invalid competition id (must be numeric \"eventid\")"));
        QCOMPARE(m_server->requests.size(), 2);
    }

    // A server that never answers: the injected time-out ends the upload, and the status line
    // says so rather than Qt's "Operation canceled".
    void serverThatNeverAnswers()
    {
        m_publisher = std::make_unique<LiveResultatPublisher>(m_settings.get(),
            LiveResultatPublisherOptions {.timer = std::make_unique<ManualTimer>(),
                .clock = [] { return QTime(7, 5, 9); },
                .timeoutMs = 300});
        m_server->answers = {{.hold = true}};
        m_publisher->publishNow(raceWith(1, 1));
        QTRY_VERIFY(!m_publisher->isPublishing());
        QCOMPARE(status(), QStringLiteral("Publish failed: the server did not answer in time"));
    }

    // A passcode with a line break, or one that reads empty because the key store could not keep
    // it, is never sent.
    void passcodeThatCannotBeSent()
    {
        m_settings->setPasscode(QStringLiteral("pw\r\nX-Injected: 1"));
        m_publisher->publishNow(raceWith(1, 1));
        QCOMPARE(
            status(), QStringLiteral("Invalid passcode: it holds a line break or another control character"));

        UnreachableKeyStore nowhere;
        LiveResultatSettings lost(m_store.get(), &nowhere);
        QVERIFY(!lost.passcodeKept());
        QCOMPARE(lost.passcode(), QString());
        LiveResultatPublisher publisher(&lost, {.timer = std::make_unique<ManualTimer>()});
        publisher.publishNow(raceWith(1, 1));
        QCOMPARE(publisher.statusText(),
            QStringLiteral("Not published: the passcode was not kept (no key store); type it again"));
        // Typed again in this run, it is sent.
        lost.setPasscode(QStringLiteral("pw"));
        publisher.publishNow(raceWith(1, 1));
        QTRY_VERIFY(!publisher.isPublishing());
        QCOMPARE(m_server->requests.size(), 1);
        QCOMPARE(body(0).value("password").toString(), QStringLiteral("pw"));
    }
};

QTEST_GUILESS_MAIN(TestLiveResultatPublisher)
#include "tst_liveresultatpublisher.moc"
