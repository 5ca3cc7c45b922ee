#include "startlistviewmodel.h"

#include "chosenfile.h"
#include "documenttext.h"
#include "filechooser.h"
#include "localization.h"
#include "messagetext.h"
#include "perstage.h"
#include "racelookup.h"
#include "racestore.h"
#include "starttimeoperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A start list of the largest events is a few megabytes; anything far beyond is not one.
constexpr qint64 maxImportBytes = 64 * 1024 * 1024;
// Entries handled per turn of the event loop, so the progress sheet redraws during long imports.
constexpr qsizetype importChunk = 20;

QString preferenceText(const std::optional<StartTimePreference> &p)
{
    if (!p)
        return {};
    return *p == StartTimePreference::Early ? QStringLiteral("early") : QStringLiteral("late");
}

QVariantMap runnerRef(const Participant &p)
{
    return {{QStringLiteral("id"), p.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), personDisplayName(p.givenName, p.familyName)}};
}

// Where each filtered runner's row goes: its list and its index there, by position in `filtered`.
struct Place
{
    bool scheduled = false;
    qsizetype index = 0;
};

std::vector<Place> rowPlaces(const StartListLists &lists)
{
    std::vector<Place> places(std::size_t(lists.filtered.size()));
    for (qsizetype k = 0; k < lists.scheduledRows.size(); ++k)
        places[std::size_t(lists.scheduledRows[k].filteredIndex)] = {true, k};
    // `filtered` holds the positions ascending.
    for (qsizetype k = 0; k < lists.unscheduled.size(); ++k) {
        const auto found
            = std::lower_bound(lists.filtered.cbegin(), lists.filtered.cend(), lists.unscheduled[k]);
        places[std::size_t(found - lists.filtered.cbegin())] = {false, k};
    }
    return places;
}

// The rows of one rebuild. The texts shared by many rows are looked up and formatted once.
class RowBuilder
{
public:
    explicit RowBuilder(const Race &race)
        : m_race(race)
        , m_cardLine(localized(QStringLiteral("Card %@ · %@")))
        , m_setTime(localized(QStringLiteral("Set time")))
    { }

    QVariantMap operator()(const Participant &p, bool band)
    {
        const std::optional<QDateTime> time = scheduledStartTime(m_race, p);
        QString timeText;
        if (time) {
            auto it = m_times.constFind(time->toMSecsSinceEpoch());
            if (it == m_times.constEnd())
                it = m_times.insert(
                    time->toMSecsSinceEpoch(), time->toLocalTime().toString(QStringLiteral("HH:mm:ss")));
            timeText = it.value();
        }
        const std::optional<QString> classId = effectiveClassId(m_race, p);
        QVariantMap row = runnerRef(p);
        row.insert(QStringLiteral("cardLine"),
            formatLocalized(m_cardLine, {p.cardNumber, classCourseLabel(m_race, p, classOf(classId))}));
        row.insert(QStringLiteral("rentalCard"), p.isRentalCard.value_or(false));
        row.insert(QStringLiteral("startTime"), timeText);
        row.insert(QStringLiteral("timeLabel"), time ? timeText : m_setTime);
        row.insert(QStringLiteral("preference"), preferenceText(effectiveStartTimePreference(m_race, p)));
        row.insert(QStringLiteral("band"), band);
        row.insert(QStringLiteral("classId"), classId.value_or(QString()));
        return row;
    }

private:
    // Each class id found once: a search of the classes for each of thousands of runners costs
    // more than the rest of the row.
    const RaceClass *classOf(const std::optional<QString> &classId)
    {
        if (!classId)
            return nullptr;
        auto it = m_classes.constFind(*classId);
        if (it == m_classes.constEnd())
            it = m_classes.insert(*classId, findClass(m_race, classId));
        return it.value();
    }

    const Race &m_race;
    const QString m_cardLine;
    const QString m_setTime;
    QHash<qint64, QString> m_times;
    QHash<QString, const RaceClass *> m_classes;
};

} // namespace

