#include "racestore.h"

#include "cardrecording.h"
#include "checkins.h"
#include "log.h"
#include "perstage.h"
#include "racechanges.h"
#include "racejson.h"
#include "readoutmatch.h"
#include "resultoperations.h"
#include "stationkey.h"
#include "syncoutbox.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalBlocker>

#include <algorithm>

namespace {
const QString recentKey = QStringLiteral("recentRaceFilePaths");
// The event file start-up could not read, while the event lives in the autosave only.
const QString unreadableFileKey = QStringLiteral("unreadableEventFilePath");
const QString unreadableReasonKey = QStringLiteral("unreadableEventFileReason");
constexpr qsizetype maxRecentRaces = 8;

bool samePath(const QUrl &a, const QUrl &b)
{
    return a.toLocalFile() == b.toLocalFile();
}
} // namespace

RaceStore::RaceStore(RaceStoreOptions options, QObject *parent)
    : QObject(parent)
    , m_settings(options.settings ? std::move(options.settings) : std::make_unique<QSettings>())
    , m_keyStore(options.keyStore ? std::move(options.keyStore) : makeSecretServiceKeyStore())
    , m_autosaveObserver(std::move(options.autosaveObserver))
    , m_clock(options.clock ? std::move(options.clock)
                            : std::function<QDateTime()>([] { return QDateTime::currentDateTimeUtc(); }))
{
    // The order matters: each object is built after everything it is given, the recent list is
    // read before the publishers, and the document is in place before any callback can fire.
    m_stationSettings = std::make_unique<StationSettings>(m_settings.get());
    m_syncEngine = std::make_unique<SyncEngine>();
    m_localStore = std::make_unique<RaceLocalStore>(options.autosaveFolder);
    m_journal = std::make_shared<RaceJournal>(QFileInfo(m_localStore->filePath()).absolutePath());
    m_liveResultatSettings = std::make_unique<LiveResultatSettings>(m_settings.get(), m_keyStore.get());
    m_metsaSettings = std::make_unique<MetsaSettings>(m_settings.get(), m_keyStore.get());
    m_vexloWebSettings = std::make_unique<VexloWebSettings>(m_settings.get(), m_keyStore.get());
    // The web clients' status lines tell the time of day of the store's own clock.
    auto webOptions = [this] {
        VexloWebOptions web = vexloWebOptionsFrom(*m_settings);
        web.clock = [clock = m_clock] { return clock().toLocalTime().time(); };
        return web;
    };
    m_vexloWebVerifier = std::make_unique<VexloWebVerifier>(webOptions());
    m_vexloWebEventsClient = std::make_unique<VexloWebEventsClient>(webOptions());
    m_vexloChecklistSettings = std::make_unique<VexloChecklistSettings>(m_settings.get());

    // Loaded as stored: duplicates and a list longer than 8 are only tidied by the next change.
    const QStringList paths = m_settings->value(recentKey).toStringList();
    for (const QString &path : paths)
        m_recentRaceUrls.append(QUrl::fromLocalFile(path));

    m_liveResultatPublisher = std::make_unique<LiveResultatPublisher>(m_liveResultatSettings.get());
    m_metsaPublisher = std::make_unique<MetsaPublisher>(m_metsaSettings.get(),
        MetsaPublisherOptions {.clock = [this] { return m_clock().toLocalTime().time(); }});
    m_vexloChecklistPuller = std::make_unique<VexloChecklistPuller>(
        m_vexloChecklistSettings.get(), VexloChecklistPullerOptions {webOptions(), nullptr});
    m_network = std::make_unique<QNetworkAccessManager>();
    if (options.backgroundAutosave) {
        m_writer = std::make_unique<AutosaveWriter>(std::move(options.autosaveWriterHook));
        connect(m_writer.get(), &AutosaveWriter::outcomesReady, this, &RaceStore::applyAutosaveOutcomes,
            Qt::QueuedConnection);
    }

    // The card look-ups are rebuilt after a change while the app waits, not when the next card
    // is read (that would cost the read a walk over the whole event).
    connect(
        this, &RaceStore::raceChanged, this, [this] { m_recordingIndex.prepare(m_race); },
        Qt::QueuedConnection);
    m_fullWriteGap = options.fullWriteGap;
    m_firstRetryDelay = options.firstRetryDelay;
    m_fullWriteTimer.setSingleShot(true);
    connect(&m_fullWriteTimer, &QTimer::timeout, this, &RaceStore::writePendingFullFiles);
    m_retryTimer.setSingleShot(true);
    // A named child, so that a test can see the wait it was given and run the retry by hand.
    m_retryTimer.setParent(this);
    m_retryTimer.setObjectName(QStringLiteral("autosave retry"));
    connect(&m_retryTimer, &QTimer::timeout, this, &RaceStore::retryFromTimer);
    reopenAtStartUp();
    wireSyncCallbacks();
    wireChecklistCallbacks();
    // The changes that only the journal held go into the full files now, which then trims it.
    const RaceJournal::Replay replay = m_journal->replayAtStartUp(m_race);
    if (replay.setAside > 0)
        m_unrestoredChangesFile = replay.keptAs;
    adoptRace();
    m_journalError = m_journal->error();
    updateAutosaveError();
    if (replay.applied > 0)
        commitChange();
    else if (!m_journal->isEmpty())
        autosave();
    QMetaObject::invokeMethod(
        this, [this] { m_recordingIndex.prepare(m_race); }, Qt::QueuedConnection);
}

