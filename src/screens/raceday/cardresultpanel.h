#pragma once

// The texts of the card result panel (the result of the card just read, in the reader pane and
// the card-read toast) and of one recent-results row, ready to show in the selected language.
// Pure functions over a `Race`.

#include "race.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

struct CardResultPanel
{
    // Given and family name; "Unknown runner" without a runner.
    QString runnerName;
    // "Class: %@"; empty without a class.
    QString classText;
    bool rogaining = false;
    // "Total time: %@" / "Score: %@ pts", or the dashed text when the value is absent.
    QString valueText;
    // The value is absent: the dashed text is drawn as a warning.
    bool valueMissing = false;
    // "(-%@ overtime)" for a positive penalty, else empty.
    QString penaltyText;
    // "COMPLETE" / "INCOMPLETE" / "IN TIME" / "OVERTIME", or empty.
    QString verdictText;
    bool verdictGood = false;
    // "Missing controls: %@", or empty.
    QString missingText;
    QString footerText;

    [[nodiscard]] QVariantMap toVariantMap() const;
};

[[nodiscard]] CardResultPanel cardResultPanel(const Race &race, const PersonResult &result);

struct RecentResultRow
{
    // Given and family name; "Unknown" (never translated) without a runner.
    QString runnerName;
    // The clock text or "%@ pts"; "—" when absent.
    QString valueText;
    bool valueMissing = false;
};

[[nodiscard]] RecentResultRow recentResultRow(const Race &race, const PersonResult &result);

// Every key the race-day desk looks up in code, for the table check.
[[nodiscard]] QStringList raceDayTextKeys();
