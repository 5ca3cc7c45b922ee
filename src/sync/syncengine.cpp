#include "syncengine.h"

#include "log.h"
#include "racechanges.h"
#include "racejson.h"
#include "readoutmatch.h"
#include "slavemirror.h"
#include "stationkey.h"
#include "syncmessage.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QScopeGuard>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTcpServer>

namespace {

// TLS 1.2 with ephemeral key exchange authenticated by the pre-shared key only: no certificates,
// and a recorded session cannot be read later even by someone who learns the key.
QList<QSslCipher> pskCiphers()
{
    QList<QSslCipher> ciphers;
    for (const char *name : {"ECDHE-PSK-CHACHA20-POLY1305", "ECDHE-PSK-AES256-CBC-SHA384"}) {
        const QSslCipher cipher(QString::fromLatin1(name));
        if (!cipher.isNull())
            ciphers.append(cipher);
    }
    return ciphers;
}

QSslConfiguration tlsConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2);
    // Never empty here (start() refuses without them): an empty list would let Qt fall back to
    // its default ciphers, with certificates nobody checks.
    configuration.setCiphers(pskCiphers());
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

// Whether the master's event holds a read-out a slave sent before it had the event: under its id,
// or the same read-out of the card (read at another station as well, or sent twice).
bool holdsReadOut(const Race &race, const PersonResult &readOut)
{
    const auto samePunches = [&](const QList<SIPunch> &punches) {
        const QList<SIPunch> own = readOut.punches.value_or(QList<SIPunch>());
        return std::equal(punches.cbegin(), punches.cend(), own.cbegin(), own.cend(),
            [](const SIPunch &a, const SIPunch &b) {
                return a.controlCode == b.controlCode && a.time == b.time;
            });
    };
    for (const PersonResult &result : race.results)
        if (result.cardNumber == readOut.cardNumber && result.cardStartTime == readOut.cardStartTime
            && samePunches(result.punches.value_or(QList<SIPunch>())))
            return true;
    if (race.unknownCards)
        for (const UnknownCard &card : *race.unknownCards)
            if (card.id == readOut.id
                || (card.cardNumber == readOut.cardNumber && card.finishPunchTime == readOut.finishTime
                    && samePunches(card.punches)))
                return true;
    return false;
}

const QByteArray heartbeatFrame(4, '\0');
constexpr char pskIdentity[] = "vexlo-station";
// Qt reads no further from the system while this much is unread; the engine reads it all at
// every notification, so this only bounds a burst.
constexpr qint64 socketReadBuffer = 256 * 1024;

} // namespace

// What a slave's master sends, read and applied on a thread of its own: a snapshot of a large
// event takes a good part of a second to unpack and read, and the main thread, which also serves
// the station's card reader, must never wait for it. Messages are taken in order. A snapshot
// that arrives makes every message still waiting before it worth nothing (it holds what they
// would bring), and likewise only the newest state read waits for the engine's thread (with the
// reports that came after it), which is told once there is something.
// What waits is bounded: once the messages other than snapshots pass `maxBytes`, the changes and
// snapshots waiting are let go, the engine asks the master for a snapshot, and no change is
// queued until a snapshot has come (none could apply before it).
class SnapshotIntake
{
public:
    struct Decoded
    {
        QPointer<SyncPeer> peer;
        SlaveEvent event;
    };

    SnapshotIntake(SyncEngine *engine, qint64 maxEventBytes, qint64 maxBytes)
        : m_engine(engine)
        , m_mirror(maxEventBytes)
        , m_maxBytes(maxBytes)
        , m_thread([this] { run(); })
    { }
    // Waits for a read under way; what it gives is dropped.
    ~SnapshotIntake()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    // Queues `body`. Returns the bytes that waited when it passed the bound (what waited is let
    // go, and the master is to be asked for a snapshot), 0 otherwise.
    qint64 take(SyncPeer *peer, QByteArray body)
    {
        std::deque<Waiting> overflow; // let go of outside the lock
        qint64 overflowBytes = 0;
        {
            const std::lock_guard lock(m_mutex);
            const bool snapshot = body.startsWith("{\"kind\":\"snapshot\"");
            const bool change = body.startsWith("{\"kind\":\"change\"");
            const bool piece = body.startsWith("{\"kind\":\"snapshotPiece\"");
            if (snapshot) {
                // A replaced body is let go of on the intake's thread too (tens of megabytes).
                for (Waiting &waiting : m_waiting)
                    m_dropped.append(std::move(waiting.body));
                m_waiting.clear();
                m_bytes = 0;
                m_waitingBytes = 0;
                m_awaitSnapshot = false;
            } else if (change && m_awaitSnapshot) {
                return 0; // the snapshot asked for holds it
            } else if (!piece && m_bytes + body.size() > m_maxBytes) {
                overflowBytes = m_bytes + body.size();
                std::deque<Waiting> kept;
                for (Waiting &waiting : m_waiting)
                    (waiting.bounded && !waiting.change ? kept : overflow).push_back(std::move(waiting));
                m_waiting.swap(kept);
                m_bytes = 0;
                m_waitingBytes = 0;
                for (const Waiting &waiting : m_waiting) {
                    m_bytes += waiting.body.size();
                    m_waitingBytes += waiting.body.size();
                }
                m_awaitSnapshot = true;
                if (change || m_bytes + body.size() > m_maxBytes)
                    return overflowBytes;
            }
            // A snapshot's pieces are bounded by the connection, which reads no more while the
            // intake has enough to read (see waitingBytes).
            const bool bounded = !snapshot && !piece;
            if (bounded) {
                m_bytes += body.size();
                m_peakBytes = std::max(m_peakBytes, m_bytes);
            }
            m_waitingBytes += body.size();
            m_waiting.push_back(Waiting {peer, std::move(body), bounded, change});
        }
        m_wake.notify_one();
        return overflowBytes;
    }

    // Forgets what waits and what is being read, and the event followed (the engine stops, or a
    // new connection to the master begins).
    void clear(qint64 maxEventBytes, qint64 maxBytes)
    {
        std::deque<Waiting> waiting;
        std::deque<Decoded> decoded;
        const std::scoped_lock lock(m_mutex, m_mirrorMutex);
        ++m_generation;
        waiting.swap(m_waiting);
        decoded.swap(m_decoded);
        m_mirror = SlaveMirror(maxEventBytes);
        m_maxBytes = maxBytes;
        m_bytes = 0;
        m_waitingBytes = 0;
        m_awaitSnapshot = false;
    }

