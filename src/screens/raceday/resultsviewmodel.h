#pragma once

// The results screen's state: the class and stage filters, the groups they select from the
// store's current race, and the message of the last failed export. The filters belong to this
// screen instance only; the stage filter starts at the race's active stage and does not follow
// later changes of it.

#include "resultexports.h"
#include "resultselection.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

class RaceStore;

class ResultsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the results screen with its store.")
    Q_PROPERTY(QString filterClassId READ filterClassId WRITE setFilterClassId NOTIFY filterChanged)
    Q_PROPERTY(QString filterStageId READ filterStageId WRITE setFilterStageId NOTIFY filterChanged)
    Q_PROPERTY(bool showsOverall READ showsOverall NOTIFY filterChanged)
    Q_PROPERTY(QString exportError READ exportError NOTIFY exportErrorChanged)

public:
    explicit ResultsViewModel(RaceStore *store, QObject *parent = nullptr);

    [[nodiscard]] const ResultFilter &filter() const { return m_filter; }
    [[nodiscard]] const QString &filterClassId() const { return m_filter.classId; }
    [[nodiscard]] const QString &filterStageId() const { return m_filter.stageId; }
    [[nodiscard]] bool showsOverall() const { return m_filter.showsOverall(); }
    void setFilterClassId(const QString &classId);
    void setFilterStageId(const QString &stageId);

    // The class view and the overall view of the store's race as it is now.
    [[nodiscard]] QList<ClassResults> classGroups() const;
    [[nodiscard]] QList<ClassStandings> standingsGroups() const;

    // Empty while no export has failed since the last one that succeeded.
    [[nodiscard]] QString exportError() const { return m_exportError.value_or(QString()); }
    // "Saved <file>" after the last export worked; empty after a failure.
    [[nodiscard]] QString savedMessage() const { return m_savedMessage; }
    [[nodiscard]] bool exportEnabled(ResultExportKind kind) const
    {
        return resultExportEnabled(kind, m_filter);
    }
    [[nodiscard]] QString suggestedFileName(ResultExportKind kind) const;
    // Writes the current selection; the outcome also sets or clears `exportError`.
    bool exportTo(ResultExportKind kind, const QString &path);

signals:
    void filterChanged();
    void exportErrorChanged();

private:
    RaceStore *m_store;
    ResultFilter m_filter;
    std::optional<QString> m_exportError;
    QString m_savedMessage;
};
