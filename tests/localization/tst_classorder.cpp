#include "casetable.h"
#include "classorder.h"
#include "documenttext.h"
#include "timeofday.h"

#include <QTest>

#include <algorithm>
#include <limits>

namespace {

RaceClass named(const QString &name)
{
    RaceClass c;
    c.id = name;
    c.name = name;
    return c;
}

QStringList list(const QString &cell)
{
    return cell.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

} // namespace

class TestClassOrder : public QObject
{
    Q_OBJECT

private slots:
    void naturalOrder_data() { casetable::load("localization/natural-compare.tsv"); }
    void naturalOrder()
    {
        QFETCH(QStringList, cells);
        const int sign = cells[2].toInt();
        QCOMPARE(naturalCompare(cells[0], cells[1]), sign);
        QCOMPARE(naturalCompare(cells[1], cells[0]), -sign);
    }

    void sortKey_data() { casetable::load("localization/class-sort-keys.tsv"); }
    void sortKey()
    {
        QFETCH(QStringList, cells);
        const ClassSortKey key = classSortKey(cells[0]);
        QCOMPARE(key.prefix, cells[1]);
        QCOMPARE(key.number, cells[2].isEmpty() ? std::numeric_limits<qint64>::max() : cells[2].toLongLong());
        QCOMPARE(key.name, cells[0]);
    }

    void order_data() { casetable::load("localization/class-order.tsv"); }
    void order()
    {
        QFETCH(QStringList, cells);
        QList<RaceClass> classes;
        for (const QString &n : list(cells[0]))
            classes.append(named(n));
        std::sort(classes.begin(), classes.end(), compareClassNames);
        QStringList names;
        for (const RaceClass &c : classes)
            names.append(c.name);
        QCOMPARE(names, list(cells[1]));
    }

    void equalNamesAreNotOrdered()
    {
        QVERIFY(!compareClassNames(named("H21"), named("H21")));
        // Canonically equivalent spellings are the same name.
        QVERIFY(!classNameLess(QStringLiteral("Æ\u0301"), QStringLiteral("\u01FC")));
        QVERIFY(!classNameLess(QStringLiteral("\u01FC"), QStringLiteral("Æ\u0301")));
    }

    void parse_data() { casetable::load("localization/time-of-day.tsv"); }
    void parse()
    {
        QFETCH(QStringList, cells);
        const std::optional<qint64> expected
            = cells[1].isEmpty() ? std::nullopt : std::optional<qint64>(cells[1].toLongLong());
        QCOMPARE(parseTimeOfDay(cells[0]), expected);
    }

    void text_data() { casetable::load("localization/time-of-day-text.tsv"); }
    void text()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(timeOfDayText(cells[0].toLongLong()), cells[1]);
    }

    void everyMinuteReadsBack()
    {
        for (qint64 s = 0; s < 24 * 3600; s += 60)
            QCOMPARE(parseTimeOfDay(timeOfDayText(s)), std::optional<qint64>(s));
    }
};

QTEST_GUILESS_MAIN(TestClassOrder)
#include "tst_classorder.moc"
