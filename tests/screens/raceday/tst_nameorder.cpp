// Every list the organiser reads in name order sorts the names of the application's language:
// the Status list, ties and class groups of the results, the recent results, the corrections'
// course menu, the courses screen and class names.

#include "casetable.h"
#include "classorder.h"
#include "localization.h"
#include "nameorder.h"
#include "outstandingrunners.h"
#include "racedayresults.h"
#include "resultcorrections.h"
#include "resultselection.h"
#include "setuplists.h"
#include "storeharness.h"

#include <QStandardPaths>
#include <QTest>

namespace {

Participant runner(const QString &fullName, const QString &classId)
{
    Participant p;
    p.id = QUuid::createUuid();
    const qsizetype space = fullName.indexOf(u' ');
    p.givenName = space < 0 ? fullName : fullName.left(space);
    p.familyName = space < 0 ? QString() : fullName.mid(space + 1);
    p.classId = classId;
    return p;
}

PersonResult resultOf(const Participant &p, std::optional<double> time, int minute)
{
    PersonResult r;
    r.id = QUuid::createUuid();
    r.participantId = p.id;
    r.raceTime = time;
    r.readAt = QDateTime(QDate(2025, 6, 14), QTime(10, minute), Qt::UTC);
    return r;
}

} // namespace

class TestNameOrder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void listed_data() { casetable::load("raceday/name-order.tsv"); }
    void listed()
    {
        QFETCH(QStringList, cells);
        LocalizationManager language {QStringList {cells[0]}};
        language.setLanguageCode(cells[0]);
        LocalizationManager::setShared(&language);
        const QString list = cells[1];
        const QStringList given = cells[2].split(u'|');
        QStringList shown;
        Race race;
        if (list == u"names") {
            shown = given;
            std::stable_sort(shown.begin(), shown.end(), nameLess);
        } else if (list == u"classes") {
            for (const QString &name : given)
                race.classes.append(RaceClass {.id = name, .name = name});
            std::stable_sort(race.classes.begin(), race.classes.end(), compareClassNames);
            for (const RaceClass &c : race.classes)
                shown.append(c.name);
        } else if (list == u"status") {
            for (const QString &name : given)
                race.participants.append(runner(name, QStringLiteral("c")));
            for (qsizetype i : participantNameOrder(race.participants))
                shown.append(outstandingNameLine(race.participants.at(i)));
        } else if (list == u"ties") {
            // No runner has a time: the group orders them by name alone.
            race.classes.append(RaceClass {.id = QStringLiteral("h21"), .name = QStringLiteral("H21")});
            for (const QString &name : given) {
                race.participants.append(runner(name, QStringLiteral("h21")));
                race.results.append(resultOf(race.participants.last(), std::nullopt, 0));
            }
            const QList<ClassResults> groups = resultsForClass(race, {});
            QCOMPARE(groups.size(), 1);
            for (const PersonResult *r : groups.first().results)
                shown.append(displayName(race, *r));
        } else if (list == u"groups" || list == u"recent") {
            int minute = 0;
            for (const QString &name : given) {
                race.classes.append(RaceClass {.id = name, .name = name});
                race.participants.append(runner(QStringLiteral("Runner ") + name, name));
                race.results.append(resultOf(race.participants.last(), 600.0, minute++));
            }
            if (list == u"groups") {
                for (const ClassResults &g : resultsForClass(race, {}))
                    shown.append(g.className);
            } else {
                for (const RecentResultGroup &g : recentResultGroups(race))
                    shown.append(g.title);
            }
        } else if (list == u"courses menu" || list == u"courses") {
            for (const QString &name : given)
                race.courses.append(Course {.id = name, .name = name});
            if (list == u"courses") {
                for (const Course &c : visibleCourses(race).sorted)
                    shown.append(c.name);
            } else {
                StoreHarness harness;
                harness.backgroundAutosave = false;
                auto store = harness.makeStore(race);
                const ResultCorrections corrections(store.get());
                for (const Course &c : corrections.changeCourseCandidates())
                    shown.append(c.name);
            }
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown list ") + list));
        }
        QCOMPARE(shown.join(u'|'), cells[3]);
    }
};

QTEST_GUILESS_MAIN(TestNameOrder)
#include "tst_nameorder.moc"
