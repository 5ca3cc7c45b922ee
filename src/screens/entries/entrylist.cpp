#include "entrylist.h"

#include "racelookup.h"

#include "documenttext.h"
#include "entryimport.h"
#include "keysort.h"
#include "localization.h"
#include "nameorder.h"
#include "participanteditor.h"
#include "perstage.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <numeric>

namespace {

const QString middleDot = QStringLiteral(" \u00B7 ");
const QString enDash = QStringLiteral("\u2013");

// Blanks and tabs at both ends go; line breaks stay (the sort key of a name).
QString trimBlanksAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString nameOf(const Participant &entry)
{
    return trimBlanksAndTabs(entry.givenName + QLatin1Char(' ') + entry.familyName);
}

bool runsInStage(const Participant &entry, const QString &stageId)
{
    return classIdOnStage(entry, stageId).has_value();
}

} // namespace

QString sortFieldTitle(ParticipantSortField field)
{
    switch (field) {
    case ParticipantSortField::Name:
        return QStringLiteral("Name");
    case ParticipantSortField::CardNumber:
        return QStringLiteral("Card");
    case ParticipantSortField::Club:
        return QStringLiteral("Club");
    case ParticipantSortField::ClassAndCourse:
        return QStringLiteral("Class / Course");
    }
    return {};
}

namespace {

// Ids as sameId compares them. Latin-1 text is its own canonical form, so most ids skip the
// normalisation.
QString idKey(const QString &id)
{
    const bool latin1 = std::all_of(id.cbegin(), id.cend(), [](QChar c) { return c.unicode() < 0x100; });
    return latin1 ? id : id.normalized(QString::NormalizationForm_C);
}

template<typename T> void indexFirst(QHash<QString, const T *> &table, const QList<T> &records)
{
    for (const T &record : records) {
        const QString key = idKey(record.id);
        if (!table.contains(key))
            table.insert(key, &record);
    }
}

} // namespace

RaceIds::RaceIds(const Race &race)
    : m_race(race)
{
    indexFirst(m_classes, race.classes);
    indexFirst(m_courses, race.courses);
}

const RaceClass *RaceIds::findClass(const std::optional<QString> &id) const
{
    return id ? m_classes.value(idKey(*id)) : nullptr;
}

const Course *RaceIds::findCourse(const std::optional<QString> &id) const
{
    return id ? m_courses.value(idKey(*id)) : nullptr;
}

QString classCourseSummary(
    const RaceIds &ids, const Participant &entry, const std::optional<QString> &stageId)
{
    // What the day uses: the stage's own class and course, else the entry's base ones (an entry
    // added by hand or registered at the finish has only those).
    const std::optional<QString> classId = classIdOnStage(entry, stageId);
    const std::optional<QString> courseId = courseIdOnStage(entry, stageId);
    const RaceClass *raceClass = ids.findClass(classId);
    if (!raceClass)
        return stageId ? enDash : localized(QStringLiteral("No class"));
    if (!choosesCourseByFamily(raceClass))
        return raceClass->name;
    const QString joiner = QStringLiteral(" - ");
    if (const Course *course = ids.findCourse(courseId))
        return raceClass->name + joiner + course->name;
    // A course the class holds of its own judges nobody in a class that chooses by family: until
    // the runner has a variant of their own, the family the class runs.
    if (raceClass->courseFamily && !raceClass->courseFamily->trimmed().isEmpty())
        return localized(QStringLiteral("%@ - family %@"), raceClass->name, *raceClass->courseFamily);
    return raceClass->name;
}

QString participantDetailLine(const RaceIds &ids, const Participant &entry)
{
    QString line = localized(QStringLiteral("Card %@"), entry.cardNumber) + middleDot;
    if (ids.race().stages.isEmpty())
        line += classCourseSummary(ids, entry, std::nullopt) + middleDot;
    // The system's zone, taken once for the life of the process: converting through the C
    // library's local time looks the zone file up again on every call, thousands of times a list.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    // The start of the active stage, as the stage picker above the list says which day is shown.
    const std::optional<QDateTime> start = scheduledStartTime(ids.race(), entry);
    line += start ? localized(QStringLiteral("Start %@"), start->toTimeZone(zone).toString(u"HH:mm:ss"))
                  : localized(QStringLiteral("No start"));
    if (entry.club && !entry.club->isEmpty())
        line += middleDot + *entry.club;
    if (entry.checkedInAt)
        line += middleDot + localized(QStringLiteral("✓ Checked in"));
    return line;
}

