// The direct text reader (racejson_p.h): the card read-outs, a result with its splits and punches
// and a card kept that no entry held.
#include "racejson_p.h"

namespace racejson_detail {

PersonResult TextReader::result()
{
    // The id is required, so a fresh one would only be overwritten.
    PersonResult r {.id = QUuid()};
    enum : int {
        Id,
        ParticipantId,
        CourseId,
        CardNumber,
        Splits,
        ReadAt,
        StartTime,
        FinishTime,
        RaceTime,
        Completed,
        Punches,
        CardStartTime,
        CourseAutoMatched,
        StageId,
        Score,
        OvertimePenalty,
        WithinTimeLimit,
        CompletedOverride,
        OverrideNote
    };
    static constexpr std::string_view keys[]
        = {"id", "participantId", "courseId", "cardNumber", "splits", "readAt", "startTime", "finishTime",
            "raceTime", "completed", "punches", "cardStartTime", "courseAutoMatched", "stageId", "score",
            "overtimePenalty", "withinTimeLimit", "completedOverride", "overrideNote"};
    const auto readDate = [this] { return date(); };
    const auto readFlag = [this] { return flag(); };
    const auto readInteger = [this] { return integer(); };
    record(keys, bits({Id, ParticipantId, CardNumber, Splits, ReadAt, Completed, CourseAutoMatched}),
        [&](int key) {
            switch (key) {
            case Id:
                r.id = uuid();
                break;
            case ParticipantId:
                r.participantId = uuid();
                break;
            case CourseId:
                optional(r.courseId, [this] { return sharedText(m_courseIds); });
                break;
            case CardNumber:
                r.cardNumber = text();
                break;
            case Splits:
                r.splits = exactList(m_splits, [this] { return split(); });
                break;
            case ReadAt:
                r.readAt = date();
                break;
            case StartTime:
                optional(r.startTime, readDate);
                break;
            case FinishTime:
                optional(r.finishTime, readDate);
                break;
            case RaceTime:
                optional(r.raceTime, [this] { return number(); });
                break;
            case Completed:
                r.completed = flag();
                break;
            case Punches:
                optional(r.punches, [this] { return exactList(m_punches, [this] { return punch(); }); });
                break;
            case CardStartTime:
                optional(r.cardStartTime, readDate);
                break;
            case CourseAutoMatched:
                r.courseAutoMatched = flag();
                break;
            case StageId:
                optional(r.stageId, [this] { return sharedText(m_stageIds); });
                break;
            case Score:
                optional(r.score, readInteger);
                break;
            case OvertimePenalty:
                optional(r.overtimePenalty, readInteger);
                break;
            case WithinTimeLimit:
                optional(r.withinTimeLimit, readFlag);
                break;
            case CompletedOverride:
                optional(r.completedOverride, readFlag);
                break;
            case OverrideNote:
                optional(r.overrideNote, [this] { return text(); });
                break;
            }
        });
    return r;
}

SplitTime TextReader::split()
{
    SplitTime s {.id = QUuid()};
    enum : int { Id, ControlCode, Time, Status, ElapsedFromStart, LegTime, Score };
    static constexpr std::string_view keys[]
        = {"id", "controlCode", "time", "status", "elapsedFromStart", "legTime", "score"};
    record(keys, bits({Id, ControlCode, Time, Status}), [&](int key) {
        switch (key) {
        case Id:
            s.id = uuid();
            break;
        case ControlCode:
            s.controlCode = integer();
            break;
        case Time:
            s.time = date();
            break;
        case Status:
            s.status = enumeration(splitStatuses());
            break;
        case ElapsedFromStart:
            optional(s.elapsedFromStart, [this] { return number(); });
            break;
        case LegTime:
            optional(s.legTime, [this] { return number(); });
            break;
        case Score:
            optional(s.score, [this] { return integer(); });
            break;
        }
    });
    return s;
}

SIPunch TextReader::punch()
{
    SIPunch p {.id = QUuid()};
    enum : int { Id, ControlCode, Time, TimeAvailable };
    static constexpr std::string_view keys[] = {"id", "controlCode", "time", "timeAvailable"};
    bool idGiven = false;
    record(keys, bits({ControlCode, Time}), [&](int key) {
        switch (key) {
        case Id:
            if (!null()) {
                p.id = uuid();
                idGiven = true;
            }
            break;
        case ControlCode:
            p.controlCode = integer();
            break;
        case Time:
            p.time = date();
            break;
        case TimeAvailable:
            if (!null())
                p.timeAvailable = flag();
            break;
        }
    });
    if (!idGiven)
        p.id = newUuid();
    return p;
}

UnknownCard TextReader::unknownCard()
{
    // The id is required, so a fresh one would only be overwritten.
    UnknownCard c {.id = QUuid()};
    enum : int { Id, CardNumber, Punches, CheckPunchTime, StartPunchTime, FinishPunchTime, ReadAt, StageId };
    static constexpr std::string_view keys[] = {"id", "cardNumber", "punches", "checkPunchTime",
        "startPunchTime", "finishPunchTime", "readAt", "stageId"};
    const auto readDate = [this] { return date(); };
    record(keys, bits({Id, CardNumber, Punches, ReadAt}), [&](int key) {
        switch (key) {
        case Id:
            c.id = uuid();
            break;
        case CardNumber:
            c.cardNumber = text();
            break;
        case Punches:
            c.punches = exactList(m_punches, [this] { return punch(); });
            break;
        case CheckPunchTime:
            optional(c.checkPunchTime, readDate);
            break;
        case StartPunchTime:
            optional(c.startPunchTime, readDate);
            break;
        case FinishPunchTime:
            optional(c.finishPunchTime, readDate);
            break;
        case ReadAt:
            c.readAt = date();
            break;
        case StageId:
            optional(c.stageId, [this] { return text(); });
            break;
        }
    });
    return c;
}

} // namespace racejson_detail
