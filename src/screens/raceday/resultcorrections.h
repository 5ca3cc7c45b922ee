#pragma once

// The corrections an organiser makes from a result row: another course, a forced status with a
// reason, clearing that override, deleting the card read. Every change goes through a RaceStore
// operation, which saves it (and broadcasts it on a master). Corrections are never submitted to a
// master, whose next race would undo them on a slave: the results screen offers none there.
//
// The two confirmations (override reason, deletion) remember only the result's id; confirming
// looks the result up again, so a race replaced meanwhile (by a sync snapshot) is never written
// through a stale copy.

#include "race.h"

#include <QObject>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

class RaceStore;

class ResultCorrections : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the results screen with its store.")
    Q_PROPERTY(bool overridePending READ overridePending NOTIFY overrideChanged)
    Q_PROPERTY(QString overrideTitle READ overrideTitle NOTIFY overrideChanged)
    Q_PROPERTY(
        QString overrideNoteText READ overrideNoteText WRITE setOverrideNoteText NOTIFY overrideChanged)
    Q_PROPERTY(bool deletionPending READ deletionPending NOTIFY deletionChanged)

public:
    explicit ResultCorrections(RaceStore *store, QObject *parent = nullptr);

    // The courses offered by "Change course", by name: all of them without stages, else those of
    // no stage or of the active stage.
    [[nodiscard]] QList<Course> changeCourseCandidates() const;
    // Moves the stored result to the course (an empty id: no course) and evaluates it again from
    // its punches; the override stays. An id no longer stored changes nothing.
    Q_INVOKABLE void changeResultCourse(const QUuid &resultId, const QString &courseId);

    // Opens the reason prompt, starting from the reason of the result's override (empty without
    // one: the evaluation's review note is no reason).
    Q_INVOKABLE void beginOverride(const QUuid &resultId, bool completed);
    // Stores the override with the reason exactly as typed (an empty reason stays empty), when the
    // result is still stored; closes the prompt either way.
    Q_INVOKABLE void confirmOverride();
    Q_INVOKABLE void cancelOverride();
    // Back to the automatic status; the reason goes with the override.
    Q_INVOKABLE void clearOverride(const QUuid &resultId);
    [[nodiscard]] static bool canClearOverride(const PersonResult &result)
    {
        return result.completedOverride.has_value();
    }

    Q_INVOKABLE void requestDeletion(const QUuid &resultId);
    // Deletes the result when it is still stored; closes the prompt either way.
    Q_INVOKABLE void confirmDeletion();
    Q_INVOKABLE void cancelDeletion();

    [[nodiscard]] bool overridePending() const { return m_pendingOverride.has_value(); }
    [[nodiscard]] bool pendingOverrideValue() const { return m_pendingOverrideValue; }
    [[nodiscard]] QString overrideTitle() const;
    [[nodiscard]] const QString &overrideNoteText() const { return m_overrideNoteText; }
    void setOverrideNoteText(const QString &text);
    [[nodiscard]] bool deletionPending() const { return m_pendingDeletion.has_value(); }

signals:
    void overrideChanged();
    void deletionChanged();

private:
    [[nodiscard]] const PersonResult *stored(const QUuid &id) const;

    RaceStore *m_store;
    std::optional<QUuid> m_pendingOverride;
    bool m_pendingOverrideValue = false;
    QString m_overrideNoteText;
    std::optional<QUuid> m_pendingDeletion;
};