bool showsCoursePicker(const RaceIds &ids, const Participant &entry)
{
    return choosesCourseByFamily(ids.findClass(entry.classId));
}

QList<Course> rowCourseChoices(const RaceIds &ids, const Participant &entry)
{
    QList<Course> courses = ids.race().courses;
    std::stable_sort(courses.begin(), courses.end(),
        [](const Course &a, const Course &b) { return naturalLess(a.name, b.name); });
    const RaceClass *raceClass = ids.findClass(entry.classId);
    courses.removeIf([&](const Course &c) { return !offersCourse(raceClass, c); });
    return courses;
}

QList<Stage> stagesInOrder(const QList<Stage> &stages)
{
    QList<Stage> sorted = stages;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    return sorted;
}

namespace {

struct NumberHolder
{
    quint64 key;
    quint32 holder;
};

} // namespace

quint64 cardGroupKey(QStringView cardNumber)
{
    if (cardNumber.isEmpty() || (cardNumber.size() == 1 && cardNumber.front() == u'0'))
        return noCardKey;
    quint64 value = 0;
    quint64 digits = 0;
    for (const QChar c : cardNumber) {
        if (c >= u'0' && c <= u'9') {
            if (++digits > 17)
                return textCardKey;
            value = value * 10 + (c.unicode() - u'0');
        } else if (!isCardNumberSpace(c)) {
            return textCardKey;
        }
    }
    return digits == 0 ? textCardKey : (digits << 57) | value;
}

QStringList duplicateCardWarnings(const Race &race)
{
    std::vector<quint64> keys;
    keys.reserve(std::size_t(race.participants.size()));
    for (const Participant &p : race.participants)
        keys.push_back(cardGroupKey(p.cardNumber));
    const CardWarnings byPosition = duplicateCardWarningsByPosition(race, keys);
    QStringList warnings(race.participants.size());
    for (auto it = byPosition.cbegin(); it != byPosition.cend(); ++it)
        warnings[it.key()] = it.value();
    return warnings;
}