    void hold(bool held)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_held = held;
        }
        m_wake.notify_one();
    }
    [[nodiscard]] qint64 queuedBytes()
    {
        const std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    [[nodiscard]] qint64 peakBytes()
    {
        const std::lock_guard lock(m_mutex);
        return m_peakBytes;
    }

    // Bytes waiting to be read, a snapshot's pieces included. Once the engine stops reading for
    // them (`wantResume`), it is told when no more than `resumeBelow` wait.
    [[nodiscard]] qint64 waitingBytes() const { return m_waitingBytes; }
    void wantResume(qint64 resumeBelow)
    {
        m_resumeBelow = resumeBelow;
        m_resumeWanted = true;
        if (m_waitingBytes <= resumeBelow && m_resumeWanted.exchange(false))
            QMetaObject::invokeMethod(m_engine, &SyncEngine::resumeIntake, Qt::QueuedConnection);
    }

    // A body handed over directly (receive()): read on the caller's thread, in turn with those
    // the intake's thread reads.
    SlaveEvent takeNow(const QByteArray &body)
    {
        const std::lock_guard lock(m_mirrorMutex);
        return m_mirror.take(body);
    }

    std::deque<Decoded> takeDecoded()
    {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_decoded, {});
    }

private:
    struct Waiting
    {
        QPointer<SyncPeer> peer;
        QByteArray body;
        // Counted against the bound (all but snapshots), and a change.
        bool bounded = false;
        bool change = false;
    };

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock,
                [this] { return m_stopping || (!m_held && (!m_waiting.empty() || !m_dropped.isEmpty())); });
            if (m_stopping)
                return;
            if (!m_dropped.isEmpty()) {
                QList<QByteArray> dropped = std::exchange(m_dropped, {});
                lock.unlock();
                dropped.clear();
                lock.lock();
                continue;
            }
            Waiting waiting = std::move(m_waiting.front());
            m_waiting.pop_front();
            if (waiting.bounded)
                m_bytes -= waiting.body.size();
            const quint64 generation = m_generation;
            const qint64 taken = waiting.body.size();
            lock.unlock();
            std::optional<Decoded> decoded;
            {
                const std::lock_guard mirrorLock(m_mirrorMutex);
                if (generation == m_generation) // not cleared meanwhile
                    decoded = Decoded {std::move(waiting.peer), m_mirror.take(waiting.body)};
            }
            waiting.body = QByteArray();
            std::deque<Decoded> replaced;
            lock.lock();
            if (generation == m_generation) {
                m_waitingBytes -= taken;
                if (m_waitingBytes <= m_resumeBelow && m_resumeWanted.exchange(false))
                    QMetaObject::invokeMethod(m_engine, &SyncEngine::resumeIntake, Qt::QueuedConnection);
            }
            if (!decoded || generation != m_generation) { // cleared meanwhile
                lock.unlock();
                decoded.reset();
                lock.lock();
                continue;
            }
            if (decoded->event.kind == SlaveEvent::Kind::Message && !decoded->event.message)
                continue; // not a message of ours
            const bool tell = m_decoded.empty();
            if (decoded->event.kind == SlaveEvent::Kind::State) {
                // Only the newest state is worth handing on; a snapshot also answers every wish
                // for one said before it.
                const bool snapshot = decoded->event.fromSnapshot;
                std::deque<Decoded> kept;
                for (Decoded &earlier : m_decoded) {
                    const bool superseded = earlier.event.kind == SlaveEvent::Kind::State
                        || earlier.event.kind == SlaveEvent::Kind::Confirmed
                        || (snapshot && earlier.event.kind == SlaveEvent::Kind::WantSnapshot);
                    (superseded ? replaced : kept).push_back(std::move(earlier));
                }
                m_decoded.swap(kept);
            }
            m_decoded.push_back(std::move(*decoded));
            if (tell)
                QMetaObject::invokeMethod(m_engine, &SyncEngine::takeDecoded, Qt::QueuedConnection);
            // A replaced event is let go of here, not on the engine's thread.
            lock.unlock();
            replaced.clear();
            lock.lock();
        }
    }

    SyncEngine *m_engine;
    std::mutex m_mutex;
    // Held while the mirror reads a body: by the intake's thread, or by receive().
    std::mutex m_mirrorMutex;
    std::condition_variable m_wake;
    SlaveMirror m_mirror;
    std::deque<Waiting> m_waiting;
    QList<QByteArray> m_dropped;
    std::deque<Decoded> m_decoded;
    quint64 m_generation = 0;
    // The bound, the bytes counted against it (now and at most), and whether changes are let go
    // until a snapshot comes.
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    qint64 m_peakBytes = 0;
    bool m_awaitSnapshot = false;
    bool m_held = false;
    bool m_stopping = false;
    std::atomic<qint64> m_waitingBytes {0};
    std::atomic<qint64> m_resumeBelow {0};
    std::atomic<bool> m_resumeWanted {false};
    std::thread m_thread;
};

class SyncServer : public QTcpServer
{
public:
    explicit SyncServer(SyncEngine *engine)
        : QTcpServer(engine)
        , m_engine(engine)
    { }

protected:
    void incomingConnection(qintptr descriptor) override { m_engine->accept(descriptor); }

private:
    SyncEngine *m_engine;
};

// One TLS connection to another station and its frame reader. Nothing is read from it or
// written to it before the peer has proved the station key (the end of the TLS handshake).
class SyncPeer : public QObject, public SyncConnection
{
public:
    SyncPeer(SyncEngine *engine, QSslSocket *socket, std::optional<DiscoveredService> service)
        : QObject(engine)
        , m_engine(engine)
        , m_socket(socket)
        , m_service(std::move(service))
        , m_reader(engine->maxFrameBytes())
    {
        m_socket->setParent(this);
        m_socket->setSslConfiguration(tlsConfiguration());
        m_socket->setReadBufferSize(socketReadBuffer);
        connect(m_socket, &QSslSocket::preSharedKeyAuthenticationRequired, this,
            [this](QSslPreSharedKeyAuthenticator *authenticator) {
                if (m_service)
                    authenticator->setIdentity(pskIdentity);
                authenticator->setPreSharedKey(m_engine->m_preSharedKey);
            });
        connect(m_socket, &QSslSocket::encrypted, this, &SyncPeer::proved);
        connect(m_socket, &QSslSocket::readyRead, this, &SyncPeer::readAvailable);
        connect(m_socket, &QSslSocket::bytesWritten, this, &SyncPeer::drained);
        connect(m_socket, &QSslSocket::encryptedBytesWritten, this, &SyncPeer::drained);
        connect(m_socket, &QSslSocket::disconnected, this,
            [this] { fail(QAbstractSocket::RemoteHostClosedError); });
        connect(m_socket, &QSslSocket::errorOccurred, this, &SyncPeer::fail);
        m_handshakeTimer.setSingleShot(true);
        connect(&m_handshakeTimer, &QTimer::timeout, this, [this] {
            finish(m_service
                    ? QStringLiteral("Could not join %1: no answer in time").arg(who())
                    : QStringLiteral("Refused %1: it did not prove the station key in time").arg(who()));
        });
        m_handshakeTimer.start(m_engine->m_limits.handshakeTimeout);
    }

    // Small frames (hellos, results, heartbeats) wait behind the frame being written.
    void send(const QByteArray &frame) override
    {
        if (m_closed || !m_proved)
            return;
        m_queue.append(Outgoing {frame, false});
        pump();
    }