RaceStore::~RaceStore()
{
    // Nothing queued is lost at exit: the files are written, their failures logged and the recent
    // list stored. No signals: whoever owns the store is being torn down around it.
    const QSignalBlocker quiet(this);
    flushAutosave();
}

// ---- Published state ---------------------------------------------------------------------------

void RaceStore::setRace(const Race &race)
{
    // A file from elsewhere may have numbered its journal further than this one: a record made
    // from now on must not look older than what the file holds.
    if (race.journalThrough)
        m_journal->continueAfter(*race.journalThrough);
    const bool edit = race.journalEventId && race.journalEventId == m_race.journalEventId;
    // A full write still waiting for its gap is the open document's: it goes to the writer now,
    // while the race and the file are still that document's. Taken later, it would put the new
    // document into the old file and trim the old document's journal lines with it.
    if (!edit)
        writePendingFullFiles();
    m_race = race;
    if (edit) {
        settleMovedResults();
        journalChanges();
    } else {
        adoptRace();
    }
    publishRace();
}

void RaceStore::settleMovedResults()
{
    QList<MovedResult> moved = resultsMovedByRunners(m_journalled, m_race);
    // A result its runner's change evaluated again was evaluated against the classes as they are.
    for (MovedResult &m : resultsMovedByClasses(m_journalled, m_race)) {
        if (std::none_of(
                moved.cbegin(), moved.cend(), [&](const MovedResult &r) { return r.index == m.index; }))
            moved.append(std::move(m));
    }
    if (moved.isEmpty())
        return;
    // Its share would make the writes copy every result; the next record lets go of it anyway.
    m_resultsAsJournalled.reset();
    for (const MovedResult &m : moved)
        m_race.results[m.index] = m.result;
}

void RaceStore::adoptRace(bool newDocument)
{
    if (newDocument)
        m_journal->startDocument();
    m_documentNamedItsEvent = m_race.journalEventId.has_value();
    if (!m_race.journalEventId)
        m_race.journalEventId = newUuid();
    m_journalled = m_race;
    m_resultsAsJournalled.reset();
    m_prepared.reset();
    m_unbroadcast.reset();
    m_cardsRead = false;
    scheduleReadyForCardRead();
}

namespace {
// Results the lists take before they must grow (a growth moves the whole list: milliseconds on a
// large event).
constexpr qsizetype resultsAhead = 256;

bool readyForAppend(const QList<PersonResult> &list)
{
    return list.isDetached() && list.capacity() - list.size() >= resultsAhead;
}
} // namespace

void RaceStore::scheduleReadyForCardRead()
{
    // Checked when it runs: until then this commit's autosave hands the race out.
    if (!m_readyPending && m_writer) {
        m_readyPending = true;
        QMetaObject::invokeMethod(this, &RaceStore::readyForCardRead, Qt::QueuedConnection);
    }
}

void RaceStore::setRaceFileUrl(const QUrl &url)
{
    // A pending background save's success would otherwise put the old file back afterwards.
    flushAutosave();
    // Only opening a file (or leaving one for a new event) comes here; a save moves the URL on
    // its own path, so the document stays the same one.
    ++m_documentGeneration;
    m_journal->startDocument();
    m_raceFileUrl = url;
    // The file just opened names the event, and start-up reads it first from now on: records can
    // name the event without a whole-event record first.
    if (!url.isEmpty() && m_documentNamedItsEvent)
        m_journal->setWrittenEvent(m_race.journalEventId);
    emit raceFileUrlChanged();
    setUnreadableEventFile(QUrl(), QString());
}

bool RaceStore::openEvent(const Race &race, const QUrl &url, QString *error)
{
    // A full write still waiting for its gap belongs to the file that is open: it goes there
    // before the opened event replaces the race it would write. So do changes only the journal
    // holds: start-up replays the journal onto whichever file of their event it opens, which from
    // now on is this one.
    flushAutosave();
    if (!m_journal->isEmpty()) {
        autosave();
        flushAutosave();
    }
    if (race.journalEventId && race.journalEventId == m_race.journalEventId && !m_journal->isEmpty()) {
        if (error)
            *error = QStringLiteral("The event's latest changes could not be saved (%1), and the chosen file "
                                    "holds the same event, so it was not opened over them. Open it again "
                                    "once saving works.")
                         .arg(m_autosaveError);
        return false;
    }
    if (race.journalThrough)
        m_journal->continueAfter(*race.journalThrough);
    // Another document even when it names the open event: a copy of it (an older one, say) taken
    // as an edit would be journalled as changes of the file that is open, and a crash before the
    // recent list names the copy would replay them into that file.
    ++m_documentGeneration;
    m_replacedByNewRace.reset();
    m_race = race;
    adoptRace();
    m_raceFileUrl = url;
    if (m_documentNamedItsEvent)
        m_journal->setWrittenEvent(m_race.journalEventId);
    // Start-up opens the first recent file unless the note of an unreadable file says the event
    // lives in the autosave: the list names this file before the note ends, so a crash in
    // between reopens the autosave's event, never an older file over it.
    putRecentFirst(url);
    setUnreadableEventFile(QUrl(), QString());
    emit raceFileUrlChanged();
    publishRace();
    return true;
}

