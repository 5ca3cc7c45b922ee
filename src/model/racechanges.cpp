#include "racechanges.h"

#include "racejson.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

namespace {

const QByteArray removedMark = ",\"removed\":";
const QByteArray raceMark = ",\"race\":";
const char resultsName[] = "results";

// The comparisons below run over every result of the event on each commit (15,000 on a large
// event, every card read). Two copies of one id or time hold the same bytes (a time's shared
// private part, or the time packed in place), so equal bytes mean an equal value without working
// it out; different bytes fall back to the value's own comparison. Both types are free of padding.
bool sameId(const QUuid &a, const QUuid &b)
{
    static_assert(sizeof(QUuid) == 16);
    return std::memcmp(&a, &b, sizeof(QUuid)) == 0;
}
template<typename Key> bool sameId(const Key &a, const Key &b)
{
    return a == b;
}
bool sameTime(const QDateTime &a, const QDateTime &b)
{
    static_assert(sizeof(QDateTime) == sizeof(void *));
    return std::memcmp(&a, &b, sizeof(QDateTime)) == 0 || a == b;
}
bool sameTime(const std::optional<QDateTime> &a, const std::optional<QDateTime> &b)
{
    return a.has_value() == b.has_value() && (!a || sameTime(*a, *b));
}

// Copies of one text share its characters.
bool sameText(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}
bool sameText(const std::optional<QString> &a, const std::optional<QString> &b)
{
    return a.has_value() == b.has_value() && (!a || sameText(*a, *b));
}

bool sameSplit(const SplitTime &a, const SplitTime &b)
{
    return a == b;
}

bool samePunches(const std::optional<QList<SIPunch>> &a, const std::optional<QList<SIPunch>> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (a->constData() == b->constData() && a->size() == b->size())
        return true;
    return std::equal(a->cbegin(), a->cend(), b->cbegin(), b->cend(), [](const SIPunch &x, const SIPunch &y) {
        return x.id == y.id && x.controlCode == y.controlCode && x.timeAvailable == y.timeAvailable
            && x.time == y.time;
    });
}

} // namespace

// The ids of one collection in order, mixed into 128 bits in two lanes of 64: each id's bytes are
// mixed into a lane that is then multiplied by an odd constant, so an id changed, moved or left
// out changes the lanes, and ids appended later extend them. A check against stations drifting
// apart, not against forgery (the connection is the event's own): a card read's change must not
// cost the master a pass over every id of the event.
struct RaceIdsMix
{
    quint64 a = 0x243F6A8885A308D3ULL;
    quint64 b = 0x13198A2E03707344ULL;
    qsizetype count = 0;

    void word(quint64 w)
    {
        a = std::rotl(a ^ w, 23) * 0x9E3779B97F4A7C15ULL;
        b = std::rotl(b ^ (w * 0xD6E8FEB86659FD93ULL), 31) * 0xA0761D6478BD642FULL;
    }
    void add(const QUuid &id)
    {
        word((quint64(id.data1) << 32) | (quint64(id.data2) << 16) | id.data3);
        quint64 low = 0;
        for (const uchar byte : id.data4)
            low = (low << 8) | byte;
        word(low);
        ++count;
    }
    void add(const QString &id)
    {
        const QByteArray bytes = id.toUtf8();
        quint64 w = 0;
        qsizetype i = 0;
        for (; i < bytes.size(); ++i) {
            w = (w << 8) | uchar(bytes[i]);
            if (i % 8 == 7)
                word(std::exchange(w, 0));
        }
        word(w ^ (quint64(bytes.size()) << 56) ^ 0xFFULL);
        ++count;
    }
    // The lanes as 16 bytes, with the count.
    void appendTo(QByteArray &out) const
    {
        const auto fmix = [](quint64 k) {
            k ^= k >> 33;
            k *= 0xFF51AFD7ED558CCDULL;
            k ^= k >> 33;
            k *= 0xC4CEB9FE1A85EC53ULL;
            k ^= k >> 33;
            return k;
        };
        const quint64 x = fmix(a ^ quint64(count));
        const quint64 y = fmix(b ^ std::rotl(x, 17));
        out.append(QByteArray::number(count)).append(':');
        for (const quint64 lane : {x, y})
            for (int shift = 56; shift >= 0; shift -= 8)
                out.append(char(lane >> shift));
    }
};

