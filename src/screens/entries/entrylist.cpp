#include "entrylist.h"

#include "racelookup.h"

#include "documenttext.h"
#include "entryimport.h"
#include "localization.h"
#include "nameorder.h"
#include "participanteditor.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <numeric>

namespace {

const QString middleDot = QStringLiteral(" \u00B7 ");
const QString enDash = QStringLiteral("\u2013");

// Blanks and tabs at both ends go; line breaks stay (the sort key of a name).
QString trimBlanksAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// In place: a name without blanks at its ends is left as it is.
void trimBlanksAndTabs(QString &text)
{
    const QString trimmed = trimBlanksAndTabs(std::as_const(text));
    if (trimmed.size() != text.size())
        text = trimmed;
}

QString nameOf(const Participant &entry)
{
    return trimBlanksAndTabs(entry.givenName + QLatin1Char(' ') + entry.familyName);
}

bool runsInStage(const Participant &entry, const QString &stageId)
{
    return entry.classId || (entry.classIdByStage && entry.classIdByStage->contains(stageId));
}

} // namespace

QString sortFieldTitle(ParticipantSortField field)
{
    switch (field) {
    case ParticipantSortField::Name:
        return QStringLiteral("Name");
    case ParticipantSortField::CardNumber:
        return QStringLiteral("Card");
    case ParticipantSortField::Club:
        return QStringLiteral("Club");
    case ParticipantSortField::ClassAndCourse:
        return QStringLiteral("Class / Course");
    }
    return {};
}

namespace {

// Ids as sameId compares them. Latin-1 text is its own canonical form, so most ids skip the
// normalisation.
QString idKey(const QString &id)
{
    const bool latin1 = std::all_of(id.cbegin(), id.cend(), [](QChar c) { return c.unicode() < 0x100; });
    return latin1 ? id : id.normalized(QString::NormalizationForm_C);
}

template<typename T> void indexFirst(QHash<QString, const T *> &table, const QList<T> &records)
{
    for (const T &record : records) {
        const QString key = idKey(record.id);
        if (!table.contains(key))
            table.insert(key, &record);
    }
}

} // namespace

RaceIds::RaceIds(const Race &race)
    : m_race(race)
{
    indexFirst(m_classes, race.classes);
    indexFirst(m_courses, race.courses);
}

const RaceClass *RaceIds::findClass(const std::optional<QString> &id) const
{
    return id ? m_classes.value(idKey(*id)) : nullptr;
}

const Course *RaceIds::findCourse(const std::optional<QString> &id) const
{
    return id ? m_courses.value(idKey(*id)) : nullptr;
}

QString classCourseSummary(
    const RaceIds &ids, const Participant &entry, const std::optional<QString> &stageId)
{
    std::optional<QString> classId = entry.classId;
    std::optional<QString> courseId = entry.courseId;
    if (stageId) {
        classId.reset();
        courseId.reset();
        if (const QString *id = entry.classIdByStage ? stageEntry(*entry.classIdByStage, *stageId) : nullptr)
            classId = *id;
        if (const QString *id
            = entry.courseIdByStage ? stageEntry(*entry.courseIdByStage, *stageId) : nullptr)
            courseId = *id;
    }
    const RaceClass *raceClass = ids.findClass(classId);
    if (!raceClass)
        return stageId ? enDash : localized(QStringLiteral("No class"));
    if (!raceClass->courseFamily)
        return raceClass->name;
    const QString joiner = QStringLiteral(" - ");
    if (const Course *course = ids.findCourse(courseId))
        return raceClass->name + joiner + course->name;
    if (const Course *course = ids.findCourse(raceClass->courseId))
        return raceClass->name + joiner + course->name;
    return localized(QStringLiteral("%@ (no course)"), raceClass->name);
}

QString participantDetailLine(const RaceIds &ids, const Participant &entry)
{
    QString line = localized(QStringLiteral("Card %@"), entry.cardNumber) + middleDot;
    if (ids.race().stages.isEmpty())
        line += classCourseSummary(ids, entry, std::nullopt) + middleDot;
    // The system's zone, taken once for the life of the process: converting through the C
    // library's local time looks the zone file up again on every call, thousands of times a list.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    line += entry.startTime
        ? localized(QStringLiteral("Start %@"), entry.startTime->toTimeZone(zone).toString(u"HH:mm:ss"))
        : localized(QStringLiteral("No start"));
    if (entry.club && !entry.club->isEmpty())
        line += middleDot + *entry.club;
    if (entry.checkedInAt)
        line += middleDot + localized(QStringLiteral("✓ Checked in"));
    return line;
}

