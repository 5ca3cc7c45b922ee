#include "apptesting.h"
#include "casetable.h"
#include "localization.h"
#include "neweventsetupviewmodel.h"
#include "testenvironment.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

// The store side of the sheet: a name, the setup flag, and a save that fails on demand.
class FakeTarget : public NewEventTarget
{
public:
    QString name = QStringLiteral("Untitled Race");
    bool needsSetup = true;
    std::optional<QString> nextError;
    QStringList savedPaths;
    int cancelled = 0;

    QString eventName() const override { return name; }
    void setEventName(const QString &n) override { name = n; }
    bool needsInitialSetup() const override { return needsSetup; }
    std::optional<QString> saveTo(const QString &path) override
    {
        savedPaths.append(path);
        if (nextError)
            return std::exchange(nextError, std::nullopt);
        needsSetup = false;
        return std::nullopt;
    }
    void cancelNewEvent() override
    {
        ++cancelled;
        needsSetup = false;
    }
};

} // namespace

class TestNewEventSetup : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_neweventsetup"); }

    void suggestedName_data() { casetable::load("app/new-event-file-names.tsv"); }
    void suggestedName()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(suggestedEventFileName(cells[0]), cells[1]);
    }

    void blankNameCannotSave_data() { casetable::load("app/new-event-names.tsv"); }
    void blankNameCannotSave()
    {
        QFETCH(QStringList, cells);
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        const QString name = casetable::withLength(cells[0]);
        model.setEventName(name);
        const bool stored = cells.value(2, QStringLiteral("1")) == u"1";
        QCOMPARE(target.name, stored ? name : QStringLiteral("Untitled Race"));
        QCOMPARE(model.nameWarning().isEmpty(), stored);
        QCOMPARE(model.canSave(), cells[1] == u"1");
        QCOMPARE(model.requestSave(), cells[1] == u"1");
    }

    void cancelCreatesNothing()
    {
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        QSignalSpy visible(&model, &NewEventSetupViewModel::visibleChanged);
        model.cancel();
        QCOMPARE(target.cancelled, 1);
        QVERIFY(target.savedPaths.isEmpty());
        QVERIFY(!model.isVisible());
        QCOMPARE(visible.count(), 1);
        // Once the setup is over there is nothing to give up.
        model.cancel();
        QCOMPARE(target.cancelled, 1);
    }

    void failedSaveKeepsSheetOpenThenSucceeds()
    {
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        QSignalSpy visible(&model, &NewEventSetupViewModel::visibleChanged);
        QVERIFY(model.isVisible());
        model.saveTo(QUrl()); // the file dialog was cancelled: nothing happens
        QVERIFY(target.savedPaths.isEmpty());
        QCOMPARE(model.fileError(), QString());

        target.nextError = QStringLiteral("Permission denied");
        model.saveTo(QUrl::fromLocalFile(QStringLiteral("/ro/Event.vexloevent.json")));
        QCOMPARE(model.fileError(), QStringLiteral("Save failed: Permission denied"));
        QVERIFY(model.isVisible());
        QCOMPARE(visible.count(), 0);

        model.saveTo(QUrl::fromLocalFile(QStringLiteral("/tmp/Event.vexloevent.json")));
        QCOMPARE(model.fileError(), QString());
        QVERIFY(!model.isVisible());
        QCOMPARE(visible.count(), 1);
        QCOMPARE(target.savedPaths, QStringList({"/ro/Event.vexloevent.json", "/tmp/Event.vexloevent.json"}));
    }

    void sheetReturnsWithoutOldMessage()
    {
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        target.nextError = QStringLiteral("Disk full");
        model.saveTo(QUrl::fromLocalFile(QStringLiteral("/a.json")));
        QVERIFY(!model.fileError().isEmpty());
        // The store ends the setup some other way, then starts a new event.
        target.needsSetup = false;
        model.refresh();
        target.needsSetup = true;
        model.refresh();
        QVERIFY(model.isVisible());
        QCOMPARE(model.fileError(), QString());
    }

    // A file the dialog gives that is not on this machine, and the store's refusal, in Danish.
    void refusedSaveInDanish()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        danish.setLanguage(AppLanguage::Danish);
        LocalizationManager::setShared(&danish);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        model.saveTo(QUrl(QStringLiteral("https://example.invalid/Cup.vexloevent.json")));
        QVERIFY(target.savedPaths.isEmpty());
        QCOMPARE(model.fileError(),
            QStringLiteral("Lagring mislykkedes: Ikke en lokal fil: "
                           "\u201Chttps://example.invalid/Cup.vexloevent.json\u201D"));
        target.nextError = QStringLiteral("Cannot write /ro/Cup.vexloevent.json: Read-only file system");
        model.saveTo(QUrl::fromLocalFile(QStringLiteral("/ro/Cup.vexloevent.json")));
        QCOMPARE(model.fileError(),
            QStringLiteral("Lagring mislykkedes: Kan ikke skrive \u201C/ro/Cup.vexloevent.json\u201D: "
                           "\u201CRead-only file system\u201D"));
    }
};

QTEST_GUILESS_MAIN(TestNewEventSetup)
#include "tst_neweventsetup.moc"
