#include "racejson_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Direct text reading
//
// Reads the document straight from the bytes into a Race. It takes only a strict subset of what
// QJsonDocument accepts: standard JSON, valid UTF-8, no raw control characters, no duplicate keys,
// no U+FEFF (QJsonDocument drops it at the start of a string), numbers in the plain range. Anything
// outside that subset, and every document that fails a reading rule, is left to the object reader
// (racejsonobject.cpp), which then gives the document's one outcome and error text. So for any input the
// result is the object reader's; this one only makes the common, valid case fast.

struct NotFastPath
{ };

class TextReader
{
public:
    TextReader(const char *begin, const char *end, const racejson_detail::TextReadOptions &options)
        : m_p(begin)
        , m_end(end)
        , m_options(options)
    { }

    // The value the text holds, nothing but white space around it; or, given `end`, the value at
    // the start of the text, whatever follows it, and in `end` where it ended.
    template<typename F> auto document(F &&readTop, const char **end = nullptr)
    {
        skipSpace();
        auto value = readTop();
        if (end) {
            *end = m_p;
            return value;
        }
        skipSpace();
        if (m_p != m_end)
            giveUp();
        return value;
    }

    Race race()
    {
        Race r;
        enum : int {
            Name,
            Date,
            VexloWebEventId,
            VexloWebChecklistKey,
            Courses,
            Classes,
            Participants,
            Results,
            Stages,
            ActiveStageId,
            MultiStageEnabled,
            DefaultStartWindow,
            StageDefaultStartWindows,
            JournalEventId,
            JournalThrough,
            UnknownCards
        };
        static constexpr std::string_view keys[] = {"name", "date", "vexloWebEventId", "vexloWebChecklistKey",
            "courses", "classes", "participants", "results", "stages", "activeStageId", "multiStageEnabled",
            "defaultStartWindow", "stageDefaultStartWindows", "journalEventId", "journalThrough",
            "unknownCards"};
        record(keys, bits({Name, Courses, Classes, Participants, Results, Stages}), [&](int key) {
            switch (key) {
            case Name:
                r.name = text();
                break;
            case Date:
                optional(r.date, [this] { return date(); });
                break;
            case VexloWebEventId:
                optional(r.vexloWebEventId, [this] { return text(); });
                break;
            case VexloWebChecklistKey:
                optional(r.vexloWebChecklistKey, [this] { return text(); });
                break;
            case Courses:
                r.courses = list<Course>([this] { return course(); });
                break;
            case Classes:
                r.classes = list<RaceClass>([this] { return raceClass(); });
                break;
            case Participants:
                r.participants = longList(&TextReader::participant);
                break;
            case Results:
                r.results = longList(&TextReader::result);
                break;
            case Stages:
                r.stages = list<Stage>([this] { return stage(); });
                break;
            case ActiveStageId:
                optional(r.activeStageId, [this] { return text(); });
                break;
            case MultiStageEnabled:
                optional(r.multiStageEnabled, [this] { return flag(); });
                break;
            case DefaultStartWindow:
                optional(r.defaultStartWindow, [this] { return startWindow(); });
                break;
            case StageDefaultStartWindows:
                optional(r.stageDefaultStartWindows,
                    [this] { return stageMap<StartWindow>([this] { return startWindow(); }); });
                break;
            case JournalEventId:
                optional(r.journalEventId, [this] { return uuid(); });
                break;
            case JournalThrough:
                optional(r.journalThrough, [this] { return integer(); });
                break;
            case UnknownCards:
                optional(r.unknownCards, [this] { return longList(&TextReader::unknownCard); });
                break;
            }
        });
        return r;
    }

    PersonResult result()
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

private:
    Course course()
    {
        Course c;
        enum : int {
            Id,
            Name,
            CourseFamily,
            Controls,
            StageId,
            Type,
            TimeLimitSeconds,
            OvertimePenaltyPerMinute,
            LengthMeters
        };
        static constexpr std::string_view keys[] = {"id", "name", "courseFamily", "controls", "stageId",
            "type", "timeLimitSeconds", "overtimePenaltyPerMinute", "lengthMeters"};
        record(keys, bits({Id, Name, Controls}), [&](int key) {
            switch (key) {
            case Id:
                c.id = text();
                break;
            case Name:
                c.name = text();
                break;
            case CourseFamily:
                optional(c.courseFamily, [this] { return text(); });
                break;
            case Controls:
                c.controls = list<CourseControl>([this] { return control(); });
                break;
            case StageId:
                optional(c.stageId, [this] { return text(); });
                break;
            case Type:
                optional(c.type, [this] { return enumeration(courseTypes()); });
                break;
            case TimeLimitSeconds:
                optional(c.timeLimitSeconds, [this] { return number(); });
                break;
            case OvertimePenaltyPerMinute:
                optional(c.overtimePenaltyPerMinute, [this] { return integer(); });
                break;
            case LengthMeters:
                optional(c.lengthMeters, [this] { return number(); });
                break;
            }
        });
        return c;
    }

