#include "entryimport.h"

#include "log.h"
#include "racelookup.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>
#include <bitset>
#include <memory>
#include <vector>

IdMap mergeImportedClasses(Race &race, const QList<RaceClass> &classes, const std::optional<QString> &stageId)
{
    IdMap idMap;
    for (const RaceClass &imported : classes) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < race.classes.size() && found < 0; ++i) {
            if (sameId(race.classes[i].id, imported.id))
                found = i;
        }
        if (found < 0) {
            const QString key = matchKey(imported.name);
            for (qsizetype i = 0; i < race.classes.size() && found < 0; ++i) {
                if (matchKey(race.classes[i].name) == key)
                    found = i;
            }
        }
        if (found < 0) {
            RaceClass added = imported;
            if (stageId && imported.courseId)
                added.stageCourseIds = StageMap<QString> {{*stageId, *imported.courseId}};
            race.classes.append(added);
            continue;
        }

        const RaceClass &stored = race.classes[found];
        RaceClass merged = imported;
        merged.id = stored.id;
        if (!sameId(stored.id, imported.id)) {
            idMap.insert(imported.id, stored.id);
            merged.name = stored.name;
        }
        merged.courseFamily = imported.courseFamily ? imported.courseFamily : stored.courseFamily;
        merged.stageCourseIds = stored.stageCourseIds;
        if (stageId && imported.courseId) {
            merged.courseId = stored.courseId;
            if (!merged.stageCourseIds)
                merged.stageCourseIds.emplace();
            merged.stageCourseIds->insert(*stageId, *imported.courseId);
        } else {
            merged.courseId = imported.courseId ? imported.courseId : stored.courseId;
        }
        // Imported lists carry none of the start settings; a field the file leaves out keeps the
        // organiser's value instead of being wiped by a re-import.
        const auto keep = [](auto &field, const auto &storedField) {
            if (!field)
                field = storedField;
        };
        keep(merged.courseIds, stored.courseIds);
        keep(merged.mode, stored.mode);
        keep(merged.lastUsedStartTimeSeconds, stored.lastUsedStartTimeSeconds);
        keep(merged.lastUsedIntervalSeconds, stored.lastUsedIntervalSeconds);
        keep(merged.startMethod, stored.startMethod);
        keep(merged.startWindow, stored.startWindow);
        keep(merged.stageStartMethods, stored.stageStartMethods);
        keep(merged.stageStartWindows, stored.stageStartWindows);
        // A class that chooses by family keeps doing so: the file's one course would be stored
        // where it judges nothing and shows nowhere.
        if (choosesCourseByFamily(&merged)) {
            merged.courseId = stored.courseId;
            merged.stageCourseIds = stored.stageCourseIds;
        }
        race.classes[found] = merged;
    }
    return idMap;
}

QList<Participant> remapParticipantClassIds(QList<Participant> participants, const IdMap &idMap)
{
    if (idMap.isEmpty())
        return participants;
    for (Participant &p : participants) {
        if (!p.classId)
            continue;
        auto it = idMap.constFind(*p.classId);
        if (it != idMap.constEnd())
            p.classId = it.value();
    }
    return participants;
}

bool isMissingCardNumber(const QString &cardNumber)
{
    return cardNumber.isEmpty() || (cardNumber.size() == 1 && cardNumber.front() == u'0');
}

namespace {

// The rental numbers in use. Only a card number that is exactly one of the range's numbers can
// keep one from being handed out, so an event of 50,000 cards is held as 101 flags, not as a set
// of its numbers. Numbers are only ever taken, so every number below the cursor is in use.
class RentalNumbers
{
public:
    RentalNumbers() = default;
    RentalNumbers(const QList<Participant> &stored, const QList<Participant> &imported)
    {
        for (const Participant &p : stored)
            take(p.cardNumber);
        for (const Participant &p : imported)
            take(p.cardNumber);
    }

