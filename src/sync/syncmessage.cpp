#include "syncmessage.h"

#include "racejson.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QtEndian>

#include <zstd.h>

#include <array>
#include <atomic>
#include <limits>
#include <utility>

QString toText(SyncMessageKind kind)
{
    switch (kind) {
    case SyncMessageKind::Hello:
        return QStringLiteral("hello");
    case SyncMessageKind::Snapshot:
        return QStringLiteral("snapshot");
    case SyncMessageKind::SubmitResult:
        return QStringLiteral("submitResult");
    case SyncMessageKind::Change:
        return QStringLiteral("change");
    case SyncMessageKind::SnapshotWanted:
        return QStringLiteral("snapshotWanted");
    case SyncMessageKind::NoSnapshot:
        return QStringLiteral("noSnapshot");
    case SyncMessageKind::SnapshotPiece:
        return QStringLiteral("snapshotPiece");
    }
    return {};
}

namespace {

QByteArray pack(QByteArrayView bytes, bool checksum)
{
    ZSTD_CCtx *context = ZSTD_createCCtx();
    if (!context)
        return {};
    if (checksum)
        ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    // Level 3 (zstd's default); a large event is packed by two threads at once, each taking its
    // own part of the text. The length goes into the frame, so that a reader can bound it first.
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 3);
    if (bytes.size() >= (qsizetype(4) << 20))
        ZSTD_CCtx_setParameter(context, ZSTD_c_nbWorkers, 2);
    ZSTD_CCtx_setPledgedSrcSize(context, (unsigned long long)(bytes.size()));
    // Written into a buffer that grows as needed rather than one of the bound's size: the event's
    // JSON packs to about a quarter, and the bound is more than the JSON itself (85 MB).
    QByteArray packed;
    packed.resize(std::max<qsizetype>(bytes.size() / 4, 4096));
    ZSTD_inBuffer in {bytes.data(), size_t(bytes.size()), 0};
    ZSTD_outBuffer out {packed.data(), size_t(packed.size()), 0};
    for (;;) {
        const size_t left = ZSTD_compressStream2(context, &out, &in, ZSTD_e_end);
        if (ZSTD_isError(left)) {
            ZSTD_freeCCtx(context);
            return {};
        }
        if (left == 0)
            break;
        if (out.pos == out.size) {
            packed.resize(packed.size() + std::max<qsizetype>(packed.size() / 2, qsizetype(left)));
            out.dst = packed.data();
            out.size = size_t(packed.size());
        }
    }
    ZSTD_freeCCtx(context);
    packed.truncate(qsizetype(out.pos));
    return packed;
}

} // namespace

QByteArray packBytes(QByteArrayView bytes)
{
    return pack(bytes, false);
}

std::optional<QByteArray> unpackBytes(QByteArrayView packed, qint64 maxBytes, qint64 *stated)
{
    const unsigned long long size = ZSTD_getFrameContentSize(packed.data(), size_t(packed.size()));
    if (stated)
        *stated = size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR
            ? -1
            : qint64(std::min<unsigned long long>(size, std::numeric_limits<qint64>::max()));
    if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR || size > quint64(maxBytes))
        return std::nullopt;
    // One frame exactly: anything behind it is not ours.
    if (ZSTD_findFrameCompressedSize(packed.data(), size_t(packed.size())) != size_t(packed.size()))
        return std::nullopt;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    const size_t length
        = ZSTD_decompress(bytes.data(), size_t(bytes.size()), packed.data(), size_t(packed.size()));
    if (ZSTD_isError(length) || length != size)
        return std::nullopt;
    return bytes;
}