    // Changes wait in order. One this peer would only drop (it awaits a snapshot, which will
    // hold it) is not queued; a peer that falls this far behind gets a snapshot instead.
    void sendChange(const QByteArray &frame) override
    {
        if (m_closed || !m_proved || m_wantsSnapshot)
            return;
        m_queue.append(Outgoing {frame, true});
        m_queuedChangeBytes += frame.size();
        if (m_queuedChangeBytes > m_engine->m_limits.maxQueuedChangeBytes)
            wantSnapshot();
        else
            pump();
    }

    // The whole event, built from the master's state when this peer is ready for it: whatever
    // changes wait for it are in it, and a slow or stalled peer holds at most the frame being
    // written and the newest snapshot.
    void wantSnapshot()
    {
        holdForSnapshot();
        pump();
    }
    // As above, but the snapshot is not built before the next pump.
    void holdForSnapshot()
    {
        if (m_closed || !m_proved)
            return;
        m_queue.removeIf([](const Outgoing &outgoing) { return outgoing.change; });
        m_queuedChangeBytes = 0;
        m_wantsSnapshot = true;
    }
    [[nodiscard]] bool wantsSnapshot() const { return m_wantsSnapshot; }
    void retrySnapshot()
    {
        if (m_wantsSnapshot)
            pump();
    }

    void close()
    {
        m_closed = true;
        m_handshakeTimer.stop();
        m_wantsSnapshot = false;
        m_stream.reset();
        m_current.clear();
        m_queue.clear();
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
    }

    [[nodiscard]] bool isReady() const override { return m_proved && !m_closed; }
    void readMore() { readAvailable(); }
    [[nodiscard]] bool proven() const { return m_proved; }
    [[nodiscard]] QString describe() const override
    {
        QHostAddress address = m_socket->peerAddress();
        if (address.isNull() && m_service)
            return m_service->host + QLatin1Char(':') + QString::number(m_service->port);
        bool mapped = false;
        const quint32 ipv4 = address.toIPv4Address(&mapped);
        if (mapped) // an IPv4 peer on the dual-stack listener
            address = QHostAddress(ipv4);
        return address.toString() + QLatin1Char(':') + QString::number(m_socket->peerPort());
    }
    [[nodiscard]] const std::optional<DiscoveredService> &service() const { return m_service; }
    [[nodiscard]] qint64 queuedBytes() const
    {
        qint64 queued = socketBuffered() + (m_current.size() - m_offset);
        for (const Outgoing &outgoing : m_queue)
            queued += outgoing.frame.size();
        return queued;
    }
    [[nodiscard]] qint64 bufferedBytes() const { return m_reader.bufferedBytes(); }
    [[nodiscard]] bool busy() const
    {
        return m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite() > 0;
    }
    [[nodiscard]] qint64 silentForMs() const { return m_heard.elapsed(); }
    [[nodiscard]] qint64 idleForMs() const { return m_sent.elapsed(); }

    void startClient() { m_socket->connectToHostEncrypted(m_service->host, m_service->port); }

    void finish(const QString &refusal = {})
    {
        if (m_closed)
            return;
        close();
        m_engine->peerGone(this, refusal);
    }

private:
    [[nodiscard]] QString who() const
    {
        if (m_service)
            return QStringLiteral("\"%1\" at %2").arg(m_service->name, describe());
        return describe();
    }

    void proved()
    {
        m_handshakeTimer.stop();
        m_proved = true;
        m_heard.start();
        m_sent.start();
        m_engine->peerProved(this);
    }