    // Taken when the text is what QString::number gives for a number of the range.
    void take(const QString &cardNumber)
    {
        if (cardNumber.size() != 3 || cardNumber[0] == u'0')
            return;
        int n = 0;
        for (const QChar c : cardNumber) {
            if (c < u'0' || c > u'9')
                return;
            n = n * 10 + (c.unicode() - u'0');
        }
        if (n >= firstRentalCardNumber && n <= lastRentalCardNumber)
            m_taken[std::size_t(n - firstRentalCardNumber)] = true;
    }

    // The lowest free number, now in use; 0 when the range is used up.
    int next()
    {
        while (m_cursor <= lastRentalCardNumber && m_taken[std::size_t(m_cursor - firstRentalCardNumber)])
            ++m_cursor;
        if (m_cursor > lastRentalCardNumber)
            return 0;
        m_taken[std::size_t(m_cursor - firstRentalCardNumber)] = true;
        return m_cursor++;
    }

private:
    std::bitset<std::size_t(lastRentalCardNumber - firstRentalCardNumber + 1)> m_taken;
    int m_cursor = firstRentalCardNumber;
};

void logNoRentalNumber(const Participant &participant)
{
    QString name = participant.givenName + u' ' + participant.familyName;
    static const QRegularExpression edgeBlanks(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    name.remove(edgeBlanks);
    logLine(QStringLiteral(
        "RaceStore: no rent-a-card numbers available (100-200 all in use) \u2014 %1 left with no "
        "card number")
                .arg(name));
}

// A missing card becomes the lowest free rental number, as nextFreeRentalCardNumber gives it.
void giveRentalNumber(Participant &participant, RentalNumbers &numbers)
{
    if (!isMissingCardNumber(participant.cardNumber))
        return;
    if (const int n = numbers.next()) {
        participant.cardNumber = QString::number(n);
        participant.isRentalCard = true;
    } else {
        logNoRentalNumber(participant);
    }
}

std::optional<QString> importStage(const Race &race)
{
    if (race.stages.isEmpty() || !shownStage(race))
        return std::nullopt;
    return shownStage(race);
}

bool isAsciiDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void refuseUnlessCardNumberText(const Participant &p)
{
    const bool digits = isCardNumberText(p.cardNumber);
    if (digits && isCardNumberInRange(p.cardNumber))
        return;
    QString name = (p.givenName + u' ' + p.familyName).trimmed();
    name = name.isEmpty() ? QStringLiteral("a runner without a name") : name.left(100);
    if (!digits) {
        throw ImportError(
            QStringLiteral("The entry of %1 has the card number \"%2\"; a card number is digits "
                           "only. Correct it in the entry list and import the list again.")
                .arg(name, p.cardNumber.left(32)));
    }
    throw ImportError(
        QStringLiteral("The entry of %1 has the card number %2; no SportIdent card has a number "
                       "above 16,777,215. Correct it in the entry list and import the list again.")
            .arg(name, cardNumberWithoutSpaces(p.cardNumber).left(32)));
}

void setStageEntry(
    std::optional<StageMap<QString>> &map, const QString &stageId, const std::optional<QString> &value)
{
    if (!map)
        map.emplace();
    for (auto it = map->begin(); it != map->end();)
        it = sameId(it.key(), stageId) ? map->erase(it) : std::next(it);
    if (value)
        map->insert(stageId, *value);
}

} // namespace

QList<Participant> assignRentalCardNumbers(const Race &race, QList<Participant> imported)
{
    RentalNumbers numbers(race.participants, imported);
    for (Participant &p : imported) {
        // Vacant places are not imported; they take no number.
        if (!isVacantEntry(p))
            giveRentalNumber(p, numbers);
    }
    return imported;
}

Participant nextFreeRentalCardNumber(Participant participant, QSet<QString> &inUse)
{
    if (!isMissingCardNumber(participant.cardNumber))
        return participant;
    for (int n = firstRentalCardNumber; n <= lastRentalCardNumber; ++n) {
        const QString number = QString::number(n);
        if (inUse.contains(number))
            continue;
        participant.cardNumber = number;
        participant.isRentalCard = true;
        inUse.insert(number);
        return participant;
    }
    logNoRentalNumber(participant);
    return participant;
}

namespace {

QString fullNameKey(const Participant &p)
{
    return matchKey(p.givenName + u' ' + p.familyName);
}

} // namespace

bool matchesByFullName(const Participant &stored, const Participant &imported)
{
    const QString importedKey = fullNameKey(imported);
    return !importedKey.isEmpty() && fullNameKey(stored) == importedKey;
}

bool isVacantEntry(const Participant &entry)
{
    return isMissingCardNumber(entry.cardNumber) && entry.givenName.trimmed().isEmpty()
        && entry.familyName.trimmed().isEmpty();
}

namespace {

// Whether a field the list carries differs from the stored one (an empty text is not an absent or
// a null one).
bool differs(const QString &stored, const QString &imported)
{
    return stored != imported || stored.isNull() != imported.isNull();
}

bool differs(const std::optional<QString> &stored, const std::optional<QString> &imported)
{
    return stored.has_value() != imported.has_value() || (stored && differs(*stored, *imported));
}

// Stored positions by key, each key's positions in list order from its first unclaimed one on:
// a chain through the positions instead of a list per key.
class NamePositions
{
public:
    explicit NamePositions(qsizetype storedCount)
        : m_next(std::size_t(storedCount), -1)
    { }

