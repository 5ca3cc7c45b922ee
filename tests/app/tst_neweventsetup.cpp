#include "neweventsetupviewmodel.h"

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
};

} // namespace

class TestNewEventSetup : public QObject
{
    Q_OBJECT
private slots:
    void suggestedName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const char *rows[][3] = {{"plain", "Club Night", "Club Night.vexloevent.json"},
            {"trailing blank kept", "Club Night ", "Club Night .vexloevent.json"},
            {"slash", "Sprint 1/2", "Sprint 1-2.vexloevent.json"},
            {"backslash", "A\\B", "A-B.vexloevent.json"},
            {"traversal", "../../etc/x", "..-..-etc-x.vexloevent.json"},
            {"empty", "", "Untitled Race.vexloevent.json"}};
        for (const auto &[tag, name, expected] : rows)
            QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(expected);
    }
    void suggestedName()
    {
        QFETCH(QString, name);
        QTEST(suggestedEventFileName(name), "expected");
    }

    void blankNameCannotSave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("canSave");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("newline and tab") << "\n\t" << false;
        QTest::newRow("name") << " X " << true;
    }
    void blankNameCannotSave()
    {
        FakeTarget target;
        NewEventSetupViewModel model(&target);
        QFETCH(QString, name);
        model.setEventName(name);
        QCOMPARE(target.name, name);
        QTEST(model.canSave(), "canSave");
        QTEST(model.requestSave(), "canSave");
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
};

QTEST_GUILESS_MAIN(TestNewEventSetup)
#include "tst_neweventsetup.moc"