    void fail(QAbstractSocket::SocketError error)
    {
        if (m_closed)
            return;
        if (m_proved) {
            finish();
            return;
        }
        // A peer that drops the handshake is refused as firmly as one with the wrong key: a
        // station with the right key completes it. A master tells a slave with a wrong key so
        // with a TLS alert (below); one that only hangs up may be full.
        if (m_service) {
            finish(error == QAbstractSocket::SslHandshakeFailedError
                    ? QStringLiteral("Could not join %1: the station keys do not match").arg(who())
                    : QStringLiteral("Could not join %1: the master closed the connection").arg(who()));
            return;
        }
        // TLS has just queued its alert for the peer: the socket is given a moment to say it,
        // while the peer itself is gone at once.
        const QString refusal = QStringLiteral("Refused %1: it did not prove the station key").arg(who());
        QSslSocket *socket = std::exchange(m_socket, new QSslSocket(this));
        disconnect(socket, nullptr, this, nullptr);
        socket->setParent(nullptr);
        QTimer::singleShot(100, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        finish(refusal);
    }

    void readAvailable()
    {
        if (m_closed || !m_proved)
            return;
        // What the master sends waits here, unread, while the intake has enough to read (a
        // snapshot's pieces come faster than they are read): the master's own sending then waits.
        const qint64 backlog = m_engine->m_limits.intakeBacklogBytes;
        if (m_service && m_engine->m_intake->waitingBytes() > backlog) {
            m_heard.restart(); // the master is there: it is this station that waits
            m_engine->m_intake->wantResume(backlog / 2);
            return;
        }
        const QByteArray bytes = m_socket->readAll();
        if (bytes.isEmpty())
            return;
        m_heard.restart();
        const QList<QByteArray> bodies = m_reader.feed(bytes);
        QPointer<SyncPeer> self(this);
        for (const QByteArray &body : bodies) {
            // A handler may stop the engine, which closes this peer.
            if (!self || m_closed)
                return;
            if (body.isEmpty()) // heartbeats
                continue;
            if (m_service) { // from the master: read off this thread
                if (const qint64 waited = m_engine->m_intake->take(this, body); waited > 0) {
                    SlaveEvent wish;
                    wish.kind = SlaveEvent::Kind::WantSnapshot;
                    wish.reason
                        = QStringLiteral("%1 bytes of its changes waited to be read, more than the %2 "
                                         "this station holds")
                              .arg(waited)
                              .arg(m_engine->m_limits.maxIntakeChangeBytes);
                    m_engine->handleSlaveEvent(this, std::move(wish));
                }
            } else
                m_engine->receive(this, body);
        }
        if (!self || m_closed)
            return;
        if (m_reader.failed()) {
            logLine(
                QStringLiteral("SyncEngine: closed the connection from %1: it announced a frame of %2 bytes")
                    .arg(describe())
                    .arg(m_reader.refusedLength()));
            // From the master only snapshots are large.
            if (m_service)
                m_engine->refuseOversizedSnapshot(m_reader.refusedLength());
            finish();
        } else if (m_engine->m_role == StationRole::Master
            && m_engine->bufferedInputBytes() > m_engine->m_limits.totalInputBudget) {
            // A slave holds one connection, bounded by the frame size; a master's many share one
            // budget.
            logLine(QStringLiteral("SyncEngine: closed the connection from %1: %2 bytes of unfinished frames")
                        .arg(describe())
                        .arg(m_reader.bufferedBytes()));
            finish();
        }
    }

    [[nodiscard]] qint64 socketBuffered() const
    {
        return m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite();
    }

    // Frames go to the socket a slice at a time as it drains, so the socket's own buffers (which
    // copy and then encrypt what they are given, per connection) never hold more than a slice or
    // two; the frame itself stays shared by every connection that sends it.
    void pump()
    {
        // Building a snapshot asks the store for its race, which may broadcast what it recorded
        // since (and so come back here): the loop below takes that up.
        if (m_pumping)
            return;
        m_pumping = true;
        const auto done = qScopeGuard([this] { m_pumping = false; });
        constexpr qint64 slice = 256 * 1024;
        while (!m_closed && socketBuffered() < slice) {
            if (m_offset < m_current.size()) {
                const qsizetype length = std::min<qsizetype>(slice, m_current.size() - m_offset);
                m_socket->write(m_current.constData() + m_offset, length);
                m_offset += length;
            } else if (m_stream) {
                // A snapshot's pieces go together, one as the last has gone: changes after its
                // state wait behind them.
                if (m_nextPiece == m_stream->count()) {
                    m_stream.reset();
                    m_engine->snapshotSent();
                    continue;
                }
                QString error;
                const auto frame = m_stream->pieceFrame(m_nextPiece, &error);
                if (!frame) {
                    m_engine->snapshotFailed(m_stream->sequence(), error);
                    m_stream.reset();
                    holdForSnapshot();
                    continue;
                }
                ++m_nextPiece;
                m_current = *frame;
                m_offset = 0;
                m_engine->m_traffic.snapshotBytes += m_current.size();
            } else if (!m_queue.isEmpty()) {
                Outgoing next = m_queue.takeFirst();
                if (next.change) {
                    m_queuedChangeBytes -= next.frame.size();
                    ++m_engine->m_traffic.changes;
                    m_engine->m_traffic.changeBytes += next.frame.size();
                }
                m_current = std::move(next.frame);
                m_offset = 0;
            } else if (m_wantsSnapshot) {
                // Begun only now, so that it is of the newest state; when none can be sent the peer
                // waits for the next change.
                const std::shared_ptr<SnapshotPieces> pieces = m_engine->snapshotPieces();
                const auto head = pieces ? pieces->headFrame() : std::nullopt;
                if (!head) {
                    // The slave hears why, once for each reason.
                    const auto notice = m_engine->withheldFrame();
                    if (!notice || *notice == m_toldWithheld)
                        return;
                    m_toldWithheld = *notice;
                    m_current = *notice;
                    m_offset = 0;
                    m_sent.restart();
                    continue;
                }
                m_wantsSnapshot = false;
                m_stream = pieces;
                m_nextPiece = 0;
                m_current = *head;
                m_offset = 0;
                m_engine->countSnapshot(m_current.size());
            } else {
                m_current.clear();
                m_offset = 0;
                return;
            }
            m_sent.restart();
        }
    }

    void drained()
    {
        if (!m_closed)
            pump();
    }

    SyncEngine *m_engine;
    QSslSocket *m_socket;
    std::optional<DiscoveredService> m_service; // set on the slave's connection to its master
    SyncFrameReader m_reader;
    struct Outgoing
    {
        QByteArray frame;
        bool change = false;
    };
    QByteArray m_current; // the frame being written, from m_offset on
    qsizetype m_offset = 0;
    QList<Outgoing> m_queue;
    qint64 m_queuedChangeBytes = 0;
    bool m_wantsSnapshot = false;
    // The snapshot being sent and its next piece.
    std::shared_ptr<SnapshotPieces> m_stream;
    qint64 m_nextPiece = 0;
    bool m_pumping = false;
    QByteArray m_toldWithheld;
    QTimer m_handshakeTimer;
    QElapsedTimer m_heard;
    QElapsedTimer m_sent;
    bool m_proved = false;
    bool m_closed = false;
};

SyncEngine::SyncEngine(QObject *parent)
    : SyncEngine(makeAvahiServiceDiscovery, parent)
{ }

SyncEngine::SyncEngine(ServiceDiscoveryFactory discovery, QObject *parent)
    : QObject(parent)
    , m_discoveryFactory(std::move(discovery))
    , m_intake(std::make_unique<SnapshotIntake>(
          this, qint64(maxSyncFrameBodyBytes), m_limits.maxIntakeChangeBytes))
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, [this] {
        if (m_role == StationRole::Slave && m_isRunning && m_ownedPeers.isEmpty())
            connectToNextCandidate();
    });
    connect(&m_heartbeatTimer, &QTimer::timeout, this, &SyncEngine::heartbeat);
}

SyncEngine::~SyncEngine()
{
    stop();
    m_intake.reset();
}

quint16 SyncEngine::listenPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

qint64 SyncEngine::queuedOutputBytes() const
{
    qint64 total = 0;
    for (const SyncPeer *peer : m_ownedPeers)
        total += peer->queuedBytes();
    return total;
}

qint64 SyncEngine::bufferedInputBytes() const
{
    qint64 total = 0;
    for (const SyncPeer *peer : m_ownedPeers)
        total += peer->bufferedBytes();
    return total;
}

qint64 SyncEngine::queuedIntakeBytes() const
{
    return m_intake->queuedBytes();
}

qint64 SyncEngine::peakIntakeBytes() const
{
    return m_intake->peakBytes();
}

void SyncEngine::holdIntake(bool held)
{
    m_intake->hold(held);
}

quint32 SyncEngine::maxFrameBytes() const
{
    // Only a slave receives whole events; a master receives hellos and single results.
    return m_role == StationRole::Master ? m_limits.maxMasterFrameBytes : m_limits.maxSnapshotBytes;
}

std::optional<Race> SyncEngine::sentRace()
{
    // Whoever keeps the race broadcasts what it recorded since first, which may number the state on.
    std::optional<Race> race = currentRace ? currentRace() : std::nullopt;
    if (race)
        race->journalThrough.reset(); // this station's journal's, not the event's
    return race;
}

const QByteArray &SyncEngine::sentDigest()
{
    if (m_sentDigest.isEmpty())
        m_sentDigest = m_digests.digest(sentRace().value_or(Race()));
    return m_sentDigest;
}

std::shared_ptr<SnapshotPieces> SyncEngine::snapshotPieces()
{
    std::optional<Race> race = sentRace();
    if (m_failedSnapshotSequence == m_sequence)
        return nullptr; // the notice says why
    if (m_snapshot && m_snapshotSequence == m_sequence)
        return m_snapshot;
    if (!race)
        return nullptr;
    SyncMessage head {SyncMessageKind::Snapshot, m_stationId, std::nullopt, std::nullopt};
    head.event = race->journalEventId;
    head.series = m_series;
    head.sequence = m_sequence;
    if (m_sentDigest.isEmpty())
        m_sentDigest = m_digests.digest(*race);
    head.digest = m_sentDigest;
    // Only a copy of the state's lists: they stay shared with the master's own until it changes
    // them. Connections that start a snapshot at this state share it.
    m_snapshotSequence = m_sequence;
    m_snapshot = std::make_shared<SnapshotPieces>(std::move(head), std::move(*race));
    return m_snapshot;
}

