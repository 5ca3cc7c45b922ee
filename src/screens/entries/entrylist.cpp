#include "entrylist.h"

#include "racelookup.h"

#include "documenttext.h"
#include "entryimport.h"
#include "localization.h"
#include "nameorder.h"
#include "participanteditor.h"

#include <QCollator>
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

QStringList duplicateCardWarnings(const Race &race)
{
    const QList<Participant> &entries = race.participants;
    QStringList warnings(entries.size());
    QHash<QString, QList<qsizetype>> holders;
    // "0" is how entry lists say "no card" (an import gives such entries rental numbers): two
    // runners without a card do not share one.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!isMissingCardNumber(entries[i].cardNumber))
            holders[cardNumberWithoutSpaces(entries[i].cardNumber)].append(i);
    }
    const QList<Stage> stages = stagesInOrder(race.stages);
    for (const QList<qsizetype> &group : std::as_const(holders)) {
        if (group.size() < 2)
            continue;
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

EntryListIndex::EntryListIndex(const Race &race)
{
    m_race.participants = race.participants;
    m_race.classes = race.classes;
    m_race.courses = race.courses;
    m_folded.reserve(race.participants.size());
    for (const Participant &p : race.participants)
        m_folded.append({searchFolded(p.givenName), searchFolded(p.familyName),
            searchFolded(cardNumberWithoutSpaces(p.cardNumber))});
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

const QList<qsizetype> &EntryListIndex::ascendingOrder(ParticipantSortField field)
{
    std::optional<QList<qsizetype>> &order = m_orders[std::size_t(field)];
    if (order)
        return *order;
    const QList<Participant> &entries = m_race.participants;
    const QCollator &collator = nameCollator();
    const RaceIds ids(m_race);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(entries.size()));
    for (const Participant &p : entries) {
        QString key;
        switch (field) {
        case ParticipantSortField::Name:
            key = nameOf(p);
            break;
        case ParticipantSortField::CardNumber:
            key = p.cardNumber;
            break;
        case ParticipantSortField::Club:
            key = p.club.value_or(QString());
            break;
        case ParticipantSortField::ClassAndCourse:
            key = classCourseSummary(ids, p, std::nullopt);
            break;
        }
        keys.push_back(collator.sortKey(key));
    }
    order.emplace(entries.size());
    std::iota(order->begin(), order->end(), qsizetype(0));
    std::stable_sort(order->begin(), order->end(),
        [&](qsizetype a, qsizetype b) { return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0; });
    return *order;
}

QList<qsizetype> EntryListIndex::shown(
    const QString &filterClassId, const QString &searchText, ParticipantSortField field, bool ascending)
{
    // Filtering the stably sorted list keeps the same relative order as sorting the filtered one.
    const QString needle = searchFolded(searchText.trimmed());
    // Card numbers are found by their digits, however either side groups them.
    const QString cardNeedle = cardNumberWithoutSpaces(needle);
    QList<qsizetype> kept;
    kept.reserve(m_race.participants.size());
    for (qsizetype i : ascendingOrder(field)) {
        if (!filterClassId.isEmpty() && !inClass(m_race.participants[i], filterClassId))
            continue;
        if (!needle.isEmpty()) {
            const auto &fields = m_folded[i];
            if (!fields[0].contains(needle) && !fields[1].contains(needle)
                && (cardNeedle.isEmpty() || !fields[2].contains(cardNeedle)))
                continue;
        }
        kept.append(i);
    }
    if (!ascending)
        std::reverse(kept.begin(), kept.end());
    return kept;
}
