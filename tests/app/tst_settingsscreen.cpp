// The Advanced settings section in the real main window, offscreen, at the window's minimum size
// and in both languages: each tab is chosen with the keyboard, nothing is cut off, and any QML
// warning fails the test. Screenshots land in the build folder for a person to look at. The Vexlo
// Web tabs talk to a fake service on 127.0.0.1: a key typed and verified, the event fetched and
// check-ins pulled, all from the keyboard.

#include "fakemetsaserver.h"
#include "fakevexloweb.h"
#include "localization.h"
#include "messagetext.h"
#include "racestoreshell.h"
#include "storeoptions.h"
#include "testenvironment.h"
#include "vexloapp.h"
#include "windowdriver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QQuickItem>
#include <QSettings>
#include <QTemporaryDir>

namespace {
// Focus on the control, then Return, as after tabbing to it.
void press(QQuickWindow *window, const QString &name)
{
    QQuickItem *item = findVisibleItem(window, name);
    QVERIFY2(item && item->isEnabled(), qPrintable(name));
    item->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(window, Qt::Key_Return);
}
} // namespace

class TestSettingsScreen : public QObject
{
    Q_OBJECT

    // The Metsä tab by keyboard alone: an id typed and Return publish once (the fake service
    // refuses the upload, and the status line says why); Space on "+" steps the interval.
    static void metsaKeyboard(
        QQuickWindow *window, RaceStore *store, FakeMetsaServer *metsa, const QString &status)
    {
        MetsaSettings *settings = store->metsaSettings();
        findVisibleItem(window, QStringLiteral("metsaCompetitionIdField"))->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        uichecks::typeText(window, QStringLiteral("4711"));
        const qsizetype sent = metsa->requests.size();
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(metsa->requests.size(), sent + 1);
        QTRY_VERIFY(!store->metsaPublisher()->isPublishing());
        // The publisher reports in English; the tab shows it in the window's language.
        QCOMPARE(findVisibleItem(window, QStringLiteral("metsaPublishStatus"))->property("text").toString(),
            localizedMessage(status));
        QCOMPARE(metsa->requests.value(sent + 1).path, QByteArray()); // one Return, one upload
        const double interval = settings->publishIntervalSeconds();
        findVisibleItem(window, QStringLiteral("metsaIntervalUp"))->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(settings->publishIntervalSeconds(), interval + 60);
    }

