#pragma once

// The one store: owns the open event document (`race`) and every long-lived service object, and
// publishes every change to the screens. Main thread only.
//
// One route for every change: a screen never edits the race behind the store's back; it calls an
// operation here, which changes the race (a free function over `Race &`), publishes it
// (raceChanged) and then autosaves. Operation groups live in their own sections below, each
// implemented in its own source file where it grows large.

#include "autosavewriter.h"
#include "checklistentry.h"
#include "classsetup.h"
#include "entryimport.h"
#include "iofcoursedataparser.h"
#include "keystore.h"
#include "livepublishers.h"
#include "metsapublisher.h"
#include "publishingsettings.h"
#include "race.h"
#include "racechanges.h"
#include "racejournal.h"
#include "racelocalstore.h"
#include "recordingindex.h"
#include "startgenerator.h"
#include "stationcontrol.h"
#include "stationsettings.h"
#include "syncengine.h"
#include "syncoutbox.h"
#include "vexlochecklist.h"
#include "vexlowebclients.h"
#include "vexlowebsettings.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QSettings>

class QNetworkAccessManager;
struct CardRecording;

// The steps of one autosave, in the order they run.
enum class AutosaveStep { LocalFile, Broadcast, LiveResultat, Metsa, EventFile };

// Where the store keeps its state. The defaults are the user's; tests pass their own so they
// never touch the user's settings, autosave or keyring.
struct RaceStoreOptions
{
    // Null: the application's default settings store.
    std::unique_ptr<QSettings> settings;
    // Empty: RaceLocalStore::defaultFolder().
    QString autosaveFolder;
    // Null: the desktop's Secret Service.
    std::unique_ptr<KeyStore> keyStore;
    // Told each autosave step just before it runs. With the background writer, LocalFile and
    // EventFile are told when their write is handed to the writer (one job, queued at LocalFile),
    // not when the bytes are on disk; the order of the steps is the same in both modes.
    std::function<void(AutosaveStep)> autosaveObserver;
    // Write the autosave's files on the background writer (the application's choice), or on the
    // main thread before autosave() returns.
    bool backgroundAutosave = true;
    // Runs on the writer thread as each background job starts (tests hold the writer with it).
    std::function<void()> autosaveWriterHook;
    // The least time between two background writes of the full files; the changes meanwhile are
    // on disk in the journal, and the writes queued meanwhile coalesce into one. 0: each
    // autosave's write starts as soon as the writer is free.
    std::chrono::milliseconds fullWriteGap {0};
    // The wait before a failed write is tried again; each further try waits twice as long as
    // the one before, at most 60 times this.
    std::chrono::milliseconds firstRetryDelay {1000};
    // "Now" for the operations that stamp a time (a card's read-out time, check-ins). Empty: the
    // system clock in UTC.
    std::function<QDateTime()> clock;
};

class RaceStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString eventName READ eventName NOTIFY raceChanged)
    Q_PROPERTY(QUrl raceFileUrl READ raceFileUrl NOTIFY raceFileUrlChanged)
    Q_PROPERTY(bool needsInitialSetup READ needsInitialSetup NOTIFY needsInitialSetupChanged)
    Q_PROPERTY(QList<QUrl> recentRaceUrls READ recentRaceUrls NOTIFY recentRaceUrlsChanged)
    Q_PROPERTY(QString autosaveError READ autosaveError NOTIFY autosaveErrorChanged)
    Q_PROPERTY(QUrl unreadableEventFileUrl READ unreadableEventFileUrl NOTIFY unreadableEventFileChanged)
    Q_PROPERTY(StationSettings *stationSettings READ stationSettings CONSTANT)
    Q_PROPERTY(SyncEngine *syncEngine READ syncEngine CONSTANT)
    Q_PROPERTY(LiveResultatSettings *liveResultatSettings READ liveResultatSettings CONSTANT)
    Q_PROPERTY(LiveResultatPublisher *liveResultatPublisher READ liveResultatPublisher CONSTANT)
    Q_PROPERTY(MetsaSettings *metsaSettings READ metsaSettings CONSTANT)
    Q_PROPERTY(MetsaPublisher *metsaPublisher READ metsaPublisher CONSTANT)
    Q_PROPERTY(VexloWebSettings *vexloWebSettings READ vexloWebSettings CONSTANT)
    Q_PROPERTY(VexloWebVerifier *vexloWebVerifier READ vexloWebVerifier CONSTANT)
    Q_PROPERTY(VexloWebEventsClient *vexloWebEventsClient READ vexloWebEventsClient CONSTANT)
    Q_PROPERTY(VexloChecklistSettings *vexloChecklistSettings READ vexloChecklistSettings CONSTANT)
    Q_PROPERTY(VexloChecklistPuller *vexloChecklistPuller READ vexloChecklistPuller CONSTANT)

