#pragma once

// The "Events" section: new, open, save, save as and recent files of the event, and the event's
// own details (name, date, several stages). Every change goes through the store; the only state
// kept here is the outcome of the last file operation.

#include "storeviewmodel.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

struct Race;

// The file name proposed for an event: the name with ".vexloevent.json". A name that is blank
// becomes "Untitled Race"; path separators become "-" and leading dots are dropped, so the name
// never makes a hidden file or points into another folder.
[[nodiscard]] QString eventFileName(const QString &eventName);
// The file a save dialog's choice stands for: always ending in ".vexloevent.json" (a bare ".json"
// is replaced, any other ending kept in front of it).
[[nodiscard]] QUrl withEventSuffix(const QUrl &chosen);
// True for an event holding nothing but what a new one holds: "New" loses nothing in it.
[[nodiscard]] bool isBlankEvent(const Race &race);
// The recent entry's title: the file's last path component without its last extension.
[[nodiscard]] QString recentFileTitle(const QUrl &url);

class EventFileViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY changed)
    Q_PROPERTY(QString eventName READ eventName WRITE setEventName NOTIFY changed)
    Q_PROPERTY(QString nameWarning READ nameWarning NOTIFY changed)
    Q_PROPERTY(QDate eventDate READ eventDate WRITE setEventDate NOTIFY changed)
    Q_PROPERTY(QString eventDateText READ eventDateText NOTIFY changed)
    // The shown date's parts for the calendar (month 0-11, as the calendar counts).
    Q_PROPERTY(int eventYear READ eventYear NOTIFY changed)
    Q_PROPERTY(int eventMonth READ eventMonth NOTIFY changed)
    Q_PROPERTY(int eventDay READ eventDay NOTIFY changed)
    Q_PROPERTY(bool multiStage READ multiStage WRITE setMultiStage NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
    Q_PROPERTY(QString fileError READ fileError NOTIFY changed)
    Q_PROPERTY(QString dateError READ dateError NOTIFY changed)
    // "Saved <file>" after the last save or save as worked; empty after a failure or a new event.
    Q_PROPERTY(QString savedMessage READ savedMessage NOTIFY changed)
    // [{title, url}], most recent first.
    Q_PROPERTY(QVariantList recentFiles READ recentFiles NOTIFY changed)
    Q_PROPERTY(QString suggestedFileName READ suggestedFileName NOTIFY changed)

public:
    explicit EventFileViewModel(QObject *parent = nullptr);

    // "Today" for the calendar of an event without a date.
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }

    [[nodiscard]] QString eventName() const;
    void setEventName(const QString &name);
    [[nodiscard]] QString nameWarning() const;
    [[nodiscard]] QDate eventDate() const;
    void setEventDate(const QDate &date);
    // The date in the chosen language's short form; while a typed date stands refused, the text as
    // typed, so that the organiser mends it rather than types it again.
    [[nodiscard]] QString eventDateText() const;
    [[nodiscard]] int eventYear() const { return eventDate().year(); }
    [[nodiscard]] int eventMonth() const { return eventDate().month() - 1; }
    [[nodiscard]] int eventDay() const { return eventDate().day(); }
    // A day picked on the calendar (month 1-12).
    Q_INVOKABLE void pickDay(int year, int month, int day) { setEventDate(QDate(year, month, day)); }
    // A typed date, in the chosen language's short form or as year-month-day; a malformed or
    // out-of-range one leaves the event as it is and says which forms are taken.
    Q_INVOKABLE bool setEventDateText(const QString &text);
    [[nodiscard]] bool multiStage() const;
    void setMultiStage(bool on);
    [[nodiscard]] bool canSave() const;
    [[nodiscard]] QString fileError() const { return m_fileError; }
    [[nodiscard]] QString dateError() const { return m_dateError; }
    [[nodiscard]] QString savedMessage() const { return m_savedMessage; }
    [[nodiscard]] QVariantList recentFiles() const;
    [[nodiscard]] QString suggestedFileName() const;
    [[nodiscard]] QUrl dialogFolder() const;

    // True when "New" would lose work: the event was never saved to a file and holds more than a
    // new one, or its file no longer holds what is open.
    [[nodiscard]] Q_INVOKABLE bool newNeedsConfirmation() const;
    Q_INVOKABLE void newEvent();
    Q_INVOKABLE void loadEvent(const QUrl &url);
    // Writes the open event to its file; an event without a file opens the save dialog instead.
    Q_INVOKABLE void saveEvent();
    Q_INVOKABLE void saveEventAs(const QUrl &chosen);
    // The open and save-as dialogs; the file chosen goes to loadEvent() or saveEventAs().
    Q_INVOKABLE void chooseEventToOpen();
    Q_INVOKABLE void chooseSaveAsFile();
    Q_INVOKABLE void clearRecentEvents();

signals:
    void changed();

private:
    void storeReplaced() override;
    void racePublished() override { emit changed(); }
    void setFileError(const QString &error);
    void editRace(const std::function<void(Race &)> &edit);

    QString m_fileError;
    QString m_dateError;
    // The date typed that dateError refuses; none once a date is taken or another event opened.
    std::optional<QString> m_refusedDateText;
    // Why the last name typed was not stored; cleared by the next name that is.
    QString m_nameRefusal;
    QString m_savedMessage;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
};
