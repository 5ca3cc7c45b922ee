#include "casetable.h"
#include "localization.h"
#include "testenvironment.h"

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

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_localization"));
    }
    void init() { clearStored(); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void firstLaunch_data() { casetable::load("localization/first-launch-language.tsv"); }
    void firstLaunch()
    {
        QFETCH(QStringList, cells);
        if (cells[1] != u"-")
            QSettings().setValue(QLatin1String(LocalizationManager::settingsKey), cells[1]);
        LocalizationManager manager(cells[0].split(QLatin1Char('|'), Qt::SkipEmptyParts));
        QCOMPARE(manager.languageCode(), cells[2]);
        QCOMPARE(stored(), cells[1] == u"-" ? QVariant() : QVariant(cells[1]));
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

    void formatting_data() { casetable::load("localization/format-localized.tsv"); }
    void formatting()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(formatLocalized(cells[0], cells[1].split(QLatin1Char('|'))), cells[2]);
    }

    void everyDocumentCaptionHasADanishText()
    {
        LocalizationManager manager(QStringList {"da"});
        for (const QStringList &cells :
            casetable::rows(QStringLiteral("localization/document-captions.txt"))) {
            const QString &key = cells[0];
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
