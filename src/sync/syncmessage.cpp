#include "syncmessage.h"

#include "racejson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <limits>

QString toText(SyncMessageKind kind)
{
    switch (kind) {
    case SyncMessageKind::Hello:
        return QStringLiteral("hello");
    case SyncMessageKind::Snapshot:
        return QStringLiteral("snapshot");
    case SyncMessageKind::SubmitResult:
        return QStringLiteral("submitResult");
    }
    return {};
}

std::optional<QByteArray> encodeSyncMessage(const SyncMessage &message)
{
    QJsonObject object;
    object.insert(QStringLiteral("kind"), toText(message.kind));
    object.insert(QStringLiteral("stationId"), message.stationId);
    if (message.race) {
        auto race = raceToJsonObject(*message.race);
        if (!race)
            return std::nullopt;
        object.insert(QStringLiteral("race"), *race);
    }
    if (message.result) {
        auto result = personResultToJsonObject(*message.result);
        if (!result)
            return std::nullopt;
        object.insert(QStringLiteral("result"), *result);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QByteArray> frameSyncMessage(const SyncMessage &message)
{
    auto body = encodeSyncMessage(message);
    if (!body || quint64(body->size()) > std::numeric_limits<quint32>::max())
        return std::nullopt;
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body->size()), frame.data());
    frame.append(*body);
    return frame;
}
