#pragma once

// The event document: one `Race` value holding everything set up and recorded.
//
// Every type here is a plain copyable value. Optional fields are std::optional: an absent value
// is never the same as an empty one (an absent map differs from an empty map, an absent flag is
// not false). Records refer to each other only by id. Dates are QDateTime instants kept in UTC.

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <optional>
#include <stdexcept>

// Text ids (courses, classes, stages) compare by Unicode canonical equivalence, without case
// folding: "é" composed and decomposed are the same id.
[[nodiscard]] bool sameId(const QString &a, const QString &b);
[[nodiscard]] bool sameId(const std::optional<QString> &a, const QString &b);

// A map keyed by stage id. Lookups honour canonical equivalence of the key.
template<typename T> using StageMap = QMap<QString, T>;

template<typename T> [[nodiscard]] const T *stageEntry(const StageMap<T> &map, const QString &stageId)
{
    auto it = map.constFind(stageId);
    if (it != map.constEnd())
        return &it.value();
    for (auto i = map.constBegin(); i != map.constEnd(); ++i) {
        if (sameId(i.key(), stageId))
            return &i.value();
    }
    return nullptr;
}

// A random (version 4) UUID from a generator of this thread, seeded once from the system's: the
// system generator costs microseconds per call, and an event makes one id per split and punch.
[[nodiscard]] QUuid newUuid();

enum class CourseType { Sequential, Rogaining };
enum class RaceClassMode { SingleCourse, CourseFamily, MultiCourse };
enum class StartMethod { ScheduledTime, StartPunch };
enum class ParticipantStatus { Dns, Dnf };
enum class StartTimePreference { Early, Late };
enum class SplitStatus { Ok, Missing, Additional, VisitedNoTime };

inline constexpr StartTimePreference allStartTimePreferences[]
    = {StartTimePreference::Early, StartTimePreference::Late};

// Text values of the enumerations, as stored in the document.
[[nodiscard]] QString toText(CourseType v);
[[nodiscard]] QString toText(RaceClassMode v);
[[nodiscard]] QString toText(StartMethod v);
[[nodiscard]] QString toText(ParticipantStatus v);
[[nodiscard]] QString toText(StartTimePreference v);
[[nodiscard]] QString toText(SplitStatus v);
// Exact (case-sensitive) parsing; anything else is absent.
[[nodiscard]] std::optional<CourseType> courseTypeFromText(const QString &t);
[[nodiscard]] std::optional<RaceClassMode> raceClassModeFromText(const QString &t);
[[nodiscard]] std::optional<StartMethod> startMethodFromText(const QString &t);
[[nodiscard]] std::optional<ParticipantStatus> participantStatusFromText(const QString &t);
[[nodiscard]] std::optional<StartTimePreference> startTimePreferenceFromText(const QString &t);
[[nodiscard]] std::optional<SplitStatus> splitStatusFromText(const QString &t);

struct StartWindow
{
    qint64 openSeconds = 0;
    qint64 closeSeconds = 0;

    bool operator==(const StartWindow &) const = default;
};

struct CourseControl
{
    QUuid id = newUuid();
    qint64 code = 0;
    qint64 order = 0;
    std::optional<qint64> score;

    bool operator==(const CourseControl &) const = default;
};

struct Course
{
    QString id;
    QString name;
    std::optional<QString> courseFamily;
    QList<CourseControl> controls;
    std::optional<QString> stageId;
    std::optional<CourseType> type;
    std::optional<double> timeLimitSeconds;
    std::optional<qint64> overtimePenaltyPerMinute;
    std::optional<double> lengthMeters;

    bool operator==(const Course &) const = default;
};

struct RaceClass
{
    QString id;
    QString name;
    std::optional<QString> courseId;
    std::optional<QString> courseFamily;
    std::optional<QList<QString>> courseIds;
    std::optional<RaceClassMode> mode;
    std::optional<qint64> lastUsedStartTimeSeconds;
    std::optional<double> lastUsedIntervalSeconds;
    std::optional<StartMethod> startMethod;
    std::optional<StartWindow> startWindow;
    std::optional<StageMap<QString>> stageCourseIds;
    std::optional<StageMap<StartMethod>> stageStartMethods;
    std::optional<StageMap<StartWindow>> stageStartWindows;

    bool operator==(const RaceClass &) const = default;
};

struct Stage
{
    QString id;
    QString name;
    QDateTime date;
    qint64 order = 0;

    bool operator==(const Stage &) const = default;
};

struct Participant
{
    QUuid id = newUuid();
    QString givenName;
    QString familyName;
    QString cardNumber;
    std::optional<bool> isRentalCard;
    std::optional<QString> club;
    std::optional<QString> classId;
    std::optional<QString> courseId;
    std::optional<StageMap<QString>> classIdByStage;
    std::optional<StageMap<QString>> courseIdByStage;
    std::optional<QDateTime> startTime;
    std::optional<StageMap<QDateTime>> startTimeByStage;
    std::optional<StartTimePreference> startTimePreference;
    std::optional<StageMap<StartTimePreference>> startTimePreferenceByStage;
    // A did-not-start or did-not-finish mark for every stage (as earlier versions mark a runner).
    std::optional<ParticipantStatus> status;
    // The marks of single stages, read where `status` is absent (statusOnStage).
    std::optional<StageMap<ParticipantStatus>> statusByStage;
    std::optional<QDateTime> checkedInAt;
    std::optional<QString> externalId;
    std::optional<QString> pendingCardNumber;

