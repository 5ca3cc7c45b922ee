#pragma once

// The input of the result documents: classes in the caller's order, rows in the caller's order.
// The documents never sort or rank; they number rows 1, 2, 3 in the order given.

#include "race.h"
#include "racelookup.h"

#include <QList>
#include <QString>

struct ResultGroup
{
    QString classLabel;
    QList<PersonResult> results;
};

struct StandingsGroup
{
    QString classLabel;
    QList<StandingsRow> rows;
};

// True when the result was run on a score (rogaining) course: its course is a rogaining course,
// or, when the course is gone, it carries a score.
[[nodiscard]] bool isScoreResult(const Race &race, const PersonResult &result);
