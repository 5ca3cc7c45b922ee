#include "iofresultlistwriter.h"

#include "bufferstash.h"
#include "documenttext.h"
#include "racelookup.h"
#include "splitlegs.h"
#include "uuidslots.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace iofwrite {

// Written straight into the document: a temporary per line would be allocated and freed once for
// every element of every runner.
void line(QString &out, int indent, const QString &text)
{
    out.resize(out.size() + indent, QLatin1Char(' '));
    out += text;
    out += QLatin1Char('\n');
}

void element(QString &out, int indent, const char *name, const QString &value)
{
    const QLatin1StringView tag(name);
    out.resize(out.size() + indent, QLatin1Char(' '));
    out += QLatin1Char('<');
    out += tag;
    out += QLatin1Char('>');
    out += value;
    out += QLatin1StringView("</");
    out += tag;
    out += QLatin1StringView(">\n");
}

void organisation(QString &out, int indent, const std::optional<QString> &club)
{
    // Result services read the club from the person's Organisation; a runner without one has none.
    if (!club || club->trimmed().isEmpty())
        return;
    line(out, indent, QStringLiteral("<Organisation>"));
    element(out, indent + 2, "Name", escapeXmlText(club->trimmed()));
    line(out, indent, QStringLiteral("</Organisation>"));
}

void personOpen(QString &out, const QString &family, const QString &given, const std::optional<QString> &club)
{
    line(out, 4, QStringLiteral("<PersonResult>"));
    line(out, 6, QStringLiteral("<Person>"));
    line(out, 8, QStringLiteral("<Name>"));
    element(out, 10, "Family", escapeXmlText(family));
    element(out, 10, "Given", escapeXmlText(given));
    line(out, 8, QStringLiteral("</Name>"));
    line(out, 6, QStringLiteral("</Person>"));
    organisation(out, 6, club);
    line(out, 6, QStringLiteral("<Result>"));
}

void personClose(QString &out)
{
    line(out, 6, QStringLiteral("</Result>"));
    line(out, 4, QStringLiteral("</PersonResult>"));
}

} // namespace iofwrite