namespace {

// One collection of the event: where it lives, how its records are told apart and compared, and
// the name the record gives it (the event file's key).
struct Collection
{
    const char *name;
    // Compares the collection of two events; fills `changes` (see below) for the record.
    std::function<bool(const Race &before, const Race &after, Race &puts, Race &removed)> diff;
    // Replay: applies the puts and removals of one record, or replaces the collection whole.
    std::function<void(Race &race, const Race &puts, const Race &removed, bool whole)> apply;
    std::function<qsizetype(const Race &)> size;
    // Whether two events hold this collection's very list (its data shared).
    std::function<bool(const Race &, const Race &)> shared;
    // Mixes the ids of the collection's records from `from` on, in order (the stations' digest).
    std::function<void(const Race &, qsizetype from, RaceIdsMix &)> mixIds;
};

// Whether `ids` holds an id twice (`ids` is reordered).
template<typename Key> bool holdsCopies(std::vector<Key> &ids)
{
    std::sort(ids.begin(), ids.end());
    const auto copied = [](const Key &a, const Key &b) { return sameId(a, b); };
    return std::adjacent_find(ids.begin(), ids.end(), copied) != ids.end();
}

// Record ids are random: spread over buckets by a mix of all their bits, the copies of an id share
// a bucket and each bucket holds one or two ids, sorted on their own. The whole check then takes
// time in proportion to the ids where one sort of them all takes more per id the more there are.
// Ids that gather in a few buckets (made by hand, in order) take no longer than that one sort.
bool holdsCopies(std::vector<QUuid> &ids)
{
    const std::size_t count = ids.size();
    if (count < 64) {
        std::sort(ids.begin(), ids.end());
        return std::adjacent_find(ids.begin(), ids.end(), [](const QUuid &a, const QUuid &b) {
            return sameId(a, b);
        }) != ids.end();
    }
    const int bits = std::clamp(int(std::bit_width(count)) - 1, 4, 16);
    const auto bucketOf = [bits](const QUuid &id) {
        quint64 low = 0;
        quint64 high = 0;
        std::memcpy(&low, &id, sizeof low);
        std::memcpy(&high, reinterpret_cast<const char *>(&id) + sizeof low, sizeof high);
        const quint64 mixed = (low ^ (high * 0x9E3779B97F4A7C15ULL)) * 0xFF51AFD7ED558CCDULL;
        return std::size_t(mixed >> (64 - bits));
    };
    std::vector<quint32> starts((std::size_t(1) << bits) + 1, 0);
    for (const QUuid &id : ids)
        ++starts[bucketOf(id) + 1];
    for (std::size_t b = 1; b < starts.size(); ++b)
        starts[b] += starts[b - 1];
    std::vector<QUuid> grouped(count);
    {
        std::vector<quint32> next(starts.begin(), starts.end() - 1);
        for (const QUuid &id : ids)
            grouped[next[bucketOf(id)]++] = id;
    }
    for (std::size_t b = 0; b + 1 < starts.size(); ++b) {
        const auto first = grouped.begin() + starts[b];
        const auto last = grouped.begin() + starts[b + 1];
        if (last - first < 2)
            continue;
        std::sort(first, last);
        if (std::adjacent_find(first, last, [](const QUuid &a, const QUuid &b) { return sameId(a, b); })
            != last)
            return true;
    }
    return false;
}

// The diff of one list by id. Returns whether the list must be recorded whole; otherwise `puts`
// gets the added and changed records and `removed` the removed ones, and replaying them (replace
// the record with the id in place, else append; drop every record with a removed id) rebuilds
// `after` exactly from `before`.
template<typename T, typename Key>
bool diffList(const QList<T> &before, const QList<T> &after, Key (*id)(const T &),
    bool (*same)(const T &, const T &), QList<T> &puts, QList<T> &removed)
{
    // The common case (a card read, an edit, an addition) without hashing every id: the records
    // all in place, a few replaced, some appended. Each of those must be the only one with its
    // id, or replay would replace another.
    if (after.size() >= before.size()) {
        constexpr qsizetype fewChanges = 16;
        QList<qsizetype> changed;
        bool inPlace = true;
        for (qsizetype i = 0; i < before.size() && inPlace; ++i) {
            if (!sameId(id(before[i]), id(after[i])))
                inPlace = false;
            else if (!same(before[i], after[i]))
                changed.append(i);
        }
        if (inPlace) {
            for (qsizetype i = before.size(); i < after.size(); ++i)
                changed.append(i);
        }
        if (inPlace && changed.size() <= fewChanges) {
            bool unique = true;
            for (qsizetype i : std::as_const(changed)) {
                const Key key = id(after[i]);
                for (qsizetype k = 0; k < after.size() && unique; ++k)
                    unique = k == i || !sameId(id(after[k]), key);
            }
            if (unique) {
                for (qsizetype i : std::as_const(changed))
                    puts.append(after[i]);
                return false;
            }
        } else if (inPlace) {
            // Many records changed in place (an import, a draw): the ids checked for copies as one
            // sorted run rather than through two hashes of every id, whose random look-ups miss
            // the cache on a large list. With every kept record in its place, a copied id is the
            // only case the walk below would record whole.
            std::vector<Key> ids;
            ids.reserve(std::size_t(after.size()));
            for (const T &record : after)
                ids.push_back(id(record));
            if (holdsCopies(ids))
                return true;
            // Every record put (the first import into an empty list): the list itself, shared,
            // rather than a copy of every record.
            if (changed.size() == after.size()) {
                puts = after;
                return false;
            }
            puts.reserve(changed.size());
            for (qsizetype i : std::as_const(changed))
                puts.append(after[i]);
            return false;
        }
    }
    QHash<Key, qsizetype> old;
    old.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (old.contains(id(before[i])))
            return true;
        old.insert(id(before[i]), i);
    }
    QHash<Key, bool> seen;
    seen.reserve(after.size());
    qsizetype lastKept = -1;
    bool appending = false;
    for (const T &record : after) {
        const Key key = id(record);
        if (seen.contains(key))
            return true;
        seen.insert(key, true);
        const auto it = old.constFind(key);
        if (it == old.constEnd()) {
            appending = true;
            puts.append(record);
            continue;
        }
        // A kept record after a new one, or out of its old order, cannot be rebuilt in place.
        if (appending || *it < lastKept)
            return true;
        lastKept = *it;
        if (!same(before[*it], record))
            puts.append(record);
    }
    for (const T &record : before) {
        if (!seen.contains(id(record)))
            removed.append(record);
    }
    return false;
}

