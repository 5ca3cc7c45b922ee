#include "splitlegs.h"

#include <algorithm>

namespace {

// Splits are dated onto the race day after they were built, keeping the wall-clock time of day
// their punch had.
int timeOfDay(const QDateTime &time)
{
    return time.toLocalTime().time().msecsSinceStartOfDay();
}

double secondsBetween(const QDateTime &from, const QDateTime &to)
{
    return double(from.msecsTo(to)) / 1000.0;
}

} // namespace

SplitLegs splitLegs(const QList<SplitTime> &splits, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &start, const std::optional<QDateTime> &finish)
{
    // Most cards hold a time for every punch: then a split's own status says it all. Otherwise each
    // split is paired with its punch: the splits were made from the card's punches in card order.
    const bool untimedPunches
        = std::any_of(punches.cbegin(), punches.cend(), [](const SIPunch &p) { return !p.timeAvailable; });
    qsizetype next = 0;
    const auto punchTimed = [&](const SplitTime &split) {
        const int wallClock = timeOfDay(split.time);
        for (qsizetype q = next; q < punches.size(); ++q) {
            const SIPunch &p = punches.at(q);
            if (p.controlCode == split.controlCode && timeOfDay(p.time) == wallClock) {
                next = q + 1;
                return p.timeAvailable;
            }
        }
        return true;
    };
    SplitLegs legs;
    legs.splits.reserve(splits.size());
    const bool started = start && start->isValid();
    std::optional<QDateTime> previous = started ? start : std::nullopt;
    for (const SplitTime &split : splits) {
        SplitLeg leg;
        leg.courseControl = split.status != SplitStatus::Additional;
        if (!leg.courseControl)
            ++legs.extraPunches;
        if ((split.status == SplitStatus::Ok || split.status == SplitStatus::Additional)
            && split.time.isValid())
            leg.timed = !untimedPunches || punchTimed(split);
        else if (split.status == SplitStatus::VisitedNoTime && untimedPunches)
            punchTimed(split);
        if (leg.timed) {
            if (started)
                leg.elapsed = secondsBetween(*start, split.time);
            if (previous)
                leg.leg = secondsBetween(*previous, split.time);
            if (leg.courseControl)
                previous = split.time;
        }
        legs.splits.append(leg);
    }
    if (finish && finish->isValid() && previous)
        legs.finishLeg = secondsBetween(*previous, *finish);
    return legs;
}

SplitLegs splitLegs(const PersonResult &result)
{
    return splitLegs(
        result.splits, result.punches.value_or(QList<SIPunch>()), result.startTime, result.finishTime);
}

QList<qint64> courseControlCodes(const Course &course)
{
    QList<const CourseControl *> ordered;
    ordered.reserve(course.controls.size());
    for (const CourseControl &c : course.controls)
        ordered.append(&c);
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const CourseControl *a, const CourseControl *b) { return a->order < b->order; });
    QList<qint64> codes;
    codes.reserve(ordered.size());
    for (const CourseControl *c : ordered)
        codes.append(c->code);
    return codes;
}

QList<qsizetype> courseColumns(const QList<SplitTime> &splits, const QList<qint64> &sequence)
{
    QList<qsizetype> columns;
    columns.reserve(splits.size());
    qsizetype next = 0;
    for (const SplitTime &split : splits) {
        qsizetype column = -1;
        if (split.status != SplitStatus::Additional) {
            for (qsizetype k = next; k < sequence.size(); ++k) {
                if (sequence.at(k) == split.controlCode) {
                    column = k;
                    next = k + 1;
                    break;
                }
            }
        }
        columns.append(column);
    }
    return columns;
}
