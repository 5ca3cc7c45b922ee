#include "resultcorrections.h"

#include "cardrecording.h"
#include "documenttext.h"
#include "localization.h"
#include "nameorder.h"
#include "racedayresults.h"
#include "racestore.h"

#include <algorithm>

ResultCorrections::ResultCorrections(RaceStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{ }

const PersonResult *ResultCorrections::stored(const QUuid &id) const
{
    return resultById(m_store->race(), id);
}

QList<Course> ResultCorrections::changeCourseCandidates() const
{
    const Race &race = m_store->race();
    QList<Course> courses;
    for (const Course &c : race.courses) {
        if (race.stages.isEmpty() || !c.stageId
            || (race.activeStageId && sameId(*c.stageId, *race.activeStageId)))
            courses.append(c);
    }
    std::stable_sort(courses.begin(), courses.end(),
        [](const Course &a, const Course &b) { return compareNames(a.name, b.name) < 0; });
    return courses;
}

void ResultCorrections::changeResultCourse(const QUuid &resultId, const QString &courseId)
{
    const PersonResult *current = stored(resultId);
    if (!current)
        return;
    PersonResult edited = *current;
    edited.courseId = courseId.isEmpty() ? std::nullopt : std::optional<QString>(courseId);
    edited.courseAutoMatched = false;
    m_store->reevaluateResult(edited);
}

void ResultCorrections::beginOverride(const QUuid &resultId, bool completed)
{
    const PersonResult *result = stored(resultId);
    if (!result)
        return;
    m_pendingOverride = resultId;
    m_pendingOverrideValue = completed;
    // Only an organiser's earlier reason: a review note is the evaluation's words, not a reason.
    m_overrideNoteText = result->completedOverride && !isReviewNote(result->overrideNote)
        ? result->overrideNote.value_or(QString())
        : QString();
    emit overrideChanged();
}

void ResultCorrections::confirmOverride()
{
    if (m_pendingOverride && stored(*m_pendingOverride))
        m_store->overrideResultStatus(*m_pendingOverride, m_pendingOverrideValue, m_overrideNoteText);
    cancelOverride();
}

void ResultCorrections::cancelOverride()
{
    m_pendingOverride.reset();
    emit overrideChanged();
}

void ResultCorrections::clearOverride(const QUuid &resultId)
{
    m_store->overrideResultStatus(resultId, std::nullopt, std::nullopt);
}

void ResultCorrections::requestDeletion(const QUuid &resultId)
{
    m_pendingDeletion = resultId;
    emit deletionChanged();
}

void ResultCorrections::confirmDeletion()
{
    if (m_pendingDeletion && stored(*m_pendingDeletion))
        m_store->deleteResult(*m_pendingDeletion);
    cancelDeletion();
}

void ResultCorrections::cancelDeletion()
{
    m_pendingDeletion.reset();
    emit deletionChanged();
}

QString ResultCorrections::overrideTitle() const
{
    return localized(
        m_pendingOverrideValue ? QStringLiteral("Force completed") : QStringLiteral("Force incomplete"));
}

void ResultCorrections::setOverrideNoteText(const QString &text)
{
    if (text == m_overrideNoteText)
        return;
    m_overrideNoteText = text;
    emit overrideChanged();
}
