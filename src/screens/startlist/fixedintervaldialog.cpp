#include "fixedintervaldialog.h"

#include "classorder.h"
#include "iofstartlistwriter.h"
#include "localization.h"
#include "perstage.h"
#include "racestore.h"
#include "starttimeoperations.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace {

bool inClass(const Participant &p, const QString &classId)
{
    return p.classId && *p.classId == classId;
}

QString timeText(const QDateTime &t)
{
    return t.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

bool classFullyScheduled(const Race &race, const QString &classId)
{
    bool any = false;
    for (const Participant &p : race.participants) {
        if (!inClass(p, classId))
            continue;
        if (!scheduledStartTime(race, p))
            return false;
        any = true;
    }
    return any;
}

qsizetype drawSelectionCount(const Race &race, const QString &classId)
{
    return drawSelection(race, classId.isEmpty() ? std::nullopt : std::optional<QString>(classId))
        .runners.size();
}

QList<RaceClass> classesByName(const QList<RaceClass> &classes)
{
    QList<RaceClass> sorted = classes;
    std::stable_sort(sorted.begin(), sorted.end(), compareClassNames);
    return sorted;
}

FixedIntervalDialog::FixedIntervalDialog(QObject *parent)
    : StoreViewModel(parent)
{ }

void FixedIntervalDialog::setClassId(const QString &classId)
{
    if (classId == m_classId)
        return;
    m_classId = classId;
    m_error.clear();
    if (m_shown)
        restoreLastUsed(classId);
    emit fieldsChanged();
    emit optionsChanged();
}

void FixedIntervalDialog::setFirstStart(const QString &text)
{
    if (text == m_firstStart)
        return;
    m_firstStart = text;
    m_error.clear();
    emit fieldsChanged();
    emit optionsChanged();
}

void FixedIntervalDialog::setIntervalSeconds(double seconds)
{
    if (seconds == m_interval)
        return;
    m_interval = seconds;
    m_error.clear();
    emit fieldsChanged();
    emit optionsChanged();
}

QVariantList FixedIntervalDialog::classOptions() const
{
    QVariantList options;
    options.append(QVariantMap {{QStringLiteral("id"), QString()},
        {QStringLiteral("name"), localized(QStringLiteral("All classes"))},
        {QStringLiteral("fullyScheduled"), false}});
    if (!store())
        return options;
    const Race &race = store()->race();
    for (const RaceClass &c : classesByName(race.classes))
        options.append(QVariantMap {{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name},
            {QStringLiteral("fullyScheduled"), classFullyScheduled(race, c.id)}});
    return options;
}

QString FixedIntervalDialog::intervalLabel() const
{
    if (m_interval == 0)
        return localized(QStringLiteral("Mass start (interval 0s)"));
    const double whole = std::isfinite(m_interval) ? std::trunc(m_interval) : 0;
    return localized(QStringLiteral("Interval: %@s"), QString::number(qint64(whole)));
}

QString FixedIntervalDialog::estimateText() const
{
    const std::optional<QString> t = estimatedLastStart();
    return t ? localized(QStringLiteral("Estimated last start: %@"), *t) : QString();
}

std::optional<QString> FixedIntervalDialog::estimatedLastStart() const
{
    if (!store() || !(m_interval > 0) || m_interval > maxIntervalSeconds)
        return std::nullopt;
    const qsizetype n = drawSelectionCount(store()->race(), m_classId);
    if (n == 0)
        return std::nullopt;
    const std::optional<QDateTime> first = store()->startTimeOnStartListDay(m_firstStart);
    if (!first)
        return std::nullopt;
    return timeText(first->addMSecs(std::llround(double(n - 1) * m_interval * 1000)));
}

void FixedIntervalDialog::open()
{
    m_error.clear();
    m_shown = true;
    emit fieldsChanged();
    emit shownChanged();
}

void FixedIntervalDialog::cancel()
{
    m_shown = false;
    m_error.clear();
    emit fieldsChanged();
    emit shownChanged();
}

void FixedIntervalDialog::shiftFirstStart(int deltaSeconds)
{
    if (!store())
        return;
    const std::optional<QDateTime> first = store()->startTimeOnStartListDay(m_firstStart);
    if (!first)
        return;
    setFirstStart(timeText(first->addSecs(deltaSeconds)));
}

bool FixedIntervalDialog::randomDraw()
{
    if (!store())
        return false;
    const std::optional<QDateTime> first = store()->startTimeOnStartListDay(m_firstStart);
    if (!first) {
        setError(localized(
            QStringLiteral("The first start \"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
            m_firstStart.trimmed()));
        return false;
    }
    if (!std::isfinite(m_interval) || m_interval < 0 || m_interval > maxIntervalSeconds) {
        setError(localized(QStringLiteral("The interval must be between 0 and 600 seconds.")));
        return false;
    }
    // One operation: the times and the class's remembered first start and interval together.
    QStringList startPunchClasses;
    if (!store()->drawStartTimes(m_classId, *first, m_interval, &startPunchClasses)) {
        setError(localized(
            QStringLiteral("The first start \"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
            m_firstStart.trimmed()));
        return false;
    }
    m_error.clear();
    m_shown = false;
    emit fieldsChanged();
    emit shownChanged();
    // Said as the rule-based generator says it.
    QString note;
    // clang-format off
    if (!startPunchClasses.isEmpty())
        note = localized(QStringLiteral("Skipped %@ class(es) using \"Start punch\" (start time comes from the card itself, not a schedule): %@."),
            {QString::number(startPunchClasses.size()), startPunchClasses.join(QStringLiteral(", "))});
    // clang-format on
    emit drawn(note);
    return true;
}

void FixedIntervalDialog::restoreLastUsed(const QString &classId)
{
    if (classId.isEmpty() || !store())
        return;
    for (const RaceClass &c : store()->race().classes) {
        if (c.id != classId)
            continue;
        if (const std::optional<qint64> s = c.lastUsedStartTimeSeconds) {
            // A stored value outside a day (hand-edited file) is read modulo a day.
            const qint64 d = ((*s % 86400) + 86400) % 86400;
            m_firstStart = QString::asprintf("%02lld:%02lld:%02lld", d / 3600, (d % 3600) / 60, d % 60);
        }
        if (c.lastUsedIntervalSeconds)
            m_interval = *c.lastUsedIntervalSeconds;
        return;
    }
}

void FixedIntervalDialog::setError(const QString &error)
{
    m_error = error;
    emit fieldsChanged();
}