void RaceStore::setNeedsInitialSetup(bool value)
{
    if (m_needsInitialSetup == value)
        return;
    m_needsInitialSetup = value;
    emit needsInitialSetupChanged();
}

void RaceStore::setRecentRaceUrls(QList<QUrl> urls)
{
    m_recentRaceUrls = std::move(urls);
    emit recentRaceUrlsChanged();
    QStringList paths;
    for (const QUrl &url : std::as_const(m_recentRaceUrls))
        paths.append(url.toLocalFile());
    if (m_settings->value(recentKey).toStringList() == paths)
        return;
    m_settings->setValue(recentKey, paths);
    // On disk at once: after a crash, start-up must reopen (and replay the journal onto) the
    // event that was open, not an older one.
    m_settings->sync();
}

// ---- Start-up ----------------------------------------------------------------------------------

void RaceStore::reopenAtStartUp()
{
    // No autosave, broadcast or publisher hand-off here: nothing has changed yet.
    const QString unreadable = m_settings->value(unreadableFileKey).toString();
    if (!unreadable.isEmpty()) {
        // An earlier start-up fell back to the autosave and the event was not saved to a file
        // since: the autosave still holds it, whatever the recent list now starts with.
        m_unreadableEventFile = QUrl::fromLocalFile(unreadable);
        m_unreadableEventFileReason = m_settings->value(unreadableReasonKey).toString();
    } else if (!m_recentRaceUrls.isEmpty()) {
        const QUrl mostRecent = m_recentRaceUrls.first();
        QString error;
        if (auto race = readEventFile(mostRecent, &error)) {
            m_race = std::move(*race);
            m_raceFileUrl = mostRecent;
            putRecentFirst(mostRecent);
            return;
        }
        // The file is never written (it is not the open file), and it leaves the recent list: it
        // must not be offered, or reopened next time, as if it were fine.
        logLine(QStringLiteral("RaceStore: failed to reopen most recent race file (") + error
            + QStringLiteral(") \u2014 falling back to local autosave"));
        setUnreadableEventFile(mostRecent, error);
        QList<QUrl> urls = m_recentRaceUrls;
        urls.removeIf([&](const QUrl &entry) { return samePath(entry, mostRecent); });
        setRecentRaceUrls(std::move(urls));
    }
    // The start-up read may move the local file aside; nothing can be queued yet, but the rule
    // holds for every writer of that file.
    flushAutosave();
    if (auto race = m_localStore->loadAtStartUp())
        m_race = std::move(*race);
    else if (!m_localStore->lastError().isEmpty())
        setWriteError(m_localStore->lastError()); // a damaged autosave that is in the way
}

void RaceStore::setUnreadableEventFile(const QUrl &url, const QString &reason)
{
    if (url == m_unreadableEventFile && reason == m_unreadableEventFileReason)
        return;
    m_unreadableEventFile = url;
    m_unreadableEventFileReason = url.isEmpty() ? QString() : reason;
    if (url.isEmpty()) {
        m_settings->remove(unreadableFileKey);
        m_settings->remove(unreadableReasonKey);
    } else {
        m_settings->setValue(unreadableFileKey, url.toLocalFile());
        m_settings->setValue(unreadableReasonKey, reason);
    }
    // On disk at once, like the recent list: a crash must not leave the next start-up opening
    // another event over the one only the autosave holds.
    m_settings->sync();
    emit unreadableEventFileChanged();
}

void RaceStore::wireSyncCallbacks()
{
    QPointer<RaceStore> self(this);
    m_syncEngine->onSnapshotReceived = [self](Race race) {
        if (self)
            self->applyReceivedSnapshot(std::move(race));
    };
    m_syncEngine->onResultSubmitted = [self](const PersonResult &result) {
        if (self)
            self->applyReceivedResult(result);
    };
    m_syncEngine->onReadOutSubmitted = [self](const PersonResult &readOut) {
        if (self)
            self->applyReceivedReadOut(readOut);
    };
    m_syncEngine->currentRace = [self]() -> std::optional<Race> {
        if (!self)
            return std::nullopt;
        // The state the stations are told of is the journal's, so what it recorded since goes
        // first (it cannot when the journal is failing: the stations then get the race).
        self->broadcastJournalled();
        return self->m_journalError.isEmpty() ? self->m_journalled : self->m_race;
    };
    // Unsent results live beside the autosave, so they share its folder's fate and discipline.
    m_outboxFile.emplace(QFileInfo(m_localStore->filePath()).absolutePath());
    QString unkept;
    m_syncEngine->restoreOutbox(m_outboxFile->load(&unkept));
    if (!unkept.isEmpty()) {
        m_outboxError = outboxErrorText(unkept);
        scheduleRetry();
    }
    m_syncEngine->onOutboxChanged = [self](const QList<PersonResult> &results) {
        if (!self)
            return;
        self->m_retryAttempt = 0; // a new change
        self->keepOutbox(results);
    };

    // The station key is a secret: the key store holds it, the settings object only a copy.
    m_stationControl
        = std::make_unique<StationControl>(m_keyStore.get(), m_stationSettings.get(), m_syncEngine.get());
}

