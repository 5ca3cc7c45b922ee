// Every open and save dialog of the window as an organiser uses it, offscreen, in both languages:
// Qt's own file dialog in the window's language, over the window and holding the keyboard. A name
// typed over the proposed one and Return write the file (its extension added) in the folder shown,
// and "Saved <file>" says so; a typed path writes there; going up a folder keeps the proposed name;
// a file that exists is replaced only when the organiser says so; Escape closes the dialog with
// nothing written and gives the window the keyboard back. Each kind of file starts in the folder
// last chosen for it (kept across a restart), else in the event file's folder.

#include "casetable.h"
#include "chosenfile.h"
#include "setupwindow.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <sched.h>
#include <sys/mount.h>

namespace {

QByteArray head(const QString &path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

// What the dialog says in each language: Qt's own words, from its Danish tables.
struct DialogWords
{
    QString nameLabel;
    QString save;
    QString open;
    QString replaceQuestion;
};
const DialogWords dialogWords[] = {
    {QStringLiteral("File &name:"), QStringLiteral("&Save"), QStringLiteral("&Open"),
        QStringLiteral("%1 already exists.\nDo you want to replace it?")},
    {QStringLiteral("&Filnavn:"), QStringLiteral("&Gem"), QStringLiteral("&\u00C5bn"),
        QStringLiteral("%1 findes allerede.\nVil du erstatte den?")},
};

QPushButton *acceptButton(QFileDialog *dialog)
{
    auto *box = dialog ? dialog->findChild<QDialogButtonBox *>() : nullptr;
    for (QAbstractButton *button : box ? box->buttons() : QList<QAbstractButton *>())
        if (box->buttonRole(button) == QDialogButtonBox::AcceptRole)
            return qobject_cast<QPushButton *>(button);
    return nullptr;
}

// The row of the dialog's file list that shows `name`; invalid while there is none.
QModelIndex rowNamed(const QTreeView *list, const QString &name)
{
    const QAbstractItemModel *files = list->model();
    for (int row = 0; row < files->rowCount(list->rootIndex()); ++row) {
        const QModelIndex index = files->index(row, 0, list->rootIndex());
        if (index.data() == name)
            return index;
    }
    return {};
}

// Every file and folder below `root`, relative to it.
QStringList listing(const QString &root)
{
    QStringList paths;
    QDirIterator it(
        root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(root).relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

QVariantMap allSettings()
{
    QSettings settings;
    QVariantMap values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// Answers the question a message box asks while the key that raised it is being handled (the box
// runs an event loop of its own): Return for No, the Yes button for Yes. Keeps the question, and
// a screenshot of it when `shot` names one.
class QuestionAnswerer
{
public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer, const QString &shot = {})
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer, shot] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_timer.stop();
            question = box->text();
            if (!shot.isEmpty())
                shootWidget(box, shot);
            if (answer == QMessageBox::Yes)
                box->button(QMessageBox::Yes)->click();
            else
                QTest::keyClick(box->windowHandle(), Qt::Key_Return);
        });
        m_timer.start(20);
    }
    QString question;

private:
    QTimer m_timer;
};

// The rows of a table, each in English and in Danish.
void rowsInBothLanguages(const char *table)
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("languageIndex");
    for (QStringList cells : casetable::rows(QLatin1String(table))) {
        const QString name = cells.takeFirst();
        QTest::newRow(qPrintable(name + QStringLiteral(" en"))) << cells << 0;
        QTest::newRow(qPrintable(name + QStringLiteral(" da"))) << cells << 1;
    }
}

QString currentTag()
{
    return QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
}

// Settings emptied before the window reads them: no folder remembered, no language chosen.
struct FreshSettings
{
    explicit FreshSettings(bool fresh)
    {
        if (fresh)
            QSettings().clear();
    }
};

// The window of a case, over the test event; with the settings of the window before when they are
// not fresh (the application started again).
struct CaseWindow : FreshSettings
{
    explicit CaseWindow(bool freshSettings = true)
        : FreshSettings(freshSettings)
    { }

    // Starts it in the language `languageIndex`, the event saved in `folder` (emptied first).
    [[nodiscard]] bool start(int languageIndex, const QString &folder)
    {
        if (!w.start())
            return false;
        w.app->languagePicker().pick(languageIndex);
        QDir dir(folder);
        return dir.removeRecursively() && dir.mkpath(QStringLiteral("."))
            && w.store->save(QUrl::fromLocalFile(dir.filePath(QStringLiteral("cup.vexloevent.json"))));
    }

