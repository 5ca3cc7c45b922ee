#include "iofstartlistwriter.h"

#include "classorder.h"
#include "documenttext.h"
#include "iofresultlistwriter.h"
#include "keysort.h"
#include "utf8document.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

namespace {

QString classNameOf(const QString &key, const QList<RaceClass> &classes, const QString &noClassName)
{
    for (const RaceClass &c : classes) {
        if (c.id == key)
            return c.name;
    }
    return noClassName;
}

} // namespace

QHash<QString, QList<Participant>> groupParticipantsByClassId(const QList<Participant> &participants)
{
    QHash<QString, QList<Participant>> groups;
    for (const Participant &p : participants)
        groups[p.classId.value_or(QString())].append(p);
    return groups;
}

bool classKeyOrderNamed(
    const QString &keyA, const QString &keyB, const QList<RaceClass> &classes, const QString &noClassName)
{
    return classNameLess(classNameOf(keyA, classes, noClassName), classNameOf(keyB, classes, noClassName));
}

bool classKeyOrder(const QString &keyA, const QString &keyB, const Race &race)
{
    return classKeyOrderNamed(keyA, keyB, race.classes, QStringLiteral("No class"));
}

int secondsOfDay(const QDateTime &time)
{
    if (!time.isValid())
        return 0;
    const QTime t = time.toLocalTime().time();
    return t.hour() * 3600 + t.minute() * 60 + t.second();
}

bool startOrderComparator(const Participant &a, const Participant &b)
{
    if (a.startTime.has_value() != b.startTime.has_value())
        return a.startTime.has_value();
    if (a.startTime) {
        const int sa = secondsOfDay(*a.startTime);
        const int sb = secondsOfDay(*b.startTime);
        if (sa != sb)
            return sa < sb;
    }
    return naturalCompare(
               personDisplayName(a.givenName, a.familyName), personDisplayName(b.givenName, b.familyName))
        < 0;
}

