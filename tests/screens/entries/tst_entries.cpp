// The participant editor and the start-list sheets: card-number checks, course and per-stage
// pickers, and the entries-per-class and preference rows, from case tables.

#include "casetable.h"
#include "participanteditor.h"
#include "racelookup.h"
#include "startsheets.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QList<RaceClass> testClasses()
{
    QList<RaceClass> classes;
    for (const char *id : {"h21", "d10", "d21", "h9", "h10"})
        classes.append(RaceClass {.id = id, .name = QString::fromLatin1(id).toUpper()});
    return classes;
}

// "h21/d21" -> base class and stage S1's class; "-" none.
void putClasses(Participant &p, const QString &classes)
{
    const QStringList parts = classes.split(QLatin1Char('/'));
    if (parts.at(0) != QLatin1String("-"))
        p.classId = parts.at(0);
    if (parts.size() > 1 && parts.at(1) != QLatin1String("-"))
        p.classIdByStage = StageMap<QString> {{QStringLiteral("S1"), parts.at(1)}};
}

std::optional<StartTimePreference> preferenceOf(const QString &text)
{
    if (text == QLatin1String("early"))
        return StartTimePreference::Early;
    if (text == QLatin1String("late"))
        return StartTimePreference::Late;
    return std::nullopt;
}

Race raceWith(const QString &activeStage)
{
    Race race;
    race.classes = testClasses();
    race.stages = {Stage {QStringLiteral("S1"), QStringLiteral("Day 1"), {}, 0}};
    if (activeStage != QLatin1String("-"))
        race.activeStageId = activeStage;
    return race;
}

} // namespace

class TestEntries : public QObject
{
    Q_OBJECT
private slots:
    void cardNumber_data() { casetable::load("entries/card_numbers.tsv"); }
    void cardNumber()
    {
        QFETCH(QStringList, cells);
        ParticipantEditorViewModel vm;
        QSet<QString> others;
        for (const QString &n : cells.at(0).split(QLatin1Char('|'), Qt::SkipEmptyParts))
            others.insert(n);
        Participant p;
        p.givenName = QStringLiteral(" Ann ");
        p.cardNumber = QStringLiteral("4000010");
        p.isRentalCard = true;
        vm.edit(p, {}, {}, {}, others);
        vm.setCardNumber(cells.at(1));
        QSignalSpy saved(&vm, &ParticipantEditorViewModel::saved);
        QCOMPARE(vm.canSave(), cells.at(2) == QLatin1String("yes"));
        const QString warning = cells.at(3) == QLatin1String("duplicate")
            ? QStringLiteral("This card number is already assigned to another participant.")
            : cells.at(3) == QLatin1String("blank") ? QStringLiteral("The card number is blank.")
            : cells.at(3) == QLatin1String("range")
            ? QStringLiteral("No SportIdent card has the number %1: card numbers go up to 16,777,215.")
                  .arg(cardNumberWithoutSpaces(cells.at(1)))
            : cells.at(3) == QLatin1String("zero")
            ? QStringLiteral("No SportIdent card has the number 0. Type the number printed on the card.")
            : cells.at(3) == QLatin1String("digits")
            ? QStringLiteral("A card number is digits only; \"%1\" holds other characters. Type the number "
                             "printed on the card.")
                  .arg(cells.at(1).trimmed().replace(QChar(u'\u0007'), u' ')) // shown as a blank
            : QString();
        QCOMPARE(vm.cardWarning(), warning);
        vm.saveOnSubmit();
        QCOMPARE(saved.size(), cells.at(2) == QLatin1String("yes") ? 1 : 0);
        if (!saved.isEmpty()) {
            QCOMPARE(vm.result().cardNumber, cells.value(4));
            QCOMPARE(vm.result().givenName, QStringLiteral(" Ann "));
            QCOMPARE(vm.result().isRentalCard,
                cells.value(5) == u"kept" ? std::optional<bool>(true) : std::optional<bool>());
            QVERIFY(!vm.isOpen());
        }
    }

