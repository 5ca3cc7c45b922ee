// RaceStore: class, course and stage set-up and the course and entry imports. The bulk helpers,
// deletions and stage additions always save; the whole-record updates save only when a record was
// replaced; the import steps publish and leave the save to the end of their import.

#include "coursesetup.h"
#include "entryimport.h"
#include "log.h"
#include "racestore.h"

#include <QNetworkAccessManager>

#include <algorithm>

// ---- Classes -----------------------------------------------------------------------------------

void RaceStore::generateClassesFromCourses()
{
    ::generateClassesFromCourses(m_race);
    commitChange();
}

void RaceStore::autoMatchClassesToCourses()
{
    ::autoMatchClassesToCourses(m_race);
    commitChange();
}

void RaceStore::updateClass(const RaceClass &raceClass)
{
    if (::updateClass(m_race, raceClass))
        commitChange();
}

void RaceStore::setDefaultStartWindow(
    const std::optional<StartWindow> &window, const std::optional<QString> &stageId)
{
    ::setDefaultStartWindow(m_race, window, stageId);
    commitChange();
}

void RaceStore::deleteClass(const QString &classId)
{
    ::deleteClass(m_race, classId);
    commitChange();
}

// ---- Courses and stages ------------------------------------------------------------------------

void RaceStore::updateCourse(const Course &course)
{
    if (::updateCourse(m_race, course))
        commitChange();
}

void RaceStore::deleteCourse(const QString &courseId)
{
    ::deleteCourse(m_race, courseId);
    commitChange();
}

QList<IOFCourseDataParser::RoundedScore> RaceStore::importCourses(const QUrl &fileUrl)
{
    if (!fileUrl.isLocalFile())
        throw ImportError(QStringLiteral("Not a local file: ") + fileUrl.toDisplayString());
    // The import saves through the callback once the merge is done, before its last log line; a
    // failure throws before the race is touched, so nothing is published or saved then.
    return ::importCourses(m_race, fileUrl.toLocalFile(), [this] { commitChange(); });
}

void RaceStore::addStage(const Stage &stage)
{
    ::addStage(m_race, stage);
    commitChange();
}

void RaceStore::updateStage(const Stage &stage)
{
    if (::updateStage(m_race, stage))
        commitChange();
}

void RaceStore::deleteStage(const Stage &stage)
{
    ::deleteStage(m_race, stage);
    commitChange();
}

void RaceStore::setActiveStage(const QString &stageId)
{
    const bool known = std::any_of(m_race.stages.cbegin(), m_race.stages.cend(),
        [&stageId](const Stage &stage) { return sameId(stage.id, stageId); });
    if (!known || (m_race.activeStageId == stageId && !m_race.shownStageId))
        return;
    m_race.shownStageId.reset();
    if (m_race.activeStageId == stageId) {
        publishRace();
        return;
    }
    m_race.activeStageId = stageId;
    commitChange();
}

void RaceStore::setShownStage(const QString &stageId)
{
    const bool known = std::any_of(m_race.stages.cbegin(), m_race.stages.cend(),
        [&stageId](const Stage &stage) { return sameId(stage.id, stageId); });
    std::optional<QString> shown;
    if (known && !(m_race.activeStageId && sameId(*m_race.activeStageId, stageId)))
        shown = stageId;
    if (shown == m_race.shownStageId)
        return;
    m_race.shownStageId = shown;
    publishRace();
}

// ---- Entry import ------------------------------------------------------------------------------

void RaceStore::importEntries(const QUrl &url, std::function<void(const std::optional<QString> &error)> done,
    std::function<void(const EntryChanges &)> applied)
{
    // The store is the context: no outcome is delivered once it is gone, so the race it hands out
    // is always alive. The list is applied to the race as it is when the answer arrives, unless
    // that race is another event's by then.
    const quint64 generation = m_documentGeneration;
    auto before = std::make_shared<std::optional<QList<Participant>>>();
    auto finish = std::make_shared<std::function<void(const std::optional<QString> &)>>(std::move(done));
    ::importEntries(
        *m_network, url, this,
        [this, generation, before, finish]() -> Race * {
            if (generation != m_documentGeneration) {
                logLine(
                    QStringLiteral("RaceStore: importEntries dropped, another event was opened meanwhile"));
                if (*finish)
                    (*finish)(QStringLiteral("The entry list arrived after another event was opened; it was "
                                             "not imported."));
                return nullptr;
            }
            *before = m_race.participants;
            return &m_race;
        },
        [this] { commitChange(); },
        [this, before, finish, applied](const std::optional<QString> &error) {
            if (!error && *before && applied)
                applied(countEntryChanges(**before, m_race.participants));
            if (*finish)
                (*finish)(error);
        });
}

void RaceStore::applyDownloadedEntries(const QByteArray &body, std::optional<int> httpStatus)
{
    ::applyDownloadedEntries(m_race, body, httpStatus);
    commitChange();
}

IdMap RaceStore::mergeImportedClasses(const QList<RaceClass> &classes, const std::optional<QString> &stageId)
{
    IdMap idMap = ::mergeImportedClasses(m_race, classes, stageId);
    publishRace();
    return idMap;
}

IdMap RaceStore::mergeImportedCourses(const QList<Course> &courses, const std::optional<QString> &stageId)
{
    IdMap idMap = ::mergeImportedCourses(m_race, courses, stageId);
    publishRace();
    return idMap;
}

QList<Participant> RaceStore::assignRentalCardNumbers(QList<Participant> imported) const
{
    return ::assignRentalCardNumbers(m_race, std::move(imported));
}

Participant RaceStore::nextFreeRentalCardNumber(Participant participant, QSet<QString> &inUse)
{
    return ::nextFreeRentalCardNumber(std::move(participant), inUse);
}

void RaceStore::applyImportedEntries(const QList<Participant> &imported)
{
    ::applyImportedEntries(m_race, imported);
    publishRace();
}
