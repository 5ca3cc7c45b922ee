#pragma once

// What the split-times sheet shows for one result: the runner, card and course, start and finish,
// the organiser's override or the evaluation's review note, and one line per split plus the
// finish line. The result is the copy taken when the sheet opened; the runner's and the course's
// names are looked up in the race as it is now. The sheet changes nothing.

#include "race.h"
#include "resultrow.h"

#include <QList>
#include <QString>
#include <QTimeZone>
#include <QVariantMap>

struct SplitSheetLine
{
    QString number;
    QString control;
    QString split;
    RowTone splitTone = RowTone::Plain;
    QString fromStart;
    // Secondary for missing and untimed splits.
    bool fromStartDimmed = false;
    QString score;
    bool scoreDimmed = false;
};

struct SplitSheetTexts
{
    QString title;
    // "SI <card> · <course>".
    QString cardLine;
    QString startText;
    bool startMissing = false;
    QString finishText;
    bool finishMissing = false;
    // "Override: COMPLETED — <reason>"; empty unless both the override and its reason are stored.
    QString overrideLine;
    // A note the card evaluation left for the organiser (stored without an override).
    QString reviewNote;
    bool scoreColumn = false;
    QList<SplitSheetLine> lines;
    bool hasFinishLine = false;
    QString finishLeg;
    QString finishTotal;
};

// Clock times are shown in `zone` (the system's own in the application).
[[nodiscard]] SplitSheetTexts splitSheetTexts(
    const Race &race, const PersonResult &result, const QTimeZone &zone = QTimeZone::systemTimeZone());
[[nodiscard]] QVariantMap toVariant(const SplitSheetTexts &texts);
// "green", "red", "orange" or "" for the QML colour lookups.
[[nodiscard]] QString toneName(RowTone tone);