void SyncEngine::snapshotFailed(qint64 sequence, const QString &error)
{
    if (sequence != m_sequence || m_failedSnapshotSequence == sequence)
        return;
    m_failedSnapshotSequence = sequence;
    m_snapshot.reset();
    // Sent anyway, every station would ask again and again.
    const QString text = QStringLiteral("The event cannot be sent to the stations (%1). They keep the event "
                                        "they last received and still send their results here.")
                             .arg(error);
    if (text != m_statusText)
        logLine(QStringLiteral("SyncEngine: ") + text);
    m_snapshotTooLarge = true;
    m_withheldReason = text;
    setStatus(text, SyncStatusLevel::Failed);
}

void SyncEngine::snapshotSent()
{
    m_withheldReason.clear();
    if (std::exchange(m_snapshotTooLarge, false))
        setStatus(
            QStringLiteral("Master running, advertising \"%1\"").arg(m_serviceName), SyncStatusLevel::Ok);
}

std::optional<QByteArray> SyncEngine::withheldFrame() const
{
    if (m_withheldReason.isEmpty())
        return std::nullopt;
    SyncMessage notice {SyncMessageKind::NoSnapshot, m_stationId, std::nullopt, std::nullopt};
    notice.reason = m_withheldReason;
    return frameSyncMessage(notice);
}

void SyncEngine::countSnapshot(qint64 bytes)
{
    ++m_traffic.snapshots;
    m_traffic.snapshotBytes += bytes;
}

void SyncEngine::snapshotTo(SyncConnection *connection)
{
    for (SyncPeer *peer : std::as_const(m_ownedPeers)) {
        if (peer == connection) {
            peer->wantSnapshot();
            return;
        }
    }
    // A connection made elsewhere takes the pieces at once, each as a frame of its own, or the
    // whole event in one; nothing goes when it cannot be encoded.
    const std::shared_ptr<SnapshotPieces> pieces = snapshotPieces();
    if (!pieces)
        return;
    if (!connection->takesSnapshotPieces()) {
        SyncMessage whole = pieces->head();
        whole.race = pieces->race();
        QString error;
        if (!encodeRace(*whole.race, JsonLayout::Compact, &error)) {
            snapshotFailed(pieces->sequence(), error);
            return;
        }
        if (const auto frame = frameSyncMessage(whole)) {
            snapshotSent();
            countSnapshot(frame->size());
            connection->sendSnapshot(*frame);
        }
        return;
    }
    QByteArrayList frames;
    const auto head = pieces->headFrame();
    if (!head)
        return;
    frames.append(*head);
    QString error;
    for (qint64 i = 0; i < pieces->count(); ++i) {
        const auto frame = pieces->pieceFrame(i, &error);
        if (!frame) {
            snapshotFailed(pieces->sequence(), error);
            return;
        }
        frames.append(*frame);
    }
    snapshotSent();
    qint64 bytes = 0;
    for (const QByteArray &frame : std::as_const(frames)) {
        bytes += frame.size();
        connection->sendSnapshot(frame);
    }
    countSnapshot(bytes);
}

std::optional<QByteArray> SyncEngine::confirmationFrame()
{
    if (!m_hasState)
        return std::nullopt;
    SyncMessage held {SyncMessageKind::Change, m_stationId, std::nullopt, std::nullopt};
    const QByteArray digest = sentDigest(); // may number the state on first
    held.event = m_sentEvent;
    held.series = m_series;
    held.sequence = held.follows = m_sequence;
    held.digest = digest;
    return frameSyncMessage(held);
}

void SyncEngine::catchUp()
{
    // Whoever keeps the race broadcasts what it recorded since; the first state this start takes
    // is the one it begins with.
    if (const auto race = sentRace(); race && !m_hasState) {
        m_hasState = true;
        m_sentEvent = race->journalEventId;
        m_sentDigest.clear();
        if (m_connections.isEmpty())
            return;
        ++m_sequence;
        for (SyncConnection *connection : QList<SyncConnection *>(m_connections))
            snapshotTo(connection);
    }
}

void SyncEngine::broadcastRace(const Race &race, const std::optional<QByteArrayList> &records)
{
    if (m_role != StationRole::Master)
        return;
    const bool first = !m_hasState;
    const bool otherEvent = first || race.journalEventId != m_sentEvent;
    if (!otherEvent && records && records->isEmpty())
        return; // nothing changed
    m_hasState = true;
    m_sentEvent = race.journalEventId;
    m_sentDigest.clear();
    // A record of the whole event (the journal's first of an event) is a snapshot's worth.
    const bool whole = !records
        || std::any_of(records->cbegin(), records->cend(),
            [](const QByteArray &record) { return record.startsWith("\"op\":\"event\""); });
    if (otherEvent || whole || m_connections.isEmpty())
        m_digests.reset(); // found again from the state itself when asked for
    if (first && m_connections.isEmpty())
        return; // the state this start begins with
    ++m_sequence;
    if (m_connections.isEmpty())
        return; // the next slave gets a snapshot anyway
    if (otherEvent || whole) {
        for (SyncConnection *connection : QList<SyncConnection *>(m_connections))
            snapshotTo(connection);
        return;
    }
    SyncMessage message {SyncMessageKind::Change, m_stationId, std::nullopt, std::nullopt};
    message.event = m_sentEvent;
    message.series = m_series;
    message.follows = m_sequence - 1;
    message.sequence = m_sequence;
    // The records as the journal's lines hold them, one a line (JSON text holds no line break).
    QByteArrayList braced;
    for (const QByteArray &record : *records)
        braced.append('{' + record + '}');
    message.change = braced.join('\n');
    message.digest = m_sentDigest = m_digests.digest(race, braced);
    const auto frame = frameSyncMessage(message);
    if (!frame || frame->size() - 4 > m_limits.maxChangeBytes) {
        for (SyncConnection *connection : QList<SyncConnection *>(m_connections))
            snapshotTo(connection);
        return;
    }
    for (SyncConnection *connection : QList<SyncConnection *>(m_connections)) {
        // The engine's own connections count what they write (a peer that awaits a snapshot
        // drops it).
        if (!std::any_of(m_ownedPeers.cbegin(), m_ownedPeers.cend(),
                [&](const SyncPeer *peer) { return peer == connection; })) {
            ++m_traffic.changes;
            m_traffic.changeBytes += frame->size();
        }
        connection->sendChange(*frame);
    }
    // A peer that waits for a snapshot no station could take yet tries again with this state.
    for (SyncPeer *peer : QList<SyncPeer *>(m_ownedPeers))
        peer->retrySnapshot();
}

void SyncEngine::resumeIntake()
{
    for (SyncPeer *peer : QList<SyncPeer *>(m_ownedPeers))
        if (peer->service() && peer->isReady())
            peer->readMore();
}

void SyncEngine::refuseOversizedSnapshot(quint32 length)
{
    if (m_role != StationRole::Slave || !m_isRunning)
        return;
    m_snapshotTooLarge = true;
    m_reconnectTimer.stop();
    const QString text
        = QStringLiteral("Stopped: the master sent an event of %1 bytes, more than the %2 this "
                         "station accepts. Make sure every station runs the same version of "
                         "Vexlo, then start this station again.")
              .arg(length)
              .arg(m_limits.maxSnapshotBytes);
    logLine(QStringLiteral("SyncEngine: ") + text);
    setStatus(text, SyncStatusLevel::Failed);
}

