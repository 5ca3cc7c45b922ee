// What the window says about an event file start-up could not read, without rendering: the
// organiser's sentence in both languages, where "Save As..." starts (never over the damaged file),
// the name the chosen file is given, and a refused save said plainly. The saver is a stand-in that
// records the paths it is asked for and answers as told.

#include "apptesting.h"
#include "localization.h"
#include "savestatus.h"

#include <QSignalSpy>

class TestSaveStatus : public QObject
{
    Q_OBJECT

private slots:
    void init() { useTestSettings("tst_savestatus"); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void sentenceInBothLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en")
            << QStringLiteral("en")
            << QStringLiteral(
                   "The event file /media/usb/cup.vexloevent.json is damaged and could not be "
                   "opened (not JSON: \u201Cunterminated string\u201D at offset 1845). Vexlo opened the last "
                   "autosave instead: \u201CSpring Cup\u201D. Choose Save As to keep it in a "
                   "file; until then it is saved only in the autosave.");
        QTest::newRow("da")
            << QStringLiteral("da")
            << QStringLiteral("L\u00F8bsfilen /media/usb/cup.vexloevent.json er beskadiget og kunne ikke "
                              "\u00E5bnes (ikke JSON: \u201Cunterminated string\u201D ved position 1845). "
                              "Vexlo \u00E5bnede "
                              "i stedet den seneste autogemte udgave: \u201CSpring Cup\u201D. V\u00E6lg Gem "
                              "som for at gemme l\u00F8bet i en fil; indtil da gemmes det kun i den "
                              "autogemte udgave.");
    }
    void sentenceInBothLanguages()
    {
        QFETCH(QString, language);
        QFETCH(QString, expected);
        LocalizationManager manager(QStringList {language});
        LocalizationManager::setShared(&manager);
        SaveStatus status;
        QCOMPARE(status.unreadableFileText(), QString());
        QSignalSpy changed(&status, &SaveStatus::changed);
        status.setUnreadableEventFile(QStringLiteral("/media/usb/cup.vexloevent.json"),
            QStringLiteral("not JSON: unterminated string at offset 1845"), QStringLiteral("Spring Cup"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(status.unreadableFileText(), expected);
        // Nothing new: nothing announced.
        status.setUnreadableEventFile(QStringLiteral("/media/usb/cup.vexloevent.json"),
            QStringLiteral("not JSON: unterminated string at offset 1845"), QStringLiteral("Spring Cup"));
        QCOMPARE(changed.count(), 1);
        status.setUnreadableEventFile({}, {}, QStringLiteral("Spring Cup"));
        QCOMPARE(status.unreadableFileText(), QString());
        QCOMPARE(status.suggestedSaveUrl(), QUrl());
    }

    // Where the dialog starts: the damaged file's folder, under a name that is not the damaged
    // file's own.
    void suggestedFile_data()
    {
        QTest::addColumn<QString>("damaged");
        QTest::addColumn<QString>("suggested");
        QTest::newRow("event suffix")
            << QStringLiteral("/e/cup.vexloevent.json") << QStringLiteral("/e/cup-recovered.vexloevent.json");
        QTest::newRow("plain json") << QStringLiteral("/e/cup.json")
                                    << QStringLiteral("/e/cup-recovered.vexloevent.json");
        QTest::newRow("no suffix") << QStringLiteral("/e/cup")
                                   << QStringLiteral("/e/cup-recovered.vexloevent.json");
    }
    void suggestedFile()
    {
        QFETCH(QString, damaged);
        QFETCH(QString, suggested);
        SaveStatus status;
        status.setUnreadableEventFile(damaged, QStringLiteral("x"), QStringLiteral("Cup"));
        QCOMPARE(status.suggestedSaveUrl(), QUrl::fromLocalFile(suggested));
        QCOMPARE(status.suggestedSaveFolder(), QUrl::fromLocalFile(QStringLiteral("/e")));
        QVERIFY(status.suggestedSaveUrl().toLocalFile() != damaged);
    }

    void saveAsGivesTheSuffixAndSaysAFailure()
    {
        LocalizationManager manager(QStringList {QStringLiteral("en")});
        LocalizationManager::setShared(&manager);
        SaveStatus status;
        QStringList asked;
        std::optional<QString> answer;
        status.setSaver([&](const QString &path) {
            asked.append(path);
            return answer;
        });
        // Nothing unreadable: nothing to save from here.
        status.saveAs(QUrl::fromLocalFile(QStringLiteral("/e/a.json")));
        QVERIFY(asked.isEmpty());

        status.setUnreadableEventFile(
            QStringLiteral("/e/cup.vexloevent.json"), QStringLiteral("x"), QStringLiteral("Cup"));
        answer = QStringLiteral("Permission denied");
        status.saveAs(QUrl::fromLocalFile(QStringLiteral("/e/recovered")));
        QCOMPARE(asked, QStringList {QStringLiteral("/e/recovered.vexloevent.json")});
        QCOMPARE(status.saveAsError(), QStringLiteral("Save failed: Permission denied"));
        answer.reset();
        status.saveAs(QUrl::fromLocalFile(QStringLiteral("/e/mine.json")));
        QCOMPARE(asked.last(), QStringLiteral("/e/mine.json"));
        QCOMPARE(status.saveAsError(), QString());
        // Not a local file: said, and nothing written.
        status.saveAs(QUrl(QStringLiteral("https://example.invalid/cup.json")));
        QCOMPARE(asked.size(), 2);
        QVERIFY(status.saveAsError().startsWith(QStringLiteral("Save failed: ")));
    }

    // The quit held back and a refused save elsewhere say the store's reason in Danish, its path
    // and the system's words quoted.
    void quitProblemInDanish()
    {
        LocalizationManager manager(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&manager);
        SaveStatus status;
        status.retryWrites = [] { return false; };
        std::optional<QString> answer
            = QStringLiteral("Cannot create a file in /media/usb: Permission denied");
        status.saveEventTo = [&](const QUrl &) { return answer; };
        status.setAutosaveError(
            QStringLiteral("Cannot write /media/usb/cup.vexloevent.json: No space left on device"));
        QVERIFY(!status.mayQuit());
        QCOMPARE(status.quitProblemText(),
            QStringLiteral(
                "Vexlo kan ikke afslutte sikkert: l\u00F8bet kan ikke gemmes (Kan ikke skrive "
                "\u201C/media/usb/cup.vexloevent.json\u201D: \u201CNo space left on device\u201D), og "
                "\u00E6ndringer ville g\u00E5 tabt. Gem det et andet sted, for eksempel p\u00E5 en "
                "anden disk, eller g\u00F8r mappen skrivbar eller frig\u00F8r plads, og afslut igen."));
        QCOMPARE(status.saveElsewhere(QUrl::fromLocalFile(QStringLiteral("/media/usb/copy.json"))),
            QStringLiteral("Lagring mislykkedes: Kan ikke oprette en fil i \u201C/media/usb\u201D: "
                           "Adgang n\u00E6gtet"));
        QCOMPARE(status.saveElsewhere(QUrl(QStringLiteral("https://example.invalid/cup.json"))),
            QStringLiteral(
                "Lagring mislykkedes: Ikke en lokal fil: \u201Chttps://example.invalid/cup.json\u201D"));
        QVERIFY(!status.quitProblemText().isEmpty());
        answer.reset();
        QCOMPARE(
            status.saveElsewhere(QUrl::fromLocalFile(QStringLiteral("/media/other/copy.json"))), QString());
        QCOMPARE(status.quitProblemText(), QString());
    }
};

QTEST_GUILESS_MAIN(TestSaveStatus)
#include "tst_savestatus.moc"