struct StartListViewModel::ImportRun
{
    QList<IOFStartListParser::Entry> entries;
    Race snapshot;
    StartListMatcher matcher;
    std::optional<QDateTime> modalDay;
    QList<ImportedStart> resolved;
    qsizetype next = 0;
    // The organiser chose to place the file's times on the stage's date.
    bool onStageDay = false;
    // Of `snapshot`, which stays as it is while the run lives.
    ImportedStartLookups lookups;
};

StartListViewModel::StartListViewModel(QObject *parent)
    : StoreViewModel(parent)
    , m_fixedInterval(new FixedIntervalDialog(this))
    , m_refresh(
          this, [this] { refreshNow(); }, [this] { emit listsChanged(); })
    , m_gridRebuild(
          this, [this] { rebuildGrid(); }, [this] { emit gridChanged(); }, false)
{
    connect(
        m_fixedInterval, &FixedIntervalDialog::fieldsChanged, this, &StartListViewModel::clearScopeChanged);
    // The dialog closes on a draw: what it left out stays in the screen's status line.
    connect(m_fixedInterval, &FixedIntervalDialog::drawn, this,
        [this](const QString &note) { setMessages(m_exportError, note); });
}

StartListViewModel::~StartListViewModel() = default;

void StartListViewModel::storeReplaced()
{
    // An import reads and writes one event; another event drops it unfinished.
    if (m_import || m_showingImportSheet || m_pendingImport) {
        m_import.reset();
        m_pendingImport.reset();
        m_importDayQuestion.clear();
        m_showingImportSheet = false;
        emit importChanged();
    }
    m_fixedInterval->setStore(store());
    if (store())
        follow(connect(store(), &RaceStore::raceChanged, this, &StartListViewModel::onRaceChanged));
    m_lastStages.clear();
    m_lastClasses.clear();
    m_lastActiveStage.reset();
    emit storeChanged();
    emit raceShapeChanged();
    emit classMenuChanged();
    m_refresh.schedule();
}

void StartListViewModel::onRaceChanged()
{
    const Race &race = store()->race();
    // The event's name feeds the proposed file names.
    if (race.stages != m_lastStages || shownStage(race) != m_lastActiveStage || race.name != m_lastName) {
        m_lastStages = race.stages;
        m_lastActiveStage = shownStage(race);
        m_lastName = race.name;
        emit raceShapeChanged();
    }
    if (race.classes != m_lastClasses) {
        m_lastClasses = race.classes;
        emit classMenuChanged();
    }
    m_refresh.schedule();
}

void StartListViewModel::setDisplayMode(int mode)
{
    const bool grid = mode == 1;
    if (grid == m_grid)
        return;
    m_grid = grid;
    emit displayModeChanged();
    if (m_grid)
        m_gridRebuild.schedule();
}

void StartListViewModel::setFilterClassId(const QString &classId)
{
    if (classId == m_filter.classId)
        return;
    m_filter.classId = classId;
    emit filterChanged();
    emit classMenuChanged();
    m_refresh.schedule();
}

void StartListViewModel::setSearchText(const QString &text)
{
    if (text == m_filter.searchText)
        return;
    m_filter.searchText = text;
    emit filterChanged();
    m_refresh.schedule();
}

QVariantList StartListViewModel::stages() const
{
    QVariantList rows;
    if (!store())
        return rows;
    QList<Stage> sorted = store()->race().stages;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    for (const Stage &s : sorted)
        rows.append(QVariantMap {{QStringLiteral("id"), s.id}, {QStringLiteral("name"), s.name}});
    return rows;
}

QString StartListViewModel::shownStageId() const
{
    return store() ? shownStage(store()->race()).value_or(QString()) : QString();
}

void StartListViewModel::setShownStageId(const QString &stageId)
{
    if (!store() || stageId.isEmpty() || stageId == shownStageId())
        return;
    store()->setShownStage(stageId);
}

QVariantList StartListViewModel::classMenu() const
{
    QVariantList rows;
    rows.append(QVariantMap {{QStringLiteral("id"), QString()},
        {QStringLiteral("name"), localized(QStringLiteral("All classes"))},
        {QStringLiteral("checked"), m_filter.classId.isEmpty()}});
    if (!store())
        return rows;
    for (const RaceClass &c : classesByName(store()->race().classes))
        rows.append(QVariantMap {{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name},
            {QStringLiteral("checked"), !m_filter.classId.isEmpty() && c.id == m_filter.classId}});
    return rows;
}

