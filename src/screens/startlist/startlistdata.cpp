#include "startlistdata.h"

#include "atomicfile.h"
#include "classorder.h"
#include "coursesetup.h"
#include "documenttext.h"
#include "iofstartlistwriter.h"
#include "localization.h"
#include "messagetext.h"
#include "nameorder.h"
#include "perstage.h"
#include "racelookup.h"
#include "startgenerator.h"
#include "startlistpdfs.h"
#include "starttimetext.h"

#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

QString displayName(const Participant &p)
{
    return personDisplayName(p.givenName, p.familyName);
}

// Seconds of the local day, converted once per distinct instant: a planned field shares a few
// hundred start times, and the conversion to local time is the costly part.
class LocalSeconds
{
public:
    int operator()(const QDateTime &t)
    {
        const qint64 key = t.toMSecsSinceEpoch();
        auto it = m_cache.constFind(key);
        if (it == m_cache.constEnd())
            it = m_cache.insert(key, secondsOfDay(t));
        return it.value();
    }

private:
    QHash<qint64, int> m_cache;
};

struct SortKey
{
    int seconds;
    QString name;
    qsizetype index;
};

// Orders `runners` by (seconds, name) with stored order for full ties.
QList<Participant> sortedRunners(const QList<Participant> &runners, std::vector<SortKey> keys)
{
    std::stable_sort(keys.begin(), keys.end(), [](const SortKey &a, const SortKey &b) {
        if (a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return compareNames(a.name, b.name) < 0;
    });
    QList<Participant> sorted;
    sorted.reserve(qsizetype(keys.size()));
    for (const SortKey &k : keys)
        sorted.append(runners[k.index]);
    return sorted;
}

} // namespace

QString foldedSearchText(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out.toCaseFolded();
}

namespace {
// Card numbers are found by their digits, however either side groups them.
bool matchesCardNumber(const QString &cardNumber, const QString &foldedQuery)
{
    const QString digits = cardNumberWithoutSpaces(foldedQuery);
    return !digits.isEmpty() && foldedSearchText(cardNumberWithoutSpaces(cardNumber)).contains(digits);
}
} // namespace

bool matchesSearch(const Participant &p, const QString &foldedQuery)
{
    if (foldedQuery.isEmpty())
        return true;
    return foldedSearchText(p.givenName).contains(foldedQuery)
        || foldedSearchText(p.familyName).contains(foldedQuery)
        || matchesCardNumber(p.cardNumber, foldedQuery)
        || (p.club && foldedSearchText(*p.club).contains(foldedQuery));
}

StartListLists startListLists(const Race &race, const StartListFilter &filter)
{
    StartListLists lists;
    const QString query = foldedSearchText(filter.searchText.trimmed());
    // Positions first, copies once: a list grown runner by runner copies the runners so far again
    // at each reallocation.
    QList<qsizetype> passing;
    passing.reserve(race.participants.size());
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const Participant &p = race.participants[i];
        const std::optional<QString> classId = effectiveClassId(race, p);
        if (!classId)
            continue;
        if (!filter.classId.isEmpty() && *classId != filter.classId)
            continue;
        if (!matchesSearch(p, query))
            continue;
        passing.append(i);
    }
    lists.filtered.reserve(passing.size());
    for (const qsizetype i : passing)
        lists.filtered.append(race.participants[i]);
    LocalSeconds seconds;
    std::vector<SortKey> timed;
    std::vector<SortKey> untimed;
    for (qsizetype i = 0; i < lists.filtered.size(); ++i) {
        const Participant &p = lists.filtered[i];
        if (const std::optional<QDateTime> t = scheduledStartTime(race, p))
            timed.push_back({seconds(*t), displayName(p), i});
        else
            untimed.push_back({0, displayName(p), i});
    }
    lists.scheduled = sortedRunners(lists.filtered, std::move(timed));
    lists.unscheduled = sortedRunners(lists.filtered, std::move(untimed));
    return lists;
}

QString gridCellKey(int slotSeconds, const QString &classId)
{
    return QString::number(slotSeconds) + QLatin1Char('|') + classId;
}