CardWarnings duplicateCardWarningsByPosition(const Race &race, const std::vector<quint64> &cardKeys)
{
    const QList<Participant> &entries = race.participants;
    Q_ASSERT(cardKeys.size() == std::size_t(entries.size()));
    CardWarnings warnings;
    const QList<Stage> stages = stagesInOrder(race.stages);
    // The holders of one number, in stored order.
    QList<qsizetype> group;
    const auto warnGroup = [&] {
        for (qsizetype self : std::as_const(group)) {
            const Participant &entry = entries[self];
            QStringList parts;
            for (qsizetype other : std::as_const(group)) {
                const Participant &holder = entries[other];
                if (holder.id == entry.id)
                    continue;
                if (stages.isEmpty()) {
                    parts.append(nameOf(holder));
                    continue;
                }
                QStringList shared;
                for (const Stage &stage : stages) {
                    if (runsInStage(entry, stage.id) && runsInStage(holder, stage.id))
                        shared.append(stage.name);
                }
                if (!shared.isEmpty())
                    parts.append(nameOf(holder) + QStringLiteral(" (") + shared.join(QStringLiteral(", "))
                        + QLatin1Char(')'));
            }
            if (!parts.isEmpty())
                warnings.insert(self,
                    localized(QStringLiteral("⚠ Card %@ also used by %@"), entry.cardNumber,
                        parts.join(stages.isEmpty() ? QStringLiteral(", ") : QStringLiteral("; "))));
        }
        group.clear();
    };

    // Numbers of digits only (nearly all) are grouped by sorting them as integers, stably, which
    // reads memory in sequence and leaves each number's holders in stored order; a table of 50,000
    // numbers would not fit the caches. Other numbers are few, and are grouped by their text.
    // "0" is how entry lists say "no card" (an import gives such entries rental numbers): two
    // runners without a card do not share one.
    quint64 lowest = ~quint64(0);
    quint64 highest = 0;
    std::size_t digitNumbers = 0;
    std::vector<std::pair<QString, qsizetype>> textNumbers;
    for (std::size_t i = 0; i < cardKeys.size(); ++i) {
        const quint64 key = cardKeys[i];
        if (key == noCardKey)
            continue;
        if (key == textCardKey) {
            textNumbers.emplace_back(cardNumberWithoutSpaces(entries[qsizetype(i)].cardNumber), qsizetype(i));
            continue;
        }
        lowest = std::min(lowest, key);
        highest = std::max(highest, key);
        ++digitNumbers;
    }
    const auto endRun = [&](bool sameAsPrevious, quint32 holder) {
        if (!sameAsPrevious && group.size() > 1)
            warnGroup();
        else if (!sameAsPrevious)
            group.clear();
        group.append(holder);
    };
    const auto isDigitKey = [](quint64 key) { return key != noCardKey && key != textCardKey; };
    // Numbers already in order (a block of rental cards handed out in turn, a list kept by card
    // number) are grouped where they stand: the stable sort would leave them so.
    bool inOrder = true;
    if (digitNumbers > 1) {
        quint64 previous = 0;
        for (const quint64 key : cardKeys) {
            if (!isDigitKey(key))
                continue;
            if (key < previous) {
                inOrder = false;
                break;
            }
            previous = key;
        }
    }
    if (digitNumbers > 1 && inOrder) {
        std::optional<quint64> previous;
        for (std::size_t i = 0; i < cardKeys.size(); ++i) {
            if (!isDigitKey(cardKeys[i]))
                continue;
            endRun(previous == cardKeys[i], quint32(i));
            previous = cardKeys[i];
        }
    } else if (digitNumbers > 1 && highest - lowest <= 0xffffffffU) {
        // The numbers of an event mostly lie within a range of 2^32: each is then a word with its
        // holder below it.
        std::vector<quint64> numbers;
        numbers.reserve(digitNumbers);
        for (std::size_t i = 0; i < cardKeys.size(); ++i) {
            if (cardKeys[i] != noCardKey && cardKeys[i] != textCardKey)
                numbers.push_back(((cardKeys[i] - lowest) << 32) | i);
        }
        sortByKey(numbers, [](quint64 x) { return x >> 32; });
        for (std::size_t k = 0; k < numbers.size(); ++k)
            endRun(k > 0 && numbers[k] >> 32 == numbers[k - 1] >> 32, quint32(numbers[k]));
    } else if (digitNumbers > 1) {
        std::vector<NumberHolder> numbers;
        numbers.reserve(digitNumbers);
        for (std::size_t i = 0; i < cardKeys.size(); ++i) {
            if (cardKeys[i] != noCardKey && cardKeys[i] != textCardKey)
                numbers.push_back({cardKeys[i], quint32(i)});
        }
        sortByKey(numbers, [](const NumberHolder &h) { return h.key; });
        for (std::size_t k = 0; k < numbers.size(); ++k)
            endRun(k > 0 && numbers[k].key == numbers[k - 1].key, numbers[k].holder);
    }
    if (group.size() > 1)
        warnGroup();
    group.clear();
    std::stable_sort(textNumbers.begin(), textNumbers.end(),
        [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t k = 0; k < textNumbers.size(); ++k)
        endRun(k > 0 && textNumbers[k].first == textNumbers[k - 1].first, quint32(textNumbers[k].second));
    if (group.size() > 1)
        warnGroup();
    return warnings;
}

QString searchFolded(const QString &text)
{
    // Canonical decomposition, combining marks dropped, Unicode case folding: "É" finds "e", and
    // "I" never turns into a dotless i. ASCII has nothing to decompose.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toCaseFolded();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

namespace {

// A Latin-1 character as searchFolded gives it on its own. Texts of Latin-1 fold character by
// character: their canonical decompositions only add non-spacing marks, which are dropped
// whatever their order, and case folding looks at no neighbour.
struct FoldedChar
{
    std::array<char16_t, 3> units {};
    // 0xff: folds to more units than there is room for (the whole text then takes searchFolded).
    quint8 size = 0;
};

[[gnu::noinline]] std::array<FoldedChar, 256> makeLatin1Folds()
{
    std::array<FoldedChar, 256> folds;
    for (char16_t c = 0; c < 256; ++c) {
        const QString folded = searchFolded(QString(QChar(c)));
        FoldedChar &f = folds[c];
        if (folded.size() > qsizetype(f.units.size())) {
            f.size = 0xff;
            continue;
        }
        std::copy(folded.utf16(), folded.utf16() + folded.size(), f.units.begin());
        f.size = quint8(folded.size());
    }
    return folds;
}

// Asked for once per text folded: kept small enough to be inlined, the table being made out of
// line.
inline const std::array<FoldedChar, 256> &latin1Folds()
{
    static const std::array<FoldedChar, 256> table = makeLatin1Folds();
    return table;
}

// Appends the text as searchFolded folds it, without the card-number spaces when `card` (as
// searchFolded(cardNumberWithoutSpaces(text)) gives it).
void appendFolded(std::vector<char16_t> &out, QStringView text, bool card)
{
    const std::array<FoldedChar, 256> &folds = latin1Folds();
    const std::size_t start = out.size();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 && u != u' ' && (u > u'\r' || u < u'\t')) {
            // ASCII other than the spaces: its lower case.
            out.push_back(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
            continue;
        }
        if (u >= 0x100 || folds[u].size == 0xff) {
            out.resize(start);
            const QString f = searchFolded(card ? cardNumberWithoutSpaces(text.toString()) : text.toString());
            out.insert(out.end(), f.utf16(), f.utf16() + f.size());
            return;
        }
        if (card && isCardNumberSpace(c))
            continue;
        const FoldedChar &f = folds[u];
        out.insert(out.end(), f.units.begin(), f.units.begin() + f.size);
    }
}

} // namespace

namespace {

// How many entries ahead a pass over the entries asks for their memory.
constexpr qsizetype readAhead = 8;

} // namespace

std::pair<quint32, bool> TextNumbers::insert(QStringView text)
{
    // At most half full, so a probe seldom goes past the next slot.
    if (m_slots.size() < 2 * (m_hashes.size() + 1))
        rehash(std::max<std::size_t>(16, 4 * (m_hashes.size() + 1)));
    const std::size_t hash = qHash(text, 0);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const quint32 n = m_slots[slot] - 1;
        if (m_hashes[n] == hash && this->text(n) == text)
            return {n, false};
    }
    const quint32 n = size();
    m_slots[slot] = n + 1;
    m_hashes.push_back(hash);
    m_chars.insert(m_chars.end(), text.utf16(), text.utf16() + text.size());
    m_ends.push_back(quint32(m_chars.size()));
    return {n, true};
}

