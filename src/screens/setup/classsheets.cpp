#include "classsheets.h"

#include "localization.h"
#include "racelookup.h"
#include "timeofday.h"
#include "typedtext.h"

#include <QVariantMap>

#include <algorithm>

RaceClassMode effectiveMode(const RaceClass &raceClass)
{
    if (raceClass.mode)
        return *raceClass.mode;
    return raceClass.courseFamily ? RaceClassMode::CourseFamily : RaceClassMode::SingleCourse;
}

void setClassMode(RaceClass &raceClass, RaceClassMode mode)
{
    raceClass.mode = mode;
    raceClass.courseId.reset();
    raceClass.stageCourseIds.reset();
    raceClass.courseFamily.reset();
    raceClass.courseIds.reset();
}

void toggleCourseId(RaceClass &raceClass, const QString &courseId)
{
    QList<QString> ids = raceClass.courseIds.value_or(QList<QString>());
    const qsizetype at = ids.indexOf(courseId);
    if (at >= 0)
        ids.removeAt(at);
    else
        ids.append(courseId);
    raceClass.courseIds = ids;
}

QVariantList multiCourseRows(const RaceClass &raceClass, const QList<Course> &courses)
{
    const QList<QString> chosen = raceClass.courseIds.value_or(QList<QString>());
    QVariantList rows;
    for (const Course &course : courses) {
        rows.append(QVariantMap {{QStringLiteral("text"), course.name}, {QStringLiteral("value"), course.id},
            {QStringLiteral("checked"), chosen.contains(course.id)}});
    }
    return rows;
}

// ---- ClassEditor -------------------------------------------------------------------------------

ClassEditor::ClassEditor(RaceClass raceClass, const QList<Course> &courses, QObject *parent)
    : QObject(parent)
    , m_class(std::move(raceClass))
{
    for (const Course &course : courses) {
        if (!course.courseFamily)
            m_standalone.append(course);
    }
    m_families = groupByFamily(courses);
}

void ClassEditor::setName(const QString &name)
{
    if (name == m_class.name)
        return;
    m_class.name = name;
    emit changed();
}

QString ClassEditor::nameWarning() const
{
    return typedNameProblem(m_class.name);
}

int ClassEditor::startIndex() const
{
    return m_class.startMethod == StartMethod::StartPunch ? 1 : 0;
}

QVariantList ClassEditor::courseOptions() const
{
    return coursePickerRows(m_standalone, localized(QStringLiteral("None")));
}

QVariantList ClassEditor::familyOptions() const
{
    QVariantList rows {QVariantMap {
        {QStringLiteral("text"), localized(QStringLiteral("None"))}, {QStringLiteral("value"), QString()}}};
    for (const CourseFamilyGroup &group : m_families) {
        rows.append(QVariantMap {
            {QStringLiteral("text"), familyOptionText(group)}, {QStringLiteral("value"), group.family}});
    }
    return rows;
}

void ClassEditor::setModeIndex(int index)
{
    if (index < 0 || index > 2)
        return;
    setClassMode(m_class, RaceClassMode(index));
    emit changed();
}

void ClassEditor::setStartIndex(int index)
{
    m_class.startMethod = index == 1 ? StartMethod::StartPunch : StartMethod::ScheduledTime;
    emit changed();
}

void ClassEditor::setCourseId(const QString &courseId)
{
    m_class.courseId = courseId.isEmpty() ? std::nullopt : std::optional(courseId);
    emit changed();
}

void ClassEditor::setFamily(const QString &family)
{
    m_class.courseFamily = family.isEmpty() ? std::nullopt : std::optional(family);
    emit changed();
}

void ClassEditor::toggleCourse(const QString &courseId)
{
    toggleCourseId(m_class, courseId);
    emit changed();
}

void ClassEditor::save()
{
    if (canSave() && onSave)
        onSave(m_class);
}

void ClassEditor::cancel()
{
    if (onCancel)
        onCancel();
}

// ---- StageSettingsEditor -----------------------------------------------------------------------

StageSettingsEditor::StageSettingsEditor(RaceClass raceClass, const QList<Course> &courses,
    const QList<Stage> &stages, QObject *parent, const QList<Course> &allCourses)
    : QObject(parent)
    , m_class(std::move(raceClass))
    , m_courses(courses)
    , m_allCourses(allCourses)
    , m_stages(stages)
{
    if (m_class.stageStartWindows) {
        for (const Stage &stage : m_stages) {
            if (const StartWindow *w = stageEntry(*m_class.stageStartWindows, stage.id))
                m_texts.insert(stage.id, {windowFieldText(w->openSeconds), windowFieldText(w->closeSeconds)});
        }
    }
    m_shownTexts = m_texts;
}