    CourseControl control()
    {
        CourseControl c {.id = QUuid()};
        enum : int { Id, Code, Order, Score };
        static constexpr std::string_view keys[] = {"id", "code", "order", "score"};
        record(keys, bits({Id, Code, Order}), [&](int key) {
            switch (key) {
            case Id:
                c.id = uuid();
                break;
            case Code:
                c.code = integer();
                break;
            case Order:
                c.order = integer();
                break;
            case Score:
                optional(c.score, [this] { return integer(); });
                break;
            }
        });
        return c;
    }

    RaceClass raceClass()
    {
        RaceClass c;
        enum : int {
            Id,
            Name,
            CourseId,
            CourseFamily,
            CourseIds,
            Mode,
            LastUsedStartTimeSeconds,
            LastUsedIntervalSeconds,
            StartMethodKey,
            StartWindowKey,
            StageCourseIds,
            StageStartMethods,
            StageStartWindows
        };
        static constexpr std::string_view keys[] = {"id", "name", "courseId", "courseFamily", "courseIds",
            "mode", "lastUsedStartTimeSeconds", "lastUsedIntervalSeconds", "startMethod", "startWindow",
            "stageCourseIds", "stageStartMethods", "stageStartWindows"};
        const auto readText = [this] { return text(); };
        const auto readMethod = [this] { return enumeration(startMethods()); };
        const auto readWindow = [this] { return startWindow(); };
        record(keys, bits({Id, Name}), [&](int key) {
            switch (key) {
            case Id:
                c.id = text();
                break;
            case Name:
                c.name = text();
                break;
            case CourseId:
                optional(c.courseId, readText);
                break;
            case CourseFamily:
                optional(c.courseFamily, readText);
                break;
            case CourseIds:
                optional(c.courseIds, [&] { return list<QString>(readText); });
                break;
            case Mode:
                optional(c.mode, [this] { return enumeration(classModes()); });
                break;
            case LastUsedStartTimeSeconds:
                optional(c.lastUsedStartTimeSeconds, [this] { return integer(); });
                break;
            case LastUsedIntervalSeconds:
                optional(c.lastUsedIntervalSeconds, [this] { return number(); });
                break;
            case StartMethodKey:
                optional(c.startMethod, readMethod);
                break;
            case StartWindowKey:
                optional(c.startWindow, readWindow);
                break;
            case StageCourseIds:
                optional(c.stageCourseIds, [&] { return stageMap<QString>(readText); });
                break;
            case StageStartMethods:
                optional(c.stageStartMethods, [&] { return stageMap<StartMethod>(readMethod); });
                break;
            case StageStartWindows:
                optional(c.stageStartWindows, [&] { return stageMap<StartWindow>(readWindow); });
                break;
            }
        });
        return c;
    }

    StartWindow startWindow()
    {
        StartWindow w;
        enum : int { Open, Close };
        static constexpr std::string_view keys[] = {"openSeconds", "closeSeconds"};
        record(keys, bits({Open, Close}),
            [&](int key) { (key == Open ? w.openSeconds : w.closeSeconds) = integer(); });
        return w;
    }

