#pragma once

// What the list and grid bodies do to the plan: where a dragged runner may land and the change a
// landing makes, and the preference menu of the list rows.
//
// Grid: a runner dropped on a cell takes the cell's time (on the runner's day) and the cell's class
// for the active stage, in one change. List: a scheduled row dropped on another scheduled row takes
// that row's place, and the section's times are handed out again in the new order.
//
// A landing is refused, with the reason, and the plan left as it is, when the runner is unknown,
// the place is not a place for it (a start-punch class, a class the event does not have, outside
// the scheduled rows), or it would put two runners of one course into the same minute where there
// were not two before.

#include "race.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

// A refusal as a localisation key and its arguments.
struct DropRefusal
{
    QString key;
    QStringList arguments;
    bool operator==(const DropRefusal &) const = default;
};

// Either the race after the landing, or why there is none.
struct DropPlan
{
    std::optional<Race> after;
    std::optional<DropRefusal> refusal;
};

// The grid landing of the runner whose id is `payload` on the cell (slot seconds of the day, class).
[[nodiscard]] DropPlan planGridDrop(
    const Race &race, const QString &payload, int slotSeconds, const QString &classId, const QDate &today);
// The list landing of the row at `from` on the row at `to` of the scheduled ids (in shown order).
[[nodiscard]] DropPlan planListMove(const Race &race, const QList<QUuid> &scheduledIds, int from, int to);

class StartListActions : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    // Why the last landing was refused; empty after one that was made. Localised.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    explicit StartListActions(QObject *parent = nullptr);

    [[nodiscard]] QString message() const;
    // "Today" for a runner whose day nothing else gives (tests pin it).
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }

    // True when the change was made (one autosave).
    Q_INVOKABLE bool dropOnGridCell(const QString &payload, int slotSeconds, const QString &classId);
    Q_INVOKABLE bool moveScheduledRow(const QStringList &scheduledIds, int from, int to);
    // A drop on a place that takes no runner (the unscheduled rows, a header).
    Q_INVOKABLE void refuseDrop();
    Q_INVOKABLE void clearMessage();
    // The list body's rows: the scheduled rows, then the unscheduled ones, each marked with its
    // section ("scheduled") and whether it opens the "Unscheduled" section ("opensUnscheduled").
    // Built here in one pass: the lists come from the screen as whole values, read once.
    Q_INVOKABLE QVariantList listRows(const QVariantList &scheduled, const QVariantList &unscheduled) const;
    // The list as one value. A list property of a view-model read from QML is read afresh at
    // every index; the bodies take such a list through here once per change instead.
    Q_INVOKABLE QVariantList snapshot(const QVariantList &list) const { return list; }
    // The names of one grid row, flat: one {column, line, id, name} per runner, for the cells'
    // lists in column order (`cells`: one list of {id, name} per column).
    Q_INVOKABLE QVariantList gridEntries(const QVariantList &cells) const;
    // The "id" of each row.
    Q_INVOKABLE QStringList rowIds(const QVariantList &rows) const;
    // The list's preference menu: "" for none, "early" or "late".
    Q_INVOKABLE void setPreference(const QString &participantId, const QString &preference);

signals:
    void storeChanged();
    void messageChanged();

private:
    void storeReplaced() override { emit storeChanged(); }
    bool apply(const DropPlan &plan, const QUuid &changed);
    void setRefusal(const std::optional<DropRefusal> &refusal);

    std::function<QDate()> m_today;
    std::optional<DropRefusal> m_refusal;
};
