#include "liveresultatformat.h"

#include "bufferstash.h"
#include "keysort.h"
#include "perstage.h"
#include "resultgroups.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace liveresultat {

namespace {

const QString noClass = QStringLiteral("No class");

QString trimmedName(const Participant &p)
{
    // Only spaces and tabs go: other white space is part of what the organiser typed. The bounds
    // are found on the two parts, so that the name is written once, into a text of its own size.
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    const QString &given = p.givenName;
    const QString &family = p.familyName;
    // Positions in the joined text "given family".
    const qsizetype joinedSize = given.size() + 1 + family.size();
    const auto at = [&](qsizetype i) {
        return i < given.size() ? given.at(i)
            : i == given.size() ? QLatin1Char(' ')
                                : family.at(i - given.size() - 1);
    };
    qsizetype from = 0;
    qsizetype to = joinedSize;
    while (from < to && blank(at(from)))
        ++from;
    while (to > from && blank(at(to - 1)))
        --to;
    QString name;
    name.reserve(to - from);
    const qsizetype givenEnd = std::min(to, given.size());
    if (from < givenEnd)
        name.append(given.constData() + from, givenEnd - from);
    if (from <= given.size() && to > given.size())
        name.append(QLatin1Char(' '));
    const qsizetype familyFrom = std::max<qsizetype>(from - given.size() - 1, 0);
    const qsizetype familyTo = to - given.size() - 1;
    if (familyTo > familyFrom)
        name.append(family.constData() + familyFrom, familyTo - familyFrom);
    return name;
}

// Canonically equivalent texts are the same name to a reader of the results.
bool sameText(const QString &a, const QString &b)
{
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool sameRunner(const RunnerSnapshot &a, const RunnerSnapshot &b)
{
    const bool clubsEqual
        = a.club.has_value() == b.club.has_value() && (!a.club || sameText(*a.club, *b.club));
    return sameText(a.name, b.name) && clubsEqual && sameText(a.className, b.className) && a.start == b.start;
}

// The compact JSON QJsonDocument writes, written straight into one buffer: keys come in the
// order QJsonObject keeps them (sorted), numbers as integers. A text holding a control character,
// a surrogate (paired or not) or a non-character is escaped by Qt itself, so that every text
// reads as Qt would write it; any other character stands for itself in UTF-8.
class BodyWriter
{
public:
    explicit BodyWriter(qsizetype expected)
        : m_out(stash().take(expected))
    {
        m_out.resize(std::max<qsizetype>(expected, 256));
        m_at = m_out.data();
        m_end = m_at + m_out.size();
    }

    void raw(const char *text) { bytes(text, qsizetype(std::strlen(text))); }
    void key(const char *name)
    {
        const qsizetype n = qsizetype(std::strlen(name));
        reserve(n + 3);
        *m_at++ = '"';
        std::memcpy(m_at, name, size_t(n));
        m_at += n;
        *m_at++ = '"';
        *m_at++ = ':';
    }
    void number(qint64 value)
    {
        reserve(20);
        m_at = std::to_chars(m_at, m_at + 20, value).ptr;
    }
    void text(const QString &value)
    {
        // At most three bytes a unit, and the quotes.
        reserve(value.size() * 3 + 2);
        char *o = m_at;
        *o++ = '"';
        for (const QChar c : value) {
            const char16_t u = c.unicode();
            if (u < 0x80) {
                if (u < 0x20)
                    return textByQt(value);
                if (u == u'"' || u == u'\\')
                    *o++ = '\\';
                *o++ = char(u);
            } else if (u < 0x800) {
                *o++ = char(0xc0 | (u >> 6));
                *o++ = char(0x80 | (u & 0x3f));
            } else if (QChar::isSurrogate(u) || (u >= 0xfdd0 && u <= 0xfdef) || u >= 0xfffe) {
                return textByQt(value);
            } else {
                *o++ = char(0xe0 | (u >> 12));
                *o++ = char(0x80 | ((u >> 6) & 0x3f));
                *o++ = char(0x80 | (u & 0x3f));
            }
        }
        *o++ = '"';
        m_at = o;
    }
    [[nodiscard]] QByteArray take()
    {
        m_out.resize(m_at - m_out.constData());
        stash().finished(m_out);
        return std::move(m_out);
    }

private:
    // A complete upload of 50,000 runners would otherwise be written into fresh memory each time
    // (see BufferStash: the buffer of the last large text is kept for the next).
    static BufferStash &stash()
    {
        static BufferStash kept;
        return kept;
    }

    void reserve(qsizetype n)
    {
        if (m_end - m_at < n) {
            const qsizetype used = m_at - m_out.constData();
            m_out.resize(std::max(used + n, m_out.size() * 2));
            m_at = m_out.data() + used;
            m_end = m_out.data() + m_out.size();
        }
    }
    void bytes(const char *text, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_at, text, size_t(n));
        m_at += n;
    }
    // The text as Qt writes it, in place of what was begun of it.
    void textByQt(const QString &value)
    {
        const QByteArray array = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
        // "[" text "]"
        bytes(array.constData() + 1, array.size() - 2);
    }

    QByteArray m_out;
    char *m_at = nullptr;
    char *m_end = nullptr;
};

// The runner's fields after its id (and, in a diff, its op), in key order around them.
// `op` is one of the fixed names of opName().
void writeOp(BodyWriter &w, const char *op)
{
    w.raw(",");
    w.key("op");
    w.raw("\"");
    w.raw(op);
    w.raw("\"");
}

void writeRunner(BodyWriter &w, const RunnerSnapshot &r, qint64 id, const char *op)
{
    w.key("class");
    w.text(r.className);
    if (r.club) {
        w.raw(",");
        w.key("club");
        w.text(*r.club);
    }
    w.raw(",");
    w.key("id");
    w.number(id);
    w.raw(",");
    w.key("name");
    w.text(r.name);
    if (op)
        writeOp(w, op);
    if (r.start) {
        w.raw(",");
        w.key("start");
        w.number(*r.start);
    }
}

const char *opName(Op op)
{
    switch (op) {
    case Op::Add:
        return "add";
    case Op::Update:
        return "update";
    case Op::Delete:
        break;
    }
    return "delete";
}

void writeResult(BodyWriter &w, const ResultKey &key, const ResultSnapshot *result, const char *op)
{
    w.raw("{");
    w.key("control");
    w.number(key.control);
    if (op)
        writeOp(w, op);
    w.raw(",");
    w.key("runnerId");
    w.number(key.runnerId);
    if (result) {
        w.raw(",");
        w.key("status");
        w.number(result->status);
        w.raw(",");
        w.key("time");
        w.number(result->time);
    }
    w.raw("}");
}

void writeHead(BodyWriter &w, qint64 eventId, const QString &password, const char *mode)
{
    w.key("eventid");
    w.number(eventId);
    w.raw(",");
    w.key("mode");
    w.raw(mode);
    w.raw(",");
    w.key("password");
    w.text(password);
}

// How far ahead of a walk through scattered memory the memory is asked for: far enough that it
// arrives in time, near enough that it is still cached when read.
constexpr std::ptrdiff_t aheadEntries = 8;

// An entry's place and a number that orders the entries as their keys do, equal for equal keys:
// sorted by the number, then by the place.
struct Placed
{
    quint64 key;
    quint32 place;
};

// The order of keys as that of unsigned numbers.
quint64 sortKey(qint64 key)
{
    return quint64(key) ^ (quint64(1) << 63);
}

// The entries' places in key order, places in order among equal keys.
std::vector<Placed> keyOrder(const std::vector<std::pair<qint64, RunnerSnapshot>> &entries)
{
    std::vector<Placed> placed;
    placed.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        placed.push_back({sortKey(entries[i].first), quint32(i)});
    sortByKey(placed, [](const Placed &p) { return p.key; });
    return placed;
}

// Every result is at the finish control: the runner id alone orders them.
std::vector<Placed> keyOrder(const std::vector<std::pair<ResultKey, ResultSnapshot>> &entries)
{
    std::vector<Placed> placed;
    placed.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        Q_ASSERT(entries[i].first.control == finishControl);
        placed.push_back({sortKey(entries[i].first.runnerId), quint32(i)});
    }
    sortByKey(placed, [](const Placed &p) { return p.key; });
    return placed;
}

