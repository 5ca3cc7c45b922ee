// The Metsä tab's view-model over a store with private settings, publishing to a fake service on
// 127.0.0.1.

#include "casetable.h"
#include "fakemetsaserver.h"
#include "metsatab.h"
#include "racestore.h"
#include "storefakes.h"

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

    // "Publish now" with publishing off, the button held while the upload runs, and the status
    // line the service's answer gives.
    void answers_data() { casetable::load("online/metsa-answers.tsv"); }
    void answers()
    {
        QFETCH(QStringList, cells);
        m_server->answers = {{.status = cells[0].toInt(), .body = cells[1].toUtf8()}};
        QVERIFY(!m_tab->canPublishNow());
        m_tab->setCompetitionId(QStringLiteral(" ")); // not trimmed: a space counts
        m_tab->publishNow();
        QVERIFY(m_tab->isPublishing() && !m_tab->canPublishNow());
        QTRY_VERIFY(!m_tab->isPublishing());
        QCOMPARE(m_tab->statusText(), cells[2]);
        QVERIFY(m_tab->canPublishNow());
        QCOMPARE(m_server->requests.value(0).path, QByteArray("/api/v1/competitions/%20/uploads"));
    }

    void intervalStepper()
    {
        MetsaSettings *s = m_store->metsaSettings();
        QCOMPARE(m_tab->intervalText(), QStringLiteral("Every 5 min"));
        m_tab->step(1);
        QCOMPARE(s->publishIntervalSeconds(), 360.0);
        s->setPublishIntervalSeconds(90); // 1.5 min
        QCOMPARE(m_tab->intervalText(), QStringLiteral("Every 1 min"));
        m_tab->step(-1);
        QCOMPARE(s->publishIntervalSeconds(), 90.0);
        s->setPublishIntervalSeconds(3600);
        m_tab->step(1);
        QCOMPARE(s->publishIntervalSeconds(), 3600.0);
    }
};

QTEST_GUILESS_MAIN(TestMetsaTab)
#include "tst_metsatab.moc"
