// Whole files read for the event file and the autosave: every byte in place at every size, from
// a few bytes to files read in parallel parts, and the open error as QFile gives it.
#include "wholefile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestWholeFile : public QObject
{
    Q_OBJECT

private slots:
    void everyByteInPlace_data()
    {
        QTest::addColumn<qint64>("size");
        // Around the parallel threshold (16 MiB) and with parts that end inside a page.
        for (qint64 size : {qint64(0), qint64(1), qint64(4095), qint64(16 * 1024 * 1024 - 1),
                 qint64(16 * 1024 * 1024), qint64(16 * 1024 * 1024 + 4097), qint64(40 * 1000 * 1000 + 3)})
            QTest::addRow("%lld bytes", qlonglong(size)) << size;
    }
    void everyByteInPlace()
    {
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("event.vexloevent.json"));
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator random {quint32(size)};
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = char(random.bounded(256));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), size);
        file.close();
        QString error;
        const std::optional<QByteArray> read = readWholeFile(path, &error);
        QVERIFY(read);
        QCOMPARE(read->size(), size);
        QVERIFY(*read == bytes);
        QVERIFY(error.isEmpty());
    }

    void missingFileSaysWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gone.vexloevent.json"));
        QFile reference(path);
        QVERIFY(!reference.open(QIODevice::ReadOnly));
        QString error;
        QVERIFY(!readWholeFile(path, &error));
        QCOMPARE(error, reference.errorString());
    }
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "tst_wholefile.moc"
