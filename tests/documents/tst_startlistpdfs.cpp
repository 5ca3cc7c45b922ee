#include "documentfixtures.h"
#include "localization.h"
#include "pdftestsupport.h"
#include "racejson.h"
#include "startlistpdfs.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

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

    // Each event under documents/startlists/ printed as the three start lists, each read back
    // against its golden text <event>-chrono.txt, <event>-by-class.txt and <event>-grid.txt. The
    // entries of a start-punch class form the by-class list's start-punch block (the caller's
    // choice, not the renderer's). A new case is a new event file.
    void startLists_data() { documenttest::loadEventFiles("documents/startlists"); }
    void startLists()
    {
        QFETCH(QString, event);
        QString error;
        const std::optional<Race> race = documenttest::readEvent(event, &error);
        QVERIFY2(race, qPrintable(error));
        QList<Participant> timed, punchers;
        for (const Participant &p : race->participants) {
            const auto cls = std::find_if(race->classes.begin(), race->classes.end(),
                [&](const RaceClass &c) { return p.classId == c.id; });
            const bool punch = cls != race->classes.end() && cls->startMethod == StartMethod::StartPunch;
            (punch ? punchers : timed).append(p);
        }
        const QString name = QFileInfo(event).baseName();
        const QString chrono = path(name + QStringLiteral("-chrono.pdf"));
        QVERIFY(renderStartListPDF(*race, timed, race->classes, chrono).ok);
        VERIFY_PDF_GOLDEN(chrono, QStringLiteral("startlists/") + name + QStringLiteral("-chrono"));
        const QString byClass = path(name + QStringLiteral("-by-class.pdf"));
        QVERIFY(renderStartListByClassPDF(*race, timed, race->classes, race->courses, punchers, byClass).ok);
        VERIFY_PDF_GOLDEN(byClass, QStringLiteral("startlists/") + name + QStringLiteral("-by-class"));
        const QString grid = path(name + QStringLiteral("-grid.pdf"));
        QVERIFY(renderStartListGridPDF(*race, timed, race->classes, grid).ok);
        VERIFY_PDF_GOLDEN(grid, QStringLiteral("startlists/") + name + QStringLiteral("-grid"));
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
        VERIFY_PDF_GOLDEN(file, "pdf/startlist-da");
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
