#include "iofstartlistparser.h"

#include "racejson.h"

#include "iofsax.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

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

// ---- Streaming ------------------------------------------------------------------------------
// The same reading from libxml2's parser events, without building the tree: the tree of a large
// list costs more to build, walk and free than the parse itself, and freeing its million nodes
// leaves the allocator a long walk on the next large allocation. Only the common case is read
// here: a well-formed StartList with at least one runner's start, no runner's start inside
// another, texts that are all short and read attributes without a reference. Anything else goes
// to the tree reader above, which says exactly what it always says.

class Stream
{
    friend struct IofSax::Events;

public:
    using Entry = IOFStartListParser::Entry;

    // Nullopt when the document is for the tree reader.
    static std::optional<QList<Entry>> read(const QByteArray &bytes, std::optional<int> raceNumber)
    {
        if (bytes.isEmpty() || bytes.size() > IofXmlDocument::maxDocumentBytes)
            return std::nullopt;
        IofXmlDocument::initParser();
        // Each runner's row is made when its element ends, taking the file's one race (race 0)
        // until its Start children name a second race number; from there the file is read again
        // for the race asked for, which then holds from its first runner.
        for (std::optional<int> race;;) {
            std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(
                xmlNewParserCtxt(), xmlFreeParserCtxt);
            if (!ctxt)
                return std::nullopt;
            Stream stream(ctxt.get(), bytes.size(), race);
            IofSax::Events::read(ctxt.get(), bytes, stream);
            if (stream.m_readAgain) {
                race = raceNumber.value_or(1);
                continue;
            }
            if (stream.m_unusual || !ctxt->wellFormed || !stream.m_rootSeen || stream.m_depth != 0
                || stream.m_runnerCount == 0)
                return std::nullopt;
            return std::move(stream.m_rows);
        }
    }

private:
    // A Start child of a runner's start: its raceNumber, and the first StartTime and SportIdent
    // card below it.
    struct RaceStart
    {
        enum Number : quint8 { Absent, Read, Unreadable };
        Number numbered = Absent;
        bool timeTaken = false;
        bool cardTaken = false;
        qint64 number = 0;
        std::optional<QDateTime> time; // absent also when the text is no time
        std::optional<QString> card;
    };
    // A runner's start (PersonStart or TeamMemberStart): the first Family, Given, StartTime and
    // SportIdent card anywhere below it, and its Start children, which are the next `startCount`
    // of m_starts from `firstStart` (the open runner's starts are all of m_starts).
    struct Runner
    {
        bool familyTaken = false, givenTaken = false, timeTaken = false, cardTaken = false;
        std::optional<QString> family;
        std::optional<QString> given;
        std::optional<QDateTime> time;
        std::optional<QString> card;
        std::size_t firstStart = 0;
        std::size_t startCount = 0;
    };
    // What an element's text goes to when it ends: the open runner's field, and the same field of
    // its open Start where that has not taken one yet.
    enum class Field : quint8 { None, Family, Given, Time, Card };
    struct Open
    {
        Field field = Field::None;
        bool intoStart = false;
        bool isStart = false;
        bool isRunner = false;
    };

    // `race`: the race whose starts are read; none while the file is taken to hold one race (race 0
    // of raceStartOf).
    Stream(xmlParserCtxtPtr ctxt, qsizetype documentBytes, std::optional<int> race)
        : m_ctxt(ctxt)
        , m_documentBytes(documentBytes)
        , m_race(race)
    { }

    // Once the first runners are read, the room for all the rows is guessed from the bytes they
    // took: the rows of a large list then never move to grow. Longer runners further on only
    // make them grow after all.
    void expectRunners()
    {
        constexpr qsizetype sample = 64;
        if (m_runnerCount == 0)
            m_firstRunnerAt = xmlByteConsumed(m_ctxt);
        if (m_runnerCount != sample)
            return;
        const qsizetype guess
            = IofSax::expectedRecords(sample, m_firstRunnerAt, xmlByteConsumed(m_ctxt), m_documentBytes);
        if (guess > 0)
            m_rows.reserve(guess);
    }

    static bool named(const xmlChar *localName, const char *name) { return IofSax::named(localName, name); }
    static bool isSportIdent(const std::optional<QString> &system) { return IofSax::isSportIdent(system); }

    void giveUp()
    {
        m_unusual = true;
        xmlStopParser(m_ctxt);
    }

