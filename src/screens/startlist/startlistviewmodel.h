#pragma once

// The start-list screen's state and derived lists for the active stage: stage, class filter and
// search; the filtered runners split into scheduled rows (start order, with bands) and unscheduled
// rows (name order); the grid of start seconds by class; the exports, the import of an IOF start
// list with its progress and summary, and clearing start times. The fixed-interval dialog is a
// child object.
//
// The lists are rebuilt once per change, one turn of the event loop after it (several changes in
// one turn give one rebuild); `isLoadingData` is true meanwhile. The grid is built only while the
// grid is shown.

#include "fixedintervaldialog.h"
#include "rebuildqueue.h"
#include "startlistdata.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class StartListViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    Q_PROPERTY(FixedIntervalDialog *fixedInterval READ fixedInterval CONSTANT)

    // 0 list, 1 grid.
    Q_PROPERTY(int displayMode READ displayMode WRITE setDisplayMode NOTIFY displayModeChanged)
    Q_PROPERTY(QString filterClassId READ filterClassId WRITE setFilterClassId NOTIFY filterChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY filterChanged)

    // [{id, name}] by stage order; empty when the event has no stages (no picker).
    Q_PROPERTY(QVariantList stages READ stages NOTIFY raceShapeChanged)
    // The stage the list shows and edits (the store's shown stage; card reads stay on the active
    // stage). Writing changes no saved value.
    Q_PROPERTY(QString shownStageId READ shownStageId WRITE setShownStageId NOTIFY raceShapeChanged)
    // [{id, name, checked}]: "All classes" (id "") first, then the classes in code order.
    Q_PROPERTY(QVariantList classMenu READ classMenu NOTIFY classMenuChanged)

    Q_PROPERTY(bool isLoadingData READ isLoadingData NOTIFY listsChanged)
    Q_PROPERTY(bool isLoadingGridIndex READ isLoadingGridIndex NOTIFY gridChanged)
    Q_PROPERTY(int participantCount READ participantCount NOTIFY listsChanged)
    // "%@ participant(s)".
    Q_PROPERTY(QString participantCountText READ participantCountText NOTIFY listsChanged)
    // Rows: {id, name, cardLine, rentalCard, startTime ("HH:mm:ss" or ""), timeLabel (the time or
    // "Set time"), preference ("", "early", "late"), band, classId}.
    Q_PROPERTY(QVariantList scheduled READ scheduled NOTIFY listsChanged)
    Q_PROPERTY(QVariantList unscheduled READ unscheduled NOTIFY listsChanged)
    // Grid: [{id, name}] columns; rows [{seconds, time, count, cells: [[{id, name}] per column]}].
    Q_PROPERTY(QVariantList gridClasses READ gridClasses NOTIFY gridChanged)
    Q_PROPERTY(QVariantList gridRows READ gridRows NOTIFY gridChanged)

    // The red line under the header: the last failed export or import.
    Q_PROPERTY(QString exportError READ exportError NOTIFY messageChanged)
    // What the last clear did (and left), for the organiser; "" otherwise.
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY messageChanged)

    // Tooltip of "By timeslot", following the display mode.
    Q_PROPERTY(QString timeslotPdfHelp READ timeslotPdfHelp NOTIFY displayModeChanged)

    // "Clear all start times" / "Clear class start times" and the confirmation's message, by the
    // fixed-interval dialog's class.
    Q_PROPERTY(QString clearTitle READ clearTitle NOTIFY clearScopeChanged)
    Q_PROPERTY(QString clearConfirmationMessage READ clearConfirmationMessage NOTIFY clearScopeChanged)

    // The import sheet.
    Q_PROPERTY(bool showingImportProgressSheet READ showingImportProgressSheet NOTIFY importChanged)
    Q_PROPERTY(bool importIsRunning READ importIsRunning NOTIFY importChanged)
    Q_PROPERTY(int importProgressCurrent READ importProgressCurrent NOTIFY importChanged)
    Q_PROPERTY(int importProgressTotal READ importProgressTotal NOTIFY importChanged)
    // 0 to 100, rounded.
    Q_PROPERTY(int importPercent READ importPercent NOTIFY importChanged)
    // [{text, tone}] with tone "normal", "secondary" or "warning"; empty while running.
    Q_PROPERTY(QVariantList importSummaryLines READ importSummaryLines NOTIFY importChanged)
    // While the start list's day is not the active stage's date: the question to the organiser,
    // answered by confirmImportDay or cancelImport; nothing is written before. "" otherwise.
    Q_PROPERTY(QString importDayQuestion READ importDayQuestion NOTIFY importChanged)

