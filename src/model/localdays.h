#pragma once

// Local wall-clock time worked out once per local day, not once per time. Every conversion through
// the C library may re-read the zone file (with TZ unset glibc opens /etc/localtime on each call),
// and a card holds dozens of times on one or two days, a race day thousands of cards on the same
// days. A day is kept as its start in UTC and its offset when it is exactly 24 hours long from
// midnight; a day with a daylight-saving change (or one that starts after midnight) is never kept,
// and its times go through QDateTime as before, so every answer equals QDateTime's own.
//
// The days are shared by every LocalDays of the process for as long as the zone stays the same:
// each LocalDays takes them over when first used, after checking the zone once (the TZ variable
// and, with TZ unset, the identity and time of change of the system's zone file). Build one per
// card, so a zone changed while the app runs counts from the next card on.

#include <QDateTime>

#include <vector>

class LocalDays
{
public:
    struct WallClock
    {
        QDate date;
        int secondOfDay = 0;
    };

    // QDateTime(date, wall-clock time, Qt::LocalTime) as a UTC time; invalid when that time does not
    // exist on that day.
    [[nodiscard]] QDateTime at(QDate date, int secondOfDay);
    // The local calendar date and whole wall-clock second of `time`, as time.toLocalTime() gives.
    [[nodiscard]] WallClock wallClock(const QDateTime &time);

    struct Day
    {
        QDate date;
        qint64 startUtc = 0; // seconds since the epoch
        bool uniform = false;
    };

private:
    const Day &day(QDate date);
    const Day *knownDay(QDate date);
    void takeSharedDays();

    std::vector<Day> m_days;
    quint64 m_generation = 0;
    bool m_shared = false;
};