namespace {

QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// A change of at least this many bytes travels packed.
constexpr qsizetype packChangesFrom = 2048;

// Appends the message's body to `out`. Written by hand around the document's own compact
// encoding, so that the event of a snapshot is encoded once, without an intermediate JSON tree.
bool appendSyncMessage(QByteArray &out, const SyncMessage &message, qint64 *eventBytes)
{
    std::optional<QByteArray> result;
    QByteArray payload;
    bool packedChange = false;
    if (message.result) {
        result = encodePersonResult(*message.result, JsonLayout::Compact);
        if (!result)
            return false;
        // A card's punches are most of a read: packed, its result goes behind the JSON.
        if (result->size() >= packChangesFrom && !message.race && message.change.isEmpty()) {
            payload = packBytes(*result);
            if (payload.isEmpty())
                return false;
            packedChange = true;
            result.reset();
        }
    }
    if (message.race) {
        const auto race = encodeRace(*message.race, JsonLayout::Compact);
        if (!race)
            return false;
        if (eventBytes)
            *eventBytes = race->size();
        payload = packBytes(*race);
        if (payload.isEmpty())
            return false;
    } else if (message.kind == SyncMessageKind::SnapshotPiece) {
        // Always packed, with a checksum: a piece damaged on the way is never taken for the event.
        payload = pack(message.change, true);
        if (payload.isEmpty())
            return false;
    } else if (!message.change.isEmpty()) {
        packedChange = message.change.size() >= packChangesFrom;
        payload = packedChange ? packBytes(message.change) : message.change;
        if (payload.isEmpty())
            return false;
    }
    const bool numbered = message.kind == SyncMessageKind::Snapshot || message.kind == SyncMessageKind::Change
        || message.kind == SyncMessageKind::SnapshotPiece;
    out.reserve(out.size() + 256 + message.stationId.size() + (result ? result->size() : 0) + payload.size());
    out += "{\"kind\":";
    out += jsonString(toText(message.kind));
    out += ",\"stationId\":";
    out += jsonString(message.stationId);
    out += ",\"protocol\":";
    out += QByteArray::number(message.protocol);
    if (numbered) {
        if (message.event) {
            out += ",\"event\":\"";
            out += message.event->toByteArray(QUuid::WithoutBraces);
            out += '"';
        }
        out += ",\"series\":\"";
        out += message.series.toByteArray(QUuid::WithoutBraces);
        out += "\",\"sequence\":";
        out += QByteArray::number(message.sequence);
        if (message.kind == SyncMessageKind::Change) {
            out += ",\"follows\":";
            out += QByteArray::number(message.follows);
        }
        if (message.kind == SyncMessageKind::SnapshotPiece) {
            out += ",\"piece\":";
            out += QByteArray::number(message.piece);
        } else {
            out += ",\"digest\":";
            out += jsonString(QString::fromLatin1(message.digest));
        }
        if (message.kind == SyncMessageKind::Snapshot && !message.race) {
            out += ",\"pieces\":";
            out += QByteArray::number(message.pieces);
        }
    }
    if (packedChange)
        out += ",\"packed\":true";
    if (!message.reason.isEmpty()) {
        out += ",\"reason\":";
        out += jsonString(message.reason);
    }
    if (result) {
        out += ",\"result\":";
        out += *result;
    }
    out += '}';
    if (!payload.isEmpty()) {
        out += '\0';
        out += payload;
    }
    return true;
}

} // namespace

std::optional<QByteArray> encodeSyncMessage(const SyncMessage &message, qint64 *eventBytes)
{
    QByteArray out;
    if (!appendSyncMessage(out, message, eventBytes))
        return std::nullopt;
    return out;
}

namespace {

// The byte ranges of a JSON object's top-level values, found without building a tree: a snapshot
// carries the whole event, which the document's own reader then decodes straight from its bytes.
// Only the structure is followed here; each value is validated by whoever decodes it.
class TopLevelScanner
{
public:
    explicit TopLevelScanner(const QByteArray &text)
        : m_p(text.constData())
        , m_end(text.constData() + text.size())
    { }

    // The event of the last "race" value, when it was read while the text was scanned; otherwise
    // its text is to be decoded.
    std::optional<Race> race;