public:
    explicit StartListViewModel(QObject *parent = nullptr);
    ~StartListViewModel() override;

    [[nodiscard]] FixedIntervalDialog *fixedInterval() const { return m_fixedInterval; }

    [[nodiscard]] int displayMode() const { return m_grid ? 1 : 0; }
    void setDisplayMode(int mode);
    [[nodiscard]] QString filterClassId() const { return m_filter.classId; }
    void setFilterClassId(const QString &classId);
    [[nodiscard]] QString searchText() const { return m_filter.searchText; }
    void setSearchText(const QString &text);

    [[nodiscard]] QVariantList stages() const;
    [[nodiscard]] QString shownStageId() const;
    void setShownStageId(const QString &stageId);
    [[nodiscard]] QVariantList classMenu() const;

    [[nodiscard]] bool isLoadingData() const { return m_refresh.isLoading(); }
    [[nodiscard]] bool isLoadingGridIndex() const { return m_gridRebuild.isLoading(); }
    [[nodiscard]] int participantCount() const { return int(m_lists.filtered.size()); }
    [[nodiscard]] QString participantCountText() const;
    [[nodiscard]] QVariantList scheduled() const;
    [[nodiscard]] QVariantList unscheduled() const;
    [[nodiscard]] QVariantList gridClasses() const;
    [[nodiscard]] QVariantList gridRows() const;

    // The cached data as C++ values (for the views' actions and tests).
    [[nodiscard]] const StartListLists &lists() const { return m_lists; }
    [[nodiscard]] const GridIndex &gridIndex() const { return m_gridIndex; }

    [[nodiscard]] QString exportError() const { return m_exportError; }
    [[nodiscard]] QString statusMessage() const { return m_statusMessage; }
    [[nodiscard]] QString timeslotPdfHelp() const;
    [[nodiscard]] QString clearTitle() const;
    [[nodiscard]] QString clearConfirmationMessage() const;

    [[nodiscard]] bool showingImportProgressSheet() const { return m_showingImportSheet; }
    [[nodiscard]] bool importIsRunning() const { return m_import != nullptr; }
    [[nodiscard]] int importProgressCurrent() const { return m_importCurrent; }
    [[nodiscard]] int importProgressTotal() const { return m_importTotal; }
    [[nodiscard]] int importPercent() const;
    [[nodiscard]] QVariantList importSummaryLines() const;
    [[nodiscard]] std::optional<StartListImportSummary> importSummary() const { return m_importSummary; }
    [[nodiscard]] QString importDayQuestion() const { return m_importDayQuestion; }

    // Rebuilds the lists (and the grid while shown) now, without waiting for the event loop.
    Q_INVOKABLE void refreshNow();

    // Exports what the screen shows to a file chosen in a save dialog. False, with `exportError`
    // set, unless the file was written; the time-slot PDF is the grid while the grid is shown.
    Q_INVOKABLE bool exportXml(const QUrl &file);
    Q_INVOKABLE bool exportTimeslotPdf(const QUrl &file);
    Q_INVOKABLE bool exportByClassPdf(const QUrl &file);
    Q_INVOKABLE bool exportStartPunchPdf(const QUrl &file);
    // The save dialog of the export named `kind` ("xml", "timeslot", "byClass", "startPunch"); the
    // file chosen is written as above.
    Q_INVOKABLE void chooseExportFile(const QString &kind);

    // Reads and parses the file (the active stage's race of a file of several); on failure
    // `exportError` says why and nothing changes. Otherwise the sheet opens; when the file's day is
    // not the active stage's date it first asks (`importDayQuestion`). Then the entries are
    // applied in steps of 20 (the sheet's progress follows), written to the race in one change at
    // the end, saved once.
    Q_INVOKABLE void importStartList(const QUrl &file);
    // The import's open dialog; the file chosen goes to importStartList().
    Q_INVOKABLE void chooseImportFile();
    // The organiser's answers to `importDayQuestion`: import the times onto the stage's date, or
    // import nothing.
    Q_INVOKABLE void confirmImportDay();
    Q_INVOKABLE void cancelImport();
    // "Done" of the import sheet (ignored while running).
    Q_INVOKABLE void closeImportSheet();

    // "Clear" of the confirmation: the shown start times of the fixed-interval dialog's class
    // (every class when none), saved once; `statusMessage` says how many and what was left.
    Q_INVOKABLE void clearStartTimes();

signals:
    void storeChanged();
    void displayModeChanged();
    void filterChanged();
    void raceShapeChanged();
    void classMenuChanged();
    void listsChanged();
    void gridChanged();
    void messageChanged();
    void clearScopeChanged();
    void importChanged();

private:
    struct ImportRun;

    void storeReplaced() override;
    void onRaceChanged();
    void rebuildGrid();
    bool exportTo(StartListExportKind kind, const QUrl &file);
    void setMessages(const QString &error, const QString &status);
    void importStep();
    void startImport(const QList<IOFStartListParser::Entry> &entries,
        const std::optional<QDateTime> &targetDay, bool onStageDay);

    FixedIntervalDialog *m_fixedInterval;
    bool m_grid = false;
    StartListFilter m_filter;
    RebuildQueue m_refresh;
    RebuildQueue m_gridRebuild;
    StartListLists m_lists;
    QVariantList m_scheduledRows;
    QVariantList m_unscheduledRows;
    GridIndex m_gridIndex;
    QVariantList m_gridRows;
    QString m_exportError;
    QString m_statusMessage;
    // The last race shape seen, so a change of times alone does not rebuild the menus.
    QList<Stage> m_lastStages;
    std::optional<QString> m_lastActiveStage;
    QString m_lastName;
    QList<RaceClass> m_lastClasses;

    bool m_showingImportSheet = false;
    int m_importCurrent = 0;
    int m_importTotal = 0;
    std::optional<StartListImportSummary> m_importSummary;
    std::unique_ptr<ImportRun> m_import;
    // Parsed and waiting for the organiser's answer to `m_importDayQuestion`.
    std::optional<QList<IOFStartListParser::Entry>> m_pendingImport;
    QDate m_pendingStageDay;
    QString m_importDayQuestion;
};
