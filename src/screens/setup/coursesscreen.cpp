#include "coursesscreen.h"

#include "chosenfile.h"
#include "filechooser.h"

#include "localization.h"
#include "messagetext.h"
#include "racestore.h"
#include "setuplists.h"

#include "log.h"

#include <algorithm>

// ---- CourseRowsModel ---------------------------------------------------------------------------

void CourseRowsModel::setRows(const QList<Row> &rows)
{
    resetRows([&] { m_rows = rows; });
}

QVariant CourseRowsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case KindRole:
        return row.kind;
    case CourseIdRole:
        return row.courseId;
    case TitleRole:
        return row.title;
    case SummaryRole:
        return row.summary;
    case CountRole:
        return row.count;
    case StripedRole:
        return row.striped;
    case ExpandedRole:
        return row.expanded;
    case FamilyRole:
        return row.family;
    default:
        return {};
    }
}

QHash<int, QByteArray> CourseRowsModel::roleNames() const
{
    return {{KindRole, "kind"}, {CourseIdRole, "courseId"}, {TitleRole, "title"}, {SummaryRole, "summary"},
        {CountRole, "countText"}, {StripedRole, "striped"}, {ExpandedRole, "expanded"},
        {FamilyRole, "family"}};
}

// ---- CoursesScreen -----------------------------------------------------------------------------

CoursesScreen::CoursesScreen(QObject *parent)
    : SetupScreen(parent)
    , m_rows(this)
{ }

CoursesScreen::~CoursesScreen() = default;

void CoursesScreen::storeReplaced()
{
    emit storeChanged();
    emit raceChanged();
    rebuild();
}

void CoursesScreen::racePublished()
{
    emit raceChanged();
    const Race &race = store()->race();
    if (race.courses != m_seenCourses || race.stages != m_seenStages || shownStage(race) != m_seenActiveStage)
        rebuild();
}

void CoursesScreen::rebuild()
{
    const Race race = store() ? store()->race() : Race();
    m_seenCourses = race.courses;
    m_seenStages = race.stages;
    m_seenActiveStage = shownStage(race);
    const VisibleCourses lists = visibleCourses(race);
    QList<CourseRowsModel::Row> rows;
    const auto courseRow = [](const Course &course, const QString &kind, int position) {
        return CourseRowsModel::Row {kind, course.id, course.name, rogainingSummaryText(course),
            controlCountText(course), position % 2 == 1, false, course.courseFamily.value_or(QString())};
    };
    for (int i = 0; i < lists.standalone.size(); ++i)
        rows.append(courseRow(lists.standalone.at(i), QStringLiteral("course"), i));
    for (const CourseFamilyGroup &group : lists.families) {
        const bool expanded = m_expanded.contains(group.family);
        CourseRowsModel::Row header;
        header.kind = QStringLiteral("family");
        header.title = localized(QStringLiteral("%@ (%lld variants)"), group.family, group.courses.size());
        header.expanded = expanded;
        header.family = group.family;
        rows.append(header);
        for (int i = 0; expanded && i < group.courses.size(); ++i)
            rows.append(courseRow(group.courses.at(i), QStringLiteral("variant"), i));
    }
    m_rows.setRows(rows);
}

bool CoursesScreen::canDeleteAll() const
{
    return store() && !store()->race().courses.isEmpty();
}

void CoursesScreen::toggleFamily(const QString &family)
{
    if (!m_expanded.remove(family))
        m_expanded.insert(family);
    rebuild();
}

void CoursesScreen::closeEditor(const CourseEditor *opened)
{
    // The editor may be the caller (its Save or Cancel runs this): it goes once the call is over.
    if (!m_editor || m_editor.get() != opened)
        return;
    m_editor.release()->deleteLater();
    emit editorChanged();
}

void CoursesScreen::addCourse()
{
    if (!store())
        return;
    Course fresh;
    fresh.id = newRecordId();
    fresh.name = QStringLiteral("New Course");
    if (!store()->race().stages.isEmpty())
        fresh.stageId = shownStage(store()->race());
    closeEditor(m_editor.get());
    m_editor = std::make_unique<CourseEditor>(fresh, this);
    m_addingNewCourse = true;
    const CourseEditor *opened = m_editor.get();
    m_editor->onSave = [this, opened](const Course &course) {
        if (m_editor.get() != opened)
            return;
        Race race = store()->race();
        race.courses.append(course);
        store()->setRace(race);
        store()->autosave();
        closeEditor(opened);
    };
    m_editor->onCancel = [this, opened] { closeEditor(opened); };
    emit editorChanged();
}

void CoursesScreen::editCourse(const QString &courseId)
{
    if (!store())
        return;
    const Course *stored = nullptr;
    for (const Course &course : store()->race().courses)
        stored = !stored && course.id == courseId ? &course : stored;
    if (!stored)
        return;
    closeEditor(m_editor.get());
    m_editor = std::make_unique<CourseEditor>(*stored, this);
    m_addingNewCourse = false;
    const CourseEditor *opened = m_editor.get();
    m_editor->onSave = [this, opened](const Course &course) {
        if (m_editor.get() != opened)
            return;
        store()->updateCourse(course);
        closeEditor(opened);
    };
    m_editor->onCancel = [this, opened] { closeEditor(opened); };
    emit editorChanged();
}

