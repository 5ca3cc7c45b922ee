// The Vexlo Web and O-Checklist tabs' view-models over a real store, a fake Vexlo Web service on
// 127.0.0.1 and the real Secret Service in a private D-Bus session (the program re-runs itself
// under with-private-keyring.sh). The API key must end up in the secret store and nowhere else.

#include "../../online/keyringtesthelpers.h"
#include "casetable.h"
#include "fakevexloweb.h"
#include "log.h"
#include "racestore.h"
#include "settingstabs.h"
#include "storefakes.h"
#include "vexlowebtabs.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {
const QString apiKey = QStringLiteral("vx-GOOD-4711-\u00e6\u00f8\u00e5");

// "ev=<id> key=<key>" and, per participant, its name with what check-ins set.
QString summary(const Race &race)
{
    QString s
        = "ev=" + race.vexloWebEventId.value_or("-") + " key=" + race.vexloWebChecklistKey.value_or("-");
    for (const Participant &p : race.participants) {
        s += "|" + p.givenName + (p.checkedInAt ? " in" : "")
            + (p.status == ParticipantStatus::Dns ? " dns" : "")
            + (p.externalId ? " ext=" + *p.externalId : "")
            + (p.pendingCardNumber ? " card=" + *p.pendingCardNumber : "");
    }
    return s;
}
} // namespace

class TestVexloWebTabs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeVexloWeb m_server;
    std::unique_ptr<RaceStore> m_store;
    std::unique_ptr<SyncViewModel> m_view;

    // A store as at start-up, its key loaded from the secret store.
    void start()
    {
        m_view.reset();
        m_store.reset();
        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
        options.settings->setValue("vexloWebBaseUrl", m_server.baseUrl().toString());
        options.autosaveFolder = m_dir.filePath("autosave");
        options.backgroundAutosave = false;
        options.clock = [] { return QDateTime(QDate(2026, 5, 1), QTime(8, 0), QTimeZone::utc()); };
        m_store = std::make_unique<RaceStore>(std::move(options));
        QTRY_VERIFY(m_store->vexloWebSettings()->isKeyLoaded());
        m_view = std::make_unique<SyncViewModel>();
        m_view->setRaceStore(m_store.get());
    }
    bool offersChecklistTab() const
    {
        return m_view->tabs().contains(
            QVariantMap {{"id", "oChecklist"}, {"title", "O-Checklist"}, {"symbol", "checklist"}});
    }
    static Race fixture()
    {
        Race race {.name = "Spring", .vexloWebEventId = "ev-1", .vexloWebChecklistKey = "ck-1"};
        for (auto [name, card] : {std::pair {"Anna", "101"}, {"Bo", "102"}, {"Carl", ""}, {"Dora", "104"}})
            race.participants.append(Participant {.givenName = name, .cardNumber = card});
        race.participants[3].externalId = "d-1";
        return race;
    }

