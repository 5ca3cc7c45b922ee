#include "startlistdata.h"

#include "atomicfile.h"
#include "classorder.h"
#include "coursesetup.h"
#include "documenttext.h"
#include "idmemo.h"
#include "iofstartlistwriter.h"
#include "keysort.h"
#include "localization.h"
#include "messagetext.h"
#include "nameorder.h"
#include "perstage.h"
#include "racelookup.h"
#include "startgenerator.h"
#include "startlistpdfs.h"
#include "starttimetext.h"

#include <QCollatorSortKey>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <vector>

namespace {

QString displayName(const Participant &p)
{
    return personDisplayName(p.givenName, p.familyName);
}

// Seconds of the local day, converted once per distinct instant: a planned field shares a few
// hundred start times, and the conversion to local time is the costly part.
class LocalSeconds
{
public:
    int operator()(const QDateTime &t)
    {
        const qint64 key = t.toMSecsSinceEpoch();
        auto it = m_cache.constFind(key);
        if (it == m_cache.constEnd())
            it = m_cache.insert(key, secondsOfDay(t));
        return it.value();
    }

    // Every second returned so far, ascending, each once.
    [[nodiscard]] std::vector<int> distinctSeconds() const
    {
        std::vector<int> out(m_cache.cbegin(), m_cache.cend());
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

private:
    QHash<qint64, int> m_cache;
};

// The active stage's value of a per-stage field as perstage.h reads it, without copying it: the
// lists read it for every runner.
template<typename T>
const T *forActiveStage(const Race &race, const std::optional<T> &base, const std::optional<StageMap<T>> &map)
{
    if (shownStage(race) && map) {
        if (const T *entry = stageEntry(*map, *shownStage(race)))
            return entry;
    }
    return base ? &*base : nullptr;
}

// The active stage's values of the per-stage fields as forActiveStage reads them, for walks over
// every runner. A runner's map often lacks the active stage (a stage's unplaced runners, classes
// given for other stages only), and the look-up then asks each of its keys whether it is the
// active stage's id in another canonical form: the answer is kept per key, and the runners' maps
// mostly share their keys' characters, so a key's text is read once rather than once per runner.
class ActiveStageFields
{
public:
    explicit ActiveStageFields(const Race &race)
        : ActiveStageFields(shownStage(race))
    { }
    explicit ActiveStageFields(const std::optional<QString> &stageId)
        : m_stageId(stageId ? &*stageId : nullptr)
    { }

