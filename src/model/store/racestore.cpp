#include "racestore.h"

#include "atomicfile.h"
#include "checkins.h"
#include "log.h"
#include "perstage.h"
#include "racejson.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSettings>

namespace {
const QString recentKey = QStringLiteral("recentRaceFilePaths");
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
    m_liveResultatSettings = std::make_unique<LiveResultatSettings>(m_settings.get());
    m_metsaSettings = std::make_unique<MetsaSettings>(m_settings.get());
    m_vexloWebSettings = std::make_unique<VexloWebSettings>(m_settings.get(), m_keyStore.get());
    m_vexloWebVerifier = std::make_unique<VexloWebVerifier>();
    m_vexloWebEventsClient = std::make_unique<VexloWebEventsClient>();
    m_vexloChecklistSettings = std::make_unique<VexloChecklistSettings>(m_settings.get());

    // Loaded as stored: duplicates and a list longer than 8 are only tidied by the next change.
    const QStringList paths = m_settings->value(recentKey).toStringList();
    for (const QString &path : paths)
        m_recentRaceUrls.append(QUrl::fromLocalFile(path));

    m_liveResultatPublisher = std::make_unique<LiveResultatPublisher>(m_liveResultatSettings.get());
    m_metsaPublisher = std::make_unique<MetsaPublisher>(m_metsaSettings.get());
    m_vexloChecklistPuller = std::make_unique<VexloChecklistPuller>(m_vexloChecklistSettings.get());
    m_network = std::make_unique<QNetworkAccessManager>();

    reopenAtStartUp();
    wireSyncCallbacks();
    wireChecklistCallbacks();
}

RaceStore::~RaceStore() = default;

// ---- Published state ---------------------------------------------------------------------------

void RaceStore::setRace(const Race &race)
{
    m_race = race;
    publishRace();
}

void RaceStore::setRaceFileUrl(const QUrl &url)
{
    m_raceFileUrl = url;
    emit raceFileUrlChanged();
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
    m_settings->setValue(recentKey, paths);
}

// ---- Start-up ----------------------------------------------------------------------------------

void RaceStore::reopenAtStartUp()
{
    // No autosave, broadcast or publisher hand-off here: nothing has changed yet.
    if (!m_recentRaceUrls.isEmpty()) {
        const QUrl mostRecent = m_recentRaceUrls.first();
        QString error;
        if (auto race = readEventFile(mostRecent, &error)) {
            m_race = std::move(*race);
            m_raceFileUrl = mostRecent;
            addRecentRaceUrl(mostRecent);
            return;
        }
        // The entry stays in the list, and the file is never written: it is not the open file.
        logLine(QStringLiteral("RaceStore: failed to reopen most recent race file (") + error
            + QStringLiteral(") \u2014 falling back to local autosave"));
    }
    if (auto race = m_localStore->loadAtStartUp())
        m_race = std::move(*race);
}

void RaceStore::wireSyncCallbacks()
{
    QPointer<RaceStore> self(this);
    m_syncEngine->onSnapshotReceived = [self](const Race &race) {
        if (self)
            self->applyReceivedSnapshot(race);
    };
    m_syncEngine->onResultSubmitted = [self](const PersonResult &result) {
        if (self)
            self->applyReceivedResult(result);
    };
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
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return decodeRace(file.readAll(), error);
}

bool RaceStore::save(const QUrl &to, QString *error)
{
    QString reason;
    const QString path = to.toLocalFile();
    if (path.isEmpty()) {
        reason = QStringLiteral("Not a local file: ") + to.toString();
    } else if (const auto json = encodeRace(m_race, JsonLayout::PrettySorted, &reason)) {
        if (writeFileAtomically(path, *json, &reason)) {
            if (m_raceFileUrl != to)
                setRaceFileUrl(to);
            addRecentRaceUrl(to);
            setNeedsInitialSetup(false);
            return true;
        }
    }
    if (error)
        *error = reason;
    return false;
}

void RaceStore::addRecentRaceUrl(const QUrl &url)
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
    QList<QUrl> urls = m_recentRaceUrls;
    urls.removeIf([&](const QUrl &entry) { return samePath(entry, url); });
    setRecentRaceUrls(std::move(urls));
}

void RaceStore::newRace()
{
    m_race = Race();
    publishRace();
    if (!m_raceFileUrl.isEmpty())
        setRaceFileUrl(QUrl());
    m_localStore->save(m_race);
    setNeedsInitialSetup(true);
}

void RaceStore::autosave()
{
    // Every step sees the race as it was when the autosave started (a copy shares its data, so
    // this costs nothing unless a step's callee changes the store's race).
    const Race race = m_race;
    step(AutosaveStep::LocalFile);
    m_localStore->save(race);
    step(AutosaveStep::Broadcast);
    m_syncEngine->broadcastSnapshot(race);
    step(AutosaveStep::LiveResultat);
    m_liveResultatPublisher->raceDidChange(race);
    step(AutosaveStep::Metsa);
    m_metsaPublisher->raceDidChange(race);
    if (m_raceFileUrl.isEmpty())
        return;
    step(AutosaveStep::EventFile);
    QString error;
    if (!save(m_raceFileUrl, &error))
        logLine(QStringLiteral("SI: autosave failed: ") + error);
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

void RaceStore::applyReceivedSnapshot(const Race &race)
{
    m_race = race;
    publishRace();
    m_localStore->save(m_race);
}

void RaceStore::applyReceivedResult(const PersonResult &result)
{
    auto it = std::find_if(m_race.results.begin(), m_race.results.end(),
        [&](const PersonResult &r) { return r.id == result.id; });
    if (it != m_race.results.end())
        *it = result;
    else
        m_race.results.append(result);
    commitChange();
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
