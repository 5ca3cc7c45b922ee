#include "stationsettings.h"

#include <QSettings>
#include <QUuid>

#include <algorithm>

namespace {
const QString roleKey = QStringLiteral("stationRole");
const QString serviceNameKey = QStringLiteral("stationServiceName");
const QString stationIdKey = QStringLiteral("stationId");
} // namespace

QString toText(StationRole role)
{
    switch (role) {
    case StationRole::Standalone:
        return QStringLiteral("standalone");
    case StationRole::Master:
        return QStringLiteral("master");
    case StationRole::Slave:
        return QStringLiteral("slave");
    }
    return {};
}

std::optional<StationRole> stationRoleFromText(const QString &text)
{
    for (StationRole role : allStationRoles) {
        if (toText(role) == text)
            return role;
    }
    return std::nullopt;
}

QString stationRoleTitle(StationRole role)
{
    switch (role) {
    case StationRole::Standalone:
        return QStringLiteral("Standalone");
    case StationRole::Master:
        return QStringLiteral("Master");
    case StationRole::Slave:
        return QStringLiteral("Slave");
    }
    return {};
}

QString serviceNameProblem(const QString &name)
{
    if (std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral(
            "The service name cannot hold a line break, a tab or another control character.");
    if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isSpace(); }))
        return QStringLiteral(
            "The service name cannot be empty or only spaces: the slaves find the master by it.");
    const qsizetype bytes = name.toUtf8().size();
    if (bytes > maxServiceNameBytes)
        return QStringLiteral("The service name takes %1 bytes; at most %2 can be announced (æ, ø and å take "
                              "two bytes each).")
            .arg(bytes)
            .arg(maxServiceNameBytes);
    return {};
}

StationSettings::StationSettings(QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    // A stored text that is not one of the raw values stays stored until the role is next set.
    m_role = stationRoleFromText(m_settings->value(roleKey).toString()).value_or(StationRole::Standalone);
    const QVariant name = m_settings->value(serviceNameKey);
    m_serviceName = name.isValid() ? name.toString() : QStringLiteral("Vexlo Race");
    const QVariant id = m_settings->value(stationIdKey);
    if (id.isValid()) {
        m_stationId = id.toString();
    } else {
        m_stationId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        m_settings->setValue(stationIdKey, m_stationId);
    }
}

void StationSettings::setRole(StationRole role)
{
    m_role = role;
    emit roleChanged();
    m_settings->setValue(roleKey, toText(role));
}

void StationSettings::setRoleText(const QString &text)
{
    if (auto role = stationRoleFromText(text))
        setRole(*role);
}

bool StationSettings::setServiceName(const QString &name)
{
    if (!serviceNameProblem(name).isEmpty())
        return false;
    m_serviceName = name;
    emit serviceNameChanged();
    m_settings->setValue(serviceNameKey, name);
    return true;
}

void StationSettings::setStationKey(const QString &key)
{
    if (m_stationKey == key)
        return;
    m_stationKey = key;
    emit stationKeyChanged();
}

void StationSettings::setStationKeyKept(bool kept)
{
    if (m_stationKeyKept == kept)
        return;
    m_stationKeyKept = kept;
    emit stationKeyKeptChanged();
}
