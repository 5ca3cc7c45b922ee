#include "racejson.h"
#include "storefakes.h"
#include "syncengine.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

namespace {

QJsonObject body(const QByteArray &frame)
{
    const quint32 length = qFromBigEndian<quint32>(frame.constData());
    if (length != quint32(frame.size() - 4))
        return {};
    return QJsonDocument::fromJson(frame.mid(4)).object();
}

PersonResult sampleResult()
{
    PersonResult r;
    r.cardNumber = QStringLiteral("8001234");
    r.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
    return r;
}

} // namespace

class TestSyncEngine : public QObject
{
    Q_OBJECT

private slots:
    void broadcastOnlyOnMaster_data()
    {
        QTest::addColumn<StationRole>("role");
        QTest::addColumn<int>("frames");
        QTest::newRow("standalone") << StationRole::Standalone << 0;
        QTest::newRow("slave") << StationRole::Slave << 0;
        QTest::newRow("master") << StationRole::Master << 1;
    }

    void broadcastOnlyOnMaster()
    {
        QFETCH(StationRole, role);
        QFETCH(int, frames);
        SyncEngine engine;
        engine.start(role, QStringLiteral("STATION-1"), QStringLiteral("Vexlo Race"));
        RecordingConnection a, b;
        engine.addConnection(&a);
        engine.addConnection(&b);
        Race race;
        race.name = QStringLiteral("Broadcast");
        engine.broadcastSnapshot(race);
        QCOMPARE(a.frames.size(), frames);
        QCOMPARE(b.frames.size(), frames);
        if (frames == 0)
            return;
        QCOMPARE(a.frames.first(), b.frames.first());
        const QJsonObject message = body(a.frames.first());
        QCOMPARE(message.value("kind").toString(), QStringLiteral("snapshot"));
        QCOMPARE(message.value("stationId").toString(), QStringLiteral("STATION-1"));
        QVERIFY(!message.contains("result"));
        QCOMPARE(raceFromJsonObject(message.value("race").toObject())->name, QStringLiteral("Broadcast"));
    }

    void submitOnlyOnConnectedSlave_data()
    {
        QTest::addColumn<StationRole>("role");
        QTest::addColumn<int>("connections");
        QTest::addColumn<int>("frames");
        QTest::newRow("slave, connected") << StationRole::Slave << 2 << 1;
        QTest::newRow("slave, no connection") << StationRole::Slave << 0 << 0;
        QTest::newRow("master") << StationRole::Master << 2 << 0;
        QTest::newRow("standalone") << StationRole::Standalone << 2 << 0;
    }

    void submitOnlyOnConnectedSlave()
    {
        QFETCH(StationRole, role);
        QFETCH(int, connections);
        QFETCH(int, frames);
        SyncEngine engine;
        engine.start(role, QStringLiteral("SLAVE-7"), QStringLiteral("Vexlo Race"));
        RecordingConnection first, second;
        if (connections > 0)
            engine.addConnection(&first);
        if (connections > 1)
            engine.addConnection(&second);
        engine.submitResult(sampleResult());
        QCOMPARE(first.frames.size(), frames);
        QVERIFY(second.frames.isEmpty()); // only ever the first connection (the master)
        if (frames == 0)
            return;
        const QJsonObject message = body(first.frames.first());
        QCOMPARE(message.value("kind").toString(), QStringLiteral("submitResult"));
        QCOMPARE(message.value("stationId").toString(), QStringLiteral("SLAVE-7"));
        QVERIFY(!message.contains("race"));
        QCOMPARE(personResultFromJsonObject(message.value("result").toObject())->cardNumber,
            QStringLiteral("8001234"));
    }

    void unencodableRaceSendsNothing()
    {
        SyncEngine engine;
        engine.start(StationRole::Master, QStringLiteral("M"), QString());
        RecordingConnection slave;
        engine.addConnection(&slave);
        Race race;
        Course course;
        course.lengthMeters = qQNaN();
        race.courses.append(course);
        engine.broadcastSnapshot(race);
        QVERIFY(slave.frames.isEmpty());
    }

    void stopForgetsConnectionsKeepsRole()
    {
        SyncEngine engine;
        QCOMPARE(engine.statusText(), QStringLiteral("Not started"));
        engine.start(StationRole::Master, QStringLiteral("M"), QString());
        RecordingConnection slave;
        QSignalSpy count(&engine, &SyncEngine::connectedStationCountChanged);
        engine.addConnection(&slave);
        QCOMPARE(engine.connectedStationCount(), 1);
        engine.stop();
        QCOMPARE(engine.connectedStationCount(), 0);
        QCOMPARE(count.count(), 2);
        QCOMPARE(engine.statusText(), QStringLiteral("Not started"));
        QCOMPARE(engine.role(), StationRole::Master);
        QCOMPARE(engine.stationId(), QStringLiteral("M"));
        engine.broadcastSnapshot(Race {});
        QVERIFY(slave.frames.isEmpty());
    }

    void removeConnection()
    {
        SyncEngine engine;
        engine.start(StationRole::Slave, QStringLiteral("S"), QString());
        RecordingConnection a, b;
        engine.addConnection(&a);
        engine.addConnection(&b);
        engine.removeConnection(&a);
        engine.submitResult(sampleResult());
        QVERIFY(a.frames.isEmpty());
        QCOMPARE(b.frames.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
