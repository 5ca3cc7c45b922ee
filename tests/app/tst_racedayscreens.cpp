// The race-day desk in the real main window, offscreen: the reader pane with a card just read and
// the recent results, the card-read toast over another section, and the unmatched-card sheet, in
// both languages. Cards come from the station simulator; any QML warning fails the test.
// Screenshots land in the build folder for a person to look at.

#include "apptesting.h"
#include "localization.h"
#include "racestoreshell.h"
#include "stationsimulator.h"
#include "storefakes.h"
#include "vexloapp.h"

#include <QTemporaryDir>

namespace {

// An event with three classes and a handful of results already read.
Race raceDayEvent()
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    for (const char *name : {"H21", "D21", "H10"}) {
        RaceClass c;
        c.id = QString::fromLatin1(name).toLower();
        c.name = QString::fromLatin1(name);
        c.startMethod = StartMethod::StartPunch;
        c.courseId = QStringLiteral("c1");
        race.classes.append(c);
    }
    Course course;
    course.id = QStringLiteral("c1");
    course.name = QStringLiteral("Long");
    for (int i = 0; i < 2; ++i)
        course.controls.append(CourseControl {QUuid::createUuid(), 31 + i, i, std::nullopt});
    race.courses = {course};
    const char *runners[][4] = {{"Ida", "Holm", "2000001", "h21"}, {"Søren", "Ærø", "2000002", "h21"},
        {"Mette", "Lund", "2000003", "d21"}, {"Karen", "Bech", "2000004", "d21"},
        {"Bo", "Krag", "2000005", "h10"}};
    for (const auto &r : runners) {
        Participant p;
        p.id = QUuid::createUuid();
        p.givenName = QString::fromUtf8(r[0]);
        p.familyName = QString::fromUtf8(r[1]);
        p.cardNumber = QString::fromLatin1(r[2]);
        p.classId = QString::fromLatin1(r[3]);
        race.participants.append(p);
    }
    const QDateTime readAt(QDate(2025, 6, 14), QTime(10, 20), Qt::UTC);
    const double times[] = {0, 1932, 2210.4, 2650, 1499.6};
    for (int i = 1; i < race.participants.size(); ++i) {
        PersonResult r;
        r.id = QUuid::createUuid();
        r.participantId = race.participants.at(i).id;
        r.cardNumber = race.participants.at(i).cardNumber;
        r.courseId = QStringLiteral("c1");
        r.completed = i != 3;
        r.raceTime = times[i];
        r.readAt = readAt.addSecs(60 * i);
        race.results.append(r);
    }
    return race;
}

// Shots wait this long for the toast's fade to finish.
constexpr int fadeMs = 250;

SimCard cardOf(quint32 number)
{
    SimCard card;
    card.series = SimCard::Series::SI8;
    card.number = number;
    card.start = 10 * 3600;
    card.punches = {SimPunch {31, 10 * 3600 + 300}};
    card.finish = 10 * 3600 + 754;
    return card;
}

} // namespace

class TestRaceDayScreens : public QObject
{
    Q_OBJECT
private slots:
    void readerPaneToastAndSheet()
    {
        useTestSettings("tst_racedayscreens");
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            QTemporaryDir dir;
            StationSimulator station;
            QVERIFY(station.start());
            RaceStoreOptions options;
            options.settings = std::make_unique<QSettings>(
                dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            options.autosaveFolder = dir.filePath(QStringLiteral("autosave"));
            options.keyStore = std::make_unique<MemoryKeyStore>();
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            RaceStore *store = &shell->raceStore();
            store->setRace(raceDayEvent());
            SIDeviceRoots roots;
            roots.sysRoot = dir.filePath(QStringLiteral("no-sys"));
            roots.devRoot = dir.filePath(QStringLiteral("no-dev"));
            roots.extraPorts = {station.devicePath()};
            auto clock = std::make_shared<ManualReaderClock>(QDateTime(QDate(2025, 6, 14), QTime(10, 30)));
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>(clock, roots));
            QVERIFY(app.raceDay());
            app.raceDay()->setClock(clock);
            QVERIFY(app.start());
            QQuickWindow *window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            // The appear action connected to the one reader and installed the card-read handling.
            QVERIFY(app.reader().connectionState().isConnected());
            QTRY_VERIFY(app.reader().stationProtocolConfig().has_value());

            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                station.removeCard();
                app.content().setSelectedItem(SidebarItem::Reader);
                shoot(window, code + QStringLiteral("-reader-before"), fadeMs);

                station.insertCard(cardOf(2000001));
                QTRY_VERIFY(app.reader().isCardDataComplete());
                QTRY_COMPARE(app.raceDay()->cardStatus(), RaceDayDesk::CardStatus::Result);
                QVERIFY(findVisibleItem(window, QStringLiteral("readerPane")));
                QVERIFY(!findVisibleItem(window, QStringLiteral("cardReadToast")));
                shoot(window, code + QStringLiteral("-reader"), fadeMs);

                // Over another section the toast shows the same result.
                app.content().setSelectedItem(SidebarItem::Results);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("cardReadToast")));
                shoot(window, code + QStringLiteral("-toast"), fadeMs);

                // A card nobody holds: the toast offers "Register...", which opens the sheet.
                station.removeCard();
                clock->advance(std::chrono::seconds(1));
                station.insertCard(cardOf(2000099));
                QTRY_COMPARE(app.raceDay()->cardStatus(), RaceDayDesk::CardStatus::Unmatched);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("registerButton")));
                shoot(window, code + QStringLiteral("-toast-unmatched"), fadeMs);
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("registerButton")), "clicked");
                QVERIFY(app.raceDay()->hasUnmatchedCard());
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("unmatchedSheetClose")));
                shoot(window, code + QStringLiteral("-unmatched-sheet"), fadeMs);
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("unmatchedSheetClose")), "clicked");
                QVERIFY(!app.raceDay()->hasUnmatchedCard());

                // The toast hides 10 s after the last reading.
                clock->advance(std::chrono::seconds(10));
                QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("cardReadToast")));

                // The printer settings sheet.
                app.content().setSelectedItem(SidebarItem::Reader);
                QQuickItem *pane = findVisibleItem(window, QStringLiteral("readerPane"));
                QVERIFY(pane);
                pane->setProperty("showingPrinterAdvancedSettings", true);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("advancedPrinterDone")));
                shoot(window, code + QStringLiteral("-printer-settings"), fadeMs);
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("advancedPrinterDone")), "clicked");
                QVERIFY(!pane->property("showingPrinterAdvancedSettings").toBool());
            }
            // Ida read in both rounds: the repeat keeps the one result.
            QCOMPARE(store->race().results.size(), 5);
        }
        LocalizationManager::setShared(nullptr);
        const QStringList &problems = QmlProblemCollector::problems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestRaceDayScreens)
#include "tst_racedayscreens.moc"