QString slotTimeText(int s)
{
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

GridIndex buildGridIndex(const Race &race, const QList<Participant> &runners, const QList<RaceClass> &classes)
{
    GridIndex grid;
    LocalSeconds seconds;
    QSet<int> slotSet;
    QSet<QString> classIds;
    // Each cell's runners by position, copied once in name order at the end.
    QHash<QString, QList<qsizetype>> cellRunners;
    struct Placed
    {
        int seconds;
        QString classId;
    };
    QList<Placed> placed;
    placed.reserve(runners.size());
    for (qsizetype i = 0; i < runners.size(); ++i) {
        const Participant &p = runners[i];
        const std::optional<QString> classId = effectiveClassId(race, p);
        const std::optional<QDateTime> time = scheduledStartTime(race, p);
        if (!classId || !time)
            continue;
        const int s = seconds(*time);
        slotSet.insert(s);
        classIds.insert(*classId);
        cellRunners[gridCellKey(s, *classId)].append(i);
        placed.append({s, *classId});
    }
    grid.cells.reserve(cellRunners.size());
    for (auto it = cellRunners.cbegin(); it != cellRunners.cend(); ++it) {
        std::vector<SortKey> keys;
        keys.reserve(size_t(it.value().size()));
        for (const qsizetype i : it.value())
            keys.push_back({0, displayName(runners[i]), i});
        grid.cells.insert(it.key(), sortedRunners(runners, std::move(keys)));
    }
    // A class listed twice is a column twice, and its runners count in each.
    QHash<QString, int> columnsOfClass;
    for (const RaceClass &c : classes) {
        if (classIds.contains(c.id)) {
            grid.classes.append(c);
            ++columnsOfClass[c.id];
        }
    }
    std::stable_sort(grid.classes.begin(), grid.classes.end(),
        [](const RaceClass &a, const RaceClass &b) { return compareNames(a.name, b.name) < 0; });
    grid.timeSlots = QList<int>(slotSet.begin(), slotSet.end());
    std::sort(grid.timeSlots.begin(), grid.timeSlots.end());
    QHash<int, int> countOfSlot;
    for (const Placed &r : placed)
        countOfSlot[r.seconds] += columnsOfClass.value(r.classId);
    grid.runnerCounts.reserve(grid.timeSlots.size());
    for (int s : grid.timeSlots)
        grid.runnerCounts.append(countOfSlot.value(s));
    return grid;
}

QList<bool> startTimeBands(const Race &race, const QList<Participant> &scheduled)
{
    QList<bool> bands;
    bands.reserve(scheduled.size());
    int band = 0;
    LocalSeconds seconds;
    std::optional<int> previous;
    for (const Participant &p : scheduled) {
        if (const std::optional<QDateTime> t = scheduledStartTime(race, p)) {
            const int s = seconds(*t);
            if (previous && *previous != s)
                ++band;
            previous = s;
        }
        bands.append(band % 2 == 1);
    }
    return bands;
}

QString classCourseLabel(const Race &race, const Participant &p)
{
    const QString clubSuffix = p.club && !p.club->isEmpty() ? QStringLiteral(" · ") + *p.club : QString();
    const std::optional<QString> classId = effectiveClassId(race, p);
    const RaceClass *cls = classId ? findClass(race, classId) : nullptr;
    if (!cls)
        return localized(QStringLiteral("No class")) + clubSuffix;
    if (cls->courseFamily) {
        const Course *course = findCourse(race, p.courseId);
        if (!course)
            course = findCourse(race, cls->courseId);
        if (course)
            return cls->name + QStringLiteral(" - ") + course->name + clubSuffix;
    }
    return cls->name + clubSuffix;
}

// ---- Exports ----------------------------------------------------------------------------------

bool startsByPunchOnActiveStage(const Race &race, const Participant &p)
{
    const RaceClass *cls = findClass(race, effectiveClassId(race, p));
    return cls && usesStartPunch(*cls, race.activeStageId);
}

namespace {
Participant resolvedForStage(const Race &race, Participant p, bool withTime)
{
    if (withTime)
        p.startTime = scheduledStartTime(race, p);
    p.classId = effectiveClassId(race, p);
    p.courseId = effectiveCourseId(race, p);
    return p;
}
} // namespace

QList<Participant> exportScheduledParticipants(const Race &race, const QList<Participant> &scheduled)
{
    QList<Participant> out;
    out.reserve(scheduled.size());
    for (const Participant &p : scheduled)
        out.append(resolvedForStage(race, p, true));
    return out;
}

QList<Participant> startPunchParticipants(const Race &race, const QList<Participant> &filtered)
{
    QList<Participant> out;
    for (const Participant &p : filtered)
        if (startsByPunchOnActiveStage(race, p))
            out.append(resolvedForStage(race, p, false));
    return out;
}

QList<RaceClass> classesForActiveStage(const Race &race)
{
    QList<RaceClass> out = race.classes;
    if (!race.activeStageId)
        return out;
    for (RaceClass &c : out) {
        if (!c.stageCourseIds)
            continue;
        if (const QString *course = stageEntry(*c.stageCourseIds, *race.activeStageId))
            c.courseId = *course;
    }
    return out;
}

QString exportStartListFileName(const Race &race, StartListExportKind kind)
{
    QString part = QStringLiteral("-startlist");
    if (kind == StartListExportKind::ByClassPdf)
        part = QStringLiteral("-startlist-by-class");
    else if (kind == StartListExportKind::StartPunchPdf)
        part = QStringLiteral("-startlist-start-punch");
    QString name = race.name + part + stageFileNamePart(race, race.activeStageId);
    // A separator in the event's name would point the save dialog into another folder.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + (kind == StartListExportKind::Xml ? QStringLiteral(".xml") : QStringLiteral(".pdf"));
}

namespace {

StartListExportOutcome failed(const QString &reason)
{
    return {false, localized(QStringLiteral("Export failed: ")) + localizedMessage(reason)};
}

PdfExportResult renderStartPunchPdf(const Race &race, const QList<Participant> &runners, const QString &path)
{
    QString error;
    std::unique_ptr<PDFTableRenderer> renderer
        = PDFTableRenderer::create(path, a4ShortSide, a4LongSide, documentMargin, &error);
    if (!renderer)
        return {false, error};
    renderer->drawTitle(race.name);
    renderer->drawSubtitle(
        localized(QStringLiteral("Start List — Start Punch Classes")) + stageDateTitle(race));
    drawClassSection(*renderer, race, runners, race.courses);
    if (!renderer->finish(&error))
        return {false, error};
    return {true, {}};
}

} // namespace

StartListExportOutcome exportStartList(
    StartListExportKind kind, const Race &race, const StartListLists &lists, bool grid, const QString &path)
{
    if (path.isEmpty())
        return failed(localized(QStringLiteral("No file was chosen.")));
    if (kind == StartListExportKind::Xml) {
        QString error;
        const QString xml = writeIOFStartListXML(race, exportScheduledParticipants(race, lists.scheduled));
        if (!writeFileAtomically(path, xml.toUtf8(), &error))
            return failed(error);
        return {true, {}};
    }
    PdfExportResult written;
    switch (kind) {
    case StartListExportKind::TimeslotPdf: {
        const QList<Participant> runners = exportScheduledParticipants(race, lists.scheduled);
        written = grid ? renderStartListGridPDF(race, runners, race.classes, path)
                       : renderStartListPDF(race, runners, race.classes, path);
        break;
    }
    case StartListExportKind::ByClassPdf:
        written = renderStartListByClassPDF(race, exportScheduledParticipants(race, lists.scheduled),
            classesForActiveStage(race), race.courses, startPunchParticipants(race, lists.filtered), path);
        break;
    case StartListExportKind::StartPunchPdf:
        written = renderStartPunchPdf(race, startPunchParticipants(race, lists.filtered), path);
        break;
    case StartListExportKind::Xml:
        break;
    }
    if (!written.ok)
        return failed(written.error);
    if (!QFileInfo(path).isFile())
        return failed(localized(QStringLiteral("The file was not written.")));
    return {true, {}};
}

// ---- Clearing ---------------------------------------------------------------------------------

ClearPlan planClearStartTimes(const Race &race, const QString &classId)
{
    ClearPlan plan;
    QSet<QUuid> seen;
    for (const Participant &p : race.participants) {
        if (!classId.isEmpty() && !(p.classId && *p.classId == classId))
            continue;
        if (seen.contains(p.id) || !scheduledStartTime(race, p))
            continue;
        seen.insert(p.id);
        const QDateTime *own = race.activeStageId && p.startTimeByStage
            ? stageEntry(*p.startTimeByStage, *race.activeStageId)
            : nullptr;
        if (race.activeStageId && !own) {
            ++plan.keptBaseTimes;
            continue;
        }
        plan.cleared.append(p.id);
        // The stage's own time goes; a base time behind it shows again.
        if (race.activeStageId && p.startTime)
            ++plan.keptBaseTimes;
    }
    return plan;
}

// ---- Import -----------------------------------------------------------------------------------

std::optional<QDateTime> startListModalDay(const QList<QDateTime> &dates)
{
    QMap<QDate, int> counts;
    for (const QDateTime &d : dates)
        if (d.isValid())
            ++counts[d.toLocalTime().date()];
    if (counts.isEmpty())
        return std::nullopt;
    auto best = counts.constBegin();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > best.value())
            best = it;
    return best.key().startOfDay();
}

