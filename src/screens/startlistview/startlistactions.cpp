#include "startlistactions.h"

#include "localization.h"
#include "perstage.h"
#include "racestore.h"
#include "startgenerator.h"
#include "starttimeoperations.h"
#include "starttimetext.h"

#include <QHash>

namespace {

QString runnerName(const Participant &p)
{
    return (p.givenName + u' ' + p.familyName).trimmed();
}

QString clockText(int seconds)
{
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

int minuteOfDay(const QDateTime &time)
{
    return time.toLocalTime().time().msecsSinceStartOfDay() / 60000;
}

// Runners who may run one course, in one minute of the day, keyed "course token|minute".
QHash<QString, QList<qsizetype>> sharedMinutes(const Race &race)
{
    const QHash<QString, QStringList> tokens
        = classCourseTokens(race.participants, race.classes, race.courses, shownStage(race));
    QHash<QString, QList<qsizetype>> minutes;
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const Participant &p = race.participants[i];
        const std::optional<QDateTime> start = scheduledStartTime(race, p);
        if (!start)
            continue;
        const QString classId = effectiveClassId(race, p).value_or(QString());
        const QString minute = u'|' + QString::number(minuteOfDay(*start));
        const QStringList classTokens = tokens.value(classId.normalized(QString::NormalizationForm_C),
            QStringList {QStringLiteral("class:") + classId});
        for (const QString &token : classTokens)
            minutes[token + minute].append(i);
    }
    return minutes;
}

// The first minute in which `after` has more runners of one start group than `before` had.
std::optional<DropRefusal> newClash(const Race &before, const Race &after)
{
    const QHash<QString, QList<qsizetype>> old = sharedMinutes(before);
    const QHash<QString, QList<qsizetype>> now = sharedMinutes(after);
    for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
        if (it->size() < 2 || it->size() <= old.value(it.key()).size())
            continue;
        const Participant &a = after.participants[it->at(0)];
        const Participant &b = after.participants[it->at(1)];
        const int minute = minuteOfDay(*scheduledStartTime(after, a));
        return DropRefusal {QStringLiteral("%@ and %@ may run the same course and would both start at %@."),
            {runnerName(a), runnerName(b), clockText(minute * 60).left(5)}};
    }
    return std::nullopt;
}

DropRefusal unknownRunner()
{
    return {QStringLiteral("That runner is no longer in the event."), {}};
}

} // namespace

DropPlan planGridDrop(
    const Race &race, const QString &payload, int slotSeconds, const QString &classId, const QDate &today)
{
    const QUuid id = QUuid::fromString(payload.trimmed());
    const QHash<QUuid, qsizetype> index = participantIndex(race);
    if (id.isNull() || !index.contains(id))
        return {std::nullopt, unknownRunner()};
    const RaceClass *target = nullptr;
    for (const RaceClass &c : race.classes) {
        if (c.id == classId) {
            target = &c;
            break;
        }
    }
    if (!target)
        return {std::nullopt, DropRefusal {QStringLiteral("Drop the runner onto a cell of a class."), {}}};
    if (usesStartPunch(*target, shownStage(race)))
        return {std::nullopt,
            DropRefusal {
                QStringLiteral("Class %@ starts by start punch: its runners get no planned start time."),
                {target->name}}};
    const qsizetype i = index.value(id);
    const QDate day = startTimeEditDay(race, race.participants[i], today);
    const std::optional<QDateTime> time = startTimeOnDay(clockText(slotSeconds), day);
    if (slotSeconds < 0 || slotSeconds >= 24 * 3600 || !time)
        return {std::nullopt, DropRefusal {QStringLiteral("That cell has no start time."), {}}};
    Race after = race;
    setClassId(after, classId, i);
    setStartTime(after, time, i);
    if (std::optional<DropRefusal> clash = newClash(race, after))
        return {std::nullopt, clash};
    return {std::move(after), std::nullopt};
}

DropPlan planListMove(const Race &race, const QList<QUuid> &scheduledIds, int from, int to)
{
    if (from < 0 || from >= scheduledIds.size())
        return {std::nullopt, unknownRunner()};
    if (to < 0 || to >= scheduledIds.size())
        return {std::nullopt,
            DropRefusal {QStringLiteral("Drop the runner onto a row of the Scheduled list."), {}}};
    if (!participantIndex(race).contains(scheduledIds[from]))
        return {std::nullopt, unknownRunner()};
    QList<QUuid> order = scheduledIds;
    order.move(from, to);
    Race after = race;
    reorderStartTimes(after, order);
    if (std::optional<DropRefusal> clash = newClash(race, after))
        return {std::nullopt, clash};
    return {std::move(after), std::nullopt};
}