void RaceStore::wireChecklistCallbacks()
{
    QPointer<RaceStore> self(this);
    m_vexloChecklistPuller->credentialsProvider = [self]() -> std::optional<ChecklistCredentials> {
        if (!self)
            return std::nullopt;
        return self->checklistCredentials();
    };
    m_vexloChecklistPuller->onCheckinsReceived = [self](const QList<ChecklistEntry> &entries) {
        if (self)
            self->applyChecklistCheckins(entries);
    };
}

// ---- Event file, recent files and autosave -----------------------------------------------------

std::optional<Race> RaceStore::readEventFile(const QUrl &url, QString *error)
{
    const std::optional<QByteArray> bytes = readWholeFile(url.toLocalFile(), error);
    if (!bytes)
        return std::nullopt;
    return decodeRace(*bytes, error);
}

bool RaceStore::save(const QUrl &to, QString *error)
{
    // An older background job still queued or running must not land after this write.
    flushAutosave();
    stampJournalThrough();
    QString reason;
    const QString path = to.toLocalFile();
    if (path.isEmpty()) {
        reason = QStringLiteral("Not a local file: ") + to.toString();
    } else if (const auto failure = writeRaceFile(m_race, JsonLayout::PrettySorted, path)) {
        reason = *failure;
    } else {
        // The file start-up reads first from now on carries the event's id (see setRaceFileUrl).
        m_documentNamedItsEvent = true;
        m_journal->setWrittenEvent(m_race.journalEventId);
        eventFileSaved(to);
        return true;
    }
    if (error)
        *error = reason;
    return false;
}

void RaceStore::eventFileSaved(const QUrl &url)
{
    m_replacedByNewRace.reset();
    if (m_raceFileUrl != url) {
        m_raceFileUrl = url;
        emit raceFileUrlChanged();
    }
    putRecentFirst(url);
    setNeedsInitialSetup(false);
    setUnreadableEventFile(QUrl(), QString());
}

void RaceStore::addRecentRaceUrl(const QUrl &url)
{
    // Keeps the order of the changes: a queued autosave's own addition comes first.
    flushAutosave();
    putRecentFirst(url);
}

void RaceStore::putRecentFirst(const QUrl &url)
{
    QList<QUrl> urls = m_recentRaceUrls;
    urls.removeIf([&](const QUrl &entry) { return samePath(entry, url); });
    urls.prepend(url);
    if (urls.size() > maxRecentRaces)
        urls.resize(maxRecentRaces);
    setRecentRaceUrls(std::move(urls));
}

void RaceStore::removeRecentRaceUrl(const QUrl &url)
{
    // A queued autosave's addition must not bring back an entry removed after it.
    flushAutosave();
    QList<QUrl> urls = m_recentRaceUrls;
    urls.removeIf([&](const QUrl &entry) { return samePath(entry, url); });
    setRecentRaceUrls(std::move(urls));
}

void RaceStore::newRace()
{
    flushAutosave();
    m_replacedByNewRace.emplace(m_race, m_raceFileUrl);
    startUnsavedDocument(Race());
    setNeedsInitialSetup(true);
}

void RaceStore::abandonNewRace()
{
    if (!m_needsInitialSetup || !m_replacedByNewRace)
        return;
    auto [race, url] = *std::exchange(m_replacedByNewRace, std::nullopt);
    std::optional<Race> fromFile = url.isEmpty() ? std::nullopt : readEventFile(url);
    if (!fromFile || !openEvent(*fromFile, url)) {
        // Not the same document any more: it starts a journal of its own, as a new race does.
        race.journalEventId.reset();
        race.journalThrough.reset();
        startUnsavedDocument(race);
    }
    setNeedsInitialSetup(false);
}

void RaceStore::startUnsavedDocument(const Race &race)
{
    flushAutosave();
    ++m_documentGeneration;
    m_race = race;
    adoptRace();
    publishRace();
    if (!m_raceFileUrl.isEmpty())
        setRaceFileUrl(QUrl());
    // The new event exists only in memory until this write succeeds: shown and tried again like
    // any failed write.
    if (m_localStore->save(m_race))
        trimJournal(true);
    else
        setWriteError(m_localStore->lastError());
    setUnreadableEventFile(QUrl(), QString());
}

void RaceStore::autosave()
{
    // A new change tries every waiting write now; a refusal waits the first delay again.
    if (!m_retrying)
        m_retryAttempt = 0;
    m_retryTimer.stop();
    // The timer just stopped may have been the unsent results' only retry.
    if (!m_outboxError.isEmpty())
        keepOutbox(m_syncEngine->pendingResults());
    journalChanges();
    saveJournalled();
}

