// The one conversion of every file dialog's answer into a local file, with the dialog's folder for
// relative names and the file type's extension added; and where open and save dialogs start.

#include "casetable.h"
#include "chosenfile.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestChosenFile : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        // The folders remembered live in settings of the test's own.
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_chosenfile"));
    }

    void answers_data() { casetable::load("screens/chosen-files.tsv"); }
    void answers()
    {
        QFETCH(QStringList, cells);
        const QString folder = QStringLiteral("/srv/events/cup");
        const QUrl answer = cells[0].startsWith(QLatin1String("path:"))
            ? QUrl(cells[0].mid(5)) // what the dialog gives for a typed name: no scheme
            : QUrl(cells[0]);
        QVERIFY(cells[0].isEmpty() || cells[0].startsWith(QLatin1String("path:")) || answer.isValid());
        const QString extension = cells[1] == u"-" ? QString() : cells[1];
        const QString expected
            = cells[2] == u"none" ? QString() : QString(cells[2]).replace(QLatin1String("FOLDER"), folder);
        QCOMPARE(chosenLocalPath(answer, QUrl::fromLocalFile(folder), extension), expected);
        if (cells[2].startsWith(QLatin1String("FOLDER"))) {
            // Without the dialog's folder a relative name lands in the home folder, never in the
            // working directory.
            QCOMPARE(chosenLocalPath(answer, {}, extension),
                QString(cells[2]).replace(QLatin1String("FOLDER"), QDir::homePath()));
        }
    }

    // A folder chosen instead of a file gets no extension (the caller decides what to do with it).
    void folderKeepsItsName()
    {
        QTemporaryDir dir;
        QCOMPARE(chosenLocalPath(QUrl::fromLocalFile(dir.path()), {}, QStringLiteral(".csv")), dir.path());
    }

    // Each kind of file starts where that kind was last chosen, else in the event file's folder,
    // else at home; a folder removed since is passed over.
    void startFolders_data() { casetable::load("screens/dialog-start-folders.tsv"); }
    void startFolders()
    {
        QFETCH(QStringList, cells);
        static const QHash<QString, FileKind> kinds {{QStringLiteral("event"), FileKind::Event},
            {QStringLiteral("iof"), FileKind::Iof}, {QStringLiteral("pdf"), FileKind::Pdf},
            {QStringLiteral("csv"), FileKind::Csv}};
        QSettings().clear();
        StoreHarness harness;
        auto store = harness.makeStore();
        const auto folder = [&](const QString &name) {
            const QString path = harness.path(QStringLiteral("folders/") + name);
            if (name != u"gone")
                QDir().mkpath(path);
            return path;
        };
        if (cells[1] != u"-") {
            for (const QString &pair : cells[1].split(u',')) {
                const QStringList kindAndFolder = pair.split(u'=');
                QVERIFY(kinds.contains(kindAndFolder[0]));
                rememberDialogFolder(
                    kinds[kindAndFolder[0]], folder(kindAndFolder[1]) + QStringLiteral("/file"));
            }
        }
        if (cells[2] != u"-") {
            const QString eventFolder = harness.path(QStringLiteral("folders/") + cells[2]);
            QVERIFY(QDir().mkpath(eventFolder));
            QVERIFY(store->save(QUrl::fromLocalFile(eventFolder + QStringLiteral("/cup.vexloevent.json"))));
            if (cells[2] == u"gone")
                QVERIFY(QDir(eventFolder).removeRecursively());
        }
        const QString expected = cells[3] == u"HOME" ? QDir::homePath() : folder(cells[3]);
        QVERIFY(kinds.contains(cells[0]));
        QCOMPARE(dialogStartFolder(kinds[cells[0]], store.get()), QUrl::fromLocalFile(expected));
        QCOMPARE(eventFileFolder(store.get()),
            cells[2] == u"-" || cells[2] == u"gone" ? QString() : folder(cells[2]));
    }
};

QTEST_GUILESS_MAIN(TestChosenFile)
#include "tst_chosenfile.moc"
