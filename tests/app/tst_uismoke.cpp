// Starts the real main window offscreen, walks every section in both languages, opens the
// introduction's sheets and runs the new-event sheet; any QML warning or error fails the test.
// Screenshots of every screen land in the build folder for a person to look at.

#include "apptesting.h"
#include "localization.h"
#include "racestoreshell.h"
#include "vexloapp.h"

#include <QTemporaryDir>

class TestUiSmoke : public QObject
{
    Q_OBJECT
private slots:
    void walkEveryScreen()
    {
        useTestSettings("tst_uismoke");
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>());
            RaceStore *store = &shell->raceStore();
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>());
            QVERIFY(app.start());
            QQuickWindow *window = app.window();
            QVERIFY(window);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(window->size(), QSize(1280, 800));
            QVERIFY(window->minimumSize().width() >= 220);
            // No reader on this machine: the appear action left it disconnected, window working.
            QVERIFY(!app.reader().connectionState().isConnected());

            // A new event has no file yet: the new-event sheet covers the window.
            store->newRace();
            QVERIFY(app.newEvent().isVisible());
            shoot(window, QStringLiteral("en-new-event"));
            app.newEvent().setEventName(QStringLiteral("Sprint 1/2"));
            app.newEvent().saveTo(
                QUrl::fromLocalFile(QStringLiteral("/nonexistent-folder/x.vexloevent.json")));
            QVERIFY(app.newEvent().fileError().startsWith(QStringLiteral("Save failed: ")));
            QVERIFY(app.newEvent().isVisible());
            shoot(window, QStringLiteral("en-new-event-failed"));

            QTemporaryDir folder;
            QVERIFY(folder.isValid());
            app.newEvent().saveTo(QUrl::fromLocalFile(folder.filePath(app.newEvent().suggestedFileName())));
            QVERIFY2(app.newEvent().fileError().isEmpty(), qPrintable(app.newEvent().fileError()));
            QVERIFY(!app.newEvent().isVisible());
            QVERIFY(QFile::exists(folder.filePath(QStringLiteral("Sprint 1-2.vexloevent.json"))));

            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                for (SidebarItem item : allSidebarItems()) {
                    app.content().setSelectedItem(item);
                    shoot(window, code + QLatin1Char('-') + rawValue(item));
                }
                app.content().setSelectedItem(std::nullopt);
                shoot(window, code + QStringLiteral("-none"));

                app.content().setSelectedItem(SidebarItem::Introduction);
                QCOMPARE(window->title(),
                    languageIndex == 0 ? QStringLiteral("Introduction") : QStringLiteral("Introduktion"));
                app.content().setSelectedItem(SidebarItem::Results);
                QCOMPARE(window->title(), QStringLiteral("Sprint 1/2"));
                app.content().setSelectedItem(SidebarItem::Introduction);
                for (const char *sheet : {"showingGuides", "showingAbout"}) {
                    QQuickItem *info = findVisibleItem(window, QStringLiteral("infoView"));
                    QVERIFY(info);
                    info->setProperty(sheet, true);
                    shoot(window, code + QLatin1Char('-') + QString::fromLatin1(sheet));
                    info->setProperty(sheet, false);
                }
            }
            // The Danish sidebar draws the Danish titles.
            QVERIFY(findVisibleItem(window, [](QQuickItem *item) {
                return item->property("text").toString() == QStringLiteral("Tilmeldinger");
            }));
        }
        LocalizationManager::setShared(nullptr);
        const QStringList &problems = QmlProblemCollector::problems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestUiSmoke)
#include "tst_uismoke.moc"
