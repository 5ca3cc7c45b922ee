#pragma once

// The Vexlo Web key verifier and events client: each publishes a status line and a busy flag
// for the settings screen. Their requests arrive with the web-service work; until then they hold
// their start-up state.

#include <QObject>
#include <QString>

#include <optional>

// The event record the service keeps for a race.
struct VexloWebEvent
{
    QString eventId;
    QString name;
    std::optional<QString> eventDate;
    std::optional<QString> checklistKey;
};

class VexloWebVerifier : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isVerifying READ isVerifying NOTIFY isVerifyingChanged)

public:
    explicit VexloWebVerifier(QObject *parent = nullptr);

    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isVerifying() const { return m_isVerifying; }

signals:
    void statusTextChanged();
    void isVerifyingChanged();

private:
    QString m_statusText = QStringLiteral("Not verified");
    bool m_isVerifying = false;
};

class VexloWebEventsClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    explicit VexloWebEventsClient(QObject *parent = nullptr);

    [[nodiscard]] const std::optional<VexloWebEvent> &event() const { return m_event; }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isLoading() const { return m_isLoading; }

signals:
    void eventChanged();
    void statusTextChanged();
    void isLoadingChanged();

private:
    std::optional<VexloWebEvent> m_event;
    QString m_statusText = QStringLiteral("Not fetched yet");
    bool m_isLoading = false;
};
