#pragma once

// The base of the screens' list models: QML reads the number of rows as `count`, told only when
// the number changes.

#include <QAbstractListModel>
#include <QList>

#include <algorithm>

class CountedListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    using QAbstractListModel::QAbstractListModel;

    [[nodiscard]] int count() const { return int(size()); }
    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : count();
    }

signals:
    void countChanged();

protected:
    [[nodiscard]] virtual qsizetype size() const = 0;

    // Replaces every row in one reset: `assign` sets what the rows are read from.
    template<typename Assign> void resetRows(Assign assign)
    {
        const int before = count();
        beginResetModel();
        assign();
        endResetModel();
        if (count() != before)
            emit countChanged();
    }

    // While `fresh` holds the same records as `rows` in the same order, only the rows that differ
    // are updated, in place, so that a scrolled list does not jump and a row being edited keeps
    // its controls; otherwise every row is replaced.
    template<typename Row, typename SameRecord>
    void updateRows(QList<Row> &rows, const QList<Row> &fresh, SameRecord sameRecord)
    {
        if (!std::equal(rows.begin(), rows.end(), fresh.begin(), fresh.end(), sameRecord)) {
            resetRows([&] { rows = fresh; });
            return;
        }
        for (int i = 0; i < fresh.size(); ++i) {
            if (rows.at(i) == fresh.at(i))
                continue;
            rows[i] = fresh.at(i);
            emit dataChanged(index(i), index(i));
        }
    }
};
