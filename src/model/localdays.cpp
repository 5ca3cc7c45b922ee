#include "localdays.h"

namespace {

constexpr qint64 secondsPerDay = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

} // namespace

const LocalDays::Day &LocalDays::day(QDate date)
{
    for (const Day &d : m_days) {
        if (d.date == date)
            return d;
    }
    const QDateTime start = date.startOfDay(Qt::LocalTime);
    const QDateTime next = date.addDays(1).startOfDay(Qt::LocalTime);
    Day d;
    d.date = date;
    d.startUtc = start.toSecsSinceEpoch();
    d.uniform = start.isValid() && next.isValid() && start.time() == QTime(0, 0)
        && next.toSecsSinceEpoch() - d.startUtc == secondsPerDay;
    m_days.push_back(d);
    return m_days.back();
}

QDateTime LocalDays::at(QDate date, int secondOfDay)
{
    const Day &d = day(date);
    if (d.uniform && secondOfDay >= 0 && secondOfDay < secondsPerDay)
        return QDateTime::fromSecsSinceEpoch(d.startUtc + secondOfDay, Qt::UTC);
    const QDateTime local(
        date, QTime(secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60), Qt::LocalTime);
    return local.isValid() ? local.toUTC() : QDateTime();
}

LocalDays::WallClock LocalDays::wallClock(const QDateTime &time)
{
    const qint64 seconds = floorDiv(time.toMSecsSinceEpoch(), 1000);
    for (const Day &d : m_days) {
        if (d.uniform && seconds >= d.startUtc && seconds < d.startUtc + secondsPerDay)
            return {d.date, int(seconds - d.startUtc)};
    }
    const QDateTime local = time.toLocalTime();
    // Keep the day: the card's next times most likely fall on it.
    (void)day(local.date());
    return {local.date(), local.time().msecsSinceStartOfDay() / 1000};
}