QString StartListViewModel::participantCountText() const
{
    return localized(QStringLiteral("%@ participant(s)"), m_lists.filtered.size());
}

QVariantList StartListViewModel::scheduled() const
{
    return m_scheduledRows;
}

QVariantList StartListViewModel::unscheduled() const
{
    return m_unscheduledRows;
}

QVariantList StartListViewModel::gridClasses() const
{
    QVariantList columns;
    for (const RaceClass &c : m_gridIndex.classes)
        columns.append(QVariantMap {{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name}});
    return columns;
}

QVariantList StartListViewModel::gridRows() const
{
    return m_gridRows;
}

void StartListViewModel::refreshNow()
{
    m_refresh.begin();
    m_scheduledRows.clear();
    m_unscheduledRows.clear();
    if (store()) {
        m_lists = startListLists(store()->race(), m_filter);
        const QList<bool> bands = startTimeBands(m_lists);
        RowBuilder rowMap(store()->race());
        // Built once here: the views read the rows many times per frame. They are made walking
        // the runners in stored order, each into its place in its list: the runners' records
        // and texts lie in that order, and a walk in list order would visit them at random.
        // Cleared above, they keep their room from the last rebuild.
        m_scheduledRows.resize(m_lists.scheduled.size());
        m_unscheduledRows.resize(m_lists.unscheduled.size());
        const std::vector<Place> places = rowPlaces(m_lists);
        for (qsizetype f = 0; f < m_lists.filtered.size(); ++f) {
            const Participant &p = m_lists.runner(m_lists.filtered[f]);
            const Place &place = places[std::size_t(f)];
            if (place.scheduled)
                m_scheduledRows[place.index] = rowMap(p, bands.value(place.index));
            else
                m_unscheduledRows[place.index] = rowMap(p, false);
        }
    } else {
        m_lists = {};
    }
    m_refresh.end();
    if (m_grid)
        rebuildGrid();
}

void StartListViewModel::rebuildGrid()
{
    m_gridRebuild.begin();
    m_gridIndex = store() ? buildGridIndex(m_lists, store()->race().classes) : GridIndex {};
    m_gridRows.clear();
    m_gridRows.reserve(m_gridIndex.timeSlots.size());
    // Each scheduled runner's reference, made in stored order as the rows are.
    std::vector<QVariant> refs(std::size_t(m_lists.scheduled.size()));
    if (!m_gridIndex.timeSlots.isEmpty()) {
        const std::vector<Place> places = rowPlaces(m_lists);
        for (qsizetype f = 0; f < m_lists.filtered.size(); ++f) {
            const Place &place = places[std::size_t(f)];
            if (place.scheduled)
                refs[std::size_t(place.index)] = runnerRef(m_lists.runner(m_lists.filtered[f]));
        }
    }
    for (qsizetype r = 0; r < m_gridIndex.timeSlots.size(); ++r) {
        const int s = m_gridIndex.timeSlots[r];
        QVariantList cells;
        for (const RaceClass &c : m_gridIndex.classes) {
            QVariantList names;
            for (const qsizetype k : m_gridIndex.cells.value(gridCellKey(s, c.id)))
                names.append(refs[std::size_t(k)]);
            cells.append(QVariant(names));
        }
        m_gridRows.append(QVariantMap {{QStringLiteral("seconds"), s},
            {QStringLiteral("time"), slotTimeText(s)},
            {QStringLiteral("count"), m_gridIndex.runnerCounts.value(r)}, {QStringLiteral("cells"), cells}});
    }
    m_gridRebuild.end();
}

// ---- Exports ----------------------------------------------------------------------------------

QString StartListViewModel::timeslotPdfHelp() const
{
    return m_grid ? localized(QStringLiteral("Export grid layout as A4 landscape PDF"))
                  : localized(QStringLiteral("Export as A4 portrait PDF, chronological"));
}

