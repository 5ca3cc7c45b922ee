#include "stalepunches.h"

#include "log.h"

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

QList<qint64> courseSequence(const Course &course)
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
    QList<SIPunch> kept;
    kept.reserve(punches.size());
    for (const SIPunch &p : punches) {
        if (p.time >= *cardStartTime)
            kept.append(p);
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
        = course && !isRogaining(*course) ? courseSequence(*course) : QList<qint64>();
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
    const QList<qint64> sequence = courseSequence(*course);
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