namespace {

// The buffer of the last large result list, kept for the next. A list without split times takes
// about a fifth of the bytes of the one with them (some 510 against 2,700 a row): written after it,
// as an organiser exports both, it goes into the pages the larger one touched rather than into
// fresh ones, and the two kinds share one buffer.
BufferStash &keptListBuffer()
{
    static BufferStash kept(8);
    return kept;
}

template<qsizetype N, qsizetype M>
void numberElement(Utf8Document &out, int indent, const char (&open)[N], const char (&close)[M], qint64 value)
{
    out.indent(indent);
    out.ascii(open);
    out.number(value);
    out.ascii(close);
}

template<qsizetype N, qsizetype M>
void dateTimeElement(
    Utf8Document &out, int indent, const char (&open)[N], const char (&close)[M], const QDateTime &time)
{
    char text[20];
    if (!iofDateTimeText(text, time))
        return;
    out.indent(indent);
    out.ascii(open);
    out.bytes(text, sizeof text);
    out.ascii(close);
}

void head(Utf8Document &out, const Race &race, bool overall)
{
    out.ascii("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.ascii("<ResultList iofVersion=\"3.0\" xmlns=\"");
    out.bytes(iofNamespace, qsizetype(std::strlen(iofNamespace)));
    out.ascii("\">\n");
    out.line(2, "<Event>");
    out.indent(4);
    out.ascii("<Name>");
    out.text(race.name);
    if (overall)
        out.ascii(" - Overall");
    out.ascii("</Name>\n");
    out.line(2, "</Event>");
}

void classOpen(Utf8Document &out, const QString &label)
{
    out.line(2, "<ClassResult>");
    out.line(4, "<Class>");
    out.textElement(6, "<Name>", "</Name>\n", label);
    out.line(4, "</Class>");
}

void personOpen(
    Utf8Document &out, const QString &family, const QString &given, const std::optional<QString> &club)
{
    out.line(4, "<PersonResult>");
    out.line(6, "<Person>");
    out.line(8, "<Name>");
    out.textElement(10, "<Family>", "</Family>\n", family);
    out.textElement(10, "<Given>", "</Given>\n", given);
    out.line(8, "</Name>");
    out.line(6, "</Person>");
    // Result services read the club from the person's Organisation; a runner without one has none.
    if (club) {
        const QStringView name = QStringView(*club).trimmed();
        if (!name.isEmpty()) {
            out.line(6, "<Organisation>");
            out.textElement(8, "<Name>", "</Name>\n", name);
            out.line(6, "</Organisation>");
        }
    }
    out.line(6, "<Result>");
}

void personClose(Utf8Document &out)
{
    out.line(6, "</Result>");
    out.line(4, "</PersonResult>");
}

// iofResultStatus's text for a result and the course its id finds (isScoreResult's rule).
const char *statusText(const PersonResult &result, const Course *course)
{
    return iofStatusOfVerdict(resultVerdict(result, isScoreResult(course, result)));
}

// findCourse for each row's course id, each distinct id text looked up once per document: the
// look-up compares every course's id by canonical equivalence, while courses are few and a class's
// rows share a few. The ids of the last few rows are known by their characters' address (the rows
// outlive the document, so an address seen again holds the same text): rows whose id was copied
// from one text, as most are, then cost no hashing and no reference counting.
class CourseOfResult
{
public:
    explicit CourseOfResult(const Race &race)
        : m_race(race)
    { }
    const Course *find(const std::optional<QString> &courseId)
    {
        if (!courseId)
            return nullptr;
        const QString &id = *courseId;
        for (const Recent &recent : m_recent) {
            if (recent.text == id.constData() && recent.size == id.size())
                return recent.course;
        }
        auto it = m_found.constFind(id);
        if (it == m_found.constEnd())
            it = m_found.insert(id, findCourse(m_race, courseId));
        m_recent[m_next] = {id.constData(), id.size(), *it};
        m_next = (m_next + 1) % m_recent.size();
        return *it;
    }

private:
    struct Recent
    {
        const QChar *text = nullptr;
        qsizetype size = -1;
        const Course *course = nullptr;
    };
    const Race &m_race;
    QHash<QString, const Course *> m_found;
    std::array<Recent, 4> m_recent;
    size_t m_next = 0;
};

void status(Utf8Document &out, const char *text)
{
    out.indent(8);
    out.ascii("<Status>");
    out.bytes(text, qsizetype(std::strlen(text)));
    out.ascii("</Status>\n");
}

bool mayHoldUntimedPunch(const PersonResult &result)
{
    const QList<SplitTime> &splits = result.splits;
    const QDateTime *previous = nullptr;
    for (const SplitTime &split : splits) {
        if (split.status == SplitStatus::Missing)
            continue;
        if (previous && *previous == split.time)
            return true;
        if (result.finishTime && split.time == *result.finishTime)
            return true;
        previous = &split.time;
    }
    return false;
}

// `ahead` the split times of a row still to come (or none): their trips to memory are started one
// split at a time, so that they overlap the writing instead of waiting on each other, and into
// the second-level cache: fetches into the first level hold one of its few outstanding-miss
// entries until the line arrives, and the streaming stores of a large list need those too.
void splitTimes(Utf8Document &out, const PersonResult &result, const QList<SplitTime> *ahead)
{
    const char *aheadAt = ahead ? reinterpret_cast<const char *>(ahead->constData()) : nullptr;
    const qsizetype aheadCount = ahead ? ahead->size() : 0;
    // A punch the card holds without a time carries the time of a punch beside it or the finish's;
    // only a result where two such times meet has its punches looked at (one more trip to memory
    // per row) to tell which splits are untimed.
    std::optional<SplitLegs> legs;
    if (result.punches && mayHoldUntimedPunch(result))
        legs = splitLegs(result);
    qsizetype index = 0;
    for (const SplitTime &split : result.splits) {
        const SplitLeg *times = legs ? &legs->splits.at(index) : nullptr;
        if (index < aheadCount) {
            __builtin_prefetch(aheadAt + index * qsizetype(sizeof(SplitTime)), 0, 2);
            __builtin_prefetch(aheadAt + (index + 1) * qsizetype(sizeof(SplitTime)) - 1, 0, 2);
        }
        ++index;
        // Only the exceptions carry a status; "OK" is the schema's default.
        switch (split.status) {
        case SplitStatus::Missing:
            out.line(8, "<SplitTime status=\"Missing\">");
            break;
        case SplitStatus::Additional:
            out.line(8, "<SplitTime status=\"Additional\">");
            break;
        case SplitStatus::Ok:
        case SplitStatus::VisitedNoTime:
            out.line(8, "<SplitTime>");
            break;
        }
        numberElement(out, 10, "<ControlCode>", "</ControlCode>\n", split.controlCode);
        // A punch without a usable time has no Time element.
        if (split.status == SplitStatus::Ok || split.status == SplitStatus::Additional) {
            if (const std::optional<double> elapsed = times ? times->elapsed : split.elapsedFromStart) {
                if (const auto s = truncatedSeconds(*elapsed))
                    numberElement(out, 10, "<Time>", "</Time>\n", *s);
            }
        }
        out.line(8, "</SplitTime>");
    }
    for (; index < aheadCount; ++index)
        __builtin_prefetch(aheadAt + index * qsizetype(sizeof(SplitTime)), 0, 2);
}

enum class Kind { Summary, Splits };

// How many rows ahead of the one written the split times are fetched (see splitTimes).
constexpr qsizetype SplitsAhead = 1;

// Rows are written in the caller's order, while their runners, names and split times lie where
// they were made: with tens of thousands of runners each is a trip to memory. The trips for the
// next rows are started while a row is written (a runner's record two rows ahead, as its names
// are found through it one row ahead).
[[gnu::always_inline]] inline void prefetch(const void *at, qsizetype bytes = 1)
{
    const char *c = static_cast<const char *>(at);
    for (qsizetype offset = 0; offset < bytes; offset += 64)
        __builtin_prefetch(c + offset);
}

QByteArray stageDocument(
    const Race &race, const QList<ResultGroup> &groups, Kind kind, IOFListBuffering buffering)
{
    qsizetype rows = 0;
    for (const ResultGroup &g : groups)
        rows += g.results.size();
    Utf8Document out(keptListBuffer(), 512 + rows * (kind == Kind::Splits ? 2800 : 600), buffering);
    head(out, race, false);
    const FirstPlaces participants(race.participants);
    // A row reads a participant's id, names and club, which come first in its record.
    const qsizetype participantBytes = race.participants.isEmpty()
        ? 0
        : reinterpret_cast<const char *>(&race.participants.first().club + 1)
            - reinterpret_cast<const char *>(&race.participants.first());
    CourseOfResult courses(race);
    const QString none;
    const std::optional<QString> noClub;
    std::vector<const Participant *> runners;
    for (const ResultGroup &group : groups) {
        classOpen(out, group.classLabel);
        const qsizetype count = group.results.size();
        // Behind the winner's Time as written, so that the two numbers a reader sees subtract.
        const std::optional<qint64> leaderSeconds
            = group.leaderTime ? truncatedSeconds(*group.leaderTime) : std::nullopt;
        // Never below 0: a row's time behind is written only when it is no less.
        const qint64 leader = leaderSeconds.value_or(std::numeric_limits<qint64>::max());
        // The look-ups are independent of each other, so a pass of them alone overlaps their trips.
        runners.clear();
        for (const PersonResult &result : group.results) {
            const qint64 at = participants.find(result.participantId);
            runners.push_back(at < 0 ? nullptr : &race.participants[at]);
        }
        runners.push_back(nullptr);
        runners.push_back(nullptr);
        for (qsizetype row = 0; row < count; ++row) {
            if (const Participant *later = runners[size_t(row) + 2])
                prefetch(later, participantBytes);
            if (const Participant *next = runners[size_t(row) + 1]) {
                prefetch(next->familyName.constData());
                prefetch(next->givenName.constData());
                if (next->club)
                    prefetch(next->club->constData());
            }
            if (row + 1 < count)
                prefetch(group.results.at(row + 1).cardNumber.constData());
            const PersonResult &result = group.results.at(row);
            const Participant *runner = runners[size_t(row)];
            personOpen(out, runner ? runner->familyName : none, runner ? runner->givenName : none,
                runner ? runner->club : noClub);
            // The list with split times says as much of the result as the one without: programs
            // that analyse the splits place and time the runners by these.
            if (result.startTime)
                dateTimeElement(out, 8, "<StartTime>", "</StartTime>\n", *result.startTime);
            if (result.finishTime)
                dateTimeElement(out, 8, "<FinishTime>", "</FinishTime>\n", *result.finishTime);
            // A plain number and flag: an optional here leaves the compiler unsure it is set.
            qint64 time = 0;
            bool timed = false;
            if (result.raceTime) {
                if (const auto s = truncatedSeconds(*result.raceTime)) {
                    time = *s;
                    timed = true;
                    numberElement(out, 8, "<Time>", "</Time>\n", time);
                }
            }
            const std::optional<qint64> place = placeOfRow(group.places, row);
            if (place && timed && time >= leader)
                numberElement(out, 8, "<TimeBehind>", "</TimeBehind>\n", time - leader);
            if (place)
                numberElement(out, 8, "<Position>", "</Position>\n", *place);
            status(out, statusText(result, courses.find(result.courseId)));
            if (result.score)
                numberElement(out, 8, "<Score>", "</Score>\n", *result.score);
            if (kind == Kind::Splits) {
                splitTimes(out, result,
                    row + SplitsAhead < count ? &group.results.at(row + SplitsAhead).splits : nullptr);
            }
            out.textElement(8, "<ControlCard>", "</ControlCard>\n", result.cardNumber);
            personClose(out);
        }
        // Marked as not started or not finished without a result: no time, no place.
        for (const MarkedRunner &runner : group.marked) {
            const Participant &p = runner.participant;
            personOpen(out, p.familyName, p.givenName, p.club);
            status(out, runner.status == ParticipantStatus::Dns ? "DidNotStart" : "DidNotFinish");
            if (!p.cardNumber.isEmpty())
                out.textElement(8, "<ControlCard>", "</ControlCard>\n", p.cardNumber);
            personClose(out);
        }
        out.line(2, "</ClassResult>");
    }
    out.ascii("</ResultList>\n");
    return out.finish();
}

} // namespace

