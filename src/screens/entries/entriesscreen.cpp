#include "entriesscreen.h"

#include "chosenfile.h"
#include "filechooser.h"
#include "messagetext.h"

#include "classorder.h"
#include "documenttext.h"
#include "localization.h"
#include "racestore.h"
#include "typedtext.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

// ---- EntryRowsModel ----------------------------------------------------------------------------

void EntryRowsModel::setRows(std::shared_ptr<const EntryRowTable> table, QList<qsizetype> positions)
{
    // While the same entries are shown in the same order, only the rows that differ are updated,
    // in place, so that a scrolled list does not jump and a row being edited keeps its controls;
    // otherwise every row is replaced. A position shows the same row as before while the table
    // is the same one; a row of the old table nobody asked for was never seen, so it cannot
    // have changed on screen.
    const bool sameTable = table == m_table;
    const auto sameRow = [&](qsizetype i) { return sameTable && positions.at(i) == m_positions.at(i); };
    bool sameRecords = positions.size() == m_positions.size();
    for (qsizetype i = 0; sameRecords && i < positions.size(); ++i)
        sameRecords = sameRow(i) || table->entryId(positions.at(i)) == m_table->entryId(m_positions.at(i));
    if (!sameRecords) {
        resetRows([&] {
            m_table = std::move(table);
            m_positions = std::move(positions);
        });
        return;
    }
    QList<qsizetype> changed;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        if (!sameRow(i) && m_table->isBuilt(m_positions.at(i)) && !(table->row(positions.at(i)) == rowAt(i)))
            changed.append(i);
    }
    m_table = std::move(table);
    m_positions = std::move(positions);
    for (const qsizetype i : std::as_const(changed))
        emit dataChanged(index(int(i)), index(int(i)));
}

QList<EntryRowsModel::Row> EntryRowsModel::rows() const
{
    QList<Row> rows;
    rows.reserve(m_positions.size());
    for (qsizetype i = 0; i < m_positions.size(); ++i)
        rows.append(rowAt(i));
    return rows;
}

QVariant EntryRowsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Row &row = rowAt(index.row());
    switch (role) {
    case EntryIdRole:
        return row.entryId;
    case NameRole:
        return row.name;
    case DetailRole:
        return row.detail;
    case ChecklistWarningRole:
        return row.checklistWarning;
    case RentalWarningRole:
        return row.rentalWarning;
    case DuplicateWarningRole:
        return row.duplicateWarning;
    case StageColumnsRole:
        return row.stageColumns;
    case ShowsCoursePickerRole:
        return row.showsCoursePicker;
    case CourseOptionsRole:
        return row.courseOptions;
    case CourseIdRole:
        return row.courseId;
    default:
        return {};
    }
}

QHash<int, QByteArray> EntryRowsModel::roleNames() const
{
    return {{EntryIdRole, "entryId"}, {NameRole, "name"}, {DetailRole, "detail"},
        {ChecklistWarningRole, "checklistWarning"}, {RentalWarningRole, "rentalWarning"},
        {DuplicateWarningRole, "duplicateWarning"}, {StageColumnsRole, "stageColumns"},
        {ShowsCoursePickerRole, "showsCoursePicker"}, {CourseOptionsRole, "courseOptions"},
        {CourseIdRole, "courseId"}};
}

// ---- EntryRowTable -----------------------------------------------------------------------------

namespace {

Race rowInputs(const Race &race)
{
    Race inputs;
    inputs.participants = race.participants;
    inputs.classes = race.classes;
    inputs.courses = race.courses;
    inputs.stages = race.stages;
    inputs.activeStageId = race.activeStageId;
    inputs.shownStageId = race.shownStageId;
    return inputs;
}

QVariantMap pickerRow(const QString &text, const QString &value)
{
    return {{QStringLiteral("text"), text}, {QStringLiteral("value"), value}};
}

// The stage the stage picker has chosen; null when none is.
const Stage *activeStage(const Race &race)
{
    if (!shownStage(race))
        return nullptr;
    const auto stage = std::find_if(race.stages.cbegin(), race.stages.cend(),
        [&](const Stage &s) { return sameId(s.id, *shownStage(race)); });
    return stage == race.stages.cend() ? nullptr : &*stage;
}

} // namespace

