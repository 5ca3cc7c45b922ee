// Frame parsing and card decoding throughput, to compare with what the station itself needs to
// send a card over the line (38400 baud, 10 bits per byte: about 36 ms per 128-byte block).

#include "log.h"
#include "sicardreading.h"
#include "siframeparser.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray stationFrame(quint8 command, const QByteArray &data)
{
    QByteArray body;
    body.append(char(command));
    body.append(char(data.size()));
    body.append(data);
    const quint16 crc = siCrc16(body);
    return QByteArray(1, '\xFF') + '\x02' + body + char(crc >> 8) + char(crc & 0xFF) + '\x03';
}

QByteArray punchArea(int count, int size)
{
    QByteArray area(size, char(0xEE));
    for (int i = 0; i < count; ++i) {
        const int seconds = 36000 + 60 * (i + 1);
        area[4 * i] = 0;
        area[4 * i + 1] = char(31 + i);
        area[4 * i + 2] = char(seconds >> 8);
        area[4 * i + 3] = char(seconds);
    }
    return area;
}

// One SIAC card with 20 punches as block buffer (blocks 0 and 4).
SIBlockBuffer siacBlocks()
{
    QByteArray block0(128, char(0xEE));
    block0.replace(0, 28, QByteArray(28, '\0'));
    block0.replace(12, 4, QByteArray::fromHex("00008C98"));
    block0.replace(16, 4, QByteArray::fromHex("00009100"));
    block0[22] = 20;
    block0[25] = char(0x7A);
    block0[26] = char(0x12);
    block0[27] = char(0x01);
    SIBlockBuffer blocks;
    blocks[0] = block0;
    blocks[4] = punchArea(20, 128);
    return blocks;
}

void BM_ParseBlockFrames(benchmark::State &state)
{
    // A realistic stream: 128-byte block replies, fed in 64-byte chunks as the port delivers them.
    QByteArray stream;
    for (int i = 0; i < 64; ++i)
        stream.append(stationFrame(0xEF, QByteArray::fromHex("002204") + punchArea(20, 128)));
    qint64 frames = 0;
    SIFrameParser parser;
    parser.onFrame = [&frames](quint8, const QByteArray &) { ++frames; };
    for (auto _ : state) {
        for (qsizetype at = 0; at < stream.size(); at += 64)
            parser.append(stream.constData() + at, std::min<qsizetype>(64, stream.size() - at));
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseBlockFrames);

void BM_DecodeSI8PlusCard(benchmark::State &state)
{
    const SIBlockBuffer blocks = siacBlocks();
    const SI8PlusCardLayout layout = cardLayout(QStringLiteral("SIAC1"));
    const QDateTime now(QDate(2025, 6, 14), QTime(13, 30));
    const LogSink previous = setLogSink([](const QString &) {});
    qint64 readings = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            decodeSI8PlusCard(blocks, layout, QStringLiteral("8000001"), QStringLiteral("SIAC1"), now));
        ++readings;
    }
    setLogSink(previous);
    state.counters["readings/s"] = benchmark::Counter(double(readings), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeSI8PlusCard);

// A race day's worth of cards: 3,000 SIAC readings of 20 punches, each card its own number and
// punch times.
void BM_Decode3000Cards(benchmark::State &state)
{
    QList<SIBlockBuffer> cards;
    for (int i = 0; i < 3000; ++i) {
        SIBlockBuffer blocks = siacBlocks();
        const int number = 8000001 + i;
        blocks[0][25] = char(number >> 16);
        blocks[0][26] = char(number >> 8);
        blocks[0][27] = char(number);
        for (int p = 0; p < 20; ++p) {
            const int seconds = 36000 + i + 60 * (p + 1);
            blocks[4][4 * p + 2] = char(seconds >> 8);
            blocks[4][4 * p + 3] = char(seconds);
        }
        cards.append(blocks);
    }
    const SI8PlusCardLayout layout = cardLayout(QStringLiteral("SIAC1"));
    const QDateTime now(QDate(2025, 6, 14), QTime(13, 30));
    const LogSink previous = setLogSink([](const QString &) {});
    for (auto _ : state) {
        for (const SIBlockBuffer &blocks : cards)
            benchmark::DoNotOptimize(
                decodeSI8PlusCard(blocks, layout, QStringLiteral("8000001"), QStringLiteral("SIAC1"), now));
    }
    setLogSink(previous);
}
BENCHMARK(BM_Decode3000Cards)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
