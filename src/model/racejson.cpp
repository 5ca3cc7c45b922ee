// Encoding and decoding of the event document. Each direction has two implementations over one
// form: the direct text writer and reader (racejsonwriter.cpp, racejsonreader.cpp) keep the autosave
// and sync fast, and the object-level writer and reader (racejsonobject.cpp) are the reference that
// gives every error text. Both readers exist because the direct one declines anything unusual and
// the object one then decides, so every input has exactly one outcome.

#include "racejson_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <tuple>

namespace {

std::optional<QJsonObject> parseTopObject(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("not JSON: %1 at offset %2")
                         .arg(parseError.errorString())
                         .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("the top-level value is not an object");
        return std::nullopt;
    }
    return doc.object();
}

QByteArray serialise(const QJsonObject &o, JsonLayout layout)
{
    // QJsonObject keeps its keys sorted, so the indented form is also the sorted-keys form. A raw
    // U+FEFF can only stand inside a string here; escaped, it reads back (see the text writer).
    return QJsonDocument(o)
        .toJson(layout == JsonLayout::Compact ? QJsonDocument::Compact : QJsonDocument::Indented)
        .replace("\xEF\xBB\xBF", "\\ufeff");
}

} // namespace

bool isDocumentDate(const QDateTime &date)
{
    if (!date.isValid())
        return false;
    const int year = date.toUTC().date().year();
    return year >= 1 && year <= 9999;
}

QString formatDocumentDate(const QDateTime &date)
{
    const QDateTime utc = date.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QString::asprintf(
        "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

std::optional<QDateTime> parseDocumentDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{"
                                                        "2}):([0-9]{2})(Z|([+-])([0-9]{2}):([0-9]{2}))\\z"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (m.captured(7) != QLatin1String("Z")) {
        const int hours = m.captured(9).toInt();
        const int minutes = m.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (m.captured(8) == QLatin1String("-") ? -1 : 1);
    }
    const QDateTime utc = QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
    if (!isDocumentDate(utc))
        return std::nullopt;
    return utc;
}

std::optional<QByteArray> encodeRace(const Race &race, JsonLayout layout, QString *error)
{
    auto bytes = racejson_detail::writeRaceText(race, layout);
    if (bytes)
        return bytes;
    // The text writer stops on the values the object writer refuses; let it say what and where.
    auto o = raceToJsonObject(race, error);
    if (!o)
        return std::nullopt;
    return serialise(*o, layout);
}

std::optional<QByteArray> encodeRaceAfter(
    QByteArrayView prefix, const Race &race, JsonLayout layout, QString *error)
{
    if (auto bytes = racejson_detail::writeRaceText(race, layout, prefix))
        return bytes;
    // A value the text writer stops on: encodeRace names it, or gives the object writer's text.
    auto text = encodeRace(race, layout, error);
    if (!text)
        return std::nullopt;
    return prefix.toByteArray() + *text;
}

std::optional<QByteArray> encodePersonResult(const PersonResult &result, JsonLayout layout, QString *error)
{
    auto bytes = racejson_detail::writePersonResultText(result, layout);
    if (bytes)
        return bytes;
    auto o = personResultToJsonObject(result, error);
    if (!o)
        return std::nullopt;
    return serialise(*o, layout);
}

std::optional<Race> decodeRace(const QByteArray &json, QString *error)
{
    if (auto race = racejson_detail::readRaceText(json))
        return race;
    auto o = parseTopObject(json, error);
    if (!o)
        return std::nullopt;
    return raceFromJsonObject(*o, error);
}

std::optional<Race> decodeLeadingRace(QByteArrayView text, qsizetype *length)
{
    return racejson_detail::readLeadingRaceText(text, length);
}

std::optional<PersonResult> decodePersonResult(const QByteArray &json, QString *error)
{
    if (auto result = racejson_detail::readPersonResultText(json))
        return result;
    auto o = parseTopObject(json, error);
    if (!o)
        return std::nullopt;
    return personResultFromJsonObject(*o, error);
}