EntryRowTable::EntryRowTable(const Race &race, std::shared_ptr<const std::vector<quint64>> cardKeys)
    : m_race(rowInputs(race))
    , m_ids(m_race)
    , m_orderedStages(stagesInOrder(race.stages))
    , m_cardKeys(std::move(cardKeys))
    , m_rows(std::size_t(race.participants.size()))
{ }

bool EntryRowTable::isFor(const Race &race) const
{
    return race.participants == m_race.participants && race.classes == m_race.classes
        && race.courses == m_race.courses && race.stages == m_race.stages
        && shownStage(race) == shownStage(m_race);
}

const EntryRow &EntryRowTable::row(qsizetype i) const
{
    std::unique_ptr<EntryRow> &row = m_rows[std::size_t(i)];
    if (!row)
        row = std::make_unique<EntryRow>(build(i));
    return *row;
}

EntryRow EntryRowTable::build(qsizetype i) const
{
    const Race &race = m_race;
    const RaceIds &ids = m_ids;
    const Participant &entry = race.participants.at(i);
    if (!m_duplicateWarnings) {
        if (!m_cardKeys) {
            auto keys = std::make_shared<std::vector<quint64>>();
            keys->reserve(std::size_t(race.participants.size()));
            for (const Participant &p : race.participants)
                keys->push_back(cardGroupKey(p.cardNumber));
            m_cardKeys = std::move(keys);
        }
        m_duplicateWarnings = duplicateCardWarningsByPosition(race, *m_cardKeys);
    }
    EntryRow row;
    row.entryId = entry.id.toString(QUuid::WithoutBraces);
    row.name = personDisplayName(entry.givenName, entry.familyName);
    row.detail = participantDetailLine(ids, entry);
    if (entry.pendingCardNumber)
        row.checklistWarning = localized(
            QStringLiteral("⚠ O-Checklist reports new card: %@ (not applied — edit manually to accept)"),
            *entry.pendingCardNumber);
    if (entry.isRentalCard.value_or(false))
        row.rentalWarning = localized(
            QStringLiteral("⚠ Rent-a-card (%@) — assign a physical card before start"), entry.cardNumber);
    row.duplicateWarning = m_duplicateWarnings->value(i);
    for (qsizetype k = 0; k < m_orderedStages.size(); ++k) {
        const Stage &stage = m_orderedStages[k];
        const QString summary = classCourseSummary(ids, entry, stage.id);
        auto cell = m_stageCells.constFind({k, summary});
        if (cell == m_stageCells.constEnd())
            cell = m_stageCells.insert({k, summary},
                QVariantMap {{QStringLiteral("name"), stage.name}, {QStringLiteral("summary"), summary}});
        row.stageColumns.append(*cell);
    }
    row.showsCoursePicker = race.stages.isEmpty() && showsCoursePicker(ids, entry);
    if (row.showsCoursePicker) {
        // Entries of one class share their choices.
        const QString classId = entry.classId.value_or(QString());
        auto options = m_courseOptionsByClass.constFind(classId);
        if (options == m_courseOptionsByClass.constEnd()) {
            QVariantList list {pickerRow(localized(QStringLiteral("(Class default)")), QString())};
            for (const Course &course : rowCourseChoices(ids, entry))
                list.append(pickerRow(course.name, course.id));
            options = m_courseOptionsByClass.insert(classId, list);
        }
        row.courseOptions = *options;
        row.courseId = entry.courseId.value_or(QString());
    }
    return row;
}

// ---- EntriesScreen -----------------------------------------------------------------------------

EntriesScreen::EntriesScreen(QObject *parent)
    : StoreViewModel(parent)
    , m_rows(this)
    , m_rebuild(
          this, [this] { rebuildNow(); }, [this] { emit loadingChanged(); })
{ }

EntriesScreen::~EntriesScreen() = default;

void EntriesScreen::storeReplaced()
{
    // A list held for another event's stage is no list for this one.
    m_pendingImport.reset();
    emit importChanged();
    emit storeChanged();
    emit raceChanged();
    m_rebuild.schedule();
}

