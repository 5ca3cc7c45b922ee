#include "outstandingrunners.h"

#include "documenttext.h"
#include "localization.h"
#include "nameorder.h"
#include "perstage.h"
#include "racelookup.h"
#include "racestore.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

struct GroupInfo
{
    StatusFilterGroup group;
    const char *raw;
    const char *title;
};

constexpr GroupInfo groupInfo[] = {
    {StatusFilterGroup::All, "all", "All"},
    {StatusFilterGroup::NotStartedYet, "notStartedYet", "Not started yet"},
    {StatusFilterGroup::StillGoing, "stillGoing", "Still going"},
    {StatusFilterGroup::CheckedOut, "checkedOut", "Checked out"},
    {StatusFilterGroup::Dnf, "dnf", "DNF"},
    {StatusFilterGroup::Dns, "dns", "DNS"},
};

const GroupInfo &info(StatusFilterGroup group)
{
    return groupInfo[static_cast<int>(group)];
}

} // namespace

QString rawValue(StatusFilterGroup group)
{
    return QString::fromLatin1(info(group).raw);
}

std::optional<StatusFilterGroup> statusFilterGroupFromRawValue(const QString &raw)
{
    for (const GroupInfo &g : groupInfo) {
        if (raw == QLatin1String(g.raw))
            return g.group;
    }
    return std::nullopt;
}

QString statusFilterTitle(StatusFilterGroup group)
{
    return QString::fromLatin1(info(group).title);
}

std::optional<QString> stageClassId(const Participant &p, const QString &stageId)
{
    if (!stageId.isEmpty() && p.classIdByStage) {
        if (const QString *id = stageEntry(*p.classIdByStage, stageId))
            return *id;
    }
    return p.classId;
}

std::optional<QDateTime> stageStartTime(const Participant &p, const QString &stageId)
{
    if (!stageId.isEmpty() && p.startTimeByStage) {
        if (const QDateTime *t = stageEntry(*p.startTimeByStage, stageId))
            return *t;
    }
    return p.startTime;
}

std::optional<ParticipantStatus> stageStatus(const Participant &p, const QString &stageId)
{
    return statusOnStage(p, stageId.isEmpty() ? std::nullopt : std::optional<QString>(stageId));
}

OutstandingContext outstandingContext(const Race &race, const QString &stageId, const QDateTime &now)
{
    OutstandingContext context {&race, stageId, now, {}};
    context.withResult.reserve(race.results.size());
    for (const PersonResult &r : race.results) {
        const bool counts = stageId.isEmpty() ? !r.stageId.has_value() : r.stageId == stageId;
        if (counts)
            context.withResult.insert(r.participantId);
    }
    return context;
}

bool matchesGroup(const OutstandingContext &context, const Participant &p, StatusFilterGroup group)
{
    switch (group) {
    case StatusFilterGroup::All:
        return true;
    case StatusFilterGroup::NotStartedYet: {
        if (context.withResult.contains(p.id) || stageStatus(p, context.stageId))
            return false;
        const std::optional<QDateTime> start = stageStartTime(p, context.stageId);
        return start && *start > context.now;
    }
    case StatusFilterGroup::StillGoing: {
        if (!stageClassId(p, context.stageId) || context.withResult.contains(p.id)
            || stageStatus(p, context.stageId))
            return false;
        const std::optional<QDateTime> start = stageStartTime(p, context.stageId);
        return !start || *start <= context.now;
    }
    case StatusFilterGroup::CheckedOut:
        return context.withResult.contains(p.id);
    case StatusFilterGroup::Dnf:
        return stageStatus(p, context.stageId) == ParticipantStatus::Dnf;
    case StatusFilterGroup::Dns:
        return stageStatus(p, context.stageId) == ParticipantStatus::Dns;
    }
    return false;
}

QList<qsizetype> participantNameOrder(const QList<Participant> &participants)
{
    QList<QString> names;
    names.reserve(participants.size());
    for (const Participant &p : participants)
        names.append(outstandingNameLine(p));
    QList<qsizetype> order(participants.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&](qsizetype a, qsizetype b) { return compareNames(names.at(a), names.at(b)) < 0; });
    return order;
}