    // Key -> value text, or nothing when the text is not a single object. The values are views
    // of the scanned text, which must outlive them.
    std::optional<QHash<QByteArray, QByteArray>> scan()
    {
        QHash<QByteArray, QByteArray> values;
        skipSpace();
        if (!eat('{'))
            return std::nullopt;
        skipSpace();
        if (eat('}'))
            return finish(values);
        while (true) {
            skipSpace();
            const char *keyStart = m_p;
            if (!skipString())
                return std::nullopt;
            const auto key
                = QJsonDocument::fromJson(QByteArray("[") + QByteArray(keyStart, m_p - keyStart) + ']');
            if (!key.isArray())
                return std::nullopt;
            skipSpace();
            if (!eat(':'))
                return std::nullopt;
            skipSpace();
            const char *valueStart = m_p;
            QByteArray name = key.array().first().toString().toUtf8();
            if (name == "race") {
                // The event is most of a snapshot: read as it is passed over, where it can be.
                qsizetype length = 0;
                race = decodeLeadingRace(QByteArrayView(m_p, m_end - m_p), &length);
                if (race)
                    m_p += length;
            }
            if (m_p == valueStart && !skipValue())
                return std::nullopt;
            // Not copied: a snapshot's event is most of the message, hundreds of megabytes for a
            // large event.
            values.insert(std::move(name), QByteArray::fromRawData(valueStart, m_p - valueStart));
            skipSpace();
            if (eat(','))
                continue;
            if (eat('}'))
                return finish(values);
            return std::nullopt;
        }
    }

private:
    std::optional<QHash<QByteArray, QByteArray>> finish(QHash<QByteArray, QByteArray> &values)
    {
        skipSpace();
        if (m_p != m_end)
            return std::nullopt;
        return std::move(values);
    }
    bool eat(char c)
    {
        if (m_p < m_end && *m_p == c) {
            ++m_p;
            return true;
        }
        return false;
    }
    void skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }
    bool skipString()
    {
        if (!eat('"'))
            return false;
        while (m_p < m_end) {
            const char c = *m_p++;
            if (c == '\\') {
                if (m_p == m_end)
                    return false;
                ++m_p;
            } else if (c == '"') {
                return true;
            }
        }
        return false;
    }
    bool skipValue()
    {
        if (m_p == m_end)
            return false;
        if (*m_p == '"')
            return skipString();
        if (*m_p == '{' || *m_p == '[') {
            int depth = 0;
            while (m_p < m_end) {
                const char c = *m_p;
                if (c == '"') {
                    if (!skipString())
                        return false;
                    continue;
                }
                ++m_p;
                if (c == '{' || c == '[')
                    ++depth;
                else if ((c == '}' || c == ']') && --depth == 0)
                    return true;
            }
            return false;
        }
        const char *start = m_p;
        while (m_p < m_end && *m_p != ',' && *m_p != '}' && *m_p != ' ' && *m_p != '\n' && *m_p != '\r'
            && *m_p != '\t')
            ++m_p;
        return m_p > start;
    }

    const char *m_p;
    const char *m_end;
};

// A scalar value's text as JSON (string, number, literal); undefined when it is not valid.
QJsonValue scalar(const QByteArray &text)
{
    const QJsonDocument document = QJsonDocument::fromJson('[' + text + ']');
    if (!document.isArray() || document.array().size() != 1)
        return QJsonValue(QJsonValue::Undefined);
    return document.array().first();
}

} // namespace

namespace {

// A whole number a JSON reader holds exactly, at least 0.
std::optional<qint64> count(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > 9007199254740991.0 || number != double(qint64(number)))
        return std::nullopt;
    return qint64(number);
}

std::optional<QUuid> uuid(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    const QUuid id = QUuid::fromString(text);
    // The null id (a message of no master's run) reads as itself; anything else that reads as
    // null is not an id.
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

} // namespace

