#pragma once

// When a result is a card read-out the event holds already. A station asks it of every card it
// reads; the master asks it of every result a slave submits, and a slave of every result it still
// waits to see in the master's event, so that one read-out is one result wherever it was read.

#include "race.h"

// The same punches as read: codes, whether each had a time, and the times they had (a punch's id
// is made anew at every decoding).
[[nodiscard]] bool samePunches(const QList<SIPunch> &a, const QList<SIPunch> &b);
// The same card read-out: the card number, the punches as read, the card's start record and the
// finish it gave.
[[nodiscard]] bool sameReadOut(const PersonResult &stored, const PersonResult &read);
// `read` repeats the runner's latest result of its stage: the same finish time and as many splits.
[[nodiscard]] bool repeatsLatestResult(const PersonResult &latest, const PersonResult &read);
// `read` repeats the latest result read from its card in its stage: the same runner's very
// read-out, even when the runner's class or course has changed since.
[[nodiscard]] bool repeatsLatestOfCard(const PersonResult &latestOfCard, const PersonResult &read);

// The result of `race` that `read` (recorded at any station) repeats by the two rules above, the
// runner's latest result of the stage (stages compared by sameId) asked first, then the latest
// read of the card in exactly that stage (latest readAt, the later in list order on a tie); null
// when it is a result of its own, and for a result of no runner. A result with read's own id is
// not asked: that is read itself.
[[nodiscard]] const PersonResult *repeatedResult(const Race &race, const PersonResult &read);
