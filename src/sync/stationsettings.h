#pragma once

// The station's role in the local-network exchange, the name a master advertises and the
// station's own id, kept in the settings store so that they survive a restart.

#include <QObject>
#include <QString>

#include <optional>

class QSettings;

enum class StationRole { Standalone, Master, Slave };

inline constexpr StationRole allStationRoles[]
    = {StationRole::Standalone, StationRole::Master, StationRole::Slave};

[[nodiscard]] QString toText(StationRole role);
// Exact (case-sensitive) raw values only; anything else is absent.
[[nodiscard]] std::optional<StationRole> stationRoleFromText(const QString &text);
// The title shown in the role picker ("Standalone", "Master", "Slave").
[[nodiscard]] QString stationRoleTitle(StationRole role);

// The most bytes of UTF-8 a zero-conf service instance name holds.
inline constexpr int maxServiceNameBytes = 63;
// Why `name` cannot be a master's service name, in English (a key of the message table); empty
// when it can. It is announced exactly as it stands and a slave finds its master by that exact
// name, so nothing is trimmed or cut: a name of 1 to 63 bytes of UTF-8, no control character,
// not spaces alone.
[[nodiscard]] QString serviceNameProblem(const QString &name);

class StationSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString role READ roleText WRITE setRoleText NOTIFY roleChanged)
    Q_PROPERTY(QString serviceName READ serviceName WRITE setServiceName NOTIFY serviceNameChanged)
    Q_PROPERTY(QString stationId READ stationId CONSTANT)
    Q_PROPERTY(QString stationKey READ stationKey WRITE setStationKey NOTIFY stationKeyChanged)

public:
    // `settings` must outlive this object. Reads `stationRole`, `stationServiceName`, `stationId`
    // in that order; a missing station id is created and written back at once.
    explicit StationSettings(QSettings *settings, QObject *parent = nullptr);

    [[nodiscard]] StationRole role() const { return m_role; }
    [[nodiscard]] QString roleText() const { return toText(m_role); }
    [[nodiscard]] const QString &serviceName() const { return m_serviceName; }
    [[nodiscard]] const QString &stationId() const { return m_stationId; }

    // Every assignment notifies and then writes its key, also when the value is unchanged.
    void setRole(StationRole role);
    // Unknown texts are ignored (the picker only offers the three raw values).
    void setRoleText(const QString &text);
    // A name with a `serviceNameProblem` is refused (false): the stored one stays.
    bool setServiceName(const QString &name);

    // The event's station key (see stationkey.h). A secret: never in the settings store; the
    // store keeps it in the key store and puts it here once loaded.
    [[nodiscard]] const QString &stationKey() const { return m_stationKey; }
    void setStationKey(const QString &key);
    // False once the key store was found unreachable: the key is then lost when Vexlo closes.
    [[nodiscard]] bool stationKeyKept() const { return m_stationKeyKept; }
    void setStationKeyKept(bool kept);

signals:
    void roleChanged();
    void serviceNameChanged();
    void stationKeyChanged();
    void stationKeyKeptChanged();

private:
    QSettings *m_settings;
    StationRole m_role = StationRole::Standalone;
    QString m_serviceName;
    QString m_stationId;
    QString m_stationKey;
    bool m_stationKeyKept = true;
};