template<typename T, typename Key>
void applyList(QList<T> &list, const QList<T> &puts, const QList<T> &removed, Key (*id)(const T &))
{
    if (!removed.isEmpty()) {
        QSet<Key> gone;
        gone.reserve(removed.size());
        for (const T &record : removed)
            gone.insert(id(record));
        list.removeIf([&](const T &r) { return gone.contains(id(r)); });
    }
    if (puts.isEmpty())
        return;
    // A card read puts one record into a list of thousands: found by walking the list. Many puts
    // (an import, a draw) look their places up once.
    constexpr qsizetype fewPuts = 8;
    QHash<Key, qsizetype> at;
    if (puts.size() > fewPuts) {
        at.reserve(list.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (const Key key = id(list[i]); !at.contains(key))
                at.insert(key, i); // the first of an id, as the walk finds it
        }
    }
    for (const T &record : puts) {
        qsizetype index = -1;
        if (puts.size() > fewPuts) {
            index = at.value(id(record), -1);
        } else {
            const auto it = std::find_if(
                list.cbegin(), list.cend(), [&](const T &r) { return sameId(id(r), id(record)); });
            if (it != list.cend())
                index = it - list.cbegin();
        }
        if (index >= 0) {
            list[index] = record;
        } else {
            if (puts.size() > fewPuts)
                at.insert(id(record), list.size());
            list.append(record);
        }
    }
}

