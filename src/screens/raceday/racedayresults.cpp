#include "racedayresults.h"

#include "documenttext.h"
#include "keysort.h"
#include "localization.h"
#include "nameorder.h"
#include "racelookup.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

QString formatElapsed(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("—");
    // std::round rounds halves away from zero, which is the rule for clock texts.
    const double rounded = std::round(seconds);
    // A duration below zero is no duration: a finish before its start, or punches out of order.
    if (rounded < 0 || rounded >= 9.0e18)
        return QStringLiteral("—");
    const auto total = static_cast<qint64>(rounded);
    if (total < 3600) {
        return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg((total % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

const Participant *participantOfResult(const Race &race, const PersonResult &result)
{
    return findParticipant(race, result.participantId);
}

namespace {

std::optional<QString> classIdForStage(const Participant &p, const std::optional<QString> &stageId)
{
    if (stageId && p.classIdByStage) {
        if (const QString *perStage = stageEntry(*p.classIdByStage, *stageId))
            return *perStage;
    }
    return p.classId;
}

} // namespace

const RaceClass *classOfResult(const Race &race, const PersonResult &result)
{
    const Participant *p = participantOfResult(race, result);
    if (!p)
        return nullptr;
    return findClass(race, classIdForStage(*p, result.stageId));
}

const Course *courseOfResult(const Race &race, const PersonResult &result)
{
    return findCourse(race, result.courseId);
}

bool isRogainingResult(const Race &race, const PersonResult &result)
{
    const Course *course = courseOfResult(race, result);
    return course && course->type == CourseType::Rogaining;
}

QList<qint64> missingControls(const PersonResult &result)
{
    QList<qint64> codes;
    for (const SplitTime &s : result.splits) {
        if (s.status == SplitStatus::Missing)
            codes.append(s.controlCode);
    }
    return codes;
}

const PersonResult *resultById(const Race &race, const QUuid &id)
{
    for (const PersonResult &r : race.results) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

QList<RecentResultGroup> recentResultGroups(const Race &race)
{
    return recentResultGroups(race, ParticipantLookup(race));
}

ReadTimeKey readTimeKey(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    return {true, time.toMSecsSinceEpoch()};
}

void RecentResultKeys::appendRead(const QDateTime &time)
{
    const ReadTimeKey key = readTimeKey(time);
    if (!key.valid && readInvalid.isEmpty()) {
        readInvalid.reserve(readMsecs.capacity());
        readInvalid.resize(readMsecs.size(), false);
    }
    if (!readInvalid.isEmpty())
        readInvalid.append(!key.valid);
    readMsecs.append(key.msecs);
    if (key.valid) {
        newestRead = std::max(newestRead, key.msecs);
        oldestRead = std::min(oldestRead, key.msecs);
    }
}

RecentResultKeys recentResultKeys(const Race &race, const ParticipantLookup &participants)
{
    RecentResultKeys keys;
    keys.runners.reserve(race.results.size());
    keys.readMsecs.reserve(race.results.size());
    for (const PersonResult &result : race.results) {
        keys.runners.append(participants.find(result.participantId));
        keys.appendRead(result.readAt);
    }
    return keys;
}

namespace {

// A card number as a number when it is one written plainly (digits, no leading zero, up to 18 of
// them): two such texts are the same card exactly when their numbers are equal.
std::optional<qint64> plainCardNumber(const QString &card)
{
    const qsizetype size = card.size();
    if (size == 0 || size > 18 || (size > 1 && card.front() == u'0'))
        return std::nullopt;
    qint64 number = 0;
    for (const QChar c : card) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

// A participant id folded to 64 bits from both halves: ids that differ anywhere mostly differ here.
quint64 participantKey(const QUuid &id)
{
    const quint64 high = (quint64(id.data1) << 32) | (quint64(id.data2) << 16) | id.data3;
    quint64 low = 0;
    for (const uchar byte : id.data4)
        low = (low << 8) | byte;
    return high ^ (low * 0x9E3779B97F4A7C15ull);
}

// The title a result is grouped under, as an index into `titles`: its class's name ("No class" in
// the language shown, without a runner or class); classes of one name share a title. Each title is made when
// first met, so the titles' order says nothing: groups are put in order by their texts.
class ResultTitles
{
public:
    // Not a title: the runner has classes per stage, so each of its results is looked up alone.
    static constexpr qint32 perStage = -2;

    explicit ResultTitles(const QList<RaceClass> &classes)
        : m_classList(classes)
    {
        // Participants and classes are looked up once per result; a hash keeps a 15,000-result
        // event from turning the redraw quadratic.
        m_classes.reserve(m_classList.size());
        for (const RaceClass &c : m_classList)
            if (!m_classes.contains(c.id))
                m_classes.insert(c.id, &c);
    }

    QList<QString> titles;

    [[nodiscard]] qint32 ofRunner(const Participant *p, const std::optional<QString> &stageId)
    {
        const RaceClass *c = nullptr;
        if (p) {
            if (const std::optional<QString> classId = classIdForStage(*p, stageId)) {
                c = m_classes.value(*classId);
                // Ids that differ only in Unicode form.
                for (qsizetype k = 0; !c && k < m_classList.size(); ++k)
                    if (sameId(m_classList.at(k).id, *classId))
                        c = &m_classList.at(k);
            }
        }
        auto it = m_titleOfClass.constFind(c);
        if (it == m_titleOfClass.constEnd())
            it = m_titleOfClass.insert(c, titleFor(c ? c->name : localized(QStringLiteral("No class"))));
        return *it;
    }

    // The runner's title for every result, or `perStage`. Runners of a class mostly share the
    // text of its id: known by where its characters are, the text is looked up once per class
    // rather than once per runner.
    [[nodiscard]] qint32 plainOf(const Participant *p)
    {
        if (p->classIdByStage)
            return perStage;
        if (!p->classId)
            return ofRunner(p, std::nullopt);
        const QString &text = *p->classId;
        const auto known = m_titleOfClassIdText.constFind(text.constData());
        if (known != m_titleOfClassIdText.constEnd() && known->size == text.size())
            return known->title;
        const qint32 title = ofRunner(p, std::nullopt);
        m_titleOfClassIdText.insert(text.constData(), {text.size(), title});
        return title;
    }

private:
    qint32 titleFor(const QString &title)
    {
        auto it = m_titleIndex.constFind(title);
        if (it == m_titleIndex.constEnd()) {
            it = m_titleIndex.insert(title, qint32(titles.size()));
            titles.append(title);
        }
        return *it;
    }

    struct ClassIdText
    {
        qsizetype size = 0;
        qint32 title = 0;
    };
    // Shared with the race it was made for: the classes found point into it.
    const QList<RaceClass> m_classList;
    QHash<QString, const RaceClass *> m_classes;
    QHash<QString, qint32> m_titleIndex;
    QHash<const RaceClass *, qint32> m_titleOfClass;
    QHash<const QChar *, ClassIdText> m_titleOfClassIdText;
};

// Participants' ids held compactly: half of the folded id is key enough to sort on (8 bytes an
// entry and four passes), where ids that share it are few and put in order of id.
struct ParticipantIdKey
{
    quint32 key = 0;
    qint32 index = 0;
};

quint32 participantIdKey(const QUuid &id)
{
    return quint32(participantKey(id) >> 32);
}

} // namespace

struct RecentRunnerIndex
{
    // The lists it was made from, shared with the race: while a race holds these very lists
    // (at the same place, so unchanged), the index holds for it.
    QList<Participant> participants;
    QList<RaceClass> classes;
    // The ids sorted on their keys, then in order of id and stored order.
    QList<ParticipantIdKey> ids;
    // The ids again in stored order.
    QList<QUuid> idOf;
    // A participant after another with its id is never anyone's runner.
    QList<bool> shadowed;
    // Each runner's title for every result (ResultTitles::plainOf), or -1 while not yet looked up.
    std::optional<ResultTitles> titles;
    QList<qint32> plainTitle;
    // Each runner's card text last met among its results and its number (a card written as a
    // number), or none (below zero). The text is held, so that no other text can come to lie
    // where its characters are: a result whose card text lies there is of that card.
    struct Card
    {
        QString text;
        qint64 key = -1;
    };
    QList<Card> cards;
    // The results last walked with this index, shared with the race they came from (so that the
    // very same list, unchanged, is known by its place), and what that walk found from them alone:
    // each one's runner (a place in `runnersOf`, the participants then walked), read time, card
    // and stage (numbered in `stages`). A change of the entries that leaves every id where it was
    // (a runner's name, club or class edited, the list copied) finds each result's runner at the
    // same place again, without reading the results' records.
    struct Walked
    {
        QList<PersonResult> results;
        const Participant *runnersOf = nullptr;
        // Without titles: those follow the classes.
        RecentResultKeys keys;
        QList<std::optional<QString>> stages;

        [[nodiscard]] bool holdsFor(const QList<PersonResult> &list) const
        {
            return results.constData() == list.constData() && results.size() == list.size();
        }
    };
    std::optional<Walked> walked;

    [[nodiscard]] bool holdsFor(const Race &race, bool withTitles) const
    {
        return participants.constData() == race.participants.constData()
            && participants.size() == race.participants.size()
            && classes.constData() == race.classes.constData() && classes.size() == race.classes.size()
            && (titles.has_value() || !withTitles);
    }
};

namespace {

// `titlesWithIds`: each runner's title is found as its id is read (see findKeys). When the ids
// come out as those of `previous`, one by one, its order of them is taken instead of sorting them
// again (and `sameIds` is set), and so are its runners' cards.
std::shared_ptr<RecentRunnerIndex> makeRunnerIndex(
    const Race &race, bool withTitles, bool titlesWithIds, RecentRunnerIndex *previous, bool &sameIds)
{
    auto index = std::make_shared<RecentRunnerIndex>();
    index->participants = race.participants;
    index->classes = race.classes;
    constexpr qsizetype readAhead = 16;
    const qsizetype participantCount = race.participants.size();
    const Participant *const first = race.participants.constData();
    QList<ParticipantIdKey> &ids = index->ids;
    QList<QUuid> &idOf = index->idOf;
    ids.resize(participantCount);
    idOf.resize(participantCount);
    if (withTitles) {
        index->titles.emplace(race.classes);
        index->plainTitle.resize(participantCount, -1);
    }
    // The walks through the records ask for the lines they read `readAhead` places on: the
    // records of a large event are not in the caches from one change to the next, and asked for
    // early their misses overlap instead of each record waiting on memory in turn.
    for (qsizetype i = 0; i < participantCount; ++i) {
        if (i + readAhead < participantCount) {
            __builtin_prefetch(&first[i + readAhead].id);
            if (titlesWithIds) {
                __builtin_prefetch(&first[i + readAhead].classId);
                __builtin_prefetch(&first[i + readAhead].classIdByStage);
            }
        }
        idOf[i] = first[i].id;
        ids[i] = {participantIdKey(first[i].id), qint32(i)};
        if (titlesWithIds)
            index->plainTitle[i] = index->titles->plainOf(first + i);
    }
    sameIds = previous && previous->idOf == idOf;
    if (sameIds) {
        ids = previous->ids;
        index->shadowed = previous->shadowed;
        // Its texts are the results', whoever the runner is: see findKeys.
        index->cards = std::move(previous->cards);
        return index;
    }
    sortByKey(ids, [](const ParticipantIdKey &id) { return quint64(id.key); });
    // Ids that share a key (the same id entered twice, or ids made to collide) are put in order of
    // id, then stored order, so that neither marking them nor finding one goes through them one
    // by one for each.
    const auto idBefore = [&](const ParticipantIdKey &a, const ParticipantIdKey &b) {
        const QUuid &x = idOf.at(a.index);
        const QUuid &y = idOf.at(b.index);
        return x != y ? x < y : a.index < b.index;
    };
    QList<bool> &shadowed = index->shadowed;
    shadowed.resize(participantCount, false);
    for (qsizetype begin = 0; begin < participantCount;) {
        qsizetype end = begin + 1;
        while (end < participantCount && ids.at(end).key == ids.at(begin).key)
            ++end;
        if (end - begin > 1) {
            std::sort(ids.begin() + begin, ids.begin() + end, idBefore);
            for (qsizetype k = begin + 1; k < end; ++k) {
                if (idOf.at(ids.at(k).index) == idOf.at(ids.at(k - 1).index))
                    shadowed[ids.at(k).index] = true;
            }
        }
        begin = end;
    }
    return index;
}

RecentRunnerIndex::Walked walkedKeys(
    const Race &race, QList<std::optional<QString>> stages, const RecentResultKeys &keys)
{
    RecentRunnerIndex::Walked walked {race.results, race.participants.constData(), keys, std::move(stages)};
    walked.keys.titles = {};
    walked.keys.titleTexts = {};
    return walked;
}

// The keys of the results `walked` found, for the race whose participants have the same ids in
// the same order as the ones walked (`walked` may be the index's own): its runners at the same
// places among the race's participants, and their titles as the index finds them.
RecentResultKeys keysAsWalked(
    const Race &race, RecentRunnerIndex &index, const RecentRunnerIndex::Walked &walked)
{
    const qsizetype count = race.results.size();
    const Participant *const first = race.participants.constData();
    RecentResultKeys keys = walked.keys;
    if (walked.runnersOf != first) {
        QList<const Participant *> runners(count);
        const Participant *const *const before = walked.keys.runners.constData();
        for (qsizetype i = 0; i < count; ++i)
            runners[i] = before[i] ? first + (before[i] - walked.runnersOf) : nullptr;
        keys.runners = std::move(runners);
    }
    ResultTitles &titles = *index.titles;
    keys.titles.resize(count);
    qint32 *const titleOut = keys.titles.data();
    const Participant *const *const runnerAt = keys.runners.constData();
    const qint32 *const stageAt = keys.stages.constData();
    for (qsizetype i = 0; i < count; ++i) {
        const Participant *runner = runnerAt[i];
        qint32 title = -1;
        if (runner) {
            qint32 &plain = index.plainTitle[runner - first];
            if (plain == -1)
                plain = titles.plainOf(runner);
            title = plain;
        }
        if (title < 0)
            title = titles.ofRunner(runner, walked.stages.at(stageAt[i]));
        titleOut[i] = title;
    }
    keys.titleTexts = titles.titles;
    index.walked = walkedKeys(race, walked.stages, keys);
    return keys;
}

RecentResultKeys findKeys(const Race &race,
    const std::function<void(qsizetype, const PersonResult &, const Participant *)> &eachResult,
    bool withTitles, std::shared_ptr<RecentRunnerIndex> *kept)
{
    // Each result's runner is the first participant with its id. The participants' ids are sorted
    // once on a compact key; a result is looked up there only when the participant after the
    // previous result's runner is not its own, so results stored in the order of their runners
    // (as each stage's reads of an entry list are) are matched in one walk through both lists
    // without jumping about in either.
    constexpr qsizetype readAhead = 16;
    const qsizetype participantCount = race.participants.size();
    const Participant *const first = race.participants.constData();
    const qsizetype count = race.results.size();
    // When most runners have a result, their titles are found in the walk that reads their ids,
    // while the record is at hand: read at each runner's first result instead, every record of a
    // large event came from memory twice. A change of the results alone (a card read) keeps the
    // index a caller holds.
    std::shared_ptr<RecentRunnerIndex> index;
    // The index given, kept until the results are known to be the ones it walked (or not).
    std::shared_ptr<RecentRunnerIndex> previous = kept ? *kept : nullptr;
    bool sameIds = false;
    if (previous && previous->holdsFor(race, withTitles)) {
        index = previous;
        sameIds = true;
    } else {
        index = makeRunnerIndex(
            race, withTitles, withTitles && 2 * count >= participantCount, previous.get(), sameIds);
    }
    if (kept)
        *kept = index;
    if (sameIds && withTitles && previous->walked && previous->walked->holdsFor(race.results))
        return keysAsWalked(race, *index, *previous->walked);
    previous.reset();
    const QList<ParticipantIdKey> &ids = index->ids;
    const QList<QUuid> &idOf = index->idOf;
    const QList<bool> &shadowed = index->shadowed;
    std::optional<ResultTitles> &titles = index->titles;
    QList<qint32> &plainTitle = index->plainTitle;
    const auto keyOf = participantIdKey;
    using Id = ParticipantIdKey;
    const auto find = [&](const QUuid &id) -> qsizetype {
        const quint32 key = keyOf(id);
        const auto [from, to] = std::equal_range(
            ids.cbegin(), ids.cend(), Id {key, 0}, [](const Id &a, const Id &b) { return a.key < b.key; });
        const auto it = std::lower_bound(
            from, to, id, [&](const Id &entry, const QUuid &value) { return idOf.at(entry.index) < value; });
        return it != to && idOf.at(it->index) == id ? it->index : -1;
    };

    // A result's card text is mostly its runner's, shared: known by where its characters are, it
    // is read once per runner while the index is kept, and not once per result.
    QList<RecentRunnerIndex::Card> &cardOfRunner = index->cards;
    if (cardOfRunner.size() != participantCount)
        cardOfRunner.resize(participantCount);
    QHash<QString, qint64> otherCards;
    const auto cardKey = [&](const QString &text) {
        if (const std::optional<qint64> number = plainCardNumber(text))
            return *number;
        auto other = otherCards.constFind(text);
        if (other == otherCards.constEnd())
            other = otherCards.insert(text, -1 - otherCards.size());
        return *other;
    };
    // The stages results are tagged with, by exact id: a handful.
    QList<std::optional<QString>> stages;
    qint32 previousStage = 0;
    const auto sameStage = [](const std::optional<QString> &known, const std::optional<QString> &id) {
        if (known.has_value() != id.has_value())
            return false;
        if (!known)
            return true;
        if (known->constData() == id->constData() && known->size() == id->size())
            return true;
        return *known == *id;
    };

    RecentResultKeys keys;
    // Sized once and written through their data: appended one by one, the four lists cost a call
    // each per result.
    keys.runners.resize(count);
    keys.readMsecs.resize(count);
    keys.cards.resize(count);
    keys.stages.resize(count);
    if (withTitles)
        keys.titles.resize(count);
    qint32 *const titleOut = keys.titles.data();
    const Participant **const runnerOut = keys.runners.data();
    qint64 *const readOut = keys.readMsecs.data();
    qint64 *const cardOut = keys.cards.data();
    qint32 *const stageOut = keys.stages.data();
    qint32 *readsOfStage = keys.readsOfStage.data();
    qsizetype next = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (i + readAhead < count) {
            const PersonResult &later = race.results.at(i + readAhead);
            __builtin_prefetch(&later.participantId);
            __builtin_prefetch(&later.cardNumber);
            __builtin_prefetch(&later.readAt);
            __builtin_prefetch(&later.stageId);
        }
        const PersonResult &result = race.results.at(i);
        qsizetype runner = -1;
        if (next < participantCount && idOf.at(next) == result.participantId && !shadowed.at(next))
            runner = next;
        else
            runner = find(result.participantId);
        next = runner + 1 == participantCount ? 0 : runner + 1;
        const ReadTimeKey read = readTimeKey(result.readAt);
        readOut[i] = read.msecs;
        if (read.valid) {
            keys.newestRead = std::max(keys.newestRead, read.msecs);
            keys.oldestRead = std::min(keys.oldestRead, read.msecs);
        } else {
            if (keys.readInvalid.isEmpty())
                keys.readInvalid.resize(count, false);
            keys.readInvalid[i] = true;
        }
        if (eachResult)
            eachResult(i, result, runner < 0 ? nullptr : first + runner);

        // Mostly the previous result's stage, its id's characters shared: then no text is compared.
        qint32 stage = previousStage;
        if (stages.isEmpty() || !sameStage(stages.at(stage), result.stageId)) {
            stage = 0;
            while (stage < stages.size() && stages.at(stage) != result.stageId)
                ++stage;
            if (stage == stages.size())
                stages.append(result.stageId);
        }
        previousStage = stage;
        stageOut[i] = stage;
        if (stage == keys.stageCount) {
            keys.stageCount = qint32(stages.size());
            keys.readsOfStage.append(0);
            readsOfStage = keys.readsOfStage.data();
        }
        ++readsOfStage[stage];

        if (withTitles) {
            qint32 title = -1;
            if (runner >= 0) {
                // Known after the runner's first result, without reading the runner again.
                qint32 &plain = plainTitle[runner];
                if (plain == -1)
                    plain = titles->plainOf(first + runner);
                title = plain;
            }
            if (title < 0)
                title = titles->ofRunner(runner < 0 ? nullptr : first + runner, result.stageId);
            titleOut[i] = title;
        }

        const QString &text = result.cardNumber;
        if (runner < 0) {
            runnerOut[i] = nullptr;
            cardOut[i] = cardKey(text);
            keys.noteCard(cardOut[i]);
            continue;
        }
        runnerOut[i] = first + runner;
        RecentRunnerIndex::Card &known = cardOfRunner[runner];
        qint64 card = known.key;
        if (card < 0 || known.text.constData() != text.constData() || known.text.size() != text.size()) {
            card = cardKey(text);
            // Only a number is kept: other texts are numbered afresh on every walk.
            if (card >= 0)
                known = {text, card};
        }
        cardOut[i] = card;
        keys.noteCard(card);
    }
    if (titles)
        keys.titleTexts = titles->titles;
    if (kept && withTitles)
        index->walked = walkedKeys(race, std::move(stages), keys);
    return keys;
}

} // namespace

RecentResultKeys recentResultKeys(const Race &race,
    const std::function<void(qsizetype, const PersonResult &, const Participant *)> &eachResult)
{
    return findKeys(race, eachResult, false, nullptr);
}

RecentResultKeys recentResultKeysWithTitles(const Race &race, std::shared_ptr<RecentRunnerIndex> *kept)
{
    return findKeys(race, {}, true, kept);
}

namespace {

// Puts a group's places (each the time before the newest read above the result's index, dealt in
// stored order) in order when its reads are stored in the order they were read, as cards read
// out are appended, or newest first: newest first is then the stored order backwards, each run
// of equal times turned back into stored order. False, with the places untouched, for any other
// order (found at the first read out of place).
bool inOrderOfReading(quint64 *places, qsizetype size, int indexBits)
{
    bool oldestFirst = true;
    bool newestFirst = true;
    for (qsizetype k = 1; k < size; ++k) {
        const quint64 before = places[k - 1] >> indexBits;
        const quint64 after = places[k] >> indexBits;
        oldestFirst = oldestFirst && before >= after;
        newestFirst = newestFirst && before <= after;
        if (!oldestFirst && !newestFirst)
            return false;
    }
    if (newestFirst)
        return true;
    std::reverse(places, places + size);
    for (qsizetype begin = 0; begin < size;) {
        qsizetype end = begin + 1;
        while (end < size && places[end] >> indexBits == places[begin] >> indexBits)
            ++end;
        std::reverse(places + begin, places + end);
        begin = end;
    }
    return true;
}

} // namespace

QList<RecentResultGroup> recentResultGroups(const Race &race, const ParticipantLookup &participants)
{
    return recentResultGroups(race, recentResultKeys(race, participants));
}

RecentResultOrder recentResultOrder(const Race &race, const RecentResultKeys &keys)
{
    // One pass in the results' own order notes each one's title and read time; the results are
    // then dealt to their groups (in stored order) and each group is sorted on its own.
    const qsizetype count = race.results.size();

    // The title of each result, as an index into `titles`, found with the keys or else here in
    // one walk through the runners.
    QList<QString> titles;
    QList<qint32> titleOf;
    if (keys.titles.size() == count) {
        titles = keys.titleTexts;
        titleOf = keys.titles;
    } else {
        ResultTitles titler(race.classes);
        // A runner without classes per stage has one title for every result: found at the first.
        const Participant *const firstRunner = race.participants.constData();
        QList<qint32> titleOfPlainRunner(race.participants.size(), -1);
        constexpr qsizetype readAhead = 16;
        titleOf.resize(count);
        qint32 *const titleOut = titleOf.data();
        for (qsizetype i = 0; i < count; ++i) {
            // The runners' records are read once each in a large event, far apart: asked for a
            // few results ahead, their misses overlap.
            if (i + readAhead < count) {
                if (const Participant *later = keys.runners.at(i + readAhead)) {
                    __builtin_prefetch(&later->classId);
                    __builtin_prefetch(&later->classIdByStage);
                }
            }
            const Participant *p = keys.runners.at(i);
            qint32 title = -1;
            if (p) {
                // Known after the runner's first result, without reading the runner again.
                qint32 &plain = titleOfPlainRunner[p - firstRunner];
                if (plain == -1)
                    plain = titler.plainOf(p);
                title = plain;
            }
            if (title < 0)
                title = titler.ofRunner(p, race.results.at(i).stageId);
            titleOut[i] = title;
        }
        titles = std::move(titler.titles);
    }
    // The size of each group; a title met only among runners without a result has none.
    std::vector<qint32> start(titles.size() + 1, 0);
    for (const qint32 title : std::as_const(titleOf))
        ++start[title + 1];
    const qsizetype titleCount = titles.size();
    for (qsizetype t = 0; t < titleCount; ++t)
        start[t + 1] += start[t];

    RecentResultOrder order;
    order.titles.reserve(titleCount);
    order.starts.reserve(titleCount + 1);
    order.order.resize(count);
    QList<qsizetype> titleOrder;
    titleOrder.reserve(titleCount);
    for (qsizetype t = 0; t < titleCount; ++t)
        if (start[t + 1] > start[t])
            titleOrder.append(t);
    // Groups in natural order of their titles; titles that compare as equal in the order their
    // newest results were read. `firstBefore(a, b)`: group a's first result comes before group
    // b's; `indexAt(k)`: the result at place k of the grouped results.
    const auto emitGroups = [&](const auto &firstBefore, const auto &indexAt) {
        std::sort(titleOrder.begin(), titleOrder.end(), [&](qsizetype a, qsizetype b) {
            if (const int c = compareNames(titles.at(a), titles.at(b)))
                return c < 0;
            return firstBefore(a, b);
        });
        qint32 *const out = order.order.data();
        qsizetype written = 0;
        for (const qsizetype t : std::as_const(titleOrder)) {
            order.starts.append(qint32(written));
            order.titles.append(titles.at(t));
            for (qsizetype k = start[t]; k < start[t + 1]; ++k)
                out[written++] = indexAt(k);
        }
        order.starts.append(qint32(count));
    };

    // Mostly every time is valid and they all lie within a few decades: then a result's place in
    // its group is one number, the time before the newest above the index. The results are dealt
    // to their groups in stored order (each group a run of its own), and each group is sorted
    // alone: a group of a few thousand numbers stays in the cache through every pass, where
    // sorting all 150,000 results at once went through memory on every pass.
    constexpr int indexBits = 24;
    constexpr int timeBits = 40;
    const qint64 newest = keys.newestRead;
    if (keys.everyReadValid() && quint64(newest) - quint64(keys.oldestRead) < (quint64(1) << timeBits)
        && count < (1 << indexBits)) {
        // Every place is written before it is read.
        const std::unique_ptr<quint64[]> places(new quint64[std::max<qsizetype>(count, 1)]);
        std::vector<qint32> next = start;
        const qint32 *const titleAt = titleOf.constData();
        for (qsizetype i = 0; i < count; ++i) {
            places[next[titleAt[i]]++]
                = ((quint64(newest) - quint64(keys.readMsecs.at(i))) << indexBits) | quint64(i);
        }
        qsizetype largest = 0;
        for (qsizetype t = 0; t < titleCount; ++t)
            largest = std::max(largest, qsizetype(start[t + 1] - start[t]));
        const std::unique_ptr<quint64[]> scratch(new quint64[std::max<qsizetype>(largest, 1)]);
        for (qsizetype t = 0; t < titleCount; ++t) {
            const qsizetype size = start[t + 1] - start[t];
            quint64 *const first = places.get() + start[t];
            // The index below the time makes every place distinct and orders equal times: a small
            // group is sorted on the whole number, where the passes' tables would cost more than
            // the group.
            if (inOrderOfReading(first, size, indexBits))
                continue;
            if (size < 64)
                std::sort(first, first + size);
            else if (sortByKey(first, size, scratch.get(), [](quint64 place) { return place >> indexBits; }))
                std::copy_n(scratch.get(), size, first);
        }
        emitGroups([&](qsizetype a, qsizetype b) { return places[start[a]] < places[start[b]]; },
            [&](qsizetype k) { return qint32(places[k] & ((quint64(1) << indexBits) - 1)); });
        return order;
    }

    struct Entry
    {
        ReadTimeKey readAt;
        qint32 index = 0;
        qint32 title = 0;
    };
    QList<Entry> entries(count);
    for (qsizetype i = 0; i < count; ++i)
        entries[i] = {keys.readAt(i), qint32(i), titleOf.at(i)};
    sortByKey(entries, [](const Entry &e) { return ~(quint64(e.readAt.msecs) ^ (quint64(1) << 63)); });
    // Times that are not valid come after every valid one.
    sortByKey(entries, [](const Entry &e) { return quint64(e.readAt.valid ? 0 : 1); });
    sortByKey(entries, [](const Entry &e) { return quint64(e.title); });
    // Newest first; equal times in stored order.
    emitGroups(
        [&](qsizetype a, qsizetype b) {
            const Entry &x = entries.at(start[a]);
            const Entry &y = entries.at(start[b]);
            if (x.readAt != y.readAt)
                return x.readAt > y.readAt;
            return x.index < y.index;
        },
        [&](qsizetype k) { return entries.at(k).index; });
    return order;
}

QList<RecentResultGroup> recentResultGroups(const Race &race, const RecentResultKeys &keys)
{
    const RecentResultOrder order = recentResultOrder(race, keys);
    QList<RecentResultGroup> groups;
    groups.reserve(order.titles.size());
    for (qsizetype g = 0; g < order.titles.size(); ++g) {
        RecentResultGroup group {order.titles.at(g), {}};
        group.resultIndexes.reserve(order.starts.at(g + 1) - order.starts.at(g));
        for (qsizetype k = order.starts.at(g); k < order.starts.at(g + 1); ++k)
            group.resultIndexes.append(order.order.at(k));
        groups.append(std::move(group));
    }
    return groups;
}
