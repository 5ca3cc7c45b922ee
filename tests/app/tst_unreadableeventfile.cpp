// The event file the application cannot read at start-up (cut short, as a power cut or a full
// disk leaves it), in the real main window offscreen at its minimum size, in both languages: the
// window names the file and says the autosave was opened instead, "Save As..." puts the event in
// a file chosen through the real file dialog, and the damaged file is neither first in the recent
// list nor written. Any QML warning fails the test; screenshots land in the build folder.

#include "messagetext.h"
#include "racejson.h"
#include "racestoreshell.h"
#include "storeoptions.h"
#include "testenvironment.h"
#include "testevent.h"
#include "uichecks.h"
#include "vexloapp.h"
#include "windowdriver.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestUnreadableEventFile : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_unreadableeventfile"); }

    void reportedAndSavedElsewhere_data() { addLanguageRows(); }
    void reportedAndSavedElsewhere()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            // The event file cut in half; the autosave beside it holds the event.
            const Race event = testEvent(QStringLiteral("app/race-day.json"));
            const QByteArray whole = *encodeRace(event, JsonLayout::PrettySorted);
            const QString damaged = dir.filePath(QStringLiteral("events/cup.vexloevent.json"));
            const QString other = dir.filePath(QStringLiteral("events/other.vexloevent.json"));
            writeAll(damaged, whole.left(whole.size() / 2));
            writeAll(dir.filePath(QStringLiteral("autosave/current-race.json")),
                *encodeRace(event, JsonLayout::Compact));
            {
                QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
                settings.setValue(QStringLiteral("recentRaceFilePaths"), QStringList {damaged, other});
            }

            auto shell = std::make_unique<RaceStoreShell>(
                std::make_unique<RaceStore>(storeOptionsIn(dir.path(), QStringLiteral("autosave"))));
            RaceStore &store = shell->raceStore();
            SIDeviceRoots roots;
            roots.sysRoot = dir.filePath(QStringLiteral("no-sys"));
            roots.devRoot = dir.filePath(QStringLiteral("no-dev"));
            VexloApp app(std::move(shell),
                std::make_unique<CardReaderViewModel>(
                    std::make_shared<ManualReaderClock>(QDateTime()), roots));
            QVERIFY(app.start());
            WindowDriver w;
            w.window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(w.window, testwaits::ceilingMs));
            w.window->resize(w.window->minimumSize());
            app.languagePicker().pick(languageIndex);
            const QString code = app.languagePicker().languageCode();

            // Said in the window: the file, why, and what was opened instead.
            QTRY_VERIFY(w.item(QStringLiteral("unreadableFileText")));
            const QString text = w.item(QStringLiteral("unreadableFileText"))->property("text").toString();
            QCOMPARE(text,
                localized(
                    QStringLiteral("The event file %@ is damaged and could not be opened (%@). Vexlo "
                                   "opened the last autosave instead: \u201C%@\u201D. Choose Save As to "
                                   "keep it in a file; until then it is saved only in the autosave."),
                    QDir::toNativeSeparators(damaged), localizedMessage(store.unreadableEventFileReason()),
                    event.name));
            QVERIFY(!store.unreadableEventFileReason().isEmpty());
            QCOMPARE(store.race().name, event.name);
            // Not offered as if it were fine.
            QCOMPARE(store.recentRaceUrls(), QList<QUrl> {QUrl::fromLocalFile(other)});
            w.shot(code + QStringLiteral("-unreadable-event-file"));

            // "Save As..." opens the file dialog in the damaged file's folder (no event folder
            // remembered that still exists), under a name of its own; Return saves there.
            w.click(QStringLiteral("unreadableFileSaveAs"));
            const QPointer<QFileDialog> dialog
                = waitForFileDialog(QStringLiteral("unreadableFileSaveDialog"));
            QVERIFY(dialog);
            QCOMPARE(dialog->directory().path(), dir.filePath(QStringLiteral("events")));
            QCOMPARE(fileNameField(dialog)->text(), QStringLiteral("cup-recovered.vexloevent.json"));
            shootWidget(dialog, code + QStringLiteral("-unreadable-event-file-save-as"));
            pressInDialog(dialog, Qt::Key_Return);
            QTRY_VERIFY(!dialog || !dialog->isVisible());
            const QString recovered = dir.filePath(QStringLiteral("events/cup-recovered.vexloevent.json"));
            QTRY_VERIFY(!w.item(QStringLiteral("unreadableFileText")));
            QCOMPARE(store.raceFileUrl(), QUrl::fromLocalFile(recovered));
            QCOMPARE(store.recentRaceUrls().first(), QUrl::fromLocalFile(recovered));
            const std::optional<Race> back = RaceStore::readEventFile(QUrl::fromLocalFile(recovered));
            QVERIFY(back);
            QCOMPARE(back->results.size(), event.results.size());
            // What is left of the damaged file stays as it was.
            QCOMPARE(readAll(damaged), whole.left(whole.size() / 2));
            w.shot(code + QStringLiteral("-unreadable-event-file-saved"));
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestUnreadableEventFile)
#include "tst_unreadableeventfile.moc"
