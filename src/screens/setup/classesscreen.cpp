#include "classesscreen.h"

#include "classorder.h"
#include "localization.h"
#include "racelookup.h"
#include "racestore.h"
#include "typedtext.h"

#include <algorithm>

// ---- ClassRowsModel ----------------------------------------------------------------------------

void ClassRowsModel::setRows(const QList<Row> &rows)
{
    updateRows(m_rows, rows, [](const Row &a, const Row &b) { return a.classId == b.classId; });
}

QVariant ClassRowsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case ClassIdRole:
        return row.classId;
    case NameRole:
        return row.name;
    case ModeIndexRole:
        return row.modeIndex;
    case StartIndexRole:
        return row.startIndex;
    case CourseIdRole:
        return row.courseId;
    case FamilyRole:
        return row.family;
    case MultiCourseTextRole:
        return row.multiCourseText;
    case ShowsStagesButtonRole:
        return row.showsStagesButton;
    case ShowsWindowButtonRole:
        return row.showsWindowButton;
    default:
        return {};
    }
}

QHash<int, QByteArray> ClassRowsModel::roleNames() const
{
    return {{ClassIdRole, "classId"}, {NameRole, "name"}, {ModeIndexRole, "modeIndex"},
        {StartIndexRole, "startIndex"}, {CourseIdRole, "courseId"}, {FamilyRole, "family"},
        {MultiCourseTextRole, "multiCourseText"}, {ShowsStagesButtonRole, "showsStagesButton"},
        {ShowsWindowButtonRole, "showsWindowButton"}};
}

// ---- ClassesScreen -----------------------------------------------------------------------------

namespace {

template<typename T> void closeSheet(std::unique_ptr<T> &sheet)
{
    // The sheet may be the caller (its Save or Cancel runs this): it goes once the call is over.
    if (sheet)
        sheet.release()->deleteLater();
}

// Closes `sheet` when it is still the one that was opened: a sheet already closed (its window
// reporting the close late) must not close its successor.
template<typename T> bool closeIfCurrent(std::unique_ptr<T> &sheet, const T *opened)
{
    if (sheet.get() != opened)
        return false;
    closeSheet(sheet);
    return true;
}

} // namespace

ClassesScreen::ClassesScreen(QObject *parent)
    : SetupScreen(parent)
    , m_rows(this)
    , m_rebuild(
          this, [this] { rebuildNow(); }, [this] { emit loadingChanged(); })
{ }

ClassesScreen::~ClassesScreen() = default;

void ClassesScreen::storeReplaced()
{
    emit storeChanged();
    emit raceChanged();
    m_rebuild.schedule();
}

void ClassesScreen::racePublished()
{
    emit raceChanged();
    const Race &race = store()->race();
    if (race.courses == m_seenCourses && race.classes == m_seenClasses && race.stages == m_seenStages
        && shownStage(race) == m_seenActiveStage)
        return;
    m_rebuild.schedule();
}

void ClassesScreen::rebuildNow()
{
    m_rebuild.begin();
    const Race race = store() ? store()->race() : Race();
    m_seenCourses = race.courses;
    m_seenClasses = race.classes;
    m_seenStages = race.stages;
    m_seenActiveStage = shownStage(race);
    m_courses = visibleCourses(race);
    m_sortedClasses = race.classes;
    std::stable_sort(m_sortedClasses.begin(), m_sortedClasses.end(), compareClassNames);
    QList<ClassRowsModel::Row> rows;
    rows.reserve(m_sortedClasses.size());
    for (const RaceClass &raceClass : m_sortedClasses)
        rows.append(rowFor(raceClass));
    collectMoreOptions(race, rows);
    emit listsChanged();
    m_rows.setRows(rows);
    m_rebuild.end();
}