    template<typename T>
    const T *operator()(const std::optional<T> &base, const std::optional<StageMap<T>> &map)
    {
        if (m_stageId && map) {
            const auto exact = map->constFind(*m_stageId);
            if (exact != map->constEnd())
                return &exact.value();
            for (auto i = map->constBegin(); i != map->constEnd(); ++i) {
                if (m_isActive.get(i.key(), [this](const QString &key) { return sameId(key, *m_stageId); }))
                    return &i.value();
            }
        }
        return base ? &*base : nullptr;
    }

private:
    const QString *m_stageId;
    IdMemo<bool> m_isActive;
};

// Asks for what a runner's turn in the lists reads, ahead of it: its texts and maps each lie in
// their own allocation, found from the runner itself. The club is read only by a search, the card
// only by a search that reads cards.
[[gnu::always_inline]] inline void prefetchRunner(const Participant &p, bool club = false, bool card = false)
{
    const auto text = [](const QString &t) { __builtin_prefetch(t.constData()); };
    // A stage's entry lies in a node of the map beside its first one.
    const auto map = [](const auto &m) {
        if (m && !m->isEmpty())
            __builtin_prefetch(&m->constBegin().value());
    };
    text(p.givenName);
    text(p.familyName);
    if (p.classId)
        text(*p.classId);
    map(p.classIdByStage);
    if (club && p.club)
        text(*p.club);
    if (card)
        text(p.cardNumber);
}

// The shared block of a per-stage map, read from the map itself without following it: a map is
// its pointer to that block alone.
template<typename T> const char *mapBlock(const StageMap<T> &m)
{
    static_assert(sizeof(StageMap<T>) == sizeof(void *));
    const char *block = nullptr;
    std::memcpy(&block, &m, sizeof block);
    return block;
}

// The start maps are asked for in two steps, each a step ahead of the one that needs it: the
// map's block, which holds where its nodes are, and then its first node. Their nodes were
// allocated in the order the times were written, not in stored order.
[[gnu::always_inline]] inline void prefetchStartMapBlock(const Participant &p)
{
    if (p.startTimeByStage) {
        if (const char *block = mapBlock(*p.startTimeByStage)) {
            __builtin_prefetch(block);
            __builtin_prefetch(block + 48);
        }
    }
}

[[gnu::always_inline]] inline void prefetchStartMapNode(const Participant &p)
{
    if (p.startTimeByStage && !p.startTimeByStage->isEmpty())
        __builtin_prefetch(&p.startTimeByStage->constBegin().value());
}

// A runner's given and family name, looked at where they are stored.
struct NamePair
{
    QStringView given;
    QStringView family;
    bool operator==(const NamePair &) const = default;
};

size_t qHash(const NamePair &n, size_t seed = 0)
{
    return qHashMulti(seed, n.given, n.family);
}

// Ranks runners' display names in name order, names the collator finds equal sharing a rank. Each
// distinct pair of names is collated once, by its collation key, so that the rows sort on
// integers rather than by comparing texts.
class NameRanks
{
public:
    explicit NameRanks(qsizetype expected) { m_numberOf.reserve(expected); }
    // The number of the runner's pair of names; numbers count up from 0 in order of first appearance.
    quint32 add(const Participant &p)
    {
        const NamePair key {p.givenName, p.familyName};
        const auto found = m_numberOf.constFind(key);
        if (found != m_numberOf.constEnd())
            return found.value();
        const auto number = quint32(m_names.size());
        m_numberOf.insert(key, number);
        m_names.push_back(displayName(p));
        return number;
    }
    // The same for a pair of names numbered already by the caller, its display name `name` asked
    // for only on its first appearance.
    template<typename Name> quint32 add(quint32 listNumber, Name name)
    {
        if (listNumber >= m_byListNumber.size())
            m_byListNumber.resize(std::max<std::size_t>(listNumber + 1, 2 * m_byListNumber.size()), none);
        quint32 &number = m_byListNumber[listNumber];
        if (number == none) {
            number = quint32(m_names.size());
            m_names.push_back(name());
        }
        return number;
    }
    // The rank of each number.
    [[nodiscard]] std::vector<quint32> ranks() const
    {
        const QCollator &collator = nameCollator();
        std::vector<QCollatorSortKey> keys;
        keys.reserve(m_names.size());
        for (const QString &name : m_names)
            keys.push_back(collator.sortKey(name));
        // The collator's own rule for empty texts: before every other text, whatever its key.
        const auto compare = [&](quint32 a, quint32 b) {
            const bool emptyA = m_names[a].isEmpty();
            const bool emptyB = m_names[b].isEmpty();
            if (emptyA || emptyB)
                return int(emptyB) - int(emptyA);
            return keys[a].compare(keys[b]);
        };
        std::vector<quint32> byName(m_names.size());
        std::iota(byName.begin(), byName.end(), quint32(0));
        std::sort(byName.begin(), byName.end(), [&](quint32 a, quint32 b) { return compare(a, b) < 0; });
        std::vector<quint32> rank(m_names.size());
        quint32 current = 0;
        for (std::size_t k = 0; k < byName.size(); ++k) {
            if (k > 0 && compare(byName[k - 1], byName[k]) != 0)
                ++current;
            rank[byName[k]] = current;
        }
        return rank;
    }

private:
    static constexpr quint32 none = ~quint32(0);
    QHash<NamePair, quint32> m_numberOf;
    std::vector<quint32> m_byListNumber;
    std::vector<QString> m_names;
};

// The positions 0..keys.size()-1 stably ordered by key (each below `keyCount`): a counting sort.
std::vector<quint32> countingOrder(
    const std::vector<quint32> &keys, quint32 keyCount, const std::vector<quint32> &input)
{
    std::vector<quint32> out(input.size());
    std::vector<quint32> counts;
    countingPass(input, out, counts, keyCount, [&](quint32 position) { return keys[position]; });
    return out;
}

} // namespace

QString foldedSearchText(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out.toCaseFolded();
}

namespace {

// The folded form of each Latin-1 character. A Latin-1 text holds no combining marks, and every
// mark its characters decompose into is removed, so its folded form is its characters' folded
// forms one after the other: names, clubs and cards are matched without building that text. The
// forms lie one after the other in one table (nearly all are one unit long), so that folding a
// text is a copy of a unit or a few per character.
struct Latin1Folds
{
    // Character c's form is units[start[c]] up to units[start[c + 1]].
    std::array<quint16, 257> start {};
    std::vector<char16_t> units;
    // Character c's form where it is one unit long (nearly all are); `notOne` where it is not.
    static constexpr char16_t notOne = 0xFFFF;
    std::array<char16_t, 256> one {};
    // The longest form.
    qsizetype longest = 0;
};

[[gnu::noinline]] Latin1Folds makeLatin1Folds()
{
    Latin1Folds out;
    for (char16_t c = 0; c < 256; ++c) {
        const QString form = foldedSearchText(QString(QChar(c)));
        out.start[c] = quint16(out.units.size());
        const auto *const formUnits = reinterpret_cast<const char16_t *>(form.constData());
        out.units.insert(out.units.end(), formUnits, formUnits + form.size());
        out.longest = std::max(out.longest, form.size());
        out.one[c] = form.size() == 1 ? formUnits[0] : Latin1Folds::notOne;
    }
    out.start[256] = quint16(out.units.size());
    return out;
}

// Asked for once or twice per text a search folds: kept small enough to be inlined, the table
// being made out of line.
inline const Latin1Folds &latin1Folds()
{
    static const Latin1Folds folds = makeLatin1Folds();
    return folds;
}

// Whether `text` holds `needle` (as QStringView::contains, unit by unit): the texts searched are a
// name or a club, too short for the library's search to pay for setting itself up.
bool holds(const char16_t *text, qsizetype size, QStringView needle)
{
    const qsizetype length = needle.size();
    if (length == 0)
        return true;
    const char16_t *const n = needle.utf16();
    for (qsizetype i = 0; i + length <= size; ++i) {
        if (text[i] == n[0] && std::equal(n + 1, n + length, text + i + 1))
            return true;
    }
    return false;
}

// Writes the folded form of `text` (without its spaces first, for a card) to `out`, which has room
// for `longest` units per character, and says how many units it wrote; nothing for a text past
// Latin-1, whose folded form only foldedSearchText knows.
std::optional<qsizetype> foldLatin1(const QString &text, bool card, char16_t *out)
{
    const Latin1Folds &folds = latin1Folds();
    char16_t *const begin = out;
    const auto *const units = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = units[i];
        if (c >= 0x100)
            return std::nullopt;
        if (card && QChar::isSpace(c))
            continue;
        const char16_t one = folds.one[c];
        if (one != Latin1Folds::notOne) {
            *out++ = one;
            continue;
        }
        for (quint16 k = folds.start[c]; k < folds.start[c + 1]; ++k)
            *out++ = folds.units[k];
    }
    return out - begin;
}

// A folded query matched against the runners' texts, as matchesSearch says.
class SearchQuery
{
public:
    explicit SearchQuery(const QString &foldedQuery)
        : m_query(foldedQuery)
        // Card numbers are found by their digits, however either side groups them.
        , m_digits(cardNumberWithoutSpaces(foldedQuery))
    { }

    [[nodiscard]] bool matches(const Participant &p) const
    {
        if (m_query.isEmpty())
            return true;
        return foldedContains(p.givenName, m_query, false) || foldedContains(p.familyName, m_query, false)
            || (!m_digits.isEmpty() && foldedContains(p.cardNumber, m_digits, true))
            || (p.club && foldedContains(*p.club, m_query, false));
    }

    [[nodiscard]] bool readsClubs() const { return !m_query.isEmpty(); }
    [[nodiscard]] bool readsCards() const { return !m_digits.isEmpty(); }
    [[nodiscard]] const QString &query() const { return m_query; }
    [[nodiscard]] const QString &digits() const { return m_digits; }

private:
    // Whether the folded `text` (without its spaces first, for a card) holds `needle`.
    static bool foldedContains(const QString &text, const QString &needle, bool card)
    {
        QVarLengthArray<char16_t, 256> buffer(text.size() * latin1Folds().longest);
        if (const auto size = foldLatin1(text, card, buffer.data()))
            return holds(buffer.constData(), *size, needle);
        return foldedSearchText(card ? cardNumberWithoutSpaces(text) : text).contains(needle);
    }

    QString m_query;
    QString m_digits;
};

// What a search reads of every runner, kept for a race's runners and active stage while the
// screen's searches run over them: the folded names and clubs one after the other in one buffer,
// in stored order (the cards in another, made for the first query that reads cards); and, worked
// out for a runner the first time a search finds it, the number of its pair of names and of its
// class for the stage and where its start time for the stage lies. A search then reads a few bytes in
// order per runner instead of fetching and folding its texts and looking through two maps of keys,
// each in an allocation of its own.
class SearchKeys
{
    // The stage fields point at the keys' own copy of the stage id.
    Q_DISABLE_COPY_MOVE(SearchKeys)

public:
    explicit SearchKeys(const Race &race)
        : m_runners(race.participants)
        , m_stageId(shownStage(race))
        , m_activeStage(m_stageId)
    {
        const std::size_t count = std::size_t(m_runners.size());
        m_units.reserve(count * 24);
        m_starts.reserve(count * fieldCount + 1);
        m_starts.push_back(0);
        m_nameOf.assign(count, unknown);
        m_classOf.assign(count, unknown);
        m_startOf.assign(count, unknownTime());
    }

