#pragma once

// Local wall-clock time worked out once per local day, not once per time. Every conversion through
// the C library may re-read the zone file (with TZ unset glibc checks /etc/localtime on each call),
// and a card holds dozens of times on one or two days. A day is kept as its start in UTC and its
// offset when it is exactly 24 hours long from midnight; a day with a daylight-saving change (or
// one that starts after midnight) is never kept, and its times go through QDateTime as before, so
// every answer equals QDateTime's own. Short-lived: build one per card, so a zone changed while the
// app runs counts from the next card on.

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

private:
    struct Day
    {
        QDate date;
        qint64 startUtc = 0; // seconds since the epoch
        bool uniform = false;
    };
    const Day &day(QDate date);

    std::vector<Day> m_days;
};
