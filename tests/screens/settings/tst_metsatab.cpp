// The Metsä tab's view-model over a store with private settings, publishing to a fake service on
// 127.0.0.1.

#include "casetable.h"
#include "fakemetsaserver.h"
#include "metsatab.h"
#include "racestore.h"
#include "storefakes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestMetsaTab : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeMetsaServer> m_server;
    std::unique_ptr<RaceStore> m_store;
    std::unique_ptr<MetsaTabViewModel> m_tab;

private slots:
    void init()
    {
        m_server = std::make_unique<FakeMetsaServer>();
        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(
            m_dir.filePath(QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".ini")),
            QSettings::IniFormat);
        options.settings->setValue(QStringLiteral("metsaBaseUrl"), m_server->baseUrl());
        options.autosaveFolder = m_dir.filePath(QStringLiteral("autosave"));
        options.keyStore = std::make_unique<MemoryKeyStore>();
        options.backgroundAutosave = false;
        options.clock = [] { return QDateTime(QDate(2025, 6, 14), QTime(10, 41, 7)); };
        m_store = std::make_unique<RaceStore>(std::move(options));
        m_tab = std::make_unique<MetsaTabViewModel>();
        m_tab->setRaceStore(m_store.get());
    }
    void cleanup()
    {
        m_tab.reset();
        m_store.reset();
        m_server.reset();
    }

    void answers_data() { casetable::load("online/metsa-answers.tsv"); }
    void answers()
    {
        QFETCH(QStringList, cells);
        m_server->answers = {{.status = cells[0].toInt(), .body = cells[1].toUtf8()}};
        m_tab->setCompetitionId(QStringLiteral("12345"));
        QSignalSpy changed(m_tab.get(), &MetsaTabViewModel::changed);
        m_tab->publishNow();
        QVERIFY(m_tab->isPublishing());
        QVERIFY(!m_tab->canPublishNow());
        QTRY_VERIFY(!m_tab->isPublishing());
        QCOMPARE(m_tab->statusText(), cells[2]);
        QVERIFY(changed.count() >= 2);
        QVERIFY(m_tab->canPublishNow());
        QCOMPARE(m_server->requests.size(), 1);
    }

    void publishNowNeedsAnIdAndWorksWithPublishingOff()
    {
        QVERIFY(!m_tab->canPublishNow());
        QCOMPARE(m_tab->statusText(), QStringLiteral("Not published yet"));
        m_tab->setCompetitionId(QStringLiteral(" ")); // not trimmed
        QVERIFY(m_tab->canPublishNow() && !m_tab->enabled());
        m_tab->setCompetitionId(QStringLiteral("7"));
        m_tab->publishNow();
        QTRY_COMPARE(m_tab->statusText(), QStringLiteral("Published at 10:41:07"));
        QCOMPARE(m_server->requests.value(0).path, QByteArray("/api/v1/competitions/7/uploads"));
    }

    void intervalStepperAndToggleKeepValues()
    {
        MetsaSettings *s = m_store->metsaSettings();
        QCOMPARE(m_tab->intervalText(), QStringLiteral("Every 5 min"));
        m_tab->step(1);
        QCOMPARE(s->publishIntervalSeconds(), 360.0);
        s->setPublishIntervalSeconds(90);
        QCOMPARE(m_tab->intervalText(), QStringLiteral("Every 1 min"));
        QVERIFY(!m_tab->canStepDown());
        m_tab->step(-1);
        QCOMPARE(s->publishIntervalSeconds(), 90.0);
        s->setPublishIntervalSeconds(3600);
        QVERIFY(!m_tab->canStepUp());
        m_tab->setCompetitionId(QStringLiteral("42"));
        m_tab->setPasscode(QStringLiteral("pw"));
        m_tab->setEnabled(true);
        m_tab->setEnabled(false);
        QCOMPARE(m_tab->competitionId(), QStringLiteral("42"));
        QCOMPARE(m_tab->passcode(), QStringLiteral("pw"));
        QCOMPARE(s->publishIntervalSeconds(), 3600.0);
    }
};

QTEST_GUILESS_MAIN(TestMetsaTab)
#include "tst_metsatab.moc"