bool showsCoursePicker(const RaceIds &ids, const Participant &entry)
{
    const RaceClass *raceClass = ids.findClass(entry.classId);
    if (!raceClass)
        return false;
    return raceClass->mode ? *raceClass->mode == RaceClassMode::CourseFamily
                           : raceClass->courseFamily.has_value();
}

QList<Course> rowCourseChoices(const RaceIds &ids, const Participant &entry)
{
    QList<Course> courses = ids.race().courses;
    std::stable_sort(courses.begin(), courses.end(),
        [](const Course &a, const Course &b) { return naturalLess(a.name, b.name); });
    const RaceClass *raceClass = ids.findClass(entry.classId);
    if (raceClass && raceClass->courseFamily)
        courses.removeIf([&](const Course &c) { return c.courseFamily != raceClass->courseFamily; });
    return courses;
}

QList<Stage> stagesInOrder(const QList<Stage> &stages)
{
    QList<Stage> sorted = stages;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    return sorted;
}

namespace {

// A card number of 1 to 17 digits as one integer: its length above its value, so that "0815"
// and "815" stay apart.
std::optional<quint64> digitsKey(const QString &number)
{
    if (number.isEmpty() || number.size() > 17)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : number) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return (quint64(number.size()) << 57) | value;
}

struct NumberHolder
{
    quint64 key;
    quint32 holder;
};

// Stably by key, a byte at a time from the lowest (a byte all keys share is skipped): linear in
// the holders.
void sortByKey(std::vector<NumberHolder> &holders)
{
    std::array<std::array<quint32, 256>, 8> counts {};
    for (const NumberHolder &h : holders) {
        for (std::size_t b = 0; b < 8; ++b)
            ++counts[b][(h.key >> (8 * b)) & 0xff];
    }
    std::vector<NumberHolder> sorted(holders.size());
    for (std::size_t b = 0; b < 8; ++b) {
        std::array<quint32, 256> &count = counts[b];
        if (std::any_of(count.cbegin(), count.cend(), [&](quint32 c) { return c == holders.size(); }))
            continue;
        quint32 start = 0;
        for (quint32 &c : count)
            start += std::exchange(c, start);
        for (const NumberHolder &h : holders)
            sorted[count[(h.key >> (8 * b)) & 0xff]++] = h;
        holders.swap(sorted);
    }
}

} // namespace