// What a sequence of `map[key] = value` assignments in `entries`' order leaves, in key order:
// the last of equal keys wins. The keys are sorted apart from the values, with their positions
// breaking ties, and the entries are then moved out in key order into one contiguous list.
template<typename Key, typename Value>
std::vector<std::pair<Key, Value>> lastAssigned(std::vector<std::pair<Key, Value>> &entries)
{
    const std::vector<Placed> order = keyOrder(entries);
    std::vector<std::pair<Key, Value>> out;
    out.reserve(order.size());
    for (auto it = order.begin(); it != order.end(); ++it) {
        // The entries are read in key order, scattered: the one a few keys on is asked for now.
        if (order.end() - it > aheadEntries)
            __builtin_prefetch(&entries[(it + aheadEntries)->place]);
        const auto next = std::next(it);
        if (next != order.end() && next->key == it->key)
            continue;
        out.emplace_back(entries[it->place].first, std::move(entries[it->place].second));
    }
    return out;
}

} // namespace

qint64 runnerId(const QUuid &participantId)
{
    // The text is written here rather than through toString().toUpper(): this runs for every
    // runner and result of every upload.
    static constexpr char digits[] = "0123456789ABCDEF";
    char text[36];
    int at = 0;
    const auto hex = [&](quint64 value, int count) {
        for (int shift = (count - 1) * 4; shift >= 0; shift -= 4)
            text[at++] = digits[(value >> shift) & 0xf];
    };
    hex(participantId.data1, 8);
    text[at++] = '-';
    hex(participantId.data2, 4);
    text[at++] = '-';
    hex(participantId.data3, 4);
    text[at++] = '-';
    hex(quint64(participantId.data4[0]) << 8 | participantId.data4[1], 4);
    text[at++] = '-';
    for (int i = 2; i < 8; ++i)
        hex(participantId.data4[i], 2);
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char byte : text) {
        hash ^= quint64(quint8(byte));
        hash *= 0x100000001b3ULL;
    }
    return qint64(hash & 0x7fffffffffffffffULL);
}