QList<qsizetype> filteredParticipants(const OutstandingContext &context,
    const QSet<StatusFilterGroup> &groups, const QList<qsizetype> &nameOrder)
{
    QList<qsizetype> rows;
    if (groups.isEmpty())
        return rows;
    const bool all = groups.contains(StatusFilterGroup::All);
    // A plain list: walking a hash set once per runner costs more than the tests themselves.
    QList<StatusFilterGroup> wanted;
    for (StatusFilterGroup g : allStatusFilterGroups)
        if (groups.contains(g))
            wanted.append(g);
    // The runners are tested in entry order, one pass through their memory; the name order then
    // picks from a compact list. Walked in name order, at 50,000 entries every test missed the caches.
    const QList<Participant> &participants = context.race->participants;
    std::vector<char> listed(std::size_t(participants.size()), all ? 1 : 0);
    for (qsizetype i = 0; !all && i < participants.size(); ++i) {
        const Participant &p = participants.at(i);
        listed[std::size_t(i)] = std::any_of(
            wanted.cbegin(), wanted.cend(), [&](StatusFilterGroup g) { return matchesGroup(context, p, g); });
    }
    rows.reserve(all ? nameOrder.size() : 0);
    for (qsizetype index : nameOrder) {
        if (index < participants.size() && listed[std::size_t(index)])
            rows.append(index);
    }
    return rows;
}

void OutstandingDerivation::takeEntries(const Race &race, const QString &stageId)
{
    const QList<Participant> &participants = race.participants;
    // The name order survives every change that leaves the entries' ids and names alone. The
    // names are compared as stored, without making each row's name line.
    bool sameNames = m_orderedNames.size() == participants.size();
    for (qsizetype i = 0; sameNames && i < participants.size(); ++i) {
        const Participant &p = participants.at(i);
        const OrderedName &seen = m_orderedNames.at(i);
        sameNames = seen.id == p.id && seen.givenName == p.givenName && seen.familyName == p.familyName;
    }
    if (!sameNames) {
        m_nameOrder = participantNameOrder(participants);
        m_orderedNames.clear();
        m_orderedNames.reserve(participants.size());
        for (const Participant &p : participants)
            m_orderedNames.append({p.id, p.givenName, p.familyName});
    }

    m_facts.clear();
    m_facts.reserve(std::size_t(participants.size()));
    m_irregularStarts.clear();
    m_idNumbers.emplace(participants.size());
    for (const Participant &p : participants) {
        quint8 flags = 0;
        // stageClassId and stageStartTime, without copying what they find.
        if ((!stageId.isEmpty() && p.classIdByStage && stageEntry(*p.classIdByStage, stageId)) || p.classId)
            flags |= EntryFacts::HasClass;
        const QDateTime *start
            = !stageId.isEmpty() && p.startTimeByStage ? stageEntry(*p.startTimeByStage, stageId) : nullptr;
        if (!start && p.startTime)
            start = &*p.startTime;
        qint64 startValue = 0;
        if (start) {
            flags |= EntryFacts::HasStart;
            // Two valid instants in UTC or at a fixed offset compare as their milliseconds since
            // the epoch; anything else keeps QDateTime's own comparison.
            const Qt::TimeSpec spec = start->timeSpec();
            if (start->isValid() && (spec == Qt::UTC || spec == Qt::OffsetFromUTC)) {
                startValue = start->toMSecsSinceEpoch();
            } else {
                flags |= EntryFacts::Irregular;
                startValue = qint64(m_irregularStarts.size());
                m_irregularStarts.push_back(*start);
            }
        }
        if (const std::optional<ParticipantStatus> mark = stageStatus(p, stageId)) {
            flags |= EntryFacts::Marked;
            flags |= *mark == ParticipantStatus::Dns ? EntryFacts::Dns : EntryFacts::Dnf;
        }
        bool added = false;
        m_facts.push_back({startValue, m_idNumbers->insert(p.id, added), flags});
    }
    m_entries = participants;
    m_stageId = stageId;
    m_taken = true;
}

