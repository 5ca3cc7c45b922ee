#include "racejournal.h"

#include "atomicfile.h"
#include "log.h"
#include "racejson.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <unistd.h>

const QString RaceJournal::fileName = QStringLiteral("current-race.journal");

namespace {
const QString opKey = QStringLiteral("op");
const QString seqKey = QStringLiteral("seq");
const QString idKey = QStringLiteral("id");
const QString eventKey = QStringLiteral("event");
const QString resultOp = QStringLiteral("result");
const QString deleteResultOp = QStringLiteral("deleteResult");
const QString participantOp = QStringLiteral("participant");
const QString deleteParticipantOp = QStringLiteral("deleteParticipant");
const QString unknownCardOp = QStringLiteral("unknownCard");
const QString deleteUnknownCardOp = QStringLiteral("deleteUnknownCard");

void logJournal(const QString &text)
{
    logLine(QStringLiteral("RaceStore: journal: ") + text);
}

// An entry has no JSON form of its own: it travels as the one entry of an otherwise empty race.
std::optional<QJsonObject> participantToJson(const Participant &participant)
{
    Race carrier;
    carrier.participants.append(participant);
    const auto race = raceToJsonObject(carrier);
    if (!race)
        return std::nullopt;
    return race->value(QStringLiteral("participants")).toArray().first().toObject();
}

std::optional<Participant> participantFromJson(const QJsonObject &object)
{
    auto race = raceToJsonObject(Race());
    if (!race)
        return std::nullopt;
    race->insert(QStringLiteral("participants"), QJsonArray {object});
    const auto carrier = raceFromJsonObject(*race);
    if (!carrier || carrier->participants.size() != 1)
        return std::nullopt;
    return carrier->participants.first();
}

// A kept card travels like an entry, as the one kept card of an otherwise empty race.
std::optional<QJsonObject> unknownCardToJson(const UnknownCard &card)
{
    Race carrier;
    carrier.unknownCards = QList<UnknownCard> {card};
    const auto race = raceToJsonObject(carrier);
    if (!race)
        return std::nullopt;
    return race->value(QStringLiteral("unknownCards")).toArray().first().toObject();
}

std::optional<UnknownCard> unknownCardFromJson(const QJsonObject &object)
{
    auto race = raceToJsonObject(Race());
    if (!race)
        return std::nullopt;
    race->insert(QStringLiteral("unknownCards"), QJsonArray {object});
    const auto carrier = raceFromJsonObject(*race);
    if (!carrier || !carrier->unknownCards || carrier->unknownCards->size() != 1)
        return std::nullopt;
    return carrier->unknownCards->first();
}

bool hasParticipant(const Race &race, const QUuid &id)
{
    return std::any_of(race.participants.cbegin(), race.participants.cend(),
        [&](const Participant &p) { return p.id == id; });
}

// Applies one decoded record; false when it does not belong to `race` (the reason in `why`).
// `named`: the record names this event, so a new entry or a result of any entry is this event's.
// A record naming none belongs only when it changes what the event already has.
bool applyRecord(Race &race, const QJsonObject &record, bool named, QString *why)
{
    const QString op = record.value(opKey).toString();
    if (op == resultOp) {
        const auto result = personResultFromJsonObject(record.value(resultOp).toObject(), why);
        if (!result)
            return false;
        if (!named && !hasParticipant(race, result->participantId)) {
            *why = QStringLiteral("result for an entry this event does not have");
            return false;
        }
        auto it = std::find_if(race.results.begin(), race.results.end(),
            [&](const PersonResult &r) { return r.id == result->id; });
        if (it != race.results.end())
            *it = *result;
        else
            race.results.append(*result);
        return true;
    }
    if (op == participantOp) {
        const auto participant = participantFromJson(record.value(participantOp).toObject());
        if (!participant) {
            *why = QStringLiteral("unreadable entry");
            return false;
        }
        auto it = std::find_if(race.participants.begin(), race.participants.end(),
            [&](const Participant &p) { return p.id == participant->id; });
        if (it != race.participants.end()) {
            *it = *participant;
            return true;
        }
        if (!named) {
            *why = QStringLiteral("entry this event does not have");
            return false;
        }
        race.participants.append(*participant);
        return true;
    }
    if (op == unknownCardOp) {
        const auto card = unknownCardFromJson(record.value(unknownCardOp).toObject());
        if (!card) {
            *why = QStringLiteral("unreadable unknown card");
            return false;
        }
        // Nothing but the event's name shows that a kept card belongs to it.
        if (!named) {
            *why = QStringLiteral("unknown card of no named event");
            return false;
        }
        if (!race.unknownCards)
            race.unknownCards.emplace();
        auto it = std::find_if(race.unknownCards->begin(), race.unknownCards->end(),
            [&](const UnknownCard &c) { return c.id == card->id; });
        if (it != race.unknownCards->end())
            *it = *card;
        else
            race.unknownCards->append(*card);
        return true;
    }
    const QUuid id = QUuid::fromString(record.value(idKey).toString());
    if ((op == deleteResultOp || op == deleteParticipantOp || op == deleteUnknownCardOp) && id.isNull()) {
        *why = QStringLiteral("malformed id");
        return false;
    }
    if (op == deleteResultOp) {
        race.results.removeIf([&](const PersonResult &r) { return r.id == id; });
        return true;
    }
    if (op == deleteParticipantOp) {
        race.participants.removeIf([&](const Participant &p) { return p.id == id; });
        return true;
    }
    if (op == deleteUnknownCardOp) {
        if (race.unknownCards) {
            race.unknownCards->removeIf([&](const UnknownCard &c) { return c.id == id; });
            if (race.unknownCards->isEmpty())
                race.unknownCards.reset();
        }
        return true;
    }
    *why = QStringLiteral("unknown record kind");
    return false;
}
} // namespace

