// The Vexlo Web and O-Checklist tabs' view-models over a real store, a fake Vexlo Web service on
// 127.0.0.1 and the real Secret Service in a private D-Bus session (the program re-runs itself
// under with-private-keyring.sh). The API key must end up in the secret store and nowhere else.

#include "../../online/keyringtesthelpers.h"
#include "casetable.h"
#include "fakevexloweb.h"
#include "log.h"
#include "racestore.h"
#include "settingstabs.h"
#include "vexlowebtabs.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {
const QString apiKey = QStringLiteral("vx-GOOD-4711-\u00e6\u00f8\u00e5");

// "ev=<id> key=<key>" and, per participant, its name with what check-ins set.
QString summary(const Race &race)
{
    QStringList parts {QStringLiteral("ev=%1 key=%2")
                           .arg(race.vexloWebEventId.value_or(QStringLiteral("-")),
                               race.vexloWebChecklistKey.value_or(QStringLiteral("-")))};
    for (const Participant &p : race.participants) {
        QString s = p.givenName;
        s += p.checkedInAt ? QStringLiteral(" in") : QString();
        s += p.status == ParticipantStatus::Dns ? QStringLiteral(" dns") : QString();
        s += p.externalId ? QStringLiteral(" ext=") + *p.externalId : QString();
        s += p.pendingCardNumber ? QStringLiteral(" card=") + *p.pendingCardNumber : QString();
        parts.append(s);
    }
    return parts.join(QLatin1Char('|'));
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
        options.autosaveFolder = m_dir.filePath(QStringLiteral("autosave"));
        options.backgroundAutosave = false;
        options.clock = [] { return QDateTime(QDate(2026, 5, 1), QTime(8, 0), QTimeZone::utc()); };
        m_store = std::make_unique<RaceStore>(std::move(options));
        QTRY_VERIFY(m_store->vexloWebSettings()->isKeyLoaded());
        m_view = std::make_unique<SyncViewModel>();
        m_view->setRaceStore(m_store.get());
    }
    QStringList tabIds() const
    {
        QStringList ids;
        for (const QVariant &tab : m_view->tabs())
            ids.append(tab.toMap().value(QStringLiteral("id")).toString());
        return ids;
    }
    Race fixture() const
    {
        Race race;
        race.name = QStringLiteral("Spring");
        race.vexloWebEventId = QStringLiteral("ev-1");
        race.vexloWebChecklistKey = QStringLiteral("ck-1");
        for (auto [name, card] : {std::pair {"Anna", "101"}, {"Bo", "102"}, {"Carl", ""}, {"Dora", "104"}})
            race.participants.append(
                {.givenName = QString::fromLatin1(name), .cardNumber = QString::fromLatin1(card)});
        race.participants[3].externalId = QStringLiteral("d-1");
        return race;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(
            qEnvironmentVariableIsSet("VEXLO_PRIVATE_KEYRING"), "not inside the private keyring session");
        m_server.goodKeys.insert(apiKey);
        start();
    }

    void keyTypedVerifiedChangedInFlightAndRemoved()
    {
        VexloWebViewModel *web = m_view->vexloWeb();
        QVERIFY(!web->canVerify());
        QVERIFY(!tabIds().contains(QStringLiteral("oChecklist")));
        web->setApiKey(QStringLiteral("wrong"));
        QCOMPARE(tabIds(), QStringList({"stationRole", "liveResults", "vexloWeb", "oChecklist", "language"}));
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
        tab->rotateKey();
        QTRY_COMPARE(tab->checklistKey(), QStringLiteral("ck-elsewhere-r"));

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
        if (file == QLatin1String("@huge")) {
            const QByteArray entry
                = "{\"id\":\"a1\",\"sportident\":\"101\",\"startStatus\":\"x\",\"hasNewSportident\":false},";
            const QByteArray body
                = "{\"eventId\":\"ev-1\",\"entries\":[" + entry.repeated((9 << 20) / entry.size()) + "{}]}";
            m_server.rawAnswer
                = "HTTP/1.1 200 X\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        } else {
            QFile in(QStringLiteral(VEXLO_TEST_DATA_DIR "/online/vexloweb/") + file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            m_server.rawAnswer = in.readAll();
        }
        LogCapture log;
        OChecklistViewModel *tab = m_view->oChecklist();
        if (file.startsWith(QLatin1String("event-"))) {
            tab->refresh();
            QTRY_VERIFY(!tab->isLoading());
            QCOMPARE(tab->fetchStatus(), cells[1]);
        } else {
            QVERIFY(tab->canPullNow());
            tab->pullNow();
            QTRY_VERIFY(!tab->isPulling());
            QCOMPARE(tab->pullStatus(), cells[1]);
        }
        QCOMPARE(summary(m_store->race()), cells[2]);
        QCOMPARE(log.lines().join(QLatin1Char('\n')), cells.value(3));
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
    if (!qEnvironmentVariableIsSet("VEXLO_PRIVATE_KEYRING")) {
        std::vector<char *> args {const_cast<char *>("/bin/sh"), const_cast<char *>(KEYRING_WRAPPER)};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execv("/bin/sh", args.data());
        std::perror("tst_vexlowebtabs: cannot run the keyring wrapper");
        return 1;
    }
    QCoreApplication app(argc, argv);
    TestVexloWebTabs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vexlowebtabs.moc"
