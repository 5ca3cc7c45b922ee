// The Events section's file handling on a real store: failed opens and saves keep the event and
// show why, the recent list follows opens and saves, "New" asks before losing unsaved work, and
// bad names and dates never reach a file.

#include "casetable.h"
#include "eventfileviewmodel.h"
#include "localization.h"
#include "racejson.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

class TestEventFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<StoreHarness> harness;
    std::unique_ptr<RaceStore> store;
    EventFileViewModel vm;

    QUrl fileUrl(const QString &name) const { return QUrl::fromLocalFile(harness->path(name)); }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        // A fresh folder each time: a store reopens the last recent file it finds.
        harness = std::make_unique<StoreHarness>();
        harness->backgroundAutosave = false;
        store = harness->makeStore(namedRace(QStringLiteral("Spring Cup")));
        vm.setStore(store.get());
        vm.setToday([] { return QDate(2025, 5, 17); });
    }
    void cleanup()
    {
        vm.setStore(nullptr);
        store.reset();
    }

    void saveAsThenReopenFromRecent()
    {
        // Save is offered for an event without a file too: it asks where the file goes (without a
        // widget application there is no dialog, which counts as cancelled: nothing is written).
        QVERIFY(vm.canSave());
        vm.saveEvent();
        QVERIFY(store->raceFileUrl().isEmpty());
        QVERIFY(vm.fileError().isEmpty());
        QVERIFY(vm.savedMessage().isEmpty());
        QCOMPARE(vm.suggestedFileName(), QStringLiteral("Spring Cup.vexloevent.json"));
        // The dialog's name without the suffix still gives an event file.
        vm.saveEventAs(fileUrl(QStringLiteral("cup")));
        QCOMPARE(store->raceFileUrl(), fileUrl(QStringLiteral("cup.vexloevent.json")));
        QVERIFY(vm.canSave());
        vm.setEventName(QStringLiteral("Autumn Cup"));
        QVERIFY(vm.newNeedsConfirmation());
        vm.saveEvent();
        QVERIFY(!vm.newNeedsConfirmation());
        vm.saveEventAs(fileUrl(QStringLiteral("second.json")));
        QCOMPARE(vm.recentFiles().size(), 2);
        QCOMPARE(
            vm.recentFiles().first().toMap().value("title").toString(), QStringLiteral("second.vexloevent"));

        vm.setEventName(QStringLiteral("unsaved"));
        vm.loadEvent(fileUrl(QStringLiteral("cup.vexloevent.json")));
        QCOMPARE(vm.eventName(), QStringLiteral("Autumn Cup"));
        QCOMPARE(vm.recentFiles().first().toMap().value("url").toUrl(),
            fileUrl(QStringLiteral("cup.vexloevent.json")));
        QVERIFY(vm.fileError().isEmpty());

        vm.clearRecentEvents();
        QVERIFY(vm.recentFiles().isEmpty());
        QVERIFY(harness->storedRecent().isEmpty());
    }

    // Opening a copy of the open event (a Save As copy, the same event) while its full write
    // still waits for its gap: the waiting write goes to the open file before the copy replaces
    // the event, so the file keeps the last change made in it.
    void openingACopyKeepsTheWaitingChangeInItsOwnFile()
    {
        cleanup();
        harness = std::make_unique<StoreHarness>();
        harness->fullWriteGap = std::chrono::hours(1);
        store = harness->makeStore(namedRace(QStringLiteral("Spring Cup")));
        vm.setStore(store.get());
        vm.saveEventAs(fileUrl(QStringLiteral("cup")));
        vm.saveEventAs(fileUrl(QStringLiteral("copy")));
        vm.loadEvent(fileUrl(QStringLiteral("cup.vexloevent.json")));
        QCOMPARE(store->raceFileUrl(), fileUrl(QStringLiteral("cup.vexloevent.json")));
        vm.setEventName(QStringLiteral("Spring Cup, edited"));
        store->autosave();

        vm.loadEvent(fileUrl(QStringLiteral("copy.vexloevent.json")));
        QVERIFY(vm.fileError().isEmpty());
        store->flushAutosave();
        QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
        const auto cup = RaceStore::readEventFile(fileUrl(QStringLiteral("cup.vexloevent.json")));
        QVERIFY(cup);
        QCOMPARE(cup->name, QStringLiteral("Spring Cup, edited"));
        const auto copy = RaceStore::readEventFile(fileUrl(QStringLiteral("copy.vexloevent.json")));
        QVERIFY(copy);
        QCOMPARE(copy->name, QStringLiteral("Spring Cup"));
    }

    // Opening an event, interrupted at any moment (every change the store announces during the
    // open is a moment a crash could come): start-up afterwards opens the event as it was before
    // the open, or the file opened, never an older file or one file's path with another's event.
    void openInterruptedAtAnyMomentReopensOneOrTheOther_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("another event") << QStringLiteral("another");
        QTest::newRow("a copy of the open event") << QStringLiteral("copy");
        QTest::newRow("the event open from the autosave") << QStringLiteral("autosave");
    }
    void openInterruptedAtAnyMomentReopensOneOrTheOther()
    {
        QFETCH(QString, setup);
        // What start-up may open: the file (empty: the autosave) and the event's name.
        QList<std::pair<QUrl, QString>> allowed;
        QUrl target;
        const auto writeEvent = [&](const QString &name, const QString &eventName) {
            const QUrl url = fileUrl(name);
            QFile file(url.toLocalFile());
            if (file.open(QIODevice::WriteOnly))
                file.write(*encodeRace(namedRace(eventName), JsonLayout::PrettySorted));
            return url;
        };
        if (setup == u"another") {
            vm.saveEventAs(fileUrl(QStringLiteral("cup.vexloevent.json")));
            target = writeEvent(QStringLiteral("autumn.vexloevent.json"), QStringLiteral("Autumn Cup"));
            allowed = {{fileUrl(QStringLiteral("cup.vexloevent.json")), QStringLiteral("Spring Cup")},
                {target, QStringLiteral("Autumn Cup")}};
        } else if (setup == u"copy") {
            // An older copy of the same event, and the event's own file with more in it.
            vm.saveEventAs(fileUrl(QStringLiteral("cup.vexloevent.json")));
            vm.setEventName(QStringLiteral("Older copy"));
            vm.saveEventAs(fileUrl(QStringLiteral("copy.vexloevent.json")));
            vm.loadEvent(fileUrl(QStringLiteral("cup.vexloevent.json")));
            vm.setEventName(QStringLiteral("Spring Cup, results"));
            vm.saveEvent();
            target = fileUrl(QStringLiteral("copy.vexloevent.json"));
            allowed
                = {{fileUrl(QStringLiteral("cup.vexloevent.json")), QStringLiteral("Spring Cup, results")},
                    {target, QStringLiteral("Older copy")}};
        } else {
            // The most recent file damaged: start-up opened the autosave's event instead.
            vm.saveEventAs(fileUrl(QStringLiteral("older.vexloevent.json")));
            store->setRace(namedRace(QStringLiteral("Recovered")));
            vm.saveEventAs(fileUrl(QStringLiteral("damaged.vexloevent.json")));
            store->autosave();
            vm.setStore(nullptr);
            store.reset();
            QVERIFY(QFile::resize(harness->path(QStringLiteral("damaged.vexloevent.json")), 20));
            store = harness->makeStore();
            vm.setStore(store.get());
            QCOMPARE(store->race().name, QStringLiteral("Recovered"));
            QCOMPARE(store->unreadableEventFileUrl(), fileUrl(QStringLiteral("damaged.vexloevent.json")));
            target = writeEvent(QStringLiteral("autumn.vexloevent.json"), QStringLiteral("Autumn Cup"));
            allowed = {{QUrl(), QStringLiteral("Recovered")}, {target, QStringLiteral("Autumn Cup")}};
        }
        QVERIFY(RaceStore::readEventFile(target));
        store->flushAutosave();

        // The files start-up reads, as they are at each announcement.
        std::vector<std::unique_ptr<QTemporaryDir>> moments;
        const auto keep = [&] {
            auto moment = std::make_unique<QTemporaryDir>();
            QVERIFY(QDir().mkpath(moment->filePath(QStringLiteral("data"))));
            QVERIFY(QFile::copy(harness->path(QStringLiteral("settings.ini")),
                moment->filePath(QStringLiteral("settings.ini"))));
            const QDir data(harness->path(QStringLiteral("data")));
            for (const QString &name : data.entryList(QDir::Files | QDir::Hidden))
                QVERIFY(QFile::copy(data.filePath(name), moment->filePath(QStringLiteral("data/") + name)));
            moments.push_back(std::move(moment));
        };
        QObject context;
        connect(store.get(), &RaceStore::raceChanged, &context, keep);
        connect(store.get(), &RaceStore::raceFileUrlChanged, &context, keep);
        connect(store.get(), &RaceStore::recentRaceUrlsChanged, &context, keep);
        connect(store.get(), &RaceStore::unreadableEventFileChanged, &context, keep);
        vm.loadEvent(target);
        QVERIFY(vm.fileError().isEmpty());
        QCOMPARE(store->raceFileUrl(), target);
        QVERIFY(!moments.empty());

        for (std::size_t i = 0; i < moments.size(); ++i) {
            RaceStoreOptions options;
            options.settings = std::make_unique<QSettings>(
                moments[i]->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            options.autosaveFolder = moments[i]->filePath(QStringLiteral("data"));
            options.keyStore = std::make_unique<MemoryKeyStore>();
            options.clock = [] { return StoreHarness::fixedNow(); };
            options.backgroundAutosave = false;
            const RaceStore restarted(std::move(options));
            const std::pair<QUrl, QString> opened {restarted.raceFileUrl(), restarted.race().name};
            QVERIFY2(allowed.contains(opened),
                qPrintable(QStringLiteral("moment %1 of %2: %3 with \"%4\"")
                               .arg(i + 1)
                               .arg(moments.size())
                               .arg(opened.first.toLocalFile(), opened.second)));
            if (opened.first.isEmpty())
                QCOMPARE(
                    restarted.unreadableEventFileUrl(), fileUrl(QStringLiteral("damaged.vexloevent.json")));
        }
    }

    // A copy of the open event while the open event's changes cannot be written (its autosave's
    // name taken by a folder): opened, the changes would be replayed onto the copy at the next
    // start. It is not opened, and the organiser is told why.
    void copyNotOpenedOverChangesThatCannotBeSaved()
    {
        vm.saveEventAs(fileUrl(QStringLiteral("cup.vexloevent.json")));
        vm.saveEventAs(fileUrl(QStringLiteral("copy.vexloevent.json")));
        vm.loadEvent(fileUrl(QStringLiteral("cup.vexloevent.json")));
        QFile::remove(harness->autosavePath());
        QVERIFY(QDir().mkpath(harness->autosavePath()));
        vm.setEventName(QStringLiteral("Spring Cup, results"));
        vm.loadEvent(fileUrl(QStringLiteral("copy.vexloevent.json")));
        QVERIFY2(vm.fileError().startsWith(
                     QStringLiteral("Load failed: The event's latest changes could not be saved (")),
            qPrintable(vm.fileError()));
        QVERIFY2(vm.fileError().endsWith(QStringLiteral("), and the chosen file holds the same event, so it "
                                                        "was not opened over them. Open it again once "
                                                        "saving works.")),
            qPrintable(vm.fileError()));
        QCOMPARE(store->raceFileUrl(), fileUrl(QStringLiteral("cup.vexloevent.json")));
        QCOMPARE(store->race().name, QStringLiteral("Spring Cup, results"));
        QCOMPARE(harness->storedRecent().first(), harness->path(QStringLiteral("cup.vexloevent.json")));
        // Saving works again: the copy opens.
        QVERIFY(QDir(harness->autosavePath()).removeRecursively());
        vm.loadEvent(fileUrl(QStringLiteral("copy.vexloevent.json")));
        QVERIFY(vm.fileError().isEmpty());
        QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
        QCOMPARE(RaceStore::readEventFile(fileUrl(QStringLiteral("cup.vexloevent.json")))->name,
            QStringLiteral("Spring Cup, results"));
    }

    void failedOpenKeepsEventAndList()
    {
        vm.saveEventAs(fileUrl(QStringLiteral("gone.vexloevent.json")));
        QVERIFY(QFile::remove(harness->path(QStringLiteral("gone.vexloevent.json"))));
        QFile notEvent(harness->path(QStringLiteral("notes.json")));
        QVERIFY(notEvent.open(QIODevice::WriteOnly));
        notEvent.write("{\"hello\": [1, 2]}");
        notEvent.close();
        QDir().mkpath(harness->path(QStringLiteral("folder.vexloevent.json")));

        for (const QString &name : {QStringLiteral("gone.vexloevent.json"), QStringLiteral("notes.json"),
                 QStringLiteral("folder.vexloevent.json")}) {
            vm.loadEvent(fileUrl(name));
            QVERIFY2(vm.fileError().startsWith(QStringLiteral("Load failed: ")), qPrintable(vm.fileError()));
            QCOMPARE(vm.eventName(), QStringLiteral("Spring Cup"));
            QCOMPARE(store->raceFileUrl(), fileUrl(QStringLiteral("gone.vexloevent.json")));
            QCOMPARE(vm.recentFiles().size(), 1);
        }
        QVERIFY(vm.fileError().contains(QStringLiteral("folder")));
        // A success clears the message.
        vm.saveEventAs(fileUrl(QStringLiteral("back.vexloevent.json")));
        QVERIFY(vm.fileError().isEmpty());
    }

    void notAnEventFile_data() { casetable::load("event/not-event-files.tsv"); }
    void notAnEventFile()
    {
        QFETCH(QStringList, cells);
        LocalizationManager language {QStringList {cells[0]}};
        language.setLanguageCode(cells[0]);
        LocalizationManager::setShared(&language);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        QFile file(harness->path(cells[1]));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cells[2].toLatin1());
        file.close();
        vm.loadEvent(fileUrl(cells[1]));
        QCOMPARE(vm.fileError(), cells[3]);
        QCOMPARE(vm.eventName(), QStringLiteral("Spring Cup"));
    }

    // Which targets fail and what they leave is the store's rule (tst_racestore); the section says why.
    void failedSaveSaysWhy()
    {
        vm.saveEventAs(fileUrl(QStringLiteral("none/x.json")));
        QVERIFY2(vm.fileError().startsWith(QStringLiteral("Save failed: ")), qPrintable(vm.fileError()));
        QVERIFY(store->raceFileUrl().isEmpty());
        QCOMPARE(vm.eventName(), QStringLiteral("Spring Cup"));
    }

    void newAsksOnlyWhenWorkWouldBeLost()
    {
        // Only in the autosave: asks.
        QVERIFY(vm.newNeedsConfirmation());
        vm.saveEventAs(fileUrl(QStringLiteral("a.vexloevent.json")));
        QVERIFY(!vm.newNeedsConfirmation());
        // An edit that no save wrote yet.
        vm.setMultiStage(true);
        QVERIFY(vm.newNeedsConfirmation());
        // An operation that autosaves writes the file too.
        store->autosave();
        QVERIFY(!vm.newNeedsConfirmation());
        // The file changed or vanished behind the store.
        QVERIFY(QFile::remove(harness->path(QStringLiteral("a.vexloevent.json"))));
        QVERIFY(vm.newNeedsConfirmation());
        vm.newEvent();
        QCOMPARE(vm.eventName(), QStringLiteral("Untitled Race"));
        QVERIFY(store->needsInitialSetup());
        QVERIFY(vm.canSave());
    }

    // A fresh start holds a new event that nothing changed: "New" loses nothing and asks nothing,
    // until the event holds something of its own.
    void newOnAFreshStartAsksNothing()
    {
        vm.setStore(nullptr);
        store.reset();
        harness = std::make_unique<StoreHarness>();
        store = harness->makeStore();
        vm.setStore(store.get());
        QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
        QVERIFY(store->raceFileUrl().isEmpty());
        QVERIFY(!vm.newNeedsConfirmation());
        vm.setEventName(QStringLiteral("Spring Cup"));
        QVERIFY(vm.newNeedsConfirmation());
        vm.setEventName(QStringLiteral("Untitled Race"));
        QVERIFY(!vm.newNeedsConfirmation());
        vm.setMultiStage(false);
        QVERIFY(vm.newNeedsConfirmation());
    }

    // Giving up the new event's sheet brings back the event open before, from its file when it
    // had one, as it was when it had none; a saved new event stays.
    void abandonedNewEventBringsBackTheOpenOne()
    {
        vm.setEventName(QStringLiteral("Autumn Cup"));
        vm.newEvent();
        QVERIFY(store->needsInitialSetup());
        store->abandonNewRace();
        QVERIFY(!store->needsInitialSetup());
        QCOMPARE(vm.eventName(), QStringLiteral("Autumn Cup"));
        QVERIFY(store->raceFileUrl().isEmpty());

        vm.saveEventAs(fileUrl(QStringLiteral("a.vexloevent.json")));
        vm.newEvent();
        QCOMPARE(vm.eventName(), QStringLiteral("Untitled Race"));
        store->abandonNewRace();
        QVERIFY(!store->needsInitialSetup());
        QCOMPARE(vm.eventName(), QStringLiteral("Autumn Cup"));
        QCOMPARE(store->raceFileUrl(), fileUrl(QStringLiteral("a.vexloevent.json")));
        QVERIFY(vm.canSave());
        // Nothing to give up once no new event waits.
        store->abandonNewRace();
        QCOMPARE(vm.eventName(), QStringLiteral("Autumn Cup"));

        vm.newEvent();
        vm.setEventName(QStringLiteral("Night Sprint"));
        vm.saveEventAs(fileUrl(QStringLiteral("b.vexloevent.json")));
        QVERIFY(!store->needsInitialSetup());
        store->abandonNewRace();
        QCOMPARE(vm.eventName(), QStringLiteral("Night Sprint"));
    }

    void namesNeverMakeBrokenFiles_data() { casetable::load("event/event-names.tsv"); }
    void namesNeverMakeBrokenFiles()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const QByteArray before = StoreHarness::readAll(harness->autosavePath());
        vm.setEventName(name);
        QCOMPARE(vm.suggestedFileName(), casetable::withLength(cells[1]));
        QCOMPARE(!vm.nameWarning().isEmpty(), cells[2] == u"1");
        const bool stored = cells.value(3) == u"1";
        QCOMPARE(store->race().name, stored ? name : QStringLiteral("Spring Cup"));
        if (!stored)
            QCOMPARE(StoreHarness::readAll(harness->autosavePath()), before);
    }

    void datesOutOfRangeKeepTheEvent()
    {
        QCOMPARE(vm.eventDate(), QDate(2025, 5, 17));
        QVERIFY(!store->race().date);
        for (const char *bad : {"2025-13-01", "0099-01-01", "tomorrow", "3000-01-01"}) {
            QVERIFY(!vm.setEventDateText(QString::fromLatin1(bad)));
            QVERIFY(!vm.dateError().isEmpty());
            QVERIFY(!store->race().date);
        }
        QCOMPARE(vm.eventDateText(), QStringLiteral("3000-01-01"));
        QVERIFY(vm.setEventDateText(QStringLiteral("2025-06-14")));
        QVERIFY(vm.dateError().isEmpty());
        QCOMPARE(vm.eventDateText(), QStringLiteral("14/06/2025"));
        QCOMPARE(formatDocumentDate(*store->race().date), QStringLiteral("2025-06-13T22:00:00Z"));
        QCOMPARE(vm.eventDate(), QDate(2025, 6, 14));
        // A day picked on the calendar after a refusal shows in place of the text refused.
        QVERIFY(!vm.setEventDateText(QStringLiteral("14.13.2025")));
        QCOMPARE(vm.eventDateText(), QStringLiteral("14.13.2025"));
        vm.pickDay(2025, 6, 15);
        QVERIFY(vm.dateError().isEmpty());
        QCOMPARE(vm.eventDateText(), QStringLiteral("15/06/2025"));
    }

    void typedDates_data() { casetable::load("event/event-dates.tsv"); }
    void typedDates()
    {
        QFETCH(QStringList, cells);
        LocalizationManager language(QStringList {cells[0]});
        language.setLanguageCode(cells[0]);
        LocalizationManager::setShared(&language);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        QVERIFY(!store->race().date);
        QCOMPARE(vm.eventDateText(),
            cells[0] == u"da" ? QStringLiteral("17.05.2025") : QStringLiteral("17/05/2025"));
        const QByteArray before = StoreHarness::readAll(harness->autosavePath());
        const bool taken = vm.setEventDateText(cells[1]);
        QCOMPARE(taken, cells[2] != u"refused");
        QCOMPARE(vm.dateError(), cells.value(3));
        QCOMPARE(vm.eventDateText(), cells.value(4));
        if (taken) {
            QCOMPARE(store->race().date->toLocalTime().date(), QDate::fromString(cells[2], Qt::ISODate));
            QCOMPARE(vm.eventDate(), QDate::fromString(cells[2], Qt::ISODate));
        } else {
            QVERIFY(!store->race().date);
            QCOMPARE(StoreHarness::readAll(harness->autosavePath()), before);
        }
        // Then another event: a new one, or one opened from a file dated 2026-03-14. The field
        // shows that event's date, with no word of the text typed for the one before.
        const QString then = cells.value(5);
        if (then.isEmpty())
            return;
        if (then == u"new event") {
            vm.newEvent();
        } else {
            QCOMPARE(then, QStringLiteral("open"));
            Race other = namedRace(QStringLiteral("Autumn Cup"));
            other.date = QDateTime(QDate(2026, 3, 14), QTime(0, 0));
            const QUrl url = fileUrl(QStringLiteral("autumn.vexloevent.json"));
            QFile file(url.toLocalFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(*encodeRace(other, JsonLayout::PrettySorted)) > 0);
            file.close();
            vm.loadEvent(url);
            QCOMPARE(vm.eventName(), QStringLiteral("Autumn Cup"));
        }
        QCOMPARE(vm.dateError(), QString());
        QCOMPARE(vm.eventDateText(), cells.value(6));
    }
};

QTEST_GUILESS_MAIN(TestEventFile)
#include "tst_eventfile.moc"
