#pragma once

// The local-network exchange of the race between stations: one master, any number of slaves.
//
// A master listens on a TCP port the system chooses and advertises it by zero-conf. After every
// commit it sends every slave what that commit changed, as the change journal records it
// (racechanges.h), numbered: each change names the master's event, the run of numbers of this
// start of the master, its number, the number it follows and the digest of the event after it.
// A slave applies a change only to the state it was made from and only keeps it when the digest
// agrees; on any gap, another event or run, or a change that does not apply, it asks for a
// snapshot (the whole event, packed) and takes no change until it has one. A slave gets a
// snapshot when it says hello, so at every join and reconnection. A slave browses for the
// service under the name it was set to, connects, says hello and submits every result it
// records; the master's change holding that result goes back to every slave.
// Results a slave records wait in its outbox (which the store keeps on disk) until the master's
// event holds them, as a snapshot or a change shows: after every reconnection and every restart
// they are sent again once the master's answer to the hello shows it lacks them, and the master's
// event never removes one of them from the slave's race. Stations of another version of the
// exchange are refused, and say so.
//
// A slave reads what its master sends on a thread of its own (see SnapshotIntake in the source):
// an event of tens of megabytes takes a good part of a second to read, and the main thread, which
// also serves the station's card reader, must never wait for it.
//
// Only the event's own stations take part. Every connection is TLS 1.2 with a key derived from
// the event's station key (see stationkey.h); a peer that does not prove the key within the
// handshake time-out is closed before a single byte of the event is sent to it or read from it.
// After the handshake everything is still bounded: frames by role, buffered input in total, the
// number of connections, and what waits per connection (changes up to a bound, past which the
// connection gets the newest snapshot instead, and one snapshot at a time). Heartbeats (empty frames) let
// both ends notice a peer that has vanished.

#include "race.h"
#include "racechanges.h"
#include "servicediscovery.h"
#include "stationsettings.h"
#include "syncmessage.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class SnapshotIntake;
class SyncPeer;
class SyncServer;

// One open connection to another station. Sends are fire-and-forget: failures are not observed.
class SyncConnection
{
public:
    virtual ~SyncConnection() = default;
    virtual void send(const QByteArray &frame) = 0;
    // One change of the master's event: changes go in the order given.
    virtual void sendChange(const QByteArray &frame) { send(frame); }
    // A whole-event snapshot: its head and pieces one by one, or, where the connection does not
    // take pieces, one frame holding the whole event.
    virtual void sendSnapshot(const QByteArray &frame) { send(frame); }
    // The engine's own connections take a snapshot in pieces, as they are ready for them; one
    // made elsewhere gets it whole unless it says it takes pieces.
    [[nodiscard]] virtual bool takesSnapshotPieces() const { return false; }
    // False while a connection to the master is still being made.
    [[nodiscard]] virtual bool isReady() const { return true; }
    // Who is at the other end, for log lines.
    [[nodiscard]] virtual QString describe() const { return QStringLiteral("a station"); }
};

// How the station's state should be shown: its status dot follows this, never the running flag
// alone.
enum class SyncStatusLevel { Idle, Working, Ok, Failed };

// The engine's limits. The defaults suit a race day; tests shorten the times.
struct SyncLimits
{
    // A peer must prove the key within this time from its connection, whatever it sends.
    std::chrono::milliseconds handshakeTimeout {10000};
    // Heartbeats go out this often on an idle connection; a connection on which nothing arrived
    // for `silenceTimeout` is closed (a slave then searches for its master again).
    std::chrono::milliseconds heartbeatInterval {5000};
    std::chrono::milliseconds silenceTimeout {20000};
    // Connections that have proved the key, and connections still in their handshake. Far below
    // any process's file-descriptor limit; when the handshakes are full the oldest is closed, so
    // a flood of idle connections cannot keep a real station out.
    int maxStations = 64;
    int maxHandshakes = 16;
    // The largest frame a master accepts (a result with its punches is a few kilobytes) and the
    // bytes of unfinished frames all a master's connections together may hold (a slave's one
    // connection is bounded by the largest snapshot it accepts).
    quint32 maxMasterFrameBytes = 1024 * 1024;
    qint64 totalInputBudget = 64 * 1024 * 1024;
    // The largest frame a slave accepts from its master: it closes a connection that announces
    // a longer one. A snapshot goes in pieces of a few megabytes, so the event has no bound of
    // its own. The default is the protocol's.
    quint32 maxSnapshotBytes = maxSyncFrameBodyBytes;
    // What a slave's intake may hold of what its master sent before it reads no more from the
    // connection (the master then waits): a snapshot's pieces arrive faster than they are read.
    qint64 intakeBacklogBytes = 8 * 1024 * 1024;
    // A change packed larger than this goes to the slaves as a snapshot instead, and so does
    // everything a slave has not taken yet once its waiting changes pass `maxQueuedChangeBytes`.
    qint64 maxChangeBytes = 8 * 1024 * 1024;
    qint64 maxQueuedChangeBytes = 8 * 1024 * 1024;
    // A slave's changes received but not yet taken in (its intake thread busy with a large
    // event): past this many bytes it lets them go and asks for a snapshot, which holds what they
    // would bring. Twice the largest change a master sends as one, and the changes of thousands
    // of card reads.
    qint64 maxIntakeChangeBytes = 16 * 1024 * 1024;
};