QStringList duplicateCardWarnings(const Race &race)
{
    const QList<Participant> &entries = race.participants;
    QStringList warnings(entries.size());
    // The holders of each number, chained in stored order from the first (-1 ends a chain): most
    // numbers have one holder, and a list per number would be an allocation per entry.
    std::vector<qsizetype> nextHolder(std::size_t(entries.size()), -1);
    std::vector<qsizetype> firsts;
    // Numbers of digits only (nearly all) are grouped by sorting them as integers, which reads
    // memory in sequence; a table of 50,000 numbers would not fit the caches. Others are few.
    std::vector<NumberHolder> digitNumbers;
    digitNumbers.reserve(std::size_t(entries.size()));
    // Number -> {first holder, last holder}.
    QHash<QString, std::pair<qsizetype, qsizetype>> otherNumbers;
    // "0" is how entry lists say "no card" (an import gives such entries rental numbers): two
    // runners without a card do not share one.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (isMissingCardNumber(entries[i].cardNumber))
            continue;
        const QString number = cardNumberWithoutSpaces(entries[i].cardNumber);
        if (const std::optional<quint64> key = digitsKey(number)) {
            digitNumbers.push_back({*key, quint32(i)});
            continue;
        }
        const auto ends = otherNumbers.find(number);
        if (ends == otherNumbers.end()) {
            otherNumbers.insert(number, {i, i});
            continue;
        }
        if (ends->first == ends->second)
            firsts.push_back(ends->first);
        nextHolder[std::size_t(ends->second)] = i;
        ends->second = i;
    }
    sortByKey(digitNumbers);
    for (std::size_t k = 1; k < digitNumbers.size(); ++k) {
        if (digitNumbers[k].key != digitNumbers[k - 1].key)
            continue;
        if (k == 1 || digitNumbers[k - 2].key != digitNumbers[k].key)
            firsts.push_back(digitNumbers[k - 1].holder);
        nextHolder[digitNumbers[k - 1].holder] = digitNumbers[k].holder;
    }
    const QList<Stage> stages = stagesInOrder(race.stages);
    for (const qsizetype first : firsts) {
        QList<qsizetype> group;
        for (qsizetype i = first; i != -1; i = nextHolder[std::size_t(i)])
            group.append(i);
        for (qsizetype self : group) {
            const Participant &entry = entries[self];
            QStringList parts;
            for (qsizetype other : group) {
                const Participant &holder = entries[other];
                if (holder.id == entry.id)
                    continue;
                if (stages.isEmpty()) {
                    parts.append(nameOf(holder));
                    continue;
                }
                QStringList shared;
                for (const Stage &stage : stages) {
                    if (runsInStage(entry, stage.id) && runsInStage(holder, stage.id))
                        shared.append(stage.name);
                }
                if (!shared.isEmpty())
                    parts.append(nameOf(holder) + QStringLiteral(" (") + shared.join(QStringLiteral(", "))
                        + QLatin1Char(')'));
            }
            if (!parts.isEmpty())
                warnings[self] = localized(QStringLiteral("⚠ Card %@ also used by %@"), entry.cardNumber,
                    parts.join(stages.isEmpty() ? QStringLiteral(", ") : QStringLiteral("; ")));
        }
    }
    return warnings;
}

