// The race-day desk in the real main window, offscreen: the reader pane with a card just read and
// the recent results, the card-read toast over another section, and the unmatched-card sheet, in
// both languages. Cards come from the station simulator; any QML warning fails the test.
// Screenshots land in the build folder for a person to look at.

#include "localization.h"
#include "racestoreshell.h"
#include "stationsimulator.h"
#include "storefakes.h"
#include "vexloapp.h"

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList g_qmlProblems;
QtMessageHandler g_previous = nullptr;

void collectQmlProblems(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    const bool fromQml = category.startsWith(QLatin1String("qml")) || category.startsWith(QLatin1String("js"))
        || message.contains(QLatin1String("qrc:")) || message.contains(QLatin1String(".qml"));
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml)
        g_qmlProblems.append(message);
    if (g_previous)
        g_previous(type, context, message);
}

Participant runner(const QString &given, const QString &family, const QString &card, const QString &classId)
{
    Participant p;
    p.id = QUuid::createUuid();
    p.givenName = given;
    p.familyName = family;
    p.cardNumber = card;
    p.classId = classId;
    return p;
}

// An event with three classes and a handful of results already read.
Race raceDayEvent()
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    for (const auto &[id, name] :
        {std::pair {"h21", "H21"}, std::pair {"d21", "D21"}, std::pair {"h10", "H10"}}) {
        RaceClass c;
        c.id = QString::fromLatin1(id);
        c.name = QString::fromLatin1(name);
        c.startMethod = StartMethod::StartPunch;
        c.courseId = QStringLiteral("c1");
        race.classes.append(c);
    }
    Course course;
    course.id = QStringLiteral("c1");
    course.name = QStringLiteral("Long");
    for (int i = 0; i < 2; ++i) {
        CourseControl c;
        c.id = QUuid::createUuid();
        c.code = 31 + i;
        c.order = i;
        course.controls.append(c);
    }
    race.courses = {course};
    race.participants = {runner(QStringLiteral("Ida"), QStringLiteral("Holm"), QStringLiteral("2000001"),
                             QStringLiteral("h21")),
        runner(
            QStringLiteral("Søren"), QStringLiteral("Ærø"), QStringLiteral("2000002"), QStringLiteral("h21")),
        runner(QStringLiteral("Mette"), QStringLiteral("Lund"), QStringLiteral("2000003"),
            QStringLiteral("d21")),
        runner(QStringLiteral("Karen"), QStringLiteral("Bech"), QStringLiteral("2000004"),
            QStringLiteral("d21")),
        runner(
            QStringLiteral("Bo"), QStringLiteral("Krag"), QStringLiteral("2000005"), QStringLiteral("h10"))};
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
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_racedayscreens"));
        QSettings().clear();
        QDir().mkpath(QStringLiteral(VEXLO_SCREENSHOT_DIR));
        g_previous = qInstallMessageHandler(collectQmlProblems);
    }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }

    void readerPaneToastAndSheet()
    {
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
                shoot(window, code + QStringLiteral("-reader-before"));

                station.insertCard(cardOf(2000001));
                QTRY_VERIFY(app.reader().isCardDataComplete());
                QTRY_COMPARE(app.raceDay()->cardStatus(), RaceDayDesk::CardStatus::Result);
                QVERIFY(findVisibleItem(window, QStringLiteral("readerPane")));
                QVERIFY(!findVisibleItem(window, QStringLiteral("cardReadToast")));
                shoot(window, code + QStringLiteral("-reader"));

                // Over another section the toast shows the same result.
                app.content().setSelectedItem(SidebarItem::Results);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("cardReadToast")));
                shoot(window, code + QStringLiteral("-toast"));

                // A card nobody holds: the toast offers "Register...", which opens the sheet.
                station.removeCard();
                clock->advance(std::chrono::seconds(1));
                station.insertCard(cardOf(2000099));
                QTRY_COMPARE(app.raceDay()->cardStatus(), RaceDayDesk::CardStatus::Unmatched);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("registerButton")));
                shoot(window, code + QStringLiteral("-toast-unmatched"));
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("registerButton")), "clicked");
                QVERIFY(app.raceDay()->hasUnmatchedCard());
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("unmatchedSheetClose")));
                shoot(window, code + QStringLiteral("-unmatched-sheet"));
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
                shoot(window, code + QStringLiteral("-printer-settings"));
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("advancedPrinterDone")), "clicked");
                QVERIFY(!pane->property("showingPrinterAdvancedSettings").toBool());
            }
            // Ida read in both rounds: the repeat keeps the one result.
            QCOMPARE(store->race().results.size(), 5);
        }
        LocalizationManager::setShared(nullptr);
        QVERIFY2(g_qmlProblems.isEmpty(), qPrintable(g_qmlProblems.join(QLatin1Char('\n'))));
    }

private:
    static void shoot(QQuickWindow *window, const QString &name)
    {
        QCoreApplication::processEvents();
        QTest::qWait(250); // let the toast's fade finish
        const QImage image = window->grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QStringLiteral(VEXLO_SCREENSHOT_DIR "/%1.png").arg(name)));
    }

    static QQuickItem *findVisibleItem(QQuickWindow *window, const QString &objectName)
    {
        QList<QQuickItem *> pending = {window->contentItem()};
        while (!pending.isEmpty()) {
            QQuickItem *item = pending.takeLast();
            if (item->isVisible() && item->objectName() == objectName)
                return item;
            pending.append(item->childItems());
        }
        return nullptr;
    }
};

QTEST_MAIN(TestRaceDayScreens)
#include "tst_racedayscreens.moc"
