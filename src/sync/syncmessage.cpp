#include "syncmessage.h"

#include "bufferstash.h"

#include "racejson.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QtEndian>

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
    }
    return {};
}

namespace {

// Appends the message's body to `out`. Written by hand around the document's own compact
// encoding, so that a snapshot of a large event is encoded once, without an intermediate JSON
// tree, and its bytes copied once, into a buffer sized for them.
bool appendSyncMessage(QByteArray &out, const SyncMessage &message)
{
    const auto jsonString = [](const QString &text) {
        const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    };
    const QByteArray kind = jsonString(toText(message.kind));
    const QByteArray stationId = jsonString(message.stationId);
    std::optional<QByteArray> race;
    if (message.race) {
        race = encodeRace(*message.race, JsonLayout::Compact);
        if (!race)
            return false;
    }
    std::optional<QByteArray> result;
    if (message.result) {
        result = encodePersonResult(*message.result, JsonLayout::Compact);
        if (!result)
            return false;
    }
    out.reserve(out.size() + 64 + kind.size() + stationId.size() + (race ? race->size() : 0)
        + (result ? result->size() : 0));
    out += "{\"kind\":";
    out += kind;
    out += ",\"stationId\":";
    out += stationId;
    if (race) {
        out += ",\"race\":";
        out += *race;
    }
    if (result) {
        out += ",\"result\":";
        out += *result;
    }
    out += '}';
    return true;
}

} // namespace

std::optional<QByteArray> encodeSyncMessage(const SyncMessage &message)
{
    QByteArray out;
    if (!appendSyncMessage(out, message))
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

std::optional<SyncMessage> decodeSyncMessage(const QByteArray &body)
{
    TopLevelScanner scanner(body);
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
    else
        return std::nullopt;
    message.stationId = stationId.toString();
    const auto present = [&](const char *key) {
        const auto it = values->constFind(key);
        return it != values->cend() && it.value() != "null";
    };
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
    return message;
}

namespace {

// The buffer of the last large frame, used again for the next: a snapshot of a large event is
// hundreds of megabytes.
BufferStash &frameStash()
{
    static BufferStash stash;
    return stash;
}

} // namespace

std::optional<QByteArray> frameSyncMessage(const SyncMessage &message)
{
    // The length goes in front once the body is written behind it.
    QByteArray frame;
    if (message.race)
        frame = frameStash().take(BufferStash::UnknownSize);
    frame.resize(4);
    if (!appendSyncMessage(frame, message))
        return std::nullopt;
    const qsizetype bodySize = frame.size() - 4;
    if (quint64(bodySize) > std::numeric_limits<quint32>::max())
        return std::nullopt;
    qToBigEndian<quint32>(quint32(bodySize), frame.data());
    frameStash().finished(frame);
    return frame;
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