public:
    // Builds every service, reopens the most recent event file (else the local autosave, else a
    // new "Untitled Race") and installs the sync and check-in callbacks. Never fails.
    explicit RaceStore(RaceStoreOptions options = {}, QObject *parent = nullptr);
    ~RaceStore() override;

    // ---- Published state -------------------------------------------------------------------

    [[nodiscard]] const Race &race() const { return m_race; }
    [[nodiscard]] QString eventName() const { return m_race.name; }
    // Empty while the document was never saved.
    [[nodiscard]] const QUrl &raceFileUrl() const { return m_raceFileUrl; }
    [[nodiscard]] bool needsInitialSetup() const { return m_needsInitialSetup; }
    // Most recent first, at most 8 after any change made here.
    [[nodiscard]] const QList<QUrl> &recentRaceUrls() const { return m_recentRaceUrls; }

    // The writable binding of `race` and of the open file: replace the document whole and
    // publish it. Neither saves. A race of the same event (the same `journalEventId`: an edited
    // copy of race()) is an edit, and its changes are journalled before this returns; any other
    // race is another document taking the store's place.
    void setRace(const Race &race);
    void setRaceFileUrl(const QUrl &url);
    // The open action, as one operation: the event read from `url` takes the store's place
    // (never as an edit, even when it is a copy of the open event), `url` becomes the open file
    // and goes first in the recent list, and an unreadable file's note ends. Changes of the open
    // event not yet in its files are written there first. A crash at any moment leaves start-up
    // opening either what was open before or this file, with its own changes only.
    // False, with the reason in `error` and nothing changed, when the file holds the open event
    // itself (a copy of it) and the open event's changes cannot be written: start-up would
    // replay them onto the copy.
    [[nodiscard]] bool openEvent(const Race &race, const QUrl &url, QString *error = nullptr);

    // ---- Service objects (owned, alive as long as the store) --------------------------------

    [[nodiscard]] StationSettings *stationSettings() const { return m_stationSettings.get(); }
    [[nodiscard]] SyncEngine *syncEngine() const { return m_syncEngine.get(); }
    // Start and Stop of the station, which wait for the station key from the key store.
    [[nodiscard]] StationControl *stationControl() const { return m_stationControl.get(); }
    [[nodiscard]] RaceLocalStore &localStore() const { return *m_localStore; }
    [[nodiscard]] LiveResultatSettings *liveResultatSettings() const { return m_liveResultatSettings.get(); }
    [[nodiscard]] LiveResultatPublisher *liveResultatPublisher() const
    {
        return m_liveResultatPublisher.get();
    }
    [[nodiscard]] MetsaSettings *metsaSettings() const { return m_metsaSettings.get(); }
    [[nodiscard]] MetsaPublisher *metsaPublisher() const { return m_metsaPublisher.get(); }
    [[nodiscard]] VexloWebSettings *vexloWebSettings() const { return m_vexloWebSettings.get(); }
    [[nodiscard]] VexloWebVerifier *vexloWebVerifier() const { return m_vexloWebVerifier.get(); }
    [[nodiscard]] VexloWebEventsClient *vexloWebEventsClient() const { return m_vexloWebEventsClient.get(); }
    [[nodiscard]] VexloChecklistSettings *vexloChecklistSettings() const
    {
        return m_vexloChecklistSettings.get();
    }
    [[nodiscard]] VexloChecklistPuller *vexloChecklistPuller() const { return m_vexloChecklistPuller.get(); }

    // ---- Event file, recent files and autosave ---------------------------------------------

    // Reads and decodes an event file; `error` gets the reason on failure.
    [[nodiscard]] static std::optional<Race> readEventFile(const QUrl &url, QString *error = nullptr);

    // Writes `race` as the event file (pretty, sorted keys, atomic). On success the file becomes
    // `raceFileUrl`, goes first in the recent list and ends the initial setup; on failure nothing
    // of the store changes and `error` gets the reason.
    [[nodiscard]] bool save(const QUrl &to, QString *error = nullptr);
    Q_INVOKABLE void addRecentRaceUrl(const QUrl &url);
    // Removes every entry with the same path; "Clear Recent Events" calls it once per entry.
    Q_INVOKABLE void removeRecentRaceUrl(const QUrl &url);
    // A new "Untitled Race", written to the local autosave only; waits for its first save.
    Q_INVOKABLE void newRace();
    // Gives up the new race while it still waits for its first save: the event open before it
    // comes back (from its file as the file holds it; an event that had no file, as it was), and
    // the initial setup ends. Nothing happens once the new race was saved or another event opened.
    Q_INVOKABLE void abandonNewRace();
    // After every change: local autosave, broadcast (master only), both publishers' pending race,
    // then the open event file. The broadcast and the hand-off run at once; the two files are
    // written by the background writer from a copy of the race as it is now (a newer autosave
    // queued before that write starts replaces it). Failures are log lines, and the event file's
    // success steps of save(to:), all applied on the main thread in the order of the autosaves.
    Q_INVOKABLE void autosave();
    // Waits until every queued autosave is on disk and applies its results (log lines, event
    // file state) now. Everything else that writes the autosave or event file calls it first, so
    // an older background write can never replace a newer file; the destructor calls it too.
    void flushAutosave();
    // Why changes are not safely on disk: the change journal could not be written (changes then
    // live only in memory until a full write succeeds), the last full write of the local
    // autosave or the event file failed, or a slave's results not yet sent to the master could
    // not be kept in their file; empty once every write succeeds again. The window shows
    // it: a failed write must never go unnoticed for the rest of a race day. A failed write is
    // tried again after 1, 2, 4, ... up to 60 seconds, and at quit.
    [[nodiscard]] QString autosaveError() const { return m_autosaveError; }
    // Tries every failed write again now (the journal's record, then the full files), and waits
    // for them. True when every change is on disk afterwards: the app may quit without losing
    // anything. The app calls it at quit; a false answer means the disk still refuses.
    [[nodiscard]] bool retryFailedWrites();
    // Where start-up kept the journal as it found it when some of its changes could not be
    // restored whole (they were left out); empty when everything was restored.
    [[nodiscard]] const QString &unrestoredChangesFile() const { return m_unrestoredChangesFile; }

    // ---- An event file start-up could not read -----------------------------------------------
    //
    // The most recent event file that start-up could not read (damaged, cut short, gone): the store
    // opened the local autosave instead, took the file off the recent list, and writes no event
    // file until the organiser saves the event to one (save(to:)); opening another file or a new
    // event ends it too. Until then every start-up opens the autosave again and reports the same
    // file, so the next start never opens another event over the recovered one. Empty URL: none.
    [[nodiscard]] QUrl unreadableEventFileUrl() const { return m_unreadableEventFile; }
    // Why it could not be read (the reader's or decoder's words).
    [[nodiscard]] QString unreadableEventFileReason() const { return m_unreadableEventFileReason; }

    // ---- Per-stage values of a participant (for the active stage) ---------------------------

    [[nodiscard]] std::optional<QDateTime> scheduledStartTime(const Participant &participant) const;
    [[nodiscard]] std::optional<QString> effectiveClassId(const Participant &participant) const;
    [[nodiscard]] std::optional<QString> effectiveCourseId(const Participant &participant) const;
    // `index` must lie within race().participants. These publish but do not save: the caller
    // autosaves after its writes.
    void setStartTime(const std::optional<QDateTime> &value, qsizetype index);
    void setClassId(const std::optional<QString> &value, qsizetype index);
    void setCourseId(const std::optional<QString> &value, qsizetype index);

    // ---- Station sync and check-in callbacks -----------------------------------------------

    // The master's event as a slave now holds it (after a snapshot or a change, with this
    // station's unsent results): replaces `race` (the cards this station read that no entry held
    // stay) and is written to the local autosave only, by the background writer when there is
    // one (its failure is shown and retried like any other write), else before this returns.
    void applyReceivedSnapshot(Race race);
    // A result submitted to the master: replaces the result with the same id in place, else is
    // appended, on this race's planned start (see followPlannedStart); then autosaves (which
    // broadcasts).
    void applyReceivedResult(const PersonResult &result);
    // On a master: a read-out a slave made before it held the event, recorded as a card read
    // here, under the read-out's id and time.
    void applyReceivedReadOut(const PersonResult &readOut);
    // The API key and the race's check-in key, both exactly as stored; nothing when either is
    // empty or absent.
    [[nodiscard]] std::optional<ChecklistCredentials> checklistCredentials() const;
    // Applies pulled check-ins to the entries; autosaves once when anything changed.
    void applyChecklistCheckins(const QList<ChecklistEntry> &entries);

    // ---- Participant, result and unmatched-card operations ----------------------------------
    //
    // Each acts on the first record with the id. An edit of an id that is not stored changes
    // nothing and saves nothing; the deletions always save.

    // Saves when the participant exists.
    void setParticipantStatus(const QUuid &participantId, const std::optional<ParticipantStatus> &status,
        const std::optional<QString> &stageId = std::nullopt);
    // Replaces the participant with the same id in place; never adds one.
    void updateParticipant(const Participant &participant);
    // Appends the entry as given (a runner registered on the spot for a card read out) and saves.
    void addParticipant(const Participant &participant);
    // Removes every participant with the id (their results stay); saves even when none was found.
    void deleteParticipant(const QUuid &participantId);
    // The participant's course for the active stage; absent clears it.
    void setParticipantCourse(const QUuid &participantId, const std::optional<QString> &courseId);
    // Removes every result with the id; always saves.
    void deleteResult(const QUuid &resultId);
    // The note is kept only together with a completed flag.
    void overrideResultStatus(
        const QUuid &resultId, const std::optional<bool> &completed, const std::optional<QString> &note);
    // Saves only when the stored id changes.
    void setVexloWebEventId(const QString &eventId);
    // Sets the key only when the race has none yet and the key is not empty.
    void setVexloWebChecklistKey(const QString &key);
    // Sets (and saves) any key that is not empty, even one equal to the stored key.
    void setVexloWebChecklistKeyIfNotEmpty(const QString &key);
    // Read only: the classes naming the course (base course id, family or course list).
    [[nodiscard]] QList<RaceClass> classesUsingCourse(const Course &course) const;
    // Read only: entries without a card whose base course or base class fits the course.
    [[nodiscard]] QList<Participant> candidateParticipants(const Course &course) const;

    // ---- Evaluation and results operations --------------------------------------------------

    // Records one card read-out for the active stage: the result stored for it (a repeated read
    // gives the stored one), absent when no runner holds the card: the read-out is then kept in
    // race().unknownCards (journalled and saved like a result) until a later recording of it under
    // a runner settles it or it is dismissed. Saves after an append, after a repeat and after a
    // kept card; a slave then submits an appended result to its master. A runner marked as not
    // started on the stage loses the mark in the same change (lastReadClearedNotStarted).
    std::optional<PersonResult> recordCardReading(const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime);
    // Whether the last card read removed its runner's did-not-start mark on the active stage.
    [[nodiscard]] bool lastReadClearedNotStarted() const { return m_lastReadClearedNotStarted; }
    // "Now" as the store stamps it (the options' clock).
    [[nodiscard]] QDateTime now() const { return m_clock(); }
    // Registers a runner for a read-out nobody held (appended as addParticipant does) and records
    // the read-out under the number the runner got, as one change: on disk whole or not at all.
    // With a result, the read-out's kept copies under its own number `cardNumber` and the kept
    // read-out `keptCard` it came from are settled too. Returns and submits as recordCardReading.
    std::optional<PersonResult> registerAndRecord(const Participant &participant, const QString &cardNumber,
        const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
        const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
        const std::optional<QUuid> &keptCard = std::nullopt);
    // Gives the card to the participant (completing its class and course from the matched course)
    // and then records the read-out under `cardNumber`, as one change; with a result, the kept
    // read-out `keptCard` it came from is settled too. An id that is not stored gets no card: the
    // read-out is then kept as a card nobody holds.
    std::optional<PersonResult> assignAndRecord(const QUuid &participantId,
        const std::optional<Course> &course, const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime, const std::optional<QUuid> &keptCard = std::nullopt);
    // Removes a kept card read-out nobody holds (the organiser's "Dismiss"); saves when it existed.
    // By value: callers pass the id of an element of the list it removes from.
    void dismissUnknownCard(QUuid cardId);
    // Evaluates the stored result with the same id again from its punches against the course the
    // edited copy names, and saves; an id no longer stored is ignored. Never submitted to a master
    // (a master's autosave sends the change to every slave).
    void reevaluateResult(const PersonResult &edited);
    // The latest time a result was read from this card in the active stage (a repeat read).
    [[nodiscard]] std::optional<QDateTime> latestReadOfCard(const QString &cardNumber) const;
    // Read only: the overall standings of one class across all stages.
    [[nodiscard]] QList<StandingsRow> rankedResults(const QString &classId) const;
    // Read only: the courses a runner of the class (or of no class) may have run on the active stage.
    [[nodiscard]] QList<Course> candidateCourses(const RaceClass *raceClass) const;

    // ---- Setup and import operations (classes, courses, stages, entries) --------------------
    //
    // The bulk helpers, deletions and stage additions always save; the whole-record updates save
    // only when a record with the id was replaced. The merge and numbering steps of the imports
    // publish but do not save: their caller autosaves at the end of its import.

    void generateClassesFromCourses();
    void autoMatchClassesToCourses();
    void updateClass(const RaceClass &raceClass);
    // With a stage id on an event with stages: that stage's default; otherwise the event's.
    void setDefaultStartWindow(
        const std::optional<StartWindow> &window, const std::optional<QString> &stageId);
    // Removes every class with the id; nothing referring to it is touched.
    void deleteClass(const QString &classId);
    void updateCourse(const Course &course);
    // Removes every course with the id; nothing referring to it is touched.
    void deleteCourse(const QString &courseId);
    // Reads an IOF CourseData file and merges it into the race, then saves. Throws ImportError
    // (unreadable file, not a local file, parser error); the race and the files are then unchanged.
    // Returns the scores that were rounded to whole points, for the organiser to check.
    QList<IOFCourseDataParser::RoundedScore> importCourses(const QUrl &fileUrl);
    // Appends the stage; it becomes the active one when none is active.
    void addStage(const Stage &stage);
    void updateStage(const Stage &stage);
    // Removes every stage with the stage's id, and the card read-outs kept on it (results on it
    // stay); an active deleted stage hands over to the first left.
    void deleteStage(const Stage &stage);
    // The stage card reads are recorded for, chosen on purpose (the Stages screen, the reader
    // pane); the set-up and list screens follow it again. A change is journalled and autosaved.
    // An id of no stage changes nothing.
    void setActiveStage(const QString &stageId);
    // The stage the set-up and list screens show (Race::shownStageId): view state, published
    // without a journal record or a save; card reads stay on the active stage. The active stage's
    // own id (or an id of no stage) makes them follow the active stage again.
    void setShownStage(const QString &stageId);

    // Downloads an IOF EntryList and applies it to the race as it is when the answer arrives, then
    // saves. `done` runs once, later (never inside this call; never once the store is gone), with
    // no error on success or with the message for the organiser; on failure the race is untouched
    // and nothing is saved. `applied` (when given) hears what the list changed, just before `done`.
    // An answer that arrives after another event was opened or a new one begun belongs to no
    // event any more: it is dropped with an error, never merged into the event now open.
    void importEntries(const QUrl &url, std::function<void(const std::optional<QString> &error)> done,
        std::function<void(const EntryChanges &)> applied = {});
    // Changes each time another document takes the store's place (an event opened, a new event
    // begun); edits of the open event leave it alone. Work started for one event compares it.
    [[nodiscard]] quint64 documentGeneration() const { return m_documentGeneration; }
    // Applies an entry list's bytes (a download's body, or a file read by the entry list screen,
    // which passes no status) and saves. Throws ImportError for an HTTP status outside 200 to 299
    // and for the parser's errors; the race is then untouched and nothing is saved.
    void applyDownloadedEntries(const QByteArray &body, std::optional<int> httpStatus = std::nullopt);
    // The steps of an import, for screens that run the chain themselves (no save of their own).
    [[nodiscard]] IdMap mergeImportedClasses(
        const QList<RaceClass> &classes, const std::optional<QString> &stageId);
    [[nodiscard]] IdMap mergeImportedCourses(
        const QList<Course> &courses, const std::optional<QString> &stageId);
    [[nodiscard]] QList<Participant> assignRentalCardNumbers(QList<Participant> imported) const;
    [[nodiscard]] static Participant nextFreeRentalCardNumber(Participant participant, QSet<QString> &inUse);
    void applyImportedEntries(const QList<Participant> &imported);

    // ---- Start-time operations --------------------------------------------------------------
    //
    // For the active stage. Each finds a runner as the first participant with the id and saves
    // once after all its changes: the bulk operations always, the single-runner ones only when the
    // runner exists.

    // The start-list screen's draw as one operation: an interval of 0 is a mass start; for a
    // class, the first start and interval are remembered on the class. Applied and journalled
    // whole. False, and nothing changed, when the times cannot be stored (see below). Runners of a
    // class that starts by the start punch on the stage get no time; `startPunchClasses` receives
    // the names of those classes (see drawSelection).
    bool drawStartTimes(const QString &classId, const QDateTime &firstStart, double intervalSeconds,
        QStringList *startPunchClasses = nullptr);
    // Random draw; the empty class id means every class (start-punch classes left out, as by
    // every draw). An interval that is not a finite
    // number of seconds within a day changes and saves nothing. Every start-time operation
    // refuses (changes and saves nothing) a time the event file cannot hold (a date outside the
    // years 1 to 9999).
    void assignIntervalStartTimes(
        const QString &classId, const QDateTime &firstStart, double intervalSeconds);
    // No class id means every class.
    void assignMassStart(const std::optional<QString> &classId, const QDateTime &start);
    void setParticipantStartTime(const QUuid &participantId, const std::optional<QDateTime> &start);
    // False, and nothing changed, when a time cannot be stored.
    bool applyStartTimes(const QHash<QUuid, QDateTime> &times);
    // A generated plan: its times, and the unplaced runners' old times cleared. Saves only when it
    // writes something, so a plan that placed nobody leaves the files alone.
    void applyStartPlan(const StartGeneratorResult &plan);
    void setStartTimePreference(
        const QUuid &participantId, const std::optional<StartTimePreference> &preference);
    void reorderStartTimes(const QList<QUuid> &orderedIds);
    // Clears the listed runners' times for the active stage in one change; saves once, and only
    // when a stored time was removed. The number removed.
    qsizetype clearStartTimes(const QList<QUuid> &ids);

    // A typed time on the start-list day (active stage, else event, else today): the first start
    // of draws, mass starts and generation.
    [[nodiscard]] std::optional<QDateTime> startTimeOnStartListDay(const QString &text) const;
    // The edit sheet's and the list's handlers: the time on the runner's day (startTimeEditDay),
    // written through setParticipantStartTime. False, and nothing written, for an unreadable text.
    bool saveTypedStartTime(const Participant &participant, const QString &text);
    bool saveEditedStartTime(const Participant &participant, int hour, int minute, int second);
    void clearStartTime(const Participant &participant)
    {
        setParticipantStartTime(participant.id, std::nullopt);
    }