template<typename T, typename Key>
Collection listCollection(
    const char *name, QList<T> Race::*member, Key (*id)(const T &), bool (*same)(const T &, const T &))
{
    return Collection {name,
        [=](const Race &before, const Race &after, Race &puts, Race &removed) {
            const QList<T> &a = before.*member;
            const QList<T> &b = after.*member;
            // Untouched since the last record: the list still shares its data.
            if (a.constData() == b.constData() && a.size() == b.size())
                return false;
            if (diffList(a, b, id, same, puts.*member, removed.*member)) {
                puts.*member = b;
                (removed.*member).clear();
                return true;
            }
            return false;
        },
        [=](Race &race, const Race &puts, const Race &removed, bool whole) {
            if (whole)
                race.*member = puts.*member;
            else
                applyList(race.*member, puts.*member, removed.*member, id);
        },
        [=](const Race &race) { return (race.*member).size(); },
        [=](const Race &a, const Race &b) { return (a.*member).isSharedWith(b.*member); },
        [=](const Race &race, qsizetype from, RaceIdsMix &mix) {
            const QList<T> &list = race.*member;
            for (qsizetype i = from; i < list.size(); ++i)
                mix.add(id(list[i]));
        }};
}

QUuid participantId(const Participant &p)
{
    return p.id;
}
QUuid resultId(const PersonResult &r)
{
    return r.id;
}
QString courseId(const Course &c)
{
    return c.id;
}
QString classId(const RaceClass &c)
{
    return c.id;
}
QString stageId(const Stage &s)
{
    return s.id;
}
template<typename T> bool equal(const T &a, const T &b)
{
    return a == b;
}

// Every collection of the event, in the order replay applies them.
const QList<Collection> &collections()
{
    static const QList<Collection> all {
        listCollection("courses", &Race::courses, &courseId, &equal<Course>),
        listCollection("classes", &Race::classes, &classId, &equal<RaceClass>),
        listCollection("stages", &Race::stages, &stageId, &equal<Stage>),
        listCollection("participants", &Race::participants, &participantId, &equal<Participant>),
        listCollection(resultsName, &Race::results, &resultId, &sameResult),
    };
    return all;
}

// The event's own fields (everything but its collections and the journal's bookkeeping).
void copyFields(const Race &from, Race &to)
{
    to.name = from.name;
    to.date = from.date;
    to.vexloWebEventId = from.vexloWebEventId;
    to.vexloWebChecklistKey = from.vexloWebChecklistKey;
    to.activeStageId = from.activeStageId;
    to.multiStageEnabled = from.multiStageEnabled;
    to.defaultStartWindow = from.defaultStartWindow;
    to.stageDefaultStartWindows = from.stageDefaultStartWindows;
    to.unknownCards = from.unknownCards;
}

// Kept card read-outs are only kept, dropped, or lose their stage when it is deleted: the same
// ids with the same stages in the same order are the same list. They are few, so they travel with
// the event's fields.
bool sameUnknownCards(const std::optional<QList<UnknownCard>> &a, const std::optional<QList<UnknownCard>> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    return std::equal(
        a->cbegin(), a->cend(), b->cbegin(), b->cend(), [](const UnknownCard &x, const UnknownCard &y) {
            return x.id == y.id && x.stageId == y.stageId && x.cardNumber == y.cardNumber;
        });
}

bool sameFields(const Race &a, const Race &b)
{
    return a.name == b.name && a.date == b.date && a.vexloWebEventId == b.vexloWebEventId
        && a.vexloWebChecklistKey == b.vexloWebChecklistKey && a.activeStageId == b.activeStageId
        && a.multiStageEnabled == b.multiStageEnabled && a.defaultStartWindow == b.defaultStartWindow
        && a.stageDefaultStartWindows == b.stageDefaultStartWindows
        && sameUnknownCards(a.unknownCards, b.unknownCards);
}

// A carrier document: the event's fields and only the given records.
Race carrier(const Race &fields)
{
    Race race;
    copyFields(fields, race);
    return race;
}

} // namespace

