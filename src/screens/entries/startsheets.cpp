#include "startsheets.h"

#include "localization.h"
#include "participanteditor.h"
#include "racestore.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
template<typename T>
std::optional<T> forActiveStage(
    const Race &race, const std::optional<StageMap<T>> &map, const std::optional<T> &base)
{
    if (shownStage(race) && map && map->contains(*shownStage(race)))
        return map->value(*shownStage(race));
    return base;
}

QString classNameOf(const Race &race, const QString &classId)
{
    for (const RaceClass &c : race.classes)
        if (c.id == classId)
            return c.name;
    return localized(QStringLiteral("No class"));
}
} // namespace

QList<ClassEntryCount> classEntryCounts(const Race &race)
{
    QList<QString> ids;
    QList<int> counts;
    for (const Participant &p : race.participants) {
        const auto classId = forActiveStage(race, p.classIdByStage, p.classId);
        if (!classId)
            continue;
        const qsizetype at = ids.indexOf(*classId);
        if (at < 0) {
            ids.append(*classId);
            counts.append(1);
        } else {
            ++counts[at];
        }
    }
    QList<ClassEntryCount> rows;
    for (qsizetype i = 0; i < ids.size(); ++i)
        rows.append({classNameOf(race, ids.at(i)), counts.at(i)});
    std::stable_sort(rows.begin(), rows.end(), [](const ClassEntryCount &a, const ClassEntryCount &b) {
        return naturalLess(a.className, b.className);
    });
    return rows;
}

QList<ClassEntryCount> classEntryCountOrder(
    QList<ClassEntryCount> rows, EntryCountSortField field, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), [field](const ClassEntryCount &a, const ClassEntryCount &b) {
        return field == EntryCountSortField::ClassName ? naturalLess(a.className, b.className)
                                                       : a.count < b.count;
    });
    if (!ascending)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

QList<PreferenceRow> preferenceRows(const Race &race)
{
    QList<PreferenceRow> rows;
    for (const Participant &p : race.participants) {
        const auto preference = forActiveStage(race, p.startTimePreferenceByStage, p.startTimePreference);
        const auto classId = forActiveStage(race, p.classIdByStage, p.classId);
        if (!preference || !classId)
            continue;
        static const QRegularExpression edges(QStringLiteral("^[ \\t]+|[ \\t]+$"));
        QString name = p.givenName + QLatin1Char(' ') + p.familyName;
        name.remove(edges);
        rows.append({p.id, name, classNameOf(race, *classId), *preference});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const PreferenceRow &a, const PreferenceRow &b) {
        if (a.className != b.className)
            return naturalLess(a.className, b.className);
        return naturalLess(a.name, b.name);
    });
    return rows;
}

StartSheetsViewModel::StartSheetsViewModel(QObject *parent)
    : StoreViewModel(parent)
{ }

void StartSheetsViewModel::setSortField(int field)
{
    m_field = field == 0 ? EntryCountSortField::ClassName : EntryCountSortField::Count;
    emit changed();
}

void StartSheetsViewModel::setAscending(bool on)
{
    m_ascending = on;
    emit changed();
}

QVariantList StartSheetsViewModel::classCounts() const
{
    QVariantList rows;
    if (!store())
        return rows;
    for (const ClassEntryCount &row :
        classEntryCountOrder(classEntryCounts(store()->race()), m_field, m_ascending))
        rows.append(
            QVariantMap {{QStringLiteral("name"), row.className}, {QStringLiteral("count"), row.count}});
    return rows;
}

QVariantList StartSheetsViewModel::preferences() const
{
    QVariantList rows;
    if (!store())
        return rows;
    for (const PreferenceRow &row : preferenceRows(store()->race()))
        rows.append(
            QVariantMap {{QStringLiteral("name"), row.name}, {QStringLiteral("className"), row.className},
                {QStringLiteral("early"), row.preference == StartTimePreference::Early}});
    return rows;
}
