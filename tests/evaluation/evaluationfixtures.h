#pragma once

// Small builders shared by the evaluation tests. Times are wall-clock times in the test time zone
// (Europe/Copenhagen), stored as UTC like the document keeps them.

#include "race.h"

#include <QStringList>

inline const QDate raceDay(2025, 6, 14);

inline QDateTime at(int h, int m, int s = 0, QDate day = raceDay)
{
    return QDateTime(day, QTime(h, m, s), Qt::LocalTime).toUTC();
}

inline SIPunch punch(qint64 code, const QDateTime &time, bool timeAvailable = true)
{
    SIPunch p;
    p.controlCode = code;
    p.time = time;
    p.timeAvailable = timeAvailable;
    return p;
}

// Punches one minute apart from `first`.
inline QList<SIPunch> punchesEveryMinute(const QList<qint64> &codes, const QDateTime &first)
{
    QList<SIPunch> punches;
    for (qsizetype i = 0; i < codes.size(); ++i)
        punches.append(punch(codes[i], first.addSecs(60 * i)));
    return punches;
}

inline Course sequentialCourse(const QString &id, const QList<qint64> &codes, bool typed = true)
{
    Course course;
    course.id = id;
    course.name = QStringLiteral("Course ") + id;
    if (typed)
        course.type = CourseType::Sequential;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        CourseControl c;
        c.code = codes[i];
        c.order = i + 1;
        course.controls.append(c);
    }
    return course;
}

inline Course scoreCourse(const QString &id, const QList<std::pair<qint64, qint64>> &codePoints,
    std::optional<double> limit = std::nullopt, std::optional<qint64> perMinute = std::nullopt)
{
    Course course;
    course.id = id;
    course.name = QStringLiteral("Score ") + id;
    course.type = CourseType::Rogaining;
    course.timeLimitSeconds = limit;
    course.overtimePenaltyPerMinute = perMinute;
    qint64 order = 1;
    for (const auto &[code, points] : codePoints) {
        CourseControl c;
        c.code = code;
        c.order = order++;
        c.score = points;
        course.controls.append(c);
    }
    return course;
}

// "31:ok 32:missing ..." — the split list as one comparable text.
inline QString describe(const QList<SplitTime> &splits)
{
    QStringList parts;
    for (const SplitTime &s : splits)
        parts.append(QString::number(s.controlCode) + QLatin1Char(':') + toText(s.status));
    return parts.join(QLatin1Char(' '));
}

inline QList<qint64> codeList(const QString &text)
{
    QList<qint64> codes;
    for (const QString &part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        codes.append(part.toLongLong());
    return codes;
}