void RaceStore::saveJournalled()
{
    if (!m_retrying)
        m_retryAttempt = 0;
    // Unsent results the disk refused were tried just now (by the change that hands them to the
    // engine, or by autosave) and wait for this retry: the files' outcome would not set it again.
    if (m_outboxError.isEmpty())
        m_retryTimer.stop();
    scheduleReadyForCardRead();
    // Every step sees the race as it was when the autosave started (a copy shares its data, so
    // this costs nothing unless a step's callee changes the store's race).
    stampJournalThrough();
    const Race race = m_race;
    step(AutosaveStep::LocalFile);
    bool written = true;
    if (m_writer) {
        // One job for both files, queued first so the writer starts while the rest runs here.
        writeFullFiles(race);
    } else {
        written = m_localStore->save(race);
    }
    step(AutosaveStep::Broadcast);
    broadcastJournalled();
    step(AutosaveStep::LiveResultat);
    m_liveResultatPublisher->raceDidChange(race);
    step(AutosaveStep::Metsa);
    m_metsaPublisher->raceDidChange(race);
    if (!m_raceFileUrl.isEmpty()) {
        step(AutosaveStep::EventFile);
        if (m_writer)
            return; // already part of the queued job
        QString error;
        const bool saved = save(m_raceFileUrl, &error);
        if (!saved) {
            logLine(QStringLiteral("SI: autosave failed: ") + error);
            written = false;
        }
        setWriteError(saved ? (written ? QString() : m_localStore->lastError()) : error);
    } else if (!m_writer) {
        setWriteError(written ? QString() : m_localStore->lastError());
    }
    if (!m_writer && written)
        trimJournal(true);
}

void RaceStore::broadcastJournalled()
{
    // While the journal fails, its state stays behind the race: the records that bring it on
    // come once it works again, or a snapshot of the race as it is.
    const bool failing = !m_journalError.isEmpty();
    if (!failing && m_unbroadcast && m_unbroadcast->isEmpty())
        return;
    const std::optional<QByteArrayList> records
        = failing ? std::nullopt : std::exchange(m_unbroadcast, QByteArrayList());
    if (failing)
        m_unbroadcast.reset();
    m_syncEngine->broadcastRace(failing ? m_race : m_journalled, records);
}

void RaceStore::stampJournalThrough()
{
    if (const qint64 through = m_journal->lastSequence(); through > 0)
        m_race.journalThrough = through;
}

void RaceStore::trimJournal(bool everyFile)
{
    m_journal->trimThrough(
        m_journal->lastSequence(), everyFile ? m_race.journalEventId : std::optional<QUuid>());
}

bool RaceStore::resultsAsJournalled() const
{
    return m_resultsAsJournalled && m_race.results.isSharedWith(*m_resultsAsJournalled)
        && m_race.results.size() == m_resultsAsJournalled->size();
}

bool RaceStore::journalChanges(std::optional<qsizetype> resultsKept)
{
    // Whatever this record does, the journal's state is no longer the one the share was taken
    // with (the caller of a card read takes it again).
    m_resultsAsJournalled.reset();
    std::optional<PreparedChange> prepared = std::exchange(m_prepared, std::nullopt);
    const QUuid event = *m_race.journalEventId;
    // Until the files carry the event's id, replay has nothing the records could be applied to
    // but a record of the whole event; it goes first, once.
    const bool whole = m_journal->writtenEvent() != event && !m_journal->holdsWholeEvent(event);
    QString error;
    RaceChanges changes;
    std::optional<RaceChangeText> change;
    if (whole) {
        change = encodeWholeRace(m_race, &error);
    } else if (prepared && !resultsKept && sharesRecords(prepared->journalled, m_journalled)
        && sharesRecords(prepared->after, m_race)) {
        changes = std::move(prepared->changes);
        change = std::move(prepared->text);
    } else {
        changes = resultsKept ? diffRace(m_journalled, m_race, *resultsKept) : diffRace(m_journalled, m_race);
        change = encodeRaceChanges(changes, &error);
    }
    // Its shares go before anything changes the lists they hold (which would copy them).
    prepared.reset();
    if (!change) {
        // A value the event file cannot hold either: the full writes fail on it too. Shown, as
        // no later change can be recorded until it is gone.
        logLine(QStringLiteral("RaceStore: journal: change not recorded: ") + error);
        m_journalError = error;
        updateAutosaveError();
        return false;
    }
    if (!change->body.isEmpty() && !m_journal->append(change->body, event, whole, &error)) {
        m_journalError = error;
        updateAutosaveError();
        scheduleRetry();
        return false;
    }
    if (whole)
        m_unbroadcast.reset();
    else if (m_unbroadcast && !change->body.isEmpty())
        m_unbroadcast->append(change->body);
    if (whole) {
        m_journalled = m_race;
    } else {
        // The journal's state keeps a result list of its own, brought up to date by the change
        // just written, never a share of the race's: a share would make the next card read
        // append to a shared list and so copy all of it before its line is synced, and taking
        // the race's list here would free the old copy (both a few milliseconds on a large
        // event). Everything else is taken from the race as it is, shared: it changes far less
        // often than it would be compared (a card read's diff skips a list still shared). Only
        // the results are brought up to date: the rest would be dropped at once.
        applyResultChanges(m_journalled.results, changes);
        Race state = m_race;
        state.results = std::move(m_journalled.results);
        m_journalled = std::move(state);
    }
    scheduleReadyForCardRead();
    if (!m_journalError.isEmpty()) {
        m_journalError.clear();
        updateAutosaveError();
    }
    return true;
}