    std::optional<QString> attribute(int count, const xmlChar **attributes, const char *name)
    {
        bool unusual = false;
        auto value = IofSax::attribute(count, attributes, name, unusual);
        if (unusual)
            giveUp();
        return value;
    }

    [[nodiscard]] RaceStart *openStart() { return m_startDepth > 0 ? &m_starts.back() : nullptr; }

    // Collects the element's text for `field` when the runner, or its open Start, has none yet.
    void capture(Open &open, Field field, bool &runnerTaken, bool *startTaken)
    {
        const bool intoStart = startTaken && !*startTaken;
        if (runnerTaken && !intoStart)
            return;
        open.field = field;
        open.intoStart = intoStart;
        // Set so that the text goes only where it was not taken before this element.
        open.isRunner = !runnerTaken;
        runnerTaken = true;
        if (startTaken)
            *startTaken = true;
        if (m_capturing == m_buffers.size())
            m_buffers.emplace_back();
        // Emptied, not freed: the buffers serve every text of the document.
        m_buffers[m_capturing++].resize(0);
    }

    void start(const xmlChar *localName, int attributeCount, const xmlChar **attributes)
    {
        m_textRun = 0;
        ++m_depth;
        if (!m_rootSeen) {
            m_rootSeen = true;
            if (!named(localName, "StartList")) {
                giveUp();
                return;
            }
        } else if (m_depth == 2 && named(localName, "IOFVersion")) {
            // An IOF XML 2.0.3 list, refused by the tree reader.
            giveUp();
            return;
        }
        Open open;
        const bool runnerStart = named(localName, "PersonStart") || named(localName, "TeamMemberStart");
        if (m_runnerDepth == 0) {
            if (runnerStart) {
                m_runnerDepth = m_depth;
                expectRunners();
                ++m_runnerCount;
                m_runner = Runner();
                m_starts.clear();
            }
            m_open.push_back(open);
            return;
        }
        if (runnerStart) {
            giveUp();
            return;
        }
        Runner &runner = m_runner;
        RaceStart *start = openStart();
        if (m_depth == m_runnerDepth + 1 && named(localName, "Start")) {
            RaceStart race;
            if (const auto number = attribute(attributeCount, attributes, "raceNumber")) {
                if (const auto value = iofInteger(number->trimmed())) {
                    race.numbered = RaceStart::Read;
                    race.number = *value;
                    if (m_raceNumbers == 0)
                        m_firstRaceNumber = *value;
                    if (m_raceNumbers == 0 || (m_raceNumbers == 1 && *value != m_firstRaceNumber))
                        ++m_raceNumbers;
                    if (m_raceNumbers > 1 && !m_race) {
                        // The rows made so far took the file's one race.
                        m_readAgain = true;
                        giveUp();
                        return;
                    }
                } else {
                    race.numbered = RaceStart::Unreadable;
                }
            }
            m_starts.push_back(std::move(race));
            ++runner.startCount;
            m_startDepth = m_depth;
            open.isStart = true;
        } else if (named(localName, "Family")) {
            capture(open, Field::Family, runner.familyTaken, nullptr);
        } else if (named(localName, "Given")) {
            capture(open, Field::Given, runner.givenTaken, nullptr);
        } else if (named(localName, "StartTime")) {
            capture(open, Field::Time, runner.timeTaken, start ? &start->timeTaken : nullptr);
        } else if (named(localName, "ControlCard")) {
            const bool wanted = !runner.cardTaken || (start && !start->cardTaken);
            if (wanted && isSportIdent(attribute(attributeCount, attributes, "punchingSystem")))
                capture(open, Field::Card, runner.cardTaken, start ? &start->cardTaken : nullptr);
        }
        m_open.push_back(open);
    }

    void end()
    {
        m_textRun = 0;
        const Open open = m_open.back();
        m_open.pop_back();
        if (open.field != Field::None) {
            const QByteArray &raw = m_buffers[--m_capturing];
            const QString text = IofXmlDocument::textFromXml(raw.constData());
            Runner &runner = m_runner;
            RaceStart *start = open.intoStart ? openStart() : nullptr;
            switch (open.field) {
            case Field::Family:
                runner.family = text.trimmed();
                break;
            case Field::Given:
                runner.given = text.trimmed();
                break;
            case Field::Time: {
                const auto time = IOFStartListParser::parseDate(text);
                if (open.isRunner)
                    runner.time = time;
                if (start)
                    start->time = time;
                break;
            }
            case Field::Card: {
                const QString card = text.trimmed();
                if (open.isRunner)
                    runner.card = card;
                if (start)
                    start->card = card;
                break;
            }
            case Field::None:
                break;
            }
        }
        if (open.isStart)
            m_startDepth = 0;
        if (m_depth == m_runnerDepth) {
            m_runnerDepth = 0;
            addRow();
        }
        --m_depth;
    }

