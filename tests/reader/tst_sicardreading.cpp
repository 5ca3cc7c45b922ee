// Card decoding against read-outs of real cards and cards built from the published description,
// one case per file in tests/data/reader/cards (the format is in that folder's README).

#include "casetable.h"
#include "log.h"
#include "sicardreading.h"
#include "siframeparser.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <ctime>

namespace {

QString dataDir()
{
    return QStringLiteral(VEXLO_TEST_DATA_DIR) + QStringLiteral("/reader");
}

// "HH:MM:SS" on the day of the reading, or a full ISO date-time; "-" none.
std::optional<QDateTime> expectedTime(const QString &text, const QDateTime &now)
{
    if (text == QLatin1String("-"))
        return std::nullopt;
    if (text.contains(QLatin1Char('T')))
        return QDateTime::fromString(text, Qt::ISODate);
    return QDateTime(now.date(), QTime::fromString(text, QStringLiteral("HH:mm:ss")));
}

struct Decoded
{
    QStringList detected;
    SIBlockBuffer blocks;
    std::optional<SICardReading> reading;
    bool complete = false;
};

// Stores the station's replies the way the reader does and decodes the card.
Decoded decode(
    const QString &kind, const QList<QByteArray> &frames, SIBlockBuffer blocks, const QDateTime &now)
{
    Decoded result;
    SIFrameParser parser;
    parser.onFrame = [&](quint8 command, const QByteArray &payload) {
        if (command == SICard::si5Inserted || command == SICard::si6Inserted
            || command == SICard::si8PlusInserted)
            result.detected.append(decodeDetectFrame(command, payload, now).cardNumber);
        else if (command == SICard::readSI5)
            blocks[0] = payload.mid(2);
        else if ((command == SICard::readBlock || command == SICard::si6Block) && payload.size() >= 4)
            blocks[quint8(payload.at(2))] = payload.mid(3);
    };
    for (const QByteArray &frame : frames)
        parser.append(frame);
    result.blocks = blocks;
    if (!blocks.contains(0))
        return result;
    if (kind == QLatin1String("si5")) {
        result.reading = decodeSI5Card(blocks.value(0), now);
        result.complete = true;
        return result;
    }
    const bool si6 = kind == QLatin1String("si6");
    const auto number = block0CardNumber(blocks.value(0), si6 ? si6CardLayout() : defaultCardLayout());
    if (!number)
        return result;
    const QString type = si6 ? QStringLiteral("SI6") : cardTypeName(*number);
    const SI8PlusCardLayout layout = si6 ? si6CardLayout(blocks.value(0)) : cardLayout(type);
    result.complete = isSI8PlusCardComplete(blocks, layout);
    result.reading = decodeSI8PlusCard(blocks, layout, QString::number(*number), type, now);
    return result;
}

} // namespace

class TestSICardReading : public QObject
{
    Q_OBJECT

private slots:
    void cards_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(dataDir() + QStringLiteral("/cards"));
        const QStringList files = dir.entryList({QStringLiteral("*.card")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 30);
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << dir.filePath(file);
    }
    void cards()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QString kind;
        QDateTime now;
        QList<QByteArray> frames;
        SIBlockBuffer blocks;
        QList<QStringList> expectations;
        for (const QString &raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList f = line.split(QLatin1Char(' '));
            if (f[0] == QLatin1String("kind"))
                kind = f[1];
            else if (f[0] == QLatin1String("now"))
                now = QDateTime::fromString(f[1], Qt::ISODate);
            else if (f[0] == QLatin1String("frame"))
                frames.append(QByteArray::fromHex(f[1].toLatin1()));
            else if (f[0] == QLatin1String("block"))
                blocks[quint8(f[1].toInt())] = QByteArray::fromHex(f[2].toLatin1());
            else
                expectations.append(f);
        }
        QVERIFY(now.isValid());

        LogCapture log;
        const Decoded decoded = decode(kind, frames, blocks, now);
        const QString logText = log.lines().join(QLatin1Char('\n'));
        int detectIndex = 0;
        for (const QStringList &f : std::as_const(expectations)) {
            const QString key = f[0];
            const QString value = f.mid(1).join(QLatin1Char(' '));
            if (key == QLatin1String("detect")) {
                QVERIFY(detectIndex < decoded.detected.size());
                QCOMPARE(decoded.detected.at(detectIndex++), value);
                continue;
            }
            if (key == QLatin1String("log")) {
                QVERIFY2(logText.contains(value), qPrintable(logText));
                continue;
            }
            if (key == QLatin1String("number") && value == QLatin1String("-")) {
                QVERIFY(!decoded.reading);
                continue;
            }
            if (key == QLatin1String("complete")) {
                QCOMPARE(decoded.complete, value == QLatin1String("yes"));
                continue;
            }
            QVERIFY2(decoded.reading, "no reading");
            const SICardReading &r = *decoded.reading;
            if (key == QLatin1String("number")) {
                QCOMPARE(r.cardNumber, value);
            } else if (key == QLatin1String("series")) {
                QCOMPARE(r.cardSeries, value);
            } else if (key == QLatin1String("check")) {
                QCOMPARE(r.checkPunchTime, expectedTime(value, now));
            } else if (key == QLatin1String("start")) {
                QCOMPARE(r.startPunchTime, expectedTime(value, now));
            } else if (key == QLatin1String("finish")) {
                QCOMPARE(r.finishPunchTime, expectedTime(value, now));
            } else if (key == QLatin1String("punches")) {
                QCOMPARE(r.punches.size(), value.toInt());
            } else if (key == QLatin1String("punch")) {
                // punch <1-based index> <code> <time | - without time | ? not checked>
                const int index = f[1].toInt() - 1;
                QVERIFY2(index < r.punches.size(), qPrintable(value));
                const SIPunch &p = r.punches.at(index);
                QCOMPARE(p.controlCode, f[2].toInt());
                if (f[3] == QLatin1String("-")) {
                    QVERIFY2(!p.timeAvailable, qPrintable(value));
                } else if (f[3] != QLatin1String("?")) {
                    QVERIFY2(p.timeAvailable, qPrintable(value));
                    QCOMPARE(std::optional(p.time), expectedTime(f[3], now));
                }
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown expectation: ") + key));
            }
        }
    }

    void cardTypes()
    {
        int cases = 0;
        for (const QStringList &cells : casetable::rows(QStringLiteral("reader/card-types.txt"))) {
            const qsizetype space = cells[0].indexOf(QLatin1Char(' '));
            QCOMPARE(cardTypeName(cells[0].left(space).toUInt()), cells[0].mid(space + 1));
            ++cases;
        }
        QVERIFY(cases > 10);
    }
};

int main(int argc, char *argv[])
{
    // Card times are wall-clock times of the reading day: the expectations hold in this zone.
    qputenv("TZ", "Europe/Copenhagen");
    tzset();
    QCoreApplication app(argc, argv);
    TestSICardReading test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sicardreading.moc"