    // Positions must be added from the last to the first.
    void addBefore(const QString &key, qsizetype position)
    {
        auto it = m_first.find(key);
        if (it == m_first.end()) {
            m_first.insert(key, position);
        } else {
            m_next[std::size_t(position)] = it.value();
            it.value() = position;
        }
    }

    // The first position of the key that is not yet claimed, then claimed; -1 when there is none.
    // Skips the positions claimed elsewhere, so it is right however claims interleave.
    qsizetype claimFirst(const QString &key, QList<bool> &claimed)
    {
        auto it = m_first.find(key);
        if (it == m_first.end())
            return -1;
        qsizetype j = it.value();
        while (j >= 0 && claimed[j])
            j = m_next[std::size_t(j)];
        it.value() = j >= 0 ? m_next[std::size_t(j)] : -1;
        if (j >= 0)
            claimed[j] = true;
        return j;
    }

private:
    QHash<QString, qsizetype> m_first;
    std::vector<qsizetype> m_next;
};

// Stored positions by card number without its grouping spaces, chained as NamePositions does. A
// number of up to 17 ASCII digits is keyed as one integer, its length included ("0123" and "123"
// are two numbers, as they are two texts), in one open-addressed table: an event of 50,000 cards
// is indexed without copying a card text and found again with one probe into the table, where a
// table of texts costs several scattered reads per look-up. Any other text gets a key of its own,
// tagged apart from the numbers.
class CardPositions
{
public:
    // Keys are given out at once; the table is built when it is first needed.
    CardPositions() = default;

    // What a card number is indexed by (keys are numbered, so ask in the order wanted).
    quint64 storedKey(const QString &cardNumber) { return key(cardNumber, true).value_or(0); }
    // What a card number is looked up by: noKey for a text no stored runner has.
    quint64 lookupKey(const QString &cardNumber) { return key(cardNumber, false).value_or(noKey); }
    static constexpr quint64 noKey = ~quint64(0);

    // Whether a text of `size` units that has this key is the key's digits themselves (no grouping
    // spaces): two such texts with one key are the same text, told without reading either.
    static bool spellsDigits(quint64 key, qsizetype size)
    {
        return (key & textTag) == 0 && key / lengthUnit == quint64(size);
    }