std::optional<int> startListRaceNumber(const Race &race)
{
    if (race.stages.isEmpty() || !race.activeStageId)
        return std::nullopt;
    return raceNumberOf(race, race.activeStageId);
}

StartListDayCheck checkStartListDay(const Race &race, const std::optional<QDateTime> &modalDay)
{
    StartListDayCheck check;
    if (!modalDay || race.stages.isEmpty() || !race.activeStageId)
        return check;
    for (const Stage &stage : race.stages) {
        if (!sameId(stage.id, *race.activeStageId))
            continue;
        check.fileDay = modalDay->date();
        if (stage.date.isValid())
            check.stageDay = stage.date.toLocalTime().date();
        check.stageName = stage.name;
        break;
    }
    return check;
}

namespace {
QString nameKey(const QString &family, const QString &given)
{
    return family.toCaseFolded() + QChar(0) + given.toCaseFolded();
}
} // namespace

StartListMatcher::StartListMatcher(const Race &race)
{
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const Participant &p = race.participants[i];
        if (!effectiveClassId(race, p))
            continue;
        // Card numbers compare by their digits: "2 000 009" is card 2000009.
        const QString card = cardNumberWithoutSpaces(p.cardNumber);
        if (!m_byCard.contains(card))
            m_byCard.insert(card, i);
        const QString key = nameKey(p.familyName, p.givenName);
        if (!m_byName.contains(key))
            m_byName.insert(key, i);
    }
}