void RaceStore::enqueueFullWrite(const Race &race, bool withEventFile)
{
    AutosaveJob job {race, m_localStore->filePath(), std::nullopt, {}, {}};
    if (!m_localStore->keepDamagedFile())
        job.localRefused = m_localStore->lastError();
    const bool everyFile = withEventFile || m_raceFileUrl.isEmpty();
    if (withEventFile && !m_raceFileUrl.isEmpty()) {
        job.eventPath = m_raceFileUrl.toLocalFile();
        job.eventUrl = m_raceFileUrl;
    }
    // The event's id goes with the trim only when the job writes every file start-up reads.
    job.afterWritten = [journal = m_journal, through = race.journalThrough.value_or(0),
                           event = everyFile ? race.journalEventId : std::nullopt] {
        journal->trimThrough(through, event);
    };
    m_writer->enqueue(std::move(job));
}

void RaceStore::writeFullFiles(const Race &race, bool withEventFile)
{
    if (m_fullWriteGap.count() == 0) {
        enqueueFullWrite(race, withEventFile);
        return;
    }
    m_fullWriteLocalOnly = (!m_fullWritePending || m_fullWriteLocalOnly) && !withEventFile;
    m_fullWritePending = true;
    if (!m_fullWriteTimer.isActive()) {
        const qint64 since
            = m_sinceFullWrite.isValid() ? m_sinceFullWrite.elapsed() : qint64(m_fullWriteGap.count());
        m_fullWriteTimer.start(int(std::max<qint64>(0, m_fullWriteGap.count() - since)));
    }
}

void RaceStore::writePendingFullFiles()
{
    m_fullWriteTimer.stop();
    if (!m_fullWritePending)
        return;
    m_fullWritePending = false;
    // The state of the last journal line, not the race now: a change still under way (the steps
    // of an import) must not reach the files before its line. Only when the journal could not be
    // written do the files take the race as it is: they are then the only way to the disk.
    Race race = m_journalError.isEmpty() ? m_journalled : m_race;
    if (const qint64 through = m_journal->lastSequence(); through > 0)
        race.journalThrough = through;
    // Copies of its own of the large lists: while the writer reads them, the race changes on
    // without copying them first (on a card read, before its line is synced).
    race.results = QList<PersonResult>(race.results.cbegin(), race.results.cend());
    race.participants = QList<Participant>(race.participants.cbegin(), race.participants.cend());
    enqueueFullWrite(race, !std::exchange(m_fullWriteLocalOnly, false));
    // The gap runs from here as well as from the write's outcome: until the first outcome of a
    // newly opened event arrives, every change would otherwise queue another full write.
    m_sinceFullWrite.start();
}

void RaceStore::readyForCardRead()
{
    m_readyPending = false;
    // The share only shows that nothing touched the list: let go of it while the lists are made
    // their own, and take it again on the race's (the same results, still the journal's). A new
    // document's lists are one list. Once cards are being read, the lists are compared after any
    // other record, here in idle time rather than on the next read, before the line the reader
    // waits for (not before: an import's steps on a large event would pay for it each time).
    const bool asJournalled = resultsAsJournalled() || m_race.results.isSharedWith(m_journalled.results)
        || (m_cardsRead && sameResults(m_journalled.results, m_race.results));
    m_resultsAsJournalled.reset();
    // A list that something else shares (the journal's state and the race each other's, the
    // live results' waiting copy the race's) gets a copy of its own, and one without room a
    // larger one; the journal's first, so that the race's list is then often its own already.
    const qsizetype room = m_race.results.size() + std::max<qsizetype>(1024, m_race.results.size() / 4);
    for (QList<PersonResult> *list : {&m_journalled.results, &m_race.results}) {
        if (readyForAppend(*list))
            continue;
        QList<PersonResult> own;
        own.reserve(std::max(room, list->size() + resultsAhead));
        own.append(*list);
        *list = std::move(own);
    }
    if (asJournalled)
        m_resultsAsJournalled = m_race.results;
}

void RaceStore::flushAutosave()
{
    if (!m_writer)
        return;
    writePendingFullFiles();
    m_writer->drain();
    applyAutosaveOutcomes();
}

void RaceStore::applyAutosaveOutcomes()
{
    if (!m_writer)
        return;
    // Also reached by the queued notices of outcomes a flush has already applied: then empty.
    for (const AutosaveOutcome &outcome : m_writer->takeOutcomes()) {
        m_sinceFullWrite.start();
        if (outcome.localError)
            logLine(QStringLiteral("RaceStore: local autosave failed: ") + *outcome.localError);
        if (outcome.hadEventFile) {
            if (outcome.eventError)
                logLine(QStringLiteral("SI: autosave failed: ") + *outcome.eventError);
            else
                eventFileSaved(outcome.eventUrl);
        }
        // Either file failing is shown: the local autosave is the copy start-up falls back on.
        setWriteError(outcome.eventError.value_or(outcome.localError.value_or(QString())));
    }
}