    void nameFields_data() { casetable::load("entries/editor-names.tsv"); }
    void nameFields()
    {
        QFETCH(QStringList, cells);
        const QString typed = casetable::withLength(cells.at(1));
        ParticipantEditorViewModel vm;
        vm.edit(Participant(), {}, {}, {}, {});
        vm.setCardNumber(QStringLiteral("8001234"));
        QVERIFY(vm.canSave());
        if (cells.at(0) == u"given")
            vm.setGivenName(typed);
        else if (cells.at(0) == u"family")
            vm.setFamilyName(typed);
        else
            vm.setClub(typed);
        const bool saves = cells.at(2) == u"yes";
        QCOMPARE(vm.canSave(), saves);
        const QString warning = cells.at(3) == u"control"
            ? QStringLiteral("A name cannot hold a line break, a tab or another control character.")
            : cells.at(3) == u"long"
            ? QStringLiteral("A name is at most 200 characters long; this one has %1.").arg(typed.size())
            : QString();
        // Under the field that holds it, and only there.
        QCOMPARE(vm.givenNameWarning(), cells.at(0) == u"given" ? warning : QString());
        QCOMPARE(vm.familyNameWarning(), cells.at(0) == u"family" ? warning : QString());
        QCOMPARE(vm.clubWarning(), cells.at(0) == u"club" ? warning : QString());
        // Kept as typed, refused or not.
        QCOMPARE(cells.at(0) == u"given"   ? vm.givenName()
                : cells.at(0) == u"family" ? vm.familyName()
                                           : vm.club(),
            typed);
        QSignalSpy saved(&vm, &ParticipantEditorViewModel::saved);
        vm.saveOnSubmit();
        vm.save();
        QCOMPARE(saved.size(), saves ? 1 : 0);
        QCOMPARE(vm.isOpen(), !saves);
        if (saves) {
            const Participant p = vm.result();
            QCOMPARE(cells.at(0) == u"given"   ? p.givenName
                    : cells.at(0) == u"family" ? p.familyName
                                               : p.club.value_or(QString()),
                typed);
        }
    }

    void coursePickers()
    {
        QList<RaceClass> classes = testClasses();
        classes[0].mode = RaceClassMode::CourseFamily; // H21: family mode, no family: every course
        classes[1].courseFamily = QStringLiteral("B"); // D10: no mode, family B
        classes[2].mode = RaceClassMode::SingleCourse; // D21
        classes[2].courseFamily = QStringLiteral("B");
        QList<Course> courses;
        for (const char *course : {"c10:B10:B", "c2:B2:B", "ca:A1:A", "cb:b1:B"}) {
            const QStringList f = QString::fromLatin1(course).split(QLatin1Char(':'));
            courses.append(Course {.id = f.at(0), .name = f.at(1), .courseFamily = f.at(2)});
        }
        const QList<Stage> stages
            = {Stage {"S2", "Day 2", {}, 2}, Stage {"S1a", "Day 1a", {}, 1}, Stage {"S1b", "Day 1b", {}, 1}};
        Participant p;
        p.classId = QStringLiteral("d21");
        p.courseId = QStringLiteral("ca");
        ParticipantEditorViewModel vm;
        vm.edit(p, classes, courses, stages, {});
        QCOMPARE(vm.classLabel(), QStringLiteral("Base class"));
        QVERIFY(!vm.showsCourseOverride());

        auto names = [](const QVariantList &rows) {
            QStringList out;
            for (const QVariant &r : rows)
                out.append(r.toMap().value("name").toString());
            return out;
        };
        QCOMPARE(names(vm.classOptions()), QStringList({"None", "D10", "D21", "H9", "H10", "H21"}));
        QCOMPARE(names(vm.stageBlocks()), QStringList({"Day 1a", "Day 1b", "Day 2"}));

        vm.setClassIndex(5); // H21: every course, natural name order
        QVERIFY(vm.showsCourseOverride());
        QCOMPARE(names(vm.courseOptions()), QStringList({"(Class default)", "A1", "b1", "B2", "B10"}));
        QCOMPARE(vm.courseIndex(), 1);
        vm.setClassIndex(1); // D10: family B only
        QCOMPARE(names(vm.courseOptions()), QStringList({"(Class default)", "b1", "B2", "B10"}));
        // A course outside the family shows no selection and stays stored.
        QCOMPARE(vm.courseIndex(), -1);
        QCOMPARE(vm.result().courseId, std::optional<QString>("ca"));

        // Stage Day 1a on the single-course class: no course picker there.
        vm.setStageClassIndex(QStringLiteral("S1a"), 2);
        QVERIFY(!vm.stageBlocks().at(0).toMap().value("showsCourse").toBool());
        QVERIFY(vm.stageBlocks().at(1).toMap().value("showsCourse").toBool());
        vm.setStageClassIndex(QStringLiteral("S1a"), 0);
        QCOMPARE(vm.result().classIdByStage, std::optional<StageMap<QString>>(StageMap<QString>()));
        vm.setStageCourseIndex(QStringLiteral("S2"), 2);
        QCOMPARE(vm.result().courseIdByStage->value("S2"), QStringLiteral("c2"));
        vm.setStageCourseIndex(QStringLiteral("S2"), 0);
        QVERIFY(vm.result().courseIdByStage->isEmpty());
    }

