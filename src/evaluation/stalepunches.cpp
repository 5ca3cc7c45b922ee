#include "stalepunches.h"

#include "log.h"
#include "splitlegs.h"

#include <algorithm>
#include <vector>

QList<qint64> punchCodes(const QList<SIPunch> &punches)
{
    QList<qint64> codes;
    codes.reserve(punches.size());
    for (const SIPunch &p : punches)
        codes.append(p.controlCode);
    return codes;
}

namespace {

// Whether two punches are the same record of the card (lists made from one read share them).
bool sameRecord(const SIPunch &a, const SIPunch &b)
{
    return a.id == b.id && a.controlCode == b.controlCode && a.time == b.time;
}

bool isRogaining(const Course &course)
{
    return course.type == CourseType::Rogaining;
}

} // namespace

QString logDate(const QDateTime &date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

qsizetype lcsLength(const QList<qint64> &a, const QList<qint64> &b)
{
    if (a.isEmpty() || b.isEmpty())
        return 0;
    std::vector<qsizetype> previous(size_t(b.size()) + 1, 0);
    std::vector<qsizetype> current(size_t(b.size()) + 1, 0);
    for (qint64 x : a) {
        current[0] = 0;
        for (qsizetype j = 0; j < b.size(); ++j) {
            const size_t k = size_t(j) + 1;
            current[k] = x == b[j] ? previous[k - 1] + 1 : std::max(previous[k], current[k - 1]);
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

QList<SIPunch> filterStalePunches(
    const QList<SIPunch> &punches, const std::optional<QDateTime> &cardStartTime)
{
    if (!cardStartTime)
        return punches;
    // A record without a time carries a stand-in (the previous punch's time, or midnight for the
    // first), which says nothing about its run: it goes with the next timed punch on the card,
    // or failing one with the last timed punch before it; a card without any time keeps it.
    QList<bool> keep(punches.size(), true);
    std::optional<bool> following;
    for (qsizetype i = punches.size() - 1; i >= 0; --i) {
        if (punches[i].timeAvailable) {
            keep[i] = punches[i].time >= *cardStartTime;
            following = keep[i];
        } else if (following) {
            keep[i] = *following;
        }
    }
    const auto lastTimed
        = std::find_if(punches.crbegin(), punches.crend(), [](const SIPunch &p) { return p.timeAvailable; });
    if (lastTimed != punches.crend()) {
        const qsizetype last = punches.size() - 1 - (lastTimed - punches.crbegin());
        for (qsizetype i = last + 1; i < punches.size(); ++i)
            keep[i] = keep[last];
    }
    QList<SIPunch> kept;
    kept.reserve(punches.size());
    for (qsizetype i = 0; i < punches.size(); ++i) {
        if (keep[i])
            kept.append(punches[i]);
    }
    if (punches.isEmpty())
        return kept;
    if (kept.isEmpty()) {
        logLine(
            QStringLiteral("SI: filterStalePunches would discard all %1 punch(es) against cardStartTime %2"
                           " — ignoring filter, keeping original punches")
                .arg(punches.size())
                .arg(logDate(*cardStartTime)));
        return punches;
    }
    if (kept.size() == punches.size())
        return kept;
    // The first punch of the card is named, whichever punch was dropped: on an uncleared card it
    // is the oldest one left over.
    const SIPunch &first = punches.first();
    logLine(QStringLiteral(
        "SI: dropped %1 stale punch(es) before card start time %2 (first dropped: control %3 at "
        "%4) — likely an uncleared card")
                .arg(punches.size() - kept.size())
                .arg(logDate(*cardStartTime))
                .arg(first.controlCode)
                .arg(logDate(first.time)));
    return kept;
}

QList<SIPunch> applyCoverageFallback(
    const QList<SIPunch> &unfiltered, const QList<SIPunch> &filtered, const std::optional<Course> &course)
{
    if (unfiltered.size() == filtered.size())
        return filtered;
    // New punches are only ever appended to a card, so an earlier run lies ahead of today's in card
    // order. When the time filter cut off just a leading part, the start punch is today's and what
    // it cut is an earlier run: putting it back could only fill today's gaps with another run.
    const qsizetype offset = unfiltered.size() - filtered.size();
    if (!filtered.isEmpty() && sameRecord(filtered.first(), unfiltered[offset]))
        return filtered;
    // The filter dropped punches recorded after kept ones: today's run lies before the card start
    // time on the clock, so the start record is left from an earlier run.
    const QList<qint64> sequence
        = course && !isRogaining(*course) ? courseControlCodes(*course) : QList<qint64>();
    const qsizetype filteredCoverage = lcsLength(sequence, punchCodes(filtered));
    const qsizetype unfilteredCoverage = lcsLength(sequence, punchCodes(unfiltered));
    if (filteredCoverage < unfilteredCoverage) {
        logLine(QStringLiteral(
            "SI: time-based stale-punch filter reduced course-control coverage (%1/%2 vs %3/%2 "
            "unfiltered) — cardStartTime looks stale; falling back to unfiltered punches")
                    .arg(filteredCoverage)
                    .arg(sequence.size())
                    .arg(unfilteredCoverage));
    } else {
        logLine(QStringLiteral("SI: time-based stale-punch filter dropped punches recorded after kept ones — "
                               "cardStartTime looks stale; falling back to unfiltered punches"));
    }
    return unfiltered;
}

QList<SIPunch> dropRunsBeforeClockReversal(const QList<SIPunch> &punches)
{
    // Within one run the card's punch times never decrease. A step back means the punches ahead of
    // it were recorded on another day, later on the clock than today's run. A step back of more
    // than half a day is a run past midnight, not another run.
    constexpr qint64 halfDayMsecs = 12 * 3600 * 1000;
    qsizetype cut = 0;
    const QDateTime *previous = nullptr;
    for (qsizetype i = 0; i < punches.size(); ++i) {
        const SIPunch &p = punches[i];
        if (!p.timeAvailable || !p.time.isValid())
            continue;
        if (previous) {
            const qint64 step = previous->msecsTo(p.time);
            if (step < 0 && step >= -halfDayMsecs)
                cut = i;
        }
        previous = &p.time;
    }
    if (cut == 0)
        return punches;
    // Untimed punches directly ahead of the step carry no evidence of their own run: they stay with
    // the run they were recorded in, which is the earlier one.
    logLine(QStringLiteral("SI: punch times run backwards at control %1 (%2) — dropping %3 punch(es) of an "
                           "earlier run, likely an uncleared card")
                .arg(punches[cut].controlCode)
                .arg(logDate(punches[cut].time))
                .arg(cut));
    return punches.mid(cut);
}

std::optional<qsizetype> latestCompleteRunStart(const QList<qint64> &sequence, const QList<qint64> &codes)
{
    if (sequence.isEmpty())
        return std::nullopt;
    // Greedy from the end finds the latest start of an in-order pass through the whole sequence.
    qsizetype position = codes.size() - 1;
    for (qsizetype c = sequence.size() - 1; c >= 0; --c) {
        while (position >= 0 && codes[position] != sequence[c])
            --position;
        if (position < 0)
            return std::nullopt;
        if (c > 0)
            --position;
    }
    return position;
}

QList<SIPunch> dropLeadingStalePunches(const QList<SIPunch> &punches, const std::optional<Course> &course)
{
    if (!course || isRogaining(*course) || punches.isEmpty())
        return punches;
    const QList<qint64> sequence = courseControlCodes(*course);
    if (sequence.isEmpty())
        return punches;
    const qsizetype n = sequence.size();
    qsizetype position = punches.size() - 1;
    qsizetype matched = 0;
    std::optional<qsizetype> earliest;
    for (qsizetype c = n - 1; c >= 0 && position >= 0; --c) {
        for (qsizetype i = position; i >= 0; --i) {
            if (punches[i].controlCode == sequence[c]) {
                ++matched;
                earliest = i;
                position = i - 1;
                break;
            }
        }
    }
    if (matched * 2 < n || !earliest || *earliest == 0)
        return punches;
    logLine(
        QStringLiteral("SI: detected %1 leading stale punch(es) ahead of the most recent run of this course "
                       "(backward-matched %2/%3 controls), likely an uncleared card; dropping them")
            .arg(*earliest)
            .arg(matched)
            .arg(n));
    return punches.mid(*earliest);
}

CardRuns separateRuns(const QList<SIPunch> &card, const std::optional<QDateTime> &cardStartTime,
    const std::optional<Course> &course)
{
    CardRuns runs;
    runs.card = card;
    runs.filtered = filterStalePunches(card, cardStartTime);
    runs.covered = applyCoverageFallback(card, runs.filtered, course);
    runs.latest = dropRunsBeforeClockReversal(runs.covered);
    runs.run = runs.latest;
    return runs;
}

void runOfCourse(CardRuns &runs, const std::optional<Course> &course)
{
    runs.run = dropLeadingStalePunches(runs.latest, course);
}

namespace {

bool timed(const SIPunch &p)
{
    return p.timeAvailable && p.time.isValid();
}

// The longest time between two timed passages of the run, the finish included; none when the run
// has fewer than two.
std::optional<qint64> longestLegMsecs(const QList<SIPunch> &run, const std::optional<QDateTime> &finish)
{
    std::optional<qint64> longest;
    const QDateTime *previous = nullptr;
    const auto leg = [&](const QDateTime &time) {
        if (previous) {
            const qint64 msecs = previous->msecsTo(time);
            longest = std::max(longest.value_or(msecs), msecs);
        }
        previous = &time;
    };
    for (const SIPunch &p : run) {
        if (timed(p))
            leg(p.time);
    }
    if (finish && finish->isValid() && previous && *finish >= *previous)
        leg(*finish);
    return longest;
}

} // namespace

bool startRecordDoubtful(const CardRuns &runs, const QDateTime &start, const std::optional<QDateTime> &finish)
{
    const auto first = std::find_if(runs.run.cbegin(), runs.run.cend(), timed);
    if (first == runs.run.cend())
        return false;
    if (start > first->time)
        return true;
    // One punch is no run: a runner who punched the first control twice leaves just that.
    QList<QDateTime> between;
    for (const SIPunch &p : runs.ahead()) {
        if (timed(p) && p.time >= start && p.time <= first->time)
            between.append(p.time);
    }
    if (between.size() < 2)
        return false;
    const std::optional<qint64> longestLeg = longestLegMsecs(runs.run, finish);
    // Without legs to compare with, the card cannot say: the start stays in doubt.
    if (!longestLeg)
        return true;
    // The break may come before today's own first punches (the first control punched twice today
    // after an earlier run): any break on the card after two of them counts.
    between.append(first->time);
    for (qsizetype i = 2; i < between.size(); ++i) {
        if (between[i - 1].msecsTo(between[i]) > *longestLeg)
            return true;
    }
    return false;
}

namespace {

// Whether the punches, in their order, hold `first` and after it `then`.
bool holdsInOrder(const QList<qint64> &codes, qint64 first, qint64 then)
{
    const qsizetype at = codes.indexOf(first);
    return at >= 0 && codes.indexOf(then, at + 1) > at;
}

// Whether the punches between two passages run the passed part of the course again in its own
// order: its first control and a later one of it, or one of its legs (two controls that follow
// each other on the course). An earlier run's punches lie so ahead of today's, with today's
// beginning again after them; a runner going back to controls out of the course's order is on a
// detour, however many of them.
bool runsCourseAgain(const QList<qint64> &gap, const QList<qint64> &sequence, qsizetype passed)
{
    if (gap.size() < 2 || passed < 2)
        return false;
    for (qsizetype k = 1; k < passed; ++k) {
        if (holdsInOrder(gap, sequence[0], sequence[k]) || holdsInOrder(gap, sequence[k - 1], sequence[k]))
            return true;
    }
    return false;
}

} // namespace

bool holdsAnotherRun(const QList<SplitTime> &splits, const QList<qint64> &sequence)
{
    if (sequence.isEmpty() || splits.size() < sequence.size() + 2)
        return false;
    qsizetype passed = 0; // course controls matched so far
    QList<qint64> gap;
    const auto restarted = [&] { return runsCourseAgain(gap, sequence, passed); };
    for (const SplitTime &split : splits) {
        if (split.status == SplitStatus::Additional) {
            gap.append(split.controlCode);
            continue;
        }
        if (restarted())
            return true;
        gap.clear();
        ++passed;
    }
    return restarted();
}

bool clockStepSplitsRun(const CardRuns &runs, const QList<qint64> &sequence)
{
    if (runs.latest.size() >= runs.covered.size())
        return false;
    const QList<qint64> ahead = punchCodes(runs.covered.first(runs.covered.size() - runs.latest.size()));
    return lcsLength(sequence, ahead) * 2 < sequence.size()
        && lcsLength(sequence, punchCodes(runs.covered)) == sequence.size();
}
