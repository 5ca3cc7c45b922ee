#pragma once

// The new-event sheet: the organiser names the event and saves it to a file before working with
// it, or gives it up (Cancel, Escape), which brings back the event open before. The sheet closes
// when the store clears its needs-initial-setup flag, which a successful save or giving up does.

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <optional>

// What the sheet needs of the store.
class NewEventTarget
{
public:
    virtual ~NewEventTarget() = default;
    [[nodiscard]] virtual QString eventName() const = 0;
    // Edits the race's name in place (no autosave of its own).
    virtual void setEventName(const QString &name) = 0;
    [[nodiscard]] virtual bool needsInitialSetup() const = 0;
    // Writes the event file; on failure the error's description, and nothing changed.
    [[nodiscard]] virtual std::optional<QString> saveTo(const QString &path) = 0;
    // Gives the new event up: the event open before it comes back and the setup ends.
    virtual void cancelNewEvent() = 0;
};

// Where a save dialog's choice is written: a folder gets `fileName` inside it, and the event
// file's suffix ".vexloevent.json" is added unless the name already ends with it (a typed
// ".json" or ".vexloevent" becomes the whole suffix).
[[nodiscard]] QString eventFilePathFor(const QString &chosenPath, const QString &fileName);

// The file name the save dialog proposes: the name as typed (blanks kept) with ".vexloevent.json".
// A path separator would make the dialog pick a folder, so each becomes "-"; an empty name
// proposes "Untitled Race".
[[nodiscard]] QString suggestedEventFileName(const QString &eventName);

class NewEventSetupViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")

    Q_PROPERTY(QString eventName READ eventName WRITE setEventName NOTIFY eventNameChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY eventNameChanged)
    // Why the last name typed was not taken (a line break, a control character, too long).
    Q_PROPERTY(QString nameWarning READ nameWarning NOTIFY eventNameChanged)
    Q_PROPERTY(QString suggestedFileName READ suggestedFileName NOTIFY eventNameChanged)
    // "Save failed: " and the error, shown as it stands; empty when there is none.
    Q_PROPERTY(QString fileError READ fileError NOTIFY fileErrorChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    explicit NewEventSetupViewModel(NewEventTarget *target, QObject *parent = nullptr);

    [[nodiscard]] QString eventName() const;
    void setEventName(const QString &name);
    [[nodiscard]] bool canSave() const;
    [[nodiscard]] QString nameWarning() const { return m_nameWarning; }
    [[nodiscard]] QString suggestedFileName() const;
    // Where the save dialog opens: the folder an event file was last chosen in, when it still
    // exists, else the home folder.
    [[nodiscard]] QUrl startFolder() const;
    [[nodiscard]] QString fileError() const { return m_fileError; }
    [[nodiscard]] bool isVisible() const;

    // Return in the name field or the save button: true when the save dialog should open
    // (the trimmed name is not empty).
    Q_INVOKABLE bool requestSave() const;
    // Opens the save dialog when requestSave() allows; the file chosen goes to saveTo().
    Q_INVOKABLE void chooseFileToSave();
    // The dialog was confirmed with a file.
    Q_INVOKABLE void saveTo(const QUrl &fileUrl);
    // Cancel or Escape: no event is created.
    Q_INVOKABLE void cancel();
    // The store changed behind the sheet (a new event started, a name edited elsewhere).
    void refresh();

signals:
    void eventNameChanged();
    void fileErrorChanged();
    void visibleChanged();

private:
    void setFileError(const QString &error);

    NewEventTarget *m_target;
    QString m_fileError;
    QString m_nameWarning;
    bool m_lastVisible = false;
};
