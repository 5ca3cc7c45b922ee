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
        (void)decodePunchRecords(payload, now, 0, 128);
        (void)hasPunchTerminator(payload);
    };
    // Split the stream where the first byte says, as a serial port delivers it in pieces.
    const qsizetype cut = bytes.isEmpty() ? 0 : quint8(bytes[0]) % (bytes.size() + 1);
    parser.append(bytes.left(cut));
    parser.append(bytes.mid(cut));
    // The same bytes as raw card blocks.
    (void)decodeSI5Card(bytes, now);
    (void)decodePunchRecords(bytes, now, cut, 64);
    return 0;
}