bool sameResult(const PersonResult &a, const PersonResult &b)
{
    return sameId(a.id, b.id) && sameId(a.participantId, b.participantId) && sameText(a.courseId, b.courseId)
        && sameText(a.cardNumber, b.cardNumber) && sameTime(a.readAt, b.readAt)
        && sameTime(a.startTime, b.startTime) && sameTime(a.finishTime, b.finishTime)
        && a.raceTime == b.raceTime && a.completed == b.completed
        && sameTime(a.cardStartTime, b.cardStartTime) && a.courseAutoMatched == b.courseAutoMatched
        && sameText(a.stageId, b.stageId) && a.score == b.score && a.overtimePenalty == b.overtimePenalty
        && a.withinTimeLimit == b.withinTimeLimit && a.completedOverride == b.completedOverride
        && sameText(a.overrideNote, b.overrideNote)
        && (a.splits.constData() == b.splits.constData() ? a.splits.size() == b.splits.size()
                                                         : std::equal(a.splits.cbegin(), a.splits.cend(),
                                                             b.splits.cbegin(), b.splits.cend(), sameSplit))
        && samePunches(a.punches, b.punches);
}

namespace {

RaceChanges diffRace(const Race &before, const Race &after, std::optional<qsizetype> resultsKept)
{
    RaceChanges changes;
    changes.puts = carrier(after);
    for (const Collection &collection : collections()) {
        if (resultsKept && std::strcmp(collection.name, resultsName) == 0) {
            changes.puts.results = after.results.mid(*resultsKept);
            changes.resultsAppendedAfter = resultsKept;
        } else if (collection.diff(before, after, changes.puts, changes.removed)) {
            changes.whole.append(QLatin1String(collection.name));
        }
    }
    changes.fields = !sameFields(before, after);
    for (const Collection &collection : collections())
        changes.changedRecords += collection.size(changes.puts) + collection.size(changes.removed);
    if (changes.fields)
        ++changes.changedRecords;
    return changes;
}

} // namespace

bool sameResults(const QList<PersonResult> &a, const QList<PersonResult> &b)
{
    if (a.size() != b.size())
        return false;
    return a.constData() == b.constData() || std::equal(a.cbegin(), a.cend(), b.cbegin(), sameResult);
}

RaceChanges diffRace(const Race &before, const Race &after)
{
    return diffRace(before, after, std::nullopt);
}

RaceChanges diffRace(const Race &before, const Race &after, qsizetype resultsKept)
{
    // A new id cannot stand earlier in the list, so the appended results are put as they are:
    // replay appends each, as it finds none with its id.
    if (resultsKept < 0 || before.results.size() != resultsKept || after.results.size() < resultsKept)
        return diffRace(before, after, std::nullopt);
    return diffRace(before, after, std::optional<qsizetype>(resultsKept));
}

std::optional<RaceChangeText> encodeRaceChanges(const RaceChanges &changes, QString *error)
{
    RaceChangeText change;
    change.changedRecords = changes.changedRecords;
    if (change.changedRecords == 0 && changes.whole.isEmpty())
        return change;
    // Removed records are written whole too: the event writer's text, ids included, is the only
    // one the journal uses; replay needs only their ids.
    QString removedError;
    const auto removedText = encodeRace(changes.removed, JsonLayout::Compact, &removedError);
    if (!removedText) {
        // A value of the puts that cannot be written is the one named, as the puts come first.
        if (!encodeRace(changes.puts, JsonLayout::Compact, error))
            return std::nullopt;
        if (error)
            *error = removedError;
        return std::nullopt;
    }
    const QByteArray &removedIds = *removedText;
    QJsonObject head {{QStringLiteral("op"), QStringLiteral("commit")}};
    if (!changes.whole.isEmpty())
        head.insert(QStringLiteral("whole"), QJsonArray::fromStringList(changes.whole));
    if (changes.fields)
        head.insert(QStringLiteral("fields"), true);
    head.insert(QStringLiteral("removedBytes"), removedIds.size());
    QByteArray headText = QJsonDocument(head).toJson(QJsonDocument::Compact);
    // Without its braces: the journal puts its own keys first. The puts of an import or a draw
    // run to tens of megabytes: they are written behind the rest, in the same buffer.
    const QByteArrayView headKeys = QByteArrayView(headText).sliced(1, headText.size() - 2);
    QByteArray before;
    before.reserve(headKeys.size() + removedMark.size() + removedIds.size() + raceMark.size());
    before.append(headKeys).append(removedMark).append(removedIds).append(raceMark);
    auto body = encodeRaceAfter(before, changes.puts, JsonLayout::Compact, error);
    if (!body)
        return std::nullopt;
    change.body = std::move(*body);
    return change;
}

