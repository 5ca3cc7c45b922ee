// The station's byte stream: the frame parser, then every decoder the read-out applies to a
// frame's payload.

#include "fuzzsupport.h"
#include "sicardreading.h"
#include "siframeparser.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    static const QDateTime now(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    SIFrameParser parser;
    parser.onFrame = [](quint8 command, const QByteArray &payload) {
        (void)decodeDetectFrame(command, payload, now);
        (void)decodeSI5Card(payload, now);
        (void)block0CardNumber(payload);
        (void)decodeCheckTime(payload, now);
        (void)decodeStartTime(payload, now);
        (void)decodeFinishTime(payload, now);
    };
    // Split the stream where the first byte says, as a serial port delivers it in pieces.
    const qsizetype cut = bytes.isEmpty() ? 0 : quint8(bytes[0]) % (bytes.size() + 1);
    parser.append(bytes.left(cut));
    parser.append(bytes.mid(cut));
    // The same bytes as card memory: an SI5 image, and 128-byte blocks of a card of each layout.
    (void)decodeSI5Card(bytes, now);
    SIBlockBuffer blocks;
    for (qsizetype at = 0, block = 0; at < bytes.size(); at += SICard::blockSize, ++block)
        blocks.insert(quint8(block), bytes.mid(at, SICard::blockSize));
    for (const SI8PlusCardLayout &layout : {defaultCardLayout(), si6CardLayout(blocks.value(0))}) {
        (void)countedPunches(blocks, layout);
        (void)blocksNeeded(blocks, layout);
        (void)nextBlockToRequest(blocks, layout);
        (void)hasMissingMiddleBlock(blocks, layout);
        (void)decodeSI8PlusCard(blocks, layout, QStringLiteral("1"), QStringLiteral("SI"), now);
    }
    return 0;
}