void RaceStore::setWriteError(const QString &error)
{
    m_writeError = error;
    if (error.isEmpty())
        m_retryAttempt = 0;
    else
        scheduleRetry();
    updateAutosaveError();
}

QString RaceStore::outboxErrorText(const QString &reason) const
{
    return QStringLiteral("Results not yet sent to the master could not be kept in %1 (%2); they are held "
                          "only in memory until that works.")
        .arg(QDir::toNativeSeparators(m_outboxFile->filePath()), reason);
}

void RaceStore::keepOutbox(const QList<PersonResult> &results)
{
    QString error;
    // An outbox that could not be emptied holds only results the master has: nothing is at risk,
    // unless it is a damaged file that could not be moved aside.
    if (m_outboxFile->save(results, &error) || (results.isEmpty() && !m_outboxFile->holdsDamagedFile()))
        error.clear();
    else
        error = outboxErrorText(error);
    if (!error.isEmpty())
        scheduleRetry();
    if (error == m_outboxError)
        return;
    m_outboxError = error;
    updateAutosaveError();
}

void RaceStore::updateAutosaveError()
{
    QString error = m_writeError;
    if (!m_journalError.isEmpty())
        error = QStringLiteral("Changes cannot be recorded as they are made (%1); they are kept only in "
                               "memory until a save succeeds.")
                    .arg(m_journalError)
            + (error.isEmpty() ? QString() : u' ' + error);
    if (!m_outboxError.isEmpty())
        error = m_outboxError + (error.isEmpty() ? QString() : u' ' + error);
    if (m_autosaveError == error)
        return;
    m_autosaveError = error;
    emit autosaveErrorChanged();
}

void RaceStore::scheduleRetry()
{
    // 1, 2, 4, ... 60 seconds: soon after space returns, without hammering a disk that refuses.
    // Only retries that fail grow it: a new change starts it over (see autosave), and a retry
    // due later than that is brought forward.
    const int delay = int(m_firstRetryDelay.count()) * std::min(60, 1 << std::min(m_retryAttempt, 6));
    if (m_retryTimer.isActive() && m_retryTimer.remainingTime() <= delay)
        return;
    ++m_retryAttempt;
    m_retryTimer.start(delay);
}

void RaceStore::retryFromTimer()
{
    // No new change: a refusal now grows the back-off.
    m_retrying = true;
    const auto retried = qScopeGuard([this] { m_retrying = false; });
    if (!m_outboxError.isEmpty()) {
        keepOutbox(m_syncEngine->pendingResults());
        if (m_writeError.isEmpty() && m_journalError.isEmpty())
            return;
    }
    // The timer may fire between the steps of an operation (an import applied through the event
    // loop): only a journal that failed takes the race as it is now; otherwise the files get the
    // state of the last journal line.
    if (!m_writer || !m_journalError.isEmpty()) {
        autosave();
        return;
    }
    m_fullWritePending = true;
    writePendingFullFiles();
}

bool RaceStore::retryFailedWrites()
{
    flushAutosave();
    if (!m_outboxError.isEmpty())
        keepOutbox(m_syncEngine->pendingResults());
    if (!m_autosaveError.isEmpty() || !m_journal->isEmpty()) {
        autosave();
        flushAutosave();
    }
    const bool written = m_autosaveError.isEmpty() && m_journal->isEmpty();
    // A failure keeps its timer: the writes are tried again with the back-off.
    if (written)
        m_retryTimer.stop();
    return written;
}

// ---- Per-stage values --------------------------------------------------------------------------

std::optional<QDateTime> RaceStore::scheduledStartTime(const Participant &participant) const
{
    return ::scheduledStartTime(m_race, participant);
}

std::optional<QString> RaceStore::effectiveClassId(const Participant &participant) const
{
    return ::effectiveClassId(m_race, participant);
}

std::optional<QString> RaceStore::effectiveCourseId(const Participant &participant) const
{
    return ::effectiveCourseId(m_race, participant);
}

void RaceStore::setStartTime(const std::optional<QDateTime> &value, qsizetype index)
{
    ::setStartTime(m_race, value, index);
    publishRace();
}

void RaceStore::setClassId(const std::optional<QString> &value, qsizetype index)
{
    ::setClassId(m_race, value, index);
    publishRace();
}

void RaceStore::setCourseId(const std::optional<QString> &value, qsizetype index)
{
    ::setCourseId(m_race, value, index);
    publishRace();
}

// ---- Station sync and check-in callbacks -------------------------------------------------------

