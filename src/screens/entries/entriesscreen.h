#pragma once

// The entry list screen: stage picker, class filter, search, sort, the rows, "Add entry" with the
// participant editor, and the "Tools" menu (imports from a file or the entry service's address,
// delete all). The shown list is rebuilt once per change of the entries, the classes, the filter,
// the search or the sort, on the next turn of the event loop; in between the rows keep the order
// they had, and only their texts follow other changes of the race.

#include "countedlistmodel.h"
#include "entryimport.h"
#include "entrylist.h"
#include "participanteditor.h"
#include "race.h"
#include "rebuildqueue.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <vector>

// What one entry's row shows.
struct EntryRow
{
    QString entryId;
    QString name;
    QString detail;
    QString checklistWarning;
    QString rentalWarning;
    QString duplicateWarning;
    // [{name, summary}] per stage in order; empty without stages.
    QVariantList stageColumns;
    bool showsCoursePicker = false;
    // [{text, value}]: "(Class default)" (the empty id), then the choices.
    QVariantList courseOptions;
    QString courseId;
    bool operator==(const EntryRow &) const = default;
};

// The rows of every entry of one state of the race (its entries, classes, courses, stages and
// active stage), each built when it is first asked for and then kept: the view asks only for the
// rows it shows, and a keystroke in the search box builds no row text for a row once shown.
class EntryRowTable
{
public:
    // `cardKeys`: each entry's cardGroupKey when known already (else read from the entries).
    explicit EntryRowTable(const Race &race, std::shared_ptr<const std::vector<quint64>> cardKeys = nullptr);
    EntryRowTable(const EntryRowTable &) = delete;
    EntryRowTable &operator=(const EntryRowTable &) = delete;

    // True while the race's entries, classes, courses, stages and active stage are the ones it was
    // made from.
    [[nodiscard]] bool isFor(const Race &race) const;
    [[nodiscard]] qsizetype size() const { return m_race.participants.size(); }
    [[nodiscard]] const QUuid &entryId(qsizetype i) const { return m_race.participants.at(i).id; }
    [[nodiscard]] const EntryRow &row(qsizetype i) const;
    [[nodiscard]] bool isBuilt(qsizetype i) const { return m_rows[std::size_t(i)] != nullptr; }

private:
    [[nodiscard]] EntryRow build(qsizetype i) const;

    // Shares the lists of the race it was made from.
    Race m_race;
    RaceIds m_ids;
    QList<Stage> m_orderedStages;
    // Each entry's cardGroupKey, from the list index or else taken with the first row.
    mutable std::shared_ptr<const std::vector<quint64>> m_cardKeys;
    // Built with the first row: every row needs it, and it takes a pass over all entries.
    mutable std::optional<CardWarnings> m_duplicateWarnings;
    // Entries of one class share their course choices.
    mutable QHash<QString, QVariantList> m_courseOptionsByClass;
    // The stage columns' cells by stage (its place in m_orderedStages) and summary, shared by the
    // rows that show the same.
    mutable QHash<std::pair<qsizetype, QString>, QVariant> m_stageCells;
    // A pointer per entry, not a row: most rows are never built, and a table of 50,000 empty
    // rows would be megabytes to clear and walk.
    mutable std::vector<std::unique_ptr<EntryRow>> m_rows;
};

// One row per shown entry, in display order. While the same entries stay in the same order a
// changed row is updated in place, so a scrolled list does not jump.
class EntryRowsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the entries screen")

public:
    enum Role {
        EntryIdRole = Qt::UserRole + 1,
        NameRole,
        DetailRole,
        ChecklistWarningRole,
        RentalWarningRole,
        DuplicateWarningRole,
        StageColumnsRole,
        ShowsCoursePickerRole,
        CourseOptionsRole,
        CourseIdRole,
    };
    using Row = EntryRow;

    using CountedListModel::CountedListModel;
    // Shows the table's rows at `positions`, in that order. The rows are read from the shared
    // table, not copied: a keystroke on 50,000 entries would otherwise copy and then release
    // every row it shows.
    void setRows(std::shared_ptr<const EntryRowTable> table, QList<qsizetype> positions);
    // The shown rows, copied.
    [[nodiscard]] QList<Row> rows() const;

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] qsizetype size() const override { return m_positions.size(); }
    [[nodiscard]] const Row &rowAt(qsizetype i) const { return m_table->row(m_positions.at(i)); }
    std::shared_ptr<const EntryRowTable> m_table;
    QList<qsizetype> m_positions;
};

