// Seeded random input for the frame parser and the card decoders: whatever a station sends, they
// must neither crash, hang nor read out of bounds (this also runs under AddressSanitizer).

#include "log.h"
#include "sicardreading.h"
#include "siframeparser.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Bytes biased towards the values that steer the parser and decoders.
QByteArray randomBytes(QRandomGenerator &random, int maxSize)
{
    static const char interesting[] = {'\x02', '\x03', '\xFF', '\xEE', '\x00', '\x06', '\xE8', '\xEF'};
    const int size = int(random.bounded(maxSize + 1));
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        const quint32 r = random.generate();
        bytes[i] = (r & 3) == 0 ? interesting[(r >> 2) % sizeof interesting] : char(r >> 8);
    }
    return bytes;
}

// A well-formed frame, sometimes damaged, so that the parser also sees good frames among the noise.
QByteArray randomFrame(QRandomGenerator &random)
{
    const QByteArray data = randomBytes(random, 40);
    QByteArray body;
    body.append(char(random.bounded(256)));
    body.append(char(data.size()));
    body.append(data);
    const quint16 crc = siCrc16(body);
    QByteArray frame = QByteArray(1, '\x02') + body + char(crc >> 8) + char(crc & 0xFF) + '\x03';
    if (random.bounded(4) == 0)
        frame[int(random.bounded(frame.size()))] = char(random.bounded(256));
    if (random.bounded(4) == 0)
        frame.truncate(int(random.bounded(frame.size())));
    return frame;
}

} // namespace

class TestReaderRobustness : public QObject
{
    Q_OBJECT

private:
    LogSink m_previousSink;

private slots:
    void initTestCase()
    {
        // Random input makes the decoders warn constantly; the lines themselves are tested elsewhere.
        m_previousSink = setLogSink([](const QString &) {});
    }
    void cleanupTestCase() { setLogSink(std::move(m_previousSink)); }

    void frameParserSurvivesArbitraryBytes()
    {
        QRandomGenerator random(20250614);
        SIFrameParser parser;
        qint64 frames = 0;
        qint64 payloadBytes = 0;
        parser.onFrame = [&](quint8, const QByteArray &payload) {
            ++frames;
            payloadBytes += payload.size();
            QVERIFY(payload.size() <= 255);
        };
        constexpr int inputs = 800000;
        for (int i = 0; i < inputs; ++i) {
            parser.append(random.bounded(2) ? randomFrame(random) : randomBytes(random, 24));
            // An incomplete frame is the only thing that may wait: never more than one frame's worth.
            QVERIFY(parser.buffer().size() < 261);
        }
        QVERIFY(frames > 0);
        qInfo("%d inputs, %lld frames delivered, %lld payload bytes", inputs, frames, payloadBytes);
    }

    void decodersSurviveArbitraryBlocks()
    {
        QRandomGenerator random(4711);
        const QDateTime now(QDate(2025, 3, 30), QTime(13, 30));
        const QList<SI8PlusCardLayout> layouts = {cardLayout("SI8"), cardLayout("SI9"), cardLayout("pCard"),
            defaultCardLayout(), si6CardLayout(), si6CardLayout(QByteArray(19, char(0xC0)))};
        // Every decoded punch costs a local-time conversion, so the inputs stay short enough to
        // keep the whole run at a few seconds.
        constexpr int inputs = 250000;
        qint64 punches = 0;
        for (int i = 0; i < inputs; ++i) {
            // Mostly short inputs (a few records each), now and then a full-size one.
            const QByteArray bytes = randomBytes(random, i % 50 == 1 ? 140 : i % 5 == 1 ? 48 : 20);
            switch (i % 5) {
            case 0: {
                SIBlockBuffer blocks;
                for (quint8 b : {0, 1, 2, 3, 4, 5, 6, 7}) {
                    if (random.bounded(3) != 0)
                        blocks[b] = randomBytes(random, b == 0 ? 140 : 48);
                }
                const SI8PlusCardLayout &layout = layouts[int(random.bounded(layouts.size()))];
                if (blocks.value(0).size() > layout.countOffset && i % 50 != 0)
                    blocks[0][layout.countOffset] = char(random.bounded(4)); // the count caps the list
                const SICardReading reading = decodeSI8PlusCard(blocks, layout, "1", "SI8", now);
                QVERIFY(
                    reading.punches.size() <= std::min(layout.maxPunches, countedPunches(blocks, layout)));
                punches += reading.punches.size();
                if (const auto next = nextBlockToRequest(blocks, layout))
                    QVERIFY(!blocks.contains(*next) && layout.requestSequence.contains(*next));
                Q_UNUSED(hasMissingMiddleBlock(blocks, layout));
                break;
            }
            case 1:
                if (const auto reading = decodeSI5Card(bytes, now)) {
                    QVERIFY(reading->punches.size() <= 36);
                    punches += reading->punches.size();
                }
                break;
            case 2:
                Q_UNUSED(placeSI5Time(int(random.bounded(43200)),
                    random.bounded(2)
                        ? SI5TimeConstraint::nearestToNow()
                        : SI5TimeConstraint::before(now.addSecs(-qint64(random.bounded(200000)))),
                    now));
                break;
            case 3: {
                const quint8 command = QList<quint8> {0xE5, 0xE6, 0xE8}[int(random.bounded(3))];
                QVERIFY(!decodeDetectFrame(command, bytes.left(int(random.bounded(9))), now)
                             .cardNumber.isEmpty());
                Q_UNUSED(cardTypeName(random.generate()));
                break;
            }
            case 4:
                Q_UNUSED(block0CardNumber(bytes));
                Q_UNUSED(decodeCheckTime(bytes, now));
                Q_UNUSED(decodeStartTime(bytes, now));
                Q_UNUSED(decodeFinishTime(bytes, now));
                break;
            }
        }
        qInfo("%d inputs, %lld punches decoded", inputs, punches);
    }
};

QTEST_GUILESS_MAIN(TestReaderRobustness)
#include "tst_readerrobustness.moc"