    WindowTestScope scope;
    SetupWindow w {testEvent(QStringLiteral("app/race-day.json"))};
};

// `path` made read-only for as long as it lives, by a read-only bind mount over it (root ignores
// file permissions): the process must be in a mount namespace of its own.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_bound = ::mount(m_path.constData(), m_path.constData(), nullptr, MS_BIND, nullptr) == 0;
        m_readOnly = m_bound
            && ::mount(nullptr, m_path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_bound)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;
    [[nodiscard]] bool isReadOnly() const { return m_readOnly; }

private:
    QByteArray m_path;
    bool m_bound = false;
    bool m_readOnly = false;
};

// True once the process has a mount namespace of its own (entered before any thread starts).
bool ownMountNamespace = false;

} // namespace

class TestFileDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    // Goes to the row's section and opens its dialog through the button (and menu item): the
    // dialog once it shows, else null. Cells: section, button, menu item or "-", dialog.
    static QPointer<QFileDialog> openDialog(SetupWindow &w, const QStringList &cells)
    {
        w.app->content().setSelectedItem(sidebarItemFromRawValue(cells[0]).value());
        // The section is laid out for the window's size before anything is clicked.
        const bool laidOut = QTest::qWaitFor(
            [&] {
                QQuickItem *opener = w.item(cells[1]);
                if (!opener)
                    return false;
                const QPointF corner = opener->mapToScene(QPointF(opener->width(), opener->height()));
                return corner.x() <= w.window->width() && corner.y() <= w.window->height();
            },
            testwaits::ceilingMs);
        if (!laidOut)
            return {};
        w.click(cells[1]);
        if (cells[2] != u"-")
            w.click(cells[2]);
        return waitForFileDialog(cells[3]);
    }

