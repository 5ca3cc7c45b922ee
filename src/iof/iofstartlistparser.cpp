#include "iofstartlistparser.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace {

using Node = IofXmlDocument::Node;

// The four readers, tried in this order. Each pattern is compiled once, on first use, and only
// read afterwards (function-local statics are initialised once, thread-safely).
const QRegularExpression &isoFractionalReader()
{
    static const QRegularExpression re(QStringLiteral(
        R"(\A([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})\.([0-9]+)(Z|[+-][0-9]{2}:[0-9]{2})\z)"));
    return re;
}
const QRegularExpression &isoReader()
{
    static const QRegularExpression re(QStringLiteral(
        R"(\A([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})()(Z|[+-][0-9]{2}:[0-9]{2})\z)"));
    return re;
}
const QRegularExpression &localMillisecondsReader()
{
    static const QRegularExpression re(QStringLiteral(
        R"(\A([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})\.([0-9]{3})()\z)"));
    return re;
}
const QRegularExpression &localReader()
{
    static const QRegularExpression re(
        QStringLiteral(R"(\A([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})()()\z)"));
    return re;
}

// Captures: 1-6 date and time, 7 fraction digits (may be empty), 8 zone (empty: local time).
std::optional<QDateTime> read(const QRegularExpression &reader, const QString &text)
{
    const auto m = reader.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    int msec = 0;
    const QString fraction = m.captured(7);
    if (!fraction.isEmpty())
        msec = fraction.left(3).leftJustified(3, u'0').toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), msec);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QString zone = m.captured(8);
    QDateTime result;
    if (zone.isEmpty()) {
        result = QDateTime(date, time, Qt::LocalTime);
    } else if (zone == u"Z") {
        result = QDateTime(date, time, Qt::UTC);
    } else {
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        const int offset = (hours * 3600 + minutes * 60) * (zone.front() == u'-' ? -1 : 1);
        result = QDateTime(date, time, QTimeZone(offset));
    }
    if (!result.isValid())
        return std::nullopt;
    return result.toUTC();
}

} // namespace

std::optional<QDateTime> IOFStartListParser::parseDate(const QString &text)
{
    for (const QRegularExpression *reader :
        {&isoFractionalReader(), &isoReader(), &localMillisecondsReader(), &localReader()}) {
        if (auto date = read(*reader, text))
            return date;
    }
    return std::nullopt;
}

QList<IOFStartListParser::Entry> IOFStartListParser::parse(const QByteArray &bytes)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);
    const auto starts = doc.query("//*[local-name()='PersonStart' or local-name()='TeamMemberStart']");
    if (starts.isEmpty())
        throw ParseError(QStringLiteral("No <PersonStart> elements found in StartList XML"));

    QList<Entry> rows;
    rows.reserve(starts.size());
    for (Node start : starts) {
        // The start time is read untrimmed: the readers decide what they accept.
        const QList<Node> timeNodes = doc.query(".//*[local-name()='StartTime']", start, false);
        if (timeNodes.isEmpty())
            continue;
        const auto startTime = parseDate(IofXmlDocument::stringValue(timeNodes.first()));
        if (!startTime)
            continue;
        Entry row;
        row.familyName = doc.text(".//*[local-name()='Family']", start);
        row.givenName = doc.text(".//*[local-name()='Given']", start);
        row.cardNumber = doc.text(".//*[local-name()='ControlCard']", start);
        row.startTime = *startTime;
        rows.append(row);
    }
    return rows;
}