QString StageSettingsEditor::title() const
{
    return localized(QStringLiteral("Per-stage settings — %@"), m_class.name);
}

QVariantList StageSettingsEditor::stages() const
{
    QList<Stage> ordered = m_stages;
    std::stable_sort(
        ordered.begin(), ordered.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    QVariantList rows;
    for (const Stage &stage : ordered) {
        QList<Course> offered;
        for (const Course &course : m_courses) {
            if (!course.stageId || *course.stageId == stage.id)
                offered.append(course);
        }
        const QString *courseId
            = m_class.stageCourseIds ? stageEntry(*m_class.stageCourseIds, stage.id) : nullptr;
        // A course stored for the stage that the stage does not offer still shows.
        if (courseId && !courseId->isEmpty()
            && std::none_of(
                offered.cbegin(), offered.cend(), [&](const Course &c) { return c.id == *courseId; })) {
            for (const Course &course : m_allCourses) {
                if (course.id == *courseId)
                    offered.append(course);
            }
        }
        QVariantList courseOptions = coursePickerRows(offered, localized(QStringLiteral("(Default)")));
        // No course that stage although the class has one of its own: an empty entry.
        const bool ownCourse = std::any_of(m_allCourses.cbegin(), m_allCourses.cend(),
            [&](const Course &c) { return m_class.courseId == c.id; });
        if (ownCourse || (courseId && courseId->isEmpty()))
            courseOptions.insert(1,
                QVariantMap {{QStringLiteral("text"), localized(QStringLiteral("None"))},
                    {QStringLiteral("value"), noCourseValue}});
        const StartMethod *method
            = m_class.stageStartMethods ? stageEntry(*m_class.stageStartMethods, stage.id) : nullptr;
        const bool punch
            = method ? *method == StartMethod::StartPunch : m_class.startMethod == StartMethod::StartPunch;
        const WindowTexts texts = m_texts.value(stage.id);
        rows.append(QVariantMap {{QStringLiteral("stageId"), stage.id}, {QStringLiteral("name"), stage.name},
            {QStringLiteral("courseOptions"), courseOptions},
            {QStringLiteral("courseId"),
                courseId ? (courseId->isEmpty() ? noCourseValue : *courseId) : QString()},
            // A class whose family or list of courses judges it takes no course for a stage.
            {QStringLiteral("showsCourse"),
                !choosesCourseByFamily(&m_class) && m_class.mode != RaceClassMode::MultiCourse},
            {QStringLiteral("startValue"), method ? toText(*method) : QString()},
            {QStringLiteral("showsWindow"), punch}, {QStringLiteral("openText"), texts.open},
            {QStringLiteral("closeText"), texts.close}});
    }
    return rows;
}

namespace {

// Sets the stage's entry, or removes it for the empty choice; the map is created first either way.
template<typename T>
void setStageEntry(std::optional<StageMap<T>> &map, const QString &stageId, std::optional<T> value)
{
    if (!map)
        map = StageMap<T>();
    for (auto it = map->begin(); it != map->end();) {
        if (sameId(it.key(), stageId))
            it = map->erase(it);
        else
            ++it;
    }
    if (value)
        map->insert(stageId, *value);
}

} // namespace

void StageSettingsEditor::setCourse(const QString &stageId, const QString &courseId)
{
    setStageEntry(m_class.stageCourseIds, stageId,
        courseId == noCourseValue ? std::optional(QString())
            : courseId.isEmpty()  ? std::nullopt
                                  : std::optional(courseId));
    emit stagesChanged();
}

void StageSettingsEditor::setStart(const QString &stageId, const QString &startValue)
{
    setStageEntry(m_class.stageStartMethods, stageId, startMethodFromText(startValue));
    emit stagesChanged();
}

void StageSettingsEditor::setWindowText(
    const QString &stageId, const QString &openText, const QString &closeText)
{
    m_texts.insert(stageId, {openText, closeText});
}

void StageSettingsEditor::save()
{
    // Every stage's window is readable or blank before anything is written: the sheet stays
    // open with the first problem, and nothing typed is dropped.
    for (const Stage &stage : m_stages) {
        const WindowTexts texts = m_texts.value(stage.id);
        const WindowTexts shown = m_shownTexts.value(stage.id);
        const StartWindow *stored
            = m_class.stageStartWindows ? stageEntry(*m_class.stageStartWindows, stage.id) : nullptr;
        const QString problem = windowFieldsProblem(texts.open, texts.close,
            readWindowField(
                texts.open, shown.open, stored ? std::optional(stored->openSeconds) : std::nullopt),
            readWindowField(
                texts.close, shown.close, stored ? std::optional(stored->closeSeconds) : std::nullopt));
        if (!problem.isEmpty()) {
            m_problem = stage.name + QStringLiteral(": ") + problem;
            emit problemChanged();
            return;
        }
    }
    if (!m_problem.isEmpty()) {
        m_problem.clear();
        emit problemChanged();
    }
    for (const Stage &stage : m_stages) {
        const WindowTexts texts = m_texts.value(stage.id);
        const WindowTexts shown = m_shownTexts.value(stage.id);
        const StartWindow *stored
            = m_class.stageStartWindows ? stageEntry(*m_class.stageStartWindows, stage.id) : nullptr;
        const auto open = readWindowField(
            texts.open, shown.open, stored ? std::optional(stored->openSeconds) : std::nullopt);
        const auto close = readWindowField(
            texts.close, shown.close, stored ? std::optional(stored->closeSeconds) : std::nullopt);
        if (open && close)
            setStageEntry(m_class.stageStartWindows, stage.id, std::optional(StartWindow {*open, *close}));
        else if (texts.open.isEmpty() && texts.close.isEmpty() && m_class.stageStartWindows)
            setStageEntry(m_class.stageStartWindows, stage.id, std::optional<StartWindow>());
    }
    if (onSave)
        onSave(m_class);
}

void StageSettingsEditor::cancel()
{
    if (onCancel)
        onCancel();
}

// ---- StartWindowEditor -------------------------------------------------------------------------

StartWindowEditor::StartWindowEditor(RaceClass raceClass, const std::optional<QString> &stageId,
    const std::optional<QString> &stageName, QObject *parent)
    : QObject(parent)
    , m_class(std::move(raceClass))
    , m_stageId(stageId)
    , m_stageName(stageName)
{
    if (const auto window = storedWindow()) {
        m_open = windowFieldText(window->openSeconds);
        m_close = windowFieldText(window->closeSeconds);
    }
    m_shownOpen = m_open;
    m_shownClose = m_close;
}

std::optional<StartWindow> StartWindowEditor::storedWindow() const
{
    if (!m_stageId)
        return m_class.startWindow;
    if (!m_class.stageStartWindows)
        return std::nullopt;
    const StartWindow *w = stageEntry(*m_class.stageStartWindows, *m_stageId);
    return w ? std::optional(*w) : std::nullopt;
}

QString StartWindowEditor::title() const
{
    if (m_stageName)
        return localized(QStringLiteral("Start window — %@ (%@)"), m_class.name, *m_stageName);
    return localized(QStringLiteral("Start window — %@"), m_class.name);
}

void StartWindowEditor::setOpenText(const QString &text)
{
    if (text == m_open)
        return;
    m_open = text;
    emit textsChanged();
}

void StartWindowEditor::setCloseText(const QString &text)
{
    if (text == m_close)
        return;
    m_close = text;
    emit textsChanged();
}

void StartWindowEditor::clear()
{
    setOpenText(QString());
    setCloseText(QString());
}

void StartWindowEditor::save()
{
    const auto stored = storedWindow();
    const auto open
        = readWindowField(m_open, m_shownOpen, stored ? std::optional(stored->openSeconds) : std::nullopt);
    const auto close
        = readWindowField(m_close, m_shownClose, stored ? std::optional(stored->closeSeconds) : std::nullopt);
    std::optional<StartWindow> window;
    if (open && close) {
        window = StartWindow {*open, *close};
    } else if (const QString problem = windowFieldsProblem(m_open, m_close, open, close);
               !problem.isEmpty()) {
        m_problem = problem;
        emit problemChanged();
        return;
    }
    if (m_stageId) {
        if (window)
            setStageEntry(m_class.stageStartWindows, *m_stageId, window);
        else if (m_class.stageStartWindows)
            setStageEntry(m_class.stageStartWindows, *m_stageId, std::optional<StartWindow>());
    } else {
        m_class.startWindow = window;
    }
    if (onSave)
        onSave(m_class);
}

void StartWindowEditor::cancel()
{
    if (onCancel)
        onCancel();
}