void sortInStartOrder(QList<Participant> &runners)
{
    struct Key
    {
        bool hasStart = false;
        int seconds = 0;
        QString name;
        qsizetype index = 0;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(runners.size()));
    for (qsizetype i = 0; i < runners.size(); ++i) {
        const Participant &p = runners.at(i);
        keys.push_back({p.startTime.has_value(), p.startTime ? secondsOfDay(*p.startTime) : 0,
            personDisplayName(p.givenName, p.familyName), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.hasStart != b.hasStart)
            return a.hasStart;
        if (a.hasStart && a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return naturalCompare(a.name, b.name) < 0;
    });
    QList<Participant> sorted;
    sorted.reserve(runners.size());
    for (const Key &key : keys)
        sorted.append(runners.at(key.index));
    runners = std::move(sorted);
}

namespace {

// The buffer of the last large start list, kept for the next.
BufferStash &keptStartListBuffer()
{
    static BufferStash kept;
    return kept;
}

// A runner's place in the document: its class's rank among the classes, then its time of day
// (one past the last second of the day for a runner without a time, who comes last), then its
// position in the input, which the stable passes below keep among equals.
struct Slot
{
    quint32 classRank = 0;
    quint32 time = 0;
    quint32 index = 0;
    // The start time's entry in the document's table of instants.
    quint32 instant = 0;
};

constexpr quint32 NoInstant = std::numeric_limits<quint32>::max();

// What is written of a start time: its local time of day and its text in the document. A start
// list shares a few hundred start times among all its runners, and both conversions (to local
// time and to the calendar) cost far more than finding one worked out already.
struct Instant
{
    quint32 seconds = 0;
    bool written = false;
    char text[20] {};
};

// Asks for the parts of a runner's record the document reads, and then for their texts: the
// runners are written in start order, scattered over the list, and each would otherwise wait on
// memory in turn.
[[gnu::always_inline]] inline void readAheadRecord(const Participant &p)
{
    __builtin_prefetch(&p.givenName);
    __builtin_prefetch(&p.club);
    __builtin_prefetch(&p.startTime);
}
[[gnu::always_inline]] inline void readAheadTexts(const Participant &p)
{
    __builtin_prefetch(p.givenName.constData());
    __builtin_prefetch(p.familyName.constData());
    __builtin_prefetch(p.cardNumber.constData());
    if (p.club)
        __builtin_prefetch(p.club->constData());
}

constexpr quint32 NoStartTime = 24 * 3600;

} // namespace

QByteArray writeIOFStartListXML(
    const Race &race, const QList<Participant> &participants, IOFListBuffering buffering)
{
    // The classes in the order they first occur, each runner by its class's number.
    const qsizetype count = participants.size();
    QHash<QString, quint32> numberOf;
    QStringList keys;
    std::vector<Slot> places(static_cast<size_t>(count));
    const QString none;
    QHash<qint64, quint32> instantOf;
    std::vector<Instant> instants;
    for (qsizetype i = 0; i < count; ++i) {
        const Participant &p = participants.at(i);
        const QString &key = p.classId ? *p.classId : none;
        auto it = numberOf.constFind(key);
        if (it == numberOf.constEnd()) {
            it = numberOf.insert(key, quint32(keys.size()));
            keys.append(key);
        }
        Slot &place = places[size_t(i)];
        place = {*it, NoStartTime, quint32(i), NoInstant};
        if (!p.startTime)
            continue;
        const QDateTime &start = *p.startTime;
        if (!start.isValid()) {
            // Counted as midnight, written without a time.
            place.time = quint32(secondsOfDay(start));
            continue;
        }
        auto known = instantOf.constFind(start.toMSecsSinceEpoch());
        if (known == instantOf.constEnd()) {
            Instant instant;
            instant.seconds = quint32(secondsOfDay(start));
            instant.written = iofDateTimeText(instant.text, start);
            known = instantOf.insert(start.toMSecsSinceEpoch(), quint32(instants.size()));
            instants.push_back(instant);
        }
        place.time = instants[*known].seconds;
        place.instant = *known;
    }
    // Sort the names once; equal names fall back to the key so the order does not depend on
    // the order the classes came in.
    std::vector<quint32> order(size_t(keys.size()));
    std::iota(order.begin(), order.end(), 0U);
    std::sort(order.begin(), order.end(), [&race, &keys](quint32 x, quint32 y) {
        const QString &a = keys.at(x);
        const QString &b = keys.at(y);
        if (classKeyOrder(a, b, race))
            return true;
        if (classKeyOrder(b, a, race))
            return false;
        return a < b;
    });
    std::vector<quint32> rankOf(order.size());
    for (quint32 r = 0; r < quint32(order.size()); ++r)
        rankOf[order[r]] = r;
    for (Slot &s : places)
        s.classRank = rankOf[s.classRank];

    // Class, then time of day, input order kept among equals: three stable counting passes, from
    // the least significant digit, which take time in proportion to the runners where a sort by
    // comparison would take more per runner the more there are.
    std::vector<Slot> other(places.size());
    std::vector<quint32> counts;
    countingPass(places, other, counts, 512, [](const Slot &s) { return s.time & 511; });
    countingPass(other, places, counts, (NoStartTime >> 9) + 1, [](const Slot &s) { return s.time >> 9; });
    countingPass(places, other, counts, quint32(order.size()), [](const Slot &s) { return s.classRank; });
    places.swap(other);
    other = {};

    // Runners of one class at one second go by display name, stably. The names are made in the
    // order of the list, which is the order their records lie in.
    std::vector<std::pair<size_t, size_t>> ties;
    std::vector<QString> names;
    for (size_t from = 0; from < places.size();) {
        size_t to = from + 1;
        while (to < places.size() && places[to].classRank == places[from].classRank
            && places[to].time == places[from].time)
            ++to;
        if (to - from > 1) {
            if (names.empty())
                names.resize(places.size());
            ties.emplace_back(from, to);
            for (size_t k = from; k < to; ++k)
                names[places[k].index] = QStringLiteral("*");
        }
        from = to;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].isNull()) {
            const Participant &p = participants.at(qsizetype(i));
            names[i] = personDisplayName(p.givenName, p.familyName);
        }
    }
    for (const auto &[from, to] : ties) {
        std::stable_sort(places.begin() + qsizetype(from), places.begin() + qsizetype(to),
            [&names](
                const Slot &a, const Slot &b) { return naturalCompare(names[a.index], names[b.index]) < 0; });
    }
    names = {};

    Utf8Document out(keptStartListBuffer(), 512 + count * 400, buffering);
    out.ascii("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.ascii("<StartList iofVersion=\"3.0\" xmlns=\"");
    out.bytes(iofNamespace, qsizetype(std::strlen(iofNamespace)));
    out.ascii("\">\n");
    out.line(2, "<Event>");
    out.textElement(4, "<Name>", "</Name>\n", race.name);
    out.line(2, "</Event>");
    for (size_t from = 0; from < places.size();) {
        const quint32 rank = places[from].classRank;
        const QString &key = keys.at(order[rank]);
        out.line(2, "<ClassStart>");
        out.line(4, "<Class>");
        if (key.isEmpty())
            out.line(6, "<Id>none</Id>");
        else
            out.textElement(6, "<Id>", "</Id>\n", key);
        out.textElement(6, "<Name>", "</Name>\n", classNameOf(key, race.classes, QStringLiteral("No class")));
        out.line(4, "</Class>");
        for (; from < places.size() && places[from].classRank == rank; ++from) {
            if (from + 16 < places.size())
                readAheadRecord(participants.at(places[from + 16].index));
            if (from + 8 < places.size())
                readAheadTexts(participants.at(places[from + 8].index));
            const Participant &p = participants.at(places[from].index);
            out.line(4, "<PersonStart>");
            out.line(6, "<Person>");
            out.line(8, "<Name>");
            out.textElement(10, "<Family>", "</Family>\n", p.familyName);
            out.textElement(10, "<Given>", "</Given>\n", p.givenName);
            out.line(8, "</Name>");
            out.line(6, "</Person>");
            // Result services read the club from the person's Organisation; a runner without one has none.
            if (p.club) {
                const QStringView club = QStringView(*p.club).trimmed();
                if (!club.isEmpty()) {
                    out.line(6, "<Organisation>");
                    out.textElement(8, "<Name>", "</Name>\n", club);
                    out.line(6, "</Organisation>");
                }
            }
            out.line(6, "<Start>");
            // The schema wants the start time before the card.
            if (const quint32 at = places[from].instant; at != NoInstant && instants[at].written) {
                out.indent(8);
                out.ascii("<StartTime>");
                out.bytes(instants[at].text, sizeof instants[at].text);
                out.ascii("</StartTime>\n");
            }
            out.textElement(8, "<ControlCard>", "</ControlCard>\n", p.cardNumber);
            out.line(6, "</Start>");
            out.line(4, "</PersonStart>");
        }
        out.line(2, "</ClassStart>");
    }
    out.ascii("</StartList>\n");
    return out.finish();
}
