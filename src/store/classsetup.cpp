#include "classsetup.h"

#include <QUuid>

#include <algorithm>

QString matchKey(const QString &text)
{
    // Diacritics go by canonical decomposition and dropping the combining marks; case by Unicode
    // case folding (locale-free, so "I" never becomes a dotless i).
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            stripped.append(c);
    }
    return stripped.toCaseFolded().normalized(QString::NormalizationForm_C).trimmed();
}

namespace {

QString newClassId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

void generateClassesFromCourses(Race &race)
{
    for (const Course &course : std::as_const(race.courses)) {
        RaceClass cls;
        if (!course.courseFamily) {
            const bool covered = std::any_of(race.classes.cbegin(), race.classes.cend(),
                [&](const RaceClass &c) { return c.courseId && sameId(*c.courseId, course.id); });
            if (covered)
                continue;
            cls.name = course.name;
            cls.courseId = course.id;
            cls.mode = RaceClassMode::SingleCourse;
        } else {
            const QString &family = *course.courseFamily;
            const bool covered
                = std::any_of(race.classes.cbegin(), race.classes.cend(), [&](const RaceClass &c) {
                      return c.courseFamily
                          && c.courseFamily->normalized(QString::NormalizationForm_C)
                          == family.normalized(QString::NormalizationForm_C);
                  });
            if (covered)
                continue;
            cls.name = family;
            cls.courseFamily = family;
            cls.mode = RaceClassMode::CourseFamily;
        }
        cls.id = newClassId();
        race.classes.append(cls);
    }
}

void autoMatchClassesToCourses(Race &race)
{
    struct Keyed
    {
        QString key;
        const Course *course;
    };
    QList<Keyed> courseKeys;
    for (const Course &course : std::as_const(race.courses))
        courseKeys.append({matchKey(course.name), &course});

    // Family key to the family text as first stored in course order.
    QList<std::pair<QString, QString>> families;
    for (const Course &course : std::as_const(race.courses)) {
        if (!course.courseFamily)
            continue;
        const QString key = matchKey(*course.courseFamily);
        const bool known
            = std::any_of(families.cbegin(), families.cend(), [&](const auto &f) { return f.first == key; });
        if (!known)
            families.append({key, *course.courseFamily});
    }

    for (RaceClass &cls : race.classes) {
        if (cls.courseId || cls.courseFamily)
            continue;
        const QString k = matchKey(cls.name);
        if (k.isEmpty())
            continue;

        QList<const Course *> exact;
        for (const Keyed &c : std::as_const(courseKeys)) {
            if (c.key == k)
                exact.append(c.course);
        }
        if (exact.size() == 1) {
            cls.courseId = exact.first()->id;
            continue;
        }
        auto family
            = std::find_if(families.cbegin(), families.cend(), [&](const auto &f) { return f.first == k; });
        if (family != families.cend()) {
            cls.courseFamily = family->second;
            continue;
        }
        QList<const Course *> contained;
        for (const Keyed &c : std::as_const(courseKeys)) {
            if (!c.key.isEmpty() && (k.contains(c.key) || c.key.contains(k)))
                contained.append(c.course);
        }
        if (contained.size() == 1) {
            cls.courseId = contained.first()->id;
            continue;
        }
        QList<QString> containedFamilies;
        for (const auto &f : std::as_const(families)) {
            if (!f.first.isEmpty() && (k.contains(f.first) || f.first.contains(k)))
                containedFamilies.append(f.second);
        }
        if (containedFamilies.size() == 1)
            cls.courseFamily = containedFamilies.first();
    }
}

bool updateClass(Race &race, const RaceClass &cls)
{
    for (RaceClass &stored : race.classes) {
        if (sameId(stored.id, cls.id)) {
            stored = cls;
            return true;
        }
    }
    return false;
}

void setDefaultStartWindow(
    Race &race, const std::optional<StartWindow> &window, const std::optional<QString> &stageId)
{
    if (stageId && !race.stages.isEmpty()) {
        if (window) {
            if (!race.stageDefaultStartWindows)
                race.stageDefaultStartWindows.emplace();
            auto &map = *race.stageDefaultStartWindows;
            for (auto it = map.begin(); it != map.end();) {
                it = sameId(it.key(), *stageId) ? map.erase(it) : std::next(it);
            }
            map.insert(*stageId, *window);
        } else if (race.stageDefaultStartWindows) {
            auto &map = *race.stageDefaultStartWindows;
            for (auto it = map.begin(); it != map.end();) {
                it = sameId(it.key(), *stageId) ? map.erase(it) : std::next(it);
            }
        }
        return;
    }
    race.defaultStartWindow = window;
}

void deleteClass(Race &race, const QString &classId)
{
    race.classes.removeIf([&](const RaceClass &c) { return sameId(c.id, classId); });
}
