#include "resultsviewmodel.h"

#include "chosenfile.h"

#include "racestore.h"

ResultsViewModel::ResultsViewModel(RaceStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    m_filter.stageId = store->race().activeStageId.value_or(QString());
}

void ResultsViewModel::setFilterClassId(const QString &classId)
{
    if (classId == m_filter.classId)
        return;
    m_filter.classId = classId;
    emit filterChanged();
}

void ResultsViewModel::setFilterStageId(const QString &stageId)
{
    if (stageId == m_filter.stageId)
        return;
    m_filter.stageId = stageId;
    emit filterChanged();
}

QList<ClassResults> ResultsViewModel::classGroups() const
{
    return resultsForClass(m_store->race(), m_filter);
}

QList<ClassStandings> ResultsViewModel::standingsGroups() const
{
    return overallStandings(m_store->race(), m_filter);
}

QString ResultsViewModel::suggestedFileName(ResultExportKind kind) const
{
    return suggestedExportFileName(kind, m_store->race(), m_filter);
}

bool ResultsViewModel::exportTo(ResultExportKind kind, const QString &path)
{
    const ResultExportOutcome outcome = exportResults(kind, m_store->race(), m_filter, path);
    std::optional<QString> error;
    if (!outcome.ok)
        error = outcome.error;
    const QString saved = outcome.ok ? savedFileMessage(path) : QString();
    if (error != m_exportError || saved != m_savedMessage) {
        m_exportError = error;
        m_savedMessage = saved;
        emit exportErrorChanged();
    }
    return outcome.ok;
}
