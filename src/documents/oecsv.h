#pragma once

// The entry file in the "OE0002_V12" layout of the OE result programs: a fixed 112-column header,
// then one line per participant with card, names, club, class and, for up to six races (the
// event's stages), the entered mark and start time.

#include "race.h"

#include <QRandomGenerator>
#include <QString>

#include <optional>

// The fixed header line including its closing line feed (900 bytes in UTF-8).
[[nodiscard]] QString oeCSVHeader();

// Start numbers are drawn from the process-wide random generator; never fails.
[[nodiscard]] QString makeOECSV(const Race &race);
// Same with the random generator given (tests pin the draw).
[[nodiscard]] QString makeOECSV(const Race &race, QRandomGenerator &random);

// A stable 6-digit number for a participant: FNV-1a (64-bit) of the upper-case UUID text,
// mod 900000, plus 100000.
[[nodiscard]] int oeCSVDatabaseId(const QUuid &participantId);

// The participant's base class, else the class of the first listed stage that has one, else any
// per-stage class.
[[nodiscard]] std::optional<QString> oeCSVClassId(const Participant &participant, const QList<Stage> &stages);