void StartListViewModel::setMessages(const QString &error, const QString &status)
{
    if (error == m_exportError && status == m_statusMessage)
        return;
    m_exportError = error;
    m_statusMessage = status;
    emit messageChanged();
}

bool StartListViewModel::exportTo(StartListExportKind kind, const QUrl &file)
{
    if (!store())
        return false;
    // The file holds exactly what the screen shows, so a rebuild still queued runs first.
    if (m_refresh.isQueued())
        refreshNow();
    const bool xml = kind == StartListExportKind::Xml;
    const QString path
        = chosenLocalPath(file, dialogStartFolder(xml ? FileKind::Iof : FileKind::Pdf, store()),
            xml ? QStringLiteral(".xml") : QStringLiteral(".pdf"));
    StartListExportOutcome outcome;
    if (path.isEmpty())
        outcome = {false,
            localized(QStringLiteral("Export failed: "))
                + localized(QStringLiteral("Not a local file: %@"), file.toDisplayString())};
    else
        outcome = exportStartList(kind, store()->race(), m_lists, m_grid, path);
    setMessages(outcome.error, outcome.ok ? savedFileMessage(path) : QString());
    return outcome.ok;
}

void StartListViewModel::chooseExportFile(const QString &kind)
{
    static const std::pair<const char *, StartListExportKind> kinds[]
        = {{"xml", StartListExportKind::Xml}, {"timeslot", StartListExportKind::TimeslotPdf},
            {"byClass", StartListExportKind::ByClassPdf}, {"startPunch", StartListExportKind::StartPunchPdf}};
    const auto found = std::find_if(std::begin(kinds), std::end(kinds),
        [&](const auto &named) { return kind == QLatin1String(named.first); });
    if (!store() || found == std::end(kinds))
        return;
    const StartListExportKind chosenKind = found->second;
    chooseFile(exportRequest(chosenKind != StartListExportKind::Xml, QStringLiteral("startListExportDialog"),
                   exportStartListFileName(store()->race(), chosenKind), store()),
        this, [this, chosenKind](const QUrl &file) { exportTo(chosenKind, file); });
}

bool StartListViewModel::exportXml(const QUrl &file)
{
    return exportTo(StartListExportKind::Xml, file);
}

bool StartListViewModel::exportTimeslotPdf(const QUrl &file)
{
    return exportTo(StartListExportKind::TimeslotPdf, file);
}

bool StartListViewModel::exportByClassPdf(const QUrl &file)
{
    return exportTo(StartListExportKind::ByClassPdf, file);
}

bool StartListViewModel::exportStartPunchPdf(const QUrl &file)
{
    return exportTo(StartListExportKind::StartPunchPdf, file);
}

// ---- Clearing ---------------------------------------------------------------------------------

QString StartListViewModel::clearTitle() const
{
    return m_fixedInterval->classId().isEmpty() ? localized(QStringLiteral("Clear all start times"))
                                                : localized(QStringLiteral("Clear class start times"));
}

QString StartListViewModel::clearConfirmationMessage() const
{
    // clang-format off
    return m_fixedInterval->classId().isEmpty()
        ? localized(QStringLiteral("This clears the scheduled start time for every participant in every class. This cannot be undone."))
        : localized(QStringLiteral("This clears the scheduled start time for every participant in this class. This cannot be undone."));
    // clang-format on
}

void StartListViewModel::clearStartTimes()
{
    if (!store())
        return;
    const ClearPlan plan = planClearStartTimes(store()->race(), m_fixedInterval->classId());
    const qsizetype cleared = store()->clearStartTimes(plan.cleared);
    QString status = localized(QStringLiteral("%@ start time(s) cleared."), cleared);
    // clang-format off
    if (plan.keptBaseTimes > 0)
        status += QLatin1Char(' ') + localized(QStringLiteral("%@ runner(s) still show a time: the event's base start time, which every stage without its own time uses. Edit the runners to remove it."), plan.keptBaseTimes);
    // clang-format on
    setMessages(m_exportError, status);
}

// ---- Import -----------------------------------------------------------------------------------

