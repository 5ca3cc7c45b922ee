// The start-list view-model on a real store: derived lists of small hand-made events and of the
// generated event, exports with their failures, the IOF round trip, imports of the official and
// hostile start lists, clearing, and the fixed-interval draw.

#include "casetable.h"
#include "documenttestsupport.h"
#include "documenttext.h"
#include "iofstartlistwriter.h"
#include "localization.h"
#include "nameorder.h"
#include "pdftestsupport.h"
#include "perstage.h"
#include "racegenerator.h"
#include "racelookup.h"
#include "startlistviewmodel.h"
#include "starttimeoperations.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

Race screenEvent(const QString &name)
{
    QFile f(QStringLiteral(VEXLO_TEST_DATA_DIR "/startlist/screen/") + name);
    QString error = QStringLiteral("cannot open");
    std::optional<Race> race;
    if (f.open(QIODevice::ReadOnly))
        race = decodeRace(f.readAll(), &error);
    if (!race)
        qFatal("test event %s: %s", qPrintable(name), qPrintable(error));
    return *race;
}

QString name(const Participant &p)
{
    return personDisplayName(p.givenName, p.familyName);
}

QStringList names(const QList<Participant> &runners)
{
    QStringList out;
    for (const Participant &p : runners)
        out.append(name(p));
    return out;
}

QString local(const std::optional<QDateTime> &t, const char *format = "HH:mm:ss")
{
    return t ? t->toLocalTime().toString(QLatin1String(format)) : QStringLiteral("-");
}

QStringList split(const QString &cell)
{
    return cell.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

// A planned multi-stage event: the generator's plan for the active stage, applied.
Race plannedEvent(int entries)
{
    RaceGeneratorOptions options;
    options.entries = entries;
    options.classes = 20;
    options.courses = 10;
    options.stages = 2;
    options.withResults = false;
    Race race = generateRace(options);
    StartGeneratorSettings settings;
    settings.windowMinutes = 120;
    settings.slotCapacity = slotCapacityForWindow(entries, settings.windowMinutes);
    settings.seed = 7;
    const auto plan = planStartList(race, QStringLiteral("10:00"), settings, QDate(2025, 5, 17));
    if (!plan || !applyStartPlan(race, *plan))
        qFatal("the generated event could not be planned");
    return race;
}

} // namespace

class TestStartList : public QObject
{
    Q_OBJECT

    StoreHarness h;
    std::unique_ptr<RaceStore> store;
    StartListViewModel vm;
    QTemporaryDir dir;
    LocalizationManager m_language {QStringList {QStringLiteral("en")}};

    void open(const Race &race)
    {
        vm.setStore(nullptr);
        vm.closeImportSheet();
        store = h.makeStore(race);
        vm.setStore(store.get());
        vm.refreshNow();
    }
    void finishImport()
    {
        for (int turns = 0; vm.importIsRunning() && turns < 100000; ++turns)
            QCoreApplication::processEvents();
        QVERIFY(!vm.importIsRunning());
    }
    // The names of a grid cell's runners, which it holds as positions in the start order.
    QStringList cellNames(const QList<qsizetype> &positions) const
    {
        QStringList out;
        for (const qsizetype k : positions)
            out.append(name(vm.lists().runner(vm.lists().scheduled.at(k))));
        return out;
    }
    const Participant *byCard(const QString &card) const
    {
        for (const Participant &p : store->race().participants)
            if (p.cardNumber == card)
                return &p;
        return nullptr;
    }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    // Names and class menus sort in the application's language: English here, whatever the
    // machine's own languages are. Start times are compared as local times: the same zone by hand
    // as under ctest.
    void initTestCase()
    {
        qputenv("TZ", "Europe/Copenhagen");
        tzset();
        QStandardPaths::setTestModeEnabled(true);
        m_language.setLanguage(AppLanguage::English);
        LocalizationManager::setShared(&m_language);
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }
    void init() { h.backgroundAutosave = false; }

    void lists_data() { casetable::load("startlist/screen/lists.tsv"); }
    void lists()
    {
        QFETCH(QStringList, cells);
        Race race = screenEvent(QStringLiteral("two-stages.json"));
        race.activeStageId = cells[0] == QLatin1String("-") ? std::nullopt : std::optional<QString>(cells[0]);
        open(race);
        vm.setDisplayMode(1);
        vm.setFilterClassId(cells[1]);
        vm.setSearchText(cells[2]);
        vm.refreshNow();

        QStringList scheduled;
        QString bands;
        for (const QVariant &row : vm.scheduled()) {
            scheduled.append(row.toMap()[QStringLiteral("name")].toString() + QLatin1Char('@')
                + row.toMap()[QStringLiteral("startTime")].toString());
            bands.append(row.toMap()[QStringLiteral("band")].toBool() ? QLatin1Char('1') : QLatin1Char('0'));
        }
        QCOMPARE(scheduled, split(cells[3]));
        QCOMPARE(bands, cells[4]);
        QCOMPARE(names(vm.lists().participants(vm.lists().unscheduled)), split(cells[5]));
        QCOMPARE(vm.participantCount(), int(scheduled.size() + vm.lists().unscheduled.size()));

        QStringList columns;
        for (const RaceClass &c : vm.gridIndex().classes)
            columns.append(c.id);
        QStringList slotTexts;
        for (qsizetype i = 0; i < vm.gridIndex().timeSlots.size(); ++i)
            slotTexts.append(slotTimeText(vm.gridIndex().timeSlots[i]) + QLatin1Char('=')
                + QString::number(vm.gridIndex().runnerCounts[i]));
        QCOMPARE(
            columns.join(QLatin1Char(',')) + QLatin1Char('|') + slotTexts.join(QLatin1Char(',')), cells[6]);
        QCOMPARE(names(startPunchParticipants(store->race(), vm.lists())), split(cells[7]));
        QCOMPARE(exportStartListFileName(store->race(), StartListExportKind::Xml), cells[8]);
    }