RaceJournal::RaceJournal(const QString &folder)
    : m_path(QDir(folder).filePath(fileName))
{ }

RaceJournal::~RaceJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int RaceJournal::replayAtStartUp(Race &race)
{
    const std::lock_guard lock(m_mutex);
    // Records up to `through` are in the snapshot already: a crash came between its write and
    // the trim, or the journal is older than the snapshot.
    const qint64 through = race.journalThrough.value_or(0);
    m_sequence = std::max(m_sequence, through);
    m_writtenEvent = race.journalEventId;
    QFile file(m_path);
    if (!file.exists())
        return 0;
    if (!file.open(QIODevice::ReadOnly)) {
        logJournal(QStringLiteral("unreadable, not replayed: ") + file.errorString());
        return 0;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    int applied = 0;
    int held = 0;
    int skipped = 0;
    qsizetype start = 0;
    int lineNumber = 0;
    while (start < bytes.size()) {
        ++lineNumber;
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            logJournal(QStringLiteral("record %1 cut off, skipped").arg(lineNumber));
            ++skipped;
            break;
        }
        const QByteArray line = bytes.mid(start, end - start + 1);
        start = end + 1;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        const QJsonObject record = document.object();
        const qint64 sequence = record.value(seqKey).toInteger();
        if (parseError.error != QJsonParseError::NoError || !document.isObject() || sequence <= 0) {
            logJournal(QStringLiteral("record %1 damaged, skipped").arg(lineNumber));
            ++skipped;
            continue;
        }
        const QJsonValue event = record.value(eventKey);
        if (!event.isUndefined()
            && (!race.journalEventId || QUuid::fromString(event.toString()) != *race.journalEventId)) {
            logJournal(QStringLiteral("record %1 not replayed: another event's change").arg(lineNumber));
            ++skipped;
            continue;
        }
        if (sequence <= through) {
            ++held;
            continue;
        }
        QString why;
        if (!applyRecord(race, record, !event.isUndefined(), &why)) {
            logJournal(QStringLiteral("record %1 not replayed: %2").arg(lineNumber).arg(why));
            ++skipped;
            continue;
        }
        ++applied;
        m_sequence = std::max(m_sequence, sequence);
        m_records.emplace_back(sequence, line);
    }
    if (applied > 0)
        logJournal(QStringLiteral("%1 change(s) replayed").arg(applied));
    if (held > 0)
        logJournal(QStringLiteral("%1 change(s) already in the event's files, dropped").arg(held));
    if (skipped > 0) {
        // What could not be replayed is kept as it was, for whoever looks into it.
        const QString aside = m_path + QStringLiteral(".unreplayed-")
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        if (QFile::copy(m_path, aside))
            logJournal(QStringLiteral("journal as found kept as ") + aside);
    }
    // The file keeps only what was replayed: nothing broken for later appends to follow, and a
    // record of another event is not replayed again onto whatever this event becomes.
    rewriteLocked();
    return applied;
}

void RaceJournal::putResult(const PersonResult &result, const std::optional<QUuid> &event)
{
    // The text writer, not the object form: this runs on the card-read path. The record is what
    // QJsonDocument writes for {"op": "result", "result": {...}}, keys in order.
    QString error;
    const auto text = encodePersonResult(result, JsonLayout::Compact, &error);
    if (!text) {
        logJournal(QStringLiteral("result not journalled: ") + error);
        return;
    }
    append("{\"op\":\"result\",\"result\":" + *text + '}', event);
}

void RaceJournal::deleteResult(const QUuid &resultId, const std::optional<QUuid> &event)
{
    append(
        QJsonDocument(QJsonObject {{opKey, deleteResultOp}, {idKey, resultId.toString(QUuid::WithoutBraces)}})
            .toJson(QJsonDocument::Compact),
        event);
}