    UnknownCard unknownCard()
    {
        // The id is required, so a fresh one would only be overwritten.
        UnknownCard c {.id = QUuid()};
        enum : int {
            Id,
            CardNumber,
            Punches,
            CheckPunchTime,
            StartPunchTime,
            FinishPunchTime,
            ReadAt,
            StageId
        };
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

    Stage stage()
    {
        Stage s;
        enum : int { Id, Name, Date, Order };
        static constexpr std::string_view keys[] = {"id", "name", "date", "order"};
        record(keys, bits({Id, Name, Date, Order}), [&](int key) {
            switch (key) {
            case Id:
                s.id = text();
                break;
            case Name:
                s.name = text();
                break;
            case Date:
                s.date = date();
                break;
            case Order:
                s.order = integer();
                break;
            }
        });
        return s;
    }

    Participant participant()
    {
        Participant p {.id = QUuid()};
        enum : int {
            Id,
            GivenName,
            FamilyName,
            CardNumber,
            IsRentalCard,
            Club,
            ClassId,
            CourseId,
            ClassIdByStage,
            CourseIdByStage,
            StartTime,
            StartTimeByStage,
            Preference,
            PreferenceByStage,
            Status,
            CheckedInAt,
            ExternalId,
            PendingCardNumber
        };
        static constexpr std::string_view keys[]
            = {"id", "givenName", "familyName", "cardNumber", "isRentalCard", "club", "classId", "courseId",
                "classIdByStage", "courseIdByStage", "startTime", "startTimeByStage", "startTimePreference",
                "startTimePreferenceByStage", "status", "checkedInAt", "externalId", "pendingCardNumber"};
        const auto readText = [this] { return text(); };
        const auto readDate = [this] { return date(); };
        const auto readPreference = [this] { return enumeration(preferences()); };
        record(keys, bits({Id, GivenName, FamilyName, CardNumber}), [&](int key) {
            switch (key) {
            case Id:
                p.id = uuid();
                break;
            case GivenName:
                p.givenName = text();
                break;
            case FamilyName:
                p.familyName = text();
                break;
            case CardNumber:
                p.cardNumber = text();
                break;
            case IsRentalCard:
                optional(p.isRentalCard, [this] { return flag(); });
                break;
            case Club:
                optional(p.club, readText);
                break;
            case ClassId:
                optional(p.classId, readText);
                break;
            case CourseId:
                optional(p.courseId, readText);
                break;
            case ClassIdByStage:
                optional(p.classIdByStage, [&] { return stageMap<QString>(readText); });
                break;
            case CourseIdByStage:
                optional(p.courseIdByStage, [&] { return stageMap<QString>(readText); });
                break;
            case StartTime:
                optional(p.startTime, readDate);
                break;
            case StartTimeByStage:
                optional(p.startTimeByStage, [&] { return stageMap<QDateTime>(readDate); });
                break;
            case Preference:
                optional(p.startTimePreference, readPreference);
                break;
            case PreferenceByStage:
                optional(p.startTimePreferenceByStage,
                    [&] { return stageMap<StartTimePreference>(readPreference); });
                break;
            case Status:
                optional(p.status, [this] { return enumeration(participantStatuses()); });
                break;
            case CheckedInAt:
                optional(p.checkedInAt, readDate);
                break;
            case ExternalId:
                optional(p.externalId, readText);
                break;
            case PendingCardNumber:
                optional(p.pendingCardNumber, readText);
                break;
            }
        });
        return p;
    }

    SplitTime split()
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

    SIPunch punch()
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

    // Structure.

    static constexpr quint32 bits(std::initializer_list<int> keys)
    {
        quint32 mask = 0;
        for (int k : keys)
            mask |= 1u << k;
        return mask;
    }

    // Reads one object whose members are named in `keys`: `readMember(index)` reads the value of a
    // listed key; other keys are skipped. A repeated listed key or a missing required one leaves
    // the document to the object reader.
    template<size_t N, typename F>
    void record(const std::string_view (&keys)[N], quint32 required, F &&readMember)
    {
        static_assert(N <= 32);
        // The objects of one kind come with their keys in one order: the key that followed the
        // previous one last time is compared with the bytes first, and only a miss scans the key
        // and searches the list. Index N stands for the start of the object.
        static thread_local std::array<quint8, N + 1> follows = [] {
            std::array<quint8, N + 1> initial {};
            initial.fill(quint8(N));
            return initial;
        }();
        quint32 seen = 0;
        size_t previous = N;
        sequence('{', '}', [&] {
            size_t index = N;
            if (const size_t guess = follows[previous]; guess < N && atQuoted(keys[guess])) {
                m_p += keys[guess].size() + 2;
                index = guess;
            } else {
                const Scanned key = scanString();
                if (key.escaped)
                    giveUp();
                const std::string_view text(key.begin, size_t(key.end - key.begin));
                for (size_t i = 0; i < N; ++i) {
                    if (keys[i] == text) {
                        index = i;
                        break;
                    }
                }
            }
            expect(':');
            skipSpace();
            if (index < N) {
                if (seen & (1u << index))
                    giveUp();
                seen |= 1u << index;
                follows[previous] = quint8(index);
                previous = index;
                readMember(int(index));
            } else {
                skipValue(0);
            }
        });
        if ((seen & required) != required)
            giveUp();
    }

    // Whether the text goes on with `key` in quotes (a plain key: no escapes, nothing to check).
    bool atQuoted(std::string_view key) const
    {
        const auto size = qsizetype(key.size());
        return m_end - m_p >= size + 2 && m_p[0] == '"' && m_p[size + 1] == '"'
            && std::memcmp(m_p + 1, key.data(), key.size()) == 0;
    }

    // Reads an array or object from its `open` to its `close`, `item()` for each element or
    // member (called with the text at its start).
    template<typename F> void sequence(char open, char close, F &&item)
    {
        expect(open);
        skipSpace();
        if (peek() == close) {
            ++m_p;
            return;
        }
        do {
            skipSpace();
            item();
        } while (separator(close));
    }

    // Steps past what follows an element: true for ",", false for `close`.
    bool separator(char close)
    {
        skipSpace();
        const char c = peek();
        ++m_p;
        if (c == close)
            return false;
        if (c != ',')
            giveUp();
        return true;
    }

    template<typename T, typename F> QList<T> list(F &&readOne)
    {
        QList<T> out;
        sequence('[', ']', [&] { out.append(readOne()); });
        return out;
    }

    // A list every record of a long list holds (splits, punches): read into `scratch`, which this
    // reader keeps, and then moved into a list of exactly its length. Appending straight to the
    // record's list would grow it several times per record, each time a fresh block and a move,
    // and leave it up to twice as large as needed for the event's whole life.
    template<typename T, typename F> QList<T> exactList(std::vector<T> &scratch, F &&readOne)
    {
        scratch.clear();
        sequence('[', ']', [&] { scratch.push_back(readOne()); });
        if (scratch.empty())
            return {};
        return QList<T>(std::make_move_iterator(scratch.begin()), std::make_move_iterator(scratch.end()));
    }

    template<typename T, typename F> StageMap<T> stageMap(F &&readOne)
    {
        StageMap<T> out;
        sequence('{', '}', [&] {
            const QString key = toQString(scanString());
            expect(':');
            skipSpace();
            if (out.contains(key))
                giveUp();
            out.insert(key, readOne());
        });
        return out;
    }

    // A list that grows with the entries. In the indented event file it opens with "[", a newline,
    // the elements' indent and "{"; then every element starts on a line of its own at exactly that
    // indent (a string never holds a raw newline), so such lines are the places where the list may
    // be cut. It is cut at the first such line after equal shares of the rest of the text, and
    // each slice is read by a reader of its own, on one of a few threads. A slice counts only when
    // the slice before it ended exactly at its start, where reading in one go would be as well;
    // the slice that meets the "]" ends the list, and what the later ones read (beyond the list)
    // is dropped. On any other outcome the list is read again in one go, which then decides, so
    // the document and any failure are exactly those of reading in one go.
    template<typename T> QList<T> longList(T (TextReader::*readOne)())
    {
        skipSpace();
        const char *const open = m_p;
        const std::vector<const char *> starts = sliceStarts();
        if (starts.size() < 2)
            return list<T>([&] { return (this->*readOne)(); });

        struct Slice
        {
            QList<T> items;
            const char *end = nullptr;
            bool counts = false; // ended at the next slice's start, or at the "]"
            bool closes = false;
        };
        const size_t n = starts.size();
        std::vector<Slice> slices(n);
        std::atomic<size_t> closedBy = n;
        const auto read = [&](size_t i) {
            Slice &slice = slices[i];
            try {
                TextReader reader(starts[i], m_end, m_options);
                // A slice after the one that met the "]" reads nothing of this list.
                while (closedBy.load(std::memory_order_relaxed) > i) {
                    slice.items.append((reader.*readOne)());
                    if (slice.items.size() == 1 && i + 1 < n) {
                        // Records of one list are alike in length: room for the slice's share
                        // after its first record saves growing (moving every record read so far)
                        // again and again. A guess too small only grows as before; the guess
                        // never exceeds what the slice could hold (each record holds at least a
                        // quoted 36-character id), however short a first record looks.
                        const qsizetype span = starts[i + 1] - starts[i];
                        const qsizetype first = std::max<qsizetype>(1, reader.m_p - starts[i]);
                        slice.items.reserve(std::min(span / first * 5 / 4, span / 40) + 1);
                    }
                    if (!reader.separator(']')) {
                        slice.end = reader.m_p;
                        slice.counts = slice.closes = true;
                        for (size_t by = closedBy.load(); by > i && !closedBy.compare_exchange_weak(by, i);) {
                        }
                        return;
                    }
                    reader.skipSpace();
                    if (i + 1 < n && reader.m_p >= starts[i + 1]) {
                        slice.end = reader.m_p;
                        slice.counts = reader.m_p == starts[i + 1];
                        return;
                    }
                }
            } catch (...) {
                // The slice does not count; reading in one go meets the same, or decides otherwise.
            }
        };
        onThreads(n, read);

        size_t closing = n;
        for (size_t i = 0; i < n && slices[i].counts; ++i) {
            if (slices[i].closes) {
                closing = i;
                break;
            }
        }
        if (closing == n) {
            m_p = open;
            return list<T>([&] { return (this->*readOne)(); });
        }
        std::vector<qsizetype> offsets(closing + 2, 0);
        for (size_t i = 0; i <= closing; ++i)
            offsets[i + 1] = offsets[i] + slices[i].items.size();
        // The slices are moved into the list, and their own blocks freed, on the threads too: for
        // a long list that is a large block written and many records read, which one thread alone
        // would do at memory's pace.
        static_assert(std::is_nothrow_move_constructible_v<T>);
        QArrayDataPointer<T> joined(QTypedArrayData<T>::allocate(offsets[closing + 1]));
        onThreads(n, [&](size_t i) {
            QList<T> items = std::move(slices[i].items);
            if (i <= closing)
                std::uninitialized_move(items.begin(), items.end(), joined.data() + offsets[i]);
        });
        joined.size = offsets[closing + 1];
        m_p = slices[closing].end;
        if (m_options.slicedLists)
            ++*m_options.slicedLists;
        return QList<T>(std::move(joined));
    }

    // Runs task(0) to task(n - 1), each once, on the threads that read a sliced list. The tasks go
    // to whichever thread is free next, this one included: a worker the system keeps waiting holds
    // up one task, not a quarter of them.
    template<typename F> void onThreads(size_t n, const F &task) const
    {
        std::atomic<size_t> next = 0;
        const auto work = [&] {
            for (size_t i; (i = next.fetch_add(1)) < n;)
                task(i);
        };
        std::vector<std::thread> threads;
        threads.reserve(size_t(threadCount()));
        for (int t = 1; t < threadCount() && size_t(t) < n; ++t) {
            // Where the system has no thread to spare, fewer work.
            try {
                threads.emplace_back(work);
            } catch (const std::system_error &) {
                break;
            }
        }
        work();
        for (std::thread &t : threads)
            t.join();
    }

    // The threads that read a sliced list, this one included.
    int threadCount() const
    {
        return m_options.threads > 0 ? m_options.threads
                                     : int(std::min(4u, std::max(1u, std::thread::hardware_concurrency())));
    }

    // Where the slices of the long list at the text begin (the "{" of an element each), or fewer
    // than two starts when the list is not to be sliced.
    std::vector<const char *> sliceStarts() const
    {
        if (m_end - m_p < 2 || m_p[0] != '[' || m_p[1] != '\n')
            return {};
        const char *first = m_p + 2;
        while (first < m_end && *first == ' ')
            ++first;
        if (first == m_end || *first != '{')
            return {};
        const qsizetype indent = first - (m_p + 2);
        const qsizetype rest = m_end - first;
        const qsizetype wanted
            = std::min<qsizetype>(m_options.slices > 0 ? m_options.slices : 4 * threadCount(),
                rest / std::max<qsizetype>(1, m_options.minSliceBytes));
        std::vector<const char *> starts {first};
        for (qsizetype k = 1; k < wanted; ++k) {
            const char *at = elementLineFrom(std::max(first + rest / wanted * k, starts.back() + 1), indent);
            if (!at)
                break;
            starts.push_back(at);
        }
        return starts;
    }

    // The "{" that starts the first line after `from` indented by exactly `indent` spaces, or
    // nullptr where there is none.
    const char *elementLineFrom(const char *from, qsizetype indent) const
    {
        for (const char *p = from; p < m_end; ++p) {
            p = static_cast<const char *>(std::memchr(p, '\n', size_t(m_end - p)));
            if (!p || m_end - p < indent + 2)
                return nullptr;
            const char *const line = p + 1;
            qsizetype spaces = 0;
            while (spaces < indent && line[spaces] == ' ')
                ++spaces;
            if (spaces == indent && line[indent] == '{')
                return line + indent;
        }
        return nullptr;
    }

    // A missing or null optional key leaves the field absent.
    template<typename T, typename F> void optional(std::optional<T> &field, F &&read)
    {
        if (!null())
            field = read();
    }

    bool null()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "null", 4) == 0) {
            m_p += 4;
            return true;
        }
        return false;
    }

    // Values.

    QString text() { return toQString(scanString()); }

    // A text that many records repeat (a result's stage and course): equal texts read by this
    // reader share one string's data, which saves a string per record and lets a pass comparing
    // them read one string rather than one per record. Equal bytes between the quotes give equal
    // texts, so the bytes are the key; the first few distinct texts are kept.
    QString sharedText(std::vector<std::pair<std::string_view, QString>> &seen)
    {
        const Scanned s = scanString();
        const std::string_view bytes(s.begin, size_t(s.end - s.begin));
        for (const auto &[key, text] : seen) {
            if (key == bytes)
                return text;
        }
        QString text = toQString(s);
        if (seen.size() < 32)
            seen.emplace_back(bytes, text);
        return text;
    }

    bool flag()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "true", 4) == 0) {
            m_p += 4;
            return true;
        }
        if (m_end - m_p >= 5 && std::memcmp(m_p, "false", 5) == 0) {
            m_p += 5;
            return false;
        }
        giveUp();
    }

    struct Number
    {
        bool isInteger; // stored by QJsonDocument as a 64-bit integer
        qint64 integer;
        double real;
    };

    Number scanNumber()
    {
        const char *const begin = m_p;
        const bool negative = peek() == '-';
        if (negative)
            ++m_p;
        const char *const digits = m_p;
        if (peek() == '0')
            ++m_p;
        else if (isDigit(peek()))
            while (isDigit(peek()))
                ++m_p;
        else
            giveUp();
        const char *const digitsEnd = m_p;
        bool whole = true;
        if (peek() == '.') {
            ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        const char *const mantissaEnd = m_p;
        if (peek() == 'e' || peek() == 'E') {
            ++m_p;
            if (peek() == '+' || peek() == '-')
                ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        if (whole && digitsEnd - digits <= 19) {
            // Fits QJsonDocument's 64-bit integer exactly when it fits qint64.
            quint64 magnitude = 0;
            for (const char *d = digits; d < digitsEnd; ++d)
                magnitude = magnitude * 10 + quint64(*d - '0');
            const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
            if (magnitude <= limit) {
                const qint64 v = negative ? qint64(0 - magnitude) : qint64(magnitude);
                return {true, v, double(v)};
            }
        }
        if (m_p - begin > 64)
            giveUp();
        double d = 0;
        const auto [end, ec] = std::from_chars(begin, m_p, d);
        if (ec != std::errc() || end != m_p || !std::isfinite(d))
            giveUp();
        if (d == 0) {
            // QJsonDocument reads a zero as integer 0 (no sign) and rejects underflow.
            for (const char *c = digits; c < mantissaEnd; ++c) {
                if (*c >= '1' && *c <= '9')
                    giveUp();
            }
            d = 0;
        } else if (std::fabs(d) < std::numeric_limits<double>::min()) {
            giveUp();
        }
        return {false, 0, d};
    }

    double number() { return scanNumber().real; }

    qint64 integer()
    {
        const Number n = scanNumber();
        // An integer literal that fits in 64 bits is taken exactly, as the object reader does.
        if (n.isInteger)
            return n.integer;
        const double d = n.real;
        if (std::floor(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            giveUp();
        return n.isInteger ? n.integer : qint64(d);
    }

    QUuid uuid()
    {
        const Scanned s = scanString();
        if (s.escaped || s.end - s.begin != 36)
            giveUp();
        const char *t = s.begin;
        if (t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
            giveUp();
        // Offsets of the 16 hex pairs in "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
        static constexpr int at[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
        uchar b[16];
        int invalid = 0;
        for (int i = 0; i < 16; ++i) {
            const int high = hexValue(t[at[i]]);
            const int low = hexValue(t[at[i] + 1]);
            invalid |= high | low;
            b[i] = uchar(high << 4 | low);
        }
        if (invalid < 0)
            giveUp();
        return QUuid(uint(b[0]) << 24 | uint(b[1]) << 16 | uint(b[2]) << 8 | b[3], ushort(b[4] << 8 | b[5]),
            ushort(b[6] << 8 | b[7]), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    }

    // "YYYY-MM-DDTHH:MM:SS" then "Z" or "+HH:MM" / "-HH:MM", as parseDocumentDate reads it.
    QDateTime date()
    {
        const Scanned s = scanString();
        const qsizetype length = s.end - s.begin;
        if (s.escaped || (length != 20 && length != 25))
            giveUp();
        const char *t = s.begin;
        auto digits = [&](int at, int count) {
            int v = 0;
            for (int i = at; i < at + count; ++i) {
                if (!isDigit(t[i]))
                    giveUp();
                v = v * 10 + (t[i] - '0');
            }
            return v;
        };
        if (t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
            giveUp();
        const int year = digits(0, 4);
        const int month = digits(5, 2);
        const int day = digits(8, 2);
        const int hour = digits(11, 2);
        const int minute = digits(14, 2);
        const int second = digits(17, 2);
        int offsetSeconds = 0;
        if (length == 20) {
            if (t[19] != 'Z')
                giveUp();
        } else {
            if ((t[19] != '+' && t[19] != '-') || t[22] != ':')
                giveUp();
            const int offsetHours = digits(20, 2);
            const int offsetMinutes = digits(23, 2);
            if (offsetHours > 23 || offsetMinutes > 59)
                giveUp();
            offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (t[19] == '-' ? -1 : 1);
        }
        // QDate has no year 0; QTime has no leap second.
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23
            || minute > 59 || second > 59)
            giveUp();
        const qint64 seconds
            = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
        // A UTC instant in year 0 or 10000 could not be written back in this form.
        if (seconds < daysFromCivil(1, 1, 1) * 86400 || seconds >= daysFromCivil(10000, 1, 1) * 86400)
            giveUp();
        return QDateTime::fromMSecsSinceEpoch(seconds * 1000, Qt::UTC);
    }

    template<typename E> struct EnumText
    {
        E value;
        QByteArray text;
    };
    template<typename E, size_t N> static std::array<EnumText<E>, N> enumTable(const E (&values)[N])
    {
        std::array<EnumText<E>, N> table;
        for (size_t i = 0; i < N; ++i)
            table[i] = {values[i], toText(values[i]).toLatin1()};
        return table;
    }
    static const std::array<EnumText<CourseType>, 2> &courseTypes()
    {
        static const auto table = enumTable({CourseType::Sequential, CourseType::Rogaining});
        return table;
    }
    static const std::array<EnumText<RaceClassMode>, 3> &classModes()
    {
        static const auto table = enumTable(
            {RaceClassMode::SingleCourse, RaceClassMode::CourseFamily, RaceClassMode::MultiCourse});
        return table;
    }
    static const std::array<EnumText<StartMethod>, 2> &startMethods()
    {
        static const auto table = enumTable({StartMethod::ScheduledTime, StartMethod::StartPunch});
        return table;
    }
    static const std::array<EnumText<ParticipantStatus>, 2> &participantStatuses()
    {
        static const auto table = enumTable({ParticipantStatus::Dns, ParticipantStatus::Dnf});
        return table;
    }
    static const std::array<EnumText<StartTimePreference>, 2> &preferences()
    {
        static const auto table = enumTable({StartTimePreference::Early, StartTimePreference::Late});
        return table;
    }
    static const std::array<EnumText<SplitStatus>, 4> &splitStatuses()
    {
        static const auto table = enumTable(
            {SplitStatus::Ok, SplitStatus::Missing, SplitStatus::Additional, SplitStatus::VisitedNoTime});
        return table;
    }

    template<typename E, size_t N> E enumeration(const std::array<EnumText<E>, N> &table)
    {
        const Scanned s = scanString();
        if (!s.escaped) {
            const QByteArrayView text(s.begin, s.end - s.begin);
            for (const EnumText<E> &entry : table) {
                if (QByteArrayView(entry.text) == text)
                    return entry.value;
            }
        }
        giveUp();
    }

    // Strings.

    struct Scanned
    {
        const char *begin; // the content between the quotes
        const char *end;
        bool escaped; // has escapes
        bool wide; // has non-ASCII bytes
    };

    // Checks one string (valid UTF-8, known escapes, no raw control characters, no U+FEFF) and
    // steps past it.
    Scanned scanString()
    {
        if (peek() != '"')
            giveUp();
        Scanned s {++m_p, nullptr, false, false};
        for (;;) {
            // The common run: printable ASCII, eight bytes at a time while no byte needs a look.
            while (m_end - m_p >= 8) {
                quint64 w;
                std::memcpy(&w, m_p, 8);
                constexpr quint64 ones = 0x0101010101010101ull;
                constexpr quint64 highs = 0x8080808080808080ull;
                const quint64 quote = w ^ (ones * '"');
                const quint64 backslash = w ^ (ones * '\\');
                // A byte below 0x20, a zero byte in `quote` / `backslash`, or a byte from 0x80.
                const quint64 special = ((w - ones * 0x20) | (quote - ones) | (backslash - ones) | w) & highs;
                if (special)
                    break;
                m_p += 8;
            }
            while (m_p < m_end) {
                const unsigned char c = static_cast<unsigned char>(*m_p);
                if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80)
                    break;
                ++m_p;
            }
            if (m_p >= m_end)
                giveUp();
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                s.end = m_p++;
                return s;
            }
            if (c < 0x20)
                giveUp();
            if (c == '\\') {
                s.escaped = true;
                if (m_end - m_p < 2)
                    giveUp();
                switch (m_p[1]) {
                case '"':
                case '\\':
                case '/':
                case 'b':
                case 'f':
                case 'n':
                case 'r':
                case 't':
                    m_p += 2;
                    break;
                case 'u': {
                    if (m_end - m_p < 6)
                        giveUp();
                    int unit = 0;
                    for (int i = 2; i < 6; ++i) {
                        const int h = hexValue(m_p[i]);
                        if (h < 0)
                            giveUp();
                        unit = unit << 4 | h;
                    }
                    if (unit == 0xfeff)
                        giveUp();
                    m_p += 6;
                    break;
                }
                default:
                    giveUp();
                }
                continue;
            }
            s.wide = true;
            m_p += utf8SequenceLength(m_p, m_end);
        }
    }

    // Length of the valid UTF-8 sequence at `p` (not U+FEFF); gives up on anything else.
    static qsizetype utf8SequenceLength(const char *p, const char *end)
    {
        const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(p[i]); };
        const auto continuation = [&](qsizetype i) { return end - p > i && (byte(i) & 0xc0) == 0x80; };
        const unsigned char lead = byte(0);
        if (lead >= 0xc2 && lead <= 0xdf && continuation(1))
            return 2;
        if (lead >= 0xe0 && lead <= 0xef && continuation(1) && continuation(2)) {
            if (lead == 0xe0 && byte(1) < 0xa0)
                giveUp(); // overlong
            if (lead == 0xed && byte(1) >= 0xa0)
                giveUp(); // surrogate
            if (lead == 0xef && byte(1) == 0xbb && byte(2) == 0xbf)
                giveUp(); // U+FEFF
            return 3;
        }
        if (lead >= 0xf0 && lead <= 0xf4 && continuation(1) && continuation(2) && continuation(3)) {
            if (lead == 0xf0 && byte(1) < 0x90)
                giveUp(); // overlong
            if (lead == 0xf4 && byte(1) >= 0x90)
                giveUp(); // beyond U+10FFFF
            return 4;
        }
        giveUp();
    }

    static QString toQString(const Scanned &s)
    {
        const qsizetype n = s.end - s.begin;
        if (!s.escaped && !s.wide)
            return QString::fromLatin1(s.begin, n);
        // UTF-16 never needs more units than the UTF-8 has bytes.
        QString out(n, Qt::Uninitialized);
        char16_t *d = reinterpret_cast<char16_t *>(out.data());
        char16_t *const start = d;
        const char *p = s.begin;
        while (p < s.end) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == '\\') {
                const char e = p[1];
                p += 2;
                switch (e) {
                case 'b':
                    *d++ = u'\b';
                    break;
                case 'f':
                    *d++ = u'\f';
                    break;
                case 'n':
                    *d++ = u'\n';
                    break;
                case 'r':
                    *d++ = u'\r';
                    break;
                case 't':
                    *d++ = u'\t';
                    break;
                case 'u': {
                    // Each escape is one UTF-16 unit, surrogates included, as QJsonDocument reads it.
                    char16_t unit = 0;
                    for (int i = 0; i < 4; ++i)
                        unit = char16_t(unit << 4 | hexValue(p[i]));
                    *d++ = unit;
                    p += 4;
                    break;
                }
                default: // '"', '\\', '/'
                    *d++ = char16_t(e);
                }
            } else if (c < 0x80) {
                *d++ = c;
                ++p;
            } else if (c < 0xe0) {
                *d++ = char16_t((c & 0x1f) << 6 | (p[1] & 0x3f));
                p += 2;
            } else if (c < 0xf0) {
                *d++ = char16_t((c & 0x0f) << 12 | (p[1] & 0x3f) << 6 | (p[2] & 0x3f));
                p += 3;
            } else {
                const char32_t cp = char32_t(c & 0x07) << 18 | char32_t(p[1] & 0x3f) << 12
                    | char32_t(p[2] & 0x3f) << 6 | char32_t(p[3] & 0x3f);
                *d++ = QChar::highSurrogate(cp);
                *d++ = QChar::lowSurrogate(cp);
                p += 4;
            }
        }
        out.truncate(d - start);
        return out;
    }

    // Skips a value of an unknown key, checking it as strictly as the rest.
    void skipValue(int depth)
    {
        // QJsonDocument refuses documents nested deeper than 1024; stay well inside that.
        if (depth > 256)
            giveUp();
        skipSpace();
        switch (peek()) {
        case '"':
            scanString();
            return;
        case '{':
            sequence('{', '}', [&] {
                scanString();
                expect(':');
                skipValue(depth + 1);
            });
            return;
        case '[':
            sequence('[', ']', [&] { skipValue(depth + 1); });
            return;
        case 't':
        case 'f':
            flag();
            return;
        case 'n':
            if (!null())
                giveUp();
            return;
        default:
            scanNumber();
        }
    }

    // Tokens.

    char peek() const { return m_p < m_end ? *m_p : '\0'; }
    void skipSpace()
    {
        // Compact text has no white space; the event file has half its bytes in indents, runs of
        // spaces after a newline, taken eight at a time.
        while (m_p < m_end) {
            const char c = *m_p;
            if (c == ' ') {
                ++m_p;
                while (m_end - m_p >= 8) {
                    const quint64 other = qFromLittleEndian<quint64>(m_p) ^ 0x2020202020202020ull;
                    if (other) {
                        m_p += std::countr_zero(other) / 8;
                        break;
                    }
                    m_p += 8;
                }
            } else if (c == '\n' || c == '\r' || c == '\t') {
                ++m_p;
            } else {
                return;
            }
        }
    }
    void expect(char c)
    {
        skipSpace();
        if (peek() != c)
            giveUp();
        ++m_p;
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        static constexpr auto values = [] {
            std::array<qint8, 256> table {};
            for (int i = 0; i < 256; ++i)
                table[size_t(i)] = qint8(i >= '0' && i <= '9' ? i - '0'
                        : i >= 'a' && i <= 'f'                ? i - 'a' + 10
                        : i >= 'A' && i <= 'F'                ? i - 'A' + 10
                                                              : -1);
            return table;
        }();
        return values[static_cast<unsigned char>(c)];
    }
    static bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
    static int daysInMonth(int y, int m)
    {
        static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && isLeap(y) ? 29 : days[m - 1];
    }
    // Proleptic Gregorian date to days since 1970-01-01.
    static qint64 daysFromCivil(int y, int m, int d)
    {
        y -= m <= 2;
        const qint64 era = (y >= 0 ? y : y - 399) / 400;
        const qint64 yoe = y - era * 400;
        const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
        const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    [[noreturn]] static void giveUp() { throw NotFastPath {}; }

    const char *m_p;
    const char *const m_end;
    const racejson_detail::TextReadOptions &m_options;
    std::vector<std::pair<std::string_view, QString>> m_stageIds;
    std::vector<std::pair<std::string_view, QString>> m_courseIds;
    std::vector<SplitTime> m_splits;
    std::vector<SIPunch> m_punches;
};

// `end`: as TextReader::document.
template<typename F>
auto readFast(QByteArrayView text, const racejson_detail::TextReadOptions &options, F &&readTop,
    const char **end = nullptr) -> std::optional<decltype(readTop(std::declval<TextReader &>()))>
{
    try {
        TextReader reader(text.data(), text.data() + text.size(), options);
        return reader.document([&] { return readTop(reader); }, end);
    } catch (const NotFastPath &) {
        return std::nullopt;
    }
}

} // namespace

std::optional<Race> racejson_detail::readLeadingRaceText(QByteArrayView text, qsizetype *length)
{
    const char *end = nullptr;
    auto race = readFast(
        text, {}, [](TextReader &r) { return r.race(); }, &end);
    if (race)
        *length = end - text.data();
    return race;
}

std::optional<Race> racejson_detail::readRaceText(const QByteArray &json, const TextReadOptions &options)
{
    return readFast(json, options, [](TextReader &r) { return r.race(); });
}

std::optional<PersonResult> racejson_detail::readPersonResultText(const QByteArray &json)
{
    return readFast(json, {}, [](TextReader &r) { return r.result(); });
}