    // Whether every runner's texts are folded. They are folded by the first search, one runner
    // after the other just before it is matched, while the rest of the runner is read anyway.
    [[nodiscard]] bool complete() const { return m_folded == m_runners.size(); }
    // Whether the cards are folded with the names (see prepare).
    [[nodiscard]] bool foldsCards() const { return !m_cardStarts.empty(); }
    void foldNext()
    {
        const Participant &p = m_runners.at(m_folded++);
        appendFolded(m_units, m_starts, p.givenName, false);
        appendFolded(m_units, m_starts, p.familyName, false);
        // A runner without a club has an empty one here, which no query holds: an empty query
        // matches before any text is read. (Read where it lies: a copy would write to the club's
        // text, which lies apart from everything else read here.)
        static const QString noClub;
        appendFolded(m_units, m_starts, p.club ? *p.club : noClub, false);
        if (foldsCards())
            appendFolded(m_cardUnits, m_cardStarts, p.cardNumber, true);
    }

    // Whether these keys were made from the race's runners as they are now, for its active stage.
    // The keys hold a copy of the list they were made from, so a change to the race's list since
    // copied it first: a list of the same block is one nobody has changed. What the keys point
    // at in the runners stays where it is for the same reason. (As with any list shared so, a
    // reference into the race's runners taken before the keys' copy is not written through
    // afterwards.)
    [[nodiscard]] bool madeFrom(const Race &race) const
    {
        return m_runners.constData() == race.participants.constData()
            && m_runners.size() == race.participants.size() && m_stageId == shownStage(race);
    }

    // Made before a search that reads cards: the cards are kept apart, made only for a query
    // that leaves something once spaces are taken out. Those of runners not folded yet are folded
    // with their names, in the same walk over the runners.
    void prepare(const SearchQuery &search)
    {
        if (!search.readsCards() || foldsCards())
            return;
        m_cardUnits.reserve(std::size_t(m_runners.size()) * 8);
        m_cardStarts.reserve(std::size_t(m_runners.size()) + 1);
        m_cardStarts.push_back(0);
        for (qsizetype i = 0; i < m_folded; ++i)
            appendFolded(m_cardUnits, m_cardStarts, m_runners.at(i).cardNumber, true);
    }

    [[nodiscard]] bool matches(qsizetype runner, const SearchQuery &search) const
    {
        const quint32 *const s = m_starts.data() + std::size_t(runner) * fieldCount;
        const char16_t *const u = m_units.data();
        const auto field
            = [&](int k, QStringView needle) { return holds(u + s[k], s[k + 1] - s[k], needle); };
        const auto card = [&] {
            const quint32 *const c = m_cardStarts.data() + runner;
            return holds(m_cardUnits.data() + c[0], c[1] - c[0], search.digits());
        };
        return field(0, search.query()) || field(1, search.query()) || (search.readsCards() && card())
            || field(2, search.query());
    }

    // The runner's pair of names, numbered from 0 in order of first asking; equal pairs share a
    // number.
    quint32 nameNumber(qsizetype runner)
    {
        quint32 &number = m_nameOf[std::size_t(runner)];
        if (number == unknown) {
            const Participant &p = m_runners.at(runner);
            const NamePair pair {p.givenName, p.familyName};
            auto found = m_numberOf.constFind(pair);
            if (found == m_numberOf.constEnd()) {
                found = m_numberOf.insert(pair, quint32(m_names.size()));
                m_names.push_back(displayName(p));
            }
            number = found.value();
        }
        return number;
    }
    [[nodiscard]] const QString &pairName(quint32 number) const { return m_names[number]; }

    // The number of the runner's class for the stage (`none` without one), numbered in order of
    // first asking.
    quint32 classNumber(qsizetype runner)
    {
        quint32 &number = m_classOf[std::size_t(runner)];
        if (number == unknown) {
            const Participant &p = m_runners.at(runner);
            const QString *classId = m_activeStage(p.classId, p.classIdByStage);
            number = !classId ? none : m_classNumber.get(*classId, [this](const QString &id) {
                m_classIds.append(id);
                return quint32(m_classIds.size() - 1);
            });
        }
        return number;
    }
    [[nodiscard]] const QStringList &classIds() const { return m_classIds; }

    // The runner's start time for the stage, if it has one.
    const QDateTime *startTime(qsizetype runner)
    {
        const QDateTime *&time = m_startOf[std::size_t(runner)];
        if (time == unknownTime()) {
            const Participant &p = m_runners.at(runner);
            time = m_activeStage(p.startTime, p.startTimeByStage);
        }
        return time;
    }
    // Asks for the runner's own record where it holds its start times, a step before
    // prefetchStartTime reads the map from it: the runners passing a search lie apart.
    [[gnu::always_inline]] void prefetchRunnerMap(qsizetype runner) const
    {
        if (m_startOf[std::size_t(runner)] == unknownTime())
            __builtin_prefetch(&m_runners.at(runner).startTimeByStage);
    }
    // Asks for what startTime will read of the runner, in two steps as the lists' own walk does.
    [[gnu::always_inline]] void prefetchStartTime(qsizetype runner, bool mapBlock) const
    {
        const QDateTime *const time = m_startOf[std::size_t(runner)];
        if (time != unknownTime()) {
            if (time && !mapBlock)
                __builtin_prefetch(time);
        } else if (mapBlock) {
            prefetchStartMapBlock(m_runners.at(runner));
        } else {
            prefetchStartMapNode(m_runners.at(runner));
        }
    }

    static constexpr quint32 none = ~quint32(0);

private:
    static constexpr quint32 unknown = none - 1;

    // Appends the folded `text` (without its spaces, for a card) to `units`, and where it ends
    // to `starts` (where the next text starts).
    static void appendFolded(
        std::vector<char16_t> &units, std::vector<quint32> &starts, const QString &text, bool card)
    {
        const std::size_t at = units.size();
        units.resize(at + std::size_t(text.size() * latin1Folds().longest));
        if (const auto size = foldLatin1(text, card, units.data() + at)) {
            units.resize(at + std::size_t(*size));
        } else {
            units.resize(at);
            const QString folded = foldedSearchText(card ? cardNumberWithoutSpaces(text) : text);
            const auto *const begin = reinterpret_cast<const char16_t *>(folded.constData());
            units.insert(units.end(), begin, begin + folded.size());
        }
        starts.push_back(quint32(units.size()));
    }
    static const QDateTime *unknownTime()
    {
        static const QDateTime never;
        return &never;
    }

