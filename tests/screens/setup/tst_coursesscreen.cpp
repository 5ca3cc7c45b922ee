// The courses screen's view-models without rendering: the editor's Save against
// tests/data/setup/course-editor.tsv, the row texts against course-rows.tsv, family groups and
// their order, stage switching, deleting a course classes use, and every broken file in
// tests/data/setup/bad-imports/ refused with the store's reason and the event file left as it was.

#include "courseeditor.h"
#include "coursesscreen.h"
#include "setuptesting.h"
#include "testevent.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QScopeGuard>

namespace {

struct Screen : ScreenRig<CoursesScreen>
{
    using ScreenRig::ScreenRig;
    QStringList titles()
    {
        QStringList out;
        for (const auto &row : screen.rows()->rows())
            out.append(row.kind.left(1) + QLatin1Char(':') + row.title);
        return out;
    }
};

std::optional<double> number(const QString &text)
{
    return text == QLatin1String("-") ? std::nullopt : std::optional(text.toDouble());
}

} // namespace

class TestCoursesScreen : public QObject
{
    Q_OBJECT
private slots:
    // A course or family name with a line break, a control character or too long is not saved.
    void typedNames_data() { casetable::load("screens/typed-names.tsv"); }
    void typedNames()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool refused = cells[1] == u"yes";
        for (const bool family : {false, true}) {
            CourseEditor editor(makeCourse(QStringLiteral("k1"), QStringLiteral("A")));
            std::optional<Course> saved;
            editor.onSave = [&](const Course &c) { saved = c; };
            family ? editor.setFamily(name) : editor.setName(name);
            editor.save();
            QCOMPARE(saved.has_value(), !refused);
            QCOMPARE(editor.problem().isEmpty(), !refused);
            if (saved)
                QCOMPARE(family ? saved->courseFamily.value_or(QString()) : saved->name, name);
        }
    }

    void editorSave_data() { loadTable(QStringLiteral("course-editor.tsv")); }
    void editorSave()
    {
        QFETCH(QStringList, row);
        Course course = makeCourse(QStringLiteral("k1"), QStringLiteral("Score"));
        course.controls = {CourseControl {QUuid::createUuid(), 31, 0, 7}};
        course.lengthMeters = 4200;
        CourseEditor editor(course);
        std::optional<Course> saved;
        editor.onSave = [&](const Course &c) { saved = c; };
        editor.setRogaining(row.at(0) == QLatin1String("on"));
        editor.setTimeLimitText(row.at(1));
        editor.setPenaltyText(row.at(2));
        const bool scoreTyped = row.size() > 6;
        if (scoreTyped) {
            editor.setScore(course.controls.at(0).id.toString(QUuid::WithoutBraces), row.at(6));
            const bool scoreRefused = row.at(7) == QLatin1String("refused");
            QCOMPARE(editor.problem().isEmpty(), !scoreRefused);
            if (scoreRefused)
                row[7] = QStringLiteral("7");
        }
        editor.save();
        if (row.at(3) == QLatin1String("refused")) {
            QVERIFY(!saved);
            QVERIFY(!editor.problem().isEmpty());
            return;
        }
        QVERIFY(saved);
        QCOMPARE(toText(*saved->type), row.at(3));
        QCOMPARE(saved->timeLimitSeconds, number(row.at(4)));
        QCOMPARE(saved->overtimePenaltyPerMinute,
            number(row.at(5)) ? std::optional(qint64(*number(row.at(5)))) : std::nullopt);
        // Nothing else changes: the controls keep their scores (but one typed), the length stays.
        if (scoreTyped)
            course.controls[0].score = row.at(7).toLongLong();
        QCOMPARE(saved->controls, course.controls);
        QCOMPARE(saved->lengthMeters, course.lengthMeters);
    }

    // The length's decimal sign is the application's locale's, which follows the chosen language.
    void lengthFollowsTheLocale()
    {
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        Course course = makeCourse(QStringLiteral("k"), QStringLiteral("K"));
        course.lengthMeters = 4230;
        QLocale::setDefault(QLocale(QLocale::Danish, QLocale::Denmark));
        QCOMPARE(courseLengthText(course), QStringLiteral("4,2 km"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QCOMPARE(courseLengthText(course), QStringLiteral("4.2 km"));
    }

    void rowTexts_data() { loadTable(QStringLiteral("course-rows.tsv")); }
    void rowTexts()
    {
        QFETCH(QStringList, row);
        Course course = makeCourse(QStringLiteral("k"), QStringLiteral("K"));
        course.type = courseTypeFromText(row.at(0));
        if (row.at(1) != QLatin1String("-")) {
            for (const QString &control : row.at(1).split(QLatin1Char(','))) {
                const QStringList parts = control.split(QLatin1Char(':'));
                course.controls.append(CourseControl {QUuid::createUuid(), parts.at(0).toLongLong(), 0,
                    parts.size() > 1 ? std::optional(parts.at(1).toLongLong()) : std::nullopt});
            }
        }
        course.timeLimitSeconds = number(row.at(2));
        course.overtimePenaltyPerMinute
            = number(row.at(3)) ? std::optional(qint64(*number(row.at(3)))) : std::nullopt;
        course.lengthMeters = number(row.at(4));
        QCOMPARE(rogainingSummaryText(course), row.at(5));
        QCOMPARE(controlCountText(course), row.at(6));
        // A course listed with these values opens in the editor without failing.
        CourseEditor editor(course);
        QVERIFY(editor.controls().size() == course.controls.size());
    }

    void editorControls()
    {
        Course fresh = makeCourse(QStringLiteral("k"), QStringLiteral("New Course"));
        CourseEditor editor(fresh);
        QCOMPARE(editor.title(), QStringLiteral("Add Course"));
        editor.setRogaining(true);
        for (int i = 0; i < 3; ++i)
            editor.addControl();
        QCOMPARE(editor.title(), QStringLiteral("Edit Course"));
        const QString second = editor.controls().at(1).toMap().value(QStringLiteral("id")).toString();
        editor.removeControl(second);
        editor.addControl();
        QList<qint64> orders;
        for (const CourseControl &c : editor.course().controls)
            orders.append(c.order);
        QCOMPARE(orders, QList<qint64>({0, 2, 3}));
        QCOMPARE(editor.course().controls.first().score, 0);
        const QString first = editor.controls().at(0).toMap().value(QStringLiteral("id")).toString();
        editor.setCode(first, QStringLiteral("31x"));
        editor.setCode(first, QStringLiteral("131"));
        editor.setScore(first, QStringLiteral("-4"));
        QVERIFY(!editor.problem().isEmpty());
        editor.setScore(first, QStringLiteral("40"));
        QCOMPARE(editor.course().controls.first().code, 131);
        QCOMPARE(editor.course().controls.first().score, 40);
        editor.setFamily(QStringLiteral(" "));
        QCOMPARE(editor.course().courseFamily, QStringLiteral(" "));
        editor.setFamily(QString());
        QCOMPARE(editor.course().courseFamily, std::nullopt);
    }

    void familiesAndOrder()
    {
        // Courses "Course 10", "course 2", "Course 1"; L2 and L1 of family Long, l1 of family long,
        // E of the empty family.
        Screen s(testEvent(QStringLiteral("setup/courses-families.json")));
        QAbstractItemModelTester tester(s.screen.rows());
        QStringList titles = s.titles();
        // "Long" and "long" compare equal: their order is not fixed.
        titles.replace(
            titles.indexOf(QStringLiteral("f:long (1 variants)")), QStringLiteral("f:Long (2 variants)"));
        QCOMPARE(titles,
            QStringList({"c:Course 1", "c:course 2", "c:Course 10", "f: (1 variants)", "f:Long (2 variants)",
                "f:Long (2 variants)"}));
        s.screen.toggleFamily(QStringLiteral("Long"));
        QVERIFY(s.titles().contains(QStringLiteral("v:L1")));
        QCOMPARE(s.titles().indexOf(QStringLiteral("v:L1")) + 1, s.titles().indexOf(QStringLiteral("v:L2")));
        QVERIFY(s.screen.rows()->rows().at(1).striped && !s.screen.rows()->rows().at(2).striped);
    }

    void stagesAndAdding()
    {
        Race race;
        race.stages = threeStages();
        race.activeStageId = QStringLiteral("s2");
        race.courses = {makeCourse(QStringLiteral("a"), QStringLiteral("Shared")),
            makeCourse(QStringLiteral("b"), QStringLiteral("Day 1 only"), {}, QStringLiteral("s1"))};
        Screen s(race);
        QCOMPARE(s.titles(), QStringList({"c:Shared"}));
        s.screen.addCourse();
        s.screen.editor()->cancel();
        QVERIFY(!s.screen.editor());
        QCOMPARE(s.store->race().courses.size(), 2);
        s.screen.addCourse();
        QCOMPARE(s.screen.editor()->course().stageId, QStringLiteral("s2"));
        s.screen.editor()->setName(QStringLiteral("Sprint"));
        s.screen.editor()->save();
        QCOMPARE(s.titles(), QStringList({"c:Shared", "c:Sprint"}));
        QCOMPARE(s.store->race().courses.last().type, CourseType::Sequential);
        // Through the meta-object, as the stage picker calls it.
        QVERIFY(QMetaObject::invokeMethod(&s.screen, "selectStage", Q_ARG(QString, QStringLiteral("s1"))));
        QCOMPARE(s.titles(), QStringList({"c:Day 1 only", "c:Shared"}));
        Race inactive = s.store->race();
        inactive.activeStageId.reset();
        inactive.shownStageId.reset();
        s.store->setRace(inactive);
        QCOMPARE(s.titles(), QStringList({"c:Shared"}));
    }

    void deleteCourseUsedByClasses()
    {
        Race race;
        race.courses = {makeCourse(QStringLiteral("a"), QStringLiteral("Long")),
            makeCourse(QStringLiteral("b"), QStringLiteral("Short"))};
        RaceClass c = makeClass(QStringLiteral("h21"), QStringLiteral("H21"));
        c.courseId = QStringLiteral("a");
        race.classes = {c};
        Screen s(race);
        s.screen.confirmDeleteCourse(QStringLiteral("a"));
        QVERIFY(s.screen.confirmingDelete());
        s.screen.cancelDelete();
        QCOMPARE(s.store->race().courses.size(), 2);
        s.screen.confirmDeleteCourse(QStringLiteral("a"));
        s.screen.deletePendingCourse();
        QVERIFY(!s.screen.confirmingDelete());
        QCOMPARE(s.store->race().courses.size(), 1);
        QCOMPARE(s.store->race().classes.at(0).courseId, QStringLiteral("a"));
        QCOMPARE(s.screen.changeSummary(), QStringLiteral("Deleted \"Long\"; 1 classes still refer to it."));
        s.screen.deleteAllCourses();
        QVERIFY(s.store->race().courses.isEmpty());
        QVERIFY(!s.screen.canDeleteAll());
        QCOMPARE(s.screen.changeSummary(),
            QStringLiteral("Deleted 1 courses; 1 classes still refer to a deleted course."));
    }

    void importedAndRefusedFiles()
    {
        Screen s {Race()};
        const QString eventFile = s.harness.path(QStringLiteral("event.json"));
        QVERIFY(s.store->save(QUrl::fromLocalFile(eventFile)));
        s.screen.importCourses(
            QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/CourseData_Individual_Step2.xml")));
        QCOMPARE(s.screen.importError(), QString());
        QCOMPARE(s.screen.changeSummary(),
            QStringLiteral(
                "Imported: 2 courses added, 0 courses updated, 2 classes added, 0 classes updated."));
        const QByteArray before = StoreHarness::readAll(eventFile);
        const QDir folder(QStringLiteral(VEXLO_TEST_DATA_DIR "/setup/bad-imports"));
        const QStringList files = folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 4);
        for (const QString &name : files) {
            s.screen.importCourses(QUrl::fromLocalFile(folder.filePath(name)));
            QVERIFY2(!s.screen.importError().isEmpty(), qPrintable(name));
            QVERIFY2(!s.screen.importError().contains(QStringLiteral("root:")),
                qPrintable(s.screen.importError()));
            QCOMPARE(s.screen.changeSummary(), QString());
            QCOMPARE(StoreHarness::readAll(eventFile), before);
            QCOMPARE(s.store->race().courses.size(), 2);
        }
        s.screen.importCourses(QUrl(QStringLiteral("https://example.invalid/courses.xml")));
        QVERIFY(s.screen.importError().startsWith(QStringLiteral("Not a local file")));
    }
};

QTEST_GUILESS_MAIN(TestCoursesScreen)
#include "tst_coursesscreen.moc"
