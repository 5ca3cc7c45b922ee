// The slave's unsent results on disk: what is saved reads back, an empty outbox is no file, and
// a file that cannot be read is moved aside rather than overwritten.

#include "storeharness.h"
#include "syncoutbox.h"

#include <QDir>
#include <QTest>

class TestSyncOutbox : public QObject
{
    Q_OBJECT

private slots:
    void savedResultsReadBackAndEmptyIsNoFile()
    {
        QTemporaryDir folder;
        const SyncOutboxFile outbox(folder.path());
        PersonResult a;
        a.cardNumber = QStringLiteral("8001234");
        a.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
        a.raceTime = 1800;
        PersonResult b = a;
        b.id = newUuid();
        b.cardNumber = QStringLiteral("8001235");
        QVERIFY(outbox.save({a, b}));
        const QList<PersonResult> back = outbox.load();
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].id, a.id);
        QCOMPARE(back[1].cardNumber, b.cardNumber);
        QCOMPARE(back[0].raceTime, a.raceTime);
        QVERIFY(outbox.save({}));
        QVERIFY(!QFile::exists(outbox.filePath()));
        QVERIFY(outbox.load().isEmpty());
    }

    void unreadableFileIsMovedAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("cut short") << QByteArray("[{\"id\":\"8A1B");
        QTest::newRow("not a list") << QByteArray("{\"id\":\"x\"}");
        QTest::newRow("not a result") << QByteArray("[{\"cardNumber\":7}]");
        QTest::newRow("empty") << QByteArray();
    }
    void unreadableFileIsMovedAside()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir folder;
        const SyncOutboxFile outbox(folder.path());
        QFile file(outbox.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QVERIFY(outbox.load().isEmpty());
        QVERIFY(!QFile::exists(outbox.filePath()));
        const QStringList aside
            = QDir(folder.path()).entryList({QStringLiteral("sync-outbox.json.unreadable-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(QDir(folder.path()).filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), contents);
    }
};

QTEST_GUILESS_MAIN(TestSyncOutbox)
#include "tst_syncoutbox.moc"
