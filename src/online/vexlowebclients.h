#pragma once

// The Vexlo Web key verifier and events client: each publishes a status line and a busy flag
// for the settings screen, and hands its outcome to the caller's completion.

#include "vexlowebtransport.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The event record the service keeps for a race.
struct VexloWebEvent
{
    QString eventId;
    QString name;
    std::optional<QString> eventDate;
    std::optional<QString> checklistKey;
};

struct EventsRequest;

class VexloWebVerifier : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isVerifying READ isVerifying NOTIFY isVerifyingChanged)

public:
    explicit VexloWebVerifier(VexloWebOptions options = {}, QObject *parent = nullptr);

    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isVerifying() const { return m_isVerifying; }

    // Asks the service whether `apiKey` (exactly as given) is valid; `done` gets true when it is.
    // An empty key is refused at once without a request. Nothing is stored: the caller records
    // the verification for the key it sent.
    void verifyKey(const QString &apiKey, std::function<void(bool)> done = {});

signals:
    void statusTextChanged();
    void isVerifyingChanged();

private:
    void setStatusText(const QString &text);
    void setVerifying(bool verifying);

    QString m_statusText = QStringLiteral("Not verified");
    bool m_isVerifying = false;
    WebTransport m_transport;
};

class VexloWebEventsClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    explicit VexloWebEventsClient(VexloWebOptions options = {}, QObject *parent = nullptr);

    // The record of the last successful fetch of this run; a failure keeps it.
    [[nodiscard]] const std::optional<VexloWebEvent> &event() const { return m_event; }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isLoading() const { return m_isLoading; }
    // Where the check-in app posts, shown to the organiser.
    [[nodiscard]] QUrl checklistPostUrl() const
    {
        return m_transport.url(QStringLiteral("/api/checklist.php"));
    }

    // Sends the race's name, date and event id (and the wish for a new check-in key) and receives
    // the service's record of the event. `done` gets that record, or nothing on any failure: the
    // caller stores only what this very request returned.
    void fetchEvent(
        const EventsRequest &request, std::function<void(std::optional<VexloWebEvent>)> done = {});

signals:
    void eventChanged();
    void statusTextChanged();
    void isLoadingChanged();

private:
    void setStatusText(const QString &text);
    void setLoading(bool loading);

    std::optional<VexloWebEvent> m_event;
    QString m_statusText = QStringLiteral("Not fetched yet");
    bool m_isLoading = false;
    WebTransport m_transport;
};