int StartListViewModel::importPercent() const
{
    if (m_importTotal <= 0)
        return 0;
    return int(std::lround(100.0 * m_importCurrent / m_importTotal));
}

QVariantList StartListViewModel::importSummaryLines() const
{
    QVariantList lines;
    if (!m_importSummary || m_import)
        return lines;
    auto add = [&](const QString &text, const char *tone) {
        lines.append(QVariantMap {
            {QStringLiteral("text"), text}, {QStringLiteral("tone"), QString::fromLatin1(tone)}});
    };
    const StartListImportSummary &s = *m_importSummary;
    // clang-format off
    add(localized(QStringLiteral("%@ start time(s) imported."), s.applied), "normal");
    if (s.applied > 0)
        add(localized(QStringLiteral("%@ of them replaced an existing start time."), s.replaced), "normal");
    if (s.noMatch > 0)
        add(localized(QStringLiteral("%@ entry(ies) had no matching participant."), s.noMatch), "secondary");
    if (s.startPunch > 0)
        add(localized(QStringLiteral("%@ entry(ies) skipped (class uses start punch)."), s.startPunch), "secondary");
    if (s.dateCorrected > 0)
        add(localized(QStringLiteral("%@ entry(ies) had an inconsistent date in the source file (likely a past-midnight rollover in the export) — normalized to match the rest of the field's date."), s.dateCorrected), "warning");
    if (s.movedToStageDay > 0)
        add(localized(QStringLiteral("%@ start time(s) placed on the stage's date, %@."), s.movedToStageDay, m_pendingStageDay.toString(Qt::ISODate)), "warning");
    if (s.unstorable > 0)
        add(localized(QStringLiteral("%@ matched start time(s) fall outside the dates an event file can hold (years 1 to 9999), so none was imported."), s.unstorable), "warning");
    if (s.applied == 0)
        add(localized(QStringLiteral("No start time was written; the event is unchanged.")), "warning");
    // clang-format on
    return lines;
}

void StartListViewModel::chooseImportFile()
{
    chooseFile(
        iofOpenRequest(QStringLiteral("startListImportDialog"), dialogStartFolder(FileKind::Iof, store())),
        this, [this](const QUrl &file) { importStartList(file); });
}

void StartListViewModel::importStartList(const QUrl &file)
{
    if (!store() || m_import || m_pendingImport)
        return;
    auto fail = [&](const QString &reason) {
        setMessages(localized(QStringLiteral("Import failed: ")) + localizedMessage(reason), m_statusMessage);
    };
    const QString path = chosenLocalPath(file, dialogStartFolder(FileKind::Iof, store()));
    if (path.isEmpty())
        return fail(localized(QStringLiteral("Not a local file: %@"), file.toDisplayString()));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    if (in.size() > maxImportBytes)
        return fail(localized(QStringLiteral("The file is too large to be a start list.")));
    const QByteArray bytes = in.readAll();
    QList<IOFStartListParser::Entry> entries;
    try {
        // Stage n takes race n: a runner without a start in that race gets no time from the file.
        entries = IOFStartListParser::parse(bytes, startListRaceNumber(store()->race()));
    } catch (const IOFStartListParser::ParseError &e) {
        return fail(e.message());
    } catch (const ImportError &e) {
        return fail(e.message());
    }

    QList<QDateTime> dates;
    dates.reserve(entries.size());
    for (const auto &e : entries)
        dates.append(e.startTime);
    const std::optional<QDateTime> modalDay = startListModalDay(dates);
    const StartListDayCheck day = checkStartListDay(store()->race(), modalDay);
    m_pendingStageDay = day.stageDay;
    if (day.differs()) {
        // A start list of another day would put that day's times on this stage: nothing is
        // written until the organiser says so.
        m_pendingImport = entries;
        m_importDayQuestion = localized(
            QStringLiteral("This start list is for %@, but the active stage, %@, is on %@. Import its "
                           "start times into %@ anyway, placed on %@?"),
            day.fileDay.toString(Qt::ISODate), day.stageName, day.stageDay.toString(Qt::ISODate),
            day.stageName, day.stageDay.toString(Qt::ISODate));
        m_importSummary.reset();
        m_importCurrent = 0;
        m_importTotal = int(entries.size());
        m_showingImportSheet = true;
        setMessages(QString(), m_statusMessage);
        emit importChanged();
        return;
    }
    startImport(entries, modalDay, false);
}