void RaceJournal::putParticipant(const Participant &participant, const std::optional<QUuid> &event)
{
    const auto object = participantToJson(participant);
    if (!object) {
        logJournal(QStringLiteral("entry not journalled"));
        return;
    }
    append(QJsonDocument(QJsonObject {{opKey, participantOp}, {participantOp, *object}})
               .toJson(QJsonDocument::Compact),
        event);
}

void RaceJournal::deleteParticipant(const QUuid &participantId, const std::optional<QUuid> &event)
{
    append(QJsonDocument(QJsonObject {{opKey, deleteParticipantOp},
                             {idKey, participantId.toString(QUuid::WithoutBraces)}})
               .toJson(QJsonDocument::Compact),
        event);
}

void RaceJournal::putUnknownCard(const UnknownCard &card, const std::optional<QUuid> &event)
{
    const auto object = unknownCardToJson(card);
    if (!object) {
        logJournal(QStringLiteral("unknown card not journalled"));
        return;
    }
    append(QJsonDocument(QJsonObject {{opKey, unknownCardOp}, {unknownCardOp, *object}})
               .toJson(QJsonDocument::Compact),
        event);
}

void RaceJournal::deleteUnknownCard(const QUuid &cardId, const std::optional<QUuid> &event)
{
    append(QJsonDocument(
               QJsonObject {{opKey, deleteUnknownCardOp}, {idKey, cardId.toString(QUuid::WithoutBraces)}})
               .toJson(QJsonDocument::Compact),
        event);
}

void RaceJournal::append(QByteArray record, const std::optional<QUuid> &event)
{
    const std::lock_guard lock(m_mutex);
    if (m_fd < 0 && !openLocked())
        return;
    const qint64 sequence = ++m_sequence;
    // The sequence number and the event go first so a reader sees them without the rest of the
    // record; the record's own object is closed by the brace it already ends with.
    QByteArray head = "{\"seq\":" + QByteArray::number(sequence) + ',';
    if (event)
        head += "\"event\":\"" + event->toByteArray(QUuid::WithoutBraces) + "\",";
    record.replace(0, 1, head);
    record.append('\n');
    qsizetype done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(m_fd, record.constData() + done, size_t(record.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            logJournal(QStringLiteral("append failed: ") + QString::fromLocal8Bit(strerror(errno)));
            // A partial line would swallow the next record: start over with a rewritten file.
            ::close(m_fd);
            m_fd = -1;
            rewriteLocked();
            return;
        }
        done += n;
    }
    if (::fdatasync(m_fd) != 0)
        logJournal(QStringLiteral("sync failed: ") + QString::fromLocal8Bit(strerror(errno)));
    m_records.emplace_back(sequence, std::move(record));
}

qint64 RaceJournal::lastSequence()
{
    const std::lock_guard lock(m_mutex);
    return m_sequence;
}

bool RaceJournal::isEmpty()
{
    const std::lock_guard lock(m_mutex);
    return m_records.empty();
}

void RaceJournal::continueAfter(qint64 sequence)
{
    const std::lock_guard lock(m_mutex);
    m_sequence = std::max(m_sequence, sequence);
}

std::optional<QUuid> RaceJournal::writtenEvent()
{
    const std::lock_guard lock(m_mutex);
    return m_writtenEvent;
}

void RaceJournal::trimThrough(qint64 sequence, const std::optional<QUuid> &event)
{
    const std::lock_guard lock(m_mutex);
    m_writtenEvent = event;
    if (m_records.empty() || m_records.front().first > sequence)
        return;
    while (!m_records.empty() && m_records.front().first <= sequence)
        m_records.pop_front();
    rewriteLocked();
}

bool RaceJournal::openLocked()
{
    const QByteArray path = QFile::encodeName(m_path);
    const bool existed = QFileInfo::exists(m_path);
    m_fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        logJournal(QStringLiteral("cannot open %1: %2").arg(m_path, QString::fromLocal8Bit(strerror(errno))));
        return false;
    }
    if (!existed)
        syncFolder(QFileInfo(m_path).absolutePath());
    return true;
}

bool RaceJournal::rewriteLocked()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    QByteArray bytes;
    for (const auto &record : m_records)
        bytes += record.second;
    QString error;
    // Atomic: a crash mid-rewrite leaves the old journal, whose records replay harmlessly. The
    // folder is synced so that later appends go to the file a restart will find.
    if (!writeFileAtomically(m_path, bytes, &error)) {
        logJournal(QStringLiteral("rewrite failed: ") + error);
        return false;
    }
    syncFolder(QFileInfo(m_path).absolutePath());
    return openLocked();
}