    // Every stored runner, by the key of each position. The table of a large event is read at
    // random, far beyond the caches: each slot is asked for a few keys before its turn, so the
    // reads overlap instead of waiting one after another.
    void build(const std::vector<quint64> &keys)
    {
        // At most three quarters full, so a probe rarely goes past the next slot or two.
        std::size_t size = 16;
        unsigned bits = 4;
        while (size * 3 < 4 * keys.size()) {
            size *= 2;
            ++bits;
        }
        m_keys.assign(size, emptyKey);
        m_first.resize(size);
        m_mask = size - 1;
        m_shift = 64 - bits;
        m_next.assign(keys.size(), -1);
        for (qsizetype j = qsizetype(keys.size()) - 1; j >= 0; --j) {
            if (j >= lookAhead)
                prefetch(keys[std::size_t(j - lookAhead)]);
            const quint64 k = keys[std::size_t(j)];
            const std::size_t slot = slotOf(k);
            if (m_keys[slot] == emptyKey)
                m_keys[slot] = k;
            else
                m_next[std::size_t(j)] = m_first[slot];
            m_first[slot] = qint32(j);
        }
    }

    [[nodiscard]] bool built() const { return !m_keys.empty(); }

    // Readies the slot of a key that is about to be looked up. Always inlined: a call of a function
    // that only asks for memory counts as one without effects, and the compiler drops it.
    [[gnu::always_inline]] void prefetch(quint64 key) const
    {
        const std::size_t slot = home(key);
        __builtin_prefetch(&m_keys[slot]);
        __builtin_prefetch(&m_first[slot]);
    }

    // The first unclaimed position with this key, now claimed; -1 when there is none.
    qsizetype claimFirst(quint64 k, QList<bool> &claimed)
    {
        if (k == noKey)
            return -1;
        const std::size_t slot = slotOf(k);
        if (m_keys[slot] == emptyKey)
            return -1;
        qint32 j = m_first[slot];
        while (j >= 0 && claimed[j])
            j = m_next[std::size_t(j)];
        m_first[slot] = j >= 0 ? m_next[std::size_t(j)] : -1;
        if (j >= 0)
            claimed[j] = true;
        return j;
    }

    // How many keys ahead the table is readied.
    static constexpr qsizetype lookAhead = 8;

private:
    static constexpr quint64 emptyKey = ~quint64(0);
    static constexpr quint64 lengthUnit = 100'000'000'000'000'000ULL; // 10^17
    static constexpr quint64 textTag = quint64(1) << 63;

    std::size_t home(quint64 key) const { return std::size_t((key * 0x9E3779B97F4A7C15ULL) >> m_shift); }

    // The slot holding the key, else the empty slot where it goes.
    std::size_t slotOf(quint64 key) const
    {
        std::size_t i = home(key);
        while (m_keys[i] != emptyKey && m_keys[i] != key)
            i = (i + 1) & m_mask;
        return i;
    }

    static bool digitKey(QStringView text, quint64 &key)
    {
        if (text.size() > 17)
            return false;
        quint64 value = 0;
        for (const QChar c : text) {
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + (c.unicode() - u'0');
        }
        key = quint64(text.size()) * lengthUnit + value;
        return true;
    }

    // Nullopt for a text no stored runner has (only when not adding).
    std::optional<quint64> key(const QString &cardNumber, bool add)
    {
        quint64 k = 0;
        if (digitKey(cardNumber, k))
            return k;
        const QString digits = cardNumberWithoutSpaces(cardNumber);
        if (digitKey(digits, k))
            return k;
        auto it = m_texts.constFind(digits);
        if (it != m_texts.constEnd())
            return it.value();
        if (!add)
            return std::nullopt;
        k = textTag | quint64(m_texts.size());
        m_texts.insert(digits, k);
        return k;
    }

