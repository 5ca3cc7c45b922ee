// The reader pane's view-models: the card result panel's texts, the recent-results list, the
// stage picker, the printer menu and status line, and the port rows.

#include "racedayrig.h"

#include "cardresultpanel.h"
#include "localization.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

Race panelRace()
{
    Race race;
    race.classes = {RaceClass {QStringLiteral("d21"), QStringLiteral("D21")},
        RaceClass {QStringLiteral("d21e"), QStringLiteral("D21 Elite")}};
    Course sequential;
    sequential.id = QStringLiteral("seq");
    sequential.type = CourseType::Sequential;
    Course score;
    score.id = QStringLiteral("rogaine");
    score.type = CourseType::Rogaining;
    race.courses = {sequential, score};
    Participant p;
    p.id = QUuid(QStringLiteral("{6f1c2a9e-0b1d-4c55-9a57-3d2f6f0e8a11}"));
    p.givenName = QStringLiteral("  Mette");
    p.familyName = QStringLiteral("Lund ");
    p.classId = QStringLiteral("d21");
    p.classIdByStage = StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("d21e")}};
    race.participants = {p};
    return race;
}

PersonResult resultOf(const Race &race)
{
    PersonResult r;
    r.id = QUuid::createUuid();
    r.participantId = race.participants.first().id;
    return r;
}

SplitTime split(qint64 code, SplitStatus status)
{
    SplitTime s;
    s.controlCode = code;
    s.status = status;
    return s;
}

} // namespace

