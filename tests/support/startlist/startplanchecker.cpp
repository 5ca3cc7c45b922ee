#include "startplanchecker.h"

#include "perstage.h"
#include "racegenerator.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <bit>

namespace {

template<typename T>
std::optional<T> forStage(const std::optional<StageMap<T>> &map, const std::optional<QString> &stage)
{
    if (stage && map) {
        if (const T *v = stageEntry(*map, *stage))
            return *v;
    }
    return std::nullopt;
}

struct Rules
{
    const StartPlanInput &in;

    const RaceClass *classById(const QString &id) const
    {
        for (const RaceClass &c : in.classes) {
            if (sameId(c.id, id))
                return &c;
        }
        return nullptr;
    }
    QString classOf(const Participant &p) const
    {
        return forStage(p.classIdByStage, in.settings.stageId).value_or(p.classId.value_or(QString()));
    }
    bool startPunch(const Participant &p) const
    {
        const RaceClass *c = classById(classOf(p));
        if (!c)
            return false;
        return forStage(c->stageStartMethods, in.settings.stageId)
                   .value_or(c->startMethod.value_or(StartMethod::ScheduledTime))
            == StartMethod::StartPunch;
    }
    std::optional<QString> classCourse(const RaceClass &c) const
    {
        if (auto perStage = forStage(c.stageCourseIds, in.settings.stageId))
            return perStage;
        return c.courseId;
    }
    bool onStage(const Course &c) const
    {
        return !in.settings.stageId || !c.stageId || sameId(*c.stageId, *in.settings.stageId);
    }
    // Every course the runner may be sent out on; a runner with none is alone with its class.
    QSet<QString> courseTokens(const Participant &p) const
    {
        QSet<QString> tokens;
        auto add = [&](const std::optional<QString> &id) {
            if (id && !id->isEmpty())
                tokens.insert(QStringLiteral("course ") + id->normalized(QString::NormalizationForm_C));
        };
        add(forStage(p.courseIdByStage, in.settings.stageId).value_or(p.courseId.value_or(QString())));
        if (const RaceClass *c = classById(classOf(p))) {
            const std::optional<QString> own = classCourse(*c);
            add(own);
            for (const QString &id : c->courseIds.value_or(QList<QString>()))
                add(id);
            // A family reaches its runners only through a class run as a family (the mode says so,
            // or no mode and a family) that has no course of its own; any other class runs its own
            // course whatever family it carries.
            const bool runsFamily
                = c->mode ? *c->mode == RaceClassMode::CourseFamily : c->courseFamily.has_value();
            if (runsFamily && !(own && !own->isEmpty()) && c->courseFamily && !c->courseFamily->isEmpty()) {
                tokens.insert(QStringLiteral("family ") + *c->courseFamily);
                for (const Course &course : in.courses) {
                    if (course.courseFamily == c->courseFamily && onStage(course))
                        add(course.id);
                }
            }
        }
        if (tokens.isEmpty())
            tokens.insert(QStringLiteral("class ") + classOf(p));
        return tokens;
    }
    // The class's course (its own, else the first of its list, else the first of its family);
    // a score course or one without controls has no first control.
    std::optional<qint64> firstControl(const QString &classId) const
    {
        const RaceClass *c = classById(classId);
        for (const Course &k : in.courses) {
            const bool ofClass = c
                && (c->mode == RaceClassMode::MultiCourse
                        ? c->courseIds && sameId(c->courseIds->value(0), k.id)
                        : c->mode == RaceClassMode::CourseFamily || (!c->mode && c->courseFamily)
                        ? c->courseFamily && k.courseFamily == c->courseFamily
                        : classCourse(*c) && sameId(*classCourse(*c), k.id));
            if (!ofClass)
                continue;
            if (k.type == CourseType::Rogaining || k.controls.isEmpty())
                return std::nullopt;
            return std::min_element(k.controls.begin(), k.controls.end(), [](auto &x, auto &y) {
                return x.order < y.order;
            })->code;
        }
        return std::nullopt;
    }
};

} // namespace

QString StartPlanReport::figures() const
{
    return QStringLiteral("placed %1/%2, first-control close %3, club neighbours %4/%5")
        .arg(placed)
        .arg(eligible)
        .arg(firstControlClose)
        .arg(clubNeighbours)
        .arg(neighbourPairs);
}