QList<qsizetype> OutstandingDerivation::rows(
    const Race &race, const QString &stageId, const QDateTime &now, const QSet<StatusFilterGroup> &groups)
{
    if (!m_taken || !race.participants.isSharedWith(m_entries) || stageId != m_stageId)
        takeEntries(race, stageId);
    const Qt::TimeSpec nowSpec = now.timeSpec();
    if (!now.isValid() || (nowSpec != Qt::UTC && nowSpec != Qt::OffsetFromUTC))
        return filteredParticipants(outstandingContext(race, stageId, now), groups, m_nameOrder);

    QList<qsizetype> rows;
    if (groups.isEmpty())
        return rows;
    const bool all = groups.contains(StatusFilterGroup::All);
    const qsizetype count = race.participants.size();
    if (all) {
        rows.reserve(m_nameOrder.size());
        for (qsizetype index : std::as_const(m_nameOrder)) {
            if (index < count)
                rows.append(index);
        }
        return rows;
    }
    const bool notStartedYet = groups.contains(StatusFilterGroup::NotStartedYet);
    const bool stillGoing = groups.contains(StatusFilterGroup::StillGoing);
    const bool checkedOut = groups.contains(StatusFilterGroup::CheckedOut);
    const bool dnf = groups.contains(StatusFilterGroup::Dnf);
    const bool dns = groups.contains(StatusFilterGroup::Dns);

    // outstandingContext's runners with a result, by their ids' numbers.
    m_idHasResult.assign(std::size_t(m_idNumbers->size()), 0);
    for (const PersonResult &r : race.results) {
        const bool counts = stageId.isEmpty() ? !r.stageId.has_value() : r.stageId == stageId;
        if (!counts)
            continue;
        const qint32 id = m_idNumbers->find(r.participantId);
        if (id >= 0)
            m_idHasResult[std::size_t(id)] = 1;
    }

    // matchesGroup for each wanted group, from the facts.
    const qint64 nowValue = now.toMSecsSinceEpoch();
    m_listed.assign(std::size_t(count), 0);
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const EntryFacts &f = m_facts[i];
        const bool hasResult = m_idHasResult[std::size_t(f.id)];
        bool listed = (checkedOut && hasResult) || (dnf && (f.flags & EntryFacts::Dnf))
            || (dns && (f.flags & EntryFacts::Dns));
        if (!listed && !hasResult && !(f.flags & EntryFacts::Marked)) {
            bool later = false;
            bool notLater = true;
            if (f.flags & EntryFacts::Irregular) {
                const QDateTime &start = m_irregularStarts[std::size_t(f.start)];
                later = start > now;
                notLater = start <= now;
            } else if (f.flags & EntryFacts::HasStart) {
                later = f.start > nowValue;
                notLater = !later;
            }
            const bool hasStart = f.flags & EntryFacts::HasStart;
            listed = (notStartedYet && hasStart && later)
                || (stillGoing && (f.flags & EntryFacts::HasClass) && (!hasStart || notLater));
        }
        m_listed[i] = listed;
    }
    for (qsizetype index : std::as_const(m_nameOrder)) {
        if (index < count && m_listed[std::size_t(index)])
            rows.append(index);
    }
    return rows;
}

QString outstandingNameLine(const Participant &p)
{
    return (p.givenName + QLatin1Char(' ') + p.familyName).trimmed();
}

QString outstandingDetailLine(const Race &race, const Participant &p, const QString &stageId)
{
    const RaceClass *raceClass = findClass(race, stageClassId(p, stageId));
    const QString className = raceClass ? raceClass->name : localized(QStringLiteral("No class"));
    const QString clubSuffix = p.club && !p.club->isEmpty() ? QStringLiteral(" · ") + *p.club : QString();
    return localized(QStringLiteral("Card %@ · %@%@"), p.cardNumber, className, clubSuffix);
}

// ---- Rows ----------------------------------------------------------------------------------

void OutstandingRowsModel::setRows(const Race *race, const QString &stageId, QList<qsizetype> rows)
{
    resetRows([&] {
        m_race = race;
        m_stageId = stageId;
        m_rows = std::move(rows);
    });
}