const char *iofStatusOfVerdict(ResultVerdict verdict)
{
    switch (verdict) {
    case ResultVerdict::Completed:
    case ResultVerdict::InTime:
    case ResultVerdict::Scored:
        return "OK";
    // Finished, not yet validated: the run is whole but its time or its verdict waits for the
    // organiser (a start time, a look at the card), or no course could judge it.
    case ResultVerdict::NoStartTime:
    case ResultVerdict::UnderReview:
    case ResultVerdict::None:
        return "Finished";
    case ResultVerdict::DidNotFinish:
        return "DidNotFinish";
    case ResultVerdict::OverTime:
        return "OverTime";
    case ResultVerdict::Mispunch:
        break;
    }
    return "MissingPunch";
}

const char *iofOverallStatus(OverallStatus status)
{
    switch (status) {
    case OverallStatus::Placed:
        return "OK";
    case OverallStatus::Mispunch:
        return "MissingPunch";
    case OverallStatus::Disqualified:
        return "Disqualified";
    case OverallStatus::OverTime:
        return "OverTime";
    case OverallStatus::DidNotStart:
        return "DidNotStart";
    case OverallStatus::DidNotFinish:
        return "DidNotFinish";
    // The runner finished, but a stage's time or verdict waits for the organiser.
    case OverallStatus::UnderReview:
    case OverallStatus::NoStartTime:
    case OverallStatus::Unplaced:
        break;
    }
    return "Finished";
}

