#include "splittimessheet.h"

#include "cardresultpanel.h"
#include "localization.h"
#include "racelookup.h"
#include "resultselection.h"
#include "splitlegs.h"

namespace {

QString clockText(const QDateTime &time, const QTimeZone &zone)
{
    return time.toTimeZone(zone).toString(QStringLiteral("HH:mm:ss"));
}

QString duration(const std::optional<double> &seconds)
{
    return seconds ? formatRaceTime(*seconds) : localized(QStringLiteral("—"));
}

} // namespace

QString toneName(RowTone tone)
{
    switch (tone) {
    case RowTone::Green:
        return QStringLiteral("green");
    case RowTone::Red:
        return QStringLiteral("red");
    case RowTone::Orange:
        return QStringLiteral("orange");
    case RowTone::Plain:
        break;
    }
    return {};
}

SplitSheetTexts splitSheetTexts(const Race &race, const PersonResult &result, const QTimeZone &zone)
{
    SplitSheetTexts t;
    t.title = displayName(race, result);
    t.cardLine
        = localized(QStringLiteral("SI %@ · %@"), result.cardNumber, courseNameForResult(race, result));
    if (result.startTime) {
        t.startText = localized(QStringLiteral("Start: %@"), clockText(*result.startTime, zone));
    } else {
        t.startText = localized(QStringLiteral("Start: —"));
        t.startMissing = true;
    }
    if (result.finishTime) {
        t.finishText = localized(QStringLiteral("Finish: %@"), clockText(*result.finishTime, zone));
    } else {
        t.finishText = localized(QStringLiteral("Finish: —"));
        t.finishMissing = true;
    }
    if (result.completedOverride && result.overrideNote) {
        t.overrideLine = localized(QStringLiteral("Override: %@ — %@"),
            // The forced state in the words the results list and the card panel use for it.
            localized(
                verdictKey(*result.completedOverride ? ResultVerdict::Completed : ResultVerdict::Mispunch)),
            *result.overrideNote);
    } else if (!result.completedOverride && result.overrideNote && !result.overrideNote->isEmpty()) {
        // The evaluation's notes are keys of the text tables; anything else shows as stored.
        t.reviewNote = localized(*result.overrideNote);
    }
    const Course *course = findCourse(race, result.courseId);
    t.scoreColumn = course && course->type == CourseType::Rogaining;

    const QString dash = localized(QStringLiteral("—"));
    // Only course controls are numbered; an extra punch is marked "+".
    const SplitLegs legs = splitLegs(result);
    qint64 number = 0;
    for (qsizetype i = 0; i < result.splits.size(); ++i) {
        const SplitTime &s = result.splits.at(i);
        const SplitLeg &times = legs.splits.at(i);
        SplitSheetLine line;
        line.number = times.courseControl ? QString::number(++number) : QStringLiteral("+");
        line.control = QString::number(s.controlCode);
        switch (s.status) {
        case SplitStatus::Ok:
        case SplitStatus::Additional:
            line.split = duration(times.leg);
            line.fromStart = duration(times.elapsed);
            break;
        case SplitStatus::Missing:
            line.split = localized(QStringLiteral("MISSING"));
            line.splitTone = RowTone::Red;
            line.fromStart = dash;
            line.fromStartDimmed = true;
            break;
        case SplitStatus::VisitedNoTime:
            line.split = localized(QStringLiteral("VISITED"));
            line.splitTone = RowTone::Orange;
            line.fromStart = dash;
            line.fromStartDimmed = true;
            break;
        }
        if (t.scoreColumn) {
            switch (s.status) {
            case SplitStatus::Ok:
            case SplitStatus::VisitedNoTime:
                line.score = QLatin1Char('+') + QString::number(s.score.value_or(0));
                break;
            case SplitStatus::Missing:
                line.score = dash;
                line.scoreDimmed = true;
                break;
            case SplitStatus::Additional:
                line.score = QStringLiteral("0");
                line.scoreDimmed = true;
                break;
            }
        }
        t.lines.append(line);
    }
    if (result.finishTime) {
        t.hasFinishLine = true;
        t.finishLeg = legs.finishLeg ? formatRaceTime(*legs.finishLeg) : dash;
        t.finishTotal = duration(result.raceTime);
    }
    return t;
}

QVariantMap toVariant(const SplitSheetTexts &t)
{
    QVariantList lines;
    for (const SplitSheetLine &l : t.lines) {
        lines.append(QVariantMap {{QStringLiteral("number"), l.number},
            {QStringLiteral("control"), l.control}, {QStringLiteral("split"), l.split},
            {QStringLiteral("splitTone"), toneName(l.splitTone)}, {QStringLiteral("fromStart"), l.fromStart},
            {QStringLiteral("fromStartDimmed"), l.fromStartDimmed}, {QStringLiteral("score"), l.score},
            {QStringLiteral("scoreDimmed"), l.scoreDimmed}});
    }
    return {{QStringLiteral("title"), t.title}, {QStringLiteral("cardLine"), t.cardLine},
        {QStringLiteral("startText"), t.startText}, {QStringLiteral("startMissing"), t.startMissing},
        {QStringLiteral("finishText"), t.finishText}, {QStringLiteral("finishMissing"), t.finishMissing},
        {QStringLiteral("overrideLine"), t.overrideLine}, {QStringLiteral("reviewNote"), t.reviewNote},
        {QStringLiteral("scoreColumn"), t.scoreColumn}, {QStringLiteral("lines"), lines},
        {QStringLiteral("hasFinishLine"), t.hasFinishLine}, {QStringLiteral("finishLeg"), t.finishLeg},
        {QStringLiteral("finishTotal"), t.finishTotal}};
}
