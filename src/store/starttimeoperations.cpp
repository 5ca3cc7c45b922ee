#include "starttimeoperations.h"

#include "perstage.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

QHash<QUuid, qsizetype> participantIndex(const Race &race)
{
    QHash<QUuid, qsizetype> index;
    index.reserve(race.participants.size());
    for (qsizetype i = 0; i < race.participants.size(); ++i)
        if (!index.contains(race.participants[i].id))
            index.insert(race.participants[i].id, i);
    return index;
}

namespace {

qsizetype indexOf(const Race &race, const QUuid &id)
{
    auto it = std::find_if(
        race.participants.begin(), race.participants.end(), [&](const Participant &p) { return p.id == id; });
    return it == race.participants.end() ? -1 : it - race.participants.begin();
}

// Ids compare by canonical equivalence (sameId); hashed in their composed form.
QString idKey(const QString &id)
{
    return id.normalized(QString::NormalizationForm_C);
}

} // namespace

DrawSelection drawSelection(const Race &race, const std::optional<QString> &classId)
{
    // The stage the start list shows, which the draw's times go to.
    const std::optional<QString> &stage = shownStage(race);
    // The start-punch classes of the stage by id, the first class with an id deciding; the value
    // is the class's position.
    QHash<QString, qsizetype> startPunch;
    QSet<QString> seenClasses;
    for (qsizetype i = 0; i < race.classes.size(); ++i) {
        const RaceClass &c = race.classes[i];
        const QString key = idKey(c.id);
        if (seenClasses.contains(key))
            continue;
        seenClasses.insert(key);
        if (usesStartPunch(c, stage))
            startPunch.insert(key, i);
    }
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    DrawSelection selection;
    QSet<qsizetype> skipped;
    if (!classId) {
        for (const qsizetype at : std::as_const(startPunch))
            skipped.insert(at);
    }
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const Participant &p = race.participants[i];
        if (classId && !(p.classId && sameId(*p.classId, *classId)))
            continue;
        if (!startPunch.isEmpty()) {
            const auto found = startPunch.constFind(idKey(classIdForStage(p, stage)));
            if (found != startPunch.constEnd()) {
                skipped.insert(*found);
                continue;
            }
        }
        selection.runners.append(index.value(p.id));
    }
    QList<qsizetype> classes(skipped.cbegin(), skipped.cend());
    std::sort(classes.begin(), classes.end());
    for (const qsizetype at : std::as_const(classes))
        selection.startPunchClasses.append(race.classes[at].name);
    return selection;
}

bool assignIntervalStartTimes(Race &race, const QString &classId, const QDateTime &firstStart,
    double intervalSeconds, QRandomGenerator &rng, QStringList *skipped)
{
    if (!std::isfinite(intervalSeconds) || std::abs(intervalSeconds) > 86400)
        return false;
    DrawSelection selection
        = drawSelection(race, classId.isEmpty() ? std::nullopt : std::optional<QString>(classId));
    if (skipped)
        *skipped = selection.startPunchClasses;
    QList<qsizetype> &selected = selection.runners;
    for (qsizetype i = selected.size() - 1; i > 0; --i)
        std::swap(selected[i], selected[qsizetype(rng.bounded(quint32(i + 1)))]);
    for (qsizetype k = 0; k < selected.size(); ++k)
        setStartTime(
            race, firstStart.addMSecs(std::llround(double(k) * intervalSeconds * 1000)), selected[k]);
    return true;
}

void assignMassStart(
    Race &race, const std::optional<QString> &classId, const QDateTime &start, QStringList *skipped)
{
    const DrawSelection selection = drawSelection(race, classId);
    if (skipped)
        *skipped = selection.startPunchClasses;
    for (qsizetype i : selection.runners)
        setStartTime(race, start, i);
}

bool setParticipantStartTime(Race &race, const QUuid &id, const std::optional<QDateTime> &start)
{
    const qsizetype i = indexOf(race, id);
    if (i < 0)
        return false;
    setStartTime(race, start, i);
    return true;
}

bool setStartTimePreference(Race &race, const QUuid &id, const std::optional<StartTimePreference> &preference)
{
    const qsizetype i = indexOf(race, id);
    if (i < 0)
        return false;
    ::setStartTimePreference(race, preference, i);
    return true;
}

void applyStartTimes(Race &race, const QHash<QUuid, QDateTime> &times)
{
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    // Written in stored order: in the hash's order a large list would reach its runners at random.
    std::vector<const QDateTime *> timeOf(std::size_t(race.participants.size()), nullptr);
    for (auto it = times.constBegin(); it != times.constEnd(); ++it) {
        if (auto found = index.constFind(it.key()); found != index.constEnd())
            timeOf[std::size_t(found.value())] = &it.value();
    }
    StartTimeWriter writer(race);
    for (std::size_t i = 0; i < timeOf.size(); ++i) {
        if (timeOf[i])
            writer.set(qsizetype(i), *timeOf[i]);
    }
}

bool applyStartPlan(Race &race, const StartGeneratorResult &plan)
{
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    bool wrote = false;
    for (auto it = plan.assignments.constBegin(); it != plan.assignments.constEnd(); ++it) {
        if (auto found = index.constFind(it.key()); found != index.constEnd()) {
            setStartTime(race, it.value(), found.value());
            wrote = true;
        }
    }
    for (const QUuid &id : plan.unplaced) {
        if (auto found = index.constFind(id); found != index.constEnd()) {
            if (scheduledStartTime(race, race.participants[found.value()])) {
                setStartTime(race, std::nullopt, found.value());
                wrote = true;
            }
        }
    }
    return wrote;
}

void reorderStartTimes(Race &race, const QList<QUuid> &orderedIds)
{
    // Handing the times out by position in the whole list would give a runner without a time
    // someone else's, so two runners would share it; only runners who hold a time take part.
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    QList<qsizetype> timed;
    QList<QDateTime> times;
    QSet<qsizetype> seen;
    for (const QUuid &id : orderedIds) {
        auto found = index.constFind(id);
        if (found == index.constEnd() || seen.contains(found.value()))
            continue;
        seen.insert(found.value());
        if (const std::optional<QDateTime> t = scheduledStartTime(race, race.participants[found.value()])) {
            timed.append(found.value());
            times.append(*t);
        }
    }
    std::stable_sort(times.begin(), times.end());
    for (qsizetype k = 0; k < timed.size(); ++k)
        setStartTime(race, times[k], timed[k]);
}

qsizetype clearStartTimes(Race &race, const QList<QUuid> &ids)
{
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    qsizetype cleared = 0;
    for (const QUuid &id : ids) {
        auto found = index.constFind(id);
        if (found == index.constEnd())
            continue;
        const Participant before = race.participants[found.value()];
        setStartTime(race, std::nullopt, found.value());
        cleared += race.participants[found.value()] == before ? 0 : 1;
    }
    return cleared;
}

QDate startTimeEditDay(const Race &race, const Participant &participant, const QDate &today)
{
    if (const std::optional<QDate> day = raceDay(race))
        return *day;
    if (const std::optional<QDateTime> current = scheduledStartTime(race, participant))
        return current->toLocalTime().date();
    return today;
}
