#include "resultrow.h"

#include "cardresultpanel.h"
#include "localization.h"
#include "racedayresults.h"
#include "racelookup.h"
#include "resultgroups.h"
#include "resultselection.h"

QString formatRaceTime(double seconds)
{
    return formatElapsed(seconds);
}

QString courseNameForResult(const Race &race, const PersonResult &result)
{
    const Course *course = findCourse(race, result.courseId);
    // Looked up like every other word of the window: a Danish row reads "Ingen bane".
    return course ? course->name : localized(QStringLiteral("No course"));
}

ResultRowTexts resultRowTexts(const Race &race, const PersonResult &result,
    const std::optional<qint64> &place, const std::optional<double> &leaderTime)
{
    ResultRowTexts row;
    if (place)
        row.place = localized(QStringLiteral("%lld."), *place);
    row.name = displayName(race, result);
    row.detail
        = localized(QStringLiteral("SI %@ · %@"), result.cardNumber, courseNameForResult(race, result));

    // The evaluation's notes are keys of the text tables; an organiser's reason belongs to an
    // override and is shown with it.
    if (!result.completedOverride && result.overrideNote && !result.overrideNote->isEmpty())
        row.reviewNote = localized(*result.overrideNote);
    // Results evaluated by earlier versions kept a negative time and no note.
    else if (!result.completedOverride && finishesBeforeStart(result))
        row.reviewNote = localized(QStringLiteral("Check this card: the finish lies before the start, so the "
                                                  "start record is likely left from an earlier run"));

    const Course *course = findCourse(race, result.courseId);
    row.scoreCourse = course && course->type == CourseType::Rogaining;
    // The same word for the same state as every other screen, paper and upload.
    const ResultVerdict verdict = resultVerdict(race, result);
    const QString verdictWord = verdictKey(verdict);
    const QString dash = localized(QStringLiteral("—"));
    if (row.scoreCourse) {
        if (result.score) {
            row.points = localized(QStringLiteral("%@ pts"), *result.score);
        } else {
            row.points = dash;
            row.pointsTone = RowTone::Orange;
        }
        if (result.overtimePenalty && *result.overtimePenalty > 0)
            row.overtime = localized(QStringLiteral("-%@ OT"), *result.overtimePenalty);
        if (!verdictWord.isEmpty()) {
            row.verdict = localized(verdictWord);
            row.verdictTone = verdictIsGood(verdict) ? RowTone::Green : RowTone::Red;
        }
        return row;
    }

    if (const std::optional<double> time = rankedTime(result)) {
        row.time = formatRaceTime(*time);
        if (place && leaderTime && *place > 1)
            row.behind = localized(QStringLiteral("+%@"), formatRaceTime(*time - *leaderTime));
    } else {
        row.time = dash;
        row.timeTone = RowTone::Orange;
    }
    if (!verdictWord.isEmpty()) {
        row.showsBadge = true;
        row.badge = localized(verdictWord);
        row.badgeTone = verdictIsGood(verdict) ? RowTone::Green : RowTone::Red;
        if (result.completedOverride) {
            row.overridden = true;
            row.overrideTooltip = result.overrideNote ? *result.overrideNote
                                                      : localized(QStringLiteral("Manually overridden"));
        }
    }
    return row;
}