public:
    // A run of one case on a machine set to another language (see fileListInTheAppLanguage).
    static void initMain()
    {
        ownMountNamespace = ::unshare(CLONE_NEWNS) == 0
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        pinTestEnvironment();
        const QByteArray machine = qgetenv("VEXLO_TEST_MACHINE_LOCALE");
        if (!machine.isEmpty()) {
            qputenv("LANG", machine);
            qputenv("LC_ALL", machine);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Dialogs fall back to the home folder: a private one, so nothing lands in the real one.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        useTestSettings("tst_filedialogs");
    }

    void savedByTypingAName_data() { rowsInBothLanguages("app/file-dialogs.tsv"); }
    void savedByTypingAName()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, languageIndex);
        const QString typed = cells[4], written = cells[5], savedLabel = cells[7], type = cells[8];
        const QByteArray magic = cells[6].toUtf8();
        const DialogWords &say = dialogWords[languageIndex];
        const QString tag = currentTag();
        CaseWindow c;
        const QDir folder(m_home.filePath(QStringLiteral("Events ") + tag));
        QVERIFY(c.start(languageIndex, folder.path()));
        SetupWindow &w = c.w;
        QVERIFY(folder.mkpath(QStringLiteral("sub")));
        const QString target = folder.filePath(written);
        const auto savedSaid = [&](const QString &name) {
            QQuickItem *label = nullptr;
            QTRY_VERIFY(label = w.item(savedLabel));
            QTRY_COMPARE(label->property("text").toString(), localized(QStringLiteral("Saved %@"), {name}));
        };

        // A name typed over the one proposed, and Return.
        QPointer<QFileDialog> dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->directory().path(), folder.path());
        QVERIFY2(
            dialog->nameFilters().join(u' ').contains(type), qPrintable(dialog->nameFilters().join(u' ')));
        // Over the window, which waits for it, in the window's language.
        QCOMPARE(dialog->windowHandle()->transientParent(), static_cast<QWindow *>(w.window));
        QCOMPARE(QGuiApplication::modalWindow(), dialog->windowHandle());
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("fileNameLabel"))->text(), say.nameLabel);
        QCOMPARE(acceptButton(dialog)->text(), say.save);
        QLineEdit *field = fileNameField(dialog);
        QVERIFY(field);
        const QString proposed = field->text();
        QVERIFY(proposed.contains(u'.'));
        // Selected whole: what is typed replaces it.
        QCOMPARE(field->selectedText(), proposed);
        typeInFileDialog(dialog, typed);
        QCOMPARE(field->text(), typed);
        QVERIFY(acceptButton(dialog)->isEnabled());
        shootWidget(dialog, QStringLiteral("dialog-") + tag);
        pressInDialog(dialog, Qt::Key_Return);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QTRY_VERIFY2(QFile::exists(target), qPrintable(listing(folder.path()).join(u'\n')));
        QCOMPARE(head(target, magic.size()), magic);
        savedSaid(written);
        // The window has the keyboard back.
        QTRY_COMPARE(QGuiApplication::focusWindow(), static_cast<QWindow *>(w.window));
        w.shot(QStringLiteral("saved-") + tag);

        // A path typed: the file goes into that folder, where the next dialog starts.
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        typeNameAndReturn(dialog, QStringLiteral("sub/") + typed);
        QTRY_VERIFY2(QFile::exists(folder.filePath(QStringLiteral("sub/") + written)),
            qPrintable(listing(folder.path()).join(u'\n')));
        QCOMPARE(head(folder.filePath(QStringLiteral("sub/") + written), magic.size()), magic);
        savedSaid(written);

        // Up a folder from the keyboard: the proposed name stays, and Return saves it there.
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().path(), folder.filePath(QStringLiteral("sub")));
        QCOMPARE(fileNameField(dialog)->text(), proposed);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(fileNameField(dialog)));
        pressInDialog(dialog, Qt::Key_Up, Qt::AltModifier);
        QTRY_COMPARE(dialog->directory().path(), folder.path());
        QCOMPARE(fileNameField(dialog)->text(), proposed);
        QVERIFY(acceptButton(dialog)->isEnabled());
        pressInDialog(dialog, Qt::Key_Return);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QTRY_VERIFY2(
            QFile::exists(folder.filePath(proposed)), qPrintable(listing(folder.path()).join(u'\n')));
        savedSaid(proposed);

        // A file that exists is replaced only when the organiser says so, asked in the language,
        // also when the name typed lacks the extension.
        QVERIFY(QFile(target).resize(0));
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().path(), folder.path());
        pressInDialog(dialog, Qt::Key_A, Qt::ControlModifier);
        typeInFileDialog(dialog, typed);
        {
            QuestionAnswerer no(QMessageBox::No, QStringLiteral("replace-question-") + tag);
            pressInDialog(dialog, Qt::Key_Return);
            QCOMPARE(no.question, say.replaceQuestion.arg(written));
        }
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(QFileInfo(target).size(), 0);
        {
            QuestionAnswerer yes(QMessageBox::Yes);
            pressInDialog(dialog, Qt::Key_Return);
            QCOMPARE(yes.question, say.replaceQuestion.arg(written));
        }
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QTRY_COMPARE(head(target, magic.size()), magic);

        // Escape, after a folder change and a name typed: nothing written, no folder remembered,
        // and the window takes the keys again.
        const QStringList filesBefore = listing(m_home.path());
        const QVariantMap settingsBefore = allSettings();
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        pressInDialog(dialog, Qt::Key_Up, Qt::AltModifier);
        QTRY_COMPARE(dialog->directory().path(), m_home.path());
        pressInDialog(dialog, Qt::Key_A, Qt::ControlModifier);
        typeInFileDialog(dialog, QStringLiteral("Not written"));
        pressInDialog(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QCOMPARE(listing(m_home.path()), filesBefore);
        QCOMPARE(allSettings(), settingsBefore);
        QTRY_COMPARE(QGuiApplication::focusWindow(), static_cast<QWindow *>(w.window));
        QQuickItem *focused = w.window->activeFocusItem();
        QTest::keyClick(w.window, Qt::Key_Tab);
        QTRY_VERIFY(w.window->activeFocusItem() && w.window->activeFocusItem() != focused);

        // Into a folder with a double click in the file list, and Return there: the proposed name
        // is saved in it, as from the name field.
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().path(), folder.path());
        auto *list = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        QVERIFY(list);
        QModelIndex sub;
        QTRY_VERIFY((sub = rowNamed(list, QStringLiteral("sub"))).isValid());
        const QPoint subAt = list->visualRect(sub).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, subAt);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, subAt);
        QTRY_COMPARE(dialog->directory().path(), folder.filePath(QStringLiteral("sub")));
        QCOMPARE(fileNameField(dialog)->text(), proposed);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list));
        pressInDialog(dialog, Qt::Key_Return);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QTRY_VERIFY2(QFile::exists(folder.filePath(QStringLiteral("sub/") + proposed)),
            qPrintable(listing(folder.path()).join(u'\n')));
        savedSaid(proposed);
        verifyNoQmlProblems();
    }

    // A name typed into a folder that takes no files: the dialog closes, the section says the
    // file could not be written and why, and nothing is written or changed, the open event's file
    // included.
    void readOnlyFolderSaysSo_data() { rowsInBothLanguages("app/file-dialogs.tsv"); }
    void readOnlyFolderSaysSo()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, languageIndex);
        if (!ownMountNamespace)
            QSKIP("a read-only folder needs a mount namespace of the test's own (run as root)");
        const QString typed = cells[4], failedLabel = cells[9], failedKey = cells[10];
        CaseWindow c;
        const QDir folder(m_home.filePath(QStringLiteral("Read-only ") + currentTag()));
        QVERIFY(c.start(languageIndex, folder.path()));
        SetupWindow &w = c.w;
        const QUrl eventFile = w.store->raceFileUrl();
        const QByteArray eventBytes = head(eventFile.toLocalFile(), 1 << 20);
        const QStringList filesBefore = listing(folder.path());
        ReadOnlyFolder readOnly(folder.path());
        QVERIFY(readOnly.isReadOnly());

        const QPointer<QFileDialog> dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().path(), folder.path());
        typeNameAndReturn(dialog, typed);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QQuickItem *label = nullptr;
        QTRY_VERIFY(label = w.item(failedLabel));
        const QString said = label->property("text").toString();
        const QString failed = localized(failedKey, {QString()});
        QVERIFY2(said.startsWith(failed) && said.size() > failed.size(), qPrintable(said));
        w.shot(QStringLiteral("read-only-") + currentTag());
        QCOMPARE(listing(folder.path()), filesBefore);
        QCOMPARE(w.store->raceFileUrl(), eventFile);
        QCOMPARE(head(eventFile.toLocalFile(), 1 << 20), eventBytes);
        verifyNoQmlProblems();
    }

    void readByTypingAName_data() { rowsInBothLanguages("app/file-open-dialogs.tsv"); }
    void readByTypingAName()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, languageIndex);
        const QString source = cells[4], name = cells[5], type = cells[6], shows = cells[7];
        const DialogWords &say = dialogWords[languageIndex];
        CaseWindow c;
        const QString folderPath = m_home.filePath(QStringLiteral("Events ") + currentTag());
        QVERIFY(c.start(languageIndex, folderPath));
        SetupWindow &w = c.w;
        const QString file = QDir(folderPath).filePath(name);
        QVERIFY(QFile::copy(source.startsWith(QLatin1String("iof:"))
                ? QStringLiteral(VEXLO_IOF_DIR "/") + source.mid(4)
                : QStringLiteral(VEXLO_TEST_DATA_DIR "/") + source,
            file));
        const auto wasRead = [&] {
            return shows == u"eventFile" ? w.store->raceFileUrl() == QUrl::fromLocalFile(file)
                                         : w.item(shows) != nullptr;
        };

        // Escape reads nothing.
        QPointer<QFileDialog> dialog = openDialog(w, cells);
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->directory().path(), folderPath);
        QVERIFY2(
            dialog->nameFilters().join(u' ').contains(type), qPrintable(dialog->nameFilters().join(u' ')));
        QCOMPARE(QGuiApplication::modalWindow(), dialog->windowHandle());
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("fileNameLabel"))->text(), say.nameLabel);
        QCOMPARE(acceptButton(dialog)->text(), say.open);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(fileNameField(dialog)));
        shootWidget(dialog, QStringLiteral("open-dialog-") + currentTag());
        pressInDialog(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QVERIFY(!wasRead());
        QTRY_COMPARE(QGuiApplication::focusWindow(), static_cast<QWindow *>(w.window));

        // The file's name typed, and Return.
        dialog = openDialog(w, cells);
        QVERIFY(dialog);
        typeNameAndReturn(dialog, name);
        QTRY_VERIFY(wasRead());
        verifyNoQmlProblems();
    }

    // The sizes and dates in the dialog's file list are written in the app's language, on a machine
    // set to the other one. The machine's locale is read once per process: each case runs this
    // program again on a machine so set.
    void fileListInTheAppLanguage_data()
    {
        QTest::addColumn<int>("languageIndex");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("size");
        QTest::newRow("en on a Danish machine")
            << 0 << QStringLiteral("da_DK.UTF-8") << QStringLiteral("08/12/2026 18:40")
            << QStringLiteral("1.50 KiB");
        QTest::newRow("da on an American machine")
            << 1 << QStringLiteral("en_US.UTF-8") << QStringLiteral("08.12.2026 18.40")
            << QStringLiteral("1,50 KiB");
    }
    void fileListInTheAppLanguage()
    {
        QFETCH(int, languageIndex);
        QFETCH(QString, machine);
        QFETCH(QString, shown);
        QFETCH(QString, size);
        if (qEnvironmentVariable("VEXLO_TEST_MACHINE_LOCALE") != machine) {
            QProcess run;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("VEXLO_TEST_MACHINE_LOCALE"), machine);
            run.setProcessEnvironment(environment);
            run.setProcessChannelMode(QProcess::MergedChannels);
            run.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("fileListInTheAppLanguage:") + QString::fromLatin1(QTest::currentDataTag())});
            QVERIFY(run.waitForFinished(120000));
            const QByteArray output = run.readAll();
            QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, output.constData());
            QVERIFY2(
                output.contains("PASS   : TestFileDialogs::fileListInTheAppLanguage("), output.constData());
            return;
        }
        const QDateTime modified(QDate(2026, 12, 8), QTime(18, 40));
        // The machine would have written them otherwise.
        QVERIFY(QLocale::system().toString(modified, QLocale::ShortFormat) != shown);
        QVERIFY(QLocale::system().formattedDataSize(1536) != size);
        CaseWindow c;
        const QDir folder(m_home.filePath(QStringLiteral("Events dates")));
        QVERIFY(c.start(languageIndex, folder.path()));
        QFile file(folder.filePath(QStringLiteral("sized.vexloevent.json")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(1536, '{')), 1536);
        QVERIFY(file.flush()); // before the time is set, or the write sets it again
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        const QStringList cells = casetable::rows(QStringLiteral("app/file-dialogs.tsv")).value(0).mid(1);
        const QPointer<QFileDialog> dialog = openDialog(c.w, cells);
        QVERIFY(dialog);
        auto *list = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        QVERIFY(list && list->model());
        // The file's row: its size and date as shown.
        const auto shownRow = [&] {
            const QModelIndex file = rowNamed(list, QStringLiteral("sized.vexloevent.json"));
            return file.isValid() ? QStringList {file.siblingAtColumn(1).data().toString(),
                       file.siblingAtColumn(3).data().toString()}
                                  : QStringList();
        };
        QTRY_COMPARE(shownRow(), (QStringList {size, shown}));
        shootWidget(dialog, QStringLiteral("dates-") + currentTag());
        pressInDialog(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        verifyNoQmlProblems();
    }

    // One window, dialog after dialog: each kind of file starts where that kind was last chosen,
    // else in the event file's folder, also after the application is started afresh.
    void folderMemoryPerKind()
    {
        QHash<QString, QStringList> dialogs;
        for (const char *table : {"app/file-dialogs.tsv", "app/file-open-dialogs.tsv"}) {
            for (QStringList cells : casetable::rows(QLatin1String(table))) {
                const QString name = cells.takeFirst();
                dialogs.insert(name, cells);
            }
        }
        auto c = std::make_unique<CaseWindow>();
        const QDir folder(m_home.filePath(QStringLiteral("Events memory")));
        QVERIFY(c->start(0, folder.path()));
        for (const char *sub : {"csv", "pdf", "xml", "archive"})
            QVERIFY(folder.mkpath(QString::fromLatin1(sub)));

        for (const QStringList &step : casetable::rows(QStringLiteral("app/file-dialog-folders.tsv"))) {
            const QString &dialogName = step[1], &startsIn = step[2], &typed = step[3], &file = step[4];
            if (dialogName == u"restart") {
                c.reset();
                c = std::make_unique<CaseWindow>(false);
                QVERIFY(c->w.start());
                continue;
            }
            QVERIFY2(dialogs.contains(dialogName), qPrintable(step[0]));
            const QStringList &cells = dialogs[dialogName];
            const bool opens = cells.size() == 8;
            if (opens)
                QVERIFY(
                    QFile::copy(QStringLiteral(VEXLO_TEST_DATA_DIR "/") + cells[4], folder.filePath(file)));
            const QPointer<QFileDialog> dialog = openDialog(c->w, cells);
            QVERIFY2(dialog, qPrintable(step[0]));
            QVERIFY2(dialog->directory().path() == QDir::cleanPath(folder.filePath(startsIn)),
                qPrintable(step[0] + QStringLiteral(": ") + dialog->directory().path()));
            typeNameAndReturn(dialog, typed);
            if (opens)
                QTRY_VERIFY2(c->w.item(cells[7]), qPrintable(step[0]));
            else
                QTRY_VERIFY2(QFile::exists(folder.filePath(file)), qPrintable(step[0]));
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
