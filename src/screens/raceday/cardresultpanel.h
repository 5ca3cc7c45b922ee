#pragma once

// The texts of the card result panel (the result of the card just read, in the reader pane and
// the card-read toast) and of one recent-results row, ready to show in the selected language.
// Pure functions over a `Race`.

#include "race.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

// What a result came to when it is not a clean completion: "Mispunch" (controls missing or an
// override saying so), "Did not finish" (no finish, so no time), "Over time" (a score course run
// beyond its limit); empty for a clean run and for a result with no course to judge it by. The
// organiser's override decides over the recorded verdict.
[[nodiscard]] QString effectiveStatusKey(const Race &race, const PersonResult &result);

// The result recorded earlier for the same card in the same stage, when `result` is a card read
// again (the latest of them); none for a first read.
[[nodiscard]] const PersonResult *earlierReadOf(const Race &race, const PersonResult &result);

// "Read again: this card was already read at %@" with the time of the earlier read.
[[nodiscard]] QString repeatReadText(const QDateTime &earlierReadAt);

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
    // "COMPLETE" only for a clean run; otherwise the effective status ("MISPUNCH", "DID NOT
    // FINISH", "OVERTIME") or "IN TIME"; empty without a course to judge by.
    QString verdictText;
    bool verdictGood = false;
    // "Missing controls: %@", or empty.
    QString missingText;
    // "Read again: this card was already read at %@", or empty for a first read.
    QString repeatText;
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
    // The effective status when not a clean completion ("Mispunch", ...), else empty.
    QString statusText;
    // The card had been read before in the same stage.
    bool repeatRead = false;
};

[[nodiscard]] RecentResultRow recentResultRow(const Race &race, const PersonResult &result);

// Every key the race-day desk looks up in code, for the table check.
[[nodiscard]] QStringList raceDayTextKeys();
