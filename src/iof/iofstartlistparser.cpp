#include "iofstartlistparser.h"

#include "racejson.h"

#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>

namespace {

using Node = IofXmlDocument::Node;

// xs:dateTime: date, time with any number of fractional digits, and an optional zone. The pattern
// is compiled once, on first use, and only read afterwards.
const QRegularExpression &dateTimeForm()
{
    static const QRegularExpression re(QStringLiteral(
        R"(\A(-?[0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\.([0-9]+))?(Z|[+-][0-9]{2}:[0-9]{2})?\z)"));
    return re;
}

// The file is walked as a tree: the readers' XPath evaluates a name test for every element of the
// document per query, which for a large list costs more than the rest of the import.

bool isRunnerStart(Node node)
{
    return IofXmlDocument::isElement(node, "PersonStart")
        || IofXmlDocument::isElement(node, "TeamMemberStart");
}

// The first element named `localName` below `top` in document order (`.//*[local-name()='NAME']`).
Node firstBelow(Node top, const char *localName)
{
    for (Node node = IofXmlDocument::nextElement(top, top); node;
         node = IofXmlDocument::nextElement(node, top)) {
        if (IofXmlDocument::isElement(node, localName))
            return node;
    }
    return nullptr;
}

// The trimmed text of that element; absent without one.
std::optional<QString> textBelow(Node top, const char *localName)
{
    if (const Node node = firstBelow(top, localName))
        return IofXmlDocument::stringValue(node).trimmed();
    return std::nullopt;
}

// The Start of the race being imported: the one with that raceNumber, else one without a number.
// Race 0 stands for the file's one race: the runner's only start. (A plain number rather than an
// optional: GCC 12 cannot see through the optional here.)
Node raceStart(Node personStart, int raceNumber)
{
    Node first = IofXmlDocument::firstChild(personStart, "Start");
    if (!first)
        return personStart; // not the IOF form; read the whole element as before
    Node unnumbered = nullptr;
    qsizetype count = 0;
    for (Node start = first; start; start = IofXmlDocument::nextSibling(start, "Start")) {
        ++count;
        const auto attribute = IofXmlDocument::attribute(start, "raceNumber");
        if (!attribute) {
            if (!unnumbered)
                unnumbered = start;
            continue;
        }
        if (iofInteger(attribute->trimmed()) == (raceNumber == 0 ? 1 : raceNumber))
            return start;
    }
    if (unnumbered)
        return unnumbered;
    return raceNumber == 0 && count == 1 ? first : nullptr;
}

} // namespace

std::optional<QDateTime> IOFStartListParser::parseDate(const QString &text)
{
    // xs:dateTime collapses white space.
    const auto m = dateTimeForm().match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int hour = m.captured(4).toInt();
    const int minute = m.captured(5).toInt();
    const int second = m.captured(6).toInt();
    // Fractions beyond milliseconds are cut, not rounded, so a time never moves to the next second.
    const QString fraction = m.captured(7);
    const int msec = fraction.isEmpty() ? 0 : fraction.left(3).leftJustified(3, u'0').toInt();
    QTime time(hour, minute, second, msec);
    // 24:00:00 is the end of the day, that is midnight of the next.
    const bool endOfDay = hour == 24 && minute == 0 && second == 0 && msec == 0;
    if (endOfDay)
        time = QTime(0, 0);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    if (endOfDay)
        date = date.addDays(1);
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
    // Only instants the event file can hold (0001-01-01T00:30:00 local east of Greenwich is year 0).
    if (!result.isValid() || !isDocumentDate(result))
        return std::nullopt;
    return result.toUTC();
}

QList<IOFStartListParser::Entry> IOFStartListParser::parse(
    const QByteArray &bytes, std::optional<int> raceNumber)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);
    doc.expectRoot("StartList", QStringLiteral("start times"));
    // Every runner's start in document order (`//*[PersonStart or TeamMemberStart]`), and the race
    // numbers their Start children name. One number or none: the file holds one race, which is read
    // whatever stage it is imported into (as with course data).
    QList<Node> starts;
    QSet<qint64> raceNumbers;
    const Node top = doc.root();
    for (Node node = top; node; node = IofXmlDocument::nextElement(node, top)) {
        if (!isRunnerStart(node))
            continue;
        starts.append(node);
        for (Node start = IofXmlDocument::firstChild(node, "Start"); start;
             start = IofXmlDocument::nextSibling(start, "Start")) {
            if (const auto attribute = IofXmlDocument::attribute(start, "raceNumber")) {
                if (const auto number = iofInteger(attribute->trimmed()))
                    raceNumbers.insert(*number);
            }
        }
    }
    if (starts.isEmpty())
        throw ParseError(QStringLiteral("No <PersonStart> elements found in StartList XML"));

    // A file of several races read for an event of one race takes race 1: a runner who starts only
    // in a later race has no start in it.
    const int race = raceNumbers.size() <= 1 ? 0 : raceNumber.value_or(1);

    QList<Entry> rows;
    rows.reserve(starts.size());
    for (Node personStart : starts) {
        // Only this race's start: a runner entered only for a later race does not start in this one.
        const Node start = raceStart(personStart, race);
        if (!start)
            continue;
        const Node timeNode = firstBelow(start, "StartTime");
        if (!timeNode)
            continue;
        const auto startTime = parseDate(IofXmlDocument::stringValue(timeNode));
        if (!startTime)
            continue;
        Entry row;
        row.familyName = textBelow(personStart, "Family");
        row.givenName = textBelow(personStart, "Given");
        row.cardNumber = sportIdentCardWithin(start);
        if (!row.cardNumber && start != personStart)
            row.cardNumber = sportIdentCardWithin(personStart);
        row.startTime = *startTime;
        rows.append(row);
    }
    return rows;
}
