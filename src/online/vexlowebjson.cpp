#include "vexlowebjson.h"

#include "textchecks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

QByteArray jsonString(const QString &text)
{
    // A one-element array is the shortest way to Qt's own string escaping.
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// Throws the description of the first problem.
struct DecodeError
{
    QString description;
};

QJsonObject parseObject(const QByteArray &body)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError)
        throw DecodeError {QStringLiteral("the answer is not valid JSON (%1 at byte %2 of %3)")
                               .arg(parse.errorString())
                               .arg(std::min(qsizetype(parse.offset), body.size()))
                               .arg(body.size())};
    if (!document.isObject())
        throw DecodeError {QStringLiteral("the answer is not a JSON object")};
    return document.object();
}

QString requiredString(const QJsonObject &object, const QString &member, const QString &where)
{
    const QJsonValue value = object.value(member);
    if (value.isUndefined())
        throw DecodeError {where + member + QStringLiteral(" is missing")};
    if (!value.isString())
        throw DecodeError {where + member + QStringLiteral(" is not a string")};
    return value.toString();
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &member, const QString &where)
{
    const QJsonValue value = object.value(member);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        throw DecodeError {where + member + QStringLiteral(" is not a string")};
    return value.toString();
}

bool requiredBool(const QJsonObject &object, const QString &member, const QString &where)
{
    const QJsonValue value = object.value(member);
    if (value.isUndefined())
        throw DecodeError {where + member + QStringLiteral(" is missing")};
    if (!value.isBool())
        throw DecodeError {where + member + QStringLiteral(" is not true or false")};
    return value.toBool();
}

} // namespace

QByteArray eventsRequestBody(const EventsRequest &request)
{
    QByteArray body = "{";
    if (request.eventId)
        body += "\"eventId\":" + jsonString(*request.eventId) + ',';
    body += "\"name\":" + jsonString(request.name);
    if (request.eventDate) {
        const QString day = request.eventDate->toLocalTime().date().toString(QStringLiteral("yyyy-MM-dd"));
        body += ",\"eventDate\":" + jsonString(day);
    }
    if (request.rotateChecklistKey)
        body += ",\"rotateChecklistKey\":true";
    return body + '}';
}

std::optional<VexloWebEvent> decodeVexloWebEvent(const QByteArray &body, QString *error)
{
    try {
        const QJsonObject object = parseObject(body);
        VexloWebEvent event {requiredString(object, QStringLiteral("eventId"), {}),
            requiredString(object, QStringLiteral("name"), {}),
            optionalString(object, QStringLiteral("eventDate"), {}),
            optionalString(object, QStringLiteral("checklistKey"), {})};
        // The key is sent back as a request header and the id in later requests.
        if (event.checklistKey && hasControlCharacter(*event.checklistKey))
            throw DecodeError {
                QStringLiteral("checklistKey holds a line break or another control character")};
        if (hasControlCharacter(event.eventId))
            throw DecodeError {QStringLiteral("eventId holds a line break or another control character")};
        return event;
    } catch (const DecodeError &e) {
        *error = e.description;
        return std::nullopt;
    }
}

std::optional<QList<ChecklistEntry>> decodeChecklistEntries(const QByteArray &body, QString *error)
{
    try {
        const QJsonObject object = parseObject(body);
        (void)requiredString(object, QStringLiteral("eventId"), {});
        const QJsonValue entries = object.value(QStringLiteral("entries"));
        if (entries.isUndefined())
            throw DecodeError {QStringLiteral("entries is missing")};
        if (!entries.isArray())
            throw DecodeError {QStringLiteral("entries is not a list")};
        QList<ChecklistEntry> list;
        const QJsonArray array = entries.toArray();
        list.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString where = QStringLiteral("entries[%1].").arg(i);
            if (!array[i].isObject())
                throw DecodeError {QStringLiteral("entries[%1] is not an object").arg(i)};
            const QJsonObject entry = array[i].toObject();
            list.append({requiredString(entry, QStringLiteral("id"), where),
                requiredString(entry, QStringLiteral("sportident"), where),
                requiredString(entry, QStringLiteral("startStatus"), where),
                requiredBool(entry, QStringLiteral("hasNewSportident"), where),
                optionalString(entry, QStringLiteral("newSportident"), where)});
        }
        return list;
    } catch (const DecodeError &e) {
        *error = e.description;
        return std::nullopt;
    }
}