void RaceStore::applyReceivedSnapshot(Race race)
{
    // This runs on the thread that serves the card reader, while a station may be waiting for
    // its next block request: nothing here waits for a write or walks the whole event.
    // A master that has not named its event yet sends none: the station's own name stays.
    const std::optional<QUuid> event = m_race.journalEventId;
    const QList<UnknownCard> ownCards = ownUnknownCards();
    // What this station's screens look at is its own; the master's active stage is where reads go.
    std::optional<QString> shown = std::move(m_race.shownStageId);
    m_race = std::move(race);
    if (shown && std::any_of(m_race.stages.cbegin(), m_race.stages.cend(), [&shown](const Stage &stage) {
            return sameId(stage.id, *shown);
        }))
        m_race.shownStageId = std::move(shown);
    keepOwnUnknownCards(ownCards);
    if (!m_race.journalEventId)
        m_race.journalEventId = event;
    // The master's sequence numbers are not this station's.
    m_race.journalThrough.reset();
    stampJournalThrough();
    // The journal's lines stay as they are: the files about to be written say they hold every
    // one of them, so replay skips them either way (dropping them here would rewrite the journal
    // and wait for two syncs).
    adoptRace(false);
    publishRace();
    if (m_writer) {
        // Written by the background writer behind every earlier write, so that the file never
        // goes back to an older race, and at most every full-write gap (the master may send its
        // event several times a second); the journal is trimmed once it is on disk. Until then a
        // crash leaves the file before it and the journal's records after it: this station's own
        // reads are in those and in its unsent results, and the master sends its race again when
        // the station connects. Until the files carry the master's event, though, the next
        // change here would be journalled with the whole event (tens of megabytes, written and
        // synced while a card read waits): that first write does not wait for the gap.
        if (m_journal->writtenEvent() == m_race.journalEventId)
            writeFullFiles(m_race, false);
        else
            enqueueFullWrite(m_race, false);
    } else if (m_localStore->save(m_race)) {
        // Start-up reads the open event file first, which this write leaves behind.
        trimJournal(m_raceFileUrl.isEmpty());
    } else {
        // The journal holds no record of the received race: until this write succeeds it lives
        // in memory only, which must be shown and tried again like any failed write. A success
        // clears nothing: an earlier failure of the event file is not mended by it.
        setWriteError(m_localStore->lastError());
    }
    // The master's change is a new change here too: the results it does not hold yet go into
    // their file now if they wait for it (a kill would otherwise lose them for the master, the
    // race just written holding them without the file that sends them), and what else waits is
    // tried after the first delay, not after the back-off grown while the disk refused. Only an
    // outbox that failed is written here: a card read does not wait for it otherwise.
    m_retryAttempt = 0;
    if (!m_outboxError.isEmpty())
        keepOutbox(m_syncEngine->pendingResults());
    if (!m_writeError.isEmpty() || !m_journalError.isEmpty())
        scheduleRetry();
}

QList<UnknownCard> RaceStore::ownUnknownCards() const
{
    QList<UnknownCard> own;
    if (m_race.unknownCards) {
        for (const UnknownCard &card : *m_race.unknownCards) {
            if (!m_receivedUnknownCards.contains(card.id))
                own.append(card);
        }
    }
    return own;
}

void RaceStore::keepOwnUnknownCards(const QList<UnknownCard> &own)
{
    // The cards this station read that no entry held are not in the master's race: they stay
    // until a result here settles them or they are dismissed here. The master's own kept cards
    // come and go with its race.
    m_receivedUnknownCards.clear();
    if (m_race.unknownCards) {
        for (const UnknownCard &card : *m_race.unknownCards)
            m_receivedUnknownCards.insert(card.id);
    }
    for (const UnknownCard &card : own) {
        if (m_receivedUnknownCards.contains(card.id))
            continue;
        if (!m_race.unknownCards)
            m_race.unknownCards.emplace();
        m_race.unknownCards->append(card);
    }
}

void RaceStore::applyReceivedResult(const PersonResult &result)
{
    auto it = std::find_if(m_race.results.begin(), m_race.results.end(),
        [&](const PersonResult &r) { return r.id == result.id; });
    qsizetype index = m_race.results.size();
    if (it != m_race.results.end()) {
        index = it - m_race.results.begin();
        *it = result;
    } else if (repeatedResult(m_race, result)) {
        // The same read-out, read at another station as well (two slaves reading one card at
        // once): one result. Nothing changes; the station that sent it hears that the event it
        // has is the master's, and drops its copy, as that event holds the read-out.
        return;
    } else {
        m_race.results.append(result);
    }
    // The station evaluated it with the start times it last heard of: a start time changed here
    // since is this race's.
    followPlannedStart(m_race, index);
    // Read at another station, the runner started all the same.
    (void)clearNotStartedMark(m_race, m_race.results.at(index));
    commitChange();
}

void RaceStore::applyReceivedReadOut(const PersonResult &readOut)
{
    m_readOutIdentity.emplace(readOut.id, readOut.readAt);
    const auto done = qScopeGuard([this] { m_readOutIdentity.reset(); });
    (void)recordReading(false, readOut.cardNumber, readOut.cardNumber,
        readOut.punches.value_or(QList<SIPunch>()), std::nullopt, readOut.cardStartTime, readOut.finishTime,
        std::nullopt);
}

std::optional<ChecklistCredentials> RaceStore::checklistCredentials() const
{
    const QString &apiKey = m_vexloWebSettings->apiKey();
    if (apiKey.isEmpty() || !m_race.vexloWebChecklistKey || m_race.vexloWebChecklistKey->isEmpty())
        return std::nullopt;
    return ChecklistCredentials {apiKey, *m_race.vexloWebChecklistKey};
}

void RaceStore::applyChecklistCheckins(const QList<ChecklistEntry> &entries)
{
    // A pull that changes nothing neither publishes nor saves.
    if (::applyChecklistCheckins(m_race, entries, m_clock()))
        commitChange();
}
