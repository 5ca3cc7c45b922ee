#pragma once

// Builders shared by the document and setup tests: ids that stay the same from run to run, so that
// written documents can be compared byte for byte, times on the fixed race day, and classes.

#include "race.h"

inline QDateTime utc(int h, int m, int s = 0, QDate date = QDate(2025, 6, 14))
{
    return QDateTime(date, QTime(h, m, s), Qt::UTC);
}

inline QUuid fixedId(int n)
{
    return QUuid(QStringLiteral("00000000-0000-0000-0000-%1").arg(n, 12, 10, QLatin1Char('0')));
}

inline SplitTime split(qint64 code, SplitStatus status, std::optional<double> leg,
    std::optional<double> elapsed, std::optional<qint64> score = {})
{
    SplitTime s;
    s.controlCode = code;
    s.status = status;
    s.legTime = leg;
    s.elapsedFromStart = elapsed;
    s.score = score;
    return s;
}

inline RaceClass raceClass(const QString &id, const QString &name, std::optional<QString> courseId = {})
{
    RaceClass c;
    c.id = id;
    c.name = name;
    c.courseId = std::move(courseId);
    return c;
}