void EntriesScreen::racePublished()
{
    // A list held for the stage of an event no longer open is dropped with its sheet.
    if (m_pendingImport && store()->documentGeneration() != m_pendingImport->generation) {
        m_pendingImport.reset();
        emit importChanged();
    }
    emit raceChanged();
    const Race &race = store()->race();
    if (race.participants != m_seenParticipants || race.classes != m_seenClasses) {
        m_rebuild.schedule();
        return;
    }
    // Courses, stages or the active stage: the rows' texts follow at once, their order waits for the
    // next rebuild.
    if (!m_rebuild.isQueued() && !m_rowTable->isFor(race))
        showRows();
}

void EntriesScreen::rebuildNow()
{
    m_rebuild.begin();
    const Race race = store() ? store()->race() : Race();
    m_seenParticipants = race.participants;
    m_seenClasses = race.classes;
    if (!m_index || !m_index->isFor(race))
        m_index = std::make_unique<EntryListIndex>(race);
    m_shownPositions = m_index->shown(m_filterClassId, m_searchText, m_sortField, m_sortAscending);
    m_shown.clear();
    m_shownCopied = false;
    showRows();
    emit rowsChanged();
    m_rebuild.end();
}

void EntriesScreen::showRows()
{
    // The shown positions refer to the entries the last rebuild saw, which are still the race's
    // while no rebuild is due; the table follows the race's courses and stages at once.
    static const Race noRace;
    const Race &race = store() ? store()->race() : noRace;
    if (!m_rowTable->isFor(race))
        m_rowTable = std::make_shared<EntryRowTable>(race, m_index ? m_index->cardKeysFor(race) : nullptr);
    QList<qsizetype> positions = m_shownPositions;
    positions.removeIf([&](qsizetype i) { return i >= m_rowTable->size(); });
    m_rows.setRows(m_rowTable, std::move(positions));
}

bool EntriesScreen::showsStagePicker() const
{
    return store() && !store()->race().stages.isEmpty();
}

QVariantList EntriesScreen::stageOptions() const
{
    QVariantList options;
    if (store()) {
        for (const Stage &stage : stagesInOrder(store()->race().stages))
            options.append(pickerRow(stage.name, stage.id));
    }
    return options;
}

QString EntriesScreen::shownStageId() const
{
    return store() ? shownStage(store()->race()).value_or(QString()) : QString();
}

QVariantList EntriesScreen::classOptions() const
{
    QVariantList options;
    if (!store())
        return options;
    QList<RaceClass> classes = store()->race().classes;
    std::stable_sort(classes.begin(), classes.end(), compareClassNames);
    for (const RaceClass &raceClass : std::as_const(classes))
        options.append(pickerRow(raceClass.name, raceClass.id));
    return options;
}

void EntriesScreen::setFilterClassId(const QString &classId)
{
    if (classId == m_filterClassId)
        return;
    m_filterClassId = classId;
    emit filterChanged();
    m_rebuild.schedule();
}

void EntriesScreen::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    emit filterChanged();
    m_rebuild.schedule();
}

void EntriesScreen::setSortFieldIndex(int index)
{
    if (index < 0 || index >= participantSortFieldCount || index == int(m_sortField))
        return;
    m_sortField = ParticipantSortField(index);
    emit filterChanged();
    m_rebuild.schedule();
}

void EntriesScreen::setSortAscending(bool ascending)
{
    if (ascending == m_sortAscending)
        return;
    m_sortAscending = ascending;
    emit filterChanged();
    m_rebuild.schedule();
}

QStringList EntriesScreen::sortFieldTitles() const
{
    QStringList titles;
    for (int i = 0; i < participantSortFieldCount; ++i)
        titles.append(sortFieldTitle(ParticipantSortField(i)));
    return titles;
}

QString EntriesScreen::sortHelp() const
{
    const QString direction = m_sortAscending ? QStringLiteral("Ascending") : QStringLiteral("Descending");
    return localized(QStringLiteral("Sort by %@, %@"), localized(sortFieldTitle(m_sortField)).toLower(),
        localized(direction).toLower());
}

QString EntriesScreen::countText() const
{
    return localized(QStringLiteral("%@ participant(s)"), QString::number(m_shownPositions.size()));
}

const QList<Participant> &EntriesScreen::shownParticipants() const
{
    if (!m_shownCopied) {
        m_shown.clear();
        m_shown.reserve(m_shownPositions.size());
        for (qsizetype i : std::as_const(m_shownPositions))
            m_shown.append(m_seenParticipants.at(i));
        m_shownCopied = true;
    }
    return m_shown;
}