void SyncEngine::setReconnectDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_firstDelay = first;
    m_longestDelay = longest;
    m_nextDelay = first;
}

void SyncEngine::restoreOutbox(const QList<PersonResult> &results)
{
    m_outbox = results;
}

void SyncEngine::start(
    StationRole role, const QString &stationId, const QString &serviceName, const QString &stationKey)
{
    stop();
    m_role = role;
    m_stationId = stationId;
    m_holdsMasterEvent = false;
    m_noEventReason.clear();
    m_serviceName = serviceName;
    setRefusal(QString());
    if (role == StationRole::Standalone) {
        setStatus(QStringLiteral("Not started"), SyncStatusLevel::Idle);
        return;
    }
    // Whatever a setting or a caller holds: a name the network cannot carry is never announced
    // (nor looked for), as the slaves would not find the master by it.
    if (const QString problem = serviceNameProblem(serviceName); !problem.isEmpty()) {
        logLine(QStringLiteral("SyncEngine: not started: ") + problem);
        setStatus(problem, SyncStatusLevel::Failed);
        return;
    }
    const auto key = canonicalStationKey(stationKey);
    if (!key) {
        setStatus(QStringLiteral("No station key"), SyncStatusLevel::Failed);
        return;
    }
    if (pskCiphers().isEmpty()) {
        logLine(QStringLiteral("SyncEngine: the TLS library offers no pre-shared-key cipher"));
        setStatus(QStringLiteral("Secure station connections are not available on this computer"),
            SyncStatusLevel::Failed);
        return;
    }
    m_preSharedKey = stationPreSharedKey(*key);
    if (role == StationRole::Master)
        startMaster(serviceName);
    else
        startSlave();
}

void SyncEngine::setStationKey(const QString &stationKey)
{
    const auto key = canonicalStationKey(stationKey);
    if (!key || !m_isRunning || m_role == StationRole::Standalone)
        return;
    const QByteArray preSharedKey = stationPreSharedKey(*key);
    if (preSharedKey == m_preSharedKey)
        return;
    m_preSharedKey = preSharedKey;
    for (SyncPeer *peer : QList<SyncPeer *>(m_ownedPeers))
        peer->finish();
    if (m_role != StationRole::Slave || m_snapshotTooLarge)
        return;
    // The refusal was about the old key.
    setRefusal(QString());
    m_reconnectTimer.stop();
    m_nextDelay = m_firstDelay;
    if (m_ownedPeers.isEmpty())
        connectToNextCandidate();
}

void SyncEngine::stop()
{
    m_reconnectTimer.stop();
    m_heartbeatTimer.stop();
    m_nextDelay = m_firstDelay;
    // Everything under way is disconnected before it goes, so that no late report from an old
    // connection, browse or listener can change the state of a later start.
    m_discovery.reset();
    m_intake->clear(m_limits.maxSnapshotBytes, m_limits.maxIntakeChangeBytes);
    if (m_server) {
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
    const bool hadPeers = !m_connections.isEmpty();
    for (SyncPeer *peer : std::as_const(m_ownedPeers)) {
        peer->close();
        peer->deleteLater();
    }
    m_ownedPeers.clear();
    m_connections.clear();
    m_services.clear();
    m_knownMaster.reset();
    m_nextCandidate = 0;
    m_outboxAwaitsSnapshot = false;
    m_snapshotTooLarge = false;
    m_withheldReason.clear();
    m_hasState = false;
    m_sentEvent.reset();
    m_sentDigest.clear();
    m_digests.reset();
    m_snapshot.reset();
    m_snapshotSequence = -1;
    m_failedSnapshotSequence = -1;
    if (hadPeers)
        emit connectedStationCountChanged();
    setRunning(false);
    setStatus(QStringLiteral("Not started"), SyncStatusLevel::Idle);
}

void SyncEngine::startMaster(const QString &serviceName)
{
    auto *server = new SyncServer(this);
    if (!server->listen(QHostAddress::Any, 0)) {
        logLine(QStringLiteral("SyncEngine: could not listen: ") + server->errorString());
        delete server;
        setStatus(QStringLiteral("Failed to start listener"), SyncStatusLevel::Failed);
        return;
    }
    m_server = server;
    // A new run of change numbers: a slave that followed an earlier start of this master (or
    // another master) takes a snapshot before any change of this one.
    m_series = QUuid::createUuid();
    m_sequence = 0;
    catchUp();
    setRunning(true);
    setStatus(QStringLiteral("Master running, advertising \"%1\"").arg(serviceName), SyncStatusLevel::Ok);
    m_heartbeatTimer.start(m_limits.heartbeatInterval);
    m_discovery = m_discoveryFactory();
    connect(m_discovery.get(), &ServiceDiscovery::failed, this, [this](const QString &error) {
        m_snapshotTooLarge = false; // this status says more; a snapshot sent must not hide it
        setStatus(QStringLiteral("Master failed: ") + error, SyncStatusLevel::Failed);
    });
    m_discovery->advertise(serviceName, m_server->serverPort());
}

void SyncEngine::accept(qintptr descriptor)
{
    auto *socket = new QSslSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const auto handshaking = [this] {
        return int(std::count_if(m_ownedPeers.cbegin(), m_ownedPeers.cend(),
            [](const SyncPeer *peer) { return !peer->proven(); }));
    };
    auto *peer = new SyncPeer(this, socket, std::nullopt);
    if (m_connections.size() >= m_limits.maxStations) {
        setRefusal(QStringLiteral("Refused %1: too many stations connected").arg(peer->describe()));
        peer->close();
        peer->deleteLater();
        return;
    }
    // The oldest handshake makes room: a real station completes its own within moments, so a
    // flood of idle connections only ever pushes out its own kind.
    while (handshaking() >= m_limits.maxHandshakes) {
        const auto oldest = std::find_if(
            m_ownedPeers.cbegin(), m_ownedPeers.cend(), [](const SyncPeer *p) { return !p->proven(); });
        (*oldest)->finish(QStringLiteral("Refused %1: too many connections waiting to prove the station key")
                              .arg((*oldest)->describe()));
    }
    watch(peer);
    socket->startServerEncryption();
}

void SyncEngine::startSlave()
{
    setRunning(true);
    setStatus(QStringLiteral("Not started"), SyncStatusLevel::Working);
    m_heartbeatTimer.start(m_limits.heartbeatInterval);
    m_discovery = m_discoveryFactory();
    connect(m_discovery.get(), &ServiceDiscovery::ready, this, [this] {
        if (m_connections.isEmpty())
            setStatus(QStringLiteral("Searching for master \"%1\"...").arg(m_serviceName),
                SyncStatusLevel::Working);
    });
    connect(m_discovery.get(), &ServiceDiscovery::failed, this, [this](const QString &error) {
        setStatus(QStringLiteral("Browse failed: ") + error, SyncStatusLevel::Failed);
    });
    connect(m_discovery.get(), &ServiceDiscovery::servicesChanged, this, &SyncEngine::servicesChanged);
    m_discovery->browse();
}

void SyncEngine::servicesChanged(const QList<DiscoveredService> &services)
{
    // Only the master this station was set to: another event's master, or a second one on the
    // same network, is none of its business.
    m_services.clear();
    for (const DiscoveredService &service : services)
        if (service.name == m_serviceName)
            m_services.append(service);
    if (m_ownedPeers.isEmpty() && !m_services.isEmpty() && !m_reconnectTimer.isActive()
        && !m_snapshotTooLarge)
        connectToNextCandidate();
}

void SyncEngine::connectToNextCandidate()
{
    // Candidates in turn: a rogue advertising the same name is refused at its handshake, and the
    // next attempt goes to another.
    if (!m_services.isEmpty())
        connectTo(m_services.at(m_nextCandidate++ % m_services.size()));
    else if (m_knownMaster)
        connectTo(*m_knownMaster);
}

void SyncEngine::connectTo(const DiscoveredService &service)
{
    auto *peer = new SyncPeer(this, new QSslSocket, service);
    watch(peer);
    peer->startClient();
}

void SyncEngine::scheduleReconnect()
{
    if (m_role != StationRole::Slave || !m_isRunning || m_reconnectTimer.isActive() || m_snapshotTooLarge)
        return;
    m_reconnectTimer.start(m_nextDelay);
    m_nextDelay = std::min(m_nextDelay * 2, m_longestDelay);
}

void SyncEngine::watch(SyncPeer *peer)
{
    m_ownedPeers.append(peer);
}

void SyncEngine::peerProved(SyncPeer *peer)
{
    addConnection(peer);
    if (m_role != StationRole::Slave)
        return;
    m_nextDelay = m_firstDelay;
    m_knownMaster = peer->service();
    // Nothing of an earlier connection is followed on: the master's answer to the hello is a
    // snapshot.
    m_intake->clear(m_limits.maxSnapshotBytes, m_limits.maxIntakeChangeBytes);
    setRefusal(QString());
    showConnected();
    if (const auto hello
        = frameSyncMessage({SyncMessageKind::Hello, m_stationId, std::nullopt, std::nullopt}))
        peer->send(*hello);
    // Read-outs do not wait for the master's event: it records them whatever it holds, and a
    // repeated one adds nothing there.
    for (const PersonResult &result : std::as_const(m_outbox))
        if (result.participantId.isNull())
            if (const auto frame
                = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result}))
                peer->send(*frame);
    // The outbox goes once the answer to the hello says what the master holds: a result it has
    // (perhaps corrected there since) is not sent again over it.
    m_outboxAwaitsSnapshot = true;
}