    // Given name, family name and club.
    static constexpr std::size_t fieldCount = 3;
    QList<Participant> m_runners;
    std::optional<QString> m_stageId;
    ActiveStageFields m_activeStage;
    qsizetype m_folded = 0;
    std::vector<char16_t> m_units;
    // Field k of runner i is m_units from m_starts[3i + k] up to m_starts[3i + k + 1].
    std::vector<quint32> m_starts;
    // Runner i's card is m_cardUnits from m_cardStarts[i] up to m_cardStarts[i + 1].
    std::vector<char16_t> m_cardUnits;
    std::vector<quint32> m_cardStarts;
    std::vector<quint32> m_nameOf;
    QHash<NamePair, quint32> m_numberOf;
    std::vector<QString> m_names;
    std::vector<quint32> m_classOf;
    IdMemo<quint32> m_classNumber;
    QStringList m_classIds;
    std::vector<const QDateTime *> m_startOf;
};

// The keys of the runners last searched, per thread (a search runs where its screen does). Only
// one list's keys are kept, and only while searches and lists are made of it: a list without a
// search over other runners lets them go, so the copy they hold keeps no old race alive.
std::unique_ptr<SearchKeys> &lastSearchKeys()
{
    thread_local std::unique_ptr<SearchKeys> keys;
    return keys;
}

SearchKeys &searchKeysFor(const Race &race)
{
    std::unique_ptr<SearchKeys> &keys = lastSearchKeys();
    if (!keys || !keys->madeFrom(race)) {
        keys.reset();
        keys = std::make_unique<SearchKeys>(race);
    }
    return *keys;
}

void forgetSearchKeysUnlessFor(const Race &race)
{
    std::unique_ptr<SearchKeys> &keys = lastSearchKeys();
    if (keys && !keys->madeFrom(race))
        keys.reset();
}
} // namespace

bool matchesSearch(const Participant &p, const QString &foldedQuery)
{
    return SearchQuery(foldedQuery).matches(p);
}

StartListLists startListLists(const Race &race, const StartListFilter &filter)
{
    StartListLists lists;
    const QString query = foldedSearchText(filter.searchText.trimmed());
    const SearchQuery search(query);
    // One walk over the runners in stored order reads all that the orders need; the copies are
    // made once, in stored order, into their sorted places.
    LocalSeconds seconds;
    ActiveStageFields activeStage(race);
    NameRanks names(64);
    std::vector<qsizetype> passing;
    std::vector<int> classOf;
    std::vector<quint32> nameOf;
    std::vector<int> secondsOf;
    std::vector<quint32> timed;
    std::vector<quint32> untimed;
    constexpr qsizetype ahead = 8;
    // The start time of the runner at `passing[k]`, found by `time`.
    const auto addStart = [&](std::size_t k, const QDateTime *time) {
        if (time) {
            secondsOf.push_back(seconds(*time));
            timed.push_back(quint32(k));
        } else {
            secondsOf.push_back(0);
            untimed.push_back(quint32(k));
        }
    };
    if (search.readsClubs()) {
        // One pass over the kept keys, in order; of the runners themselves only the start times
        // of those listed are read.
        SearchKeys &keys = searchKeysFor(race);
        keys.prepare(search);
        // By the keys' class number: the class's place in the lists' classes, and (-1 unknown)
        // whether it passes the class filter.
        std::vector<int> classIndex;
        std::vector<int> classPasses;
        const bool folding = !keys.complete();
        for (qsizetype i = 0; i < race.participants.size(); ++i) {
            if (folding) {
                if (i + ahead < race.participants.size())
                    prefetchRunner(race.participants[i + ahead], true, keys.foldsCards());
                keys.foldNext();
            }
            if (!keys.matches(i, search))
                continue;
            const quint32 classNumber = keys.classNumber(i);
            if (classNumber == SearchKeys::none)
                continue;
            if (classNumber >= classIndex.size()) {
                classIndex.resize(std::size_t(keys.classIds().size()), -1);
                classPasses.resize(std::size_t(keys.classIds().size()), -1);
            }
            int &passes = classPasses[classNumber];
            if (passes < 0)
                passes = filter.classId.isEmpty() || keys.classIds()[classNumber] == filter.classId;
            if (!passes)
                continue;
            passing.push_back(i);
            int &index = classIndex[classNumber];
            if (index < 0) {
                index = int(lists.classIds.size());
                lists.classIds.append(keys.classIds()[classNumber]);
            }
            classOf.push_back(index);
            const quint32 pair = keys.nameNumber(i);
            nameOf.push_back(names.add(pair, [&] { return keys.pairName(pair); }));
        }
        secondsOf.reserve(passing.size());
        for (std::size_t k = 0; k < passing.size(); ++k) {
            if (k + 3 * ahead < passing.size())
                keys.prefetchRunnerMap(passing[k + 3 * ahead]);
            if (k + 2 * ahead < passing.size())
                keys.prefetchStartTime(passing[k + 2 * ahead], true);
            if (k + ahead < passing.size())
                keys.prefetchStartTime(passing[k + ahead], false);
            addStart(k, keys.startTime(passing[k]));
        }
    } else {
        forgetSearchKeysUnlessFor(race);
        IdMemo<int> classIndex;
        passing.reserve(std::size_t(race.participants.size()));
        classOf.reserve(std::size_t(race.participants.size()));
        nameOf.reserve(std::size_t(race.participants.size()));
        for (qsizetype i = 0; i < race.participants.size(); ++i) {
            if (i + ahead < race.participants.size())
                prefetchRunner(race.participants[i + ahead]);
            const Participant &p = race.participants[i];
            const QString *classId = activeStage(p.classId, p.classIdByStage);
            if (!classId)
                continue;
            if (!filter.classId.isEmpty() && *classId != filter.classId)
                continue;
            passing.push_back(i);
            classOf.push_back(classIndex.get(*classId, [&lists](const QString &id) {
                lists.classIds.append(id);
                return int(lists.classIds.size() - 1);
            }));
            nameOf.push_back(names.add(p));
        }
        // The start times in a walk of their own: one with little else to do between its steps
        // keeps more of the maps' nodes on their way at once.
        secondsOf.reserve(passing.size());
        for (std::size_t k = 0; k < passing.size(); ++k) {
            if (k + 2 * ahead < passing.size())
                prefetchStartMapBlock(race.participants[passing[k + 2 * ahead]]);
            if (k + ahead < passing.size())
                prefetchStartMapNode(race.participants[passing[k + ahead]]);
            const Participant &p = race.participants[passing[k]];
            addStart(k, activeStage(p.startTime, p.startTimeByStage));
        }
    }
    // The lists name runners by position: copies would touch every text and map of every runner
    // once more, in sorted order.
    lists.runners = race.participants;
    lists.filtered = QList<qsizetype>(passing.begin(), passing.end());

    // Names first, then the start second: a stable order by (second, name, stored order).
    const std::vector<quint32> rankOfNumber = names.ranks();
    std::vector<quint32> rank(passing.size());
    for (std::size_t i = 0; i < passing.size(); ++i)
        rank[i] = rankOfNumber[nameOf[i]];
    const auto rankCount
        = quint32(rankOfNumber.empty() ? 0 : *std::max_element(rankOfNumber.begin(), rankOfNumber.end()) + 1);
    const std::vector<int> distinctSeconds = seconds.distinctSeconds();
    std::vector<quint32> slotOf(passing.size(), 0);
    for (const quint32 i : timed)
        slotOf[i] = quint32(std::lower_bound(distinctSeconds.begin(), distinctSeconds.end(), secondsOf[i])
            - distinctSeconds.begin());
    const std::vector<quint32> scheduledOrder
        = countingOrder(slotOf, quint32(distinctSeconds.size()), countingOrder(rank, rankCount, timed));
    const std::vector<quint32> unscheduledOrder = countingOrder(rank, rankCount, untimed);

    lists.scheduled.reserve(qsizetype(scheduledOrder.size()));
    lists.scheduledRows.reserve(qsizetype(scheduledOrder.size()));
    for (const quint32 i : scheduledOrder) {
        lists.scheduled.append(passing[i]);
        lists.scheduledRows.append({secondsOf[i], classOf[i], qsizetype(i)});
    }
    lists.unscheduled.reserve(qsizetype(unscheduledOrder.size()));
    for (const quint32 i : unscheduledOrder)
        lists.unscheduled.append(passing[i]);
    return lists;
}

