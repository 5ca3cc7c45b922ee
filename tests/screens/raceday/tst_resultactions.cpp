// What an organiser does from the results screen, against a real store: the corrections (what
// each writes, when it saves, a race replaced under an open prompt, a slave keeping them local)
// and the exports of a generated three-stage event (IOF lists valid against the official schema
// with places only for placed runners, PDFs read back, every failure reported with no file left).

#include "casetable.h"
#include "documenttestsupport.h"
#include "localization.h"
#include "racegenerator.h"
#include "racejson.h"
#include "resultcorrections.h"
#include "resultsviewmodel.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

// Ann's read of course "long" (31, 32, 33) with 33 skipped, forced complete with a reason; the
// courses "short" (31, 32) of the active stage s1 and "other day" of stage s2.
Race mispunch()
{
    const auto race = decodeRace(
        StoreHarness::readAll(QStringLiteral(VEXLO_TEST_DATA_DIR "/results/mispunch-race.json")));
    if (!race)
        qFatal("mispunch-race.json is not a readable event");
    return *race;
}

// The generated event with every seventh result mispunched and the first two tied.
Race clubChamps()
{
    Race race = generateRace({240, 3, 8, 6, 4, true, 7});
    race.name = QStringLiteral("Club Champs");
    for (qsizetype i = 0; i < race.results.size(); ++i)
        race.results[i].completed = i % 7 != 3;
    race.results[1].raceTime = race.results[0].raceTime;
    return race;
}