StartPlanReport checkStartPlan(
    const StartPlanInput &in, const StartGeneratorResult &plan, const StartGeneratorResult *rerun)
{
    StartPlanReport report;
    const Rules rules {in};
    const int window = std::max(1, std::clamp(in.settings.windowMinutes, 0, 1440));
    const int slotCount = window + 1;
    const int capacity = std::max(1, in.settings.slotCapacity);
    const int gap = std::clamp(in.settings.minSpacingMinutes, 1, window);

    // The runners the plan can address: the first participant of each id.
    QMap<QUuid, const Participant *> runners;
    QList<const Participant *> order;
    for (const Participant &p : in.participants) {
        if (!runners.contains(p.id)) {
            runners.insert(p.id, &p);
            order.append(&p);
        }
    }

    QHash<QUuid, int> minuteOf;
    QList<int> perMinute(slotCount, 0);
    for (auto it = plan.assignments.constBegin(); it != plan.assignments.constEnd(); ++it) {
        const Participant *p = runners.value(it.key());
        if (!p) {
            report.violations << QStringLiteral("time for an unknown runner");
            continue;
        }
        const qint64 ms = in.firstStart.msecsTo(it.value());
        if (ms % 60000 != 0 || ms < 0 || ms / 60000 >= slotCount) {
            report.violations << QStringLiteral("time outside the window's minutes: %1").arg(p->cardNumber);
            continue;
        }
        if (rules.startPunch(*p))
            report.violations << QStringLiteral("start-punch runner placed: %1").arg(p->cardNumber);
        minuteOf.insert(p->id, int(ms / 60000));
        ++perMinute[int(ms / 60000)];
    }
    for (int s = 0; s < slotCount; ++s) {
        if (perMinute[s] > capacity)
            report.violations << QStringLiteral("minute %1 holds %2 runners, capacity %3")
                                     .arg(s)
                                     .arg(perMinute[s])
                                     .arg(capacity);
    }

    // Two runners who may be on one course: never closer than the gap.
    QHash<QString, QList<int>> courseMinutes;
    QHash<QString, QList<const Participant *>> classRunners;
    for (const Participant *p : order) {
        if (rules.startPunch(*p))
            continue;
        ++report.eligible;
        classRunners[rules.classOf(*p)].append(p);
        if (!minuteOf.contains(p->id)) {
            const QString card = QStringLiteral("card ") + p->cardNumber;
            const QString name = (p->givenName + u' ' + p->familyName).trimmed();
            const bool named = std::any_of(plan.warnings.begin(), plan.warnings.end(),
                [&](const QString &w) { return w.contains(card) && w.contains(name); });
            if (!named || !plan.unplaced.contains(p->id))
                report.violations
                    << QStringLiteral("runner left out without a warning: %1").arg(p->cardNumber);
            continue;
        }
        ++report.placed;
        for (const QString &token : rules.courseTokens(*p))
            courseMinutes[token].append(minuteOf[p->id]);
    }
    for (auto it = courseMinutes.begin(); it != courseMinutes.end(); ++it)
        std::sort(it->begin(), it->end());
    // A runner left out while a minute had room and kept the gap to every runner who may share a
    // course with them was kept out by a rule the start-list rules do not have: start groups drawn
    // wider than the courses their runners run.
    for (const Participant *p : order) {
        if (rules.startPunch(*p) || minuteOf.contains(p->id))
            continue;
        const QSet<QString> tokens = rules.courseTokens(*p);
        for (int s = 0; s < slotCount; ++s) {
            const bool free
                = perMinute[s] < capacity && std::all_of(tokens.begin(), tokens.end(), [&](const QString &t) {
                      const QList<int> &taken = courseMinutes[t];
                      return std::none_of(
                          taken.begin(), taken.end(), [&](int m) { return std::abs(m - s) < gap; });
                  });
            if (free) {
                report.violations << QStringLiteral("runner left out though minute %1 was free for them: %2")
                                         .arg(s)
                                         .arg(p->cardNumber);
                break;
            }
        }
    }
    for (auto it = courseMinutes.begin(); it != courseMinutes.end(); ++it) {
        for (qsizetype i = 1; i < it->size(); ++i) {
            if ((*it)[i] - (*it)[i - 1] < gap) {
                report.violations << QStringLiteral("%1: minutes %2 and %3 closer than %4")
                                         .arg(it.key())
                                         .arg((*it)[i - 1])
                                         .arg((*it)[i])
                                         .arg(gap);
                break;
            }
        }
    }

    // Preferences: in start order, early runners, then the others, then late runners; a preference
    // runner is only left out when every slot of the class went to runners of that preference or earlier.
    for (auto it = classRunners.constBegin(); it != classRunners.constEnd(); ++it) {
        auto rank = [](const Participant *p) {
            return p->startTimePreference ? (*p->startTimePreference == StartTimePreference::Early ? 0 : 2)
                                          : 1;
        };
        QList<std::pair<int, int>> started; // minute, rank
        bool earlyOut = false, lateOut = false;
        for (const Participant *p : *it) {
            if (minuteOf.contains(p->id))
                started.append({minuteOf[p->id], rank(p)});
            else if (rank(p) != 1)
                (rank(p) == 0 ? earlyOut : lateOut) = true;
        }
        std::sort(started.begin(), started.end());
        bool ok = std::is_sorted(
            started.begin(), started.end(), [](auto &a, auto &b) { return a.second < b.second; });
        for (const auto &s : started)
            ok = ok && !(earlyOut && s.second != 0) && !(lateOut && s.second == 1);
        if (!ok)
            report.violations << QStringLiteral("class %1: preferences not honoured").arg(it.key());
    }

    if (rerun && (rerun->assignments != plan.assignments || rerun->warnings != plan.warnings))
        report.violations << QStringLiteral("same input and seed gave another plan");

    // Soft: first controls. Per control, the classes starting in each minute.
    QHash<QString, std::optional<qint64>> controlOfClass;
    for (auto it = classRunners.constBegin(); it != classRunners.constEnd(); ++it)
        controlOfClass.insert(it.key(), rules.firstControl(it.key()));
    QHash<qint64, QHash<int, QSet<QString>>> classesAt;
    for (const Participant *p : order) {
        if (const auto control = controlOfClass.value(rules.classOf(*p)); control && minuteOf.contains(p->id))
            classesAt[*control][minuteOf[p->id]].insert(rules.classOf(*p));
    }
    for (const Participant *p : order) {
        const QString c = rules.classOf(*p);
        const auto control = controlOfClass.value(c);
        bool close = false;
        for (int m = minuteOf.value(p->id) - gap + 1;
             control && minuteOf.contains(p->id) && m < minuteOf[p->id] + gap; ++m) {
            const QSet<QString> there = classesAt[*control].value(m);
            close = close || there.size() > 1 || (there.size() == 1 && !there.contains(c));
        }
        report.firstControlClose += close ? 1 : 0;
    }

    // Soft: clubmates next to each other in their class's start order.
    for (auto it = classRunners.constBegin(); it != classRunners.constEnd(); ++it) {
        QList<std::pair<int, QString>> started;
        for (const Participant *p : *it) {
            if (minuteOf.contains(p->id))
                started.append({minuteOf[p->id], p->club.value_or(QString())});
        }
        std::sort(started.begin(), started.end());
        for (qsizetype i = 1; i < started.size(); ++i) {
            ++report.neighbourPairs;
            if (!started[i].second.isEmpty() && started[i].second == started[i - 1].second)
                ++report.clubNeighbours;
        }
    }
    return report;
}