    // Each row's card line, "Card <card> · <class>[ - <course>][ · <club>]", for the stage's class
    // and course of every runner: scheduled rows in start order, then the unscheduled ones.
    void rowLines_data() { casetable::load("startlist/screen/row-lines.tsv"); }
    void rowLines()
    {
        QFETCH(QStringList, cells);
        Race race = screenEvent(QStringLiteral("two-stages.json"));
        race.activeStageId = cells[0] == QLatin1String("-") ? std::nullopt : std::optional<QString>(cells[0]);
        open(race);
        auto lines = [](const QVariantList &rows) {
            QStringList out;
            for (const QVariant &row : rows)
                out.append(row.toMap()[QStringLiteral("cardLine")].toString());
            return out.join(QLatin1Char('|'));
        };
        QCOMPARE(lines(vm.scheduled()), cells[1]);
        QCOMPARE(lines(vm.unscheduled()), cells[2]);
    }

    void gridCells_data() { casetable::load("startlist/screen/grid.tsv"); }
    void gridCells()
    {
        QFETCH(QStringList, cells);
        open(screenEvent(QStringLiteral("grid-event.json")));
        // The view-model is shared with the later tests, which filter nothing.
        const auto unfiltered = qScopeGuard([this] {
            vm.setFilterClassId(QString());
            vm.setSearchText(QString());
        });
        vm.setDisplayMode(1);
        vm.setFilterClassId(cells[0]);
        vm.setSearchText(cells[1]);
        vm.refreshNow();
        const GridIndex &grid = vm.gridIndex();

        QStringList columns;
        for (const RaceClass &c : grid.classes)
            columns.append(c.id);
        QCOMPARE(columns.join(QLatin1Char(',')), cells[2]);
        QStringList cellTexts;
        for (auto it = grid.cells.cbegin(); it != grid.cells.cend(); ++it) {
            const qsizetype bar = it.key().indexOf(QLatin1Char('|'));
            cellTexts.append(slotTimeText(it.key().left(bar).toInt()) + QLatin1Char('/')
                + it.key().mid(bar + 1) + QLatin1Char('=') + cellNames(it.value()).join(QLatin1Char(';')));
        }
        cellTexts.sort();
        QCOMPARE(cellTexts.join(QLatin1Char('|')), cells[3]);
        QStringList counts;
        for (qsizetype i = 0; i < grid.timeSlots.size(); ++i)
            counts.append(
                slotTimeText(grid.timeSlots[i]) + QLatin1Char('=') + QString::number(grid.runnerCounts[i]));
        QCOMPARE(counts.join(QLatin1Char(',')), cells[4]);

        // The rows the grid view reads name each cell's runners in the cell's order.
        QCOMPARE(vm.gridRows().size(), grid.timeSlots.size());
        for (qsizetype r = 0; r < grid.timeSlots.size(); ++r) {
            const QVariantList rowCells = vm.gridRows()[r].toMap()[QStringLiteral("cells")].toList();
            QCOMPARE(rowCells.size(), grid.classes.size());
            for (qsizetype c = 0; c < grid.classes.size(); ++c) {
                QStringList shown;
                QStringList ids;
                for (const QVariant &ref : rowCells[c].toList()) {
                    shown.append(ref.toMap()[QStringLiteral("name")].toString());
                    ids.append(ref.toMap()[QStringLiteral("id")].toString());
                }
                const QList<qsizetype> cell
                    = grid.cells.value(gridCellKey(grid.timeSlots[r], grid.classes[c].id));
                QStringList expectedIds;
                for (const qsizetype k : cell)
                    expectedIds.append(
                        vm.lists().runner(vm.lists().scheduled.at(k)).id.toString(QUuid::WithoutBraces));
                QCOMPARE(shown, cellNames(cell));
                QCOMPARE(ids, expectedIds);
            }
        }
    }