QString iofResultStatus(const Race &race, const PersonResult &result)
{
    return QString::fromLatin1(statusText(result, findCourse(race, result.courseId)));
}

QByteArray writeIOFResultListXML(
    const Race &race, const QList<ResultGroup> &groups, IOFListBuffering buffering)
{
    return stageDocument(race, groups, Kind::Summary, buffering);
}

QByteArray writeIOFResultListWithSplitsXML(
    const Race &race, const QList<ResultGroup> &groups, IOFListBuffering buffering)
{
    return stageDocument(race, groups, Kind::Splits, buffering);
}

QByteArray writeIOFOverallResultListXML(
    const Race &race, const QList<StandingsGroup> &groups, IOFListBuffering buffering)
{
    qsizetype rows = 0;
    for (const StandingsGroup &g : groups)
        rows += g.rows.size();
    Utf8Document out(keptListBuffer(), 512 + rows * 600, buffering);
    head(out, race, true);
    for (const StandingsGroup &group : groups) {
        classOpen(out, group.classLabel);
        for (qsizetype index = 0; index < group.rows.size(); ++index) {
            const StandingsRow &row = group.rows.at(index);
            personOpen(out, row.participant.familyName, row.participant.givenName, row.participant.club);
            if (row.totalTime) {
                if (const auto s = truncatedSeconds(*row.totalTime))
                    numberElement(out, 8, "<Time>", "</Time>\n", *s);
            }
            if (const auto place = placeOfRow(group.places, index))
                numberElement(out, 8, "<Position>", "</Position>\n", *place);
            status(out, iofOverallStatus(row.status));
            // The points a class ranked by points is placed by, as the stage lists give a score run's.
            if (row.totalScore)
                numberElement(out, 8, "<Score>", "</Score>\n", *row.totalScore);
            personClose(out);
        }
        out.line(2, "</ClassResult>");
    }
    out.ascii("</ResultList>\n");
    return out.finish();
}