std::optional<SyncMessage> decodeSyncMessage(
    const QByteArray &body, qint64 maxUnpackedBytes, qint64 *oversized)
{
    // The JSON ends at the first zero byte; what follows is the message's event or change.
    const qsizetype zero = body.indexOf('\0');
    const QByteArray head = zero < 0 ? body : QByteArray::fromRawData(body.constData(), zero);
    const QByteArrayView payload
        = zero < 0 ? QByteArrayView() : QByteArrayView(body.constData() + zero + 1, body.size() - zero - 1);
    TopLevelScanner scanner(head);
    const auto values = scanner.scan();
    if (!values)
        return std::nullopt;
    const QJsonValue kind = scalar(values->value("kind"));
    const QJsonValue stationId = scalar(values->value("stationId"));
    if (!kind.isString() || !stationId.isString())
        return std::nullopt;
    SyncMessage message;
    const QString kindText = kind.toString();
    if (kindText == QLatin1String("hello"))
        message.kind = SyncMessageKind::Hello;
    else if (kindText == QLatin1String("snapshot"))
        message.kind = SyncMessageKind::Snapshot;
    else if (kindText == QLatin1String("submitResult"))
        message.kind = SyncMessageKind::SubmitResult;
    else if (kindText == QLatin1String("change"))
        message.kind = SyncMessageKind::Change;
    else if (kindText == QLatin1String("snapshotWanted"))
        message.kind = SyncMessageKind::SnapshotWanted;
    else if (kindText == QLatin1String("noSnapshot"))
        message.kind = SyncMessageKind::NoSnapshot;
    else if (kindText == QLatin1String("snapshotPiece"))
        message.kind = SyncMessageKind::SnapshotPiece;
    else
        return std::nullopt;
    message.stationId = stationId.toString();
    const auto present = [&](const char *key) {
        const auto it = values->constFind(key);
        return it != values->cend() && it.value() != "null";
    };
    message.protocol = 0;
    if (present("protocol")) {
        const auto protocol = count(scalar(values->value("protocol")));
        if (!protocol || *protocol > 1000000)
            return std::nullopt;
        message.protocol = int(*protocol);
    }
    const bool piece = message.kind == SyncMessageKind::SnapshotPiece;
    const bool numbered
        = message.kind == SyncMessageKind::Snapshot || message.kind == SyncMessageKind::Change;
    if ((numbered || piece) && message.protocol > 0) {
        if (present("event")) {
            message.event = uuid(scalar(values->value("event")));
            if (!message.event)
                return std::nullopt;
        }
        const auto series = uuid(scalar(values->value("series")));
        const auto sequence = count(scalar(values->value("sequence")));
        const QJsonValue digest = piece ? QJsonValue(QString()) : scalar(values->value("digest"));
        if (!series || !sequence || !digest.isString())
            return std::nullopt;
        message.series = *series;
        message.sequence = *sequence;
        message.digest = digest.toString().toLatin1();
        if (piece) {
            const auto index = count(scalar(values->value("piece")));
            if (!index)
                return std::nullopt;
            message.piece = *index;
        }
        if (present("pieces")) {
            const auto pieces = count(scalar(values->value("pieces")));
            if (!pieces || message.kind != SyncMessageKind::Snapshot)
                return std::nullopt;
            message.pieces = *pieces;
        }
        if (message.kind == SyncMessageKind::Change) {
            const auto follows = count(scalar(values->value("follows")));
            if (!follows)
                return std::nullopt;
            message.follows = *follows;
        }
    }
    if (present("reason")) {
        const QJsonValue reason = scalar(values->value("reason"));
        if (!reason.isString())
            return std::nullopt;
        message.reason = reason.toString();
    }
    if (present("race")) {
        message.race = scanner.race ? std::move(scanner.race) : decodeRace(values->value("race"));
        if (!message.race)
            return std::nullopt;
    }
    if (present("result")) {
        message.result = decodePersonResult(values->value("result"));
        if (!message.result)
            return std::nullopt;
    }
    if (zero >= 0) {
        // Only a snapshot's event, a piece of it, a change's record and a packed result travel
        // behind the JSON, never beside one in it, nor behind a head that announces pieces.
        const bool packedResult = message.kind == SyncMessageKind::SubmitResult;
        if (message.race || message.result || message.pieces > 0 || (packedResult && !present("packed"))
            || (message.kind != SyncMessageKind::Snapshot && message.kind != SyncMessageKind::Change
                && !packedResult && !piece))
            return std::nullopt;
        const bool packed = message.kind == SyncMessageKind::Snapshot || piece || present("packed");
        if (piece) // whatever the frames' bound: a piece's is the protocol's own
            maxUnpackedBytes = maxSnapshotPieceBytes;
        if (present("packed") && scalar(values->value("packed")) != QJsonValue(true))
            return std::nullopt;
        std::optional<QByteArray> bytes;
        if (packed) {
            qint64 stated = -1;
            bytes = unpackBytes(payload, maxUnpackedBytes, &stated);
            if (!bytes) {
                if (oversized && stated > maxUnpackedBytes)
                    *oversized = stated;
                return std::nullopt;
            }
        } else {
            bytes = payload.toByteArray();
        }
        if (message.kind == SyncMessageKind::Snapshot && message.pieces == 0) {
            message.race = decodeRace(*bytes);
            if (!message.race)
                return std::nullopt;
        } else if (packedResult) {
            message.result = decodePersonResult(*bytes);
            if (!message.result)
                return std::nullopt;
        } else {
            if (bytes->isEmpty())
                return std::nullopt;
            message.change = std::move(*bytes);
        }
    }
    return message;
}