void ClassesScreen::collectMoreOptions(const Race &race, const QList<ClassRowsModel::Row> &rows)
{
    m_moreCourseOptions.clear();
    m_moreFamilies.clear();
    QList<Course> familyMembers;
    for (const Course &course : race.courses) {
        if (course.courseFamily)
            familyMembers.append(course);
    }
    const QList<CourseFamilyGroup> everyFamily = groupByFamily(familyMembers);
    for (const ClassRowsModel::Row &row : rows) {
        const auto listed = [&](const QVariantList &options) {
            return std::any_of(options.cbegin(), options.cend(),
                [&](const QVariant &o) { return o.toMap().value(QStringLiteral("value")) == row.courseId; });
        };
        const Course *course = row.courseId.isEmpty() ? nullptr : findCourse(race, row.courseId);
        const bool shown = std::any_of(m_courses.standalone.cbegin(), m_courses.standalone.cend(),
            [&](const Course &c) { return c.id == row.courseId; });
        if (course && !shown && !listed(m_moreCourseOptions)) {
            QString text = course->name;
            for (const Stage &stage : race.stages) {
                if (course->stageId && sameId(stage.id, *course->stageId))
                    text = course->name + QStringLiteral(" (") + stage.name + QLatin1Char(')');
            }
            m_moreCourseOptions.append(
                QVariantMap {{QStringLiteral("text"), text}, {QStringLiteral("value"), course->id}});
        }
        const auto sameFamily = [&](const CourseFamilyGroup &g) { return g.family == row.family; };
        if (row.family.isEmpty()
            || std::any_of(m_courses.families.cbegin(), m_courses.families.cend(), sameFamily)
            || std::any_of(m_moreFamilies.cbegin(), m_moreFamilies.cend(), sameFamily))
            continue;
        const auto group = std::find_if(everyFamily.cbegin(), everyFamily.cend(), sameFamily);
        if (group != everyFamily.cend())
            m_moreFamilies.append(*group);
    }
}

ClassRowsModel::Row ClassesScreen::rowFor(const RaceClass &raceClass) const
{
    const Race &race = store()->race();
    const bool active = hasActiveStage(race);
    ClassRowsModel::Row row;
    row.classId = raceClass.id;
    row.name = raceClass.name;
    row.modeIndex = int(effectiveMode(raceClass));
    StartMethod start = raceClass.startMethod.value_or(StartMethod::ScheduledTime);
    if (const StartMethod *m = active && raceClass.stageStartMethods
            ? stageEntry(*raceClass.stageStartMethods, *shownStage(race))
            : nullptr)
        start = *m;
    row.startIndex = start == StartMethod::StartPunch ? 1 : 0;
    // The course that judges the class's runners on the stage, whichever stage it is tagged for.
    row.courseId
        = classCourseIdOnStage(&raceClass, active ? shownStage(race) : std::nullopt).value_or(QString());
    row.family = raceClass.courseFamily.value_or(QString());
    QStringList names;
    for (const QString &id : raceClass.courseIds.value_or(QList<QString>())) {
        if (const Course *course = findCourse(race, id))
            names.append(course->name);
    }
    row.multiCourseText
        = names.isEmpty() ? localized(QStringLiteral("Select courses...")) : names.join(QStringLiteral(", "));
    row.showsStagesButton = !race.stages.isEmpty();
    row.showsWindowButton = race.stages.isEmpty() && start == StartMethod::StartPunch;
    return row;
}

bool ClassesScreen::canGenerate() const
{
    return store() && !store()->race().courses.isEmpty();
}

bool ClassesScreen::canAutoMatch() const
{
    return canGenerate() && !store()->race().classes.isEmpty();
}

bool ClassesScreen::canDeleteAll() const
{
    return store() && !store()->race().classes.isEmpty();
}

QVariantList ClassesScreen::courseOptions() const
{
    return coursePickerRows(m_courses.standalone, localized(QStringLiteral("None"))) + m_moreCourseOptions;
}

QVariantList ClassesScreen::familyOptions() const
{
    QVariantList rows {QVariantMap {
        {QStringLiteral("text"), localized(QStringLiteral("None"))}, {QStringLiteral("value"), QString()}}};
    for (const CourseFamilyGroup &group : m_courses.families + m_moreFamilies) {
        rows.append(QVariantMap {
            {QStringLiteral("text"), familyOptionText(group)}, {QStringLiteral("value"), group.family}});
    }
    return rows;
}

void ClassesScreen::generateClasses()
{
    if (canGenerate())
        store()->generateClassesFromCourses();
}

void ClassesScreen::autoMatchClasses()
{
    if (canAutoMatch())
        store()->autoMatchClassesToCourses();
}

void ClassesScreen::deleteAllClasses()
{
    if (!store())
        return;
    Race race = store()->race();
    race.classes.clear();
    store()->setRace(race);
    store()->autosave();
}

void ClassesScreen::closeSheets()
{
    closeSheet(m_classEditor);
    closeSheet(m_stageEditor);
    closeSheet(m_windowEditor);
    m_showingDefaultWindow = false;
}

void ClassesScreen::addClass()
{
    if (!store())
        return;
    closeSheets();
    RaceClass fresh;
    fresh.id = newRecordId();
    fresh.name = QStringLiteral("New Class");
    m_classEditor = std::make_unique<ClassEditor>(fresh, m_courses.sorted, this);
    m_classEditor->onSave = [this, opened = m_classEditor.get()](const RaceClass &raceClass) {
        if (m_classEditor.get() != opened)
            return;
        Race race = store()->race();
        race.classes.append(raceClass);
        store()->setRace(race);
        store()->autosave();
        if (closeIfCurrent(m_classEditor, opened))
            emit sheetsChanged();
    };
    m_classEditor->onCancel = [this, opened = m_classEditor.get()] {
        if (closeIfCurrent(m_classEditor, opened))
            emit sheetsChanged();
    };
    emit sheetsChanged();
}

