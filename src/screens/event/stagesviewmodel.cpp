#include "stagesviewmodel.h"

#include "atomicfile.h"
#include "chosenfile.h"
#include "filechooser.h"
#include "localization.h"
#include "messagetext.h"
#include "oecsv.h"
#include "racestore.h"
#include "typedtext.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

QList<Stage> sortedStages(const QList<Stage> &stages)
{
    QList<Stage> sorted = stages;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    return sorted;
}

Stage proposedNewStage(
    const QList<Stage> &stages, const std::optional<QDateTime> &eventDate, const QDateTime &now)
{
    qint64 highest = -1;
    const Stage *previous = nullptr;
    for (const Stage &stage : stages) {
        if (!previous || stage.order >= previous->order)
            previous = &stage;
        highest = std::max(highest, stage.order);
    }
    Stage stage;
    stage.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    stage.order = highest + 1;
    stage.name = QStringLiteral("Stage ") + QString::number(highest + 2);
    // Stages run on consecutive days from the event's date; counting in local days keeps the
    // time of day across a change of summer time.
    if (previous && previous->date.isValid())
        stage.date = previous->date.toLocalTime().addDays(1).toUTC();
    else if (!previous && eventDate && eventDate->isValid())
        stage.date = eventDate->toUTC();
    else
        stage.date = now;
    return stage;
}

StagesViewModel::StagesViewModel(QObject *parent)
    : StoreViewModel(parent)
{ }

QVariantList StagesViewModel::stages() const
{
    QVariantList rows;
    if (!store())
        return rows;
    const auto &active = store()->race().activeStageId;
    for (const Stage &stage : sortedStages(store()->race().stages))
        rows.append(QVariantMap {{QStringLiteral("id"), stage.id}, {QStringLiteral("name"), stage.name},
            {QStringLiteral("dateText"), mediumDateText(stage.date.toLocalTime().date())},
            {QStringLiteral("active"), active && *active == stage.id}});
    return rows;
}

int StagesViewModel::activeIndex() const
{
    if (!store() || !store()->race().activeStageId)
        return -1;
    const QList<Stage> sorted = sortedStages(store()->race().stages);
    for (int i = 0; i < sorted.size(); ++i)
        if (sorted.at(i).id == *store()->race().activeStageId)
            return i;
    return -1;
}

bool StagesViewModel::canExport() const
{
    return store() && !store()->race().participants.isEmpty();
}

QString StagesViewModel::suggestedExportName() const
{
    QString name = store() ? store()->race().name : QString();
    // A separator would point the dialog into another folder.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral("-entries-oe.csv");
}

QUrl StagesViewModel::exportFolder() const
{
    return dialogStartFolder(FileKind::Csv, store());
}

QString StagesViewModel::editName() const
{
    return m_editing ? m_editing->name : QString();
}

void StagesViewModel::setEditName(const QString &name)
{
    if (m_editing && m_editing->name != name) {
        m_editing->name = name;
        emit editorChanged();
    }
}

QDate StagesViewModel::editDate() const
{
    return m_editing ? m_editing->date.toLocalTime().date() : QDate();
}

void StagesViewModel::setEditDate(const QDate &date)
{
    if (!m_editing || !date.isValid())
        return;
    // Only the day changes; the time of day the stage had is kept.
    const QDateTime local = m_editing->date.toLocalTime();
    m_editing->date = QDateTime(date, local.isValid() ? local.time() : QTime(0, 0));
    emit editorChanged();
}

int StagesViewModel::editOrder() const
{
    return m_editing ? int(m_editing->order) : 0;
}

void StagesViewModel::setEditOrder(int order)
{
    if (m_editing) {
        m_editing->order = std::clamp(order, 0, 99);
        emit editorChanged();
    }
}

QString StagesViewModel::editOrderTitle() const
{
    return localized(QStringLiteral("Order: %lld"), {QString::number(editOrder())});
}

std::optional<Stage> StagesViewModel::findStage(const QString &id) const
{
    if (store())
        for (const Stage &stage : store()->race().stages)
            if (stage.id == id)
                return stage;
    return std::nullopt;
}

void StagesViewModel::makeActive(const QString &stageId)
{
    if (!store() || !findStage(stageId))
        return;
    store()->setActiveStage(stageId);
}

void StagesViewModel::beginNewStage()
{
    if (!store())
        return;
    m_editing = proposedNewStage(store()->race().stages, store()->race().date, m_now());
    m_isAddingNew = true;
    emit editorChanged();
}

void StagesViewModel::beginEdit(const QString &stageId)
{
    m_editing = findStage(stageId);
    m_isAddingNew = false;
    emit editorChanged();
}

QString StagesViewModel::editNameWarning() const
{
    return m_editing ? typedNameProblem(m_editing->name) : QString();
}

void StagesViewModel::saveEdit()
{
    if (!store() || !m_editing || !editNameWarning().isEmpty())
        return;
    if (m_isAddingNew)
        store()->addStage(*m_editing);
    else
        store()->updateStage(*m_editing);
    m_editing.reset();
    emit editorChanged();
}

void StagesViewModel::cancelEdit()
{
    m_editing.reset();
    emit editorChanged();
}

void StagesViewModel::requestDelete(const QString &stageId)
{
    m_pendingDelete = findStage(stageId);
    emit editorChanged();
}

void StagesViewModel::confirmDelete()
{
    if (store() && m_pendingDelete)
        store()->deleteStage(*m_pendingDelete);
    cancelDelete();
}

void StagesViewModel::cancelDelete()
{
    m_pendingDelete.reset();
    emit editorChanged();
}

void StagesViewModel::chooseExportFile()
{
    FileDialogRequest request;
    request.kind = FileKind::Csv;
    request.save = true;
    request.name = QStringLiteral("stagesExportDialog");
    request.nameFilters = {localized(QStringLiteral("CSV files (*.csv)"))};
    request.proposedName = suggestedExportName();
    request.completeName = addingExtension(QStringLiteral(".csv"));
    request.folder = exportFolder();
    chooseFile(request, this, [this](const QUrl &file) { exportEntries(file); });
}

void StagesViewModel::exportEntries(const QUrl &url)
{
    if (!store())
        return;
    QString error;
    const QString path = chosenLocalPath(url, exportFolder(), QStringLiteral(".csv"));
    if (path.isEmpty())
        error = localized(QStringLiteral("Not a local file: %@"), {url.toDisplayString()});
    else if (writeFileAtomically(path, makeOECSV(store()->race()).toUtf8(), &error))
        error.clear();
    m_exportError = error.isEmpty() ? QString()
                                    : localized(QStringLiteral("Export failed: ")) + localizedMessage(error);
    m_savedMessage = error.isEmpty() ? savedFileMessage(path) : QString();
    emit changed();
}
