// The frame parser against tests/data/reader/frames.txt, and card decoding against read-outs of
// real cards and cards built from the published description, one case per file in
// tests/data/reader/cards (the format is in that folder's README).

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

    QList<std::pair<quint8, QByteArray>> m_frames;
    SIFrameParser m_parser;

    void resetParser()
    {
        m_frames.clear();
        m_parser = SIFrameParser();
        m_parser.onFrame = [this](quint8 command, const QByteArray &payload) {
            m_frames.append({command, payload});
        };
    }

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

    void frames()
    {
        // frames.txt: CRC examples, command frames and station streams with what must come out.
        int cases = 0;
        for (const QStringList &cells : casetable::rows(QStringLiteral("reader/frames.txt"))) {
            ++cases;
            const QStringList f = cells[0].split(QLatin1Char(' '));
            const auto bytes = [](const QString &text) {
                return text == QLatin1String("-") ? QByteArray() : QByteArray::fromHex(text.toLatin1());
            };
            if (f[0] == QLatin1String("crc")) {
                QCOMPARE(siCrc16(bytes(f[1])), quint16(f[2].toUInt(nullptr, 16)));
            } else if (f[0] == QLatin1String("command")) {
                QCOMPARE(buildCommandFrame(quint8(f[1].toUInt(nullptr, 16)), bytes(f[2])), bytes(f[3]));
            } else {
                resetParser();
                LogCapture log;
                for (const QString &read : f[1].split(QLatin1Char('|')))
                    m_parser.append(bytes(read));
                const qsizetype arrow = f.indexOf(QStringLiteral("=>"));
                const qsizetype left = f.indexOf(QStringLiteral("left"));
                QStringList delivered;
                for (const auto &[command, payload] : std::as_const(m_frames))
                    delivered.append(QStringLiteral("%1:").arg(command, 2, 16, QLatin1Char('0')).toUpper()
                        + QString::fromLatin1(payload.toHex().toUpper()));
                const QString expected = left == arrow + 1 ? QString() : f[arrow + 1];
                QCOMPARE(delivered.join(QLatin1Char(',')), expected);
                QCOMPARE(m_parser.buffer(), bytes(f[left + 1]));
                const QString logLine = f.mid(left + 3).join(QLatin1Char(' '));
                QCOMPARE(log.lines(), logLine.isEmpty() ? QStringList() : QStringList {logLine});
            }
        }
        QVERIFY(cases >= 20);
    }

    void commandFrameNeverClaimsMoreThan255Bytes()
    {
        const QByteArray frame = buildCommandFrame(0xEF, QByteArray(300, 'x'));
        QCOMPARE(quint8(frame.at(4)), quint8(255));
        QCOMPARE(frame.size(), 255 + 8);
    }

    void handlerMayFeedTheParserAgain()
    {
        resetParser();
        int calls = 0;
        m_parser.onFrame = [&](quint8, const QByteArray &) {
            if (++calls == 1)
                m_parser.append(QByteArray::fromHex("02E700E70003"));
        };
        m_parser.append(QByteArray::fromHex("02E800E80003"
                                            "02E800E80003"));
        QCOMPARE(calls, 3);
        QVERIFY(m_parser.buffer().isEmpty());
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