StartListActions::StartListActions(QObject *parent)
    : StoreViewModel(parent)
    , m_today([] { return QDate::currentDate(); })
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &StartListActions::messageChanged);
}

QString StartListActions::message() const
{
    return m_refusal ? localized(m_refusal->key, m_refusal->arguments) : QString();
}

void StartListActions::setRefusal(const std::optional<DropRefusal> &refusal)
{
    if (refusal == m_refusal)
        return;
    m_refusal = refusal;
    emit messageChanged();
}

bool StartListActions::dropOnGridCell(const QString &payload, int slotSeconds, const QString &classId)
{
    if (!store())
        return false;
    const DropPlan plan = planGridDrop(store()->race(), payload, slotSeconds, classId, m_today());
    return apply(plan, QUuid::fromString(payload.trimmed()));
}

bool StartListActions::moveScheduledRow(const QStringList &scheduledIds, int from, int to)
{
    if (!store())
        return false;
    if (from == to) {
        setRefusal(std::nullopt);
        return false;
    }
    QList<QUuid> ids;
    ids.reserve(scheduledIds.size());
    for (const QString &id : scheduledIds)
        ids.append(QUuid::fromString(id));
    const DropPlan plan = planListMove(store()->race(), ids, from, to);
    if (!plan.after)
        return apply(plan, {});
    // The store's own operation hands the times out again; the plan above only checked it.
    QList<QUuid> order = ids;
    order.move(from, to);
    store()->reorderStartTimes(order);
    setRefusal(std::nullopt);
    return true;
}

bool StartListActions::apply(const DropPlan &plan, const QUuid &changed)
{
    if (!plan.after) {
        setRefusal(plan.refusal);
        return false;
    }
    // The runner's class and start as one change of the record, so one autosave holds both.
    for (const Participant &p : plan.after->participants) {
        if (p.id == changed) {
            store()->updateParticipant(p);
            break;
        }
    }
    setRefusal(std::nullopt);
    return true;
}

void StartListActions::refuseDrop()
{
    setRefusal(DropRefusal {QStringLiteral("Drop the runner onto a row of the Scheduled list."), {}});
}

void StartListActions::clearMessage()
{
    setRefusal(std::nullopt);
}

void StartListActions::setPreference(const QString &participantId, const QString &preference)
{
    if (!store())
        return;
    std::optional<StartTimePreference> value;
    if (preference == QLatin1String("early"))
        value = StartTimePreference::Early;
    else if (preference == QLatin1String("late"))
        value = StartTimePreference::Late;
    store()->setStartTimePreference(QUuid::fromString(participantId), value);
}

QVariantList StartListActions::listRows(const QVariantList &scheduled, const QVariantList &unscheduled) const
{
    QVariantList rows;
    rows.reserve(scheduled.size() + unscheduled.size());
    for (const QVariant &row : scheduled) {
        QVariantMap map = row.toMap();
        map.insert(QStringLiteral("scheduled"), true);
        map.insert(QStringLiteral("opensUnscheduled"), false);
        rows.append(map);
    }
    for (qsizetype i = 0; i < unscheduled.size(); ++i) {
        QVariantMap map = unscheduled[i].toMap();
        map.insert(QStringLiteral("scheduled"), false);
        map.insert(QStringLiteral("opensUnscheduled"), i == 0);
        rows.append(map);
    }
    return rows;
}

QStringList StartListActions::rowIds(const QVariantList &rows) const
{
    QStringList ids;
    ids.reserve(rows.size());
    for (const QVariant &row : rows)
        ids.append(row.toMap().value(QStringLiteral("id")).toString());
    return ids;
}

QVariantList StartListActions::gridEntries(const QVariantList &cells) const
{
    QVariantList entries;
    for (qsizetype column = 0; column < cells.size(); ++column) {
        const QVariantList runners = cells[column].toList();
        for (qsizetype line = 0; line < runners.size(); ++line) {
            QVariantMap entry = runners[line].toMap();
            entry.insert(QStringLiteral("column"), int(column));
            entry.insert(QStringLiteral("line"), int(line));
            entries.append(entry);
        }
    }
    return entries;
}