    // The lists name the runners of the race they were made from, whatever becomes of the race
    // afterwards: an export from a screen not yet refreshed writes the runners it shows.
    void listsOutliveTheirRace()
    {
        Race race = screenEvent(QStringLiteral("grid-event.json"));
        const StartListLists lists = startListLists(race, {QString(), QStringLiteral("runner")});
        const QStringList scheduled = names(lists.participants(lists.scheduled));
        QCOMPARE(scheduled, (QStringList {QStringLiteral("Runner 2"), QStringLiteral("Runner 10")}));
        const QStringList filtered = names(lists.participants(lists.filtered));
        race.participants.removeFirst();
        for (Participant &p : race.participants)
            p.givenName = QStringLiteral("Changed");
        QCOMPARE(names(lists.participants(lists.scheduled)), scheduled);
        QCOMPARE(names(lists.participants(lists.filtered)), filtered);
        QCOMPARE(names(exportScheduledParticipants(race, lists)), scheduled);
    }

    void orders_data() { casetable::load("startlist/screen/orders.tsv"); }
    void orders()
    {
        QFETCH(QStringList, cells);
        open(screenEvent(cells[0]));
        const auto unfiltered = qScopeGuard([this] { vm.setSearchText(QString()); });
        vm.setSearchText(cells[1]);
        vm.refreshNow();
        QCOMPARE(names(vm.lists().participants(vm.lists().scheduled)).join(QLatin1Char(',')), cells[2]);
        QCOMPARE(names(vm.lists().participants(vm.lists().unscheduled)).join(QLatin1Char(',')), cells[3]);
    }

    // A search made again after a runner's text or the active stage changed lists what the event
    // holds now, whether the change went through the screen and the store or into a race held by
    // value.
    void searchAfterEdit_data() { casetable::load("startlist/screen/search-edits.tsv"); }
    void searchAfterEdit()
    {
        QFETCH(QStringList, cells);
        const auto edit = [&cells](Participant &p) {
            if (cells[3] == QLatin1String("given"))
                p.givenName = cells[4];
            else if (cells[3] == QLatin1String("family"))
                p.familyName = cells[4];
            else if (cells[3] == QLatin1String("card"))
                p.cardNumber = cells[4];
            else if (cells[4] == QLatin1String("-"))
                p.club.reset();
            else
                p.club = cells[4];
        };
        const StartListFilter filter {QString(), cells[1]};

        const bool stage = cells[3] == QLatin1String("stage");

        open(screenEvent(cells[0]));
        const auto unfiltered = qScopeGuard([this] { vm.setSearchText(QString()); });
        vm.setSearchText(cells[1]);
        vm.refreshNow();
        if (stage) {
            vm.setShownStageId(cells[4]);
        } else {
            const Participant *found = byCard(cells[2]);
            QVERIFY(found);
            Participant changed = *found;
            edit(changed);
            store->updateParticipant(changed);
        }
        vm.refreshNow();
        QCOMPARE(names(vm.lists().participants(vm.lists().scheduled)).join(QLatin1Char(',')), cells[5]);
        QCOMPARE(names(vm.lists().participants(vm.lists().unscheduled)).join(QLatin1Char(',')), cells[6]);

        Race race = screenEvent(cells[0]);
        const StartListLists before = startListLists(race, filter);
        if (stage) {
            race.activeStageId = cells[4];
        } else {
            for (Participant &p : race.participants) {
                if (p.cardNumber == cells[2])
                    edit(p);
            }
        }
        const StartListLists after = startListLists(race, filter);
        QCOMPARE(names(after.participants(after.scheduled)).join(QLatin1Char(',')), cells[5]);
        QCOMPARE(names(after.participants(after.unscheduled)).join(QLatin1Char(',')), cells[6]);
        // The case changes what the search lists.
        QVERIFY(before.filtered != after.filtered);
    }

    // Searches one after another over the same runners, the lists of each checked: a search that
    // reads no cards (a query of card spaces only) may come before one that does.
    void searchesInTurn_data() { casetable::load("startlist/screen/search-turns.tsv"); }
    void searchesInTurn()
    {
        QFETCH(QStringList, cells);
        const Race race = screenEvent(cells[0]);
        for (const QString &step : cells[1].split(QLatin1Char('|'))) {
            const QStringList f = step.split(QLatin1Char('>'));
            QCOMPARE(f.size(), 3);
            const StartListLists lists = startListLists(race, {QString(), f[0]});
            QCOMPARE(names(lists.participants(lists.scheduled)).join(QLatin1Char(',')), f[1]);
            QCOMPARE(names(lists.participants(lists.unscheduled)).join(QLatin1Char(',')), f[2]);
        }
    }