    // A change of the base class moves the stages an import gave the old class; a stage set to
    // another class stays, and the editor names it. A family course goes where the class no longer
    // chooses by family; a course of no family is the organiser's and stays.
    void classChangeReachesEveryDay()
    {
        QList<RaceClass> classes;
        for (const char *c : {"h45:H45:", "h50:H50:", "d45:D45:", "long:D21:Long", "short:D20:Short"}) {
            const QStringList f = QString::fromLatin1(c).split(QLatin1Char(':'));
            RaceClass raceClass {.id = f.at(0), .name = f.at(1)};
            if (!f.at(2).isEmpty()) {
                raceClass.mode = RaceClassMode::CourseFamily;
                raceClass.courseFamily = f.at(2);
            }
            classes.append(raceClass);
        }
        const QList<Course> courses = {Course {.id = "l1", .name = "L1", .courseFamily = "Long"},
            Course {.id = "s1", .name = "S1", .courseFamily = "Short"}, Course {.id = "k", .name = "K"}};
        const QList<Stage> stages
            = {Stage {"S1", "Day 1", {}, 1}, Stage {"S2", "Day 2", {}, 2}, Stage {"S3", "Day 3", {}, 3}};
        const auto pick = [](ParticipantEditorViewModel &vm, const QString &name) {
            const QVariantList options = vm.classOptions();
            for (int i = 0; i < options.size(); ++i) {
                if (options.at(i).toMap().value("name").toString() == name)
                    vm.setClassIndex(i);
            }
        };

        Participant ib;
        ib.classId = QStringLiteral("h45");
        ib.classIdByStage = StageMap<QString> {{"S1", "h45"}, {"S2", "d45"}};
        ParticipantEditorViewModel vm;
        vm.edit(ib, classes, courses, stages, {});
        QCOMPARE(vm.ownStageClassesText(), QStringLiteral("Stays in its own class on Day 2 (D45)"));
        pick(vm, QStringLiteral("H50"));
        QCOMPARE(vm.result().classId, QStringLiteral("h50"));
        QCOMPARE(vm.result().classIdByStage, (StageMap<QString> {{"S2", "d45"}}));
        QCOMPARE(vm.ownStageClassesText(), QStringLiteral("Stays in its own class on Day 2 (D45)"));
        vm.setStageClassIndex(QStringLiteral("S2"), 0);
        QCOMPARE(vm.ownStageClassesText(), QString());

        Participant eva;
        eva.classId = QStringLiteral("long");
        eva.courseId = QStringLiteral("l1");
        eva.classIdByStage = StageMap<QString> {{"S2", "long"}, {"S3", "short"}};
        eva.courseIdByStage = StageMap<QString> {{"S1", "l1"}, {"S2", "l1"}, {"S3", "s1"}};
        vm.edit(eva, classes, courses, stages, {});
        // Another family: the courses stay, shown unselected.
        pick(vm, QStringLiteral("D20"));
        QCOMPARE(vm.result().courseId, QStringLiteral("l1"));
        QCOMPARE(vm.result().courseIdByStage, eva.courseIdByStage);
        vm.edit(eva, classes, courses, stages, {});
        pick(vm, QStringLiteral("H45"));
        QCOMPARE(vm.result().courseId, std::nullopt);
        QCOMPARE(vm.result().classIdByStage, (StageMap<QString> {{"S3", "short"}}));
        QCOMPARE(vm.result().courseIdByStage, (StageMap<QString> {{"S3", "s1"}}));
        // A stage's own class change drops that stage's family course.
        const QVariantList stageOptions = vm.stageClassOptions();
        for (int i = 0; i < stageOptions.size(); ++i) {
            if (stageOptions.at(i).toMap().value("name").toString() == QLatin1String("H50"))
                vm.setStageClassIndex(QStringLiteral("S3"), i);
        }
        QCOMPARE(vm.result().classIdByStage, (StageMap<QString> {{"S3", "h50"}}));
        QCOMPARE(vm.result().courseIdByStage, (StageMap<QString>()));

        Participant own;
        own.classId = QStringLiteral("long");
        own.courseId = QStringLiteral("k");
        vm.edit(own, classes, courses, stages, {});
        pick(vm, QStringLiteral("H45"));
        QCOMPARE(vm.result().courseId, QStringLiteral("k"));
    }