QList<Participant> StartListLists::participants(const QList<qsizetype> &positions) const
{
    QList<Participant> out;
    out.reserve(positions.size());
    for (const qsizetype position : positions)
        out.append(runners[position]);
    return out;
}

QString gridCellKey(int slotSeconds, const QString &classId)
{
    // One allocation: the view and the grid make a key for every cell.
    char digits[16];
    const auto digitsEnd = std::to_chars(digits, digits + sizeof digits, slotSeconds).ptr;
    const qsizetype count = digitsEnd - digits;
    QString key(count + 1 + classId.size(), Qt::Uninitialized);
    QChar *out = key.data();
    for (qsizetype i = 0; i < count; ++i)
        out[i] = QLatin1Char(digits[i]);
    out[count] = QLatin1Char('|');
    std::copy(classId.cbegin(), classId.cend(), out + count + 1);
    return key;
}

QString slotTimeText(int s)
{
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

GridIndex buildGridIndex(const StartListLists &lists, const QList<RaceClass> &classes)
{
    GridIndex grid;
    const QList<StartListLists::ScheduledRow> &rows = lists.scheduledRows;
    // The scheduled runners are in start order, and within a second in name order with ties in
    // stored order: each cell's runners in that order are the cell's order already.
    std::vector<QList<qsizetype>> cells;
    std::vector<QString> cellKeys;
    std::vector<int> cellOfClass(std::size_t(lists.classIds.size()), -1);
    std::vector<bool> classPlaced(std::size_t(lists.classIds.size()), false);
    std::vector<int> touched;
    std::vector<qsizetype> slotOfRow(std::size_t(rows.size()));
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const StartListLists::ScheduledRow &row = rows[k];
        if (grid.timeSlots.isEmpty() || grid.timeSlots.last() != row.seconds) {
            grid.timeSlots.append(row.seconds);
            for (const int c : touched)
                cellOfClass[std::size_t(c)] = -1;
            touched.clear();
        }
        slotOfRow[std::size_t(k)] = grid.timeSlots.size() - 1;
        int &cell = cellOfClass[std::size_t(row.classIndex)];
        if (cell < 0) {
            cell = int(cells.size());
            cells.emplace_back();
            cellKeys.push_back(gridCellKey(row.seconds, lists.classIds[row.classIndex]));
            touched.push_back(row.classIndex);
            classPlaced[std::size_t(row.classIndex)] = true;
        }
        cells[std::size_t(cell)].append(k);
    }
    grid.cells.reserve(qsizetype(cells.size()));
    for (std::size_t c = 0; c < cells.size(); ++c)
        grid.cells.insert(cellKeys[c], std::move(cells[c]));

    // A class listed twice is a column twice, and its runners count in each.
    QHash<QStringView, int> classIndex;
    for (qsizetype c = 0; c < lists.classIds.size(); ++c)
        classIndex.insert(lists.classIds[c], int(c));
    std::vector<int> columnsOfClass(std::size_t(lists.classIds.size()), 0);
    for (const RaceClass &c : classes) {
        const auto found = classIndex.constFind(c.id);
        if (found != classIndex.constEnd() && classPlaced[std::size_t(found.value())]) {
            grid.classes.append(c);
            ++columnsOfClass[std::size_t(found.value())];
        }
    }
    std::stable_sort(grid.classes.begin(), grid.classes.end(),
        [](const RaceClass &a, const RaceClass &b) { return compareNames(a.name, b.name) < 0; });
    grid.runnerCounts.fill(0, grid.timeSlots.size());
    for (qsizetype k = 0; k < rows.size(); ++k)
        grid.runnerCounts[slotOfRow[std::size_t(k)]] += columnsOfClass[std::size_t(rows[k].classIndex)];
    return grid;
}

QList<bool> startTimeBands(const StartListLists &lists)
{
    QList<bool> bands;
    bands.reserve(lists.scheduledRows.size());
    int band = 0;
    std::optional<int> previous;
    for (const StartListLists::ScheduledRow &row : lists.scheduledRows) {
        if (previous && *previous != row.seconds)
            ++band;
        previous = row.seconds;
        bands.append(band % 2 == 1);
    }
    return bands;
}

QString classCourseLabel(const Race &race, const Participant &p)
{
    const std::optional<QString> classId = effectiveClassId(race, p);
    return classCourseLabel(race, p, classId ? findClass(race, classId) : nullptr);
}

QString classCourseLabel(const Race &race, const Participant &p, const RaceClass *cls)
{
    const QString clubSuffix = p.club && !p.club->isEmpty() ? QStringLiteral(" · ") + *p.club : QString();
    if (!cls)
        return localized(QStringLiteral("No class")) + clubSuffix;
    // A class that chooses by family judges each runner on their own course, else by the family:
    // a course the class held before it turned into one judges no one.
    if (choosesCourseByFamily(cls)) {
        if (const Course *course = findCourse(race, effectiveCourseId(race, p)))
            return cls->name + QStringLiteral(" - ") + course->name + clubSuffix;
    }
    return cls->name + clubSuffix;
}

