// The Advanced settings section in the real main window, offscreen, at the window's minimum size
// and in both languages: each tab is chosen with the keyboard, nothing is cut off, and any QML
// warning fails the test. Screenshots land in the build folder for a person to look at.

#include "apptesting.h"
#include "localization.h"
#include "racestoreshell.h"
#include "storefakes.h"
#include "vexloapp.h"

#include <QQuickItem>
#include <QTemporaryDir>

namespace {
QQuickItem *truncatedBelow(QQuickItem *item)
{
    if (!item || !item->isVisible())
        return nullptr;
    if (item->property("truncated").toBool())
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *cut = truncatedBelow(child))
            return cut;
    }
    return nullptr;
}
} // namespace

class TestSettingsScreen : public QObject
{
    Q_OBJECT

private slots:
    void tabsInBothLanguages()
    {
        useTestSettings("tst_settingsscreen");
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            QTemporaryDir dir;
            RaceStoreOptions options;
            options.settings = std::make_unique<QSettings>(
                dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            options.autosaveFolder = dir.filePath(QStringLiteral("autosave"));
            options.keyStore = std::make_unique<MemoryKeyStore>();
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            RaceStore *store = &shell->raceStore();
            store->liveResultatSettings()->setCompetitionId(QStringLiteral("12345"));
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>());
            QVERIFY(app.start());
            QQuickWindow *window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            app.content().setSelectedItem(SidebarItem::Sync);
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("tab_stationRole")));
            window->resize(window->minimumSize());
            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                const std::pair<const char *, const char *> tabs[] = {{"liveResults", "publishNowButton"},
                    {"language", "languagePicker"}, {"stationRole", "rolePicker"}};
                for (const auto &[tab, shows] : tabs) {
                    QQuickItem *button = findVisibleItem(window, QStringLiteral("tab_") + QLatin1String(tab));
                    QVERIFY(button);
                    button->forceActiveFocus();
                    QTest::keyClick(window, Qt::Key_Return);
                    QTRY_VERIFY(findVisibleItem(window, QLatin1String(shows)));
                    // Nothing of this screen is cut off at the minimum size.
                    for (const char *part : {"tabBar", "tabContent"}) {
                        QQuickItem *cut = truncatedBelow(findVisibleItem(window, QLatin1String(part)));
                        QVERIFY2(!cut, cut ? qPrintable(cut->property("text").toString()) : "");
                    }
                    shoot(window, code + QStringLiteral("-settings-") + QLatin1String(tab));
                }
            }
            app.languagePicker().pick(0);
        }
        LocalizationManager::setShared(nullptr);
        QVERIFY2(QmlProblemCollector::problems().isEmpty(),
            qPrintable(QmlProblemCollector::problems().join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestSettingsScreen)
#include "tst_settingsscreen.moc"