std::optional<QByteArray> frameSyncMessage(const SyncMessage &message, qint64 *eventBytes)
{
    // The length goes in front once the body is written behind it.
    QByteArray frame(4, '\0');
    if (!appendSyncMessage(frame, message, eventBytes))
        return std::nullopt;
    const qsizetype bodySize = frame.size() - 4;
    if (quint64(bodySize) > std::numeric_limits<quint32>::max())
        return std::nullopt;
    qToBigEndian<quint32>(quint32(bodySize), frame.data());
    return frame;
}

namespace {

enum SnapshotCollection { Courses, Classes, Participants, Results, Stages, UnknownCards, CollectionCount };

// Records of each collection in one piece: two or three megabytes of text each (a result with its
// splits is about five kilobytes, an entry a few hundred bytes), below the size from which the
// document writer keeps its buffer for the next large text (the autosave's).
constexpr std::array<qsizetype, CollectionCount> piecePerCollection {250, 1000, 5000, 500, 50, 1000};

qsizetype listSize(const Race &race, int collection)
{
    switch (collection) {
    case Courses:
        return race.courses.size();
    case Classes:
        return race.classes.size();
    case Participants:
        return race.participants.size();
    case Results:
        return race.results.size();
    case Stages:
        return race.stages.size();
    case UnknownCards:
        return race.unknownCards ? race.unknownCards->size() : 0;
    }
    return 0;
}

} // namespace

SnapshotPieces::SnapshotPieces(SyncMessage head, Race race)
    : m_head(std::move(head))
    , m_race(std::move(race))
{
    m_head.race.reset();
    m_batches.push_back(Batch {});
    for (int collection = 0; collection < CollectionCount; ++collection) {
        const qsizetype size = listSize(m_race, collection);
        const qsizetype step = piecePerCollection[size_t(collection)];
        for (qsizetype from = 0; from < size; from += step)
            m_batches.push_back(Batch {collection, from, std::min(step, size - from)});
    }
    m_head.pieces = count();
}

std::optional<QByteArray> SnapshotPieces::headFrame() const
{
    return frameSyncMessage(m_head);
}

