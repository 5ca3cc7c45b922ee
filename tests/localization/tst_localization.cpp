#include "localization.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class TestLocalization : public QObject
{
    Q_OBJECT

private:
    static void clearStored()
    {
        QSettings settings;
        settings.remove(QLatin1String(LocalizationManager::settingsKey));
        settings.sync();
    }
    static QVariant stored()
    {
        QSettings settings;
        return settings.value(QLatin1String(LocalizationManager::settingsKey));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_localization"));
    }
    void init() { clearStored(); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void languageCodes()
    {
        QCOMPARE(toText(AppLanguage::English), QStringLiteral("en"));
        QCOMPARE(toText(AppLanguage::Danish), QStringLiteral("da"));
        QCOMPARE(appLanguageFromText(QStringLiteral("da")), std::optional(AppLanguage::Danish));
        QCOMPARE(appLanguageFromText(QStringLiteral("DA")), std::nullopt);
        QCOMPARE(appLanguageFromText(QStringLiteral("")), std::nullopt);
        QCOMPARE(appLanguageDisplayName(AppLanguage::Danish), QStringLiteral("Dansk"));
        QCOMPARE(appLanguageDisplayName(AppLanguage::English), QStringLiteral("English"));
    }

    void firstLaunch_data()
    {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("expected");
        QTest::newRow("da-DK first") << QStringList {"da-DK", "en-US"} << "da";
        QTest::newRow("en first") << QStringList {"en-US", "da-DK"} << "en";
        QTest::newRow("nb-NO only") << QStringList {"nb-NO"} << "en";
        QTest::newRow("empty") << QStringList {} << "en";
        QTest::newRow("prefix is case-sensitive") << QStringList {"DA-dk"} << "en";
        QTest::newRow("bare da") << QStringList {"da"} << "da";
    }
    void firstLaunch()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QString, expected);
        LocalizationManager manager(preferred);
        QCOMPARE(manager.languageCode(), expected);
        // The default is never written back.
        QVERIFY(!stored().isValid());
    }

    void storedChoiceWinsOverPreferences()
    {
        QSettings().setValue(QLatin1String(LocalizationManager::settingsKey), QStringLiteral("da"));
        LocalizationManager manager(QStringList {"en-US"});
        QCOMPARE(manager.language(), AppLanguage::Danish);
    }

    void unrecognisedStoredCodeIsLeftAlone()
    {
        QSettings().setValue(QLatin1String(LocalizationManager::settingsKey), QStringLiteral("DA"));
        LocalizationManager manager(QStringList {"nb-NO"});
        QCOMPARE(manager.language(), AppLanguage::English);
        QCOMPARE(stored().toString(), QStringLiteral("DA"));
    }

    void changeIsStoredAndAnnounced()
    {
        LocalizationManager manager(QStringList {"en"});
        QSignalSpy spy(&manager, &LocalizationManager::languageChanged);
        manager.setLanguage(AppLanguage::Danish);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(stored().toString(), QStringLiteral("da"));
        // The same value again: nothing stored, nothing announced.
        clearStored();
        manager.setLanguage(AppLanguage::Danish);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!stored().isValid());
        manager.setLanguageCode(QStringLiteral("xx"));
        QCOMPARE(manager.language(), AppLanguage::Danish);
        manager.setLanguageCode(QStringLiteral("en"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(stored().toString(), QStringLiteral("en"));
    }

    void lookupFollowsTheSharedLanguage()
    {
        LocalizationManager manager(QStringList {"en"});
        LocalizationManager::setShared(&manager);
        QCOMPARE(localized(QStringLiteral("Results")), QStringLiteral("Results"));
        manager.setLanguage(AppLanguage::Danish);
        QCOMPARE(localized(QStringLiteral("Results")), QStringLiteral("Resultater"));
        QCOMPARE(localized(QStringLiteral("%@ controls"), 12), QStringLiteral("12 poster"));
        QCOMPARE(localized(QStringLiteral("Start List (Grid) — page %@ of %@"), 1, 2),
            QStringLiteral("Startliste (gitter) — side 1 af 2"));
        QCOMPARE(localized(QStringLiteral("Not a key at all")), QStringLiteral("Not a key at all"));
    }

    void missingKeyServesAsFormat()
    {
        LocalizationManager manager(QStringList {"da"});
        LocalizationManager::setShared(&manager);
        QCOMPARE(localized(QStringLiteral("%d runners left"), 7), QStringLiteral("7 runners left"));
        // Without arguments the text is returned as it stands, percent signs included.
        QCOMPARE(localized(QStringLiteral("100% done %@")), QStringLiteral("100% done %@"));
    }

    void formatting_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << "%@ of %d and %lld" << QStringList {"a", "2", "3"} << "a of 2 and 3";
        QTest::newRow("percent") << "%d%% done" << QStringList {"50"} << "50% done";
        QTest::newRow("positional") << "%2$@ before %1$@" << QStringList {"x", "y"} << "y before x";
        QTest::newRow("too few arguments") << "%@ and %@" << QStringList {"one"} << "one and %@";
        QTest::newRow("unknown specifier") << "%s %@" << QStringList {"z"} << "%s z";
        QTest::newRow("trailing percent") << "50%" << QStringList {"z"} << "50%";
        QTest::newRow("argument with specifier") << "%@ %@" << QStringList {"%@", "b"} << "%@ b";
    }
    void formatting()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(formatLocalized(format, arguments), expected);
    }

    void everyDocumentCaptionHasADanishText()
    {
        LocalizationManager manager(QStringList {"da"});
        const QStringList keys {"#", "%@ contestant(s)", "%@ controls", "ALL STAGES", "COMPLETED", "Card",
            "Class", "Club", "IN TIME", "INCOMPLETE", "Name", "No class", "No course/split data", "OVERTIME",
            "Overall Standings", "Results", "Results — %@", "Score", "Split Times", "Split Times — %@",
            "Start List", "Start List (Grid)", "Start List (Grid) — page %@ of %@", "Start List — By Class",
            "Status", "Time", "Total", "Total Time"};
        for (const QString &key : keys) {
            const auto text = manager.lookup(key);
            QVERIFY2(text.has_value(), qPrintable(key));
            // Format texts keep as many arguments as their key.
            QCOMPARE(text->count(QStringLiteral("%@")), key.count(QStringLiteral("%@")));
        }
        QCOMPARE(manager.lookup(QStringLiteral("No class")),
            std::optional<QString>(QStringLiteral("Ingen klasse")));
    }

    void sharedInstanceIsOne()
    {
        QCOMPARE(&LocalizationManager::shared(), &LocalizationManager::shared());
        {
            LocalizationManager injected(QStringList {"da"});
            LocalizationManager::setShared(&injected);
            QCOMPARE(&LocalizationManager::shared(), &injected);
        }
        // A destroyed injected manager is never handed out.
        QVERIFY(LocalizationManager::shared().parent() == nullptr);
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