    // The start of the race read (see raceStart above, which this follows on the captured Start
    // children), or nullptr.
    RaceStart *raceStartOf(const Runner &runner, int raceNumber)
    {
        RaceStart *first = &m_starts[runner.firstStart];
        RaceStart *unnumbered = nullptr;
        for (std::size_t i = 0; i < runner.startCount; ++i) {
            RaceStart &start = first[i];
            if (start.numbered == RaceStart::Absent) {
                if (!unnumbered)
                    unnumbered = &start;
                continue;
            }
            if (start.numbered == RaceStart::Read && start.number == (raceNumber == 0 ? 1 : raceNumber))
                return &start;
        }
        if (unnumbered)
            return unnumbered;
        return raceNumber == 0 && runner.startCount == 1 ? first : nullptr;
    }

    // The row of the runner whose element just ended, if it starts in the race read. The texts
    // are moved out of the captures while they are still in the cache.
    void addRow()
    {
        Runner &runner = m_runner;
        const std::optional<QDateTime> *time = &runner.time;
        std::optional<QString> *card = &runner.card;
        if (runner.startCount > 0) {
            RaceStart *start = raceStartOf(runner, m_race.value_or(0));
            if (!start)
                return;
            time = &start->time;
            if (start->card)
                card = &start->card;
        }
        if (!*time)
            return;
        Entry &row = m_rows.emplace_back();
        row.familyName = std::move(runner.family);
        row.givenName = std::move(runner.given);
        row.cardNumber = std::move(*card);
        row.startTime = **time;
    }

    // The tree holds each run of character data as one text (or CDATA) node: a run this long is
    // left to the tree reader, which refuses a text past its limit with the text's length.
    static void onText(void *, const xmlChar *chars, int length)
    {
        Stream &s = *current;
        if (s.m_unusual)
            return;
        s.m_textRun += length;
        if (s.m_textRun > IofXmlDocument::maxTextBytes) {
            s.giveUp();
            return;
        }
        for (std::size_t i = 0; i < s.m_capturing; ++i)
            s.m_buffers[i].append(reinterpret_cast<const char *>(chars), length);
    }

    // The stream reading on this thread (libxml2's callbacks carry the parser context only).
    static thread_local Stream *current;

    xmlParserCtxtPtr m_ctxt;
    qsizetype m_documentBytes = 0;
    qsizetype m_firstRunnerAt = -1;
    bool m_unusual = false;
    bool m_rootSeen = false;
    qsizetype m_textRun = 0;
    // Depth of the element open, of the runner's start open and of its Start child open (0: none).
    int m_depth = 0;
    int m_runnerDepth = 0;
    int m_startDepth = 0;
    // How many different race numbers the Start children name, up to two, and the first.
    int m_raceNumbers = 0;
    qint64 m_firstRaceNumber = 0;
    std::vector<Open> m_open;
    // The texts being collected are the first m_capturing buffers, innermost last.
    std::vector<QByteArray> m_buffers;
    std::size_t m_capturing = 0;
    // The race read, the runner open and its Start children, the runners begun and the rows made.
    std::optional<int> m_race;
    bool m_readAgain = false;
    Runner m_runner;
    std::vector<RaceStart> m_starts;
    qsizetype m_runnerCount = 0;
    QList<Entry> m_rows;
};

thread_local Stream *Stream::current = nullptr;

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
    if (std::optional<QList<Entry>> streamed = readStreaming(bytes, raceNumber))
        return std::move(*streamed);
    return readTree(bytes, raceNumber);
}

std::optional<QList<IOFStartListParser::Entry>> IOFStartListParser::readStreaming(
    const QByteArray &bytes, std::optional<int> raceNumber)
{
    return Stream::read(bytes, raceNumber);
}

QList<IOFStartListParser::Entry> IOFStartListParser::readTree(
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