QString searchFolded(const QString &text)
{
    // Canonical decomposition, combining marks dropped, Unicode case folding: "É" finds "e", and
    // "I" never turns into a dotless i. ASCII has nothing to decompose.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toCaseFolded();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

void CollatedKeys::reserve(qsizetype count)
{
    m_keyOf.reserve(std::size_t(count));
}

void CollatedKeys::append(const QString &key)
{
    const auto found = m_numbers.constFind(key);
    if (found != m_numbers.constEnd()) {
        m_keyOf.push_back(*found);
        return;
    }
    const auto number = quint32(m_distinct.size());
    m_numbers.insert(key, number);
    m_distinct.append(key);
    m_keyOf.push_back(number);
}

std::vector<quint32> CollatedKeys::order(const QCollator &collator) const
{
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(std::size_t(m_distinct.size()));
    for (const QString &key : m_distinct)
        sortKeys.push_back(collator.sortKey(key));
    std::vector<quint32> byKey(std::size_t(m_distinct.size()));
    std::iota(byKey.begin(), byKey.end(), quint32(0));
    std::sort(byKey.begin(), byKey.end(),
        [&](quint32 a, quint32 b) { return sortKeys[a].compare(sortKeys[b]) < 0; });
    // Different texts the collator finds equal ("anna" and "Anna") share a rank, so their
    // positions keep their order as a stable sort by the key would.
    std::vector<quint32> rank(byKey.size());
    quint32 ranks = 0;
    for (std::size_t k = 0; k < byKey.size(); ++k) {
        if (k > 0 && sortKeys[byKey[k - 1]].compare(sortKeys[byKey[k]]) != 0)
            ++ranks;
        rank[byKey[k]] = ranks;
    }
    // Counting sort by rank: stable, and linear in the positions.
    std::vector<quint32> start(byKey.empty() ? 0 : std::size_t(ranks) + 2, 0);
    for (const quint32 key : m_keyOf)
        ++start[rank[key] + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<quint32> order(m_keyOf.size());
    for (std::size_t i = 0; i < m_keyOf.size(); ++i)
        order[start[rank[m_keyOf[i]]]++] = quint32(i);
    return order;
}

EntryListIndex::EntryListIndex(const Race &race)
{
    m_race.participants = race.participants;
    m_race.classes = race.classes;
    m_race.courses = race.courses;
    m_foldedEnds.reserve(std::size_t(race.participants.size()) * 3 + 1);
    // Room for the usual names and card numbers, so that the buffer seldom moves while it fills.
    m_folded.reserve(std::size_t(race.participants.size()) * 24);
    m_foldedEnds.push_back(0);
    const auto append = [this](const QString &text) {
        // ASCII folds to its lower case letter by letter (what searchFolded gives it), written
        // straight into the buffer; anything else takes the full folding.
        if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
            for (const QChar c : text) {
                const char16_t u = c.unicode();
                m_folded.push_back(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
            }
        } else {
            const QString f = searchFolded(text);
            m_folded.insert(m_folded.end(), f.utf16(), f.utf16() + f.size());
        }
        m_foldedEnds.push_back(quint32(m_folded.size()));
    };
    m_nameKeys.reserve(race.participants.size());
    // One text reused for every name: the key is copied only when it is new.
    QString name;
    for (const Participant &p : race.participants) {
        append(p.givenName);
        append(p.familyName);
        append(cardNumberWithoutSpaces(p.cardNumber));
        name.truncate(0);
        name.append(p.givenName).append(QLatin1Char(' ')).append(p.familyName);
        trimBlanksAndTabs(name);
        m_nameKeys.append(name);
    }
}

bool EntryListIndex::isFor(const Race &race) const
{
    return race.participants == m_race.participants && race.classes == m_race.classes
        && race.courses == m_race.courses;
}

bool EntryListIndex::inClass(const Participant &entry, const QString &classId) const
{
    if (entry.classId == classId)
        return true;
    if (!entry.classIdByStage)
        return false;
    const StageMap<QString> &byStage = *entry.classIdByStage;
    return std::any_of(byStage.cbegin(), byStage.cend(), [&](const QString &id) { return id == classId; });
}

bool EntryListIndex::matches(qsizetype entry, QStringView needle, QStringView cardNeedle) const
{
    const auto first = std::size_t(entry) * 3;
    return folded(first).contains(needle) || folded(first + 1).contains(needle)
        || (!cardNeedle.isEmpty() && folded(first + 2).contains(cardNeedle));
}

const std::vector<quint32> &EntryListIndex::ascendingOrder(ParticipantSortField field)
{
    std::optional<std::vector<quint32>> &order = m_orders[std::size_t(field)];
    if (order)
        return *order;
    if (field == ParticipantSortField::Name) {
        order = m_nameKeys.order(nameCollator());
        return *order;
    }
    const QList<Participant> &entries = m_race.participants;
    const RaceIds ids(m_race);
    CollatedKeys keys;
    keys.reserve(entries.size());
    for (const Participant &p : entries) {
        switch (field) {
        case ParticipantSortField::Name:
            break;
        case ParticipantSortField::CardNumber:
            keys.append(p.cardNumber);
            break;
        case ParticipantSortField::Club:
            keys.append(p.club.value_or(QString()));
            break;
        case ParticipantSortField::ClassAndCourse:
            keys.append(classCourseSummary(ids, p, std::nullopt));
            break;
        }
    }
    order = keys.order(nameCollator());
    return *order;
}

QList<qsizetype> EntryListIndex::shown(
    const QString &filterClassId, const QString &searchText, ParticipantSortField field, bool ascending)
{
    // Filtering the stably sorted list keeps the same relative order as sorting the filtered one.
    const QString needle = searchFolded(searchText.trimmed());
    // Card numbers are found by their digits, however either side groups them.
    const QString cardNeedle = cardNumberWithoutSpaces(needle);
    const QList<Participant> &entries = m_race.participants;
    const std::vector<quint32> &order = ascendingOrder(field);
    QList<qsizetype> kept;
    kept.reserve(entries.size());
    if (filterClassId.isEmpty() && needle.isEmpty()) {
        kept.append(QList<qsizetype>(order.cbegin(), order.cend()));
    } else {
        // The entries are tested in stored order, reading the folded texts in sequence; the
        // sorted walk then only looks the answers up.
        std::vector<char> keep(std::size_t(entries.size()));
        for (qsizetype i = 0; i < entries.size(); ++i)
            keep[std::size_t(i)] = (filterClassId.isEmpty() || inClass(entries[i], filterClassId))
                && (needle.isEmpty() || matches(i, needle, cardNeedle));
        for (const quint32 i : order) {
            if (keep[i])
                kept.append(i);
        }
    }
    if (!ascending)
        std::reverse(kept.begin(), kept.end());
    return kept;
}
