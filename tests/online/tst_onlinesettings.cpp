#include "livepublishers.h"
#include "publishingsettings.h"
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
    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    }
    static std::unique_ptr<PublishingSettings> make(const QString &service, QSettings *s)
    {
        if (service == QStringLiteral("liveResultat"))
            return std::make_unique<LiveResultatSettings>(s);
        return std::make_unique<MetsaSettings>(s);
    }
    static std::unique_ptr<LivePublisher> publisher(PublishingSettings *s)
    {
        if (auto *l = qobject_cast<LiveResultatSettings *>(s))
            return std::make_unique<LiveResultatPublisher>(l);
        return std::make_unique<MetsaPublisher>(qobject_cast<MetsaSettings *>(s));
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void firstStart_data()
    {
        QTest::addColumn<QString>("service");
        QTest::newRow("LiveResultat") << "liveResultat";
        QTest::newRow("Metsä") << "metsa";
    }

    void firstStart()
    {
        QFETCH(QString, service);
        auto store = settings();
        auto s = make(service, store.get());
        QVERIFY(!s->enabled());
        QCOMPARE(s->competitionId(), QString());
        QCOMPARE(s->passcode(), QString());
        QCOMPARE(s->publishIntervalSeconds(), 300.0);
        QVERIFY(store->allKeys().isEmpty());
    }

    void storedInterval_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("loaded");
        for (const char *service : {"liveResultat", "metsa"}) {
            QTest::addRow("%s zero", service) << service << QVariant(0.0) << 300.0;
            QTest::addRow("%s negative", service) << service << QVariant(-60.0) << 300.0;
            QTest::addRow("%s five", service) << service << QVariant(5.0) << 5.0;
            QTest::addRow("%s text", service) << service << QVariant("soon") << 300.0;
            QTest::addRow("%s nan", service) << service << QVariant("nan") << 300.0;
        }
    }

    void storedInterval()
    {
        QFETCH(QString, service);
        QFETCH(QVariant, stored);
        QFETCH(double, loaded);
        auto store = settings();
        store->setValue(service + QStringLiteral("PublishIntervalSeconds"), stored);
        auto s = make(service, store.get());
        QCOMPARE(s->publishIntervalSeconds(), loaded);
    }

    void everyAssignmentWritesAndNotifies()
    {
        auto store = settings();
        LiveResultatSettings s(store.get());
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
        LiveResultatSettings restarted(again.get());
        QVERIFY(restarted.enabled());
        QCOMPARE(restarted.competitionId(), QStringLiteral("123 "));
        QCOMPARE(restarted.passcode(), QStringLiteral("pw"));
        QCOMPARE(restarted.publishIntervalSeconds(), 5.0);
        // Metsä keys are untouched by LiveResultat's.
        QVERIFY(!again->contains(QStringLiteral("metsaEnabled")));
    }

    void publisherTimer_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<double>("interval");
        QTest::addColumn<int>("period");
        for (const char *service : {"liveResultat", "metsa"}) {
            QTest::addRow("%s off", service) << service << false << 300.0 << -1;
            QTest::addRow("%s default", service) << service << true << 300.0 << 300000;
            QTest::addRow("%s below floor", service) << service << true << 5.0 << 10000;
            QTest::addRow("%s not a number", service) << service << true << qQNaN() << 10000;
        }
    }

    void publisherTimer()
    {
        QFETCH(QString, service);
        QFETCH(bool, enabled);
        QFETCH(double, interval);
        QFETCH(int, period);
        auto store = settings();
        auto s = make(service, store.get());
        s->setEnabled(enabled);
        s->setPublishIntervalSeconds(interval);
        auto p = publisher(s.get());
        QCOMPARE(p->statusText(), QStringLiteral("Not published yet"));
        QVERIFY(!p->isPublishing());
        QCOMPARE(p->timerPeriodMs().value_or(-1), period);
        // The setting stays as stored; only the timer has the floor.
        if (!qIsNaN(interval))
            QCOMPARE(s->publishIntervalSeconds(), interval);
    }

    void raceDidChangeKeepsPendingOnlyWhenConfigured()
    {
        auto store = settings();
        MetsaSettings s(store.get());
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

    void checklistSettings_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("interval");
        QTest::addColumn<int>("period");
        QTest::newRow("absent") << QVariant() << 60.0 << 60000;
        QTest::newRow("zero") << QVariant(0) << 60.0 << 60000;
        QTest::newRow("negative") << QVariant(-1) << 60.0 << 60000;
        QTest::newRow("five") << QVariant(5) << 5.0 << 15000;
        QTest::newRow("ninety") << QVariant(90) << 90.0 << 90000;
    }

    void checklistSettings()
    {
        QFETCH(QVariant, stored);
        QFETCH(double, interval);
        QFETCH(int, period);
        auto store = settings();
        if (stored.isValid())
            store->setValue(QStringLiteral("vexloChecklistPullIntervalSeconds"), stored);
        store->setValue(QStringLiteral("vexloChecklistPullEnabled"), true);
        VexloChecklistSettings s(store.get());
        QVERIFY(s.enabled());
        QCOMPARE(s.intervalSeconds(), interval);
        VexloChecklistPuller puller(&s);
        QCOMPARE(puller.statusText(), QStringLiteral("Not pulled yet"));
        QVERIFY(!puller.isPulling());
        QVERIFY(!puller.credentialsProvider);
        QVERIFY(!puller.onCheckinsReceived);
        QCOMPARE(puller.timerPeriodMs().value_or(-1), period);
        s.setEnabled(false);
        QVERIFY(!puller.timerPeriodMs());
        QVERIFY(!store->value(QStringLiteral("vexloChecklistPullEnabled")).toBool());
        s.setIntervalSeconds(20);
        QVERIFY(!puller.timerPeriodMs());
        s.setEnabled(true);
        QCOMPARE(puller.timerPeriodMs().value_or(-1), 20000);
        QCOMPARE(store->value(QStringLiteral("vexloChecklistPullIntervalSeconds")).toDouble(), 20.0);
    }
};

QTEST_GUILESS_MAIN(TestOnlineSettings)
#include "tst_onlinesettings.moc"