// What a master has sent: frames and bytes (length prefix included) of changes and of snapshots.
struct SyncTraffic
{
    qint64 changes = 0;
    qint64 changeBytes = 0;
    qint64 snapshots = 0;
    qint64 snapshotBytes = 0;
};

struct SlaveEvent;

class SyncEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(int connectedStationCount READ connectedStationCount NOTIFY connectedStationCountChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(int statusLevel READ statusLevelValue NOTIFY statusTextChanged)
    Q_PROPERTY(QString refusalText READ refusalText NOTIFY refusalTextChanged)

public:
    // Discovery through the system's Avahi daemon.
    explicit SyncEngine(QObject *parent = nullptr);
    // Discovery from `discovery` (one object per start); tests pass a directory of their own.
    explicit SyncEngine(ServiceDiscoveryFactory discovery, QObject *parent = nullptr);
    ~SyncEngine() override;

    // Called on the main thread (on a slave) with the master's event, with this station's unsent
    // results added, whenever a snapshot or a change has brought it further (the race is the
    // callee's to keep), and for each submitted result (on the master). Installing replaces any
    // earlier callback. A slave hands on only the newest state when several arrived while it was
    // still reading one.
    std::function<void(Race race)> onSnapshotReceived;
    std::function<void(const PersonResult &)> onResultSubmitted;
    // On the master, for a read-out a slave made before it held the master's event (a result
    // without a runner, see SyncMessage): to be recorded as this station records its own reads,
    // the result or the kept card taking the read-out's id.
    std::function<void(const PersonResult &)> onReadOutSubmitted;
    // The master's race as of its last broadcast (a slave's snapshot): whoever keeps the race
    // broadcasts whatever it recorded since before it returns.
    std::function<std::optional<Race>()> currentRace;
    // The outbox after every change, before any of it is sent: whoever keeps it on disk must
    // have done so when this returns.
    std::function<void(const QList<PersonResult> &)> onOutboxChanged;

    [[nodiscard]] bool isRunning() const { return m_isRunning; }
    [[nodiscard]] int connectedStationCount() const { return int(m_connections.size()); }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] SyncStatusLevel statusLevel() const { return m_statusLevel; }
    [[nodiscard]] int statusLevelValue() const { return int(m_statusLevel); }
    // Why the last connection was refused (empty until one is); verbatim, like the status.
    [[nodiscard]] const QString &refusalText() const { return m_refusalText; }
    // The role and id given to the last start; a stop leaves them as they are.
    [[nodiscard]] StationRole role() const { return m_role; }
    [[nodiscard]] const QString &stationId() const { return m_stationId; }
    // The port a running master listens on (0 otherwise).
    [[nodiscard]] quint16 listenPort() const;
    // On a slave: whether it has had the master's event since it was started. Until then every
    // card read here goes to the master as a read-out (see onReadOutSubmitted).
    [[nodiscard]] bool holdsMasterEvent() const { return m_holdsMasterEvent; }
    // Results recorded on this slave that the master's event does not hold yet.
    [[nodiscard]] int pendingResultCount() const { return int(m_outbox.size()); }
    [[nodiscard]] const QList<PersonResult> &pendingResults() const { return m_outbox; }
    // Connections this engine holds open, handshaking or not.
    [[nodiscard]] int openConnectionCount() const { return int(m_ownedPeers.size()); }
    // Bytes waiting to go out on this engine's connections (written but not yet taken by the
    // system, plus snapshots held back), and bytes of unfinished frames read so far.
    [[nodiscard]] qint64 queuedOutputBytes() const;
    [[nodiscard]] qint64 bufferedInputBytes() const;
    // On a slave: bytes of the master's messages received and waiting for its intake thread
    // (snapshots aside), now and at most since the engine was made.
    [[nodiscard]] qint64 queuedIntakeBytes() const;
    [[nodiscard]] qint64 peakIntakeBytes() const;
    // For tests: while held, the intake thread takes nothing in, as when it is busy reading a
    // large event.
    void holdIntake(bool held);

    // The outbox a previous run left on disk; on a slave, sent as soon as it is connected.
    void restoreOutbox(const QList<PersonResult> &results);

    // `stationKey` is the event's key as typed (see stationkey.h); without a valid one a master
    // or slave does not start, nor with a service name that has a `serviceNameProblem` (the
    // status is then that problem).
    void start(StationRole role, const QString &stationId, const QString &serviceName,
        const QString &stationKey = {});
    // A new key (as typed) while running: every connection from now on proves it, those that
    // proved another are closed, and a slave looks for its master again at once. A key that is
    // not valid, or the key in use, changes nothing; a stopped engine takes its key at start.
    void setStationKey(const QString &stationKey);
    // Closes the listener, the browse and every connection; "Not started". Nothing that was
    // under way reports afterwards. The outbox is kept for the next start.
    void stop();

    // On a master, after its commits: `records` are the change journal's records of them
    // (racechanges.h, the bodies the journal's lines hold), which lead from the state of the last
    // call to `race`. They go to every slave as one numbered change, written once and checked by
    // the digest of `race`; none means nothing changed. Without records (what changed is not
    // known), for another event, or when the change would be too large, every slave gets a
    // snapshot of `currentRace` instead. The engine keeps nothing of the race itself.
    void broadcastRace(const Race &race, const std::optional<QByteArrayList> &records);
    [[nodiscard]] const SyncTraffic &traffic() const { return m_traffic; }
    // The number of the master's state (0 at its start).
    [[nodiscard]] qint64 sequence() const { return m_sequence; }
    // A result recorded on this slave: into the outbox (and so on disk), not sent yet.
    void keepResult(const PersonResult &result);
    // A result recorded on this slave: into the outbox unless kept already, and, when
    // connected, to the master.
    void submitResult(const PersonResult &result);

    // The slave's waits before connecting again: `first`, doubling up to `longest`.
    void setReconnectDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest);
    // Takes effect at the next start.
    void setLimits(const SyncLimits &limits) { m_limits = limits; }
    [[nodiscard]] const SyncLimits &limits() const { return m_limits; }
    // Takes effect at the next start.
    void setDiscoveryFactory(ServiceDiscoveryFactory discovery) { m_discoveryFactory = std::move(discovery); }

    // Connections made elsewhere (not owned), e.g. by a test: taken as proven. The engine's own
    // connections are registered the same way once their peer has proved the key.
    void addConnection(SyncConnection *connection);
    void removeConnection(SyncConnection *connection);
    [[nodiscard]] const QList<SyncConnection *> &connections() const { return m_connections; }
    // Hands a received frame body to the engine as if it had come on `connection`, and handles it
    // before returning.
    void receive(SyncConnection *connection, const QByteArray &body);