void EntriesScreen::selectStage(const QString &stageId)
{
    if (!store())
        return;
    store()->setShownStage(stageId);
}

// ---- Editor ------------------------------------------------------------------------------------

void EntriesScreen::addEntry()
{
    // A blank entry: new id, empty names and card, every optional field absent. The class filter's
    // class is not handed on.
    openEditor(Participant(), true);
}

void EntriesScreen::editParticipant(const QString &entryId)
{
    if (!store())
        return;
    const QUuid id(entryId);
    for (const Participant &p : store()->race().participants) {
        if (p.id == id) {
            openEditor(p, false);
            return;
        }
    }
}

void EntriesScreen::openEditor(const Participant &entry, bool addingNew)
{
    if (!store())
        return;
    closeEditor(m_editor.get());
    const Race &race = store()->race();
    QSet<QString> others;
    for (const Participant &p : race.participants) {
        if (p.id != entry.id)
            others.insert(p.cardNumber);
    }
    m_editor = std::make_unique<ParticipantEditorViewModel>();
    m_addingNew = addingNew;
    const ParticipantEditorViewModel *opened = m_editor.get();
    connect(m_editor.get(), &ParticipantEditorViewModel::saved, this, [this, opened] {
        if (m_editor.get() != opened || !store())
            return;
        const Participant edited = m_editor->result();
        if (m_addingNew) {
            Race race = store()->race();
            race.participants.append(edited);
            store()->setRace(race);
            store()->autosave();
        } else {
            store()->updateParticipant(edited);
        }
        closeEditor(opened);
    });
    connect(m_editor.get(), &ParticipantEditorViewModel::cancelled, this,
        [this, opened] { closeEditor(opened); });
    m_editor->edit(entry, race.classes, race.courses, race.stages, others);
    emit editorChanged();
}

void EntriesScreen::closeEditor(const ParticipantEditorViewModel *opened)
{
    // The editor may be the caller (its Save or Cancel runs this): it goes once the call is over.
    if (!m_editor || m_editor.get() != opened)
        return;
    m_editor.release()->deleteLater();
    emit editorChanged();
}

// ---- Rows --------------------------------------------------------------------------------------

void EntriesScreen::deleteParticipant(const QString &entryId)
{
    if (store())
        store()->deleteParticipant(QUuid(entryId));
}

void EntriesScreen::setParticipantCourse(const QString &entryId, const QString &courseId)
{
    if (store())
        store()->setParticipantCourse(
            QUuid(entryId), courseId.isEmpty() ? std::nullopt : std::optional<QString>(courseId));
}

// ---- Tools menu --------------------------------------------------------------------------------

void EntriesScreen::setImportURLString(const QString &text)
{
    if (text == m_importURL)
        return;
    m_importURL = text;
    emit importChanged();
}

void EntriesScreen::toggleImportURLField()
{
    m_showImportURLField = !m_showImportURLField;
    emit importChanged();
}

bool EntriesScreen::canImportFromURL() const
{
    // Not trimmed: a text of blanks enables the item and then fails as an invalid address.
    return !m_importingFromURL && !m_importURL.isEmpty();
}

bool EntriesScreen::canDeleteAll() const
{
    return store() && !store()->race().participants.isEmpty();
}

void EntriesScreen::setImportState(const std::optional<QString> &error, bool importing)
{
    // The store and the parsers report in English; the organiser reads it in the chosen language.
    m_importError = error ? localizedMessage(*error) : QString();
    if (error)
        m_importReport.clear();
    m_importingFromURL = importing;
    emit importChanged();
}

void EntriesScreen::reportChanges(const EntryChanges &changes)
{
    m_importReport = localized(QStringLiteral("Entries: %@ added, %@ updated, %@ removed."),
        QString::number(changes.added), QString::number(changes.updated), QString::number(changes.removed));
    emit importChanged();
}

QUrl EntriesScreen::dialogFolder() const
{
    return dialogStartFolder(FileKind::Iof, store());
}

void EntriesScreen::chooseImportFile()
{
    chooseFile(iofOpenRequest(QStringLiteral("entryImportDialog"), dialogFolder()), this,
        [this](const QUrl &file) { importFromFile(file); });
}