    void classCounts_data() { casetable::load("entries/class_counts.tsv"); }
    void classCounts()
    {
        QFETCH(QStringList, cells);
        Race race = raceWith(cells.at(0));
        for (const QString &classes : cells.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            Participant p;
            putClasses(p, classes);
            race.participants.append(p);
        }
        const auto rows = classEntryCountOrder(classEntryCounts(race),
            cells.at(2) == QLatin1String("class") ? EntryCountSortField::ClassName
                                                  : EntryCountSortField::Count,
            cells.at(3) == QLatin1String("yes"));
        QStringList shown;
        for (const ClassEntryCount &row : rows)
            shown.append(row.className + QLatin1Char(' ') + QString::number(row.count));
        QCOMPARE(shown.join(QLatin1Char('|')), cells.value(4));
    }

    void preferences_data() { casetable::load("entries/preferences.tsv"); }
    void preferences()
    {
        QFETCH(QStringList, cells);
        Race race = raceWith(cells.at(0));
        for (const QString &classes : cells.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList f = classes.split(QLatin1Char(':'));
            Participant p;
            p.givenName = f.at(0);
            putClasses(p, f.at(1));
            const QStringList prefs = f.at(2).split(QLatin1Char('/'));
            p.startTimePreference = preferenceOf(prefs.at(0));
            if (prefs.size() > 1 && preferenceOf(prefs.at(1)))
                p.startTimePreferenceByStage
                    = StageMap<StartTimePreference> {{"S1", *preferenceOf(prefs.at(1))}};
            race.participants.append(p);
        }
        QStringList shown;
        for (const PreferenceRow &row : preferenceRows(race))
            shown.append(row.name + "/" + row.className + "/"
                + (row.preference == StartTimePreference::Early ? "E" : "L"));
        QCOMPARE(shown.join(QLatin1Char('|')), cells.value(2));
    }
};

QTEST_GUILESS_MAIN(TestEntries)
#include "tst_entries.moc"
