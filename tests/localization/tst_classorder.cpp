#include "classorder.h"
#include "timeofday.h"

#include <QTest>

#include <algorithm>
#include <limits>

namespace {
constexpr qint64 maxNumber = std::numeric_limits<qint64>::max();

RaceClass named(const QString &name)
{
    RaceClass c;
    c.id = name;
    c.name = name;
    return c;
}
} // namespace

class TestClassOrder : public QObject
{
    Q_OBJECT

private slots:
    void sortKey_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<qint64>("number");
        QTest::newRow("H21E") << "H21E"
                              << "H" << qint64(21);
        QTest::newRow("all digits count") << "D10-2"
                                          << "D" << qint64(102);
        QTest::newRow("no digit") << "Open"
                                  << "OPEN" << maxNumber;
        QTest::newRow("empty") << ""
                               << "" << maxNumber;
        QTest::newRow("twenty digits") << "H12345678901234567890"
                                       << "H" << maxNumber;
        QTest::newRow("vulgar fraction") << QStringLiteral("H½") << "H" << maxNumber;
        QTest::newRow("superscript") << QStringLiteral("D²") << "D" << maxNumber;
        QTest::newRow("arabic-indic digit") << QStringLiteral("H٢١") << "H" << maxNumber;
        QTest::newRow("sharp s") << QStringLiteral("straße 5") << "STRASSE " << qint64(5);
        QTest::newRow("leading digit") << "21H"
                                       << "" << qint64(21);
        QTest::newRow("space stays") << "Men 10"
                                     << "MEN " << qint64(10);
    }
    void sortKey()
    {
        QFETCH(QString, name);
        QFETCH(QString, prefix);
        QFETCH(qint64, number);
        const ClassSortKey key = classSortKey(name);
        QCOMPARE(key.prefix, prefix);
        QCOMPARE(key.number, number);
        QCOMPARE(key.name, name);
    }

    void order_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("table") << QStringList {"H21", "H", "D10", "H8", "h10"}
                               << QStringList {"D10", "H8", "h10", "H21", "H"};
        QTest::newRow("by number") << QStringList {"H", "H21", "H10", "H8"}
                                   << QStringList {"H8", "H10", "H21", "H"};
        QTest::newRow("upper first") << QStringList {"h12", "H12"} << QStringList {"H12", "h12"};
        QTest::newRow("suffix") << QStringList {"H21K", "H21E"} << QStringList {"H21E", "H21K"};
        QTest::newRow("prefix decides")
            << QStringList {"H10", "H9", "D21"} << QStringList {"D21", "H9", "H10"};
        QTest::newRow("shorter prefix") << QStringList {"Men 10", "Men21"} << QStringList {"Men21", "Men 10"};
        QTest::newRow("empty prefix") << QStringList {"A1", "21H"} << QStringList {"21H", "A1"};
    }
    void order()
    {
        QFETCH(QStringList, input);
        QFETCH(QStringList, expected);
        QList<RaceClass> classes;
        for (const QString &n : input)
            classes.append(named(n));
        std::sort(classes.begin(), classes.end(), compareClassNames);
        QStringList names;
        for (const RaceClass &c : classes)
            names.append(c.name);
        QCOMPARE(names, expected);
    }

    void equalNamesAreNotOrdered()
    {
        QVERIFY(!compareClassNames(named("H21"), named("H21")));
        // Canonically equivalent spellings are the same name.
        QVERIFY(!classNameLess(QStringLiteral("Æ\u0301"), QStringLiteral("\u01FC")));
        QVERIFY(!classNameLess(QStringLiteral("\u01FC"), QStringLiteral("Æ\u0301")));
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // -1: no value
        QTest::newRow("7") << "7" << qint64(7 * 3600);
        QTest::newRow("07:05") << "07:05" << qint64(7 * 3600 + 5 * 60);
        QTest::newRow("7:5") << "7:5" << qint64(7 * 3600 + 5 * 60);
        QTest::newRow("12.30") << "12.30" << qint64(12 * 3600 + 30 * 60);
        QTest::newRow("spaces around") << " 9:00 " << qint64(9 * 3600);
        QTest::newRow("unicode space") << QStringLiteral("\u20039:00\n") << qint64(9 * 3600);
        QTest::newRow("9:75") << "9:75" << qint64(9 * 3600);
        QTest::newRow("9:-5") << "9:-5" << qint64(9 * 3600);
        QTest::newRow("9:xx") << "9:xx" << qint64(9 * 3600);
        QTest::newRow("9:") << "9:" << qint64(9 * 3600);
        QTest::newRow("9: 30") << "9: 30" << qint64(9 * 3600);
        QTest::newRow("9:30:59") << "9:30:59" << qint64(9 * 3600 + 30 * 60);
        QTest::newRow("+9:30") << "+9:30" << qint64(9 * 3600 + 30 * 60);
        QTest::newRow("0:00") << "0:00" << qint64(0);
        QTest::newRow("23:59") << "23:59" << qint64(23 * 3600 + 59 * 60);
        QTest::newRow("24:00") << "24:00" << qint64(-1);
        QTest::newRow("-1:00") << "-1:00" << qint64(-1);
        QTest::newRow("930") << "930" << qint64(-1);
        QTest::newRow("12,30") << "12,30" << qint64(-1);
        QTest::newRow("9 :30") << "9 :30" << qint64(-1);
        QTest::newRow(":30") << ":30" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("spaces only") << "   " << qint64(-1);
        QTest::newRow("huge hour") << "99999999999999999999:00" << qint64(-1);
        QTest::newRow("arabic-indic digits") << QStringLiteral("٩:٣٠") << qint64(-1);
        QTest::newRow("sign only") << "+" << qint64(-1);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        const auto value = parseTimeOfDay(text);
        if (expected < 0)
            QCOMPARE(value, std::nullopt);
        else
            QCOMPARE(value, std::optional<qint64>(expected));
    }

    void text_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << qint64(0) << "00:00";
        QTest::newRow("9:30") << qint64(9 * 3600 + 30 * 60) << "09:30";
        QTest::newRow("seconds dropped") << qint64(12 * 3600 + 30 * 60 + 45) << "12:30";
        QTest::newRow("not wrapped") << qint64(25 * 3600) << "25:00";
    }
    void text()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, expected);
        QCOMPARE(timeOfDayText(seconds), expected);
    }

    void everyMinuteReadsBack()
    {
        for (qint64 s = 0; s < 24 * 3600; s += 60)
            QCOMPARE(parseTimeOfDay(timeOfDayText(s)), std::optional<qint64>(s));
    }
};

QTEST_GUILESS_MAIN(TestClassOrder)
#include "tst_classorder.moc"
