#include "localization.h"
#include "pdftestsupport.h"
#include "startlistpdfs.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QDateTime local(int h, int m)
{
    return QDateTime(QDate(2025, 6, 14), QTime(h, m), Qt::LocalTime);
}

Participant runner(const QString &given, const QString &family, std::optional<QString> classId,
    std::optional<QDateTime> start, const QString &club = QString())
{
    Participant p;
    p.givenName = given;
    p.familyName = family;
    p.classId = std::move(classId);
    p.startTime = std::move(start);
    p.cardNumber = QStringLiteral("7") + given.left(3);
    if (!club.isEmpty())
        p.club = club;
    return p;
}

RaceClass raceClass(const QString &id, const QString &name, std::optional<QString> course = {})
{
    RaceClass c;
    c.id = id;
    c.name = name;
    c.courseId = std::move(course);
    return c;
}

Course course(const QString &id, int controls, std::optional<double> length)
{
    Course c;
    c.id = id;
    c.controls.resize(controls);
    c.lengthMeters = length;
    return c;
}

} // namespace

class TestStartListPdfs : public QObject
{
    Q_OBJECT

    pdftest::Output m_out;

    QString path(const QString &name) const { return m_out.path(name); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_out.setUp());
    }

    void texts()
    {
        QCOMPARE(courseSummaryText(nullptr, {}, {}), QStringLiteral("0 contestant(s)"));
        const QList<Course> courses {course(QStringLiteral("a"), 12, 999.5),
            course(QStringLiteral("b"), 0, 1000), course(QStringLiteral("c"), 0, std::nullopt)};
        const RaceClass a = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("a"));
        QCOMPARE(courseSummaryText(&a, {Participant {}}, courses),
            QStringLiteral("12 controls · 1000 m · 1 contestant(s)"));
        const RaceClass b = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("b"));
        QCOMPARE(courseSummaryText(&b, {}, courses), QStringLiteral("1.0 km · 0 contestant(s)"));
        const RaceClass c = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("c"));
        QCOMPARE(courseSummaryText(&c, {}, courses), QStringLiteral("0 contestant(s)"));

        Race race;
        RaceClass w = raceClass(QStringLiteral("w"), QStringLiteral("W"));
        QCOMPARE(startWindowText(w, race), QString());
        race.defaultStartWindow = StartWindow {34200, 37800};
        QCOMPARE(startWindowText(w, race), QStringLiteral(", 09:30 - 10:30"));
        race.activeStageId = QStringLiteral("s2");
        race.stageDefaultStartWindows
            = StageMap<StartWindow> {{QStringLiteral("s2"), StartWindow {3600, 90000}}};
        QCOMPARE(startWindowText(w, race), QStringLiteral(", 01:00 - 25:00"));

        QCOMPARE(stageDateTitle(race), QString());
        Stage s1 {
            QStringLiteral("s1"), QStringLiteral("Day 1"), QDateTime(QDate(2025, 6, 13), QTime(12, 0)), 0};
        Stage s2 {
            QStringLiteral("s2"), QStringLiteral("Day 2"), QDateTime(QDate(2025, 6, 14), QTime(12, 0)), 1};
        race.stages = {s1};
        QCOMPARE(stageDateTitle(race), QString());
        race.stages = {s1, s2};
        QCOMPARE(stageDateTitle(race), QStringLiteral(" — Day 2 (14 Jun 2025)"));
    }

    void chronologicalList()
    {
        Race race;
        race.name = QStringLiteral("Sprint");
        const QList<RaceClass> classes {raceClass(QStringLiteral("h"), QStringLiteral("H21"))};
        const QString club25 = QStringLiteral("abcdefghijklmnopqrstuvwxy");
        const QString club26 = club25 + QStringLiteral("Z");
        const QList<Participant> people {
            runner(QStringLiteral("Anna"), QStringLiteral("A"), QStringLiteral("h"), local(9, 0), club25),
            runner(QStringLiteral("Bo"), QStringLiteral("B"), QStringLiteral("h"), local(9, 0), club26),
            runner(QStringLiteral("Cai"), QStringLiteral("C"), std::nullopt, std::nullopt),
            runner(QStringLiteral("Dina"), QStringLiteral("D"), QStringLiteral("gone"), local(9, 2),
                QStringLiteral("🇩🇰") + club26),
        };
        const QString file = path(QStringLiteral("chrono.pdf"));
        const auto result = renderStartListPDF(race, people, classes, file);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(pdftest::info(file).pageSize, QSizeF(595, 842));
        const QStringList lines = pdftest::lines(pdftest::text(file));
        QCOMPARE(lines.mid(0, 3), (QStringList {"Sprint", "Start List", "Time Name Class Club Card"}));
        QCOMPARE(lines.at(3), QStringLiteral("09:00 Anna A H21 %1 7Ann").arg(club25));
        QCOMPARE(lines.at(4), QStringLiteral("09:00 Bo B H21 %1… 7Bo").arg(club25.left(24)));
        QCOMPARE(lines.at(5), QStringLiteral("— Cai C No class 7Cai"));
        // The flag is one character of the 25 (no installed font draws it, so no text comes back).
        QVERIFY(lines.at(6).startsWith(QStringLiteral("09:02 Dina D No class")));
        QVERIFY(lines.at(6).endsWith(QStringLiteral("abcdefghijklmnopqrstuvw… 7Din")));
    }

    void emptyChronologicalList()
    {
        const QString file = path(QStringLiteral("chrono-empty.pdf"));
        QVERIFY(renderStartListPDF(Race {}, {}, {}, file).ok);
        QCOMPARE(pdftest::info(file).pages, 1);
        QCOMPARE(pdftest::lines(pdftest::text(file)).size(), 3);
    }

    void listByClassWithStartPunchBlock()
    {
        Race race;
        race.name = QStringLiteral("Middle");
        race.defaultStartWindow = StartWindow {34200, 37800};
        RaceClass punch = raceClass(QStringLiteral("p"), QStringLiteral("Open 1"), QStringLiteral("c1"));
        punch.startMethod = StartMethod::StartPunch;
        race.classes = {raceClass(QStringLiteral("h10"), QStringLiteral("H10"), QStringLiteral("c1")),
            raceClass(QStringLiteral("h9"), QStringLiteral("H9")), punch};
        const QList<Course> courses {course(QStringLiteral("c1"), 8, 2450)};
        const QList<Participant> people {
            runner(QStringLiteral("Ten"), QStringLiteral("Late"), QStringLiteral("h10"), local(10, 5)),
            runner(QStringLiteral("Ten"), QStringLiteral("Early"), QStringLiteral("h10"), local(10, 1)),
            runner(QStringLiteral("Nine"), QStringLiteral("N"), QStringLiteral("h9"), local(10, 0)),
            runner(QStringLiteral("No"), QStringLiteral("Class"), std::nullopt, std::nullopt),
        };
        const QList<Participant> punchers {runner(QStringLiteral("Zed"), QStringLiteral("Z"),
                                               QStringLiteral("p"), std::nullopt, QString(45, 'k')),
            runner(QStringLiteral("Amy"), QStringLiteral("A"), QStringLiteral("p"), std::nullopt)};
        const QString file = path(QStringLiteral("byclass.pdf"));
        const auto result = renderStartListByClassPDF(race, people, race.classes, courses, punchers, file);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(pdftest::info(file).pages, 2);
        const QStringList first = pdftest::lines(pdftest::text(file, 1));
        QCOMPARE(first.mid(0, 2), (QStringList {"Middle", "Start List — By Class"}));
        QCOMPARE(first.at(2), QStringLiteral("H9 1 contestant(s)"));
        const qsizetype h10 = first.indexOf(QStringLiteral("H10 8 controls · 2.5 km · 2 contestant(s)"));
        QVERIFY(h10 > 2);
        QCOMPARE(first.at(h10 + 2), QStringLiteral("10:01 Ten Early 7Ten"));
        QCOMPARE(first.at(h10 + 3), QStringLiteral("10:05 Ten Late 7Ten"));
        QCOMPARE(first.at(h10 + 4), QStringLiteral("No class"));
        const QStringList second = pdftest::lines(pdftest::text(file, 2));
        QCOMPARE(second.at(0), QStringLiteral("Open 1, 09:30 - 10:30 8 controls · 2.5 km · 2 contestant(s)"));
        QCOMPARE(second.at(1), QStringLiteral("Name Club Card"));
        QCOMPARE(second.at(2), QStringLiteral("Amy A 7Amy"));
        QCOMPARE(second.at(3), QStringLiteral("Zed Z %1… 7Zed").arg(QString(39, 'k')));

        // Without start-punch runners the list ends after its last class.
        const QString plain = path(QStringLiteral("byclass-plain.pdf"));
        QVERIFY(renderStartListByClassPDF(race, people, race.classes, courses, {}, plain).ok);
        QCOMPARE(pdftest::info(plain).pages, 1);
    }

    void gridPages()
    {
        Race race;
        race.name = QStringLiteral("Grid");
        QList<RaceClass> classes;
        QList<Participant> people;
        for (int i = 8; i >= 1; --i) {
            classes.append(raceClass(QStringLiteral("c%1").arg(i), QStringLiteral("H%1").arg(i)));
            people.append(runner(QStringLiteral("R%1").arg(i), QStringLiteral("X"),
                QStringLiteral("c%1").arg(i), local(10, i % 2)));
        }
        people.append(
            runner(QStringLiteral("Also"), QStringLiteral("One"), QStringLiteral("c1"), local(10, 1)));
        classes.append(raceClass(QStringLiteral("empty"), QStringLiteral("D99")));
        const QString file = path(QStringLiteral("grid.pdf"));
        const auto result = renderStartListGridPDF(race, people, classes, file);
        QVERIFY2(result.ok, qPrintable(result.error));
        const auto info = pdftest::info(file);
        QCOMPARE(info.pages, 2);
        QCOMPARE(info.pageSize, QSizeF(842, 595));
        const QStringList first = pdftest::lines(pdftest::text(file, 1));
        QCOMPARE(first.mid(0, 3),
            (QStringList {"Grid", "Start List (Grid) — page 1 of 2", "Time H1 H2 H3 H4 H5 H6 H7"}));
        QCOMPARE(first.at(3), QStringLiteral("10:00 R2 X R4 X R6 X"));
        QCOMPARE(first.at(4), QStringLiteral("10:01 Also One, R1 X R3 X R5 X R7 X"));
        const QStringList second = pdftest::lines(pdftest::text(file, 2));
        QCOMPARE(second.mid(1, 4),
            (QStringList {"Start List (Grid) — page 2 of 2", "Time H8", "10:00 R8 X", "10:01"}));
    }

    void gridWithoutStartTimesIsOneBlankPage()
    {
        const QString file = path(QStringLiteral("grid-empty.pdf"));
        QVERIFY(renderStartListGridPDF(
            Race {}, {runner(QStringLiteral("A"), QStringLiteral("B"), {}, {})}, {}, file)
                    .ok);
        QCOMPARE(pdftest::info(file).pages, 1);
        QVERIFY(pdftest::lines(pdftest::text(file)).isEmpty());
    }

    void danishCaptions()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&danish);
        const QString file = path(QStringLiteral("chrono-da.pdf"));
        const bool ok = renderStartListPDF(
            Race {}, {runner(QStringLiteral("Anna"), QStringLiteral("Berg"), {}, {})}, {}, file)
                            .ok;
        LocalizationManager::setShared(&m_out.english());
        QVERIFY(ok);
        const QStringList lines = pdftest::lines(pdftest::text(file));
        QCOMPARE(lines.at(1), QStringLiteral("Startliste"));
        QCOMPARE(lines.at(2), QStringLiteral("Tid Navn Klasse Klub Brik"));
        QCOMPARE(lines.at(3), QStringLiteral("— Anna Berg Ingen klasse 7Ann"));
    }

    void hostileInputGivesReadableFiles()
    {
        Race race;
        race.name = QStringLiteral("<script>\x01\x02</script> ") + QChar(0xD800);
        race.activeStageId = QStringLiteral("s");
        race.stages = {Stage {QStringLiteral("s"), QStringLiteral("\n\t"), QDateTime(), 0},
            Stage {QStringLiteral("t"), QStringLiteral("T"), QDateTime(), 1}};
        RaceClass cls = raceClass(QStringLiteral("c"), QStringLiteral("עברית 🏃 \x07"), QStringLiteral("k"));
        cls.stageStartMethods = StageMap<StartMethod> {{QStringLiteral("s"), StartMethod::StartPunch}};
        race.classes = {cls};
        Course k = course(QStringLiteral("k"), 3, qInf());
        QList<Participant> people;
        for (int i = 0; i < 120; ++i)
            people.append(runner(QStringLiteral("مرحبا%1").arg(i), QStringLiteral("\x1b[0m"),
                QStringLiteral("c"), local(9, i % 60), QString(200, QChar(0x0416))));
        const QString chrono = path(QStringLiteral("hostile-chrono.pdf"));
        const QString byClass = path(QStringLiteral("hostile-byclass.pdf"));
        const QString grid = path(QStringLiteral("hostile-grid.pdf"));
        QVERIFY(renderStartListPDF(race, people, race.classes, chrono).ok);
        QVERIFY(renderStartListByClassPDF(race, people, race.classes, {k}, people, byClass).ok);
        QVERIFY(renderStartListGridPDF(race, people, race.classes, grid).ok);
        QCOMPARE(pdftest::info(chrono).pages, 3);
        QVERIFY(pdftest::info(byClass).pages >= 4);
        QCOMPARE(pdftest::info(grid).pages, 2);
        QVERIFY(pdftest::text(byClass).contains(QStringLiteral("3 controls · 120 contestant(s)")));
    }

    void unwritableTargetIsReported()
    {
        const QString bad = path(QStringLiteral("missing/dir/list.pdf"));
        QVERIFY(!renderStartListPDF(Race {}, {}, {}, bad).ok);
        QVERIFY(!renderStartListByClassPDF(Race {}, {}, {}, {}, {}, bad).ok);
        const auto grid = renderStartListGridPDF(Race {}, {}, {}, bad);
        QVERIFY(!grid.ok);
        QVERIFY(!grid.error.isEmpty());
    }
};

QTEST_MAIN(TestStartListPdfs)
#include "tst_startlistpdfs.moc"