void ClassesScreen::editStages(const QString &classId)
{
    const auto raceClass = storedClass(classId);
    if (!raceClass)
        return;
    closeSheets();
    const Race &race = store()->race();
    QList<Course> courses;
    for (const Course &course : race.courses) {
        if (!course.courseFamily)
            courses.append(course);
    }
    m_stageEditor
        = std::make_unique<StageSettingsEditor>(*raceClass, courses, race.stages, this, race.courses);
    m_stageEditor->onSave = [this, opened = m_stageEditor.get()](const RaceClass &edited) {
        if (!closeIfCurrent(m_stageEditor, opened))
            return;
        store()->updateClass(edited);
        emit sheetsChanged();
    };
    m_stageEditor->onCancel = [this, opened = m_stageEditor.get()] {
        if (closeIfCurrent(m_stageEditor, opened))
            emit sheetsChanged();
    };
    emit sheetsChanged();
}

void ClassesScreen::editStartWindow(const QString &classId)
{
    const auto raceClass = storedClass(classId);
    if (!raceClass)
        return;
    closeSheets();
    const Race &race = store()->race();
    std::optional<QString> stageId;
    std::optional<QString> stageName;
    if (!race.stages.isEmpty()) {
        stageId = shownStage(race);
        for (const Stage &stage : race.stages) {
            if (shownStage(race) && stage.id == *shownStage(race)) {
                stageName = stage.name;
                break;
            }
        }
    }
    m_windowEditor = std::make_unique<StartWindowEditor>(*raceClass, stageId, stageName, this);
    m_windowEditor->onSave = [this, opened = m_windowEditor.get()](const RaceClass &edited) {
        if (!closeIfCurrent(m_windowEditor, opened))
            return;
        store()->updateClass(edited);
        emit sheetsChanged();
    };
    m_windowEditor->onCancel = [this, opened = m_windowEditor.get()] {
        if (closeIfCurrent(m_windowEditor, opened))
            emit sheetsChanged();
    };
    emit sheetsChanged();
}

std::optional<StartWindow> ClassesScreen::effectiveDefaultWindow() const
{
    if (!store())
        return std::nullopt;
    const Race &race = store()->race();
    if (shownStage(race) && race.stageDefaultStartWindows) {
        if (const StartWindow *w = stageEntry(*race.stageDefaultStartWindows, *shownStage(race)))
            return *w;
    }
    return race.defaultStartWindow;
}

void ClassesScreen::openDefaultWindow()
{
    if (!store())
        return;
    closeSheets();
    const auto window = effectiveDefaultWindow();
    m_defaultOpen = window ? windowFieldText(window->openSeconds) : QString();
    m_defaultClose = window ? windowFieldText(window->closeSeconds) : QString();
    m_shownDefaultOpen = m_defaultOpen;
    m_shownDefaultClose = m_defaultClose;
    m_defaultWindowProblem.clear();
    m_showingDefaultWindow = true;
    emit defaultTextsChanged();
    emit sheetsChanged();
}

void ClassesScreen::setDefaultOpenText(const QString &text)
{
    if (text == m_defaultOpen)
        return;
    m_defaultOpen = text;
    emit defaultTextsChanged();
}

void ClassesScreen::setDefaultCloseText(const QString &text)
{
    if (text == m_defaultClose)
        return;
    m_defaultClose = text;
    emit defaultTextsChanged();
}

void ClassesScreen::clearDefaultWindow()
{
    if (!store())
        return;
    store()->setDefaultStartWindow(std::nullopt, shownStage(store()->race()));
    m_defaultOpen.clear();
    m_defaultClose.clear();
    m_shownDefaultOpen.clear();
    m_shownDefaultClose.clear();
    emit defaultTextsChanged();
}

void ClassesScreen::dismissDefaultWindow()
{
    if (!m_showingDefaultWindow)
        return;
    m_showingDefaultWindow = false;
    emit sheetsChanged();
}