    // Keys and first positions side by side in two arrays: an event stays below 2^31 runners.
    std::vector<quint64> m_keys;
    std::vector<qint32> m_first;
    std::size_t m_mask = 0;
    unsigned m_shift = 0;
    std::vector<qint32> m_next;
    QHash<QString, quint64> m_texts;
};

// The card matches of a list, in list order: each entry takes the first unclaimed stored runner
// with its card. A list imported again mostly comes in the event's own order, so the runner is
// looked for first just after the last one taken, in storage order, without the table: it is the
// first with the key when no runner passed over unclaimed holds the key as well. The table is
// built only when an entry leaves that order, and answers for it.
class CardMatcher
{
public:
    CardMatcher(std::vector<quint64> keys, CardPositions &table, QList<bool> &claimed)
        : m_keys(std::move(keys))
        , m_table(table)
        , m_claimed(claimed)
    { }

    qsizetype claim(quint64 key)
    {
        if (key == CardPositions::noKey)
            return -1;
        const auto count = qsizetype(m_keys.size());
        while (m_cursor < count && m_claimed[m_cursor])
            ++m_cursor;
        // A few runners on: the ones between are then passed over.
        for (qsizetype c = m_cursor; c < count && c <= m_cursor + nearby; ++c) {
            if (m_keys[std::size_t(c)] != key || m_claimed[c])
                continue;
            if (m_passed.contains(key))
                break;
            m_claimed[c] = true;
            passTo(c);
            return c;
        }
        if (!m_table.built())
            m_table.build(m_keys);
        const qsizetype j = m_table.claimFirst(key, m_claimed);
        if (j >= m_cursor)
            passTo(j);
        return j;
    }

    // Readies the look-up of a key some entries ahead, when the table is there.
    [[gnu::always_inline]] void prefetch(quint64 key) const
    {
        if (m_table.built() && key != CardPositions::noKey)
            m_table.prefetch(key);
    }

private:
    static constexpr qsizetype nearby = 4;

    // Moves on past `taken`, noting the keys of the runners left unclaimed before it.
    void passTo(qsizetype taken)
    {
        for (qsizetype p = m_cursor; p < taken; ++p) {
            if (!m_claimed[p])
                m_passed.insert(m_keys[std::size_t(p)]);
        }
        m_cursor = taken + 1;
    }