private slots:
    void initTestCase()
    {
        m_server.goodKeys.insert(apiKey);
        QVERIFY(m_dir.isValid());
        start();
    }

    void keyTypedVerifiedChangedInFlightAndRemoved()
    {
        VexloWebViewModel *web = m_view->vexloWeb();
        QVERIFY(!web->canVerify());
        QVERIFY(!offersChecklistTab());
        web->setApiKey(QStringLiteral("wrong"));
        QVERIFY(offersChecklistTab());
        web->verify();
        QTRY_COMPARE(web->statusText(), QStringLiteral("Verification failed: server returned status 401"));
        QVERIFY(!web->isVerified());

        // The answer for `apiKey` arrives after the field already holds another key.
        m_server.holding = true;
        web->setApiKey(apiKey);
        web->verify();
        QVERIFY(web->isVerifying() && !web->canVerify());
        web->setApiKey(apiKey + QStringLiteral("x"));
        m_server.release();
        QTRY_COMPARE(web->statusText(), QStringLiteral("Verified"));
        QVERIFY(!web->isVerified());

        web->setApiKey(apiKey);
        web->verify();
        QTRY_VERIFY(web->isVerified());
        start(); // a restart keeps the key and its verification, shown as saved
        QCOMPARE(m_view->vexloWeb()->apiKey(), apiKey);
        QCOMPARE(m_view->vexloWeb()->statusText(), QStringLiteral("Verified (saved)"));

        m_server.stop();
        m_view->vexloWeb()->verify();
        QTRY_COMPARE(
            m_view->vexloWeb()->statusText(), QStringLiteral("Verification failed: Connection refused"));
        QVERIFY(m_view->vexloWeb()->isVerified()); // a failed check leaves the stored verification
        m_server.resume();
    }

    // A key with a line break (pasted with its newline) never reaches a request header: the field
    // refuses it with a reason, and a stored one is not sent. A service that never answers is
    // said to have not answered in time.
    void controlCharactersAndTimeOut()
    {
        VexloWebViewModel *web = m_view->vexloWeb();
        web->setApiKey(apiKey);
        for (const QString &pasted : {apiKey + QStringLiteral("\n"), QStringLiteral("a\r\nX-Injected: 1"),
                 QStringLiteral("tab\tkey"), QStringLiteral("del\x7f")}) {
            web->finishApiKey(pasted);
            QCOMPARE(web->apiKeyError(),
                QStringLiteral("The API key cannot hold a line break or another control character."));
            QCOMPARE(web->apiKey(), apiKey);
        }
        web->finishApiKey(apiKey + QStringLiteral("2"));
        QCOMPARE(web->apiKeyError(), QString());
        QCOMPARE(web->apiKey(), apiKey + QStringLiteral("2"));

        const qsizetype sent = m_server.requests.size();
        m_store->vexloWebSettings()->setApiKey(QStringLiteral("k\r\nX-Injected: 1"));
        web->verify();
        QCOMPARE(web->statusText(),
            QStringLiteral("Invalid API key: it holds a line break or another control character"));
        OChecklistViewModel *tab = m_view->oChecklist();
        tab->refresh();
        QTRY_VERIFY(!tab->isLoading());
        QCOMPARE(tab->fetchStatus(),
            QStringLiteral("Invalid API key: it holds a line break or another control character"));
        m_store->vexloWebSettings()->setApiKey(apiKey);
        Race race = fixture();
        race.vexloWebChecklistKey = QStringLiteral("ck\r\nX-Injected: 1");
        m_store->setRace(race);
        tab->pullNow();
        QTRY_VERIFY(!tab->isPulling());
        QCOMPARE(tab->pullStatus(),
            QStringLiteral("Pull failed: the API key or check-in key holds a line break or another control "
                           "character"));
        QCOMPARE(m_server.requests.size(), sent);

        VexloWebVerifier verifier({.baseUrl = m_server.baseUrl(), .timeoutMs = 300});
        m_server.holding = true;
        verifier.verifyKey(apiKey, {});
        QTRY_VERIFY(!verifier.isVerifying());
        QCOMPARE(
            verifier.statusText(), QStringLiteral("Verification failed: the server did not answer in time"));
        m_server.release();
        m_store->setRace(Race {});
        start();
    }

    // The passcode typed in the tab reaches the Secret Service once and is there after a restart.
    void passcodeInTheSecretStore()
    {
        {
            LiveResultsViewModel live(m_store.get());
            QVERIFY(live.keyStoreNotice().isEmpty());
            live.finishPasscode(QStringLiteral("pass-\u00e6\u00f8\u00e5"));
        }
        start();
        QTRY_COMPARE(m_store->liveResultatSettings()->passcode(), QStringLiteral("pass-\u00e6\u00f8\u00e5"));
        QVERIFY(m_store->liveResultatSettings()->passcodeKept());
    }

    void refreshCapturesOnceRotateReplacesOnlyForTheAskingEvent()
    {
        OChecklistViewModel *tab = m_view->oChecklist();
        QVERIFY(!tab->hasEvent() && !tab->canPullNow());
        Race race = fixture();
        race.vexloWebEventId.reset();
        race.vexloWebChecklistKey.reset();
        m_store->setRace(race);
        tab->refresh();
        QTRY_VERIFY(tab->hasEvent());
        QCOMPARE(summary(m_store->race()).section('|', 0, 0), QStringLiteral("ev=ev-1 key=ck-1"));
        QCOMPARE(tab->eventDate(), QDate::currentDate().toString(Qt::ISODate)); // no race date: today
        m_server.events[0].key = QStringLiteral("ck-elsewhere");
        tab->refresh();
        QTRY_VERIFY(!tab->isLoading());
        QCOMPARE(tab->checklistKey(), QStringLiteral("ck-1")); // captured once
        race = m_store->race();
        race.date = QDateTime(QDate(2026, 12, 31), QTime(23, 30)); // local: that day, whatever UTC says
        m_store->setRace(race);
        tab->rotateKey();
        QTRY_COMPARE(tab->checklistKey(), QStringLiteral("ck-elsewhere-r"));
        QCOMPARE(m_server.requests.last().body,
            QByteArray("{\"eventId\":\"ev-1\",\"name\":\"Spring\",\"eventDate\":\"2026-12-31\","
                       "\"rotateChecklistKey\":true}"));

        // Another event is opened while the rotation is under way: the answer is not its own.
        m_server.holding = true;
        tab->rotateKey();
        race = fixture();
        race.vexloWebEventId = QStringLiteral("ev-other");
        m_store->setRace(race);
        m_server.release();
        QTRY_VERIFY(!tab->isLoading());
        QCOMPARE(summary(m_store->race()).section('|', 0, 0), QStringLiteral("ev=ev-other key=ck-1"));
        // A failure stores nothing, though the client still shows its last event.
        m_store->setRace(Race {});
        m_server.rawAnswer = QByteArray("HTTP/1.1 500 X\r\nContent-Length: 0\r\n\r\n");
        tab->refresh();
        QTRY_VERIFY(!tab->isLoading());
        QCOMPARE(summary(m_store->race()), QStringLiteral("ev=- key=-"));
        QVERIFY(tab->hasEvent());
    }

    // Each answer file: the status shown, the race afterwards and the log.
    void answers_data() { casetable::load("online/vexloweb-answers.tsv"); }
    void answers()
    {
        QFETCH(QStringList, cells);
        const QString file = cells[0];
        m_store->vexloWebSettings()->setApiKey(apiKey);
        m_store->setRace(fixture());
        QFile in(QStringLiteral(VEXLO_TEST_DATA_DIR "/online/vexloweb/") + file);
        if (file == QLatin1String("@huge")) {
            const QByteArray body = "{\"eventId\":\"e\",\"entries\":[" + QByteArray(9 << 20, ' ') + "]}";
            m_server.rawAnswer
                = "HTTP/1.1 200 X\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        } else {
            QVERIFY(in.open(QIODevice::ReadOnly));
            m_server.rawAnswer = in.readAll();
        }
        LogCapture log;
        OChecklistViewModel *tab = m_view->oChecklist();
        const bool event = file.startsWith(QLatin1String("event-"));
        QVERIFY(event || tab->canPullNow());
        event ? tab->refresh() : tab->pullNow();
        QTRY_VERIFY(!tab->isLoading() && !tab->isPulling());
        QCOMPARE(event ? tab->fetchStatus() : tab->pullStatus(), cells[1]);
        QCOMPARE(summary(m_store->race()), cells[2]);
        QCOMPARE(log.lines().join(QLatin1Char('\n')), cells.value(3));
    }

    // A tick of the (hand-fired) timer pulls; one while a pull is under way is dropped; turning
    // pulling off stops the timer.
    void pullerTimer()
    {
        auto timer = std::make_unique<ManualTimer>();
        ManualTimer *t = timer.get();
        VexloChecklistSettings *settings = m_store->vexloChecklistSettings();
        VexloChecklistPuller puller(settings, {{.baseUrl = m_server.baseUrl()}, std::move(timer)});
        settings->setEnabled(true);
        int handedOver = 0;
        m_server.events = {{"ev-1", {}, {}, "ck-1"}};
        puller.credentialsProvider = [] { return ChecklistCredentials {apiKey, "ck-1"}; };
        puller.onCheckinsReceived = [&](const QList<ChecklistEntry> &) { ++handedOver; };
        const qsizetype before = m_server.requests.size();
        m_server.holding = true;
        t->tick();
        t->tick();
        settings->setEnabled(false);
        QVERIFY(!t->tick);
        m_server.release();
        QTRY_VERIFY(!puller.isPulling());
        QCOMPARE(m_server.requests.size(), before + 1);
        QCOMPARE(handedOver, 1);
        QCOMPARE(m_server.requests.last().headers.value("x-checklist-key"), QByteArray("ck-1"));
    }

    // Nothing the program wrote holds the API key: not the settings, the autosave, the event
    // files or the log; only the secret store has it.
    void keyOnlyInTheSecretStore()
    {
        LogCapture log;
        m_store->vexloWebSettings()->setApiKey(apiKey);
        m_store->autosave();
        start();
        QCOMPARE(m_store->vexloWebSettings()->apiKey(), apiKey);
        m_store.reset();
        QCOMPARE(filesContaining(m_dir.path(), apiKey.toUtf8()), QStringList());
        QCOMPARE(filesContaining(QDir::homePath(), apiKey.toUtf8()), QStringList());
        QVERIFY(!log.lines().join(QLatin1Char('\n')).contains(apiKey));
        start();
        m_store->vexloWebSettings()->setApiKey(QString());
        start();
        QCOMPARE(m_store->vexloWebSettings()->apiKey(), QString()); // removed from the secret store
    }
};

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Copenhagen");
    enterPrivateKeyring(argc, argv, KEYRING_WRAPPER);
    QCoreApplication app(argc, argv);
    TestVexloWebTabs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vexlowebtabs.moc"