void ClassesScreen::finishDefaultWindow()
{
    if (store() && m_showingDefaultWindow) {
        const auto shown = effectiveDefaultWindow();
        const bool unchanged = m_defaultOpen == m_shownDefaultOpen && m_defaultClose == m_shownDefaultClose;
        const auto open = readWindowField(m_defaultOpen, m_shownDefaultOpen,
            shown && unchanged ? std::optional(shown->openSeconds) : std::nullopt);
        const auto close = readWindowField(m_defaultClose, m_shownDefaultClose,
            shown && unchanged ? std::optional(shown->closeSeconds) : std::nullopt);
        const auto stageId = shownStage(store()->race());
        const QString problem = windowFieldsProblem(m_defaultOpen, m_defaultClose, open, close);
        if (problem != m_defaultWindowProblem) {
            m_defaultWindowProblem = problem;
            emit defaultTextsChanged();
        }
        if (!problem.isEmpty())
            return;
        if (open && close)
            store()->setDefaultStartWindow(StartWindow {*open, *close}, stageId);
        else if (m_defaultOpen.isEmpty() && m_defaultClose.isEmpty())
            store()->setDefaultStartWindow(std::nullopt, stageId);
    }
    m_showingDefaultWindow = false;
    emit sheetsChanged();
}

std::optional<RaceClass> ClassesScreen::storedClass(const QString &classId) const
{
    if (!store())
        return std::nullopt;
    const RaceClass *raceClass = findClass(store()->race(), classId);
    return raceClass ? std::optional(*raceClass) : std::nullopt;
}

void ClassesScreen::updateClass(const QString &classId, const std::function<void(RaceClass &)> &change)
{
    // The stored class, not the row's copy from the last rebuild: two edits within one turn of
    // the event loop must not undo each other.
    auto raceClass = storedClass(classId);
    if (!raceClass)
        return;
    const RaceClass before = *raceClass;
    change(*raceClass);
    if (*raceClass != before)
        store()->updateClass(*raceClass);
}

bool ClassesScreen::renameClass(const QString &classId, const QString &name)
{
    const QString problem = typedNameProblem(name);
    if (problem != m_renameProblem) {
        m_renameProblem = problem;
        emit renameProblemChanged();
    }
    if (!problem.isEmpty())
        return false;
    updateClass(classId, [&](RaceClass &c) { c.name = name; });
    return true;
}

void ClassesScreen::setMode(const QString &classId, int modeIndex)
{
    if (modeIndex < 0 || modeIndex > 2)
        return;
    updateClass(classId, [&](RaceClass &c) { setClassMode(c, RaceClassMode(modeIndex)); });
}

void ClassesScreen::setStart(const QString &classId, int startIndex)
{
    const StartMethod method = startIndex == 1 ? StartMethod::StartPunch : StartMethod::ScheduledTime;
    const Race &race = store() ? store()->race() : Race();
    const bool active = hasActiveStage(race);
    const QString stageId = shownStage(race).value_or(QString());
    updateClass(classId, [&](RaceClass &c) {
        if (active) {
            if (!c.stageStartMethods)
                c.stageStartMethods = StageMap<StartMethod>();
            c.stageStartMethods->insert(stageId, method);
        } else {
            c.startMethod = method;
        }
    });
}

void ClassesScreen::setCourse(const QString &classId, const QString &courseId)
{
    const Race &race = store() ? store()->race() : Race();
    const bool active = hasActiveStage(race);
    const QString stageId = shownStage(race).value_or(QString());
    updateClass(classId, [&](RaceClass &c) {
        if (!active) {
            c.courseId = courseId.isEmpty() ? std::nullopt : std::optional(courseId);
            return;
        }
        if (!c.stageCourseIds)
            c.stageCourseIds = StageMap<QString>();
        c.stageCourseIds->remove(stageId);
        // "None" on a stage where the class's own course would judge: no course that day (an
        // empty entry), as the row then shows.
        if (!courseId.isEmpty() || findCourse(race, c.courseId))
            c.stageCourseIds->insert(stageId, courseId);
    });
}

void ClassesScreen::setFamily(const QString &classId, const QString &family)
{
    updateClass(classId, [&](RaceClass &c) {
        c.courseFamily = family.isEmpty() ? std::nullopt : std::optional(family);
        // The family judges the class on every stage: the one course it held (an import's for a
        // stage included) goes, so that nothing shown elsewhere still judges it.
        if (c.courseFamily) {
            c.courseId.reset();
            c.stageCourseIds.reset();
        }
    });
}

void ClassesScreen::toggleCourse(const QString &classId, const QString &courseId)
{
    updateClass(classId, [&](RaceClass &c) { toggleCourseId(c, courseId); });
}

QVariantList ClassesScreen::multiCourseItems(const QString &classId) const
{
    const auto raceClass = storedClass(classId);
    return raceClass ? multiCourseRows(*raceClass, m_courses.standalone) : QVariantList();
}

void ClassesScreen::deleteClass(const QString &classId)
{
    if (store())
        store()->deleteClass(classId);
}
