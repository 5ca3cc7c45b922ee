// The race-day desk in the real main window, offscreen: the reader pane with a card just read, a
// mispunch, a repeat read and a lost station, the card-read toast over another section, and the
// unmatched-card sheet, in both languages. Cards come from the station simulator; any QML warning
// fails the test. Screenshots land in the build folder for a person to look at.

#include "racedaywindow.h"
#include "uichecks.h"

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
            RaceDayWindow w(raceDayEvent());
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            // The appear action connected to the one reader and installed the card-read handling.
            QVERIFY(app.reader().connectionState().isConnected());
            QTRY_VERIFY(app.reader().stationProtocolConfig().has_value());

            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                app.content().setSelectedItem(SidebarItem::Reader);

                w.read(simCard(2000001));
                QVERIFY(!findVisibleItem(window, QStringLiteral("cardReadToast")));
                QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")),
                    localized(QStringLiteral("COMPLETE")));
                shoot(window, code + QStringLiteral("-reader"), fadeMs);

                // Read again: the panel says so (the first language's read is the earlier one).
                w.read(simCard(2000001));
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("panelRepeat")));
                shoot(window, code + QStringLiteral("-reader-repeat"), fadeMs);

                // Karen's mispunch: the panel and her row say it, never a clean-looking time.
                w.read(simCard(2000004, true));
                QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")),
                    localized(QStringLiteral("MISPUNCH")));
                QVERIFY(findVisibleItem(window, [](QQuickItem *item) {
                    return item->objectName() == QLatin1String("recentStatus")
                        && item->property("text") == localized(QStringLiteral("Mispunch"));
                }));
                shoot(window, code + QStringLiteral("-reader-mispunch"), fadeMs);

                // Over another section the toast shows the same result.
                app.content().setSelectedItem(SidebarItem::Results);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("cardReadToast")));
                shoot(window, code + QStringLiteral("-toast"), fadeMs);

                // A card nobody holds: the toast offers "Register...", which opens the sheet.
                w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("registerButton")));
                shoot(window, code + QStringLiteral("-toast-unmatched"), fadeMs);
                QMetaObject::invokeMethod(
                    findVisibleItem(window, QStringLiteral("registerButton")), "clicked");
                // Nobody without a card runs its course: the new-runner editor opens at once.
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("givenNameField")));
                shoot(window, code + QStringLiteral("-unmatched-sheet"), fadeMs);
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!app.raceDay()->hasUnmatchedCard());

                // The toast hides 10 s after the last reading.
                w.clock->advance(std::chrono::seconds(10));
                QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("cardReadToast")));

                // The station pulled: said plainly until it is connected again.
                app.content().setSelectedItem(SidebarItem::Reader);
                w.station.unplug();
                QTRY_VERIFY(app.raceDay()->stationLost());
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("stationProblemText")));
                shoot(window, code + QStringLiteral("-reader-station-lost"), fadeMs);
                QVERIFY(w.station.start());
                app.reader().connectPort(w.station.devicePath());
                QTRY_VERIFY(app.reader().connectionState().isConnected());
                QVERIFY(!app.raceDay()->stationLost());
                QVERIFY(!findVisibleItem(window, QStringLiteral("stationProblemText")));
            }
            // Ida's identical repeat reads keep her one result; Karen's mispunch is another.
            QCOMPARE(w.store->race().results.size(), 6);
        }
        LocalizationManager::setShared(nullptr);
        const QStringList &problems = QmlProblemCollector::problems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestRaceDayScreens)
#include "tst_racedayscreens.moc"