std::optional<qsizetype> StartListMatcher::match(const IOFStartListParser::Entry &entry) const
{
    if (entry.cardNumber && !entry.cardNumber->isEmpty()) {
        auto it = m_byCard.constFind(cardNumberWithoutSpaces(*entry.cardNumber));
        return it == m_byCard.constEnd() ? std::nullopt : std::optional<qsizetype>(it.value());
    }
    if (entry.familyName && entry.givenName) {
        auto it = m_byName.constFind(nameKey(*entry.familyName, *entry.givenName));
        if (it != m_byName.constEnd())
            return it.value();
    }
    return std::nullopt;
}

ImportedStart resolveImportedStart(const Race &race, const StartListMatcher &matcher,
    const IOFStartListParser::Entry &entry, const std::optional<QDateTime> &modalDay)
{
    ImportedStart out;
    const std::optional<qsizetype> index = matcher.match(entry);
    if (!index)
        return out;
    const Participant &p = race.participants[*index];
    out.runner = p.id;
    if (startsByPunchOnActiveStage(race, p)) {
        out.kind = ImportedStart::Kind::StartPunch;
        return out;
    }
    out.kind = ImportedStart::Kind::Write;
    out.time = entry.startTime;
    if (modalDay && entry.startTime.toLocalTime().date() != modalDay->date()) {
        const QString text = entry.startTime.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
        if (const std::optional<QDateTime> moved = startTimeOnDay(text, modalDay->date())) {
            out.time = *moved;
            out.dateCorrected = true;
        }
    }
    return out;
}

StartListImportPlan planStartListImport(const Race &race, const QList<IOFStartListParser::Entry> &entries)
{
    StartListImportPlan plan;
    QList<QDateTime> dates;
    dates.reserve(entries.size());
    for (const auto &e : entries)
        dates.append(e.startTime);
    const std::optional<QDateTime> modalDay = startListModalDay(dates);
    const StartListMatcher matcher(race);
    for (const auto &e : entries) {
        const ImportedStart start = resolveImportedStart(race, matcher, e, modalDay);
        switch (start.kind) {
        case ImportedStart::Kind::NoMatch:
            ++plan.summary.noMatch;
            break;
        case ImportedStart::Kind::StartPunch:
            ++plan.summary.startPunch;
            break;
        case ImportedStart::Kind::Write:
            if (const auto index = matcher.match(e)) {
                const auto shown = scheduledStartTime(race, race.participants[*index]);
                plan.summary.replaced += shown && *shown != start.time ? 1 : 0;
            }
            plan.times.insert(start.runner, start.time);
            ++plan.summary.applied;
            plan.summary.dateCorrected += start.dateCorrected ? 1 : 0;
            break;
        }
    }
    return plan;
}
