#pragma once

// The input of the result documents: classes in the caller's order, rows in the caller's order.
// The documents never sort or rank. Each row shows the place the caller gives in `places` (absent:
// no place, e.g. a mispunch); without `places` the rows are numbered 1, 2, 3 in the order given.

#include "idmemo.h"
#include "race.h"
#include "racelookup.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// A runner marked as not started or not finished on the stage listed, whatever was read: listed
// after the class's results, without a time or a place.
struct MarkedRunner
{
    Participant participant;
    ParticipantStatus status = ParticipantStatus::Dns;
};

struct ResultGroup
{
    QString classLabel;
    QList<PersonResult> results;
    // Empty, or one entry per row.
    QList<std::optional<qint64>> places;
    // After the results, by name.
    QList<MarkedRunner> marked;
    // The winning time of a group ranked by time (none where the group ranks by points or has no
    // winner): the IOF lists give each placed runner's time behind it.
    std::optional<double> leaderTime;
};

struct StandingsGroup
{
    QString classLabel;
    QList<StandingsRow> rows;
    // Empty, or one entry per row.
    QList<std::optional<qint64>> places;
    // Ranked by points: the rows show their summed points.
    bool scoreGroup = false;
};

// The place shown for row `index` of a group (see `places` above).
[[nodiscard]] inline std::optional<qint64> placeOfRow(
    const QList<std::optional<qint64>> &places, qsizetype index)
{
    if (places.isEmpty())
        return index + 1;
    return index < places.size() ? places.at(index) : std::nullopt;
}

// True when the result's finish lies before its start (a card whose start record is left from an
// earlier run, or a start time typed wrong), or when it carries a negative race time, as results
// evaluated by earlier versions may. Such a result shows no time anywhere and is marked for review.
[[nodiscard]] bool finishesBeforeStart(const PersonResult &result);

// True when the result was run on a score (rogaining) course: its course is a rogaining course,
// or, when the course is gone, it carries a score.
[[nodiscard]] bool isScoreResult(const Race &race, const PersonResult &result);
// The same, the result's course found already (null: it has none, or it is gone).
[[nodiscard]] bool isScoreResult(const Course *course, const PersonResult &result);

// isScoreResult for the many results of one race, each course id text looked up once. The race
// must outlive it unchanged.
class ScoreResults
{
public:
    explicit ScoreResults(const Race &race);
    [[nodiscard]] bool operator()(const PersonResult &result);

private:
    const Race &m_race;
    // Without a score course in the event only a result with points can be taken for one.
    bool m_anyScoreCourse;
    IdMemo<const Course *> m_known;
};

// One result per runner and stage counts in every ranked list, document and upload: the read-out
// with the latest `readAt`, of equally late ones the one stored first. An earlier read of the same
// runner and stage stays in the event (and where reads are listed) but takes no place and is not
// exported. Results without a stage form one stage of their own; stage ids compare as sameId.
// For each of race.results (by index), whether it is the read that counts.
[[nodiscard]] std::vector<bool> countedReads(const Race &race);
// For each of race.results (by index), the index of the read that counts for its runner and stage:
// its own where it counts, the later read's where it is an earlier read. With `judged` (indexes
// into race.results, ascending), only those results are judged, the others get -1: a caller that
// has the results of a few runners or of one stage at hand passes those, each runner's reads of a
// stage all or none.
[[nodiscard]] std::vector<qint32> countingReadOf(
    const Race &race, const std::vector<qint32> *judged = nullptr);

// The stages of results as countingReadOf tells them apart, as dense numbers: the event's stages
// first (an id equal to one of theirs is that stage), then each other id as met; a result without
// a stage is `noStage`. The race must outlive it unchanged, and so must the ids handed in.
class StageNumbers
{
public:
    static constexpr qint32 noStage = -1;
    explicit StageNumbers(const Race &race)
        : m_race(race)
        , m_count(qint32(race.stages.size()))
    { }
    [[nodiscard]] qint32 operator()(const std::optional<QString> &stageId)
    {
        if (!stageId) {
            m_anyWithoutStage = true;
            return noStage;
        }
        return m_known.get(*stageId, [this](const QString &id) { return numberOf(id); });
    }
    // How many stage numbers were given out so far, and whether a result had no stage.
    [[nodiscard]] qint32 count() const { return m_count; }
    [[nodiscard]] bool anyWithoutStage() const { return m_anyWithoutStage; }

private:
    [[nodiscard]] qint32 numberOf(const QString &id);

    const Race &m_race;
    qint32 m_count;
    bool m_anyWithoutStage = false;
    IdMemo<qint32> m_known;
};

// countingReadOf for a caller that already numbered the runner (runnerOf[n] < runners, the same
// number for the same participant id) and the stage (stageOf[n], by `stages`) of each judged
// result, n counting through `judged` (all results without it).
[[nodiscard]] std::vector<qint32> countingReadOf(const Race &race, const std::vector<qint32> *judged,
    const std::vector<qint32> &runnerOf, qsizetype runners, const std::vector<qint32> &stageOf,
    const StageNumbers &stages);
