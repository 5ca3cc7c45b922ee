// The Metsä publisher against a fake service on 127.0.0.1, driven by a hand-fired timer.

#include "casetable.h"
#include "fakemetsaserver.h"
#include "metsapublisher.h"
#include "storefakes.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
Race raceNamed(const QString &name)
{
    Race race;
    race.name = name;
    return race;
}
} // namespace

class TestMetsaPublisher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    MemoryKeyStore m_keys;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<FakeMetsaServer> m_server;
    std::unique_ptr<MetsaSettings> m_settings;
    ManualTimer *m_timer = nullptr;
    std::unique_ptr<MetsaPublisher> m_publisher;

    QString status() const { return m_publisher->statusText(); }
    QString pendingName() const
    {
        return m_publisher->pendingRace() ? m_publisher->pendingRace()->name : QStringLiteral("none");
    }
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
        // The time-out is 1.5 s here instead of 60 s.
        m_publisher = std::make_unique<MetsaPublisher>(m_settings.get(),
            MetsaPublisherOptions {
                .timer = std::move(timer), .clock = [] { return QTime(10, 41, 7); }, .timeoutMs = 1500});
    }
    // Each line: the competition id and password as typed, the path the service receives ("-":
    // nothing is sent) and the status line afterwards; the service answers 404.
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
        QCoreApplication::processEvents();
        QCOMPARE(m_server->requests.size(), cells[2] == u"-" ? 0 : 1);
        // A refused setting drops the race; a refused upload keeps it for the next tick.
        QCOMPARE(pendingName(), QString(cells[2] == u"-" ? "none" : "Wire"));
        if (cells[2] == u"-")
            return;
        const FakeMetsaServer::Request &sent = m_server->requests[0];
        QCOMPARE(sent.method + ' ' + sent.path, "POST " + cells[2].toLatin1());
        QCOMPARE(sent.headers.value("authorization"), ("Bearer " + cells[1].toUtf8()).trimmed());
        QCOMPARE(sent.headers.value("content-type"), QByteArray("application/xml"));
        QCOMPARE(sent.body, MetsaPublisher::buildResultListXML(race).toUtf8());
    }

    // The status line for each answer; "Publish now" needs no background publishing.
    void answers_data() { casetable::load("online/metsa-answers.tsv"); }
    void answers()
    {
        QFETCH(QStringList, cells);
        m_server->answers = {{.status = cells[0].toInt(), .body = cells[1].toUtf8()}};
        m_settings->setEnabled(false);
        m_publisher->publishNow(raceNamed(QStringLiteral("Answered")));
        QVERIFY(m_publisher->isPublishing());
        settled();
        QCOMPARE(status(), cells[2]);
    }

    // A dropped connection is retried on the next tick. While an upload is in flight a tick waits
    // for it; a failed upload then leaves the newer race queued, and that one goes.
    void retriesAndOneUploadInFlight()
    {
        m_timer->tick(); // nothing handed over: nothing sent
        m_server->dropping = true;
        m_publisher->raceDidChange(raceNamed(QStringLiteral("First")));
        m_timer->tick();
        settled();
        QVERIFY2(
            status().startsWith("Publish failed: ") && !status().contains("status"), qPrintable(status()));
        QCOMPARE(pendingName(), QStringLiteral("First"));
        m_server->dropping = false;
        m_server->requests.clear();
        m_server->answers = {{.hold = true}, {.status = 503}};
        m_timer->tick();
        QTRY_VERIFY(m_server->held);
        m_publisher->raceDidChange(raceNamed(QStringLiteral("Second")));
        m_timer->tick();
        QCoreApplication::processEvents();
        QCOMPARE(m_server->requests.size(), 1);
        FakeMetsaServer::respond(m_server->held, 500, "{}");
        QTRY_COMPARE(m_server->requests.size(), 2);
        settled();
        QCOMPARE(
            status(), QStringLiteral("Publish failed: server not taking uploads right now — retry later"));
        QCOMPARE(pendingName(), QStringLiteral("Second"));
        QVERIFY(m_server->requests[0].body.contains("<Name>First</Name>"));
        QVERIFY(m_server->requests[1].body.contains("<Name>Second</Name>"));
    }

    void serverThatNeverAnswersOrTalksTooMuch()
    {
        m_server->answers = {{.hold = true},
            {.status = 401,
                .body = "{\"detail\": \"" + QByteArray(2 * MetsaPublisher::maxAnswerBytes, 'x') + "\"}"}};
        m_publisher->publishNow(raceNamed(QStringLiteral("Held")));
        settled();
        QCOMPARE(status(), QStringLiteral("Publish failed: the server did not answer in time"));
        QCOMPARE(pendingName(), QStringLiteral("Held"));
        // An oversized answer is not read to its end; its status still decides.
        m_publisher->publishNow(raceNamed(QStringLiteral("Big")));
        settled();
        QCOMPARE(status(), QStringLiteral("Publish failed: wrong password"));
    }

    // A password that reads empty because the key store could not keep it is never sent; typed
    // again in this run, it is.
    void passwordLostWithTheKeyStore()
    {
        UnreachableKeyStore nowhere;
        MetsaSettings lost(m_store.get(), &nowhere);
        QVERIFY(!lost.passcodeKept());
        lost.setCompetitionId(QStringLiteral("12345"));
        MetsaPublisher publisher(&lost, {.timer = std::make_unique<ManualTimer>()});
        publisher.publishNow(raceNamed(QStringLiteral("Lost")));
        QTRY_VERIFY(!publisher.isPublishing());
        QCOMPARE(publisher.statusText(),
            QStringLiteral("Not published: the passcode was not kept (no key store); type it again"));
        QCOMPARE(m_server->requests.size(), 0);
        m_server->answers = {{.status = 404}};
        lost.setPasscode(QStringLiteral("again"));
        publisher.publishNow(raceNamed(QStringLiteral("Lost")));
        QTRY_COMPARE(m_server->requests.size(), 1);
        QTRY_VERIFY(!publisher.isPublishing());
    }
};

QTEST_GUILESS_MAIN(TestMetsaPublisher)
#include "tst_metsapublisher.moc"
