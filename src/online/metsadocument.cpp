// The Metsä upload document: a small, fixed subset of an IOF XML 3.0 ResultList (event name,
// classes, runners with name, start, time, status and card), always of the whole race.

#include "documenttext.h"
#include "iofresultlistwriter.h"
#include "metsapublisher.h"
#include "racelookup.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
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

// A runner or result id as two integers, beside its place in its list. Equal halves are equal ids.
struct IdKey
{
    quint64 high;
    quint64 low;
    qsizetype index;

    explicit IdKey(const QUuid &id, qsizetype at)
        : high((quint64(id.data1) << 32) | (quint64(id.data2) << 16) | id.data3)
        , low(0)
        , index(at)
    {
        std::memcpy(&low, id.data4, sizeof low);
    }
    bool sameId(const IdKey &other) const { return high == other.high && low == other.low; }
    bool operator<(const IdKey &other) const
    {
        return std::tie(high, low, index) < std::tie(other.high, other.low, other.index);
    }
};

// For each runner in list order, the result read out last of those with its id (the first stored
// of equally late ones), null for none. Runners and results are matched by sorting compact keys
// rather than through a hash: at tens of thousands of runners a hash table no longer fits in
// cache and every probe is a miss.
QList<const PersonResult *> latestResultOfEachRunner(const Race &race)
{
    std::vector<IdKey> runners;
    runners.reserve(race.participants.size());
    for (qsizetype i = 0; i < race.participants.size(); ++i)
        runners.emplace_back(race.participants[i].id, i);
    std::vector<IdKey> results;
    results.reserve(race.results.size());
    for (qsizetype i = 0; i < race.results.size(); ++i)
        results.emplace_back(race.results[i].participantId, i);
    std::sort(runners.begin(), runners.end());
    std::sort(results.begin(), results.end());

    QList<const PersonResult *> latest(race.participants.size(), nullptr);
    auto runner = runners.cbegin();
    for (auto result = results.cbegin(); result != results.cend();) {
        // Within one id the results come in stored order: a later one replaces the kept one only
        // when read out later.
        const PersonResult *kept = nullptr;
        auto next = result;
        for (; next != results.cend() && next->sameId(*result); ++next) {
            const PersonResult &candidate = race.results[next->index];
            if (!kept || candidate.readAt > kept->readAt)
                kept = &candidate;
        }
        while (runner != runners.cend() && !runner->sameId(*result) && *runner < *result)
            ++runner;
        for (; runner != runners.cend() && runner->sameId(*result); ++runner)
            latest[runner->index] = kept;
        result = next;
    }
    return latest;
}

} // namespace

MetsaPublisher::StatusAndTime MetsaPublisher::iofStatusAndTime(
    const PersonResult *result, const Race &race, const Participant &participant)
{
    if (!result) {
        if (!participant.status)
            return {QStringLiteral("Inactive"), std::nullopt};
        return {*participant.status == ParticipantStatus::Dnf ? QStringLiteral("DidNotFinish")
                                                              : QStringLiteral("DidNotStart"),
            std::nullopt};
    }
    // A score course is judged by its time limit alone; every other course by completion.
    const Course *course = result->courseId ? findCourse(race, result->courseId) : nullptr;
    QString status;
    if (course && course->type == CourseType::Rogaining)
        status = result->withinTimeLimit.value_or(true) ? QStringLiteral("OK") : QStringLiteral("OverTime");
    else
        status = result->effectiveCompleted() ? QStringLiteral("OK") : QStringLiteral("MissingPunch");
    return {status, result->raceTime};
}

namespace {

void appendPersonResult(
    QString &out, const Participant &participant, const PersonResult *result, const Race &race)
{
    personOpen(out, participant.familyName, participant.givenName, std::nullopt);
    std::optional<QDateTime> start = result && result->startTime ? result->startTime : participant.startTime;
    if (start) {
        if (const auto text = localDateTime(*start))
            element(out, 8, "StartTime", *text);
    }
    const MetsaPublisher::StatusAndTime status = MetsaPublisher::iofStatusAndTime(result, race, participant);
    // xsd:double has no spelling for what is not a finite number; below zero is no duration (a
    // finish before the start, as earlier versions stored it).
    if (status.time && std::isfinite(*status.time) && *status.time >= 0)
        element(out, 8, "Time", QString::asprintf("%.1f", *status.time));
    element(out, 8, "Status", status.status);
    if (!participant.cardNumber.isEmpty())
        element(out, 8, "ControlCard", escapeXmlText(participant.cardNumber));
    personClose(out);
}

} // namespace

QString MetsaPublisher::personResultXML(
    const Participant &participant, const PersonResult *result, const Race &race)
{
    QString out;
    appendPersonResult(out, participant, result, race);
    return out;
}

QString MetsaPublisher::buildResultListXML(const Race &race)
{
    const QList<const PersonResult *> latestOf = latestResultOfEachRunner(race);

    QString out;
    out.reserve(512 + race.participants.size() * 420);
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out += QStringLiteral("<ResultList iofVersion=\"3.0\" xmlns=\"%1\" status=\"Complete\">\n")
               .arg(QLatin1String(iofNamespace));
    line(out, 2, QStringLiteral("<Event>"));
    element(out, 4, "Name", escapeXmlText(race.name));
    line(out, 2, QStringLiteral("</Event>"));
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
        line(out, 2, QStringLiteral("<ClassResult>"));
        line(out, 4, QStringLiteral("<Class>"));
        element(out, 6, "Id", escapeXmlText(raceClass.id));
        element(out, 6, "Name", escapeXmlText(raceClass.name));
        line(out, 4, QStringLiteral("</Class>"));
        for (qsizetype k = groupStart[group]; k < groupStart[group + 1]; ++k) {
            const Participant &runner = race.participants[byGroup[k]];
            appendPersonResult(out, runner, latestOf[byGroup[k]], race);
        }
        line(out, 2, QStringLiteral("</ClassResult>"));
    }
    out += QStringLiteral("</ResultList>\n");
    return out;
}