std::optional<RaceChangeText> encodeRaceChanges(const Race &before, const Race &after, QString *error)
{
    return encodeRaceChanges(diffRace(before, after), error);
}

namespace {

void applyCollection(Race &race, const Collection &collection, const RaceChanges &changes)
{
    // Made from this very list: the appended results go after it without looking for their ids
    // (a walk over every result otherwise).
    if (changes.resultsAppendedAfter && std::strcmp(collection.name, resultsName) == 0
        && race.results.size() == *changes.resultsAppendedAfter) {
        race.results.append(changes.puts.results);
        return;
    }
    collection.apply(
        race, changes.puts, changes.removed, changes.whole.contains(QLatin1String(collection.name)));
}

} // namespace

void applyRaceChanges(Race &race, const RaceChanges &changes)
{
    for (const Collection &collection : collections())
        applyCollection(race, collection, changes);
    if (changes.fields)
        copyFields(changes.puts, race);
}

void applyResultChanges(QList<PersonResult> &results, const RaceChanges &changes)
{
    for (const Collection &collection : collections()) {
        if (std::strcmp(collection.name, resultsName) != 0)
            continue;
        Race race;
        race.results = std::move(results);
        applyCollection(race, collection, changes);
        results = std::move(race.results);
    }
}

bool sharesRecords(const Race &a, const Race &b, bool exceptResults)
{
    for (const Collection &collection : collections()) {
        if (exceptResults && std::strcmp(collection.name, resultsName) == 0)
            continue;
        if (!collection.shared(a, b))
            return false;
    }
    return sameFields(a, b);
}

std::optional<RaceChangeText> encodeWholeRace(const Race &race, QString *error)
{
    auto text = encodeRaceAfter("\"op\":\"event\"" + raceMark, race, JsonLayout::Compact, error);
    if (!text)
        return std::nullopt;
    RaceChangeText change;
    change.body = std::move(*text);
    change.changedRecords = 1;
    return change;
}

std::optional<QJsonObject> recordHead(const QByteArray &record)
{
    // Neither mark can stand inside a string of the head: a quote there is always escaped.
    qsizetype end = record.indexOf(removedMark);
    const qsizetype race = record.indexOf(raceMark);
    if (end < 0 || (race >= 0 && race < end))
        end = race;
    if (end < 0)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument head = QJsonDocument::fromJson(record.left(end) + '}', &parseError);
    if (parseError.error != QJsonParseError::NoError || !head.isObject())
        return std::nullopt;
    return head.object();
}

bool applyRaceChanges(Race &race, const QByteArray &record, QString *why)
{
    const auto head = recordHead(record);
    if (!head || !record.endsWith('}')) {
        *why = QStringLiteral("unreadable record");
        return false;
    }
    const QString op = head->value(QStringLiteral("op")).toString();
    const qsizetype raceAt = record.indexOf(raceMark);
    if (op == QStringLiteral("event")) {
        QString error;
        auto whole = decodeRace(record.mid(raceAt + raceMark.size()).chopped(1), &error);
        if (!whole) {
            *why = QStringLiteral("unreadable event: ") + error;
            return false;
        }
        race = std::move(*whole);
        return true;
    }
    if (op != QStringLiteral("commit")) {
        *why = QStringLiteral("unknown record kind");
        return false;
    }
    const qsizetype removedAt = record.indexOf(removedMark);
    const qint64 removedBytes = head->value(QStringLiteral("removedBytes")).toInteger(-1);
    // The count is compared with what the record holds before anything is added to it: a damaged
    // one may be any number up to the largest there is.
    const qsizetype removedFrom = removedAt + removedMark.size();
    if (removedAt < 0 || removedBytes < 0 || removedBytes > record.size() - removedFrom
        || record.mid(removedFrom + removedBytes, raceMark.size()) != raceMark) {
        *why = QStringLiteral("unreadable record");
        return false;
    }
    const qsizetype putsAt = removedFrom + removedBytes;
    QString error;
    RaceChanges changes;
    auto removed = decodeRace(record.mid(removedFrom, removedBytes), &error);
    auto puts = removed ? decodeRace(record.mid(putsAt + raceMark.size()).chopped(1), &error) : std::nullopt;
    if (!removed || !puts) {
        *why = QStringLiteral("unreadable change: ") + error;
        return false;
    }
    changes.puts = std::move(*puts);
    changes.removed = std::move(*removed);
    const QJsonArray whole = head->value(QStringLiteral("whole")).toArray();
    for (const Collection &collection : collections()) {
        if (whole.contains(QLatin1String(collection.name)))
            changes.whole.append(QLatin1String(collection.name));
    }
    changes.fields = head->value(QStringLiteral("fields")).toBool();
    applyRaceChanges(race, changes);
    return true;
}