Race startListEvent(const StartListShape &shape)
{
    RaceGeneratorOptions options;
    options.seed = shape.seed;
    options.classes = shape.classes;
    options.entries = shape.runners;
    options.courses = shape.courses;
    options.stages = 1;
    options.withResults = false;
    Race race = generateRace(options);
    for (int c = 0; shape.rogainingEvery > 0 && c < race.courses.size(); c += shape.rogainingEvery)
        race.courses[c].type = CourseType::Rogaining;
    // Few start controls, so that classes on different courses share a first control.
    for (int c = 0; c < race.courses.size(); ++c) {
        if (!race.courses[c].controls.isEmpty())
            race.courses[c].controls.first().code = 100 + c % 4;
    }
    for (int c = 0; c < race.classes.size(); ++c) {
        RaceClass &cls = race.classes[c];
        if (shape.startPunchEvery > 0 && c % shape.startPunchEvery == shape.startPunchEvery - 1)
            cls.startMethod = StartMethod::StartPunch;
        if (shape.familyEvery > 0 && c % shape.familyEvery == 0 && !race.courses.isEmpty()) {
            // A family of two courses: this class's course and the next one.
            const QString family = QStringLiteral("family-%1").arg(c);
            const qsizetype first = c % race.courses.size();
            race.courses[first].courseFamily = family;
            race.courses[(first + 1) % race.courses.size()].courseFamily = family;
            cls.mode = RaceClassMode::CourseFamily;
            cls.courseFamily = family;
            cls.courseId.reset();
            cls.stageCourseIds.reset();
        }
    }
    // Club sizes fall off steeply: half the runners in club 1, a quarter in club 2, ... and a tail of
    // small clubs.
    for (int i = 0; i < race.participants.size(); ++i) {
        Participant &p = race.participants[i];
        const int k = std::min(
            shape.clubs, 1 + std::countr_zero(unsigned(i + 1)) + (i * 7919) % std::max(shape.clubs, 1) / 2);
        p.club = shape.clubs > 0 ? std::optional(QStringLiteral("Club %1").arg(k)) : std::nullopt;
        if (shape.preferenceEvery > 0 && i % shape.preferenceEvery == 0)
            p.startTimePreference = StartTimePreference::Early;
        else if (shape.preferenceEvery > 0 && i % shape.preferenceEvery == 1)
            p.startTimePreference = StartTimePreference::Late;
    }
    return race;
}

StartPlanInput startPlanInput(const Race &race, const QDateTime &firstStart, StartGeneratorSettings settings)
{
    settings.stageId = race.activeStageId;
    StartPlanInput in {race.participants, race.classes, race.courses, firstStart, settings};
    for (Participant &p : in.participants)
        p.startTimePreference = effectiveStartTimePreference(race, p);
    return in;
}
