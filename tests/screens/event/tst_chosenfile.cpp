// The one conversion of every file dialog's answer into a local file, with the dialog's folder for
// relative names and the file type's extension added; and where export dialogs start.

#include "casetable.h"
#include "chosenfile.h"
#include "storeharness.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestChosenFile : public QObject
{
    Q_OBJECT
private slots:
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

    void startFolder()
    {
        StoreHarness harness;
        auto store = harness.makeStore();
        QCOMPARE(exportStartFolder(nullptr), QUrl::fromLocalFile(QDir::homePath()));
        QCOMPARE(exportStartFolder(store.get()), QUrl::fromLocalFile(QDir::homePath()));
        const QString folder = harness.path(QStringLiteral("events"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(store->save(QUrl::fromLocalFile(folder + QStringLiteral("/cup.vexloevent.json"))));
        QCOMPARE(exportStartFolder(store.get()), QUrl::fromLocalFile(folder));
        // A folder removed since: home again.
        QVERIFY(QDir(folder).removeRecursively());
        QCOMPARE(exportStartFolder(store.get()), QUrl::fromLocalFile(QDir::homePath()));
    }
};

QTEST_GUILESS_MAIN(TestChosenFile)
#include "tst_chosenfile.moc"