namespace {

QByteArray digestOf(const Race &race, const std::vector<RaceIdsMix> &mixes)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(encodeRace(carrier(race), JsonLayout::Compact).value_or(QByteArray("-")));
    QByteArray ids;
    for (qsizetype i = 0; i < collections().size(); ++i) {
        ids.append(collections()[i].name).append(':');
        mixes[size_t(i)].appendTo(ids);
    }
    hash.addData(ids);
    return hash.result().left(16).toHex();
}

// The collections whose ids a record (with its braces) may have changed other than by appending:
// those it names whole or removes records from. Nullopt when it is not a change record.
std::optional<QSet<QByteArray>> reorderedBy(const QByteArray &record)
{
    const auto head = recordHead(record);
    if (!head || head->value(QStringLiteral("op")).toString() != QStringLiteral("commit"))
        return std::nullopt;
    QSet<QByteArray> named;
    for (const QJsonValue &whole : head->value(QStringLiteral("whole")).toArray())
        named.insert(whole.toString().toUtf8());
    const qsizetype removedAt = record.indexOf(removedMark);
    const qint64 removedBytes = head->value(QStringLiteral("removedBytes")).toInteger(-1);
    if (removedAt < 0 || removedBytes < 0 || removedBytes > record.size() - removedAt - removedMark.size())
        return std::nullopt;
    const auto removed = decodeRace(record.mid(removedAt + removedMark.size(), removedBytes));
    if (!removed)
        return std::nullopt;
    for (const Collection &collection : collections())
        if (collection.size(*removed) > 0)
            named.insert(collection.name);
    return named;
}

} // namespace

QByteArray raceDigest(const Race &race)
{
    std::vector<RaceIdsMix> mixes(size_t(collections().size()));
    for (qsizetype i = 0; i < collections().size(); ++i)
        collections()[i].mixIds(race, 0, mixes[size_t(i)]);
    return digestOf(race, mixes);
}

RaceDigestKeeper::RaceDigestKeeper() = default;
RaceDigestKeeper::~RaceDigestKeeper() = default;

void RaceDigestKeeper::reset()
{
    m_mixes.clear();
}

QByteArray RaceDigestKeeper::digest(const Race &race)
{
    m_mixes.assign(size_t(collections().size()), RaceIdsMix());
    for (qsizetype i = 0; i < collections().size(); ++i)
        collections()[i].mixIds(race, 0, m_mixes[size_t(i)]);
    return digestOf(race, m_mixes);
}

QByteArray RaceDigestKeeper::digest(const Race &race, const QByteArrayList &records)
{
    if (m_mixes.empty())
        return digest(race);
    QSet<QByteArray> reordered;
    for (const QByteArray &record : records) {
        const auto named = reorderedBy(record);
        if (!named)
            return digest(race);
        reordered.unite(*named);
    }
    for (qsizetype i = 0; i < collections().size(); ++i) {
        const Collection &collection = collections()[i];
        RaceIdsMix &mix = m_mixes[size_t(i)];
        // A record only replaces records in place or appends them, unless it removes some or
        // puts the collection whole.
        if (reordered.contains(collection.name) || collection.size(race) < mix.count)
            mix = RaceIdsMix();
        collection.mixIds(race, mix.count, mix);
    }
    return digestOf(race, m_mixes);
}