    // The Advanced settings section over a private store with `keys` as its key store.
    struct SettingsWindow
    {
        explicit SettingsWindow(std::unique_ptr<KeyStore> keys)
        {
            RaceStoreOptions options = storeOptionsIn(dir.path(), QStringLiteral("autosave"));
            options.keyStore = std::move(keys);
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            store = &shell->raceStore();
            store->liveResultatSettings()->setCompetitionId(QStringLiteral("12345"));
            app = std::make_unique<VexloApp>(std::move(shell), std::make_unique<CardReaderViewModel>());
        }
        bool open(const QString &tab)
        {
            if (!w.window) {
                if (!app->start() || !QTest::qWaitForWindowExposed(app->window(), testwaits::ceilingMs))
                    return false;
                w.window = app->window();
                w.window->resize(w.window->minimumSize());
            }
            app->content().setSelectedItem(SidebarItem::Sync);
            QQuickItem *button = nullptr;
            if (!QTest::qWaitFor([&] { return (button = w.item(QStringLiteral("tab_") + tab)) != nullptr; },
                    testwaits::ceilingMs))
                return false;
            w.click(button);
            return true;
        }
        QTemporaryDir dir;
        RaceStore *store = nullptr;
        std::unique_ptr<VexloApp> app;
        WindowDriver w;
    };

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    // Each key-store write may bring up a desktop prompt: a secret typed letter by letter is
    // written once, when its editing ends (Tab, or leaving the section), never per keystroke.
    void secretsWrittenOnceWhenEditingEnds()
    {
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            auto owned = std::make_unique<MemoryKeyStore>();
            MemoryKeyStore *keys = owned.get();
            SettingsWindow s(std::move(owned));
            const auto saves = [keys] { return keys->calls.filter(QStringLiteral("save:")); };
            const std::tuple<const char *, const char *, const char *> fields[] = {
                {"liveResults", "passcodeField", "abcdefgh"},
                {"metsa", "metsaPasswordField", "ijklmnop"},
                {"vexloWeb", "apiKeyField", "qrstuvwx"},
            };
            for (const auto &[tab, field, secret] : fields) {
                QVERIFY(s.open(QLatin1String(tab)));
                QVERIFY2(s.w.item(QLatin1String(field)), field);
                const QStringList before = saves();
                s.w.typeInto(QLatin1String(field), QLatin1String(secret));
                QCOMPARE(saves(), before);
                // Leaving the section ends the editing.
                s.w.click(QStringLiteral("sidebarRow_results"));
                QTRY_COMPARE(saves(), before + QStringList {QStringLiteral("save:") + QLatin1String(secret)});
            }
            // Return in the passcode field stores it once and publishes with it.
            QVERIFY(s.open(QStringLiteral("liveResults")));
            const QStringList before = saves();
            s.w.typeInto(QStringLiteral("passcodeField"), QStringLiteral("12345678"));
            QTest::keyClick(s.w.window, Qt::Key_Return);
            QTRY_COMPARE(saves(), before + QStringList {QStringLiteral("save:12345678")});
            QCOMPARE(s.store->liveResultatSettings()->passcode(), QStringLiteral("12345678"));
        }
        verifyNoQmlProblems();
    }

    // An id the service cannot take is refused under the field, in either language, and the
    // stored one stays; a key store out of reach is said in each tab that keeps a secret in it.
    void refusalsAndUnreachableKeyStore()
    {
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            SettingsWindow s(std::make_unique<UnreachableKeyStore>());
            for (int languageIndex : {0, 1}) {
                s.app->languagePicker().pick(languageIndex);
                const QString code = s.app->languagePicker().languageCode();
                QVERIFY(s.open(QStringLiteral("liveResults")));
                QTRY_VERIFY(s.w.item(QStringLiteral("keyStoreNotice")));
                QCOMPARE(s.w.item(QStringLiteral("keyStoreNotice"))->property("text").toString(),
                    localized(QStringLiteral(
                        "The key store is unavailable: the passcode will not be kept after Vexlo closes.")));
                s.w.typeInto(QStringLiteral("competitionIdField"), QStringLiteral("12a45"));
                QQuickItem *error = nullptr;
                QTRY_VERIFY(error = s.w.item(QStringLiteral("competitionIdError")));
                QCOMPARE(error->property("text").toString(),
                    localized(QStringLiteral("The competition id is a number, like 12345.")));
                // The field keeps what was typed; the refused id is never stored or published to.
                QCOMPARE(s.w.item(QStringLiteral("competitionIdField"))->property("text").toString(),
                    QStringLiteral("12a45"));
                QCOMPARE(s.store->liveResultatSettings()->competitionId(), QStringLiteral("12"));
                QVERIFY(!s.w.item(QStringLiteral("publishNowButton"))->isEnabled());
                s.w.shot(code + QStringLiteral("-settings-liveResults-refused"));
                s.w.typeInto(QStringLiteral("competitionIdField"), QStringLiteral("678"));
                QTRY_VERIFY(!s.w.item(QStringLiteral("competitionIdError")));
                QCOMPARE(s.store->liveResultatSettings()->competitionId(), QStringLiteral("678"));

                QVERIFY(s.open(QStringLiteral("metsa")));
                QTRY_VERIFY(s.w.item(QStringLiteral("metsaKeyStoreNotice")));
                s.w.shot(code + QStringLiteral("-settings-metsa-no-key-store"));
                QVERIFY(s.open(QStringLiteral("vexloWeb")));
                QTRY_VERIFY(s.w.item(QStringLiteral("apiKeyStoreNotice")));
                s.w.shot(code + QStringLiteral("-settings-vexloWeb-no-key-store"));
                s.store->liveResultatSettings()->setCompetitionId(QStringLiteral("12345"));
            }
            s.app->languagePicker().pick(0);
        }
        verifyNoQmlProblems();
    }

    // Start pressed (from the keyboard) before the key store has answered: the status says that
    // the station waits for the key, in either language; a key store that then cannot be read is
    // said in full, and the master does not start. Nothing is cut off at the minimum size.
    void stationStartWaitsForTheKeyStore()
    {
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            auto owned = std::make_unique<MemoryKeyStore>();
            MemoryKeyStore *keys = owned.get();
            keys->answerLater = true;
            keys->readError = QStringLiteral("No such interface on the session bus");
            SettingsWindow s(std::move(owned));
            s.store->stationSettings()->setRole(StationRole::Master);
            const auto status
                = [&] { return s.w.item(QStringLiteral("syncStatus"))->property("text").toString(); };
            for (int languageIndex : {0, 1}) {
                s.app->languagePicker().pick(languageIndex);
                const QString code = s.app->languagePicker().languageCode();
                QVERIFY(s.open(QStringLiteral("stationRole")));
                QTRY_VERIFY(s.w.item(QStringLiteral("startButton")));
                // Stop takes Return, Enter on the keypad and Space alike.
                const std::pair<Qt::Key, Qt::KeyboardModifiers> stopKeys[]
                    = {{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier},
                        {Qt::Key_Space, Qt::NoModifier}};
                for (const auto &[key, modifiers] : stopKeys) {
                    press(s.w.window, QStringLiteral("startButton"));
                    QTRY_COMPARE(status(),
                        localizedMessage(
                            QStringLiteral("Waiting for the station key from the key store...")));
                    s.w.shot(code + QStringLiteral("-settings-stationRole-waiting"));
                    QQuickItem *stop = s.w.item(QStringLiteral("stopButton"));
                    QVERIFY(stop && stop->isEnabled());
                    stop->forceActiveFocus(Qt::TabFocusReason);
                    QTest::keyClick(s.w.window, key, modifiers);
                    QTRY_VERIFY2(status()
                            != localizedMessage(
                                QStringLiteral("Waiting for the station key from the key store...")),
                        qPrintable(QKeySequence(key).toString()));
                }
            }
            press(s.w.window, QStringLiteral("startButton"));
            keys->answerReads();
            for (int languageIndex : {1, 0}) {
                s.app->languagePicker().pick(languageIndex);
                const QString code = s.app->languagePicker().languageCode();
                QVERIFY(s.open(QStringLiteral("stationRole")));
                QTRY_COMPARE(status(),
                    localizedMessage(
                        QStringLiteral("The station key could not be read from the key store (%1). Type "
                                       "the event's station key, or press Start again to make a new one.")
                            .arg(keys->readError)));
                s.w.shot(code + QStringLiteral("-settings-stationRole-key-not-read"));
            }
            QVERIFY(!s.store->syncEngine()->isRunning());
            QCOMPARE(keys->calls.filter(QStringLiteral("save:")), QStringList());
        }
        verifyNoQmlProblems();
    }

    // The language chosen on its tab, with the mouse and from the keyboard (an arrow to the
    // segment, then Return, Enter or Space), each way: the window is rebuilt in it and still
    // shows the language tab.
    void languageChosenOnItsTab()
    {
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            SettingsWindow s(std::make_unique<MemoryKeyStore>());
            QVERIFY(s.open(QStringLiteral("language")));
            QTRY_VERIFY(s.w.item(QStringLiteral("languagePicker")));
            const auto segment = [&](const QString &title) {
                return findVisibleItem(s.w.window, [&](QQuickItem *i) {
                    return i->inherits("QQuickTabButton") && i->property("text").toString() == title;
                });
            };
            const auto onSegment = [&] {
                QQuickItem *focus = s.w.window->activeFocusItem();
                return focus && focus->inherits("QQuickTabButton") ? focus : nullptr;
            };
            // The keyboard is taken to the picker (Tab from the tab's own button, unless it is on
            // the picker already), moved to the segment with an arrow, which chooses nothing yet,
            // then `key` chooses it.
            const auto chooseByKeyboard
                = [&](const QString &title, Qt::Key key, Qt::KeyboardModifiers modifiers) {
                      if (!onSegment()) {
                          QQuickItem *tab = s.w.item(QStringLiteral("tab_language"));
                          QVERIFY(tab);
                          tab->forceActiveFocus(Qt::TabFocusReason);
                          for (int i = 0; i < 12 && !onSegment(); ++i)
                              QTest::keyClick(s.w.window, Qt::Key_Tab);
                      }
                      QVERIFY(onSegment());
                      const QString before = s.app->languagePicker().languageCode();
                      if (onSegment() != segment(title))
                          QTest::keyClick(
                              s.w.window, title == QLatin1String("Dansk") ? Qt::Key_Right : Qt::Key_Left);
                      QCOMPARE(s.w.window->activeFocusItem(), segment(title));
                      QCOMPARE(s.app->languagePicker().languageCode(), before);
                      QTest::keyClick(s.w.window, key, modifiers);
                  };
            struct Choice
            {
                const char *title;
                std::optional<Qt::Key> key; // none: clicked
                Qt::KeyboardModifiers modifiers;
                const char *code;
            };
            const Choice choices[] = {{"Dansk", std::nullopt, Qt::NoModifier, "da"},
                {"English", Qt::Key_Return, Qt::NoModifier, "en"},
                {"Dansk", Qt::Key_Enter, Qt::KeypadModifier, "da"},
                {"English", Qt::Key_Space, Qt::NoModifier, "en"}};
            for (const auto &[title, key, modifiers, code] : choices) {
                const bool byKeyboard = key.has_value();
                if (byKeyboard)
                    chooseByKeyboard(QLatin1String(title), *key, modifiers);
                else
                    s.w.click(segment(QLatin1String(title)));
                QTRY_COMPARE(s.app->languagePicker().languageCode(), QLatin1String(code));
                // The rebuilt window shows the language tab, its picker on the choice.
                QTRY_VERIFY(s.w.item(QStringLiteral("languagePicker")));
                QVERIFY(!s.w.item(QStringLiteral("rolePicker")));
                QCOMPARE(s.w.item(QStringLiteral("languagePicker"))->property("currentIndex").toInt(),
                    qstrcmp(code, "da") == 0 ? 1 : 0);
                // Chosen with the keys, the keyboard stays on the choice in the rebuilt window.
                if (byKeyboard)
                    QTRY_COMPARE(s.w.window->activeFocusItem(), segment(QLatin1String(title)));
                s.w.shot(QLatin1String(code) + QStringLiteral("-settings-language-chosen")
                    + (byKeyboard ? QStringLiteral("-keyboard") : QStringLiteral("-mouse")));
            }
        }
        verifyNoQmlProblems();
    }

    // Each name the network cannot carry, typed or pasted into the service-name field: said under
    // the field in the window's language, never stored, and Start (by Return or click) announces
    // nothing. "Målstation 2" is stored and announced exactly.
    void serviceNamesThatCannotBeAnnounced_data() { addLanguageRows(); }
    void serviceNamesThatCannotBeAnnounced()
    {
        QFETCH(int, languageIndex);
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            SettingsWindow s(std::make_unique<MemoryKeyStore>());
            RecordingDiscovery discovery;
            s.store->syncEngine()->setDiscoveryFactory(discovery.factory());
            StationSettings *settings = s.store->stationSettings();
            settings->setRole(StationRole::Master);
            QVERIFY(settings->setServiceName(QStringLiteral("Målstation 1")));
            s.app->languagePicker().pick(languageIndex);
            const QString code = s.app->languagePicker().languageCode();
            const bool danish = languageIndex == 1;
            QVERIFY(s.open(QStringLiteral("stationRole")));
            QTRY_VERIFY(s.w.item(QStringLiteral("serviceNameField")));
            const QString tooLong = danish
                ? QStringLiteral(
                    "Tjenestenavnet fylder %1 byte; højst 63 kan annonceres (æ, ø og å fylder to byte hver).")
                : QStringLiteral(
                    "The service name takes %1 bytes; at most 63 can be announced (æ, ø and å take two "
                    "bytes each).");
            const QString control = danish
                ? QStringLiteral(
                    "Tjenestenavnet kan ikke indeholde et linjeskift, en tabulator eller et andet "
                    "kontroltegn.")
                : QStringLiteral(
                    "The service name cannot hold a line break, a tab or another control character.");
            const QString empty = danish
                ? QStringLiteral(
                    "Tjenestenavnet kan ikke være tomt eller kun mellemrum: slaverne finder masteren ved "
                    "det.")
                : QStringLiteral(
                    "The service name cannot be empty or only spaces: the slaves find the master by it.");
            // Name, how it gets into the field (typed, or pasted: a field takes no line break or
            // tab from the keys), the message, the screenshot's name.
            const std::tuple<QString, bool, QString, const char *> names[] = {
                {QString(70, u'x'), false, tooLong.arg(70), "70-characters"},
                {QString(50, u'x') + QStringLiteral("øøøøøøø"), false, tooLong.arg(64), "57-characters"},
                {QStringLiteral("Start\n2"), true, control, "line-break"},
                {QStringLiteral("Start\t2"), true, control, "tab"},
                {QString(), false, empty, "empty"},
                {QStringLiteral("   "), false, empty, "spaces"},
            };
            QQuickItem *field = s.w.item(QStringLiteral("serviceNameField"));
            for (const auto &[name, pasted, message, shot] : names) {
                if (pasted) {
                    s.w.typeInto(field, QStringLiteral("Start"));
                    QGuiApplication::clipboard()->setText(name);
                    QTest::keyClick(s.w.window, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClick(s.w.window, Qt::Key_V, Qt::ControlModifier);
                } else {
                    s.w.typeInto(field, name);
                }
                QCOMPARE(field->property("text").toString(), name);
                QTRY_VERIFY(s.w.item(QStringLiteral("serviceNameError")));
                QCOMPARE(s.w.item(QStringLiteral("serviceNameError"))->property("text").toString(), message);
                QVERIFY(!s.w.item(QStringLiteral("startButton"))->isEnabled());
                QTest::keyClick(s.w.window, Qt::Key_Return); // Start from the field: refused
                QTest::keyClick(s.w.window, Qt::Key_Tab); // the editing ends
                QVERIFY(!field->hasActiveFocus());
                QCOMPARE(field->property("text").toString(), name);
                // Not being edited, the field shows the name from its beginning.
                QCOMPARE(field->property("cursorPosition").toInt(), 0);
                QCOMPARE(settings->serviceName(), QStringLiteral("Målstation 1"));
                QCOMPARE(QSettings(s.dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
                             .value(QStringLiteral("stationServiceName"))
                             .toString(),
                    QStringLiteral("Målstation 1"));
                s.w.click(s.w.item(QStringLiteral("startButton"))); // disabled: nothing happens
                QVERIFY(!s.store->syncEngine()->isRunning());
                QCOMPARE(discovery.advertised, QStringList());
                s.w.shot(code + QStringLiteral("-settings-service-name-") + QLatin1String(shot));
            }
            // Another tab and back: the refused name is still in the field, and still said.
            QVERIFY(s.open(QStringLiteral("language")));
            QVERIFY(s.open(QStringLiteral("stationRole")));
            QTRY_VERIFY(s.w.item(QStringLiteral("serviceNameError")));
            QCOMPARE(s.w.item(QStringLiteral("serviceNameField"))->property("text").toString(),
                QStringLiteral("   "));

            s.w.typeInto(QStringLiteral("serviceNameField"), QStringLiteral("Målstation 2"));
            QTRY_VERIFY(!s.w.item(QStringLiteral("serviceNameError")));
            s.w.click(QStringLiteral("startButton"));
            QTRY_VERIFY(s.store->syncEngine()->isRunning());
            QCOMPARE(discovery.advertised, QStringList {QStringLiteral("Målstation 2")});
            QCOMPARE(settings->serviceName(), QStringLiteral("Målstation 2"));
            QCOMPARE(s.w.item(QStringLiteral("syncStatus"))->property("text").toString(),
                danish ? QStringLiteral("Master kører og annoncerer \"Målstation 2\"")
                       : QStringLiteral("Master running, advertising \"Målstation 2\""));
            s.w.shot(code + QStringLiteral("-settings-service-name-accepted"));
            s.store->stationControl()->stop();
            s.app->languagePicker().pick(0);
        }
        verifyNoQmlProblems();
    }

    void tabsInBothLanguages()
    {
        useTestSettings("tst_settingsscreen");
        WindowTestScope scope;
        {
            QTemporaryDir dir;
            RaceStoreOptions options = storeOptionsIn(dir.path(), QStringLiteral("autosave"));
            FakeVexloWeb web;
            web.entries = {QJsonObject {
                {"id", "c1"}, {"sportident", "101"}, {"startStatus", "OK"}, {"hasNewSportident", false}}};
            options.settings->setValue("vexloWebBaseUrl", web.baseUrl().toString());
            FakeMetsaServer metsa;
            metsa.answers = {{.status = 413}, {.status = 415}};
            options.settings->setValue(QStringLiteral("metsaBaseUrl"), metsa.baseUrl());
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            RaceStore *store = &shell->raceStore();
            store->liveResultatSettings()->setCompetitionId(QStringLiteral("12345"));
            store->setRace(
                {.name = "Forårsløbet", .participants = {{.givenName = "Anna", .cardNumber = "101"}}});
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>());
            QVERIFY(app.start());
            QQuickWindow *window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(window, testwaits::ceilingMs));
            app.content().setSelectedItem(SidebarItem::Sync);
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("tab_stationRole")));
            window->resize(window->minimumSize());
            QVERIFY(
                !findVisibleItem(window, QStringLiteral("tab_oChecklist"))); // offered once a key is entered
            press(window, QStringLiteral("tab_vexloWeb"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("apiKeyField")));
            findVisibleItem(window, QStringLiteral("apiKeyField"))->forceActiveFocus(Qt::TabFocusReason);
            uichecks::typeText(window, QStringLiteral("good-key"));
            QTest::keyClick(window, Qt::Key_Tab); // on to Verify
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("verifiedMark")));
            press(window, QStringLiteral("tab_oChecklist"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("refreshButton")));
            press(window, QStringLiteral("refreshButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("eventDetails")));
            press(window, QStringLiteral("pullNowButton"));
            QTRY_VERIFY(store->race().participants.value(0).checkedInAt.has_value());
            press(window, QStringLiteral("rotateButton")); // asks first
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("confirmRotateButton")));
            QCOMPARE(store->race().vexloWebChecklistKey, std::optional<QString>("ck-1"));
            press(window, QStringLiteral("confirmRotateButton"));
            QTRY_COMPARE(store->race().vexloWebChecklistKey, std::optional<QString>("ck-1-r"));
            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                const std::pair<const char *, const char *> tabs[]
                    = {{"liveResults", "publishNowButton"}, {"metsa", "metsaPublishNowButton"},
                        {"vexloWeb", "verifyStatus"}, {"oChecklist", "pullStatus"},
                        {"language", "languagePicker"}, {"stationRole", "rolePicker"}};
                for (const auto &[tab, shows] : tabs) {
                    QQuickItem *button = findVisibleItem(window, QStringLiteral("tab_") + QLatin1String(tab));
                    QVERIFY2(button, tab);
                    // Each tab shows its symbol beside its title.
                    QQuickItem *symbol = WindowDriver {window}.itemIn(
                        QStringLiteral("tab_") + QLatin1String(tab), QStringLiteral("tabSymbol"));
                    QVERIFY2(symbol && symbol->property("valid").toBool(), tab);
                    button->forceActiveFocus();
                    QTest::keyClick(window, Qt::Key_Return);
                    QTRY_VERIFY(findVisibleItem(window, QLatin1String(shows)));
                    // A publishing switch says what it turns on, whether on or off: Space turns
                    // it on and off again, and its label stays.
                    const struct
                    {
                        const char *tab, *name, *english, *danish;
                    } switches[] = {{"liveResults", "enabledSwitch", "Publish results to LiveResultat",
                                        "Udgiv resultater på LiveResultat"},
                        {"metsa", "metsaEnabledSwitch", "Publish results to Metsä",
                            "Udgiv resultater på Metsä"}};
                    for (const auto &sw : switches) {
                        if (qstrcmp(tab, sw.tab) != 0)
                            continue;
                        QQuickItem *toggle = findVisibleItem(window, QLatin1String(sw.name));
                        QVERIFY2(toggle, sw.name);
                        const QString label = QString::fromUtf8(languageIndex == 0 ? sw.english : sw.danish);
                        const bool was = toggle->property("checked").toBool();
                        for (bool on : {!was, was}) {
                            QCOMPARE(toggle->property("text").toString(), label);
                            toggle->forceActiveFocus(Qt::TabFocusReason);
                            QTest::keyClick(window, Qt::Key_Space);
                            QTRY_COMPARE(toggle->property("checked").toBool(), on);
                            QCOMPARE(qstrcmp(tab, "metsa") == 0 ? store->metsaSettings()->enabled()
                                                                : store->liveResultatSettings()->enabled(),
                                on);
                        }
                        QCOMPARE(toggle->property("text").toString(), label);
                    }
                    if (qstrcmp(tab, "metsa") == 0)
                        metsaKeyboard(window, store, &metsa,
                            languageIndex == 0
                                ? QStringLiteral("Publish failed: upload too large (over 32 MiB)")
                                : QStringLiteral("Publish failed: wrong content type/encoding"));
                    // Nothing is cut off at the minimum size.
                    WindowDriver {window}.shot(code + QStringLiteral("-settings-") + QLatin1String(tab));
                }
            }
            app.languagePicker().pick(0);
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestSettingsScreen)
#include "tst_settingsscreen.moc"
