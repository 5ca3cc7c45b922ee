#include "filechooser.h"

#include "localization.h"
#include "log.h"
#include "nameorder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTreeView>
#include <QWindow>

namespace {

// Completes the typed name before Qt's dialog looks for a file it would replace.
class CompletingFileDialog : public QFileDialog
{
public:
    std::function<QString(const QString &)> completeName;

protected:
    void accept() override
    {
        QLineEdit *field = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const QString typed = field ? field->text() : QString();
        if (completeName && !typed.isEmpty() && !QFileInfo(directory().filePath(typed)).isDir()) {
            const QString completed = completeName(typed);
            if (completed != typed)
                field->setText(completed);
        }
        QFileDialog::accept();
    }
};

// Return in the file list with nothing chosen in it (just after entering a folder, say) goes to
// the dialog's Save or Open, as from the name field: Qt's list takes the key and does nothing.
// With a folder or file chosen the list opens it, as before.
class ReturnInFileList : public QObject
{
public:
    ReturnInFileList(QFileDialog *dialog, QAbstractItemView *list)
        : QObject(list)
        , m_dialog(dialog)
        , m_list(list)
    {
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) || !m_list->selectionModel()
            || m_list->selectionModel()->hasSelection())
            return QObject::eventFilter(watched, event);
        // Through QDialog, where it is public: the dialog's own accept() runs.
        static_cast<QDialog *>(m_dialog)->accept();
        return true;
    }

private:
    QFileDialog *m_dialog;
    QAbstractItemView *m_list;
};

// The file list with its sizes and modified dates in `locale`: Qt's file model writes them in the
// machine's.
class DatesInLocale : public QIdentityProxyModel
{
public:
    DatesInLocale(const QLocale &locale, QObject *parent)
        : QIdentityProxyModel(parent)
        , m_locale(locale)
    { }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files || role != Qt::DisplayRole)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex file = mapToSource(index);
        if (index.column() == 1 && !files->isDir(file))
            return m_locale.formattedDataSize(files->size(file));
        if (index.column() == 3)
            return m_locale.toString(files->lastModified(file), QLocale::ShortFormat);
        return QIdentityProxyModel::data(index, role);
    }

private:
    QLocale m_locale;
};

// The window a dialog opens over: the one with the keyboard, else (just after another dialog
// closed) the visible window of the application that belongs to no other.
QWindow *askingWindow()
{
    if (QWindow *focus = QGuiApplication::focusWindow())
        return focus;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && !window->transientParent() && window->modality() == Qt::NonModal)
            return window;
    }
    return nullptr;
}

} // namespace

std::function<QString(const QString &typed)> addingExtension(const QString &extension)
{
    return [extension](const QString &typed) {
        return typed.endsWith(extension, Qt::CaseInsensitive) ? typed : typed + extension;
    };
}

FileDialogRequest eventSaveRequest(const QString &name, const QUrl &folder)
{
    FileDialogRequest request;
    request.kind = FileKind::Event;
    request.save = true;
    request.name = name;
    request.title = localized(QStringLiteral("Save Event"));
    request.nameFilters
        = {localized(QStringLiteral("Vexlo events")) + QStringLiteral(" (*.vexloevent.json)")};
    request.completeName = &withEventFileSuffix;
    request.folder = folder;
    return request;
}

FileDialogRequest iofOpenRequest(const QString &name, const QUrl &folder)
{
    FileDialogRequest request;
    request.kind = FileKind::Iof;
    request.name = name;
    request.nameFilters = {localized(QStringLiteral("IOF XML files (*.xml)"))};
    request.folder = folder;
    return request;
}

FileDialogRequest exportRequest(
    bool pdf, const QString &name, const QString &proposedName, const RaceStore *store)
{
    FileDialogRequest request;
    request.kind = pdf ? FileKind::Pdf : FileKind::Iof;
    request.save = true;
    request.name = name;
    request.nameFilters = {pdf ? localized(QStringLiteral("PDF files (*.pdf)"))
                               : localized(QStringLiteral("XML files (*.xml)"))};
    request.proposedName = proposedName;
    request.completeName = addingExtension(pdf ? QStringLiteral(".pdf") : QStringLiteral(".xml"));
    request.folder = dialogStartFolder(request.kind, store);
    return request;
}

void chooseFile(const FileDialogRequest &request, QObject *context,
    std::function<void(const QUrl &file)> chosen, std::function<void()> cancelled)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        logLine(QStringLiteral("FileDialog: no file dialog without a widget application"));
        if (cancelled)
            cancelled();
        return;
    }
    auto *dialog = new CompletingFileDialog;
    dialog->setObjectName(request.name);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // The app's language, not the machine's, for every text the dialog writes itself.
    const QLocale locale = localeForLanguage(LocalizationManager::shared().language());
    dialog->setLocale(locale);
    dialog->setProxyModel(new DatesInLocale(locale, dialog));
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.title.isEmpty())
        dialog->setWindowTitle(request.title);
    dialog->setNameFilters(request.nameFilters);
    if (request.save)
        dialog->completeName = request.completeName;
    dialog->setDirectory(request.folder.toLocalFile());
    if (request.save && !request.proposedName.isEmpty())
        dialog->selectFile(request.proposedName);
    dialog->resize(dialog->sizeHint().expandedTo(QSize(760, 480)));
    // The list's columns as wide as their texts, the names taking what is left: Qt's fixed widths
    // cut the type and the date short.
    if (auto *list = dialog->findChild<QTreeView *>(QStringLiteral("treeView"))) {
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }

    for (const char *view : {"listView", "treeView"}) {
        if (auto *list = dialog->findChild<QAbstractItemView *>(QLatin1String(view)))
            new ReturnInFileList(dialog, list);
    }

    // Over the window that asked, which waits for the answer and takes the keyboard back after.
    const QPointer<QWindow> owner = askingWindow();
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->winId();
    if (owner && dialog->windowHandle())
        dialog->windowHandle()->setTransientParent(owner);

    // Once the dialog's own window is gone, not before (its destruction takes the focus from
    // whichever window has it), unless another dialog opened meanwhile.
    if (owner) {
        QObject::connect(dialog, &QObject::destroyed, owner, [owner] {
            if (!QGuiApplication::modalWindow())
                owner->requestActivate();
        });
    }

    const QPointer<QObject> guard = context;
    QObject::connect(context, &QObject::destroyed, dialog, &QWidget::close);
    QObject::connect(dialog, &QDialog::finished, dialog,
        [dialog, guard, kind = request.kind, chosen = std::move(chosen), cancelled = std::move(cancelled)](
            int result) {
            if (!guard)
                return;
            const QStringList files = dialog->selectedFiles();
            if (result == QDialog::Accepted && !files.isEmpty()) {
                rememberDialogFolder(kind, files.first());
                chosen(QUrl::fromLocalFile(files.first()));
            } else if (cancelled) {
                cancelled();
            }
        });
    dialog->show();
}
