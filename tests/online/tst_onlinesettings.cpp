#include "casetable.h"
#include "livepublishers.h"
#include "metsapublisher.h"
#include "publishingsettings.h"
#include "storefakes.h"
#include "vexlochecklist.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestOnlineSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    MemoryKeyStore m_keys;
    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    }
    std::unique_ptr<PublishingSettings> make(const QString &service, QSettings *s)
    {
        if (service == QStringLiteral("liveResultat"))
            return std::make_unique<LiveResultatSettings>(s, &m_keys);
        return std::make_unique<MetsaSettings>(s, &m_keys);
    }
    static std::unique_ptr<LivePublisher> publisher(PublishingSettings *s)
    {
        if (auto *l = qobject_cast<LiveResultatSettings *>(s))
            return std::make_unique<LiveResultatPublisher>(l);
        return std::make_unique<MetsaPublisher>(qobject_cast<MetsaSettings *>(s));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_keys.entries.clear();
        m_keys.calls.clear();
    }

    // Also: nothing is written at start-up.
    void storedInterval_data() { casetable::load("online/publish-intervals.tsv"); }
    void storedInterval()
    {
        QFETCH(QStringList, cells);
        auto store = settings();
        if (!cells[1].isEmpty())
            store->setValue(cells[0] + QStringLiteral("PublishIntervalSeconds"), cells[1]);
        const QStringList before = store->allKeys();
        auto s = make(cells[0], store.get());
        QCOMPARE(s->publishIntervalSeconds(), cells[2].toDouble());
        QCOMPARE(store->allKeys(), before);
    }

    void everyAssignmentWritesAndNotifies()
    {
        auto store = settings();
        LiveResultatSettings s(store.get(), &m_keys);
        QSignalSpy spy(&s, &PublishingSettings::competitionIdChanged);
        QStringList written;
        for (const QString &typed : {QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("123 ")}) {
            s.setCompetitionId(typed);
            written.append(store->value(QStringLiteral("liveResultatCompetitionId")).toString());
        }
        QCOMPARE(written, QStringList({"1", "12", "123 "}));
        s.setCompetitionId(QStringLiteral("123 "));
        QCOMPARE(spy.count(), 4);
        s.setEnabled(true);
        s.setPasscode(QStringLiteral("pw"));
        s.setPublishIntervalSeconds(5);
        auto again = settings();
        LiveResultatSettings restarted(again.get(), &m_keys);
        QVERIFY(restarted.enabled());
        QCOMPARE(restarted.competitionId(), QStringLiteral("123 "));
        QCOMPARE(restarted.passcode(), QStringLiteral("pw"));
        QCOMPARE(restarted.publishIntervalSeconds(), 5.0);
        // The passcode is a secret: never in the settings file.
        QVERIFY(!again->contains(QStringLiteral("liveResultatPasscode")));
        // Metsä keys are untouched by LiveResultat's.
        QVERIFY(!again->contains(QStringLiteral("metsaEnabled")));
    }

    void publisherTimer_data() { casetable::load("online/publish-timers.tsv"); }
    void publisherTimer()
    {
        QFETCH(QStringList, cells);
        const double interval = cells[2].toDouble();
        auto store = settings();
        auto s = make(cells[0], store.get());
        s->setEnabled(cells[1] == u"1");
        s->setPublishIntervalSeconds(interval);
        auto p = publisher(s.get());
        QCOMPARE(
            p->timerPeriodMs(), cells[3].isEmpty() ? std::nullopt : std::optional<int>(cells[3].toInt()));
        // The setting stays as stored; only the timer has the floor.
        if (!qIsNaN(interval))
            QCOMPARE(s->publishIntervalSeconds(), interval);
    }

    void raceDidChangeKeepsPendingOnlyWhenConfigured()
    {
        auto store = settings();
        MetsaSettings s(store.get(), &m_keys);
        MetsaPublisher p(&s);
        Race race;
        race.name = QStringLiteral("First");
        p.raceDidChange(race);
        QVERIFY(!p.pendingRace()); // off
        s.setEnabled(true);
        p.raceDidChange(race);
        QVERIFY(!p.pendingRace()); // no competition id
        s.setCompetitionId(QStringLiteral(" "));
        p.raceDidChange(race);
        QCOMPARE(p.pendingRace()->name, QStringLiteral("First")); // a space counts as set
        s.setCompetitionId(QString());
        race.name = QStringLiteral("Second");
        p.raceDidChange(race);
        QCOMPARE(p.pendingRace()->name, QStringLiteral("First")); // the earlier one stays
        s.setEnabled(false);
        QVERIFY(!p.pendingRace()); // turning publishing off drops it
        QVERIFY(!p.timerPeriodMs());
    }

    // An older version kept the passcode in the settings file: moved to the key store once, for
    // either service.
    void plainPasscodeMovesToKeyStore()
    {
        for (const QString &service : {QStringLiteral("liveResultat"), QStringLiteral("metsa")}) {
            auto store = settings();
            const QString key = service + QStringLiteral("Passcode");
            store->setValue(key, QStringLiteral("old-secret"));
            m_keys.calls.clear();
            QCOMPARE(make(service, store.get())->passcode(), QStringLiteral("old-secret"));
            QVERIFY(!store->contains(key));
            QCOMPARE(m_keys.calls, QStringList({"save:old-secret"}));
            QCOMPARE(make(service, store.get())->passcode(), QStringLiteral("old-secret"));
        }
        QCOMPARE(m_keys.entries.size(), 2); // one secret per service
    }

    void checklistSettings_data() { casetable::load("online/checklist-intervals.tsv"); }
    void checklistSettings()
    {
        QFETCH(QStringList, cells);
        auto store = settings();
        if (!cells[0].isEmpty())
            store->setValue(QStringLiteral("vexloChecklistPullIntervalSeconds"), cells[0]);
        store->setValue(QStringLiteral("vexloChecklistPullEnabled"), true);
        VexloChecklistSettings s(store.get());
        QCOMPARE(s.intervalSeconds(), cells[1].toDouble());
        VexloChecklistPuller puller(&s);
        QCOMPARE(puller.timerPeriodMs(), std::optional<int>(cells[2].toInt()));
        s.setEnabled(false);
        QVERIFY(!puller.timerPeriodMs());
        QVERIFY(!store->value(QStringLiteral("vexloChecklistPullEnabled")).toBool());
        s.setIntervalSeconds(20);
        QVERIFY(!puller.timerPeriodMs());
        s.setEnabled(true);
        QCOMPARE(puller.timerPeriodMs(), std::optional<int>(20000));
        QCOMPARE(store->value(QStringLiteral("vexloChecklistPullIntervalSeconds")).toDouble(), 20.0);
    }
};

QTEST_GUILESS_MAIN(TestOnlineSettings)
#include "tst_onlinesettings.moc"