void CoursesScreen::confirmDeleteCourse(const QString &courseId)
{
    if (!store())
        return;
    for (const Course &course : store()->race().courses) {
        if (course.id == courseId) {
            m_pendingDelete = course;
            emit pendingDeleteChanged();
            return;
        }
    }
}

void CoursesScreen::cancelDelete()
{
    if (!m_pendingDelete)
        return;
    m_pendingDelete.reset();
    emit pendingDeleteChanged();
}

int CoursesScreen::classesReferring(const QSet<QString> &courseIds) const
{
    // An empty set stands for every course id (all courses are gone).
    const auto named = [&](const QString &id) { return courseIds.isEmpty() || courseIds.contains(id); };
    int count = 0;
    for (const RaceClass &c : store()->race().classes) {
        bool refers = c.courseId && named(*c.courseId);
        for (const QString &id : c.courseIds.value_or(QList<QString>()))
            refers = refers || named(id);
        for (const QString &id : c.stageCourseIds.value_or(StageMap<QString>()))
            refers = refers || named(id);
        count += refers ? 1 : 0;
    }
    return count;
}

void CoursesScreen::setMessages(const QString &error, const QString &summary)
{
    m_importError = error;
    m_summary = summary;
    emit messagesChanged();
}

void CoursesScreen::deletePendingCourse()
{
    if (!m_pendingDelete || !store())
        return;
    const Course course = *m_pendingDelete;
    m_pendingDelete.reset();
    emit pendingDeleteChanged();
    store()->deleteCourse(course.id);
    setMessages(m_importError,
        localized(QStringLiteral("Deleted \"%@\"; %@ classes still refer to it."), course.name,
            classesReferring({course.id})));
}

void CoursesScreen::deleteAllCourses()
{
    if (!store())
        return;
    Race race = store()->race();
    const int referring = classesReferring({});
    const qsizetype removed = race.courses.size();
    race.courses.clear();
    store()->setRace(race);
    store()->autosave();
    setMessages(m_importError,
        localized(QStringLiteral("Deleted %@ courses; %@ classes still refer to a deleted course."), removed,
            referring));
}

QUrl CoursesScreen::dialogFolder() const
{
    return dialogStartFolder(FileKind::Iof, store());
}

void CoursesScreen::chooseImportFile()
{
    importPanelOpened();
    chooseFile(
        iofOpenRequest(QStringLiteral("courseImportDialog"), dialogFolder()), this,
        [this](const QUrl &file) { importCourses(file); }, [this] { importPanelCancelled(); });
}

void CoursesScreen::importPanelOpened()
{
    logLine(QStringLiteral("CoursesView: opening import panel"));
}

void CoursesScreen::importPanelCancelled()
{
    logLine(QStringLiteral("CoursesView: panel completion fired, result=cancel/other, url=nil"));
}

void CoursesScreen::importCourses(const QUrl &chosen)
{
    if (!store())
        return;
    const QString path = chosenLocalPath(chosen, dialogFolder());
    const QUrl fileUrl = path.isEmpty() ? chosen : QUrl::fromLocalFile(path);
    logLine(QStringLiteral("CoursesView: panel completion fired, result=OK, url=") + fileUrl.toLocalFile());
    const QList<Course> coursesBefore = store()->race().courses;
    const QList<RaceClass> classesBefore = store()->race().classes;
    QList<IOFCourseDataParser::RoundedScore> rounded;
    try {
        rounded = store()->importCourses(fileUrl);
    } catch (const ImportError &error) {
        logLine(QStringLiteral("CoursesView: import threw error: ") + error.message());
        setMessages(localizedMessage(error.message()), QString());
        return;
    }
    // The store merged by id or name: count what is new and what was replaced.
    const auto tally = [](const auto &before, const auto &after, int &added, int &changed) {
        for (const auto &record : after) {
            const auto it = std::find_if(
                before.begin(), before.end(), [&](const auto &old) { return old.id == record.id; });
            if (it == before.end())
                ++added;
            else if (!(*it == record))
                ++changed;
        }
    };
    int coursesAdded = 0, coursesChanged = 0, classesAdded = 0, classesChanged = 0;
    tally(coursesBefore, store()->race().courses, coursesAdded, coursesChanged);
    tally(classesBefore, store()->race().classes, classesAdded, classesChanged);
    logLine(QStringLiteral("CoursesView: import succeeded"));
    QString summary = localized(
        QStringLiteral(
            "Imported: %@ courses added, %@ courses updated, %@ classes added, %@ classes updated."),
        coursesAdded, coursesChanged, classesAdded, classesChanged);
    // Scores are whole points: each rounded one is named, so the organiser can check the course.
    for (const IOFCourseDataParser::RoundedScore &score : rounded) {
        summary += QLatin1Char(' ')
            + localized(QStringLiteral("Control %@ of course \"%@\" has the score %@ in the file; scores are "
                                       "whole points, so it counts %@."),
                score.code, score.courseName, score.text, score.points);
    }
    setMessages(QString(), summary);
}