Race SnapshotPieces::pieceRace(qint64 index) const
{
    const Batch &batch = m_batches.at(size_t(index));
    if (batch.collection < 0) {
        // The event's fields; an event that holds unknown cards says so even when it holds none.
        Race fields = m_race;
        fields.courses.clear();
        fields.classes.clear();
        fields.participants.clear();
        fields.results.clear();
        fields.stages.clear();
        if (fields.unknownCards)
            fields.unknownCards->clear();
        return fields;
    }
    Race piece;
    const qsizetype from = batch.from;
    const qsizetype n = batch.count;
    switch (batch.collection) {
    case Courses:
        piece.courses = m_race.courses.mid(from, n);
        break;
    case Classes:
        piece.classes = m_race.classes.mid(from, n);
        break;
    case Participants:
        piece.participants = m_race.participants.mid(from, n);
        break;
    case Results:
        piece.results = m_race.results.mid(from, n);
        break;
    case Stages:
        piece.stages = m_race.stages.mid(from, n);
        break;
    case UnknownCards:
        piece.unknownCards = m_race.unknownCards->mid(from, n);
        break;
    }
    return piece;
}

std::optional<QByteArray> SnapshotPieces::pieceFrame(qint64 index, QString *error)
{
    if (index < 0 || index >= count())
        return std::nullopt;
    for (const auto &[recent, frame] : std::as_const(m_recent))
        if (recent == index)
            return frame;
    SyncMessage piece {SyncMessageKind::SnapshotPiece, m_head.stationId, std::nullopt, std::nullopt};
    piece.event = m_head.event;
    piece.series = m_head.series;
    piece.sequence = m_head.sequence;
    piece.piece = index;
    auto text = encodeRace(pieceRace(index), JsonLayout::Compact, error);
    if (!text)
        return std::nullopt;
    m_eventBytes += text->size();
    piece.change = std::move(*text);
    auto frame = frameSyncMessage(piece);
    if (!frame)
        return std::nullopt;
    if (m_recent.size() >= 2)
        m_recent.removeFirst();
    m_recent.append({index, *frame});
    return frame;
}

void appendSnapshotPiece(Race &race, Race piece)
{
    race.courses.append(std::move(piece.courses));
    race.classes.append(std::move(piece.classes));
    race.participants.append(std::move(piece.participants));
    race.results.append(std::move(piece.results));
    race.stages.append(std::move(piece.stages));
    if (piece.unknownCards) {
        if (!race.unknownCards)
            race.unknownCards = QList<UnknownCard>();
        race.unknownCards->append(std::move(*piece.unknownCards));
    }
}

QList<QByteArray> SyncFrameReader::feed(const QByteArray &bytes)
{
    QList<QByteArray> bodies;
    if (m_failed)
        return bodies;
    m_buffer.append(bytes);
    qsizetype offset = 0;
    while (m_buffer.size() - offset >= 4) {
        const quint32 length = qFromBigEndian<quint32>(m_buffer.constData() + offset);
        if (length > m_maxBodyBytes) {
            m_failed = true;
            m_refusedLength = length;
            m_buffer.clear();
            return bodies;
        }
        const qsizetype end = offset + 4 + qsizetype(length);
        if (m_buffer.size() < end) {
            // A sixteenth of a frame, or a megabyte of a larger one, has come: its room is taken
            // at once, so that the rest is never copied again as the buffer grows (only the pages
            // it fills are used).
            if (offset == 0 && m_buffer.capacity() < end
                && m_buffer.size() >= std::min<qsizetype>(end / 16, 1 << 20))
                m_buffer.reserve(end);
            break;
        }
        if (offset == 0 && length >= largeBody) {
            // The frame leads the buffer: it becomes the body, with no copy of its bytes (what
            // follows it is copied, a read's worth at most).
            QByteArray rest = m_buffer.sliced(end);
            QByteArray body = std::exchange(m_buffer, std::move(rest));
            body.truncate(end);
            body.remove(0, 4);
            bodies.append(std::move(body));
            continue;
        }
        bodies.append(m_buffer.mid(offset + 4, length));
        offset = end;
    }
    if (offset > 0)
        m_buffer.remove(0, offset);
    return bodies;
}
