// The Metsä upload document: a small, fixed subset of an IOF XML 3.0 ResultList (event name,
// classes, runners with name, start, time, status and card), always of the whole race.

#include "bufferstash.h"
#include "documenttext.h"
#include "iofresultlistwriter.h"
#include "metsapublisher.h"
#include "perstage.h"
#include "racelookup.h"
#include "resultgroups.h"
#include "resultverdict.h"
#include "utf8document.h"
#include "uuidslots.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

using namespace iofwrite;

namespace {

// xsd:dateTime in the computer's time zone with its offset ("Z" at zero), no fractional
// seconds. Nothing for an invalid time or a year xsd:dateTime cannot carry as four digits.
std::optional<QString> localDateTime(const QDateTime &time)
{
    if (!time.isValid())
        return std::nullopt;
    const QDateTime local = time.toLocalTime();
    const int year = local.date().year();
    const int offset = local.offsetFromUtc();
    if (year < 1 || year > 9999)
        return std::nullopt;
    // A historical offset with seconds cannot be written as ±hh:mm: the same instant in UTC is.
    if (offset % 60 != 0)
        return iofDateTime(time);
    QString text = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (offset == 0)
        return text + QLatin1Char('Z');
    const int minutes = std::abs(offset) / 60;
    text += QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

// The document as the UTF-8 bytes that are sent (see Utf8Document). The bytes are those the IOF
// writer's lines (iofwrite::line, element, personOpen) with escapeXmlText would give, converted
// to UTF-8.
class Utf8Writer : public Utf8Document
{
public:
    explicit Utf8Writer(qsizetype sizeHint)
        : Utf8Document(stash(), sizeHint, inPlaceBuffering)
    { }

    // `text` indented by `indent` spaces, and a line break.
    template<qsizetype N> void line(int indent, const char (&text)[N])
    {
        this->indent(indent);
        bytes(text, N - 1);
        ascii("\n");
    }
    // "<tag>", then `text` escaped, then "</tag>" and a line break.
    template<qsizetype N> void element(int indent, const char (&tag)[N], QStringView text)
    {
        open(indent, tag);
        escaped(text);
        close(tag);
    }
    template<qsizetype N> void elementBytes(int indent, const char (&tag)[N], const char *text, qsizetype n)
    {
        open(indent, tag);
        bytes(text, n);
        close(tag);
    }
    void escaped(QStringView text) { Utf8Document::text(text); }

private:
    // The buffer of the last large document, kept for the next upload.
    static BufferStash &stash()
    {
        static BufferStash kept;
        return kept;
    }

    template<qsizetype N> void open(int indent, const char (&tag)[N])
    {
        this->indent(indent);
        ascii("<");
        bytes(tag, N - 1);
        ascii(">");
    }
    template<qsizetype N> void close(const char (&tag)[N])
    {
        ascii("</");
        bytes(tag, N - 1);
        ascii(">\n");
    }
};

// QString::asprintf("%.1f", seconds)'s text for a finite time of at least zero, in `text`
// (room for 320 bytes). Qt rounds a value halfway between two tenths up where printf and
// std::to_chars round it to even: only a value ending in .25 or .75 lies halfway.
char *oneDecimal(char *text, double seconds)
{
    const double quarters = seconds * 4;
    if (quarters == std::floor(quarters) && quarters - 2 * std::floor(quarters / 2) == 1) {
        const double whole = std::floor(seconds);
        text = std::to_chars(text, text + 24, qint64(whole)).ptr;
        *text++ = '.';
        *text++ = seconds - whole == 0.25 ? '3' : '8';
        return text;
    }
    return std::to_chars(text, text + 320, seconds, std::chars_format::fixed, 1).ptr;
}

// The StartTime texts of instants that repeat, as start times do (a start list has a few hundred
// distinct ones), made once each: the conversion to local time and its formatting cost far more
// than the look-up. Only times held in UTC or at a fixed offset are shared, whose instant is read
// without a conversion; the same instant always has the same text while the table lives.
class StartTimeTexts
{
public:
    // The place of `time`'s text, empty for a time that has none.
    qint32 index(const QDateTime &time)
    {
        const std::optional<qint64> at = instant(time);
        return at ? index(*at) : made(time);
    }
    qint32 index(qint64 instant)
    {
        auto it = m_known.constFind(instant);
        if (it == m_known.constEnd())
            it = m_known.insert(instant, made(QDateTime::fromMSecsSinceEpoch(instant, Qt::UTC)));
        return *it;
    }
    // The instant of a time whose text is shared.
    static std::optional<qint64> instant(const QDateTime &time)
    {
        const Qt::TimeSpec spec = time.timeSpec();
        if (!time.isValid() || (spec != Qt::UTC && spec != Qt::OffsetFromUTC))
            return std::nullopt;
        return time.toMSecsSinceEpoch();
    }
    [[nodiscard]] const QByteArray &text(qint32 index) const { return m_texts[size_t(index)]; }

private:
    qint32 made(const QDateTime &time)
    {
        const std::optional<QString> text = localDateTime(time);
        m_texts.push_back(text ? text->toUtf8() : QByteArray());
        return qint32(m_texts.size() - 1);
    }

    QHash<qint64, qint32> m_known;
    std::vector<QByteArray> m_texts;
};

// How far ahead of a walk through scattered or large records their memory is asked for: far
// enough that it arrives in time, near enough that it is still cached when read.
constexpr qsizetype rowsAhead = 8;

// What a runner's row shows of the result read out last of those with its id (the first stored of
// equally late ones). Found in one pass over the results in stored order, so that the rows, written
// in class order, read this compact record instead of the result's own scattered one.
struct RowResult
{
    const PersonResult *result = nullptr;
    // The read-out instant, where that is read without a conversion.
    qint64 readAtMs = 0;
    double time = 0;
    // The result's own start time: its instant where its text is shared, else the time itself;
    // neither where it has none (the runner's is shown).
    qint64 startInstant = 0;
    const QDateTime *startTime = nullptr;
    bool hasStartInstant = false;
    // The verdict's ResultStatus; null without a result (set once the result is chosen).
    const char *status = nullptr;
    bool timed = false;
    bool compactReadAt = false;
};

// Per runner first in list order with its id, its latest result's row (runners sharing an id share
// it).
std::vector<RowResult> latestResults(const Race &race, const FirstPlaces &ids)
{
    ScoreResults scoreResults(race);
    std::vector<RowResult> kept(size_t(race.participants.size()));
    const qsizetype count = race.results.size();
    qint32 slot = -1;
    for (qsizetype i = 0; i < count; ++i) {
        // The members read lie in four cache lines of each large record: those of a record a few
        // places on are asked for now, so that the walk does not wait for each in turn.
        if (i + rowsAhead < count) {
            const PersonResult &ahead = race.results[i + rowsAhead];
            __builtin_prefetch(&ahead.participantId);
            __builtin_prefetch(&ahead.readAt);
            __builtin_prefetch(&ahead.raceTime);
            __builtin_prefetch(&ahead.completedOverride);
        }
        const PersonResult &candidate = race.results[i];
        // Results are mostly stored stage by stage in the entries' order: the look-up then reads
        // the ids one after the other instead of the table all over.
        const qint64 runner = ids.findNear(candidate.participantId, slot);
        if (runner < 0)
            continue;
        RowResult &k = kept[size_t(runner)];
        const QDateTime &readAt = candidate.readAt;
        const Qt::TimeSpec spec = readAt.timeSpec();
        const bool compact = readAt.isValid() && (spec == Qt::UTC || spec == Qt::OffsetFromUTC);
        const qint64 ms = compact ? readAt.toMSecsSinceEpoch() : 0;
        // Both valid: QDateTime orders them by their instants.
        if (k.result && !(compact && k.compactReadAt ? k.readAtMs < ms : readAt > k.result->readAt))
            continue;
        RowResult row;
        row.result = &candidate;
        row.readAtMs = ms;
        row.compactReadAt = compact;
        // xsd:double has no spelling for what is not a finite number; below zero is no duration (a
        // finish before the start, as earlier versions stored it).
        if (candidate.raceTime && std::isfinite(*candidate.raceTime) && *candidate.raceTime >= 0) {
            row.timed = true;
            row.time = *candidate.raceTime;
        }
        if (candidate.startTime) {
            const std::optional<qint64> at = StartTimeTexts::instant(*candidate.startTime);
            row.hasStartInstant = at.has_value();
            row.startInstant = at.value_or(0);
            row.startTime = at ? nullptr : &*candidate.startTime;
        }
        k = row;
    }
    // Judged once the runner's latest result is known, not for each result passed over.
    for (RowResult &row : kept)
        if (row.result)
            row.status = iofStatusOfVerdict(resultVerdict(*row.result, scoreResults(*row.result)));
    return kept;
}

QLatin1StringView statusText(const RowResult &result, const std::optional<ParticipantStatus> &mark)
{
    if (result.status)
        return QLatin1StringView(result.status);
    if (!mark)
        return QLatin1StringView("Inactive");
    return *mark == ParticipantStatus::Dnf ? QLatin1StringView("DidNotFinish")
                                           : QLatin1StringView("DidNotStart");
}

// The runner's mark on the active stage (without one, the runner's own): it decides, whatever was
// read, until the organiser clears it.
std::optional<ParticipantStatus> decidingMark(const Race &race, const Participant &p)
{
    if (!p.status && !p.statusByStage)
        return std::nullopt;
    return statusOnStage(p, race.activeStageId);
}

void writePersonResult(Utf8Writer &out, const Participant &participant, const RowResult &result,
    const std::optional<ParticipantStatus> &mark, StartTimeTexts &startTexts)
{
    out.line(4, "<PersonResult>");
    out.line(6, "<Person>");
    out.line(8, "<Name>");
    out.element(10, "Family", participant.familyName);
    out.element(10, "Given", participant.givenName);
    out.line(8, "</Name>");
    out.line(6, "</Person>");
    out.line(6, "<Result>");
    const qint32 start = result.hasStartInstant ? startTexts.index(result.startInstant)
        : result.startTime                      ? startTexts.index(*result.startTime)
        : participant.startTime                 ? startTexts.index(*participant.startTime)
                                                : -1;
    if (start >= 0) {
        const QByteArray &text = startTexts.text(start);
        if (!text.isEmpty())
            out.elementBytes(8, "StartTime", text.constData(), text.size());
    }
    if (result.timed) {
        char text[320];
        out.elementBytes(8, "Time", text, oneDecimal(text, result.time) - text);
    }
    const QLatin1StringView status = statusText(result, mark);
    out.elementBytes(8, "Status", status.data(), status.size());
    if (!participant.cardNumber.isEmpty())
        out.element(8, "ControlCard", participant.cardNumber);
    out.line(6, "</Result>");
    out.line(4, "</PersonResult>");
}

[[gnu::always_inline]] inline void prefetchRecord(const Participant &p)
{
    __builtin_prefetch(&p.familyName);
    __builtin_prefetch(&p.cardNumber);
    __builtin_prefetch(&p.startTime);
    __builtin_prefetch(&p.status);
}

[[gnu::always_inline]] inline void prefetchTexts(const Participant &p)
{
    __builtin_prefetch(p.familyName.constData());
    __builtin_prefetch(p.givenName.constData());
    __builtin_prefetch(p.cardNumber.constData());
}

} // namespace

QString MetsaPublisher::buildResultListXML(const Race &race)
{
    return QString::fromUtf8(buildResultListUtf8(race));
}

QByteArray MetsaPublisher::buildResultListUtf8(const Race &race)
{
    const FirstPlaces ids(race.participants);
    StartTimeTexts startTexts;
    const std::vector<RowResult> latest = latestResults(race, ids);

    // About what a runner takes, so that the buffer grows once at most.
    Utf8Writer out(512 + race.participants.size() * 400);
    out.ascii("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.ascii("<ResultList iofVersion=\"3.0\" xmlns=\"");
    out.bytes(iofNamespace, qsizetype(std::strlen(iofNamespace)));
    out.ascii("\" status=\"Complete\">\n");
    out.line(2, "<Event>");
    out.element(4, "Name", race.name);
    out.line(2, "</Event>");
    // Runners grouped by class id in one pass, kept in list order: a scan of the whole list per
    // class reads every record once per class, which at tens of thousands of runners no longer
    // stays in cache. Classes sharing an id text each list the same runners, as before.
    const qsizetype classCount = race.classes.size();
    QHash<QString, int> groupOfId;
    groupOfId.reserve(classCount);
    QList<int> groupOfClass(classCount);
    for (qsizetype i = 0; i < classCount; ++i) {
        auto it = groupOfId.find(race.classes[i].id);
        if (it == groupOfId.end())
            it = groupOfId.insert(race.classes[i].id, int(groupOfId.size()));
        groupOfClass[i] = *it;
    }
    const qsizetype runnerCount = race.participants.size();
    QList<int> groupOfRunner(runnerCount, -1);
    QList<qsizetype> groupStart(groupOfId.size() + 1, 0);
    for (qsizetype r = 0; r < runnerCount; ++r) {
        // One member of each large record: the records on are asked for ahead of the walk.
        if (r + rowsAhead < runnerCount)
            __builtin_prefetch(&race.participants[r + rowsAhead].classId);
        const std::optional<QString> &classId = race.participants[r].classId;
        if (!classId)
            continue;
        const auto it = groupOfId.constFind(*classId);
        if (it == groupOfId.cend())
            continue;
        groupOfRunner[r] = *it;
        ++groupStart[*it + 1];
    }
    for (qsizetype g = 1; g < groupStart.size(); ++g)
        groupStart[g] += groupStart[g - 1];
    QList<qsizetype> byGroup(groupStart.back());
    {
        QList<qsizetype> next(groupStart.cbegin(), groupStart.cend() - 1);
        for (qsizetype r = 0; r < runnerCount; ++r) {
            if (groupOfRunner[r] >= 0)
                byGroup[next[groupOfRunner[r]]++] = r;
        }
    }

    for (qsizetype i = 0; i < classCount; ++i) {
        const RaceClass &raceClass = race.classes[i];
        const int group = groupOfClass[i];
        if (groupStart[group] == groupStart[group + 1])
            continue;
        out.line(2, "<ClassResult>");
        out.line(4, "<Class>");
        out.element(6, "Id", raceClass.id);
        out.element(6, "Name", raceClass.name);
        out.line(4, "</Class>");
        const qsizetype end = groupStart[group + 1];
        for (qsizetype k = groupStart[group]; k < end; ++k) {
            // A class's runners lie scattered through the list, and their texts through memory:
            // the records of runners a few rows on are asked for now, their texts once the
            // records have come.
            if (k + 2 * rowsAhead < end)
                prefetchRecord(race.participants[byGroup[k + 2 * rowsAhead]]);
            if (k + rowsAhead < end)
                prefetchTexts(race.participants[byGroup[k + rowsAhead]]);
            const qsizetype r = byGroup[k];
            const Participant &runner = race.participants[r];
            const RowResult &row = latest[ids.first(r)];
            // Marked on the day: the mark, not the run of the day nor an earlier day's result.
            const std::optional<ParticipantStatus> mark = decidingMark(race, runner);
            writePersonResult(out, runner, mark && row.result ? RowResult() : row, mark, startTexts);
        }
        out.line(2, "</ClassResult>");
    }
    out.ascii("</ResultList>\n");
    return out.finish();
}