void SyncEngine::peerGone(SyncPeer *peer, const QString &refusal)
{
    const bool wasProven = peer->proven();
    m_ownedPeers.removeAll(peer);
    peer->deleteLater();
    if (!refusal.isEmpty()) {
        logLine(QStringLiteral("SyncEngine: ") + refusal);
        setRefusal(refusal);
    }
    if (wasProven)
        removeConnection(peer);
    else if (m_role == StationRole::Slave && m_isRunning)
        scheduleReconnect();
}

void SyncEngine::heartbeat()
{
    const qint64 silence = m_limits.silenceTimeout.count();
    const qint64 interval = m_limits.heartbeatInterval.count();
    for (SyncPeer *peer : QList<SyncPeer *>(m_ownedPeers)) {
        if (!peer->proven())
            continue;
        if (peer->silentForMs() > silence) {
            logLine(QStringLiteral("SyncEngine: closed the connection to %1: nothing heard for %2 ms")
                        .arg(peer->describe())
                        .arg(peer->silentForMs()));
            peer->finish();
        } else if (!peer->busy() && peer->idleForMs() >= interval / 2) {
            peer->send(heartbeatFrame);
        }
    }
}

void SyncEngine::addConnection(SyncConnection *connection)
{
    m_connections.append(connection);
    emit connectedStationCountChanged();
}

void SyncEngine::removeConnection(SyncConnection *connection)
{
    if (m_connections.removeAll(connection) == 0)
        return;
    emit connectedStationCountChanged();
    if (m_role == StationRole::Slave && m_isRunning && !m_snapshotTooLarge) {
        setStatus(QStringLiteral("Disconnected from master — searching..."), SyncStatusLevel::Working);
        scheduleReconnect();
    }
}

void SyncEngine::sendOutbox(SyncConnection *connection)
{
    // What the master may not have: everything its snapshots do not hold yet.
    for (const PersonResult &result : std::as_const(m_outbox))
        if (const auto frame
            = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result}))
            connection->send(*frame);
}

void SyncEngine::receive(SyncConnection *peer, const QByteArray &body)
{
    // On a slave everything from the master goes through the event it follows, in turn with what
    // its own connection delivers.
    if (m_role == StationRole::Slave) {
        handleSlaveEvent(peer, m_intake->takeNow(body));
        return;
    }
    // A body that is not a message of ours is dropped; the connection keeps being read.
    if (std::optional<SyncMessage> message = decodeSyncMessage(body, m_limits.maxMasterFrameBytes))
        handle(peer, std::move(*message));
}

void SyncEngine::takeDecoded()
{
    std::deque<SnapshotIntake::Decoded> decoded = m_intake->takeDecoded();
    for (SnapshotIntake::Decoded &item : decoded) {
        // A connection closed since is followed by another, whose hello the master answers anew:
        // the outbox must wait for that answer, not go with this one.
        SyncPeer *peer = item.peer.data();
        if (!peer || !peer->isReady() || !m_ownedPeers.contains(peer))
            continue;
        handleSlaveEvent(peer, std::move(item.event));
    }
}

void SyncEngine::refuseOtherVersion(SyncConnection *connection)
{
    SyncPeer *peer = nullptr;
    for (SyncPeer *owned : std::as_const(m_ownedPeers))
        if (owned == connection)
            peer = owned;
    const QString refusal = m_role == StationRole::Master
        ? QStringLiteral("Refused %1: it runs another version of Vexlo; every station of an event needs "
                         "the same one")
              .arg(connection->describe())
        : QStringLiteral("Could not join %1: the master runs another version of Vexlo; every station of "
                         "an event needs the same one")
              .arg(peer && peer->service()
                      ? QStringLiteral("\"%1\" at %2").arg(peer->service()->name, connection->describe())
                      : connection->describe());
    if (peer) {
        peer->finish(refusal);
    } else {
        logLine(QStringLiteral("SyncEngine: ") + refusal);
        setRefusal(refusal);
    }
}