    // Every Latin-1 character inside a name, a club and a card: the search finds a query there
    // exactly where the text, folded whole, holds it.
    void searchOverLatin1()
    {
        for (char16_t c = 1; c < 256; ++c) {
            const QString text = QStringLiteral("x") + QChar(c) + QStringLiteral("Y 1");
            const QString folded = foldedSearchText(text);
            const QString cardDigits = foldedSearchText(cardNumberWithoutSpaces(text));
            Participant named;
            named.familyName = text;
            Participant inClub;
            inClub.club = text;
            Participant withCard;
            withCard.cardNumber = text;
            for (const QString &query :
                {foldedSearchText(QString(QChar(c))), foldedSearchText(QStringLiteral("x") + QChar(c)),
                    QStringLiteral("xy"), QStringLiteral("y 1"), QStringLiteral("1")}) {
                if (query.isEmpty())
                    continue;
                const QString digits = cardNumberWithoutSpaces(query);
                const QByteArray where = QString(QStringLiteral("U+%1 / %2"))
                                             .arg(int(c), 4, 16, QLatin1Char('0'))
                                             .arg(query)
                                             .toUtf8();
                QVERIFY2(matchesSearch(named, query) == folded.contains(query), where.constData());
                QVERIFY2(matchesSearch(inClub, query) == folded.contains(query), where.constData());
                QVERIFY2(matchesSearch(withCard, query) == (!digits.isEmpty() && cardDigits.contains(digits)),
                    where.constData());
            }
        }
    }

    // Runners whose stage maps share their keys' characters (copies), keys in another canonical
    // form than the stage's id, and maps without the active stage: each runner is listed, and
    // scheduled or not, as the model's own reading of its class and start time says.
    void sharedStageKeys()
    {
        Race race = screenEvent(QStringLiteral("search-stages.json"));
        const QList<Participant> originals = race.participants;
        for (int copy = 0; copy < 3; ++copy) {
            for (Participant p : originals) {
                p.id = QUuid::createUuid();
                race.participants.append(p);
            }
        }
        const StartListLists lists = startListLists(race, {});
        QList<qsizetype> shown;
        QList<qsizetype> timed;
        for (qsizetype i = 0; i < race.participants.size(); ++i) {
            if (!effectiveClassId(race, race.participants[i]))
                continue;
            shown.append(i);
            if (scheduledStartTime(race, race.participants[i]))
                timed.append(i);
        }
        QCOMPARE(lists.filtered, shown);
        QCOMPARE(lists.scheduled.size(), timed.size());
        QCOMPARE(lists.unscheduled.size(), shown.size() - timed.size());
        for (qsizetype k = 0; k < lists.scheduled.size(); ++k) {
            const std::optional<QDateTime> t
                = scheduledStartTime(race, race.participants[lists.scheduled[k]]);
            QVERIFY(t);
            QCOMPARE(lists.scheduledRows[k].seconds, secondsOfDay(*t));
            if (k > 0)
                QVERIFY(lists.scheduledRows[k - 1].seconds <= lists.scheduledRows[k].seconds);
        }
        QCOMPARE(timed.size(), 16);
    }

    // The generated event, planned: start order, name order and grid counts against plain counts.
    void generatedEvent()
    {
        open(plannedEvent(2000));
        vm.setDisplayMode(1);
        QSignalSpy rebuilt(&vm, &StartListViewModel::listsChanged);
        vm.setSearchText(QStringLiteral("a"));
        vm.setSearchText(QString());
        store->setParticipantStartTime(store->race().participants[0].id, std::nullopt);
        QVERIFY(vm.isLoadingData());
        QTRY_VERIFY(!vm.isLoadingData() && !vm.isLoadingGridIndex());
        QCOMPARE(rebuilt.count(), 2); // loading shown once, rebuilt once

        const Race &race = store->race();
        int timed = 0;
        int shown = 0;
        for (const Participant &p : race.participants) {
            const bool hasClass = effectiveClassId(race, p).has_value();
            shown += hasClass ? 1 : 0;
            timed += hasClass && scheduledStartTime(race, p) ? 1 : 0;
        }
        QCOMPARE(vm.participantCount(), shown);
        QCOMPARE(vm.lists().scheduled.size(), timed);
        QVERIFY(timed > 1500);
        const QList<Participant> s = vm.lists().participants(vm.lists().scheduled);
        for (qsizetype i = 1; i < s.size(); ++i) {
            const int a = secondsOfDay(*scheduledStartTime(race, s[i - 1]));
            const int b = secondsOfDay(*scheduledStartTime(race, s[i]));
            QVERIFY(a < b || (a == b && compareNames(name(s[i - 1]), name(s[i])) <= 0));
        }
        int inGrid = 0;
        for (int c : vm.gridIndex().runnerCounts)
            inGrid += c;
        QCOMPARE(inGrid, timed);
        QCOMPARE(vm.gridRows().size(), vm.gridIndex().timeSlots.size());
    }

