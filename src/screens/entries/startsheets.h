#pragma once

// The two read-only sheets of the start-list screen: entries per class and the runners' early
// and late wishes, both for the active stage and over every entry of the event.

#include "race.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

struct ClassEntryCount
{
    QString className;
    int count = 0;
};

enum class EntryCountSortField { ClassName, Count };

// One row per class id found among the entries with a class for the active stage, in name order;
// an id naming no class gives a "No class" row of its own.
[[nodiscard]] QList<ClassEntryCount> classEntryCounts(const Race &race);
// Stable sort by the field ascending (ties keep name order), reversed when descending.
[[nodiscard]] QList<ClassEntryCount> classEntryCountOrder(
    QList<ClassEntryCount> rows, EntryCountSortField field, bool ascending);

struct PreferenceRow
{
    QUuid id;
    QString name;
    QString className;
    StartTimePreference preference = StartTimePreference::Early;
};

// Every entry with a preference and a class for the active stage, by class name, then name.
[[nodiscard]] QList<PreferenceRow> preferenceRows(const Race &race);

// Both sheets' view-model: the rows as QML reads them. The sort choice lives here so that it
// survives closing and reopening the sheet.
class StartSheetsViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY changed)
    // 0 by class, 1 by count.
    Q_PROPERTY(int sortField READ sortField WRITE setSortField NOTIFY changed)
    Q_PROPERTY(bool ascending READ ascending WRITE setAscending NOTIFY changed)
    // [{name, count}]
    Q_PROPERTY(QVariantList classCounts READ classCounts NOTIFY changed)
    // [{name, className, early}]
    Q_PROPERTY(QVariantList preferences READ preferences NOTIFY changed)

public:
    explicit StartSheetsViewModel(QObject *parent = nullptr);
    [[nodiscard]] int sortField() const { return int(m_field); }
    void setSortField(int field);
    [[nodiscard]] bool ascending() const { return m_ascending; }
    void setAscending(bool on);
    [[nodiscard]] QVariantList classCounts() const;
    [[nodiscard]] QVariantList preferences() const;

signals:
    void changed();

private:
    void storeReplaced() override { emit changed(); }
    void racePublished() override { emit changed(); }
    EntryCountSortField m_field = EntryCountSortField::Count;
    bool m_ascending = false;
};
