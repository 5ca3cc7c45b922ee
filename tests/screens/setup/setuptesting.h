#pragma once

// Shared by the set-up screen tests: the rows of a tests/data/setup table and the window notation
// the tables use ("9:00-10:15", "-" for none; hours may pass 24).

#include "casetable.h"
#include "race.h"
#include "storeharness.h"

#include <optional>

// The cases of tests/data/setup/<name>, each field unquoted ("" is the empty text).
inline QList<QStringList> tableRows(const QString &name)
{
    QList<QStringList> rows = casetable::rows(QStringLiteral("setup/") + name);
    for (QStringList &fields : rows) {
        for (QString &field : fields) {
            if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
                field = field.mid(1, field.size() - 2);
        }
    }
    return rows;
}

// From a `_data()` slot: every case of the table in the column "row", named by its fields.
inline void loadTable(const QString &name)
{
    QTest::addColumn<QStringList>("row");
    for (const QStringList &row : tableRows(name))
        QTest::newRow(qPrintable(row.join(QLatin1Char(' ')))) << row;
}

// A set-up screen over a store of its own that writes synchronously.
template<typename ScreenType> struct ScreenRig
{
    explicit ScreenRig(const Race &race)
    {
        harness.backgroundAutosave = false;
        store = harness.makeStore(race);
        screen.setStore(store.get());
    }
    StoreHarness harness;
    std::unique_ptr<RaceStore> store;
    ScreenType screen;
};

inline qint64 clockSeconds(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    return parts.at(0).toLongLong() * 3600 + parts.value(1).toLongLong() * 60;
}

inline std::optional<StartWindow> windowOf(const QString &text)
{
    if (text == QLatin1String("-"))
        return std::nullopt;
    const QStringList ends = text.split(QLatin1Char('-'));
    return StartWindow {clockSeconds(ends.at(0)), clockSeconds(ends.at(1))};
}

inline QString windowNotation(const std::optional<StartWindow> &w)
{
    if (!w)
        return QStringLiteral("-");
    const auto clock = [](qint64 s) {
        return QStringLiteral("%1:%2").arg(s / 3600).arg((s % 3600) / 60, 2, 10, QLatin1Char('0'));
    };
    return clock(w->openSeconds) + QLatin1Char('-') + clock(w->closeSeconds);
}

inline Course makeCourse(const QString &id, const QString &name, const std::optional<QString> &family = {},
    const std::optional<QString> &stageId = {})
{
    Course c;
    c.id = id;
    c.name = name;
    c.courseFamily = family;
    c.stageId = stageId;
    return c;
}

inline RaceClass makeClass(const QString &id, const QString &name)
{
    RaceClass c;
    c.id = id;
    c.name = name;
    return c;
}

// Stored out of order: s2, s1, s3.
inline QList<Stage> threeStages()
{
    const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC);
    return {Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2},
        Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1},
        Stage {QStringLiteral("s3"), QStringLiteral("Day 3"), day.addDays(2), 3}};
}