    // Export of a planned stage, validated, imported into a copy with the stage's times cleared:
    // every runner gets the same time back, and one autosave.
    void roundTrip()
    {
        const Race planned = plannedEvent(400);
        open(planned);
        const QString path = dir.filePath(QStringLiteral("round.xml"));
        QVERIFY(vm.exportXml(QUrl::fromLocalFile(path)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        VERIFY_IOF_VALID(file.readAll());

        Race cleared = planned;
        for (Participant &p : cleared.participants)
            p.startTimeByStage.reset();
        open(cleared);
        vm.importStartList(QUrl::fromLocalFile(path));
        QVERIFY(vm.showingImportProgressSheet());
        finishImport();
        QCOMPARE(h.autosaves(), 1);
        int compared = 0;
        for (qsizetype i = 0; i < planned.participants.size(); ++i) {
            const auto before = scheduledStartTime(planned, planned.participants[i]);
            QCOMPARE(scheduledStartTime(store->race(), store->race().participants[i]), before);
            compared += before ? 1 : 0;
        }
        QCOMPARE(vm.importSummary()->applied, compared);
        QCOMPARE(vm.importSummary()->noMatch + vm.importSummary()->dateCorrected, 0);
        vm.closeImportSheet();
        QVERIFY(!vm.showingImportProgressSheet());
    }

    void exportsReportFailure()
    {
        open(screenEvent(QStringLiteral("two-stages.json")));
        const QUrl nowhere = QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing/folder/x.pdf")));
        const QList<bool (StartListViewModel::*)(const QUrl &)> exports {&StartListViewModel::exportXml,
            &StartListViewModel::exportTimeslotPdf, &StartListViewModel::exportByClassPdf,
            &StartListViewModel::exportStartPunchPdf};
        int n = 0;
        for (auto exportTo : exports) {
            QVERIFY(!(vm.*exportTo)(nowhere));
            QVERIFY2(
                vm.exportError().startsWith(QStringLiteral("Export failed: ")), qPrintable(vm.exportError()));
            QVERIFY(!(vm.*exportTo)(QUrl(QStringLiteral("https://127.0.0.1/x.pdf"))));
            // A name without its extension gets it, and the line under the header says where it went.
            const QString name = QStringLiteral("ok%1").arg(++n);
            QVERIFY2((vm.*exportTo)(QUrl::fromLocalFile(dir.filePath(name))), qPrintable(vm.exportError()));
            QVERIFY(vm.exportError().isEmpty());
            const QString written = name + (n == 1 ? QStringLiteral(".xml") : QStringLiteral(".pdf"));
            QVERIFY(QFileInfo(dir.filePath(written)).size() > 0);
            QCOMPARE(vm.statusMessage(), QStringLiteral("Saved ") + written);
        }
        QVERIFY(!QFileInfo::exists(nowhere.toLocalFile()));
        QCOMPARE(h.autosaves(), 0);
    }

    // Each class's line in the by-class and start-punch PDFs names the course that judges the class
    // on the stage: a class's own course tagged for another day does (and shows); a course a
    // forked class held for the day before it chose by family does not.
    void pdfCourseLines()
    {
        Race race;
        race.name = QStringLiteral("Two days");
        race.stages = {Stage {QStringLiteral("day1"), QStringLiteral("Day 1"),
                           QDateTime(QDate(2026, 6, 13), QTime(0, 0)), 1},
            Stage {QStringLiteral("day2"), QStringLiteral("Day 2"),
                QDateTime(QDate(2026, 6, 14), QTime(0, 0)), 2}};
        const auto course = [](const char *id, int controls, double metres, const char *family) {
            Course c {.id = QString::fromLatin1(id), .name = QString::fromLatin1(id)};
            for (int i = 0; i < controls; ++i)
                c.controls.append(CourseControl {.code = 31 + i, .order = i});
            c.lengthMeters = metres;
            if (family)
                c.courseFamily = QString::fromLatin1(family);
            c.stageId = QStringLiteral("day1");
            return c;
        };
        race.courses = {course("Lang", 5, 2400, nullptr), course("GaffelA", 3, 1800, "G"),
            course("GaffelB", 3, 1900, "G")};
        race.classes = {RaceClass {.id = QStringLiteral("H21"),
                            .name = QStringLiteral("H21"),
                            .courseId = QStringLiteral("Lang")},
            RaceClass {.id = QStringLiteral("D21"),
                .name = QStringLiteral("D21"),
                .courseFamily = QStringLiteral("G"),
                .mode = RaceClassMode::CourseFamily,
                .stageCourseIds = StageMap<QString> {{QStringLiteral("day1"), QStringLiteral("GaffelA")}}},
            RaceClass {.id = QStringLiteral("H45"),
                .name = QStringLiteral("H45"),
                .courseId = QStringLiteral("Lang"),
                .startMethod = StartMethod::StartPunch}};
        for (const char *cls : {"H21", "D21", "H45"}) {
            Participant p;
            p.givenName = QString::fromLatin1(cls);
            p.familyName = QStringLiteral("Runner");
            p.cardNumber = QString::number(race.participants.size() + 100);
            p.classId = QString::fromLatin1(cls);
            if (qstrcmp(cls, "H45") != 0)
                p.startTime = QDateTime(QDate(2026, 6, 13), QTime(10, 0));
            race.participants.append(p);
        }
        const QStringList wanted = {"5 controls · 2.4 km · 1 contestant(s)", "1 contestant(s)"};
        for (const char *stage : {"day1", "day2"}) {
            race.activeStageId = QString::fromLatin1(stage);
            open(race);
            const QString byClass = dir.filePath(QStringLiteral("by-class-%1.pdf").arg(QLatin1String(stage)));
            QVERIFY(vm.exportByClassPdf(QUrl::fromLocalFile(byClass)));
            const QString text = pdftest::text(byClass);
            const auto lineOf = [&](const QString &cls) {
                for (const QString &line : pdftest::lines(text)) {
                    if (line.startsWith(cls + QLatin1Char(' ')))
                        return line.mid(cls.size()).trimmed();
                }
                return QString();
            };
            QCOMPARE(lineOf(QStringLiteral("H21")), wanted[0]);
            QCOMPARE(lineOf(QStringLiteral("D21")), wanted[1]);
            QCOMPARE(lineOf(QStringLiteral("H45")), wanted[0]);
            const QString punch = dir.filePath(QStringLiteral("punch-%1.pdf").arg(QLatin1String(stage)));
            QVERIFY(vm.exportStartPunchPdf(QUrl::fromLocalFile(punch)));
            // The classes on the first page, under the title.
            QVERIFY2(pdftest::text(punch, 1).contains(wanted[0]), qPrintable(pdftest::text(punch)));
        }
    }

    void imports_data() { casetable::load("startlist/screen/imports.tsv"); }
    void imports()
    {
        QFETCH(QStringList, cells);
        open(screenEvent(QStringLiteral("import-event.json")));
        const Race before = store->race();
        const QString file = cells[0].startsWith(QLatin1String("examples/"))
            ? QStringLiteral(VEXLO_IOF_DIR "/") + cells[0]
            : QStringLiteral(VEXLO_TEST_DATA_DIR "/startlist/screen/import/") + cells[0];
        vm.importStartList(QUrl::fromLocalFile(file));
        if (cells[5] != QLatin1String("-")) {
            QVERIFY2(vm.exportError().startsWith(cells[5]), qPrintable(vm.exportError()));
            QVERIFY(!vm.showingImportProgressSheet());
        } else {
            finishImport();
            const StartListImportSummary expected {
                cells[1].toInt(), cells[2].toInt(), cells[3].toInt(), cells[4].toInt()};
            const StartListImportSummary got = *vm.importSummary();
            QCOMPARE(QList<int>({got.applied, got.noMatch, got.startPunch, got.dateCorrected}),
                QList<int>(
                    {expected.applied, expected.noMatch, expected.startPunch, expected.dateCorrected}));
            QVERIFY(vm.exportError().isEmpty());
            QCOMPARE(vm.importSummaryLines().size() > 0, true);
        }
        QCOMPARE(h.autosaves(), cells[1].toInt() > 0 ? 1 : 0);
        if (cells[1].toInt() == 0)
            QCOMPARE(compactJson(store->race()), compactJson(before));
        for (const QString &check : cells.mid(6)) {
            const QString card = check.section(QLatin1Char('='), 0, 0);
            QVERIFY(byCard(card));
            QCOMPARE(local(scheduledStartTime(store->race(), *byCard(card)), "yyyy-MM-dd HH:mm:ss"),
                check.section(QLatin1Char('='), 1));
        }
    }

    // The import in one go, as the benchmarks run it, against the screen's import of the same file:
    // the same counts and, applied, the same event.
    void importPlanAgreesWithTheScreen_data() { casetable::load("startlist/screen/imports.tsv"); }
    void importPlanAgreesWithTheScreen()
    {
        QFETCH(QStringList, cells);
        if (cells[5] != QLatin1String("-"))
            QSKIP("the screen refuses this file before any plan");
        open(screenEvent(QStringLiteral("import-event.json")));
        Race race = store->race();
        const QString path = cells[0].startsWith(QLatin1String("examples/"))
            ? QStringLiteral(VEXLO_IOF_DIR "/") + cells[0]
            : QStringLiteral(VEXLO_TEST_DATA_DIR "/startlist/screen/import/") + cells[0];
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const StartListImportPlan plan
            = planStartListImport(race, IOFStartListParser::parse(file.readAll(), startListRaceNumber(race)));
        vm.importStartList(QUrl::fromLocalFile(path));
        finishImport();
        const StartListImportSummary screen = *vm.importSummary();
        // The store refuses a list with a start it cannot hold; the plan leaves that to it.
        const bool refused = screen.unstorable > 0;
        QCOMPARE(QList<int>({plan.summary.applied, plan.summary.noMatch, plan.summary.startPunch}),
            QList<int>({refused ? screen.unstorable : screen.applied, screen.noMatch, screen.startPunch}));
        if (refused)
            return;
        QCOMPARE(plan.summary.dateCorrected, screen.dateCorrected);
        QCOMPARE(plan.summary.replaced, screen.replaced);
        applyStartListImportPlan(race, plan);
        QCOMPARE(race.participants.size(), store->race().participants.size());
        for (qsizetype i = 0; i < race.participants.size(); ++i)
            QVERIFY2(race.participants[i] == store->race().participants[i],
                qPrintable(race.participants[i].cardNumber));
    }

    void stageImports_data() { casetable::load("startlist/screen/stage-imports.tsv"); }
    void stageImports()
    {
        QFETCH(QStringList, cells);
        Race race = screenEvent(QStringLiteral("two-day-event.json"));
        race.activeStageId = cells[0];
        open(race);
        vm.importStartList(
            QUrl::fromLocalFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/multiday/startlist-two-races.xml")));
        QVERIFY(vm.showingImportProgressSheet());
        finishImport();
        const StartListImportSummary got = *vm.importSummary();
        QCOMPARE(QList<int>({got.applied, got.noMatch, got.startPunch, got.dateCorrected}),
            QList<int>({cells[1].toInt(), cells[2].toInt(), cells[3].toInt(), cells[4].toInt()}));
        for (const QString &check : cells.mid(5)) {
            const QString card = check.section(QLatin1Char('='), 0, 0);
            QVERIFY(byCard(card));
            QCOMPARE(
                card + u'=' + local(scheduledStartTime(store->race(), *byCard(card)), "yyyy-MM-dd HH:mm:ss"),
                check);
        }
    }

    // A start moved onto the list's day lands before the first day an event file can hold: the
    // store refuses the list whole, and the summary says so instead of counting the starts.
    void importRefusedByTheStoreSaysNothingWasImported()
    {
        open(screenEvent(QStringLiteral("import-event.json")));
        const QByteArray before = compactJson(store->race());
        vm.importStartList(QUrl::fromLocalFile(
            QStringLiteral(VEXLO_TEST_DATA_DIR "/startlist/screen/import/first-day.xml")));
        finishImport();
        QStringList lines;
        for (const QVariant &line : vm.importSummaryLines())
            lines.append(line.toMap().value(QStringLiteral("text")).toString());
        QCOMPARE(lines,
            QStringList({QStringLiteral("0 start time(s) imported."),
                QStringLiteral(
                    "3 matched start time(s) fall outside the dates an event file can hold (years 1 "
                    "to 9999), so none was imported."),
                QStringLiteral("No start time was written; the event is unchanged.")}));
        QCOMPARE(compactJson(store->race()), before);
        QCOMPARE(h.autosaves(), 0);
    }

    // A runner deleted while the import runs is neither written nor counted as imported.
    void importRunnerGone()
    {
        open(screenEvent(QStringLiteral("import-event.json")));
        vm.importStartList(QUrl::fromLocalFile(
            QStringLiteral(VEXLO_TEST_DATA_DIR "/startlist/screen/import/matching-rules.xml")));
        store->deleteParticipant(byCard(QStringLiteral("777"))->id);
        finishImport();
        QCOMPARE(vm.importSummary()->applied, 2);
        QCOMPARE(vm.importSummary()->noMatch, 6);
        QCOMPARE(h.autosaves(), 2); // the deletion's and the import's
        QCOMPARE(local(byCard(QStringLiteral("777"))->startTime), QStringLiteral("-"));
    }

    // Clearing with a stage active: the stage's own times go in one save, base times are reported.
    void clearing()
    {
        open(screenEvent(QStringLiteral("two-stages.json")));
        vm.clearStartTimes();
        QCOMPARE(h.autosaves(), 1);
        QCOMPARE(vm.statusMessage(),
            QStringLiteral(
                "6 start time(s) cleared. 2 runner(s) still show a time: the event's base start time, "
                "which every stage without its own time uses. Edit the runners to remove it."));
        vm.refreshNow();
        QCOMPARE(
            names(vm.lists().participants(vm.lists().scheduled)), QStringList {QStringLiteral("Bo Dahl")});
        vm.clearStartTimes();
        QCOMPARE(h.autosaves(), 1);

        Race race = screenEvent(QStringLiteral("two-stages.json"));
        race.activeStageId.reset();
        open(race);
        vm.fixedInterval()->setClassId(QStringLiteral("H21"));
        QCOMPARE(vm.clearTitle(), QStringLiteral("Clear class start times"));
        vm.clearStartTimes();
        QCOMPARE(vm.statusMessage(), QStringLiteral("1 start time(s) cleared."));
        QVERIFY(!byCard(QStringLiteral("102"))->startTime);
        QVERIFY(byCard(QStringLiteral("107"))->startTime); // no class: outside the class's scope
        QCOMPARE(h.autosaves(), 1);
        vm.fixedInterval()->setClassId(QString());
    }

    void draws_data() { casetable::load("startlist/screen/draws.tsv"); }
    void draws()
    {
        QFETCH(QStringList, cells);
        Race race;
        race.name = QStringLiteral("Draw");
        race.date = QDateTime(QDate(2025, 6, 14), QTime(8, 0), Qt::UTC);
        race.classes = {RaceClass {}, RaceClass {}};
        race.classes[0].id = race.classes[0].name = QStringLiteral("A");
        race.classes[1].id = race.classes[1].name = QStringLiteral("B");
        // A class that starts by the start punch: "B" on every day, "B@<day>" on that day only,
        // day2 drawn; a class other than A and B is one more class, without runners.
        if (const QString punch = cells.value(11); !punch.isEmpty()) {
            const QString id = punch.section(u'@', 0, 0);
            const QString day = punch.section(u'@', 1);
            if (id != u"A" && id != u"B") {
                race.classes.append(RaceClass {});
                race.classes.last().id = race.classes.last().name = id;
            }
            RaceClass &punching = id == u"A" ? race.classes[0]
                : id == u"B"                 ? race.classes[1]
                                             : race.classes.last();
            if (day.isEmpty()) {
                punching.startMethod = StartMethod::StartPunch;
            } else {
                race.stages = {Stage {QStringLiteral("day1"), QStringLiteral("Day 1"), *race.date, 1},
                    Stage {QStringLiteral("day2"), QStringLiteral("Day 2"), *race.date, 2}};
                race.activeStageId = QStringLiteral("day2");
                punching.stageStartMethods = StageMap<StartMethod>();
                punching.stageStartMethods->insert(day, StartMethod::StartPunch);
            }
        }
        for (int i = 0; i < cells[0].toInt() + 3; ++i) {
            Participant p;
            p.givenName = QString::number(i);
            if (i < cells[0].toInt() + 2)
                p.classId = i < cells[0].toInt() ? QStringLiteral("A") : QStringLiteral("B");
            race.participants.append(p);
        }
        open(race);
        FixedIntervalDialog &d = *vm.fixedInterval();
        d.open();
        d.setClassId(cells[1]);
        d.setFirstStart(cells[2]);
        d.setIntervalSeconds(cells[3].toDouble());
        QCOMPARE(d.estimateText(), cells[5]);
        const bool ok = d.randomDraw();
        QCOMPARE(ok, cells[4] == QLatin1String("ok"));
        QCOMPARE(d.shown(), !ok);
        QCOMPARE(d.error().isEmpty(), ok);

        // What the draw left out stays in the screen's status line once the dialog has closed.
        QCOMPARE(vm.statusMessage(), cells.value(12));

        QList<QDateTime> times;
        for (const Participant &p : store->race().participants)
            if (const std::optional<QDateTime> t = scheduledStartTime(store->race(), p))
                times.append(*t);
        std::sort(times.begin(), times.end());
        QCOMPARE(times.size(), cells[6].toInt());
        QCOMPARE(QSet<QDateTime>(times.begin(), times.end()).size(), cells[7].toInt());
        if (!times.isEmpty()) {
            QCOMPARE(local(times.first()), cells[8]);
            QCOMPARE(local(times.last()), cells[9]);
            QCOMPARE(times.first().secsTo(times.last()), cells[10].toLongLong());
            QCOMPARE(times.first().toLocalTime().date(), QDate(2025, 6, 14));
        }
        const RaceClass &a = store->race().classes[0];
        const bool remembered = ok && cells[1] == QLatin1String("A");
        QCOMPARE(a.lastUsedIntervalSeconds.has_value(), remembered);
        if (remembered)
            QCOMPARE(slotTimeText(int(*a.lastUsedStartTimeSeconds)), cells[8]);
        // The times and the remembered class values are one change, saved once.
        QCOMPARE(h.autosaves(), ok ? 1 : 0);
    }

    void shifts_data() { casetable::load("startlist/screen/shifts.tsv"); }
    void shifts()
    {
        QFETCH(QStringList, cells);
        open(namedRace(QStringLiteral("Shift")));
        vm.fixedInterval()->setFirstStart(cells[0]);
        vm.fixedInterval()->shiftFirstStart(cells[1].toInt());
        QCOMPARE(vm.fixedInterval()->firstStart(), cells[2]);
    }

    // A class's last draw comes back when it is picked again while the dialog is shown.
    void rememberedSettings()
    {
        Race race = screenEvent(QStringLiteral("two-stages.json"));
        open(race);
        FixedIntervalDialog &d = *vm.fixedInterval();
        d.setClassId(QString());
        d.open();
        d.setClassId(QStringLiteral("H10"));
        d.setFirstStart(QStringLiteral("10:30"));
        d.setIntervalSeconds(90);
        QVERIFY(d.randomDraw());
        d.open();
        d.setClassId(QStringLiteral("K"));
        d.setFirstStart(QStringLiteral("12:00:00"));
        d.setIntervalSeconds(30);
        d.setClassId(QStringLiteral("H10"));
        QCOMPARE(d.firstStart(), QStringLiteral("10:30:00"));
        QCOMPARE(d.intervalSeconds(), 90.0);
        QCOMPARE(
            d.classOptions()[0].toMap()[QStringLiteral("name")].toString(), QStringLiteral("All classes"));
        d.cancel();
        d.setClassId(QString());
    }
};

QTEST_MAIN(TestStartList)
#include "tst_startlist.moc"
