#pragma once

// IOF XML 3.0 StartList document, written as the UTF-8 bytes of its file: one ClassStart per class
// in natural class order, runners by time of day then name. Valid against the IOF 3.0 schema for
// any input.

#include "race.h"
#include "utf8document.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// The caller resolves the selected stage into each participant's `classId` and `startTime`.
[[nodiscard]] QByteArray writeIOFStartListXML(
    const Race &race, const QList<Participant> &participants, IOFListBuffering buffering = {});

// Participants by class id, each list in input order; no class id goes under "".
[[nodiscard]] QHash<QString, QList<Participant>> groupParticipantsByClassId(
    const QList<Participant> &participants);

// Class keys in natural order of their class names ("No class" for a key without a class).
[[nodiscard]] bool classKeyOrder(const QString &keyA, const QString &keyB, const Race &race);
// Same over a class list, with `noClassName` for a key without a class.
[[nodiscard]] bool classKeyOrderNamed(
    const QString &keyA, const QString &keyB, const QList<RaceClass> &classes, const QString &noClassName);

// Runners with a start time first, by local time of day (the date does not count), then by
// display name in natural order.
[[nodiscard]] bool startOrderComparator(const Participant &a, const Participant &b);
// Sorts stably as startOrderComparator orders, with each runner's start second and name worked
// out once rather than at every comparison (a class of 800 runners takes some 8,000).
void sortInStartOrder(QList<Participant> &runners);

// Local time of day in seconds.
[[nodiscard]] int secondsOfDay(const QDateTime &time);