ResultExportKind exportKind(const QString &name)
{
    static const QStringList names {"ResultsXML", "SplitsXML", "ResultsPDF", "SplitsPDF"};
    return ResultExportKind(names.indexOf(name));
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestResultActions : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;
    std::unique_ptr<RaceStore> m_store;
    LocalizationManager m_english {QStringList {QStringLiteral("en")}};

    void open(const Race &race)
    {
        // The old store writes its settings as it goes: before its folder does.
        m_store.reset();
        m_harness = std::make_unique<StoreHarness>();
        m_harness->backgroundAutosave = false;
        m_store = m_harness->makeStore(race);
    }
    const PersonResult &stored() const { return m_store->race().results.first(); }
    QString file(const QString &name) const { return m_harness->path(name); }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_english.setLanguage(AppLanguage::English);
        LocalizationManager::setShared(&m_english);
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }

    void overrideAndDeletionSaveOnlyWhatWasConfirmed()
    {
        open(mispunch());
        ResultCorrections corrections(m_store.get());
        const QUuid id = stored().id;
        corrections.beginOverride(id, false);
        QCOMPARE(corrections.overrideTitle(), QStringLiteral("Force incomplete"));
        QCOMPARE(corrections.overrideNoteText(), QStringLiteral("unit 33 dead"));
        corrections.setOverrideNoteText(QString());
        corrections.confirmOverride();
        QVERIFY(!corrections.overridePending());
        QCOMPARE(stored().completedOverride, std::optional<bool>(false));
        QCOMPARE(stored().overrideNote, std::optional<QString>(QString()));
        corrections.clearOverride(id);
        QVERIFY(!stored().completedOverride && !stored().overrideNote);
        corrections.beginOverride(id, true);
        QCOMPARE(corrections.overrideNoteText(), QString());
        corrections.cancelOverride();
        corrections.requestDeletion(id);
        corrections.cancelDeletion();
        QCOMPARE(m_harness->autosaves(), 2);
        corrections.requestDeletion(id);
        corrections.confirmDeletion();
        QVERIFY(m_store->race().results.isEmpty() && !corrections.deletionPending());
        QCOMPARE(m_store->race().participants.size(), 1);
        QCOMPARE(m_harness->autosaves(), 3);

        // A race received from the master while a prompt was open no longer holds the result.
        m_store->setRace(mispunch());
        corrections.beginOverride(stored().id, false);
        corrections.requestDeletion(stored().id);
        Race other = mispunch();
        other.results[0].id = QUuid::createUuid();
        m_store->setRace(other);
        corrections.confirmOverride();
        corrections.confirmDeletion();
        QVERIFY(!corrections.overridePending() && !corrections.deletionPending());
        QCOMPARE(stored().completedOverride, std::optional<bool>(true));
        QCOMPARE(m_harness->autosaves(), 3);
    }

    // A card held for review (its finish before its start): forcing it asks for the organiser's
    // own reason, in either language, and clearing the override holds it for review again.
    void forcingAndClearingKeepTheReviewNote_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("en") << int(AppLanguage::English);
        QTest::newRow("da") << int(AppLanguage::Danish);
    }
    void forcingAndClearingKeepTheReviewNote()
    {
        QFETCH(int, language);
        LocalizationManager shown {QStringList {QStringLiteral("en")}};
        shown.setLanguage(AppLanguage(language));
        LocalizationManager::setShared(&shown);
        const auto english = qScopeGuard([this] { LocalizationManager::setShared(&m_english); });
        Race race = mispunch();
        PersonResult &read = race.results[0];
        read.completedOverride.reset();
        read.overrideNote.reset();
        read.startTime = read.finishTime->addSecs(60);
        open(race);
        PersonResult edited = stored();
        edited.courseId = QStringLiteral("short");
        m_store->reevaluateResult(edited);
        const std::optional<QString> review = stored().overrideNote;
        QVERIFY(review && review->startsWith(QStringLiteral("Check this card")));
        QVERIFY(!stored().completed);

        ResultCorrections corrections(m_store.get());
        const QUuid id = stored().id;
        corrections.beginOverride(id, true);
        QCOMPARE(corrections.overrideNoteText(), QString());
        corrections.setOverrideNoteText(QStringLiteral("seen at the finish"));
        corrections.confirmOverride();
        QCOMPARE(stored().completedOverride, std::optional(true));
        QCOMPARE(stored().overrideNote, std::optional(QStringLiteral("seen at the finish")));
        // A second override starts from the organiser's reason.
        corrections.beginOverride(id, false);
        QCOMPARE(corrections.overrideNoteText(), QStringLiteral("seen at the finish"));
        corrections.cancelOverride();

        corrections.clearOverride(id);
        QVERIFY(!stored().completedOverride && !stored().completed);
        QCOMPARE(stored().overrideNote, review);
        corrections.beginOverride(id, false);
        QCOMPARE(corrections.overrideNoteText(), QString());
        corrections.cancelOverride();
        // Forced earlier with the review note taken for its reason: that is no reason either.
        m_store->overrideResultStatus(id, true, review);
        corrections.beginOverride(id, false);
        QCOMPARE(corrections.overrideNoteText(), QString());
        corrections.cancelOverride();
    }

    void changeCourseReevaluatesKeepsTheOverrideAndStaysOnASlave()
    {
        open(mispunch());
        RecordingConnection master;
        m_store->stationSettings()->setRole(StationRole::Slave);
        m_store->syncEngine()->start(
            StationRole::Slave, QStringLiteral("station-2"), QStringLiteral("Vexlo"));
        m_store->syncEngine()->addConnection(&master);
        const qsizetype framesBefore = master.frames.size();
        ResultCorrections corrections(m_store.get());
        QStringList offered;
        for (const Course &c : corrections.changeCourseCandidates())
            offered.append(c.id);
        QCOMPARE(offered, (QStringList {QStringLiteral("long"), QStringLiteral("short")}));

        corrections.changeResultCourse(stored().id, QStringLiteral("short"));
        QVERIFY(stored().completed && !stored().courseAutoMatched);
        QCOMPARE(stored().completedOverride, std::optional<bool>(true));
        QCOMPARE(stored().raceTime, std::optional<double>(1800));
        corrections.changeResultCourse(stored().id, QString());
        QVERIFY(!stored().courseId && !stored().completed);
        corrections.changeResultCourse(QUuid::createUuid(), QStringLiteral("long"));
        QCOMPARE(m_harness->autosaves(), 2);
        QCOMPARE(master.frames.size(), framesBefore);
        m_store->syncEngine()->removeConnection(&master);
    }

    // Stage 2, every stage ("") or the overall standings, as a result list or with splits.
    void resultListsAreValidAndPlaceOnlyPlacedRunners_data() { casetable::load("results/valid-exports.tsv"); }
    void resultListsAreValidAndPlaceOnlyPlacedRunners()
    {
        QFETCH(QStringList, cells);
        const QString stage = cells[0];
        const ResultExportKind kind = exportKind(cells[1]);
        open(clubChamps());
        ResultsViewModel model(m_store.get());
        model.setFilterStageId(stage == u"stage-2" ? m_store->race().stages[1].id : stage);
        QVERIFY(model.exportTo(kind, file(QStringLiteral("list.xml"))));
        const QByteArray xml = StoreHarness::readAll(file(QStringLiteral("list.xml")));
        QCOMPARE(documenttest::validateAgainstIOFSchema(xml), QString());

        QList<qint64> places;
        qsizetype rows = 0;
        auto collect = [&](const auto &groups) {
            for (const auto &g : groups) {
                rows += g.places.size();
                for (const auto &p : g.places)
                    if (p)
                        places.append(*p);
            }
        };
        model.showsOverall() ? collect(model.standingsGroups()) : collect(model.classGroups());
        QVERIFY(!places.isEmpty() && places.size() < rows);
        QCOMPARE(xml.count("<PersonResult>"), rows);
        QList<qint64> written;
        auto it = QRegularExpression(QStringLiteral("<Position>(\\d+)</Position>"))
                      .globalMatch(QString::fromUtf8(xml));
        while (it.hasNext())
            written.append(it.next().captured(1).toLongLong());
        // The list with split times places the runners as the plain list does.
        QCOMPARE(written, places);
    }

    void pdfsReadBack()
    {
        open(clubChamps());
        ResultsViewModel model(m_store.get());
        const ClassResults first = model.classGroups().first();
        const QString name = displayName(m_store->race(), *first.results.first());
        QVERIFY(model.exportTo(ResultExportKind::ResultsPDF, file(QStringLiteral("r.pdf"))));
        const QString results = pdfText(file(QStringLiteral("r.pdf")));
        QVERIFY(results.contains(
            QStringLiteral("Results — ") + *selectedStageName(m_store->race(), model.filter())));
        QVERIFY(results.contains(first.className) && results.contains(name));
        QVERIFY(model.exportTo(ResultExportKind::SplitsPDF, file(QStringLiteral("s.pdf"))));
        QVERIFY(pdfText(file(QStringLiteral("s.pdf"))).contains(QStringLiteral("1. ") + name));
        model.setFilterStageId(overallStageFilter);
        QVERIFY(model.exportTo(ResultExportKind::ResultsPDF, file(QStringLiteral("o.pdf"))));
        const QString overall = pdfText(file(QStringLiteral("o.pdf")));
        QVERIFY(overall.contains(QStringLiteral("Overall Standings")));
        // Placed runners are on every stage; one without a place says which day keeps them out.
        qsizetype unplaced = 0;
        for (const QString &line : overall.split(u'\n')) {
            const QStringList cells = line.simplified().split(u' ');
            if (cells.size() < 3 || !line.contains(QStringLiteral("—")) || cells[0].front().isDigit())
                continue;
            ++unplaced;
            QVERIFY2(
                line.contains(QStringLiteral("DID NOT FINISH")) || line.contains(QStringLiteral("MISPUNCH")),
                qPrintable(line));
        }
        QVERIFY(unplaced > 0);
    }

    void failuresAreReportedAndLeaveNoFile_data() { casetable::load("results/failed-exports.tsv"); }
    void failuresAreReportedAndLeaveNoFile()
    {
        QFETCH(QStringList, cells);
        const ResultExportKind kind = exportKind(cells[0]);
        const QString stage = cells[1];
        const QString name = cells[2];
        open(clubChamps());
        const QString path = name.isEmpty() ? QString() : file(name);
        ResultsViewModel model(m_store.get());
        model.setFilterStageId(stage);
        QSignalSpy changed(&model, &ResultsViewModel::exportErrorChanged);
        QVERIFY(!model.exportTo(kind, path));
        QVERIFY2(model.exportError().size() > 15
                && model.exportError().startsWith(QStringLiteral("Export failed: ")),
            qPrintable(model.exportError()));
        QCOMPARE(changed.count(), 1);
        QVERIFY(path.isEmpty() || !QFileInfo(path).isFile());
        QVERIFY(model.exportTo(ResultExportKind::ResultsPDF, file(QStringLiteral("ok.pdf"))));
        QCOMPARE(model.exportError(), QString());
    }
};

QTEST_MAIN(TestResultActions)
#include "tst_resultactions.moc"