void SyncEngine::handleSlaveEvent(SyncConnection *peer, SlaveEvent event)
{
    switch (event.kind) {
    case SlaveEvent::Kind::Message:
        if (event.message)
            handle(peer, std::move(*event.message));
        return;
    case SlaveEvent::Kind::OtherVersion:
        refuseOtherVersion(peer);
        return;
    case SlaveEvent::Kind::Oversized:
        refuseOversizedSnapshot(quint32(std::min<qint64>(event.length, std::numeric_limits<quint32>::max())));
        for (SyncPeer *owned : QList<SyncPeer *>(m_ownedPeers))
            if (owned == peer)
                owned->finish();
        return;
    case SlaveEvent::Kind::WantSnapshot: {
        logLine(QStringLiteral("SyncEngine: asked the master for its event: ") + event.reason);
        SyncMessage wish {SyncMessageKind::SnapshotWanted, m_stationId, std::nullopt, std::nullopt};
        wish.reason = event.reason;
        if (const auto frame = frameSyncMessage(wish))
            peer->send(*frame);
        return;
    }
    case SlaveEvent::Kind::Confirmed:
    case SlaveEvent::Kind::State:
        if (event.race)
            deliverMasterRace(peer, *event.race);
        return;
    }
}

void SyncEngine::deliverMasterRace(SyncConnection *peer, const Race &master)
{
    Race race = master;
    // Results the master does not hold yet stay in the slave's race; those it holds leave the
    // outbox, and so do those whose read-out it holds from another station.
    QList<PersonResult> pending;
    for (const PersonResult &result : std::as_const(m_outbox)) {
        const bool readOut = result.participantId.isNull();
        const bool held = std::any_of(race.results.cbegin(), race.results.cend(),
                              [&](const PersonResult &stored) { return stored.id == result.id; })
            || (readOut ? holdsReadOut(race, result) : repeatedResult(race, result) != nullptr);
        if (held)
            continue;
        pending.append(result);
        // A read-out is the master's to record: it has no runner here.
        if (!readOut)
            race.results.append(result);
    }
    if (!std::exchange(m_holdsMasterEvent, true))
        showConnected();
    // Kept on disk first: the race handed on below may already be written without them.
    if (pending.size() != m_outbox.size())
        setOutbox(std::move(pending));
    if (std::exchange(m_outboxAwaitsSnapshot, false))
        sendOutbox(peer);
    if (onSnapshotReceived)
        onSnapshotReceived(std::move(race));
}

void SyncEngine::handle(SyncConnection *peer, SyncMessage message)
{
    const auto dropped = [&](const char *what) {
        logLine(QStringLiteral("SyncEngine: dropped %1 from %2 (station %3): not for a %4")
                    .arg(QLatin1String(what), peer->describe(), message.stationId, toText(m_role)));
    };
    if (m_role == StationRole::Master && message.protocol != syncProtocolVersion) {
        refuseOtherVersion(peer);
        return;
    }
    switch (message.kind) {
    case SyncMessageKind::Hello:
        if (m_role != StationRole::Master) {
            dropped("a hello");
            return;
        }
        {
            // The store's race as it is now goes to the other slaves as a change; this one gets it
            // whole, and nothing before. Where it is the first state this master sends, catchUp has
            // given it to every station whole, this one's included: once is enough.
            SyncPeer *own = nullptr;
            for (SyncPeer *owned : std::as_const(m_ownedPeers))
                if (owned == peer)
                    own = owned;
            if (own)
                own->holdForSnapshot();
            catchUp();
            if (!own || own->wantsSnapshot())
                snapshotTo(peer);
            return;
        }
    case SyncMessageKind::SnapshotWanted:
        if (m_role != StationRole::Master) {
            dropped("a wish for a snapshot");
            return;
        }
        logLine(QStringLiteral("SyncEngine: %1 (station %2) asked for the event: %3")
                    .arg(peer->describe(), message.stationId, message.reason));
        snapshotTo(peer);
        return;
    case SyncMessageKind::Snapshot:
    case SyncMessageKind::SnapshotPiece:
    case SyncMessageKind::Change:
        dropped(message.kind == SyncMessageKind::Change ? "a change" : "a snapshot");
        return;
    case SyncMessageKind::NoSnapshot:
        if (m_role != StationRole::Slave) {
            dropped("a notice");
            return;
        }
        logLine(QStringLiteral("SyncEngine: the master cannot send its event: ") + message.reason);
        m_noEventReason = message.reason;
        showConnected();
        return;
    case SyncMessageKind::SubmitResult: {
        if (m_role != StationRole::Master) {
            dropped("a result");
            return;
        }
        const bool readOut = message.result && message.result->participantId.isNull();
        if (!message.result || !(readOut ? onReadOutSubmitted : onResultSubmitted))
            return;
        const qint64 before = m_sequence;
        if (readOut)
            onReadOutSubmitted(*message.result);
        else
            onResultSubmitted(*message.result);
        // Nothing changed (the master holds this very result or its read-out): the sender learns
        // that its result is in the state it has.
        if (m_sequence == before && m_connections.contains(peer)) {
            if (!m_hasState)
                catchUp(); // the first the stations hear of this master's state: a snapshot
            else if (const auto frame = confirmationFrame())
                peer->sendChange(*frame);
        }
        return;
    }
    }
}

void SyncEngine::keepResult(const PersonResult &result)
{
    QList<PersonResult> outbox = m_outbox;
    const auto same = [&](const PersonResult &queued) { return queued.id == result.id; };
    const auto it = std::find_if(outbox.begin(), outbox.end(), same);
    if (it != outbox.end())
        *it = result;
    else
        outbox.append(result);
    setOutbox(std::move(outbox));
}

void SyncEngine::submitResult(const PersonResult &result)
{
    // Queued whatever the engine is doing: the store hands over only what a slave recorded, and
    // a slave not started yet sends it once it is.
    const bool kept = std::any_of(m_outbox.cbegin(), m_outbox.cend(),
        [&](const PersonResult &queued) { return queued.id == result.id; });
    if (!kept)
        keepResult(result);
    if (m_role != StationRole::Slave || m_connections.isEmpty() || !m_connections.first()->isReady())
        return;
    if (const auto frame
        = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result}))
        m_connections.first()->send(*frame);
}

void SyncEngine::setOutbox(QList<PersonResult> outbox)
{
    m_outbox = std::move(outbox);
    if (onOutboxChanged)
        onOutboxChanged(m_outbox);
}

void SyncEngine::showConnected()
{
    if (m_role != StationRole::Slave || m_connections.isEmpty())
        return;
    if (m_holdsMasterEvent) {
        setStatus(QStringLiteral("Connected to master"), SyncStatusLevel::Ok);
        return;
    }
    setStatus(
        QStringLiteral("Connected to master, but this station has no copy of the event yet (%1). Cards read "
                       "here go to the master, which records them.")
            .arg(m_noEventReason.isEmpty() ? QStringLiteral("it is on its way") : m_noEventReason),
        SyncStatusLevel::Working);
}

void SyncEngine::setRunning(bool running)
{
    if (m_isRunning == running)
        return;
    m_isRunning = running;
    emit isRunningChanged();
}

void SyncEngine::setStatus(const QString &text, SyncStatusLevel level)
{
    if (m_statusText == text && m_statusLevel == level)
        return;
    m_statusText = text;
    m_statusLevel = level;
    emit statusTextChanged();
}

void SyncEngine::setRefusal(const QString &text)
{
    if (m_refusalText == text)
        return;
    m_refusalText = text;
    emit refusalTextChanged();
}