qint64 centisecondsSinceMidnight(const QDateTime &time)
{
    const QTime t = time.toLocalTime().time();
    return (qint64(t.hour()) * 3600 + t.minute() * 60 + t.second()) * 100;
}

std::optional<qint64> parseEventId(const QString &competitionId)
{
    // Anchored at the very end: "$" alone also matches before a final line break.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+")));
    if (!form.match(competitionId).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = competitionId.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

namespace {

// The local time of day of instants that repeat, as start times do (a start list has a few hundred
// distinct ones), converted once each: the conversion to local time costs far more than the look-up.
// Only times held in UTC or at a fixed offset are kept, whose instant is read without a conversion;
// the same instant always has the same local time while the table lives.
class TimeOfDayCache
{
public:
    qint64 centiseconds(const QDateTime &time)
    {
        const Qt::TimeSpec spec = time.timeSpec();
        if (spec != Qt::UTC && spec != Qt::OffsetFromUTC)
            return centisecondsSinceMidnight(time);
        const qint64 instant = time.toMSecsSinceEpoch();
        auto it = m_known.constFind(instant);
        if (it == m_known.constEnd())
            it = m_known.insert(instant, centisecondsSinceMidnight(time));
        return *it;
    }

private:
    QHash<qint64, qint64> m_known;
};

} // namespace

RunnerMap makeRunnerSnapshots(const Race &race)
{
    TimeOfDayCache timesOfDay;
    // The first class of an id names it, as a scan of the classes in stored order would find.
    QHash<QString, const QString *> classNames;
    classNames.reserve(race.classes.size());
    for (const RaceClass &c : race.classes)
        if (!classNames.contains(c.id))
            classNames.insert(c.id, &c.name);
    std::vector<std::pair<qint64, RunnerSnapshot>> runners;
    runners.reserve(size_t(race.participants.size()));
    for (const Participant &p : race.participants) {
        RunnerSnapshot r;
        r.name = trimmedName(p);
        r.club = p.club;
        r.className = noClass;
        if (p.classId) {
            if (const auto it = classNames.constFind(*p.classId); it != classNames.constEnd())
                r.className = **it;
        }
        if (p.startTime)
            r.start = timesOfDay.centiseconds(*p.startTime);
        runners.emplace_back(runnerId(p.id), std::move(r));
    }
    return lastAssigned(runners);
}

StatusCode finishStatus(ResultVerdict verdict)
{
    switch (verdict) {
    case ResultVerdict::Completed:
    case ResultVerdict::InTime:
    case ResultVerdict::Scored:
        return Completed;
    case ResultVerdict::None:
    case ResultVerdict::NoStartTime:
    case ResultVerdict::Mispunch:
    case ResultVerdict::DidNotFinish:
    case ResultVerdict::UnderReview:
    case ResultVerdict::OverTime:
        break;
    }
    return NotCompleted;
}

ResultMap makeResultSnapshots(const Race &race)
{
    // One pass over the participants keeps what the results need of them in a compact list: the
    // runner id is hashed once per participant, and results stored in participant order (one
    // round per stage) find their runner at a cursor instead of hashing again.
    struct Runner
    {
        QUuid id;
        qint64 runnerId;
        std::optional<ParticipantStatus> status;
    };
    std::vector<Runner> runners;
    runners.reserve(size_t(race.participants.size()));
    // The marks are those of the active stage (without one, the runners' own).
    const std::optional<QString> &day = race.activeStageId;
    for (const Participant &p : race.participants) {
        const std::optional<ParticipantStatus> mark
            = p.status || p.statusByStage ? statusOnStage(p, day) : std::nullopt;
        runners.push_back({p.id, runnerId(p.id), mark});
    }
    std::vector<std::pair<ResultKey, ResultSnapshot>> results;
    results.reserve(size_t(race.results.size()));
    // The results are read from the last stored back, as the last one of a runner is the one
    // published: once a participant has it, that participant's earlier results are passed over
    // after reading their participant id alone. A cursor walks back through the participants
    // beside them, skipping a few without a result; a result it does not find is kept whatever it
    // is, for the last-assigned map to settle.
    std::vector<bool> published(runners.size());
    const size_t count = runners.size();
    size_t cursor = count - 1;
    const auto find = [&](const QUuid &participantId) -> std::optional<size_t> {
        for (size_t step = 0; step < std::min<size_t>(count, 8); ++step) {
            const size_t at = (cursor + count - step) % count;
            if (runners[at].id == participantId) {
                cursor = (at + count - 1) % count;
                return at;
            }
        }
        return std::nullopt;
    };
    // Only the read that counts for a runner's stage is published: an earlier read of the same
    // stage never is, even when the later one has no time.
    const std::vector<bool> counts = countedReads(race);
    ScoreResults scoreResults(race);
    for (auto it = race.results.crbegin(); it != race.results.crend(); ++it) {
        // The walk reads a member or two of large records, going back: the hardware does not
        // fetch those ahead, so the records a few places back are asked for now.
        if (race.results.crend() - it > 2 * aheadEntries) {
            const PersonResult &ahead = *(it + 2 * aheadEntries);
            __builtin_prefetch(&ahead.participantId);
            __builtin_prefetch(&ahead.raceTime);
        }
        const PersonResult &r = *it;
        const std::optional<size_t> at = count > 0 ? find(r.participantId) : std::nullopt;
        if (at && published[*at])
            continue;
        // A finish before the start (a negative time, as earlier versions stored it) has no time
        // to publish, like a result without one.
        if (!r.raceTime || *r.raceTime < 0 || !counts[size_t(race.results.crend() - it - 1)])
            continue;
        if (at)
            published[*at] = true;
        // Halves away from zero: 0.125 s is 13 cs.
        const qint64 time = std::llround(*r.raceTime * 100.0);
        results.push_back({{at ? runners[*at].runnerId : runnerId(r.participantId), finishControl},
            {time, finishStatus(resultVerdict(r, scoreResults(r)))}});
    }
    std::reverse(results.begin(), results.end());
    // After the results: a mark replaces the runner's result, of the day too (the organiser's mark
    // stands until it is cleared).
    for (const Runner &p : runners) {
        if (!p.status)
            continue;
        results.push_back({{p.runnerId, finishControl},
            {noTime, *p.status == ParticipantStatus::Dns ? DidNotStart : DidNotFinish}});
    }
    return lastAssigned(results);
}

QStringList makeUploadClasses(const Race &race)
{
    QStringList names;
    for (const RaceClass &c : race.classes)
        names.append(c.name);
    return names;
}

namespace {

// Adds and updates in `current`'s key order, then deletes in `baseline`'s, both maps walked once
// side by side. `same(old, new)` tells an unchanged entry.
template<typename Map, typename Record, typename Make, typename Same>
QList<Record> diffMaps(const Map &baseline, const Map &current, Make make, Same same)
{
    QList<Record> ops;
    QList<Record> deletes;
    auto old = baseline.begin();
    for (const auto &[key, value] : current) {
        for (; old != baseline.end() && old->first < key; ++old)
            deletes.append(make(Op::Delete, old->first, nullptr));
        if (old == baseline.end() || key < old->first) {
            ops.append(make(Op::Add, key, &value));
        } else {
            if (!same(old->second, value))
                ops.append(make(Op::Update, key, &value));
            ++old;
        }
    }
    for (; old != baseline.end(); ++old)
        deletes.append(make(Op::Delete, old->first, nullptr));
    ops.append(deletes);
    return ops;
}

} // namespace

QList<RunnerOp> diffRunners(const RunnerMap &baseline, const RunnerMap &current)
{
    return diffMaps<RunnerMap, RunnerOp>(
        baseline, current,
        [](Op op, qint64 id, const RunnerSnapshot *runner) {
            return RunnerOp {op, id, runner ? *runner : RunnerSnapshot {}};
        },
        sameRunner);
}

QList<ResultOp> diffResults(const ResultMap &baseline, const ResultMap &current)
{
    return diffMaps<ResultMap, ResultOp>(
        baseline, current,
        [](Op op, const ResultKey &key, const ResultSnapshot *result) {
            return ResultOp {op, key, result ? *result : ResultSnapshot {}};
        },
        [](const ResultSnapshot &a, const ResultSnapshot &b) { return a == b; });
}

QByteArray completeUploadBody(qint64 eventId, const QString &password, const QStringList &classes,
    const RunnerMap &runners, const ResultMap &results)
{
    // About what a runner and a result take, so that the buffer grows once at most.
    BodyWriter w(256 + classes.size() * 24 + qsizetype(runners.size()) * 96 + qsizetype(results.size()) * 80);
    w.raw("{");
    w.key("classes");
    w.raw("[");
    for (qsizetype i = 0; i < classes.size(); ++i) {
        w.raw(i == 0 ? "{" : ",{");
        w.key("name");
        w.text(classes.at(i));
        w.raw("}");
    }
    w.raw("],");
    writeHead(w, eventId, password, "\"complete\"");
    w.raw(",");
    w.key("results");
    w.raw("[");
    bool first = true;
    for (const auto &[key, result] : results) {
        if (!std::exchange(first, false))
            w.raw(",");
        writeResult(w, key, &result, nullptr);
    }
    w.raw("],");
    w.key("runners");
    w.raw("[");
    first = true;
    for (auto it = runners.begin(); it != runners.end(); ++it) {
        // The texts of runners in key order lie scattered.
        if (runners.end() - it > aheadEntries) {
            const RunnerSnapshot &ahead = (it + aheadEntries)->second;
            __builtin_prefetch(ahead.name.constData());
            if (ahead.club)
                __builtin_prefetch(ahead.club->constData());
        }
        const auto &[id, runner] = *it;
        w.raw(std::exchange(first, false) ? "{" : ",{");
        writeRunner(w, runner, id, nullptr);
        w.raw("}");
    }
    w.raw("]}");
    return w.take();
}

QByteArray diffUploadBody(
    qint64 eventId, const QString &password, const QList<RunnerOp> &runners, const QList<ResultOp> &results)
{
    BodyWriter w(256 + runners.size() * 112 + results.size() * 96);
    w.raw("{");
    writeHead(w, eventId, password, "\"diff\"");
    w.raw(",");
    w.key("results");
    w.raw("[");
    for (qsizetype i = 0; i < results.size(); ++i) {
        if (i > 0)
            w.raw(",");
        const ResultOp &op = results.at(i);
        writeResult(w, op.key, op.op == Op::Delete ? nullptr : &op.result, opName(op.op));
    }
    w.raw("],");
    w.key("runners");
    w.raw("[");
    for (qsizetype i = 0; i < runners.size(); ++i) {
        const RunnerOp &op = runners.at(i);
        w.raw(i == 0 ? "{" : ",{");
        if (op.op == Op::Delete) {
            w.key("id");
            w.number(op.id);
            w.raw(",");
            w.key("op");
            w.raw("\"delete\"");
        } else {
            writeRunner(w, op.runner, op.id, opName(op.op));
        }
        w.raw("}");
    }
    w.raw("]}");
    return w.take();
}

} // namespace liveresultat