class TestReaderPane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_language = std::make_unique<LocalizationManager>(QStringList {QStringLiteral("en-US")});
        LocalizationManager::setShared(m_language.get());
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }

    void panel_data()
    {
        // texts: class, value, penalty, verdict, missing controls.
        QTest::addColumn<PersonResult>("result");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("valueMissing");
        const Race race = panelRace();

        PersonResult noCourse = resultOf(race);
        noCourse.raceTime = 754;
        QTest::newRow("no course: time, no verdict")
            << noCourse << QStringList {"Class: D21", "Total time: 12:34", "", "", ""} << false;

        PersonResult missing = resultOf(race);
        missing.courseId = QStringLiteral("seq");
        missing.splits = {split(31, SplitStatus::Missing), split(40, SplitStatus::Ok),
            split(45, SplitStatus::Missing), split(31, SplitStatus::Missing)};
        QTest::newRow("missed controls in split order, no time")
            << missing
            << QStringList {"Class: D21", "Total time: —", "", "MISPUNCH", "Missing controls: 31, 45, 31"}
            << true;

        PersonResult deletedCourse = resultOf(race);
        deletedCourse.courseId = QStringLiteral("gone");
        deletedCourse.completed = true;
        deletedCourse.raceTime = 3599.5;
        QTest::newRow("deleted course keeps its verdict")
            << deletedCourse << QStringList {"Class: D21", "Total time: 1:00:00", "", "COMPLETE", ""}
            << false;

        PersonResult rogaine = resultOf(race);
        rogaine.courseId = QStringLiteral("rogaine");
        rogaine.score = 340;
        rogaine.overtimePenalty = 12;
        rogaine.withinTimeLimit = false;
        rogaine.stageId = QStringLiteral("s2");
        QTest::newRow("rogaining with penalty, per-stage class")
            << rogaine << QStringList {"Class: D21 Elite", "Score: 340 pts", "(-12 overtime)", "OVERTIME", ""}
            << false;

        PersonResult noPenalty = rogaine;
        noPenalty.overtimePenalty = 0;
        noPenalty.withinTimeLimit = std::nullopt;
        noPenalty.stageId = QStringLiteral("s1");
        QTest::newRow("rogaining, zero penalty, no verdict, base class for another stage")
            << noPenalty << QStringList {"Class: D21", "Score: 340 pts", "", "", ""} << false;

        PersonResult noScore = rogaine;
        noScore.score = std::nullopt;
        noScore.withinTimeLimit = true;
        QTest::newRow("rogaining without score")
            << noScore << QStringList {"Class: D21 Elite", "Score: —", "", "IN TIME", ""} << true;
    }
    void panel()
    {
        QFETCH(PersonResult, result);
        const CardResultPanel panel = cardResultPanel(panelRace(), result);
        QCOMPARE(panel.runnerName, QStringLiteral("Mette Lund"));
        QTEST((QStringList {
                  panel.classText, panel.valueText, panel.penaltyText, panel.verdictText, panel.missingText}),
            "texts");
        QTEST(panel.valueMissing, "valueMissing");
        QCOMPARE(panel.footerText, QStringLiteral("See Results tab for full split times"));
    }

    void deletedRunner()
    {
        Race race = panelRace();
        PersonResult r = resultOf(race);
        race.participants.clear();
        const CardResultPanel panel = cardResultPanel(race, r);
        QCOMPARE(panel.runnerName, QStringLiteral("Unknown runner"));
        QVERIFY(panel.classText.isEmpty());
        QCOMPARE(recentResultRow(race, r).runnerName, QStringLiteral("Unknown"));
        QCOMPARE(recentResultRow(race, r).valueText, QStringLiteral("—"));
        QVERIFY(recentResultRow(race, r).valueMissing);
    }

    void danishPanel()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da-DK")});
        LocalizationManager::setShared(&danish);
        Race race = panelRace();
        PersonResult r = resultOf(race);
        r.courseId = QStringLiteral("seq");
        r.completed = true;
        r.raceTime = 754;
        const CardResultPanel panel = cardResultPanel(race, r);
        LocalizationManager::setShared(m_language.get());
        QVERIFY(panel.valueText.endsWith(QStringLiteral("12:34")));
        QVERIFY(panel.valueText != QStringLiteral("Total time: 12:34"));
        QVERIFY(panel.verdictText != QStringLiteral("COMPLETE"));
    }

    void recentResultsGroupedByClass()
    {
        Race race = panelRace();
        race.classes << RaceClass {QStringLiteral("h10"), QStringLiteral("H10")}
                     << RaceClass {QStringLiteral("h9"), QStringLiteral("H9")};
        auto runner = [&race](const QString &name, const QString &classId) {
            Participant p;
            p.id = QUuid::createUuid();
            p.givenName = name;
            p.classId = classId;
            race.participants.append(p);
            return p.id;
        };
        auto read = [&race](const QUuid &who, int minute, std::optional<double> time) {
            PersonResult r;
            r.id = QUuid::createUuid();
            r.participantId = who;
            r.readAt = QDateTime(QDate(2025, 6, 14), QTime(10, minute), Qt::UTC);
            r.raceTime = time;
            race.results.append(r);
        };
        read(runner(QStringLiteral("Anna"), QStringLiteral("h10")), 0, 600);
        read(runner(QStringLiteral("Bo"), QStringLiteral("h10")), 5, 1200);
        read(runner(QStringLiteral("Carl"), QStringLiteral("h9")), 1, std::nullopt);
        read(runner(QStringLiteral("Eva"), QStringLiteral("d21")), 3, 59.5);

        RecentResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy count(&model, &RecentResultsModel::countChanged);
        model.setRace(race);
        QCOMPARE(count.count(), 1);
        QStringList rows;
        for (int i = 0; i < model.rowCount(); ++i) {
            const QModelIndex at = model.index(i);
            rows << at.data(RecentResultsModel::GroupRole).toString() + QLatin1Char('|')
                    + at.data(RecentResultsModel::RunnerNameRole).toString() + QLatin1Char('|')
                    + at.data(RecentResultsModel::ValueTextRole).toString();
        }
        // Groups in natural title order (the grouping rules are tested with recentResultGroups),
        // newest first within a group.
        QCOMPARE(rows, QStringList({"D21|Eva|1:00", "H9|Carl|—", "H10|Bo|20:00", "H10|Anna|10:00"}));
        model.setRace(Race());
        QCOMPARE(model.rowCount(), 0);
    }

    void stagePicker()
    {
        RaceDayRig rig;
        QVERIFY(!rig.pane->showsStagePicker());
        Race race = rig.store->race();
        const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC);
        race.stages = {Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2},
            Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1}};
        rig.store->setRace(race);
        QVERIFY(rig.pane->showsStagePicker());
        QCOMPARE(rig.pane->activeStageId(), QString());
        const QVariantList options = rig.pane->stageOptions();
        QCOMPARE(options.size(), 2);
        QCOMPARE(options.at(0).toMap().value(QStringLiteral("text")).toString(), QStringLiteral("Day 1"));
        QCOMPARE(options.at(1).toMap().value(QStringLiteral("value")).toString(), QStringLiteral("s2"));

        rig.pane->selectStage(QStringLiteral("s2"));
        QCOMPARE(rig.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
        rig.store->flushAutosave();
        QCOMPARE(RaceStore::readEventFile(rig.store->localStore().url())->activeStageId,
            std::optional<QString>(QStringLiteral("s2")));
        // An id no stage has changes nothing.
        rig.pane->selectStage(QStringLiteral("nope"));
        QCOMPARE(rig.pane->activeStageId(), QStringLiteral("s2"));
    }

    void printerStatus()
    {
        RaceDayRig rig;
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Office · Manual"));
        rig.pane->setAutoPrintOnRead(true);
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Office · Automatic (on read)"));
        rig.pane->setPrinterName(QStringLiteral("Receipts"));
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Receipts · Automatic (on read)"));
        QCOMPARE(rig.pane->printerChoiceIndex(), 1);
        const QVariantList choices = rig.pane->printerChoices();
        QCOMPARE(choices.size(), 2);
        QCOMPARE(choices.first().toMap().value(QStringLiteral("text")).toString(),
            QStringLiteral("System default"));
        QCOMPARE(choices.first().toMap().value(QStringLiteral("value")).toString(), QString());
        // A printer no longer installed still shows; the menu has no row for it.
        rig.pane->setPrinterName(QStringLiteral("Gone"));
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Gone · Automatic (on read)"));
        QCOMPARE(rig.pane->printerChoiceIndex(), -1);
        // No default printer at all.
        rig.pane->setPrinterDirectory({[] { return QStringList(); }, [] { return QString(); }});
        rig.pane->setPrinterName(QString());
        QCOMPARE(
            rig.pane->printerStatusText(), QStringLiteral("Printer: System default · Automatic (on read)"));
        QVERIFY(rig.pane->printerErrorText().isEmpty());
    }

    void portDisplayNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("identified");
        QTest::addColumn<QString>("name");
        QTest::newRow("identified station")
            << "/dev/ttyUSB0" << QStringList {"/dev/ttyUSB0"} << "SportIdent Reader (USB)";
        QTest::newRow("other USB serial") << "/dev/ttyUSB1" << QStringList {"/dev/ttyUSB0"} << "/dev/ttyUSB1";
        QTest::newRow("known bridge name")
            << "/dev/cu.SLAB_USBtoUART" << QStringList() << "SportIdent Reader (USB)";
        QTest::newRow("underscores") << "/dev/cu.usb_serial_1" << QStringList() << "usb serial 1";
        QTest::newRow("pseudo-terminal") << "/dev/pts/7" << QStringList() << "/dev/pts/7";
        QTest::newRow("empty") << "" << QStringList() << "";
    }
    void portDisplayNames()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, identified);
        QTEST(portDisplayName(path, identified), "name");
    }

    void portRows()
    {
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), SIDeviceRoots {});
        ReaderPortsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setIdentifiedReaders([] { return QStringList {QStringLiteral("/dev/ttyUSB0")}; });
        model.setReader(&reader);
        QCOMPARE(model.count(), 0);
        reader.setAvailablePorts(
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB1")});
        QCOMPARE(model.count(), 3);
        // Three rows of 28 points: 84.
        QCOMPARE(model.count() * ReaderPaneViewModel::portRowHeight, 84);
        QCOMPARE(model.index(0).data(ReaderPortsModel::DisplayNameRole).toString(),
            QStringLiteral("SportIdent Reader (USB)"));
        QCOMPARE(model.index(0).data(Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(model.index(1).data(ReaderPortsModel::DisplayNameRole).toString(),
            QStringLiteral("/dev/ttyACM0"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!model.index(i).data(ReaderPortsModel::ConnectedRole).toBool());
        // A failed connect is no connection.
        reader.connectPort(QStringLiteral("/nonexistent/ttyUSB9"));
        QCOMPARE(reader.connectionState().kind(), SIConnectionState::Kind::Error);
        for (int i = 0; i < model.count(); ++i)
            QVERIFY(!model.index(i).data(ReaderPortsModel::ConnectedRole).toBool());
    }

    void paneWithoutDesk()
    {
        ReaderPaneViewModel pane;
        pane.setPrinterDirectory({[] { return QStringList(); }, [] { return QStringLiteral("Office"); }});
        QVERIFY(!pane.showsStagePicker());
        QVERIFY(pane.stageOptions().isEmpty());
        pane.selectStage(QStringLiteral("s1"));
        pane.refreshPorts();
        pane.connectPort(QStringLiteral("/dev/ttyUSB0"));
        pane.disconnectPort();
        QCOMPARE(pane.ports()->count(), 0);
        QCOMPARE(pane.recentResults()->count(), 0);
    }

private:
    std::unique_ptr<LocalizationManager> m_language;
};

QTEST_MAIN(TestReaderPane)
#include "tst_readerpane.moc"
