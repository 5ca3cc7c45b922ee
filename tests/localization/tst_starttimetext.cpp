// Typed start times: every case of tests/data/startlist/typedtimes.txt, and their placing on a day.
#include "casetable.h"
#include "starttimetext.h"
#include "testenvironment.h"

#include <QTest>

class TestStartTimeText : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        for (const QStringList &cells : casetable::rows(QStringLiteral("startlist/typedtimes.txt")))
            QTest::addRow("typed \"%s\"", qPrintable(cells[0])) << cells[0] << cells[1];
    }
    void parse()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(parseStartTimeText(typed).value_or(QStringLiteral("none")), expected);
    }

    void placedOnTheCalendarDay()
    {
        // Tests run in Europe/Copenhagen: summer time is UTC+2.
        const QDateTime now(QDate(2026, 6, 1), QTime(23, 30), Qt::UTC); // 2 June locally
        QCOMPARE(startTimeOnRaceDay(QStringLiteral("7:05"), std::nullopt, now),
            QDateTime(QDate(2026, 6, 2), QTime(5, 5), Qt::UTC));
        const QDateTime june14(QDate(2026, 6, 14), QTime(21, 59), Qt::UTC);
        QCOMPARE(startTimeOnRaceDay(QStringLiteral("7:05"), june14, now),
            QDateTime(QDate(2026, 6, 14), QTime(5, 5), Qt::UTC));
        QCOMPARE(startTimeOnRaceDay(QStringLiteral("7:65"), june14, now), std::nullopt);
        // 02:30 does not exist on the morning the clocks go forward.
        QCOMPARE(startTimeOnDay(QStringLiteral("2:30"), QDate(2026, 3, 29)), std::nullopt);
        QCOMPARE(startTimeOnDay(QStringLiteral("3:30"), QDate(2026, 3, 29)),
            QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC));
    }
};

QTEST_GUILESS_MAIN(TestStartTimeText)
#include "tst_starttimetext.moc"
