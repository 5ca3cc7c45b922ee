// The station link's frame reader and message decoder, fed the same bytes whole and in splits
// chosen by the input: no crash on any bytes, the same bodies in every split, a reader that
// refuses a length stays refused, and every message that decodes encodes and decodes again to
// the same message.

#include "fuzzsupport.h"
#include "syncmessage.h"

#include <QList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    if (size < 2)
        return 0;
    // The first byte picks the split sizes; a small cap makes the size bound reachable.
    const uint8_t seed = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const quint32 cap = 4096;

    SyncFrameReader whole(cap);
    const QList<QByteArray> bodies = whole.feed(stream);

    SyncFrameReader split(cap);
    QList<QByteArray> splitBodies;
    qsizetype at = 0;
    for (unsigned step = seed; at < stream.size(); step = step * 1103515245u + 12345u) {
        const qsizetype chunk = 1 + qsizetype((step >> 8) % 97);
        splitBodies += split.feed(stream.mid(at, chunk));
        at += chunk;
    }
    if (splitBodies != bodies)
        fuzzFailure("the bodies depend on how the bytes were split", stream.toHex());
    if (split.failed() != whole.failed() || split.refusedLength() != whole.refusedLength())
        fuzzFailure("a refused length depends on the split", stream.toHex());
    if (whole.failed() && !whole.feed(QByteArray(8, '\0')).isEmpty())
        fuzzFailure("a refused reader read on");

    for (const QByteArray &body : bodies) {
        if (quint32(body.size()) > cap)
            fuzzFailure("a body larger than the cap", body.left(64).toHex());
        const auto message = decodeSyncMessage(body);
        if (!message)
            continue;
        const auto encoded = encodeSyncMessage(*message);
        if (!encoded)
            continue; // a decoded result may hold a number that cannot be written (checked by the event
                      // target)
        const auto again = decodeSyncMessage(*encoded);
        if (!again || again->kind != message->kind || again->stationId != message->stationId
            || again->race.has_value() != message->race.has_value()
            || again->result.has_value() != message->result.has_value())
            fuzzFailure("a message does not read back the same", *encoded);
        const auto framed = frameSyncMessage(*message);
        SyncFrameReader reread(quint32(framed->size()));
        const QList<QByteArray> back = reread.feed(*framed);
        if (back.size() != 1 || back.first() != *encoded)
            fuzzFailure("a framed message does not read back as its body", *encoded);
    }
    return 0;
}
