#include "racejson.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Kills a process while it autosaves a large event, many times over, at varying points of the
// write; both the local autosave and the open event file must always decode afterwards.
class TestAutosaveCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileSavingLeavesWholeFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QRandomGenerator random(20250517);
        const QString autosave = dir.filePath(QStringLiteral("data/current-race.json"));
        const QString eventFile = dir.filePath(QStringLiteral("event.vexloevent.json"));
        int lastRound = -1;
        constexpr int kills = 10;
        for (int kill = 0; kill < kills; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(AUTOSAVE_CHILD), {dir.path(), QStringLiteral("1500")});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Wait for a varying number of finished autosaves, then kill in the middle of the next
            // writes: the point within the write differs from round to round with the reads.
            const int waitFor = 1 + int(random.bounded(3));
            int seen = 0;
            while (seen < waitFor) {
                QVERIFY2(child.waitForReadyRead(120000), "the helper stopped saving");
                while (child.canReadLine()) {
                    const QByteArray line = child.readLine();
                    if (line.startsWith("saved "))
                        ++seen;
                }
            }
            // Let the next write get under way for a random share of its duration.
            QTest::qWait(int(random.bounded(40)));
            child.kill();
            QVERIFY(child.waitForFinished(30000));

            for (const QString &path : {autosave, eventFile}) {
                QFile file(path);
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
                QString error;
                const auto race = decodeRace(file.readAll(), &error);
                QVERIFY2(race, qPrintable(path + QStringLiteral(": ") + error));
                QCOMPARE(race->participants.size(), 1500);
                if (path == autosave) {
                    QVERIFY(race->name.startsWith(QStringLiteral("Round ")));
                    lastRound = race->name.mid(6).toInt();
                }
            }
        }
        QVERIFY(lastRound >= 0);
    }
};

QTEST_GUILESS_MAIN(TestAutosaveCrash)
#include "tst_autosavecrash.moc"
