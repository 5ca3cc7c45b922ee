// A slave following its master's event, fed a snapshot and then the input: either frames of its
// own (the first byte 0 or 4 modulo 8) or one of the master's real changes with bytes of it flipped
// where the input says (odd), or a snapshot in pieces with bytes flipped, pieces swapped or lost
// where the input says (2 or 6 modulo 8): a snapshot taken from pieces is the master's event. No crash on any
// bytes; nothing is taken once the slave has asked for a snapshot, until one comes; every state taken reads
// back as its own digest says, and its event writes and reads back the same.

#include "fuzzsupport.h"
#include "racechanges.h"
#include "racejson.h"
#include "slavemirror.h"
#include "syncmessage.h"

#include <QDateTime>
#include <QList>

namespace {

const QUuid eventId = QUuid::fromString(QStringLiteral("6f1c9a52-3c1e-4f0b-9d2a-0c4b8e2f7a11"));
const QUuid seriesId = QUuid::fromString(QStringLiteral("0b9e2d4c-7a3f-4e21-8c5d-1f2a3b4c5d6e"));

const Race &base()
{
    static const Race race = [] {
        Race r;
        r.name = QStringLiteral("Spring Cup");
        r.journalEventId = eventId;
        for (int i = 0; i < 4; ++i) {
            Participant p;
            p.givenName = QStringLiteral("Runner %1").arg(i);
            p.cardNumber = QString::number(1001 + i);
            r.participants.append(p);
            PersonResult result;
            result.participantId = p.id;
            result.cardNumber = p.cardNumber;
            result.raceTime = 1800 + i;
            result.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, i), Qt::UTC);
            r.results.append(result);
        }
        return r;
    }();
    return race;
}

QByteArray snapshotBody()
{
    SyncMessage message {SyncMessageKind::Snapshot, QStringLiteral("M"), base(), std::nullopt};
    message.event = eventId;
    message.series = seriesId;
    message.sequence = 1;
    message.digest = raceDigest(base());
    const auto body = encodeSyncMessage(message);
    if (!body)
        fuzzFailure("the snapshot does not encode");
    return *body;
}

// The master's change after a card read and a rename, made from the input's first bytes.
QByteArray changeBody(const QByteArray &input)
{
    Race after = base();
    PersonResult read;
    read.cardNumber = QString::fromLatin1(input.left(8).toHex());
    read.raceTime = input.size();
    read.readAt = QDateTime(QDate(2025, 5, 17), QTime(12, 0), Qt::UTC);
    after.results.append(read);
    if (input.size() > 1 && input.at(1) & 1)
        after.results.removeFirst();
    if (input.size() > 2 && input.at(2) & 1)
        after.name = QString::fromLatin1(input.mid(2, 6).toHex());
    SyncMessage message {SyncMessageKind::Change, QStringLiteral("M"), std::nullopt, std::nullopt};
    message.event = eventId;
    message.series = seriesId;
    message.follows = 1;
    message.sequence = 2;
    message.digest = raceDigest(after);
    const auto change = encodeRaceChanges(base(), after);
    if (!change)
        fuzzFailure("the change does not encode");
    message.change = '{' + change->body + '}';
    const auto body = encodeSyncMessage(message);
    if (!body)
        fuzzFailure("the change message does not encode");
    return *body;
}

// The head and pieces of the master's snapshot of the base event, as bodies.
QList<QByteArray> streamedSnapshot()
{
    SyncMessage head {SyncMessageKind::Snapshot, QStringLiteral("M"), std::nullopt, std::nullopt};
    head.event = eventId;
    head.series = seriesId;
    head.sequence = 3;
    head.digest = raceDigest(base());
    SnapshotPieces pieces(head, base());
    QList<QByteArray> bodies {pieces.headFrame()->mid(4)};
    for (qint64 i = 0; i < pieces.count(); ++i)
        bodies.append(pieces.pieceFrame(i)->mid(4));
    return bodies;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    if (size < 1)
        return 0;
    static const QByteArray snapshot = snapshotBody();
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QList<QByteArray> bodies;
    if (data[0] & 1) {
        QByteArray body = changeBody(input);
        for (qsizetype i = 0; i + 1 < input.size(); i += 2)
            body[quint8(input.at(i)) * 7 % body.size()] ^= input.at(i + 1);
        bodies.append(body);
        bodies.append(body); // the same again: never applied twice
    } else if (data[0] & 2) {
        bodies = streamedSnapshot();
        for (qsizetype i = 0; i + 1 < input.size() && i < 16; i += 2) {
            const int at = quint8(input.at(i)) / 3 % int(bodies.size());
            switch (quint8(input.at(i)) % 3) {
            case 0:
                bodies[at][quint8(input.at(i + 1)) * 7 % bodies[at].size()] ^= char(input.at(i + 1) | 1);
                break;
            case 1:
                bodies.swapItemsAt(at, quint8(input.at(i + 1)) % bodies.size());
                break;
            default:
                if (bodies.size() > 1)
                    bodies.removeAt(at);
                break;
            }
        }
    } else {
        SyncFrameReader reader(64 * 1024);
        bodies = reader.feed(input);
    }

    SlaveMirror mirror(1024 * 1024);
    mirror.reset();
    const SlaveEvent first = mirror.take(snapshot);
    if (first.kind != SlaveEvent::Kind::State || !first.race)
        fuzzFailure("the snapshot is not taken");
    bool asked = false;
    bool streamTaken = false;
    int changesTaken = 0;
    for (const QByteArray &body : std::as_const(bodies)) {
        const SlaveEvent event = mirror.take(body);
        if (event.kind == SlaveEvent::Kind::WantSnapshot)
            asked = true;
        if (event.kind != SlaveEvent::Kind::State)
            continue;
        if (!event.race)
            fuzzFailure("a state without its event", body.toHex());
        if (event.fromSnapshot) {
            asked = false;
            streamTaken = true;
            if ((data[0] & 3) == 2
                && encodeRace(*event.race, JsonLayout::Compact) != encodeRace(base(), JsonLayout::Compact))
                fuzzFailure("a snapshot taken from its pieces is not the master's event", body.toHex());
            continue;
        }
        if (asked)
            fuzzFailure("a change taken after asking for a snapshot", body.toHex());
        if (++changesTaken > 1 && data[0] & 1)
            fuzzFailure("one change taken twice", body.toHex());
        const auto message = decodeSyncMessage(body);
        if (!message || raceDigest(*event.race) != message->digest)
            fuzzFailure("a change taken whose digest the event does not have", body.toHex());
        const auto encoded = encodeRace(*event.race, JsonLayout::Compact);
        if (!encoded)
            continue; // a number no document can hold (checked by the event target)
        const auto again = decodeRace(*encoded);
        if (!again || encodeRace(*again, JsonLayout::Compact) != encoded)
            fuzzFailure("an event taken from a change does not read back the same", *encoded);
    }
    if ((data[0] & 3) == 2 && input.isEmpty() && !streamTaken)
        fuzzFailure("an intact snapshot in pieces is not taken");
    return 0;
}