signals:
    void isRunningChanged();
    void connectedStationCountChanged();
    void statusTextChanged();
    void refusalTextChanged();

private:
    friend class SnapshotIntake;
    friend class SyncPeer;
    friend class SyncServer;

    void startMaster(const QString &serviceName);
    void startSlave();
    void accept(qintptr descriptor);
    void servicesChanged(const QList<DiscoveredService> &services);
    void connectTo(const DiscoveredService &service);
    void connectToNextCandidate();
    void scheduleReconnect();
    void watch(SyncPeer *peer);
    void peerProved(SyncPeer *peer);
    void peerGone(SyncPeer *peer, const QString &refusal);
    void heartbeat();
    void setRunning(bool running);
    void setStatus(const QString &text, SyncStatusLevel level);
    void setRefusal(const QString &text);
    void setOutbox(QList<PersonResult> outbox);
    // On a slave connected to its master: the status, which says when it has no copy of the
    // event yet and why.
    void showConnected();
    void sendOutbox(SyncConnection *connection);
    void handle(SyncConnection *connection, SyncMessage message);
    // On a slave: what its intake has read, if the connection it came on is still the one to the
    // master.
    void takeDecoded();
    void handleSlaveEvent(SyncConnection *connection, SlaveEvent event);
    // The master's event with this slave's unsent results, handed on.
    void deliverMasterRace(SyncConnection *connection, const Race &master);
    [[nodiscard]] quint32 maxFrameBytes() const;
    // On a master: the snapshot of its state now, to be sent in pieces (shared by every
    // connection that starts one at this state), or nothing when it cannot be encoded (the status
    // then says so until a snapshot can be sent again).
    [[nodiscard]] std::shared_ptr<SnapshotPieces> snapshotPieces();
    // A piece of the snapshot of `sequence` could not be encoded (`error`): no snapshot of that
    // state goes out.
    void snapshotFailed(qint64 sequence, const QString &error);
    // A snapshot went out whole: the master says it runs again if it had said otherwise.
    void snapshotSent();
    void snapshotTo(SyncConnection *connection);
    // On a master: takes the store's race as it is now (a slave about to get a snapshot).
    void catchUp();
    void countSnapshot(qint64 bytes);
    [[nodiscard]] std::optional<QByteArray> confirmationFrame();
    // On a master that cannot send a snapshot: the notice saying why (nothing otherwise).
    [[nodiscard]] std::optional<QByteArray> withheldFrame() const;
    // The race of the master's state now, without this station's journal's bookkeeping.
    [[nodiscard]] std::optional<Race> sentRace();
    [[nodiscard]] const QByteArray &sentDigest();
    void refuseOtherVersion(SyncConnection *connection);
    // On a slave: the master sent a frame larger than this station accepts. Connecting again
    // would only fetch the same frame again, so the slave stops trying until it is started
    // again.
    void refuseOversizedSnapshot(quint32 length);
    // On a slave: its intake has room again for what the master sends.
    void resumeIntake();

    ServiceDiscoveryFactory m_discoveryFactory;
    SyncLimits m_limits;
    bool m_isRunning = false;
    QString m_statusText = QStringLiteral("Not started");
    SyncStatusLevel m_statusLevel = SyncStatusLevel::Idle;
    QString m_refusalText;
    QString m_stationId;
    QString m_serviceName;
    QByteArray m_preSharedKey;
    StationRole m_role = StationRole::Standalone;
    SyncServer *m_server = nullptr;
    std::unique_ptr<ServiceDiscovery> m_discovery;
    // Proven connections (and those added from outside), in the order they were proven.
    QList<SyncConnection *> m_connections;
    // Every connection this engine made or accepted, handshaking or proven, oldest first.
    // Connections added from outside are never touched beyond send(): they may already be gone
    // at a stop.
    QList<SyncPeer *> m_ownedPeers;
    // On a slave: the master's services under its name, and the one being tried or held.
    QList<DiscoveredService> m_services;
    std::optional<DiscoveredService> m_knownMaster;
    int m_nextCandidate = 0;
    // On a slave: proven, and the master's first snapshot not yet in.
    bool m_outboxAwaitsSnapshot = false;
    // On a slave: the master's event has come since the start, and, until it has, why not (the
    // master's own words when it said why).
    bool m_holdsMasterEvent = false;
    QString m_noEventReason;
    // On a master: why no snapshot can go out now (empty when one can).
    QString m_withheldReason;
    // On a master: the last snapshot could not be encoded. On a slave: it stopped for a frame too
    // large.
    bool m_snapshotTooLarge = false;
    QTimer m_reconnectTimer;
    QTimer m_heartbeatTimer;
    std::chrono::milliseconds m_firstDelay {500};
    std::chrono::milliseconds m_longestDelay {10000};
    std::chrono::milliseconds m_nextDelay {500};
    QList<PersonResult> m_outbox;
    // On a master: the run of change numbers of this start, the number of its state, whether it
    // has taken one yet, that state's event and its digest (empty until asked for), and the last
    // snapshot built.
    QUuid m_series;
    qint64 m_sequence = 0;
    bool m_hasState = false;
    std::optional<QUuid> m_sentEvent;
    QByteArray m_sentDigest;
    // Keeps that digest in step with the records sent, at the cost of what they append.
    RaceDigestKeeper m_digests;
    qint64 m_snapshotSequence = -1;
    std::shared_ptr<SnapshotPieces> m_snapshot;
    qint64 m_failedSnapshotSequence = -1;
    SyncTraffic m_traffic;
    // Declared last: its thread is stopped before anything it reports to goes.
    std::unique_ptr<SnapshotIntake> m_intake;
};