QVariant OutstandingRowsModel::data(const QModelIndex &index, int role) const
{
    if (!m_race || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    // The rows are rebuilt on every published change; an index past the entries can only be a
    // change not published yet, and shows nothing rather than another runner's data.
    const qsizetype at = m_rows.at(index.row());
    if (at >= m_race->participants.size())
        return {};
    const Participant &p = m_race->participants.at(at);
    switch (role) {
    case ParticipantIdRole:
        return p.id.toString(QUuid::WithoutBraces);
    case NameRole:
        return outstandingNameLine(p);
    case DetailRole:
        return outstandingDetailLine(*m_race, p, m_stageId);
    case StatusIndexRole: {
        const std::optional<ParticipantStatus> mark = stageStatus(p, m_stageId);
        return !mark ? 0 : *mark == ParticipantStatus::Dns ? 1 : 2;
    }
    default:
        return {};
    }
}

QHash<int, QByteArray> OutstandingRowsModel::roleNames() const
{
    return {{ParticipantIdRole, "participantId"}, {NameRole, "name"}, {DetailRole, "detail"},
        {StatusIndexRole, "statusIndex"}};
}

QList<UnknownCardRow> unknownCardRows(const Race &race)
{
    QList<UnknownCardRow> rows;
    if (!race.unknownCards)
        return rows;
    QList<const UnknownCard *> cards;
    for (const UnknownCard &card : *race.unknownCards)
        cards.append(&card);
    std::stable_sort(cards.begin(), cards.end(),
        [](const UnknownCard *a, const UnknownCard *b) { return a->readAt > b->readAt; });
    for (const UnknownCard *card : std::as_const(cards)) {
        rows.append({card->id, localized(QStringLiteral("Card %@"), card->cardNumber),
            localized(QStringLiteral("Read at %@ · %@ punch(es)"),
                card->readAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")), card->punches.size())});
    }
    return rows;
}

// ---- Screen --------------------------------------------------------------------------------

OutstandingScreen::OutstandingScreen(QObject *parent)
    : StoreViewModel(parent)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &OutstandingScreen::refresh);
}

void OutstandingScreen::storeReplaced()
{
    RaceStore *store = this->store();
    m_stageId = store ? store->race().activeStageId.value_or(QString()) : QString();
    if (store)
        follow(connect(
            store->stationSettings(), &StationSettings::roleChanged, this, &OutstandingScreen::rowsChanged));
    emit storeChanged();
    refresh();
}

void OutstandingScreen::refresh()
{
    if (!store()) {
        m_derivation = {};
        m_rows.setRows(nullptr, {}, {});
        emit rowsChanged();
        return;
    }
    const Race &race = store()->race();
    m_rows.setRows(&race, m_stageId, m_derivation.rows(race, m_stageId, m_clock(), m_selected));
    emit rowsChanged();
}

QString OutstandingScreen::countText() const
{
    return localized(QStringLiteral("%@ participant(s)"), m_rows.count());
}

QVariantList OutstandingScreen::groups() const
{
    QVariantList list;
    for (StatusFilterGroup g : allStatusFilterGroups) {
        list.append(QVariantMap {{QStringLiteral("raw"), rawValue(g)},
            {QStringLiteral("title"), localized(statusFilterTitle(g))},
            {QStringLiteral("checked"), m_selected.contains(g)}});
    }
    return list;
}

void OutstandingScreen::toggleGroup(const QString &raw)
{
    const std::optional<StatusFilterGroup> g = statusFilterGroupFromRawValue(raw);
    if (!g)
        return;
    if (!m_selected.remove(*g))
        m_selected.insert(*g);
    refresh();
}

bool OutstandingScreen::showsStagePicker() const
{
    return store() && !store()->race().stages.isEmpty();
}

QVariantList OutstandingScreen::stageOptions() const
{
    QVariantList list;
    if (!store())
        return list;
    QList<Stage> stages = store()->race().stages;
    std::stable_sort(
        stages.begin(), stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    for (const Stage &s : std::as_const(stages))
        list.append(QVariantMap {{QStringLiteral("text"), s.name}, {QStringLiteral("value"), s.id}});
    return list;
}

void OutstandingScreen::setFilterStageId(const QString &stageId)
{
    if (stageId == m_stageId)
        return;
    m_stageId = stageId;
    refresh();
}

bool OutstandingScreen::canMark() const
{
    return store() && store()->stationSettings()->role() != StationRole::Slave;
}

QString OutstandingScreen::markingNotice() const
{
    if (!store() || canMark())
        return {};
    return localized(QStringLiteral("This station is a slave: mark DNS and DNF at the master, whose next "
                                    "update would undo a mark made here."));
}

void OutstandingScreen::setStatusIndex(const QString &participantId, int index)
{
    if (!store() || !canMark())
        return;
    std::optional<ParticipantStatus> status;
    if (index == 1)
        status = ParticipantStatus::Dns;
    else if (index == 2)
        status = ParticipantStatus::Dnf;
    // The mark is the chosen stage's (in an event without stages, the runner's).
    store()->setParticipantStatus(
        QUuid(participantId), status, m_stageId.isEmpty() ? std::nullopt : std::optional<QString>(m_stageId));
}

QVariantList OutstandingScreen::unknownCards() const
{
    QVariantList list;
    if (!store())
        return list;
    for (const UnknownCardRow &row : unknownCardRows(store()->race())) {
        list.append(QVariantMap {{QStringLiteral("id"), row.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("title"), row.title}, {QStringLiteral("detail"), row.detail}});
    }
    return list;
}

QString OutstandingScreen::unknownCardsTitle() const
{
    const qsizetype count
        = store() && store()->race().unknownCards ? store()->race().unknownCards->size() : 0;
    return count > 0 ? localized(QStringLiteral("Cards read with no runner (%@)"), count) : QString();
}

void OutstandingScreen::dismissUnknownCard(const QString &id)
{
    if (store())
        store()->dismissUnknownCard(QUuid(id));
}
