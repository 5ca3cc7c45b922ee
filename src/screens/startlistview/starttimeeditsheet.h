#pragma once

// The start-time edit sheet: one runner's start for the active stage, set with three steppers or
// typed as a time ("9.30", "0930", "9:30:15"), cleared, or left alone. Saving writes through the
// store on the runner's day; a typed text that is not a time keeps the sheet open with the reason
// and writes nothing.

#include "storeviewmodel.h"

#include <QObject>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

class StartTimeEditSheet : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    Q_PROPERTY(bool showing READ showing NOTIFY showingChanged)
    Q_PROPERTY(QString participantId READ participantId NOTIFY showingChanged)
    Q_PROPERTY(QString name READ name NOTIFY showingChanged)
    Q_PROPERTY(QString cardText READ cardText NOTIFY showingChanged)
    Q_PROPERTY(int hour READ hour WRITE setHour NOTIFY timeChanged)
    Q_PROPERTY(int minute READ minute WRITE setMinute NOTIFY timeChanged)
    Q_PROPERTY(int second READ second WRITE setSecond NOTIFY timeChanged)
    // The steppers' time as "HH:MM:SS"; writing it reads a typed time.
    Q_PROPERTY(QString timeText READ timeText WRITE setTimeText NOTIFY timeChanged)
    // Why the typed text is not a time; empty while it is one. Localised.
    Q_PROPERTY(QString problem READ problem NOTIFY timeChanged)

public:
    explicit StartTimeEditSheet(QObject *parent = nullptr);

    [[nodiscard]] bool showing() const { return m_participant.has_value(); }
    [[nodiscard]] QString participantId() const;
    [[nodiscard]] QString name() const { return m_name; }
    [[nodiscard]] QString cardText() const;
    [[nodiscard]] int hour() const { return m_hour; }
    [[nodiscard]] int minute() const { return m_minute; }
    [[nodiscard]] int second() const { return m_second; }
    // Each stops at the ends of its range.
    void setHour(int value);
    void setMinute(int value);
    void setSecond(int value);
    [[nodiscard]] QString timeText() const;
    void setTimeText(const QString &text);
    [[nodiscard]] QString problem() const;

    // Opens for the runner, seeded with its start for the active stage, else with the typed first
    // start of the fixed-interval dialog, else 09:00:00. An id that names nobody opens nothing.
    Q_INVOKABLE bool edit(const QString &participantId, const QString &firstStartText);
    // False, and the sheet stays open with the reason, while the typed text is not a time or the
    // time does not occur on the runner's day.
    Q_INVOKABLE bool save();
    Q_INVOKABLE void clear();
    Q_INVOKABLE void cancel();

signals:
    void storeChanged();
    void showingChanged();
    void timeChanged();

private:
    void storeReplaced() override { emit storeChanged(); }
    void setTime(int hour, int minute, int second);
    void close();

    std::optional<QUuid> m_participant;
    QString m_name;
    QString m_card;
    int m_hour = 9;
    int m_minute = 0;
    int m_second = 0;
    // The text last typed when it was not a time.
    std::optional<QString> m_badText;
    // Save found that the clock skips the time on the runner's day (the change to summer time).
    bool m_skippedTime = false;
};