void EntriesScreen::importFromFile(const QUrl &fileUrl)
{
    if (!store())
        return;
    const QString path = chosenLocalPath(fileUrl, dialogFolder());
    if (path.isEmpty()) {
        setImportState(localized(QStringLiteral("Not a local file: %@"), {fileUrl.toDisplayString()}),
            m_importingFromURL);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setImportState(file.errorString(), m_importingFromURL);
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setImportState(file.errorString(), m_importingFromURL);
        return;
    }
    if (!waitsForStage(bytes, QFileInfo(path).fileName(), {}))
        applyImportedFile(bytes);
}

void EntriesScreen::applyImportedFile(const QByteArray &bytes)
{
    const QList<Participant> before = store()->race().participants;
    try {
        store()->applyDownloadedEntries(bytes);
    } catch (const ImportError &error) {
        setImportState(error.message(), m_importingFromURL);
        return;
    }
    setImportState(std::nullopt, m_importingFromURL);
    reportChanges(countEntryChanges(before, store()->race().participants));
}

void EntriesScreen::importFromURL()
{
    if (!store() || !canImportFromURL())
        return;
    const QUrl url(m_importURL, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty()) {
        setImportState(QStringLiteral("Invalid URL"), false);
        return;
    }
    if (!waitsForStage({}, url.toDisplayString(), url))
        startDownload(url);
}

void EntriesScreen::startDownload(const QUrl &url)
{
    // The answer may come after the organiser opened another event; the store drops it then, and
    // the screen (if it is still shown) says so instead of the store's plain message.
    const quint64 generation = store()->documentGeneration();
    QPointer<EntriesScreen> self(this);
    // The earlier error stays on screen while the download runs.
    m_importingFromURL = true;
    emit importChanged();
    store()->importEntries(
        url,
        [self, generation](const std::optional<QString> &error) {
            if (!self)
                return;
            if (self->store() && self->store()->documentGeneration() != generation) {
                self->setImportState(
                    localized(QStringLiteral("The entry list arrived after another event was "
                                             "opened; it was not imported.")),
                    false);
                return;
            }
            self->setImportState(error, false);
        },
        [self](const EntryChanges &changes) {
            if (self)
                self->reportChanges(changes);
        });
}

bool EntriesScreen::waitsForStage(QByteArray bytes, const QString &source, const QUrl &url)
{
    if (!store() || store()->race().stages.isEmpty())
        return false;
    m_pendingImport = PendingImport {std::move(bytes), source, url, store()->documentGeneration()};
    emit importChanged();
    emit raceChanged();
    return true;
}

QString EntriesScreen::importConfirmationText() const
{
    if (!m_pendingImport || !store())
        return {};
    if (const Stage *stage = activeStage(store()->race())) {
        return localized(QStringLiteral("The entries of %@ go into the stage %@ (%@). To import them into "
                                        "another stage, choose it here."),
            typedTextEcho(m_pendingImport->source, 120), stage->name,
            stage->date.toLocalTime().date().toString(shortDateFormat()));
    }
    return localized(QStringLiteral("Choose the stage the entries of %@ go into."),
        typedTextEcho(m_pendingImport->source, 120));
}

bool EntriesScreen::canConfirmImport() const
{
    if (!m_pendingImport || !store() || store()->documentGeneration() != m_pendingImport->generation)
        return false;
    return activeStage(store()->race()) != nullptr;
}

void EntriesScreen::confirmImport()
{
    if (!canConfirmImport())
        return;
    const PendingImport pending = *std::exchange(m_pendingImport, std::nullopt);
    emit importChanged();
    emit raceChanged();
    if (pending.url.isEmpty())
        applyImportedFile(pending.bytes);
    else
        startDownload(pending.url);
}

void EntriesScreen::cancelImport()
{
    if (!m_pendingImport)
        return;
    m_pendingImport.reset();
    emit importChanged();
    emit raceChanged();
}

void EntriesScreen::deleteAllEntries()
{
    if (!store())
        return;
    Race race = store()->race();
    const QList<Participant> before = race.participants;
    race.participants.clear();
    store()->setRace(race);
    store()->autosave();
    reportChanges(countEntryChanges(before, {}));
}
