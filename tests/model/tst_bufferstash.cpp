#include "bufferstash.h"
#include "casetable.h"

#include <QTest>

#include <list>

// Which texts are written into a kept buffer, as the event writer asks for one per text.
class TestBufferStash : public QObject
{
    Q_OBJECT

private slots:
    void keptBufferUse_data() { casetable::load("model/buffer-stash.tsv"); }
    void keptBufferUse()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 2);
        QStringList tokens = cells[0].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        qsizetype share = 4;
        if (!tokens.isEmpty() && tokens.first().startsWith(QStringLiteral("share:"))) {
            bool ok = false;
            share = tokens.takeFirst().mid(6).toInt(&ok);
            QVERIFY(ok);
        }
        BufferStash stash(share);
        std::list<QByteArray> held;
        QStringList used;
        for (QString token : tokens) {
            const bool hold = token.startsWith(QStringLiteral("held:"));
            if (hold)
                token = token.mid(5);
            bool ok = false;
            const qsizetype size = qsizetype(token.toInt(&ok)) << 20;
            QVERIFY(ok);
            QByteArray text = stash.take(size);
            used.append(text.capacity() >= size ? QStringLiteral("y") : QStringLiteral("n"));
            text.resize(size);
            text.fill('x');
            stash.finished(text);
            if (hold)
                held.push_back(std::move(text));
        }
        QCOMPARE(used.join(QLatin1Char(' ')), cells[1]);
    }
};

QTEST_GUILESS_MAIN(TestBufferStash)
#include "tst_bufferstash.moc"
