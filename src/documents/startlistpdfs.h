#pragma once

// Printable start lists: chronological, by class (ending with the start-punch classes), and the
// grid of start times against classes on landscape pages. Captions go through `localized`.

#include "pdftablerenderer.h"
#include "race.h"

#include <QPair>

// `participants` carry the selected stage already resolved into `classId` and `startTime`.
[[nodiscard]] PdfExportResult renderStartListPDF(const Race &race, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QString &path);
[[nodiscard]] PdfExportResult renderStartListByClassPDF(const Race &race,
    const QList<Participant> &participants, const QList<RaceClass> &classes, const QList<Course> &courses,
    const QList<Participant> &startPunchParticipants, const QString &path);
[[nodiscard]] PdfExportResult renderStartListGridPDF(const Race &race, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QString &path);

// The start-punch block on an open renderer; draws nothing (not even a page) without such runners.
// With `ownPage` it begins on a page of its own (after another list); without, it follows what the
// page holds (a document of the block alone, under its title).
void drawClassSection(PDFTableRenderer &renderer, const Race &race, const QList<Participant> &participants,
    const QList<Course> &courses, bool ownPage = true);

// The start-punch classes of the active stage with their runners (by display name), in natural
// class order; classes without runners are left out.
[[nodiscard]] QList<QPair<RaceClass, QList<Participant>>> classSectionData(
    const QList<Participant> &participants, const Race &race);

// " — <stage name> (<date>)" for the active stage of an event with at least two stages, else "".
[[nodiscard]] QString stageDateTitle(const Race &race);
// "<n> controls · <length> · <n> contestant(s)", leaving out what is unknown.
[[nodiscard]] QString courseSummaryText(
    const RaceClass *raceClass, const QList<Participant> &runners, const QList<Course> &courses);
// ", hh:mm - hh:mm" of the class's effective start window, or "" when there is none.
[[nodiscard]] QString startWindowText(const RaceClass &raceClass, const Race &race);
// Natural class order of two class keys, using the localised "No class" for a key without a class.
[[nodiscard]] bool classKeyOrderLocalized(
    const QString &keyA, const QString &keyB, const QList<RaceClass> &classes);

// Club names longer than these many characters are shortened with "…".
inline constexpr int chronologicalClubLimit = 25;
inline constexpr int byClassClubLimit = 27;
inline constexpr int startPunchClubLimit = 40;
