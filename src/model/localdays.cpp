#include "localdays.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

#include <sys/stat.h>

namespace {

constexpr qint64 secondsPerDay = 86400;
// Days of other dates than a race's are rare; the table starts again rather than grow past this.
constexpr std::size_t maxSharedDays = 512;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// What decides the C library's zone: the TZ variable and, without it, the system's zone file
// (stat follows its link, so a zone chosen anew is another file). Checked once per card, so it
// allocates nothing for a zone name that fits the string's own buffer.
struct ZoneKey
{
    bool tzSet = false;
    std::string tz;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified {};
    off_t size = 0;

    bool operator==(const ZoneKey &o) const
    {
        return tzSet == o.tzSet && tz == o.tz && device == o.device && inode == o.inode
            && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
            && size == o.size;
    }
};

ZoneKey currentZone()
{
    ZoneKey key;
    if (const char *tz = std::getenv("TZ")) {
        key.tzSet = true;
        key.tz = tz;
        return key;
    }
    struct stat st
    { };
    if (::stat("/etc/localtime", &st) == 0) {
        key.device = st.st_dev;
        key.inode = st.st_ino;
        key.modified = st.st_mtim;
        key.size = st.st_size;
    }
    return key;
}

struct SharedDays
{
    std::mutex mutex;
    ZoneKey zone;
    // Counts the zone changes seen, so a day worked out under an older zone is not published.
    quint64 generation = 0;
    std::vector<LocalDays::Day> days;
};

SharedDays &shared()
{
    static SharedDays table;
    return table;
}

} // namespace

void LocalDays::takeSharedDays()
{
    m_shared = true;
    ZoneKey zone = currentZone();
    SharedDays &table = shared();
    const std::lock_guard lock(table.mutex);
    if (!(table.zone == zone)) {
        table.zone = std::move(zone);
        ++table.generation;
        table.days.clear();
    }
    m_generation = table.generation;
    // A day this LocalDays worked out before the check is dropped: it may belong to another zone.
    m_days = table.days;
}

const LocalDays::Day *LocalDays::knownDay(QDate date)
{
    if (!m_shared)
        takeSharedDays();
    for (const Day &d : m_days) {
        if (d.date == date)
            return &d;
    }
    return nullptr;
}

const LocalDays::Day &LocalDays::day(QDate date)
{
    if (const Day *known = knownDay(date))
        return *known;
    const QDateTime start = date.startOfDay(Qt::LocalTime);
    const QDateTime next = date.addDays(1).startOfDay(Qt::LocalTime);
    Day d;
    d.date = date;
    d.startUtc = start.toSecsSinceEpoch();
    d.uniform = start.isValid() && next.isValid() && start.time() == QTime(0, 0)
        && next.toSecsSinceEpoch() - d.startUtc == secondsPerDay;
    SharedDays &table = shared();
    {
        const std::lock_guard lock(table.mutex);
        // Worked out under the zone this LocalDays checked: if another has seen the zone change
        // since, the day is not the table's.
        if (table.generation == m_generation) {
            if (table.days.size() >= maxSharedDays)
                table.days.clear();
            const bool known = std::any_of(
                table.days.cbegin(), table.days.cend(), [&](const Day &k) { return k.date == date; });
            if (!known)
                table.days.push_back(d);
        }
    }
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
    if (!m_shared)
        takeSharedDays();
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