// ---- Exports ----------------------------------------------------------------------------------

bool startsByPunchOnActiveStage(const Race &race, const Participant &p)
{
    const RaceClass *cls = findClass(race, effectiveClassId(race, p));
    return cls && usesStartPunch(*cls, shownStage(race));
}

namespace {
Participant resolvedForStage(const Race &race, Participant p, bool withTime)
{
    if (withTime)
        p.startTime = scheduledStartTime(race, p);
    p.classId = effectiveClassId(race, p);
    p.courseId = effectiveCourseId(race, p);
    return p;
}
} // namespace

QList<Participant> exportScheduledParticipants(const Race &race, const StartListLists &lists)
{
    QList<Participant> out;
    out.reserve(lists.scheduled.size());
    for (const qsizetype position : lists.scheduled)
        out.append(resolvedForStage(race, lists.runner(position), true));
    return out;
}

QList<Participant> startPunchParticipants(const Race &race, const StartListLists &lists)
{
    QList<Participant> out;
    for (const qsizetype position : lists.filtered) {
        const Participant &p = lists.runner(position);
        if (startsByPunchOnActiveStage(race, p))
            out.append(resolvedForStage(race, p, false));
    }
    return out;
}

QList<RaceClass> classesForActiveStage(const Race &race)
{
    // Each class with the course that judges it on the stage (none for a class that chooses by
    // family or among several courses), as the Classes screen shows it.
    QList<RaceClass> out = race.classes;
    for (RaceClass &c : out)
        c.courseId = classCourseIdOnStage(&c, shownStage(race));
    return out;
}

QString exportStartListFileName(const Race &race, StartListExportKind kind)
{
    QString part = QStringLiteral("-startlist");
    if (kind == StartListExportKind::ByClassPdf)
        part = QStringLiteral("-startlist-by-class");
    else if (kind == StartListExportKind::StartPunchPdf)
        part = QStringLiteral("-startlist-start-punch");
    QString name = race.name + part + stageFileNamePart(race, shownStage(race));
    // A separator in the event's name would point the save dialog into another folder.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + (kind == StartListExportKind::Xml ? QStringLiteral(".xml") : QStringLiteral(".pdf"));
}

namespace {

StartListExportOutcome failed(const QString &reason)
{
    return {false, localized(QStringLiteral("Export failed: ")) + localizedMessage(reason)};
}

PdfExportResult renderStartPunchPdf(const Race &race, const QList<Participant> &runners, const QString &path)
{
    QString error;
    std::unique_ptr<PDFTableRenderer> renderer
        = PDFTableRenderer::create(path, a4ShortSide, a4LongSide, documentMargin, &error);
    if (!renderer)
        return {false, error};
    renderer->drawTitle(race.name);
    renderer->drawSubtitle(
        localized(QStringLiteral("Start List — Start Punch Classes")) + stageDateTitle(race));
    // The classes follow the title on the first page.
    drawClassSection(*renderer, race, runners, race.courses, false);
    if (!renderer->finish(&error))
        return {false, error};
    return {true, {}};
}

} // namespace

StartListExportOutcome exportStartList(
    StartListExportKind kind, const Race &race, const StartListLists &lists, bool grid, const QString &path)
{
    if (path.isEmpty())
        return failed(localized(QStringLiteral("No file was chosen.")));
    if (kind == StartListExportKind::Xml) {
        QString error;
        const QByteArray xml = writeIOFStartListXML(race, exportScheduledParticipants(race, lists));
        if (!writeFileAtomically(path, xml, &error))
            return failed(error);
        return {true, {}};
    }
    PdfExportResult written;
    switch (kind) {
    case StartListExportKind::TimeslotPdf: {
        const QList<Participant> runners = exportScheduledParticipants(race, lists);
        written = grid ? renderStartListGridPDF(race, runners, race.classes, path)
                       : renderStartListPDF(race, runners, race.classes, path);
        break;
    }
    case StartListExportKind::ByClassPdf:
    case StartListExportKind::StartPunchPdf: {
        // Every class line names the course that judges the class on the stage.
        Race shown = race;
        shown.classes = classesForActiveStage(race);
        if (kind == StartListExportKind::ByClassPdf)
            written = renderStartListByClassPDF(shown, exportScheduledParticipants(race, lists),
                shown.classes, race.courses, startPunchParticipants(race, lists), path);
        else
            written = renderStartPunchPdf(shown, startPunchParticipants(race, lists), path);
        break;
    }
    case StartListExportKind::Xml:
        break;
    }
    if (!written.ok)
        return failed(written.error);
    if (!QFileInfo(path).isFile())
        return failed(localized(QStringLiteral("The file was not written.")));
    return {true, {}};
}

// ---- Clearing ---------------------------------------------------------------------------------

ClearPlan planClearStartTimes(const Race &race, const QString &classId)
{
    ClearPlan plan;
    QSet<QUuid> seen;
    for (const Participant &p : race.participants) {
        if (!classId.isEmpty() && !(p.classId && *p.classId == classId))
            continue;
        if (seen.contains(p.id) || !scheduledStartTime(race, p))
            continue;
        seen.insert(p.id);
        const QDateTime *own = shownStage(race) && p.startTimeByStage
            ? stageEntry(*p.startTimeByStage, *shownStage(race))
            : nullptr;
        if (shownStage(race) && !own) {
            ++plan.keptBaseTimes;
            continue;
        }
        plan.cleared.append(p.id);
        // The stage's own time goes; a base time behind it shows again.
        if (shownStage(race) && p.startTime)
            ++plan.keptBaseTimes;
    }
    return plan;
}

// ---- Import -----------------------------------------------------------------------------------

namespace {
// Local days, converted once per distinct instant: a start list shares a few hundred start times.
class LocalDays
{
public:
    QDate operator()(const QDateTime &t)
    {
        if (!t.isValid())
            return t.toLocalTime().date();
        const qint64 key = t.toMSecsSinceEpoch();
        auto it = m_cache.constFind(key);
        if (it == m_cache.constEnd())
            it = m_cache.insert(key, t.toLocalTime().date());
        return it.value();
    }

private:
    QHash<qint64, QDate> m_cache;
};

std::optional<QDateTime> modalDay(const QList<QDateTime> &dates, LocalDays &days)
{
    QMap<QDate, int> counts;
    for (const QDateTime &d : dates)
        if (d.isValid())
            ++counts[days(d)];
    if (counts.isEmpty())
        return std::nullopt;
    auto best = counts.constBegin();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > best.value())
            best = it;
    return best.key().startOfDay();
}
} // namespace

