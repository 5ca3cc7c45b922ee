#pragma once

// The "Stages" section: the event's stages in display order, the active stage, the stage editor
// sheet (add or edit), the delete confirmation and the OE CSV export of the entries. Every change
// of the race goes through the store, which saves it.

#include "race.h"
#include "storeviewmodel.h"
#include "timeofday.h"

#include <QDate>
#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

// The stages ordered by `order`; equal orders keep their stored sequence.
[[nodiscard]] QList<Stage> sortedStages(const QList<Stage> &stages);
// What "Add Stage" proposes: order one past the highest (0 for the first), named after its
// position, a fresh upper-case id. Dated the event's date for the first stage, the day after the
// stage of the highest order for a later one; `now` when there is no such date.
[[nodiscard]] Stage proposedNewStage(
    const QList<Stage> &stages, const std::optional<QDateTime> &eventDate, const QDateTime &now);

class StagesViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY changed)
    // [{id, name, dateText, active}] in display order.
    Q_PROPERTY(QVariantList stages READ stages NOTIFY changed)
    Q_PROPERTY(int activeIndex READ activeIndex NOTIFY changed)
    Q_PROPERTY(bool canExport READ canExport NOTIFY changed)
    Q_PROPERTY(QString exportError READ exportError NOTIFY changed)
    Q_PROPERTY(QString suggestedExportName READ suggestedExportName NOTIFY changed)
    // "Saved <file>" after the last export worked.
    Q_PROPERTY(QString savedMessage READ savedMessage NOTIFY changed)
    // The editor sheet and its working copy.
    Q_PROPERTY(bool editing READ editing NOTIFY editorChanged)
    Q_PROPERTY(QString editName READ editName WRITE setEditName NOTIFY editorChanged)
    // Why the name typed cannot be saved; empty when it can.
    Q_PROPERTY(QString editNameWarning READ editNameWarning NOTIFY editorChanged)
    Q_PROPERTY(QDate editDate READ editDate WRITE setEditDate NOTIFY editorChanged)
    Q_PROPERTY(QString editDateText READ editDateText NOTIFY editorChanged)
    // The edited date in the medium date style, and its parts for the calendar (month 0-11).
    Q_PROPERTY(QString editDateDisplay READ editDateDisplay NOTIFY editorChanged)
    Q_PROPERTY(int editYear READ editYear NOTIFY editorChanged)
    Q_PROPERTY(int editMonth READ editMonth NOTIFY editorChanged)
    Q_PROPERTY(int editDay READ editDay NOTIFY editorChanged)
    Q_PROPERTY(int editOrder READ editOrder WRITE setEditOrder NOTIFY editorChanged)
    Q_PROPERTY(QString editOrderTitle READ editOrderTitle NOTIFY editorChanged)
    // The delete confirmation.
    Q_PROPERTY(bool confirmingDelete READ confirmingDelete NOTIFY editorChanged)

public:
    explicit StagesViewModel(QObject *parent = nullptr);

    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    [[nodiscard]] QVariantList stages() const;
    [[nodiscard]] int activeIndex() const;
    [[nodiscard]] bool canExport() const;
    [[nodiscard]] QString exportError() const { return m_exportError; }
    [[nodiscard]] QString savedMessage() const { return m_savedMessage; }
    [[nodiscard]] QString suggestedExportName() const;
    [[nodiscard]] QUrl exportFolder() const;

    [[nodiscard]] bool editing() const { return m_editing.has_value(); }
    [[nodiscard]] QString editName() const;
    void setEditName(const QString &name);
    [[nodiscard]] QString editNameWarning() const;
    [[nodiscard]] QDate editDate() const;
    void setEditDate(const QDate &date);
    // The date as typed (year-month-day); anything else is ignored.
    Q_INVOKABLE void setEditDateText(const QString &text)
    {
        setEditDate(QDate::fromString(text, Qt::ISODate));
    }
    [[nodiscard]] QString editDateText() const { return editDate().toString(Qt::ISODate); }
    [[nodiscard]] QString editDateDisplay() const
    {
        return m_editing ? mediumDateText(editDate()) : QString();
    }
    [[nodiscard]] int editYear() const { return editDate().year(); }
    [[nodiscard]] int editMonth() const { return editDate().month() - 1; }
    [[nodiscard]] int editDay() const { return editDate().day(); }
    // A day picked on the calendar (month 1-12).
    Q_INVOKABLE void pickEditDay(int year, int month, int day) { setEditDate(QDate(year, month, day)); }
    [[nodiscard]] int editOrder() const;
    void setEditOrder(int order);
    [[nodiscard]] QString editOrderTitle() const;
    [[nodiscard]] bool confirmingDelete() const { return m_pendingDelete.has_value(); }

    Q_INVOKABLE void makeActive(const QString &stageId);
    Q_INVOKABLE void beginNewStage();
    Q_INVOKABLE void beginEdit(const QString &stageId);
    Q_INVOKABLE void saveEdit();
    Q_INVOKABLE void cancelEdit();
    Q_INVOKABLE void requestDelete(const QString &stageId);
    Q_INVOKABLE void confirmDelete();
    Q_INVOKABLE void cancelDelete();
    Q_INVOKABLE void exportEntries(const QUrl &url);
    // The export's save dialog; the file chosen goes to exportEntries().
    Q_INVOKABLE void chooseExportFile();

signals:
    void changed();
    void editorChanged();

private:
    void storeReplaced() override { emit changed(); }
    void racePublished() override { emit changed(); }
    [[nodiscard]] std::optional<Stage> findStage(const QString &id) const;

    std::optional<Stage> m_editing;
    bool m_isAddingNew = false;
    std::optional<Stage> m_pendingDelete;
    QString m_exportError;
    QString m_savedMessage;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
