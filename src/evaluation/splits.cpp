#include "splits.h"

#include "splitlegs.h"
#include "stalepunches.h"

#include <QHash>
#include <QSet>

#include <cmath>
#include <limits>

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

namespace {

// Points and penalties come from event files and course imports as any 64-bit number: their sums
// and products stop at the ends of the range rather than wrapping round (saturatingAdd too).
qint64 saturatingSubtract(qint64 a, qint64 b)
{
    qint64 difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference))
        return difference;
    return b < 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

qint64 saturatingMultiply(qint64 a, qint64 b)
{
    qint64 product = 0;
    if (!__builtin_mul_overflow(a, b, &product))
        return product;
    return (a < 0) == (b < 0) ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

SplitTime makeSplit(qint64 code, const QDateTime &time, SplitStatus status)
{
    SplitTime split;
    split.controlCode = code;
    split.time = time;
    split.status = status;
    return split;
}

SplitStatus passageStatus(const SIPunch &punch)
{
    return punch.timeAvailable ? SplitStatus::Ok : SplitStatus::VisitedNoTime;
}

} // namespace

QDateTime missingSplitTime()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QList<SplitTime> buildSplits(const QList<SIPunch> &punches, const std::optional<Course> &course)
{
    QList<SplitTime> splits;
    if (!course || course->controls.isEmpty()) {
        splits.reserve(punches.size());
        for (const SIPunch &p : punches)
            splits.append(makeSplit(p.controlCode, p.time, SplitStatus::Ok));
        return splits;
    }
    if (course->type == CourseType::Rogaining)
        return scoreRogainingSplits(punches, *course);

    const QList<qint64> sequence = courseControlCodes(*course);
    splits.reserve(punches.size() + sequence.size());
    qsizetype p = 0;
    for (qint64 code : sequence) {
        qsizetype j = p;
        while (j < punches.size() && punches[j].controlCode != code)
            ++j;
        if (j >= punches.size()) {
            // A missing control consumes no punches.
            splits.append(makeSplit(code, missingSplitTime(), SplitStatus::Missing));
            continue;
        }
        for (qsizetype k = p; k < j; ++k)
            splits.append(makeSplit(punches[k].controlCode, punches[k].time, SplitStatus::Additional));
        splits.append(makeSplit(code, punches[j].time, passageStatus(punches[j])));
        p = j + 1;
    }
    for (qsizetype k = p; k < punches.size(); ++k)
        splits.append(makeSplit(punches[k].controlCode, punches[k].time, SplitStatus::Additional));
    return splits;
}

QList<SplitTime> scoreRogainingSplits(const QList<SIPunch> &punches, const Course &course)
{
    QHash<qint64, qint64> points;
    for (const CourseControl &c : course.controls) {
        // One entry per code; should a course list a code twice, its first listing counts.
        if (!points.contains(c.code))
            points.insert(c.code, c.score.value_or(0));
    }
    QList<SplitTime> splits;
    splits.reserve(punches.size());
    QSet<qint64> counted;
    for (const SIPunch &p : punches) {
        const auto it = points.constFind(p.controlCode);
        if (it != points.constEnd() && !counted.contains(p.controlCode)) {
            counted.insert(p.controlCode);
            SplitTime split = makeSplit(p.controlCode, p.time, passageStatus(p));
            split.score = it.value();
            splits.append(split);
        } else {
            SplitTime split = makeSplit(p.controlCode, p.time, SplitStatus::Additional);
            split.score = 0;
            splits.append(split);
        }
    }
    return splits;
}

QDateTime dateOnRaceDay(const QDateTime &time, const QDateTime &day)
{
    return RaceDayClock(day).place(time);
}

RaceDayClock::RaceDayClock(const QDateTime &day)
{
    if (day.isValid())
        m_date = m_days.wallClock(day).date;
}

QDateTime RaceDayClock::place(const QDateTime &time)
{
    if (!time.isValid() || !m_date.isValid())
        return time;
    // Wall-clock components, not start-of-day plus seconds: on a daylight-saving change day the
    // two differ by an hour.
    const QDateTime composed = m_days.at(m_date, m_days.wallClock(time).secondOfDay);
    return composed.isValid() ? composed : time;
}

void fillSplitTimes(
    QList<SplitTime> &splits, const std::optional<QDateTime> &start, const QList<SIPunch> &punches)
{
    if (!start)
        return;
    const SplitLegs legs = splitLegs(splits, punches, start, std::nullopt);
    for (qsizetype i = 0; i < splits.size(); ++i) {
        splits[i].elapsedFromStart = legs.splits.at(i).elapsed;
        splits[i].legTime = legs.splits.at(i).leg;
    }
}

RogainingScore rogainingScore(const QList<SplitTime> &splits, const Course &course,
    const std::optional<QDateTime> &start, const std::optional<QDateTime> &finish)
{
    RogainingScore result;
    qint64 points = 0;
    for (const SplitTime &split : splits) {
        // A control punched on a card that kept no time for it was visited all the same.
        if (split.status == SplitStatus::Ok || split.status == SplitStatus::VisitedNoTime)
            points = saturatingAdd(points, split.score.value_or(0));
    }
    result.score = points;
    if (!course.timeLimitSeconds || std::isnan(*course.timeLimitSeconds) || !start || !finish)
        return result;
    const double running = double(start->msecsTo(*finish)) / 1000.0;
    if (running <= *course.timeLimitSeconds) {
        result.withinTimeLimit = true;
        return result;
    }
    // Whole minutes begun over the limit; a limit far below any run (a damaged file) gives more
    // minutes than a count holds, and the count stops at its largest.
    const double over = std::ceil((running - *course.timeLimitSeconds) / 60.0);
    const qint64 minutes = over < 9.2e18 ? qint64(over) : std::numeric_limits<qint64>::max();
    result.overtimePenalty = saturatingMultiply(minutes, course.overtimePenaltyPerMinute.value_or(0));
    result.score = std::max<qint64>(0, saturatingSubtract(points, result.overtimePenalty));
    result.withinTimeLimit = false;
    return result;
}