    std::vector<quint64> m_keys; // of each stored position
    CardPositions &m_table;
    QList<bool> &m_claimed;
    qsizetype m_cursor = 0; // every unclaimed runner before it has its key in m_passed
    QSet<quint64> m_passed;
};

// With `listClasses`, the merge of a whole entry list: every card number is checked and made
// digits first, and the list's classes are merged before its entries.
void mergeEntries(Race &race, QList<Participant> imported, const QList<RaceClass> *listClasses)
{
    const std::optional<QString> stageId = importStage(race);
    const qsizetype storedCount = race.participants.size();

    // One pass over the stored runners and one over the list take all that needs every entry: a
    // pass over 50,000 entries reads megabytes the caches no longer hold. The runners give the
    // card index and the rental numbers in use (read through at(), which never copies a list
    // the event shares); the list loses its vacant places and gives its numbers in use and its
    // card matches.
    RentalNumbers numbers;
    std::optional<CardPositions> byCard;
    std::vector<quint64> storedKeys;
    if (storedCount > 0) {
        byCard.emplace();
        storedKeys.resize(std::size_t(storedCount));
        for (qsizetype j = 0; j < storedCount; ++j) {
            const QString &cardNumber = race.participants.at(j).cardNumber;
            storedKeys[std::size_t(j)] = byCard->storedKey(cardNumber);
            numbers.take(cardNumber);
        }
    }

    // Match first, against the runners stored before this import; each is claimed at most once,
    // so two entries of one list never land on the same runner. Card matches go first, so a runner
    // found by card is never taken by someone of the same name listed earlier.
    std::vector<quint64> cardKeys; // the key of each entry kept, noKey for none to match by
    cardKeys.reserve(std::size_t(imported.size()));
    QList<bool> claimed(storedCount, false);
    qsizetype unclaimed = storedCount;
    std::vector<qsizetype> withoutCard; // the entries a rental number may go to
    qsizetype kept = 0;
    for (qsizetype i = 0; i < imported.size(); ++i) {
        if (listClasses) {
            // Checked before the event is changed (a refused list leaves it as it was), and made
            // digits as soon as it passes.
            // Most numbers are plain digits already, and are read without a copy.
            // Seven digits or fewer are always within the range a card holds.
            const QString &cardNumber = imported.at(i).cardNumber;
            if (!isAsciiDigits(cardNumber)) {
                refuseUnlessCardNumberText(imported.at(i));
                QString digits = cardNumberWithoutSpaces(cardNumber);
                if (digits.size() != cardNumber.size())
                    imported[i].cardNumber = std::move(digits);
            } else if (cardNumber.size() > 7) {
                refuseUnlessCardNumberText(imported.at(i));
            }
        }
        // A vacant place (no name, no card) is nobody to add: kept, it came back on every
        // re-import and took a rental number each time.
        if (isVacantEntry(imported.at(i)))
            continue;
        if (kept != i)
            imported[kept] = std::move(imported[i]);
        const Participant &entry = imported.at(kept);
        numbers.take(entry.cardNumber);
        if (isMissingCardNumber(entry.cardNumber)) {
            withoutCard.push_back(kept);
            cardKeys.push_back(CardPositions::noKey);
        } else {
            // By the digits: a runner stored with a grouped number ("2 000 009") is the same card.
            cardKeys.push_back(byCard ? byCard->lookupKey(entry.cardNumber) : CardPositions::noKey);
        }
        ++kept;
    }
    if (kept != imported.size())
        imported.resize(kept);
    // The card matches in list order, from the keys alone.
    QList<qsizetype> match(kept, -1);
    if (unclaimed > 0) {
        CardMatcher matcher(std::move(storedKeys), *byCard, claimed);
        for (std::size_t i = 0; i < cardKeys.size() && unclaimed > 0; ++i) {
            if (const std::size_t ahead = i + std::size_t(CardPositions::lookAhead); ahead < cardKeys.size())
                matcher.prefetch(cardKeys[ahead]);
            match[qsizetype(i)] = matcher.claim(cardKeys[i]);
            if (match[qsizetype(i)] >= 0)
                --unclaimed;
            else
                cardKeys[i] = CardPositions::noKey;
        }
    }
    // Of a matched entry, the key is now noKey unless the runner was found by it.
    if (listClasses) {
        const IdMap classIds = mergeImportedClasses(race, *listClasses, std::nullopt);
        if (!classIds.isEmpty())
            imported = remapParticipantClassIds(std::move(imported), classIds);
    }

    // By full name, among the runners no card took; built on the first entry with a name.
    std::optional<NamePositions> byName;
    for (qsizetype i = 0; i < imported.size() && unclaimed > 0; ++i) {
        if (match[i] >= 0)
            continue;
        const QString key = fullNameKey(imported.at(i));
        if (key.isEmpty())
            continue;
        if (!byName) {
            byName.emplace(storedCount);
            for (qsizetype j = storedCount - 1; j >= 0; --j) {
                if (!claimed[j])
                    byName->addBefore(fullNameKey(race.participants.at(j)), j);
            }
        }
        match[i] = byName->claimFirst(key, claimed);
        if (match[i] >= 0)
            --unclaimed;
    }

    // Rental numbers only for the entries that are really new; every number of the event and of
    // the list counts as taken.
    //
    // A new runner keeps the imported class as the base class as well: the overall standings, the
    // draws and the clearing of start times select runners by it. The stage entry records the
    // class for this stage even when a later stage's import moves the runner.
    const auto addNew = [&numbers, &stageId](Participant &entry) {
        giveRentalNumber(entry, numbers);
        if (stageId)
            setStageEntry(entry.classIdByStage, *stageId, entry.classId);
    };
    if (storedCount == 0) {
        // Every entry is new: the list, numbered in place, becomes the event's list. Only the
        // entries without a card change when there is no stage.
        if (stageId) {
            for (Participant &entry : imported)
                addNew(entry);
        } else {
            for (const qsizetype i : withoutCard)
                giveRentalNumber(imported[i], numbers);
        }
        race.participants = std::move(imported);
        return;
    }
    if (const qsizetype added = std::count(match.cbegin(), match.cend(), qsizetype(-1)))
        race.participants.reserve(storedCount + added);
    // Each entry is let go as soon as it is merged, while its memory is still at hand, not in a
    // sweep over the whole list afterwards (removing the first entry of a list frees nothing and
    // moves nothing else).
    for (qsizetype i = 0; !imported.isEmpty(); ++i, imported.removeFirst()) {
        Participant &entry = imported.first();
        if (const qsizetype j = match[i]; j >= 0) {
            // A field is written only where it differs: an unchanged list then leaves the stored
            // runners alone, and with them a participant list the event still shares with a
            // snapshot (which the first write would copy whole).
            const auto stored = [&race, j]() -> const Participant & { return race.participants.at(j); };
            const auto write = [&race, j]() -> Participant & { return race.participants[j]; };
            if (differs(stored().givenName, entry.givenName))
                write().givenName = std::move(entry.givenName);
            if (differs(stored().familyName, entry.familyName))
                write().familyName = std::move(entry.familyName);
            // A runner found by a card both sides spell as plain digits holds that very text, known
            // from the key alone: the texts are compared only where a grouped spelling or a text
            // card may make them differ.
            const quint64 cardKey = cardKeys[std::size_t(i)];
            const bool sameCard = CardPositions::spellsDigits(cardKey, entry.cardNumber.size())
                && CardPositions::spellsDigits(cardKey, stored().cardNumber.size());
            if (!sameCard && !isMissingCardNumber(entry.cardNumber)
                && differs(stored().cardNumber, entry.cardNumber)) {
                // The runner's own card: the rental card it stood in for is no longer theirs.
                Participant &runner = write();
                runner.cardNumber = std::move(entry.cardNumber);
                runner.isRentalCard.reset();
            }
            if (differs(stored().club, entry.club))
                write().club = std::move(entry.club);
            if (stageId) {
                Participant &runner = write();
                setStageEntry(runner.classIdByStage, *stageId, entry.classId);
                // A runner added by an earlier staged import may lack the base class; the overall
                // standings and the draws select by it.
                if (!runner.classId)
                    runner.classId = entry.classId;
            } else if (differs(stored().classId, entry.classId)) {
                write().classId = std::move(entry.classId);
            }
            continue;
        }
        addNew(entry);
        race.participants.append(std::move(entry));
    }
}

} // namespace

void applyImportedEntries(Race &race, const QList<Participant> &imported)
{
    mergeEntries(race, imported, nullptr);
}

EntryChanges countEntryChanges(const QList<Participant> &before, const QList<Participant> &after)
{
    // Into an event without entries (the first import) every entry is new, and a list emptied
    // removed every one: no table of 50,000 ids is built to say so.
    if (before.isEmpty())
        return {after.size(), 0, 0};
    if (after.isEmpty())
        return {0, 0, before.size()};
    QHash<QUuid, const Participant *> earlier;
    earlier.reserve(before.size());
    for (const Participant &p : before)
        earlier.insert(p.id, &p);
    EntryChanges changes;
    QSet<QUuid> kept;
    for (const Participant &p : after) {
        const Participant *old = earlier.value(p.id);
        if (!old)
            ++changes.added;
        else if (!(*old == p))
            ++changes.updated;
        kept.insert(p.id);
    }
    for (const Participant &p : before)
        changes.removed += kept.contains(p.id) ? 0 : 1;
    return changes;
}

QList<Participant> withCardNumberDigits(QList<Participant> entries)
{
    // Checked before anything is changed: a refused list leaves the event as it was.
    for (const Participant &p : std::as_const(entries))
        refuseUnlessCardNumberText(p);
    for (Participant &p : entries)
        p.cardNumber = cardNumberWithoutSpaces(p.cardNumber);
    return entries;
}

void applyEntryList(Race &race, const IOFEntryListParser::Result &list)
{
    mergeEntries(race, list.participants, &list.classes);
}

void applyDownloadedEntries(Race &race, const QByteArray &body, std::optional<int> httpStatus)
{
    if (httpStatus && (*httpStatus < 200 || *httpStatus > 299))
        throw ImportError(QStringLiteral("Server returned status %1").arg(*httpStatus));
    IOFEntryListParser::Result list = IOFEntryListParser::parse(body);
    mergeEntries(race, std::move(list.participants), &list.classes);
}

void downloadEntryList(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<void(const QByteArray &body, std::optional<int> httpStatus)> onBody,
    std::function<void(const QString &message)> onError)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty()) {
        const QString message = QStringLiteral("Entry lists can only be downloaded from http:// or https:// "
                                               "addresses; \"%1\" is not one.")
                                    .arg(url.toDisplayString());
        // Delivered later like every other outcome, so callers see one behaviour.
        QMetaObject::invokeMethod(
            context, [onError, message] { onError(message); }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    // Like a default web client: give up on a connection that stalls for a minute.
    request.setTransferTimeout(60000);
    QNetworkReply *reply = network.get(request);
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(
        reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge](qint64 received, qint64) {
            if (received > maxEntryListDownloadBytes && !*tooLarge) {
                *tooLarge = true;
                reply->abort();
            }
        });
    QPointer<QNetworkReply> guard(reply);
    auto delivery = std::make_shared<QMetaObject::Connection>();
    *delivery
        = QObject::connect(reply, &QNetworkReply::finished, context, [reply, tooLarge, onBody, onError] {
              reply->deleteLater();
              if (*tooLarge) {
                  onError(QStringLiteral("The entry list is too large (over %1 MB).")
                              .arg(maxEntryListDownloadBytes >> 20));
                  return;
              }
              const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
              const std::optional<int> status
                  = statusAttribute.isValid() ? std::optional<int>(statusAttribute.toInt()) : std::nullopt;
              // A non-2xx answer is the server's verdict, whatever the transport reports alongside it.
              if (status && (*status < 200 || *status > 299)) {
                  onBody(QByteArray(), status);
                  return;
              }
              if (reply->error() != QNetworkReply::NoError) {
                  onError(QStringLiteral("Could not download the entry list: %1").arg(reply->errorString()));
                  return;
              }
              onBody(reply->readAll(), status);
          });
    // A receiver that goes away cancels the request. `destroyed` comes before the receiver's own
    // connections are cut, so the delivery is cut first: the abort must not reach it.
    QObject::connect(context, &QObject::destroyed, reply, [guard, delivery] {
        QObject::disconnect(*delivery);
        if (guard) {
            guard->abort();
            guard->deleteLater();
        }
    });
}

void importEntries(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<Race *()> race, std::function<void()> save,
    std::function<void(const std::optional<QString> &error)> done)
{
    downloadEntryList(
        network, url, context,
        [race, save, done](const QByteArray &body, std::optional<int> status) {
            Race *target = race ? race() : nullptr;
            if (!target)
                return;
            try {
                applyDownloadedEntries(*target, body, status);
            } catch (const ImportError &e) {
                if (done)
                    done(e.message());
                return;
            }
            if (save)
                save();
            if (done)
                done(std::nullopt);
        },
        [done](const QString &message) {
            if (done)
                done(message);
        });
}