    bool operator==(const Participant &) const = default;
};

struct SplitTime
{
    QUuid id = newUuid();
    qint64 controlCode = 0;
    QDateTime time;
    SplitStatus status = SplitStatus::Ok;
    std::optional<double> elapsedFromStart;
    std::optional<double> legTime;
    std::optional<qint64> score;

    bool operator==(const SplitTime &) const = default;
};

// One punch as read from a card. No equality: two reads of one punch are different punches.
struct SIPunch
{
    QUuid id = newUuid();
    qint64 controlCode = 0;
    QDateTime time;
    // False when the card's record held no usable time; `time` then carries no meaning.
    bool timeAvailable = true;
};

// The result of one card read-out for one participant. No equality (see SIPunch).
struct PersonResult
{
    QUuid id = newUuid();
    QUuid participantId;
    std::optional<QString> courseId;
    QString cardNumber;
    QList<SplitTime> splits;
    QDateTime readAt;
    std::optional<QDateTime> startTime;
    std::optional<QDateTime> finishTime;
    std::optional<double> raceTime;
    bool completed = false;
    std::optional<QList<SIPunch>> punches;
    std::optional<QDateTime> cardStartTime;
    bool courseAutoMatched = false;
    std::optional<QString> stageId;
    std::optional<qint64> score;
    std::optional<qint64> overtimePenalty;
    std::optional<bool> withinTimeLimit;
    std::optional<bool> completedOverride;
    std::optional<QString> overrideNote;

    // The status that counts everywhere a result is shown, ranked or exported.
    [[nodiscard]] bool effectiveCompleted() const { return completedOverride.value_or(completed); }
};

// A card read out that no entry held: kept with everything the read-out gave until the organiser
// gives the card to a runner (then it becomes that runner's result) or dismisses it. No equality
// (see SIPunch).
struct UnknownCard
{
    QUuid id = newUuid();
    QString cardNumber;
    QList<SIPunch> punches;
    std::optional<QDateTime> checkPunchTime;
    std::optional<QDateTime> startPunchTime;
    std::optional<QDateTime> finishPunchTime;
    QDateTime readAt;
    // The active stage when it was read.
    std::optional<QString> stageId;
};

// The event document. No equality.
struct Race
{
    QString name = QStringLiteral("Untitled Race");
    std::optional<QDateTime> date;
    std::optional<QString> vexloWebEventId;
    std::optional<QString> vexloWebChecklistKey;
    QList<Course> courses;
    QList<RaceClass> classes;
    QList<Participant> participants;
    QList<PersonResult> results;
    QList<Stage> stages;
    // The stage being run: card reads are recorded for it. Chosen on the Stages screen or at the
    // reader pane only.
    std::optional<QString> activeStageId;
    std::optional<bool> multiStageEnabled;
    std::optional<StartWindow> defaultStartWindow;
    std::optional<StageMap<StartWindow>> stageDefaultStartWindows;
    // Absent until the first card nobody holds is read; readers that do not know the key skip it.
    std::optional<QList<UnknownCard>> unknownCards;
    // The store's change-journal bookkeeping (readers that do not know these keys skip them):
    // which event this is, whatever file holds it, given once, lazily, before the event's first
    // journalled change; and the newest journalled change this copy already holds.
    std::optional<QUuid> journalEventId;
    std::optional<qint64> journalThrough;
    // The stage the set-up and list screens (classes, courses, entries, start list) show and edit,
    // when the organiser picked one there; absent: the active stage. A view of this station's
    // own: never stored, journalled or sent to other stations, and it never moves card reads.
    std::optional<QString> shownStageId;

    // `multiStageEnabled` when present; otherwise multi-stage exactly when there are stages.
    [[nodiscard]] bool isMultiStage() const { return multiStageEnabled.value_or(!stages.isEmpty()); }
};

// The stage whose per-stage values the set-up and list screens show and edit: the one picked there,
// else the active stage.
[[nodiscard]] inline const std::optional<QString> &shownStage(const Race &race)
{
    return race.shownStageId ? race.shownStageId : race.activeStageId;
}

// Raised when imported data cannot be used; the message is shown to the organiser as it stands.
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    { }
    [[nodiscard]] const QString &message() const { return m_message; }

private:
    QString m_message;
};

// One row of a class's overall standings across all stages (computed on demand, never stored).
// Where a runner stands overall: placed, or kept from a place by the first stage, in stage order,
// that does not count for them, told by that stage's verdict or mark.
enum class OverallStatus {
    Placed,
    Mispunch,
    // The organiser forced the stage's result not completed.
    Disqualified,
    OverTime,
    DidNotStart,
    // Marked so, or no read-out of the stage at all.
    DidNotFinish,
    UnderReview,
    NoStartTime,
    // Anything else that leaves the runner without a total: a stage counted without a time.
    Unplaced,
};

struct StandingsRow
{
    Participant participant;
    // Sum of the stage race times; absent unless every stage has a completed, timed result.
    std::optional<double> totalTime;
    bool completedAllStages = false;
    // The summed points of a class ranked by points; absent unless every stage counts.
    std::optional<qint64> totalScore;
    OverallStatus status = OverallStatus::Unplaced;
};

// Screens hand an edited entry from one module to another as a QVariant.
Q_DECLARE_METATYPE(Participant)
