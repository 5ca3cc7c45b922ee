// The Vexlo Web and O-Checklist tabs in the real main window, offscreen, at the window's minimum
// size and in both languages, against a fake Vexlo Web service on 127.0.0.1: the key is typed and
// verified, the event fetched and check-ins pulled with the keyboard; outcomes and failures show
// in the tabs, nothing is cut off, any QML warning fails. Screenshots land in the build folder.

#include "apptesting.h"
#include "fakevexloweb.h"
#include "localization.h"
#include "racestoreshell.h"
#include "storefakes.h"
#include "uichecks.h"
#include "vexloapp.h"

#include <QQuickItem>
#include <QTemporaryDir>

class TestVexloWebScreen : public QObject
{
    Q_OBJECT

    QQuickWindow *m_window = nullptr;

    QString textOf(const char *name)
    {
        return findVisibleItem(m_window, QLatin1String(name))->property("text").toString();
    }
    // Focus on the control, then Return, as a keyboard user would after tabbing to it.
    void press(const char *name)
    {
        QQuickItem *item = findVisibleItem(m_window, QLatin1String(name));
        QVERIFY2(item && item->isEnabled(), name);
        item->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(m_window, Qt::Key_Return);
    }

private slots:
    void bothTabsInBothLanguages()
    {
        useTestSettings("tst_vexlowebscreen");
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            QTemporaryDir dir;
            FakeVexloWeb server;
            server.entries = {QJsonObject {
                {"id", "c1"}, {"sportident", "101"}, {"startStatus", "OK"}, {"hasNewSportident", false}}};
            RaceStoreOptions options;
            options.settings
                = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
            options.settings->setValue("vexloWebBaseUrl", server.baseUrl().toString());
            options.autosaveFolder = dir.filePath(QStringLiteral("autosave"));
            options.keyStore = std::make_unique<MemoryKeyStore>();
            options.clock = [] { return QDateTime(QDate(2026, 5, 1), QTime(8, 0), QTimeZone::utc()); };
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            RaceStore *store = &shell->raceStore();
            Race race;
            race.name = QStringLiteral("Forårsløbet");
            race.participants.append(
                {.givenName = QStringLiteral("Anna"), .cardNumber = QStringLiteral("101")});
            store->setRace(race);
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>());
            QVERIFY(app.start());
            m_window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(m_window));
            app.content().setSelectedItem(SidebarItem::Sync);
            m_window->resize(m_window->minimumSize());
            QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("tab_vexloWeb")));
            QVERIFY(!findVisibleItem(m_window, QStringLiteral("tab_oChecklist"))); // no key yet

            press("tab_vexloWeb");
            QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("apiKeyField")));
            QCOMPARE(textOf("verifyStatus"), QStringLiteral("Not verified"));
            findVisibleItem(m_window, QStringLiteral("apiKeyField"))->forceActiveFocus(Qt::TabFocusReason);
            uichecks::typeText(m_window, QStringLiteral("bad-key"));
            QTest::keyClick(m_window, Qt::Key_Tab); // on to Verify
            QTest::keyClick(m_window, Qt::Key_Return);
            QTRY_COMPARE(
                textOf("verifyStatus"), QStringLiteral("Verification failed: server returned status 401"));
            QCOMPARE(store->vexloWebSettings()->apiKey(), QStringLiteral("bad-key"));
            server.goodKeys.insert(QStringLiteral("bad-key"));
            press("verifyButton");
            QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("verifiedMark")));

            press("tab_oChecklist");
            QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("refreshButton")));
            QVERIFY(!findVisibleItem(m_window, QStringLiteral("eventDetails")));
            press("refreshButton");
            QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("eventDetails")));
            QCOMPARE(textOf("fetchStatus"), QStringLiteral("Fetched at 10:00:00"));
            QCOMPARE(textOf("checklistKey"), QStringLiteral("ck-1"));
            press("pullNowButton");
            QTRY_COMPARE(textOf("pullStatus"), QStringLiteral("Pulled 1 entrie(s) at 10:00:00"));
            QVERIFY(store->race().participants[0].checkedInAt.has_value());

            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                for (const char *tab : {"vexloWeb", "oChecklist"}) {
                    press((QByteArray("tab_") + tab).constData());
                    QTRY_VERIFY(findVisibleItem(m_window, QStringLiteral("tabContent")));
                    QCoreApplication::processEvents();
                    QCOMPARE(uichecks::truncatedTexts(m_window), QStringList());
                    shoot(m_window, code + QStringLiteral("-settings-") + QLatin1String(tab));
                }
            }
            // A failure shows in the tab, verbatim in both languages.
            server.rawAnswer = QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n<html>");
            press("pullNowButton");
            QTRY_COMPARE(textOf("pullStatus"),
                QStringLiteral("Pull failed: the answer is not valid JSON (illegal value at byte 1 of 6)"));
            app.languagePicker().pick(0);
        }
        LocalizationManager::setShared(nullptr);
        QVERIFY2(QmlProblemCollector::problems().isEmpty(),
            qPrintable(QmlProblemCollector::problems().join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestVexloWebScreen)
#include "tst_vexlowebscreen.moc"