class EntriesScreen : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY loadingChanged)
    Q_PROPERTY(bool showsStagePicker READ showsStagePicker NOTIFY raceChanged)
    Q_PROPERTY(QVariantList stageOptions READ stageOptions NOTIFY raceChanged)
    Q_PROPERTY(QString shownStageId READ shownStageId NOTIFY raceChanged)
    // [{text, value}] of the class menu after "All classes", in class-name order.
    Q_PROPERTY(QVariantList classOptions READ classOptions NOTIFY raceChanged)
    Q_PROPERTY(QString filterClassId READ filterClassId WRITE setFilterClassId NOTIFY filterChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY filterChanged)
    Q_PROPERTY(int sortField READ sortFieldIndex WRITE setSortFieldIndex NOTIFY filterChanged)
    Q_PROPERTY(bool sortAscending READ sortAscending WRITE setSortAscending NOTIFY filterChanged)
    Q_PROPERTY(QStringList sortFieldTitles READ sortFieldTitles CONSTANT)
    Q_PROPERTY(QString sortHelp READ sortHelp NOTIFY filterChanged)
    Q_PROPERTY(QString countText READ countText NOTIFY rowsChanged)
    Q_PROPERTY(EntryRowsModel *rows READ rows CONSTANT)
    Q_PROPERTY(ParticipantEditorViewModel *editor READ editor NOTIFY editorChanged)
    Q_PROPERTY(QString importError READ importError NOTIFY importChanged)
    // What the last import or "Delete All" did to the entries, in counts.
    Q_PROPERTY(QString importReport READ importReport NOTIFY importChanged)
    Q_PROPERTY(bool isImportingFromURL READ isImportingFromURL NOTIFY importChanged)
    Q_PROPERTY(QString importURLString READ importURLString WRITE setImportURLString NOTIFY importChanged)
    Q_PROPERTY(bool showImportURLField READ showImportURLField NOTIFY importChanged)
    Q_PROPERTY(bool canImportFromURL READ canImportFromURL NOTIFY importChanged)
    Q_PROPERTY(bool canDeleteAll READ canDeleteAll NOTIFY raceChanged)
    // An import into an event with stages waits for the organiser to confirm the stage it goes
    // into: the sheet is open while one waits, and names the list and the stage.
    Q_PROPERTY(bool importConfirmationOpen READ importConfirmationOpen NOTIFY importChanged)
    Q_PROPERTY(QString importConfirmationText READ importConfirmationText NOTIFY raceChanged)
    Q_PROPERTY(bool canConfirmImport READ canConfirmImport NOTIFY raceChanged)