void TextNumbers::rehash(std::size_t slotCount)
{
    std::size_t size = 16;
    while (size < slotCount)
        size *= 2;
    m_slots.assign(size, 0);
    const std::size_t mask = size - 1;
    for (quint32 n = 0; n < this->size(); ++n) {
        std::size_t slot = m_hashes[n] & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = n + 1;
    }
}

void CollatedKeys::reserve(qsizetype count)
{
    m_keyOf.reserve(std::size_t(count));
}

quint32 CollatedKeys::append(QStringView key)
{
    const quint32 number = m_texts.insert(key).first;
    m_keyOf.push_back(number);
    return number;
}

std::vector<quint32> CollatedKeys::order(const QCollator &collator) const
{
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(m_texts.size());
    for (quint32 n = 0; n < m_texts.size(); ++n)
        sortKeys.push_back(collator.sortKey(m_texts.text(n).toString()));
    std::vector<quint32> byKey(m_texts.size());
    std::iota(byKey.begin(), byKey.end(), quint32(0));
    std::sort(byKey.begin(), byKey.end(),
        [&](quint32 a, quint32 b) { return sortKeys[a].compare(sortKeys[b]) < 0; });
    // Different texts the collator finds equal ("anna" and "Anna") share a rank, so their
    // positions keep their order as a stable sort by the key would.
    std::vector<quint32> rank(byKey.size());
    quint32 ranks = 0;
    for (std::size_t k = 0; k < byKey.size(); ++k) {
        if (k > 0 && sortKeys[byKey[k - 1]].compare(sortKeys[byKey[k]]) != 0)
            ++ranks;
        rank[byKey[k]] = ranks;
    }
    // Counting sort by rank: stable, and linear in the positions.
    std::vector<quint32> start(byKey.empty() ? 0 : std::size_t(ranks) + 2, 0);
    for (const quint32 key : m_keyOf)
        ++start[rank[key] + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<quint32> order(m_keyOf.size());
    for (std::size_t i = 0; i < m_keyOf.size(); ++i)
        order[start[rank[m_keyOf[i]]]++] = quint32(i);
    return order;
}

EntryListIndex::EntryListIndex(const Race &race)
    : m_cardKeys(std::make_shared<std::vector<quint64>>())
{
    m_race.participants = race.participants;
    m_race.classes = race.classes;
    m_race.courses = race.courses;
    const auto count = std::size_t(race.participants.size());
    m_foldedEnds.reserve(count * 3 + 1);
    // Room for the usual names and card numbers, so that the buffer seldom moves while it fills.
    m_folded.reserve(count * 24);
    m_foldedEnds.push_back(0);
    m_cardKeys->reserve(count);
    m_nameKeys.reserve(race.participants.size());
    // One buffer for every name key: a key is copied only when it is new.
    std::vector<char16_t> name;
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    // Each entry's texts are read once, here, while they are at hand: the entries' memory of a
    // large event is far beyond the caches, and a second pass would fetch it all again.
    const Participant *const entries = race.participants.constData();
    const auto entryCount = race.participants.size();
    for (qsizetype i = 0; i < entryCount; ++i) {
        // The entries of a large event are read from memory, not the caches: each entry and then
        // its texts are asked for some entries before their turn, so the reads overlap instead
        // of waiting one after another.
        if (i + 2 * readAhead < entryCount) {
            const Participant &later = entries[i + 2 * readAhead];
            __builtin_prefetch(&later.givenName);
            __builtin_prefetch(&later.cardNumber);
        }
        if (i + readAhead < entryCount) {
            const Participant &soon = entries[i + readAhead];
            __builtin_prefetch(soon.givenName.constData());
            __builtin_prefetch(soon.familyName.constData());
            __builtin_prefetch(soon.cardNumber.constData());
        }
        const Participant &p = entries[i];
        appendFolded(m_folded, p.givenName, false);
        m_foldedEnds.push_back(quint32(m_folded.size()));
        appendFolded(m_folded, p.familyName, false);
        m_foldedEnds.push_back(quint32(m_folded.size()));
        appendFolded(m_folded, p.cardNumber, true);
        m_foldedEnds.push_back(quint32(m_folded.size()));
        m_cardKeys->push_back(cardGroupKey(p.cardNumber));
        // The name trimmed of blanks and tabs at its ends (line breaks stay).
        name.assign(p.givenName.utf16(), p.givenName.utf16() + p.givenName.size());
        name.push_back(u' ');
        name.insert(name.end(), p.familyName.utf16(), p.familyName.utf16() + p.familyName.size());
        std::size_t begin = 0;
        std::size_t end = name.size();
        while (begin < end && blank(name[begin]))
            ++begin;
        while (end > begin && blank(name[end - 1]))
            --end;
        m_nameKeys.append(QStringView(name.data() + begin, name.data() + end));
    }
}

bool EntryListIndex::isFor(const Race &race) const
{
    return race.participants == m_race.participants && race.classes == m_race.classes
        && race.courses == m_race.courses;
}

std::shared_ptr<const std::vector<quint64>> EntryListIndex::cardKeysFor(const Race &race) const
{
    // A list shares its entries only with itself: any change to either copies them first.
    const bool same = race.participants.size() == m_race.participants.size()
        && race.participants.constData() == m_race.participants.constData();
    return same ? m_cardKeys : nullptr;
}

bool EntryListIndex::inClass(const Participant &entry, const QString &classId) const
{
    if (entry.classId == classId)
        return true;
    if (!entry.classIdByStage)
        return false;
    const StageMap<QString> &byStage = *entry.classIdByStage;
    return std::any_of(byStage.cbegin(), byStage.cend(), [&](const QString &id) { return id == classId; });
}

bool EntryListIndex::matches(qsizetype entry, QStringView needle, QStringView cardNeedle) const
{
    const auto first = std::size_t(entry) * 3;
    return folded(first).contains(needle) || folded(first + 1).contains(needle)
        || (!cardNeedle.isEmpty() && folded(first + 2).contains(cardNeedle));
}

const std::vector<quint32> &EntryListIndex::ascendingOrder(ParticipantSortField field)
{
    std::optional<std::vector<quint32>> &order = m_orders[std::size_t(field)];
    if (order)
        return *order;
    if (field == ParticipantSortField::Name) {
        order = m_nameKeys.order(nameCollator());
        return *order;
    }
    const QList<Participant> &entries = m_race.participants;
    const RaceIds ids(m_race);
    CollatedKeys keys;
    keys.reserve(entries.size());
    switch (field) {
    case ParticipantSortField::Name:
        break;
    case ParticipantSortField::CardNumber:
        for (const Participant &p : entries)
            keys.append(p.cardNumber);
        break;
    case ParticipantSortField::Club:
        for (const Participant &p : entries)
            keys.append(p.club ? QStringView(*p.club) : QStringView());
        break;
    case ParticipantSortField::ClassAndCourse: {
        // The summary depends on the class alone unless it is a course-family class: the key of
        // each class id text is found once, and an entry costs a look-up of its id, without
        // making its summary.
        TextNumbers classIds;
        // By class id text: the summary's key number, or -1 where the course decides.
        std::vector<qint64> keyOfClassId;
        std::optional<quint32> noClass;
        const Participant *const records = entries.constData();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            // As in the index's pass: each entry and then its class id asked for ahead.
            if (i + 2 * readAhead < entries.size())
                __builtin_prefetch(&records[i + 2 * readAhead].classId);
            if (i + readAhead < entries.size()) {
                if (const std::optional<QString> &id = records[i + readAhead].classId)
                    __builtin_prefetch(id->constData());
            }
            const Participant &p = records[i];
            if (!p.classId) {
                if (!noClass)
                    noClass = keys.append(classCourseSummary(ids, p, std::nullopt));
                else
                    keys.appendNumber(*noClass);
                continue;
            }
            const auto [n, isNew] = classIds.insert(*p.classId);
            if (isNew) {
                const RaceClass *raceClass = ids.findClass(p.classId);
                const quint32 key = keys.append(classCourseSummary(ids, p, std::nullopt));
                keyOfClassId.push_back(choosesCourseByFamily(raceClass) ? -1 : qint64(key));
                continue;
            }
            if (const qint64 key = keyOfClassId[n]; key >= 0)
                keys.appendNumber(quint32(key));
            else
                keys.append(classCourseSummary(ids, p, std::nullopt));
        }
        break;
    }
    }
    order = keys.order(nameCollator());
    return *order;
}