signals:
    void raceChanged();
    void raceFileUrlChanged();
    void needsInitialSetupChanged();
    void recentRaceUrlsChanged();
    void autosaveErrorChanged();
    void unreadableEventFileChanged();

private:
    // Publishes a change made in place to m_race (no save).
    // Every change of the race goes out through here, so the card-read look-ups start over; card
    // recording keeps them in step itself and emits directly.
    // `settled`: the operation has put the results its start times move in place itself.
    void publishRace(bool settled = false)
    {
        if (!settled)
            settleMovedResults();
        m_recordingIndex.invalidate();
        emit raceChanged();
    }
    // A result whose start comes from its runner's start time follows that time: whichever
    // operation set, changed or cleared it, the runner's results on that stage are evaluated
    // again before the change is recorded, so the record holds both (against the race as the
    // journal last recorded it; a result already on the new time is left alone). So does a result
    // whose runner's class or own course on its stage changed: they decide its course and its start
    // rule; and one whose class's course set-up changed what judges it on its stage.
    // Every change goes through here on its way to the journal: publishRace, setRace and
    // commitIfStorable (which records the moved results by themselves).
    void settleMovedResults();
    // Publishes and autosaves: the end of every editing operation.
    void commitChange()
    {
        publishRace();
        autosave();
    }

    // Records the read-out under `recordedNumber` into the race as the operation has left it
    // (`changed`: it changed it already), settles with a result the kept copies of the read-out
    // under `cardNumber` and `keptCard`, then journals all of it as one record, publishes, saves
    // and submits.
    std::optional<PersonResult> recordReading(bool changed, const QString &recordedNumber,
        const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime, const std::optional<QUuid> &keptCard);
    void reopenAtStartUp();
    // Records in the journal, as one record, everything that changed since the last record: the
    // start of every save, so every operation is on disk when it returns, whatever it changed
    // and through whichever steps. False when it could not be written (shown and retried; the
    // same changes go into the next record). `resultsKept`: the race's results before that many
    // are the journal's, untouched, and this operation only appended after them (see
    // m_resultsAsJournalled), so that only the appended ones are compared.
    bool journalChanges(std::optional<qsizetype> resultsKept = std::nullopt);
    // Whether the race's results are still the very list of m_resultsAsJournalled.
    [[nodiscard]] bool resultsAsJournalled() const;
    // The autosave's steps after the journal's record (autosave() is both): for an operation
    // whose record was just written, which need not compare the whole event again.
    void saveJournalled();
    // On a master: the journal's records written since the last broadcast go to the stations,
    // with the state they lead to (the journal's own).
    void broadcastJournalled();
    // Another document takes the store's place: it gets its event id (in memory, the files get it
    // with their next write), and the journal's next record starts from it. `newDocument`: the
    // journal's lines the files hold leave it now (see RaceJournal::startDocument).
    void adoptRace(bool newDocument = true);
    // Makes `race` the open event with no file, written to the local autosave only.
    void startUnsavedDocument(const Race &race);
    void updateAutosaveError();
    // Writes a slave's unsent results beside the autosave; a failure is shown and retried.
    void keepOutbox(const QList<PersonResult> &results);
    [[nodiscard]] QString outboxErrorText(const QString &reason) const;
    void scheduleRetry();
    void retryFromTimer();
    // In idle time after a commit and its autosave: the race's result list and the journal's
    // state's each get a list of their own, with room for more results, so that the next card
    // read appends to both without copying or moving all of them first (before its line is
    // synced). A list is shared after a new document or a whole record (the journal's state
    // takes the race's), and while something keeps a copy of the race (the live results' copy
    // waiting for its turn, the full write's snapshot when files are written after every change).
    // Later records keep the journal's apart (see journalChanges).
    void readyForCardRead();
    void scheduleReadyForCardRead();
    // Hands the full files' write of `race` (stamped with its journal number) to the writer;
    // without `withEventFile`, the local autosave's alone.
    void enqueueFullWrite(const Race &race, bool withEventFile = true);
    // The full files' write of the race: `race` to the writer at once, or, with a full-write gap,
    // the journal's state once the gap has passed (the event file too if any write it stands
    // for asked for it).
    void writeFullFiles(const Race &race, bool withEventFile = true);
    // The pending full write, now.
    void writePendingFullFiles();
    // Takes `edited` as the race and commits it when every value it changes can be stored (the
    // event file can hold it); false, and nothing changed, otherwise.
    bool commitIfStorable(Race edited);
    // Remembers (empty url: forgets) the unreadable event file, in the settings as well.
    void setUnreadableEventFile(const QUrl &url, const QString &reason);
    // The files about to be written hold every journalled change so far: they say so.
    void stampJournalThrough();
    // Every change so far is in files on disk: the journal has nothing left to replay.
    // `everyFile`: those are all the files start-up reads (they carry the event's id then).
    void trimJournal(bool everyFile);
    void wireSyncCallbacks();
    // A slave's kept unknown cards across the master's snapshots (see applyReceivedSnapshot).
    [[nodiscard]] QList<UnknownCard> ownUnknownCards() const;
    void keepOwnUnknownCards(const QList<UnknownCard> &own);
    void wireChecklistCallbacks();
    void setNeedsInitialSetup(bool value);
    void setRecentRaceUrls(QList<QUrl> urls);
    void putRecentFirst(const QUrl &url);
    // The success steps of save(to:), in their order.
    void eventFileSaved(const QUrl &url);
    void applyAutosaveOutcomes();
    void setWriteError(const QString &error);
    void step(AutosaveStep s) const
    {
        if (m_autosaveObserver)
            m_autosaveObserver(s);
    }

    // The document and its published companions.
    Race m_race;
    mutable RecordingIndex m_recordingIndex;
    QUrl m_raceFileUrl;
    QString m_autosaveError;
    // The last full write's failure (either file), and the journal's.
    QString m_writeError;
    QString m_journalError;
    // Why the unsent results' file could not be written; empty while it holds them all.
    QString m_outboxError;
    // Beside the local autosave; made with the sync callbacks.
    std::optional<SyncOutboxFile> m_outboxFile;
    QString m_unrestoredChangesFile;
    // The race as the journal's records (with the files) hold it: the next record is the
    // difference from it.
    Race m_journalled;
    // A share of the race's result list, taken when a card read's record has brought the
    // journal's state to the same results: as long as the race's list still shares its data with
    // it, nothing can have changed a result since (any change to a shared list copies it first),
    // so the next card read compares only what it appends instead of every result of the event.
    // Let go of before anything appends (which would otherwise copy the list) and whenever the
    // journal's state changes otherwise (it then no longer holds these results).
    std::optional<QList<PersonResult>> m_resultsAsJournalled;
    // A change whose record its operation wrote already, to see that it can be stored
    // (commitIfStorable), found from a race the journal's state was in step with: the journal
    // writes that record as it is while its state and the race are still the very ones it was
    // made between (shares of both are held, so neither can change unseen); otherwise it is
    // dropped and the change found again. Never outlives the next record.
    struct PreparedChange
    {
        Race journalled;
        Race after;
        RaceChanges changes;
        RaceChangeText text;
    };
    std::optional<PreparedChange> m_prepared;
    // The bodies of the journal's records since the stations last heard (none: what changed is
    // not known, as after another document or a record of the whole event; they get a snapshot).
    std::optional<QByteArrayList> m_unbroadcast;
    // A slave's read-out being recorded: the id and time the result or kept card takes.
    std::optional<std::pair<QUuid, QDateTime>> m_readOutIdentity;
    // A card has been read into this document (see readyForCardRead).
    bool m_cardsRead = false;
    // Whether the document's event id came with it (from its file), rather than given here.
    bool m_documentNamedItsEvent = false;
    bool m_readyPending = false;
    // Full writes at most every m_fullWriteGap (see RaceStoreOptions): one is pending while the
    // timer runs.
    std::chrono::milliseconds m_fullWriteGap {0};
    std::chrono::milliseconds m_firstRetryDelay {1000};
    QTimer m_fullWriteTimer;
    bool m_fullWritePending = false;
    // The pending full write stands only for races received from the master (see
    // applyReceivedSnapshot): the local autosave alone.
    bool m_fullWriteLocalOnly = false;
    QElapsedTimer m_sinceFullWrite;
    QTimer m_retryTimer;
    int m_retryAttempt = 0;
    // A retry of the timer runs (rather than a new change).
    bool m_retrying = false;
    // The kept unknown cards the last snapshot from the master held (a slave's own are the rest).
    QSet<QUuid> m_receivedUnknownCards;
    QUrl m_unreadableEventFile;
    QString m_unreadableEventFileReason;
    bool m_needsInitialSetup = false;
    // The event a new race replaced and its file (empty for none), until the new race is saved
    // or given up, or another event is opened.
    std::optional<std::pair<Race, QUrl>> m_replacedByNewRace;
    QList<QUrl> m_recentRaceUrls;
    quint64 m_documentGeneration = 0;

    // Declared in construction order, so they are destroyed in reverse: every object outlives
    // the objects that were given a pointer to it.
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<KeyStore> m_keyStore;
    std::function<void(AutosaveStep)> m_autosaveObserver;
    std::function<QDateTime()> m_clock;
    bool m_lastReadClearedNotStarted = false;
    std::unique_ptr<StationSettings> m_stationSettings;
    std::unique_ptr<SyncEngine> m_syncEngine;
    std::unique_ptr<StationControl> m_stationControl;
    std::unique_ptr<RaceLocalStore> m_localStore;
    std::unique_ptr<LiveResultatSettings> m_liveResultatSettings;
    std::unique_ptr<MetsaSettings> m_metsaSettings;
    std::unique_ptr<VexloWebSettings> m_vexloWebSettings;
    std::unique_ptr<VexloWebVerifier> m_vexloWebVerifier;
    std::unique_ptr<VexloWebEventsClient> m_vexloWebEventsClient;
    std::unique_ptr<VexloChecklistSettings> m_vexloChecklistSettings;
    std::unique_ptr<LiveResultatPublisher> m_liveResultatPublisher;
    std::unique_ptr<MetsaPublisher> m_metsaPublisher;
    std::unique_ptr<VexloChecklistPuller> m_vexloChecklistPuller;
    // The entry downloads' client. Last, so it goes first: no reply outlives the store's parts.
    std::unique_ptr<QNetworkAccessManager> m_network;
    // Shared with the writer's jobs, which trim it once their files are on disk.
    std::shared_ptr<RaceJournal> m_journal;
    // Null in the synchronous mode. Only ever given copies: it never sees the store.
    std::unique_ptr<AutosaveWriter> m_writer;
};