public:
    // The entry service's entry list.
    static inline const QString defaultImportURL = QStringLiteral("https://www.o-tilmeldinger.dk/xml.php");

    explicit EntriesScreen(QObject *parent = nullptr);
    ~EntriesScreen() override;

    [[nodiscard]] bool isLoading() const { return m_rebuild.isLoading(); }
    [[nodiscard]] bool showsStagePicker() const;
    [[nodiscard]] QVariantList stageOptions() const;
    [[nodiscard]] QString shownStageId() const;
    [[nodiscard]] QVariantList classOptions() const;
    [[nodiscard]] QString filterClassId() const { return m_filterClassId; }
    void setFilterClassId(const QString &classId);
    [[nodiscard]] QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    [[nodiscard]] ParticipantSortField sortField() const { return m_sortField; }
    [[nodiscard]] int sortFieldIndex() const { return int(m_sortField); }
    void setSortFieldIndex(int index);
    [[nodiscard]] bool sortAscending() const { return m_sortAscending; }
    void setSortAscending(bool ascending);
    [[nodiscard]] QStringList sortFieldTitles() const;
    [[nodiscard]] QString sortHelp() const;
    [[nodiscard]] QString countText() const;
    [[nodiscard]] EntryRowsModel *rows() { return &m_rows; }
    // The shown entries, in display order, as they were when the list was last rebuilt.
    [[nodiscard]] const QList<Participant> &shownParticipants() const;
    [[nodiscard]] ParticipantEditorViewModel *editor() const { return m_editor.get(); }
    [[nodiscard]] QString importError() const { return m_importError; }
    [[nodiscard]] QString importReport() const { return m_importReport; }
    [[nodiscard]] bool isImportingFromURL() const { return m_importingFromURL; }
    [[nodiscard]] QString importURLString() const { return m_importURL; }
    void setImportURLString(const QString &text);
    [[nodiscard]] bool showImportURLField() const { return m_showImportURLField; }
    [[nodiscard]] bool canImportFromURL() const;
    [[nodiscard]] bool canDeleteAll() const;
    [[nodiscard]] bool importConfirmationOpen() const { return m_pendingImport.has_value(); }
    [[nodiscard]] QString importConfirmationText() const;
    [[nodiscard]] bool canConfirmImport() const;

    // Rebuilds the shown list and rows now (tests and benchmarks; the screen itself rebuilds on
    // the next turn of the event loop after a relevant change).
    void rebuildNow();

    Q_INVOKABLE void selectStage(const QString &stageId);
    Q_INVOKABLE void toggleSortDirection() { setSortAscending(!m_sortAscending); }
    Q_INVOKABLE void addEntry();
    Q_INVOKABLE void editParticipant(const QString &entryId);
    Q_INVOKABLE void deleteParticipant(const QString &entryId);
    // The in-row course choice; the empty id is the class's default.
    Q_INVOKABLE void setParticipantCourse(const QString &entryId, const QString &courseId);
    // The file dialog's answer: the list is read and merged through the store (in an event with
    // stages once the organiser confirms the stage); a failure leaves the entries as they were and
    // shows why.
    Q_INVOKABLE void importFromFile(const QUrl &fileUrl);
    // The import's open dialog; the file chosen goes to importFromFile().
    Q_INVOKABLE void chooseImportFile();
    // Where the import dialog starts: the folder of the last IOF file chosen, else the event
    // file's folder, else home.
    [[nodiscard]] QUrl dialogFolder() const;
    // Starts the download of the address typed (in an event with stages once the organiser
    // confirms the stage); the screen stays usable while it runs.
    Q_INVOKABLE void importFromURL();
    // The waiting import goes ahead into the active stage, or is dropped with nothing changed.
    Q_INVOKABLE void confirmImport();
    Q_INVOKABLE void cancelImport();
    Q_INVOKABLE void toggleImportURLField();
    Q_INVOKABLE void deleteAllEntries();

signals:
    void storeChanged();
    void loadingChanged();
    void raceChanged();
    void filterChanged();
    void rowsChanged();
    void editorChanged();
    void importChanged();

private:
    void storeReplaced() override;
    void racePublished() override;
    // The rows of the shown entries against the race as it is now.
    void showRows();
    void openEditor(const Participant &entry, bool addingNew);
    void closeEditor(const ParticipantEditorViewModel *opened);
    void reportChanges(const EntryChanges &changes);
    void setImportState(const std::optional<QString> &error, bool importing);
    void applyImportedFile(const QByteArray &bytes);
    void startDownload(const QUrl &url);
    // Holds the import for the organiser's word when the event has stages; true when it waits.
    bool waitsForStage(QByteArray bytes, const QString &source, const QUrl &url);

    EntryRowsModel m_rows;
    RebuildQueue m_rebuild;
    std::unique_ptr<EntryListIndex> m_index;
    // What the shown list was built from, to tell a relevant change from any other.
    QList<Participant> m_seenParticipants;
    QList<RaceClass> m_seenClasses;
    QList<qsizetype> m_shownPositions;
    // The shown entries themselves, copied from m_seenParticipants only when asked for: a
    // keystroke on 50,000 entries would otherwise copy every one it shows.
    mutable QList<Participant> m_shown;
    mutable bool m_shownCopied = false;
    // The rows of the race as the screen last saw it, shared with the rows model.
    std::shared_ptr<EntryRowTable> m_rowTable = std::make_shared<EntryRowTable>(Race());
    QString m_filterClassId;
    QString m_searchText;
    ParticipantSortField m_sortField = ParticipantSortField::Name;
    bool m_sortAscending = true;
    std::unique_ptr<ParticipantEditorViewModel> m_editor;
    bool m_addingNew = false;
    QString m_importError;
    QString m_importReport;
    bool m_importingFromURL = false;
    QString m_importURL = defaultImportURL;
    bool m_showImportURLField = false;
    // A file's bytes, or the address to download, held for the organiser's word.
    struct PendingImport
    {
        QByteArray bytes;
        QString source;
        QUrl url;
        // The event it was chosen for (the store's documentGeneration).
        quint64 generation = 0;
    };
    std::optional<PendingImport> m_pendingImport;
};
