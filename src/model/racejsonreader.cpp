// The direct text reader (its scanning of the text: racejson_p.h): the event with its setup and
// entries, its long lists read in slices on a few threads, and where reading starts. The card
// read-outs are read in racejsonresultreader.cpp.
#include "racejson_p.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace racejson_detail {

Race TextReader::race()
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
        "defaultStartWindow", "stageDefaultStartWindows", "journalEventId", "journalThrough", "unknownCards"};
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

Course TextReader::course()
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
    static constexpr std::string_view keys[] = {"id", "name", "courseFamily", "controls", "stageId", "type",
        "timeLimitSeconds", "overtimePenaltyPerMinute", "lengthMeters"};
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

CourseControl TextReader::control()
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

RaceClass TextReader::raceClass()
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
    static constexpr std::string_view keys[] = {"id", "name", "courseId", "courseFamily", "courseIds", "mode",
        "lastUsedStartTimeSeconds", "lastUsedIntervalSeconds", "startMethod", "startWindow", "stageCourseIds",
        "stageStartMethods", "stageStartWindows"};
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

StartWindow TextReader::startWindow()
{
    StartWindow w;
    enum : int { Open, Close };
    static constexpr std::string_view keys[] = {"openSeconds", "closeSeconds"};
    record(keys, bits({Open, Close}),
        [&](int key) { (key == Open ? w.openSeconds : w.closeSeconds) = integer(); });
    return w;
}

Stage TextReader::stage()
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

Participant TextReader::participant()
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
        StatusByStage,
        CheckedInAt,
        ExternalId,
        PendingCardNumber
    };
    static constexpr std::string_view keys[] = {"id", "givenName", "familyName", "cardNumber", "isRentalCard",
        "club", "classId", "courseId", "classIdByStage", "courseIdByStage", "startTime", "startTimeByStage",
        "startTimePreference", "startTimePreferenceByStage", "status", "statusByStage", "checkedInAt",
        "externalId", "pendingCardNumber"};
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
            optional(
                p.startTimePreferenceByStage, [&] { return stageMap<StartTimePreference>(readPreference); });
            break;
        case Status:
            optional(p.status, [this] { return enumeration(participantStatuses()); });
            break;
        case StatusByStage:
            optional(p.statusByStage, [this] {
                return stageMap<ParticipantStatus>([this] { return enumeration(participantStatuses()); });
            });
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

// A list that grows with the entries. In the indented event file it opens with "[", a newline,
// the elements' indent and "{"; then every element starts on a line of its own at exactly that
// indent (a string never holds a raw newline), so such lines are the places where the list may
// be cut. It is cut at the first such line after equal shares of the rest of the text, and
// each slice is read by a reader of its own, on one of a few threads. A slice counts only when
// the slice before it ended exactly at its start, where reading in one go would be as well;
// the slice that meets the "]" ends the list, and what the later ones read (beyond the list)
// is dropped. On any other outcome the list is read again in one go, which then decides, so
// the document and any failure are exactly those of reading in one go.
template<typename T> QList<T> TextReader::longList(T (TextReader::*readOne)())
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
                    for (size_t by = closedBy.load(); by > i && !closedBy.compare_exchange_weak(by, i);) { }
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
template<typename F> void TextReader::onThreads(size_t n, const F &task) const
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
int TextReader::threadCount() const
{
    return m_options.threads > 0 ? m_options.threads
                                 : int(std::min(4u, std::max(1u, std::thread::hardware_concurrency())));
}

// Where the slices of the long list at the text begin (the "{" of an element each), or fewer
// than two starts when the list is not to be sliced.
std::vector<const char *> TextReader::sliceStarts() const
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
    const qsizetype wanted = std::min<qsizetype>(m_options.slices > 0 ? m_options.slices : 4 * threadCount(),
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
const char *TextReader::elementLineFrom(const char *from, qsizetype indent) const
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

namespace {

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

} // namespace racejson_detail

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