void StartListViewModel::startImport(const QList<IOFStartListParser::Entry> &entries,
    const std::optional<QDateTime> &targetDay, bool onStageDay)
{
    const Race &race = store()->race();
    m_import.reset(new ImportRun {entries, race, StartListMatcher(race), targetDay, {}, 0, onStageDay});
    m_import->resolved.reserve(entries.size());
    m_importCurrent = 0;
    m_importTotal = int(entries.size());
    m_importSummary.reset();
    m_showingImportSheet = true;
    emit importChanged();
    QMetaObject::invokeMethod(this, &StartListViewModel::importStep, Qt::QueuedConnection);
}

void StartListViewModel::confirmImportDay()
{
    if (!m_pendingImport || !store())
        return;
    const QList<IOFStartListParser::Entry> entries = *std::exchange(m_pendingImport, std::nullopt);
    m_importDayQuestion.clear();
    // Every start off the stage's date moves onto it, its time of day kept.
    startImport(entries, m_pendingStageDay.startOfDay(), true);
}

void StartListViewModel::cancelImport()
{
    if (!m_pendingImport)
        return;
    m_pendingImport.reset();
    m_importDayQuestion.clear();
    m_showingImportSheet = false;
    setMessages(localized(QStringLiteral("Import cancelled: no start time was changed. Make the stage the "
                                         "start list is for the active stage, or choose the start list "
                                         "of this stage, and import again.")),
        m_statusMessage);
    emit importChanged();
}

void StartListViewModel::importStep()
{
    if (!m_import)
        return;
    ImportRun &run = *m_import;
    const qsizetype end = std::min(run.entries.size(), run.next + importChunk);
    for (; run.next < end; ++run.next)
        run.resolved.append(resolveImportedStart(
            run.snapshot, run.matcher, run.entries[run.next], run.modalDay, run.lookups));
    m_importCurrent = int(run.next);
    if (run.next < run.entries.size()) {
        emit importChanged();
        QMetaObject::invokeMethod(this, &StartListViewModel::importStep, Qt::QueuedConnection);
        return;
    }

    // Written in one change at the end: runners deleted while the import ran are not written and
    // not counted.
    StartListImportSummary summary;
    QHash<QUuid, QDateTime> times;
    const QHash<QUuid, qsizetype> present
        = store() ? participantIndex(store()->race()) : QHash<QUuid, qsizetype> {};
    for (const ImportedStart &s : run.resolved) {
        switch (s.kind) {
        case ImportedStart::Kind::NoMatch:
            ++summary.noMatch;
            break;
        case ImportedStart::Kind::StartPunch:
            ++summary.startPunch;
            break;
        case ImportedStart::Kind::Write:
            if (!present.contains(s.runner)) {
                ++summary.noMatch;
                break;
            }
            times.insert(s.runner, s.time);
            ++summary.applied;
            if (const auto shown
                = scheduledStartTime(store()->race(), store()->race().participants[present.value(s.runner)]))
                summary.replaced += *shown != s.time ? 1 : 0;
            (run.onStageDay ? summary.movedToStageDay : summary.dateCorrected) += s.dateCorrected ? 1 : 0;
            break;
        }
    }
    if (store() && !times.isEmpty() && !store()->applyStartTimes(times)) {
        // The store keeps no time an event file cannot hold, and then none of the list's.
        summary.unstorable = int(times.size());
        summary.applied = summary.replaced = summary.dateCorrected = summary.movedToStageDay = 0;
    }
    m_import.reset();
    m_importSummary = summary;
    setMessages(QString(), m_statusMessage);
    emit importChanged();
}

void StartListViewModel::closeImportSheet()
{
    if (m_import || m_pendingImport || !m_showingImportSheet)
        return;
    m_showingImportSheet = false;
    emit importChanged();
}