std::optional<QDateTime> startListModalDay(const QList<QDateTime> &dates)
{
    LocalDays days;
    return modalDay(dates, days);
}

std::optional<int> startListRaceNumber(const Race &race)
{
    if (race.stages.isEmpty() || !shownStage(race))
        return std::nullopt;
    return raceNumberOf(race, shownStage(race));
}

StartListDayCheck checkStartListDay(const Race &race, const std::optional<QDateTime> &modalDay)
{
    StartListDayCheck check;
    if (!modalDay || race.stages.isEmpty() || !shownStage(race))
        return check;
    for (const Stage &stage : race.stages) {
        if (!sameId(stage.id, *shownStage(race)))
            continue;
        check.fileDay = modalDay->date();
        if (stage.date.isValid())
            check.stageDay = stage.date.toLocalTime().date();
        check.stageName = stage.name;
        break;
    }
    return check;
}

namespace {
QString nameKey(const QString &family, const QString &given)
{
    return family.toCaseFolded() + QChar(0) + given.toCaseFolded();
}
} // namespace

namespace {
// The card's number when its text without spaces is digits only, starts with no zero and has at
// most 18 digits; such texts are equal exactly when their numbers are.
std::optional<quint64> cardNumberKey(const QString &card)
{
    quint64 number = 0;
    int digits = 0;
    for (const QChar c : card) {
        if (c >= u'0' && c <= u'9') {
            if ((digits == 0 && c == u'0') || ++digits > 18)
                return std::nullopt;
            number = number * 10 + quint64(c.unicode() - u'0');
        } else if (!isCardNumberSpace(c)) {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    return number;
}
} // namespace

StartListMatcher::StartListMatcher(const Race &race, bool byName)
{
    m_byNumber.reserve(std::size_t(race.participants.size()));
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const Participant &p = race.participants[i];
        if (!effectiveClassId(race, p))
            continue;
        // Card numbers compare by their digits: "2 000 009" is card 2000009.
        if (const std::optional<quint64> number = cardNumberKey(p.cardNumber)) {
            m_byNumber.push_back({*number, i});
        } else {
            const QString card = cardNumberWithoutSpaces(p.cardNumber);
            if (!m_byCard.contains(card))
                m_byCard.insert(card, i);
        }
        if (!byName)
            continue;
        const QString key = nameKey(p.familyName, p.givenName);
        if (!m_byName.contains(key))
            m_byName.insert(key, i);
    }
    // Stable, so of runners sharing a card the first in race order is kept.
    std::stable_sort(m_byNumber.begin(), m_byNumber.end(),
        [](const NumberedCard &a, const NumberedCard &b) { return a.number < b.number; });
    m_byNumber.erase(std::unique(m_byNumber.begin(), m_byNumber.end(),
                         [](const NumberedCard &a, const NumberedCard &b) { return a.number == b.number; }),
        m_byNumber.end());
}

std::optional<qsizetype> StartListMatcher::matchCard(const QString &card) const
{
    if (const std::optional<quint64> number = cardNumberKey(card)) {
        auto it = std::lower_bound(m_byNumber.cbegin(), m_byNumber.cend(), *number,
            [](const NumberedCard &c, quint64 n) { return c.number < n; });
        if (it == m_byNumber.cend() || it->number != *number)
            return std::nullopt;
        return it->runner;
    }
    auto it = m_byCard.constFind(cardNumberWithoutSpaces(card));
    return it == m_byCard.constEnd() ? std::nullopt : std::optional<qsizetype>(it.value());
}

std::optional<qsizetype> StartListMatcher::match(const IOFStartListParser::Entry &entry) const
{
    if (entry.cardNumber && !entry.cardNumber->isEmpty())
        return matchCard(*entry.cardNumber);
    if (entry.familyName && entry.givenName) {
        auto it = m_byName.constFind(nameKey(*entry.familyName, *entry.givenName));
        if (it != m_byName.constEnd())
            return it.value();
    }
    return std::nullopt;
}

namespace {
// A card number and the position (of a runner or an entry) it belongs to.
struct NumberedPosition
{
    quint64 number = 0;
    quint32 position = 0;
};

// Whether a class starts by punch on the active stage, asked once per class id. The runners' class
// ids are mostly shares of a few texts: an answer is also kept by where the characters of the id
// are, so most runners are answered without reading their id's text.
class PunchOfClass
{
public:
    bool startsByPunch(const Race &race, const Participant &p, const QString &classId)
    {
        const QChar *characters = classId.constData();
        Seen &seen = m_seen[(quintptr(characters) >> 4) % m_seen.size()];
        if (seen.characters == characters && seen.size == classId.size())
            return seen.punch;
        auto known = m_byText.constFind(classId);
        if (known == m_byText.constEnd())
            known = m_byText.insert(classId, startsByPunchOnActiveStage(race, p));
        seen = {characters, classId.size(), known.value()};
        return known.value();
    }

private:
    struct Seen
    {
        const QChar *characters = nullptr;
        qsizetype size = -1;
        bool punch = false;
    };
    std::array<Seen, 128> m_seen {};
    QHash<QStringView, bool> m_byText;
};

} // namespace

struct ImportedStartLookups::State
{
    LocalDays days;
    PunchOfClass punchOfClass;
};

ImportedStartLookups::ImportedStartLookups()
    : state(std::make_unique<State>())
{ }
ImportedStartLookups::~ImportedStartLookups() = default;
ImportedStartLookups::ImportedStartLookups(ImportedStartLookups &&) noexcept = default;
ImportedStartLookups &ImportedStartLookups::operator=(ImportedStartLookups &&) noexcept = default;

ImportedStart resolveImportedStart(const Race &race, const StartListMatcher &matcher,
    const IOFStartListParser::Entry &entry, const std::optional<QDateTime> &modalDay,
    ImportedStartLookups &lookups)
{
    ImportedStart out;
    const std::optional<qsizetype> index = matcher.match(entry);
    if (!index)
        return out;
    const Participant &p = race.participants[*index];
    out.runner = p.id;
    const QString *classId = forActiveStage(race, p.classId, p.classIdByStage);
    if (classId && lookups.state->punchOfClass.startsByPunch(race, p, *classId)) {
        out.kind = ImportedStart::Kind::StartPunch;
        return out;
    }
    out.kind = ImportedStart::Kind::Write;
    out.time = entry.startTime;
    if (modalDay && lookups.state->days(entry.startTime) != modalDay->date()) {
        const QString text = entry.startTime.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
        if (const std::optional<QDateTime> moved = startTimeOnDay(text, modalDay->date())) {
            out.time = *moved;
            out.dateCorrected = true;
        }
    }
    return out;
}

namespace {
// What the plan needs of a runner, read in one pass over the runners in stored order: whether it
// may be matched (it has a class on the active stage), whether that class starts by punch, and
// the start time it shows now.
struct RunnerFacts
{
    enum : quint8 { InClass = 1, StartPunch = 2, Shown = 4 };
    QDateTime shown;
    quint8 flags = 0;
};

// Asks for what that pass reads of a runner a step before it reads it: the blocks of its class
// and start maps (where their nodes are), then their first nodes and its card's text.
[[gnu::always_inline]] inline void prefetchRunnerMaps(const Participant &p)
{
    if (p.classIdByStage) {
        if (const char *block = mapBlock(*p.classIdByStage))
            __builtin_prefetch(block + 16);
    }
    prefetchStartMapBlock(p);
}

[[gnu::always_inline]] inline void prefetchRunnerTexts(const Participant &p)
{
    if (p.classIdByStage && !p.classIdByStage->isEmpty())
        __builtin_prefetch(&p.classIdByStage->constBegin().value());
    prefetchStartMapNode(p);
    __builtin_prefetch(p.cardNumber.constData());
}
} // namespace

StartListImportPlan planStartListImport(const Race &race, const QList<IOFStartListParser::Entry> &entries)
{
    StartListImportPlan plan;
    LocalDays days;
    // The entries' start times in file order: the writes below read them in the runners' order,
    // from this list of 8-byte times rather than from the entries.
    QList<QDateTime> dates;
    dates.reserve(entries.size());
    for (const auto &e : entries)
        dates.append(e.startTime);
    const std::optional<QDateTime> modal = modalDay(dates, days);

    // The entries' cards of plain digits, as numbers; the other entries (another card text, or
    // none and so a name) are matched as the screen matches them.
    constexpr quint32 noRunner = ~quint32(0);
    std::vector<quint32> runnerOf(std::size_t(entries.size()), noRunner);
    std::vector<NumberedPosition> entryCards;
    entryCards.reserve(std::size_t(entries.size()));
    std::vector<quint32> byText;
    bool byName = false;
    for (qsizetype k = 0; k < entries.size(); ++k) {
        const IOFStartListParser::Entry &e = entries[k];
        if (e.cardNumber && !e.cardNumber->isEmpty()) {
            if (const std::optional<quint64> number = cardNumberKey(*e.cardNumber)) {
                entryCards.push_back({*number, quint32(k)});
                continue;
            }
        } else {
            byName = true;
        }
        byText.push_back(quint32(k));
    }

    // One pass over the runners, each asked for ahead: their cards of plain digits as numbers,
    // and all the later steps read of them.
    const qsizetype runners = race.participants.size();
    std::vector<RunnerFacts> facts(static_cast<std::size_t>(runners));
    std::vector<NumberedPosition> runnerCards;
    runnerCards.reserve(std::size_t(runners));
    PunchOfClass punchOfClass;
    constexpr qsizetype ahead = 4;
    for (qsizetype i = 0; i < runners; ++i) {
        if (i + 2 * ahead < runners)
            prefetchRunnerMaps(race.participants[i + 2 * ahead]);
        if (i + ahead < runners)
            prefetchRunnerTexts(race.participants[i + ahead]);
        const Participant &p = race.participants[i];
        const QString *classId = forActiveStage(race, p.classId, p.classIdByStage);
        if (!classId)
            continue;
        RunnerFacts &f = facts[std::size_t(i)];
        f.flags = RunnerFacts::InClass;
        // Card numbers compare by their digits: "2 000 009" is card 2000009.
        if (const std::optional<quint64> number = cardNumberKey(p.cardNumber))
            runnerCards.push_back({*number, quint32(i)});
        if (punchOfClass.startsByPunch(race, p, *classId))
            f.flags |= RunnerFacts::StartPunch;
        if (const QDateTime *shown = forActiveStage(race, p.startTime, p.startTimeByStage)) {
            f.shown = *shown;
            f.flags |= RunnerFacts::Shown;
        }
    }

    // Both sides ordered by number and walked together. Of runners sharing a card the first in
    // race order is kept, as the sort is stable.
    // Stably by number: an event's cards span a few million numbers, two or three byte passes.
    const auto byNumber = [](const NumberedPosition &item) { return item.number; };
    sortByKey(runnerCards, byNumber);
    sortByKey(entryCards, byNumber);
    std::size_t r = 0;
    for (const NumberedPosition &card : entryCards) {
        while (r < runnerCards.size() && runnerCards[r].number < card.number)
            ++r;
        if (r < runnerCards.size() && runnerCards[r].number == card.number)
            runnerOf[card.position] = runnerCards[r].position;
    }
    if (!byText.empty()) {
        const StartListMatcher matcher(race, byName);
        for (const quint32 k : byText) {
            if (const std::optional<qsizetype> index = matcher.match(entries[k]))
                runnerOf[k] = quint32(*index);
        }
    }

    // Read in the runners' stored order rather than the file's start order; a runner's entries
    // keep the file's order, so the last of them still sets the time.
    std::vector<quint32> matched;
    matched.reserve(std::size_t(entries.size()));
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (runnerOf[std::size_t(k)] != noRunner)
            matched.push_back(quint32(k));
        else
            ++plan.summary.noMatch;
    }
    plan.times.reserve(qsizetype(matched.size()));
    const std::vector<quint32> order = countingOrder(runnerOf, quint32(runners), matched);
    for (std::size_t j = 0; j < order.size(); ++j) {
        const quint32 k = order[j];
        const quint32 runner = runnerOf[k];
        const RunnerFacts &f = facts[runner];
        if (f.flags & RunnerFacts::StartPunch) {
            ++plan.summary.startPunch;
            continue;
        }
        const QDateTime &start = dates[qsizetype(k)];
        QDateTime time = start;
        bool corrected = false;
        if (modal && days(start) != modal->date()) {
            const QString text = start.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
            if (const std::optional<QDateTime> moved = startTimeOnDay(text, modal->date())) {
                time = *moved;
                corrected = true;
            }
        }
        plan.summary.replaced += (f.flags & RunnerFacts::Shown) && f.shown != time ? 1 : 0;
        if (!plan.times.isEmpty() && plan.times.constLast().runner == qsizetype(runner))
            plan.times.last().time = time;
        else
            plan.times.append({qsizetype(runner), time});
        ++plan.summary.applied;
        plan.summary.dateCorrected += corrected ? 1 : 0;
    }
    return plan;
}

void applyStartListImportPlan(Race &race, const StartListImportPlan &plan)
{
    StartTimeWriter writer(race);
    for (const StartListImportPlan::Start &s : plan.times)
        writer.set(s.runner, s.time);
}