QList<qsizetype> EntryListIndex::shown(
    const QString &filterClassId, const QString &searchText, ParticipantSortField field, bool ascending)
{
    // Filtering the stably sorted list keeps the same relative order as sorting the filtered one.
    const QString needle = searchFolded(searchText.trimmed());
    // Card numbers are found by their digits, however either side groups them.
    const QString cardNeedle = cardNumberWithoutSpaces(needle);
    const QList<Participant> &entries = m_race.participants;
    const std::vector<quint32> &order = ascendingOrder(field);
    QList<qsizetype> kept;
    kept.reserve(entries.size());
    if (filterClassId.isEmpty() && needle.isEmpty()) {
        kept.append(QList<qsizetype>(order.cbegin(), order.cend()));
    } else {
        // The entries are tested in stored order, reading the folded texts in sequence; the
        // sorted walk then only looks the answers up.
        std::vector<char> keep(std::size_t(entries.size()));
        for (qsizetype i = 0; i < entries.size(); ++i)
            keep[std::size_t(i)] = (filterClassId.isEmpty() || inClass(entries[i], filterClassId))
                && (needle.isEmpty() || matches(i, needle, cardNeedle));
        for (const quint32 i : order) {
            if (keep[i])
                kept.append(i);
        }
    }
    if (!ascending)
        std::reverse(kept.begin(), kept.end());
    return kept;
}
