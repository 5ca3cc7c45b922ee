// Every save and export dialog of the window as an organiser uses it, offscreen, in both
// languages: each starts in the event file's folder and offers the file's type; a name typed
// into the dialog (with or without its extension) and a file picked in its list are both written,
// with the extension added, and a short "Saved <file>" says so where the export was asked for.

#include "casetable.h"
#include "setupwindow.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QTemporaryDir>

namespace {

QByteArray head(const QString &path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

} // namespace

class TestFileDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Dialogs fall back to the home folder: a private one, so nothing lands in the real one.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        useTestSettings("tst_filedialogs");
    }

    void typedAndChosenNames_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("languageIndex");
        for (QStringList cells : casetable::rows(QStringLiteral("app/file-dialogs.tsv"))) {
            const QString name = cells.takeFirst();
            QTest::newRow(qPrintable(name + QStringLiteral(" en"))) << cells << 0;
            QTest::newRow(qPrintable(name + QStringLiteral(" da"))) << cells << 1;
        }
    }
    void typedAndChosenNames()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, languageIndex);
        const QString section = cells[0], button = cells[1], menuItem = cells[2], dialogName = cells[3];
        const QString typed = cells[4], written = cells[5], savedLabel = cells[7], type = cells[8];
        const QByteArray magic = cells[6].toUtf8();
        WindowTestScope scope;
        SetupWindow w(testEvent(QStringLiteral("app/race-day.json")));
        QVERIFY(w.start());
        w.app->languagePicker().pick(languageIndex);

        // The event lives in a folder of its own: every dialog starts there.
        QDir folder(m_home.filePath(QStringLiteral("Events %1").arg(QTest::currentDataTag())));
        QVERIFY(folder.removeRecursively() && folder.mkpath(QStringLiteral(".")));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder.filePath(QStringLiteral("cup.vexloevent.json")))));
        const QString target = folder.filePath(written);

        const auto openDialog = [&]() -> QObject * {
            w.app->content().setSelectedItem(sidebarItemFromRawValue(section).value());
            // The section is laid out for the window's size before anything is clicked.
            QQuickItem *opener = nullptr;
            const bool laidOut = QTest::qWaitFor([&] {
                opener = w.item(button);
                if (!opener)
                    return false;
                const QPointF corner = opener->mapToScene(QPointF(opener->width(), opener->height()));
                return corner.x() <= w.window->width() && corner.y() <= w.window->height();
            });
            if (!laidOut)
                return nullptr;
            w.click(button);
            if (menuItem != u"-")
                w.click(menuItem);
            QObject *dialog = w.window->findChild<QObject *>(dialogName);
            if (!dialog || !QTest::qWaitFor([&] { return dialog->property("visible").toBool(); }, 3000))
                return nullptr;
            return dialog;
        };

        // A name typed into the dialog.
        QObject *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->property("currentFolder").toUrl(), QUrl::fromLocalFile(folder.path()));
        QVERIFY2(dialog->property("nameFilters").toStringList().join(u' ').contains(type),
            qPrintable(dialog->property("nameFilters").toStringList().join(u' ')));
        w.typeInto(QStringLiteral("fileNameTextField"), typed);
        w.shot(QStringLiteral("dialog-%1")
                   .arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));
        QQuickItem *accept = fileDialogAcceptButton(w.window);
        QVERIFY(accept);
        w.click(accept);
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QTRY_VERIFY2(QFile::exists(target), qPrintable(folder.entryList().join(u'\n')));
        QCOMPARE(head(target, magic.size()), magic);
        const QString saved = localized(QStringLiteral("Saved %@"), {written});
        QQuickItem *label = nullptr;
        QTRY_VERIFY(label = w.item(savedLabel));
        QTRY_COMPARE(label->property("text").toString(), saved);
        w.shot(
            QStringLiteral("saved-%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));

        // The same file picked in the dialog's list is written again.
        QVERIFY(QFile(target).resize(0));
        dialog = openDialog();
        QVERIFY(dialog);
        QQuickItem *row = nullptr;
        QTRY_VERIFY(row = findVisibleItem(w.window, [&](QQuickItem *item) {
            return item->objectName().startsWith(QLatin1String("fileDialogDelegate"))
                && item->property("file").toUrl() == QUrl::fromLocalFile(target);
        }));
        w.click(row);
        QTRY_COMPARE(dialog->property("selectedFile").toUrl(), QUrl::fromLocalFile(target));
        w.click(fileDialogAcceptButton(w.window));
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QTRY_COMPARE(head(target, magic.size()), magic);
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
