#include "racegenerator.h"

#include <QRandomGenerator>

#include <map>
#include <memory>
#include <utility>

Race generateRace(const RaceGeneratorOptions &options)
{
    QRandomGenerator rng(options.seed);
    Race race;
    race.name = QStringLiteral("Generated Championship");
    const QDateTime firstDay(QDate(2025, 5, 17), QTime(0, 0), Qt::UTC);
    race.date = firstDay;
    race.multiStageEnabled = options.stages > 1;

    for (int s = 0; s < options.stages; ++s) {
        Stage stage;
        stage.id = QStringLiteral("stage-%1").arg(s + 1);
        stage.name = QStringLiteral("Day %1").arg(s + 1);
        stage.date = firstDay.addDays(s);
        stage.order = s + 1;
        race.stages.append(stage);
    }
    if (!race.stages.isEmpty())
        race.activeStageId = race.stages.first().id;

    for (int c = 0; c < options.courses; ++c) {
        Course course;
        course.id = QStringLiteral("course-%1").arg(c + 1);
        course.name = QStringLiteral("Course %1").arg(c + 1);
        if (!race.stages.isEmpty())
            course.stageId = race.stages[c % race.stages.size()].id;
        course.type = CourseType::Sequential;
        course.lengthMeters = 2000 + 100 * c;
        for (int k = 0; k < options.splitsPerResult; ++k) {
            CourseControl control;
            control.code = 31 + (k * 7 + c) % 200;
            control.order = k + 1;
            course.controls.append(control);
        }
        race.courses.append(course);
    }

    static const char *const prefixes[] = {"H", "D", "M", "W"};
    for (int c = 0; c < options.classes; ++c) {
        RaceClass rc;
        rc.id = QStringLiteral("class-%1").arg(c + 1);
        rc.name = QStringLiteral("%1%2").arg(QLatin1String(prefixes[c % 4])).arg(10 + 5 * (c / 4));
        rc.mode = RaceClassMode::SingleCourse;
        if (!race.courses.isEmpty()) {
            rc.courseId = race.courses[c % race.courses.size()].id;
            StageMap<QString> perStage;
            for (int s = 0; s < race.stages.size(); ++s)
                perStage.insert(race.stages[s].id, race.courses[(c + s) % race.courses.size()].id);
            if (!perStage.isEmpty())
                rc.stageCourseIds = perStage;
        }
        rc.startMethod = StartMethod::ScheduledTime;
        race.classes.append(rc);
    }

    static const char *const given[]
        = {"Anna", "Bo", "Clara", "Dan", "Eva", "Frederik", "Grete", "Hans", "Ida", "Jens"};
    static const char *const family[]
        = {"Hansen", "Jensen", "Nielsen", "Pedersen", "Andersen", "Søgaard", "Østergaard"};
    static const char *const clubs[]
        = {"OK Pan Århus", "Silkeborg OK", "FIF Hillerød", "OK Øst Birkerød", "Horsens OK"};
    for (int i = 0; i < options.entries; ++i) {
        Participant p;
        p.givenName = QString::fromUtf8(given[rng.bounded(int(std::size(given)))]);
        p.familyName = QString::fromUtf8(family[rng.bounded(int(std::size(family)))]);
        p.cardNumber = QString::number(500000 + i);
        p.club = QString::fromUtf8(clubs[rng.bounded(int(std::size(clubs)))]);
        if (!race.classes.isEmpty())
            p.classId = race.classes[i % race.classes.size()].id;
        p.startTime = firstDay.addSecs(10 * 3600 + (i % 600) * 60);
        StageMap<QDateTime> starts;
        for (int s = 0; s < race.stages.size(); ++s)
            starts.insert(race.stages[s].id, race.stages[s].date.addSecs(10 * 3600 + (i % 600) * 60));
        if (!starts.isEmpty())
            p.startTimeByStage = starts;
        race.participants.append(p);
    }

    if (!options.withResults)
        return race;
    const int stageCount = std::max<int>(1, race.stages.size());
    race.results.reserve(options.entries * stageCount);
    for (int s = 0; s < stageCount; ++s) {
        for (int i = 0; i < options.entries; ++i) {
            const Participant &p = race.participants[i];
            PersonResult r;
            r.participantId = p.id;
            r.cardNumber = p.cardNumber;
            if (!race.stages.isEmpty())
                r.stageId = race.stages[s].id;
            const QDateTime start = race.stages.isEmpty()
                ? *p.startTime
                : race.stages[s].date.addSecs(10 * 3600 + (i % 600) * 60);
            r.startTime = start;
            r.cardStartTime = start;
            double elapsed = 0;
            const Course *course
                = race.courses.isEmpty() ? nullptr : &race.courses[(i + s) % race.courses.size()];
            if (course)
                r.courseId = course->id;
            QList<SIPunch> punches;
            for (int k = 0; k < options.splitsPerResult; ++k) {
                const double leg = 60 + rng.bounded(400);
                elapsed += leg;
                SplitTime split;
                split.controlCode = course ? course->controls[k % course->controls.size()].code : 31 + k;
                split.time = start.addSecs(qint64(elapsed));
                split.status = SplitStatus::Ok;
                split.elapsedFromStart = elapsed;
                split.legTime = leg;
                r.splits.append(split);
                SIPunch punch;
                punch.controlCode = split.controlCode;
                punch.time = split.time;
                punches.append(punch);
            }
            elapsed += 30 + rng.bounded(60);
            r.finishTime = start.addSecs(qint64(elapsed));
            r.raceTime = elapsed;
            r.readAt = r.finishTime->addSecs(120);
            r.completed = true;
            r.punches = punches;
            race.results.append(r);
        }
    }
    return race;
}

const Race &generatedRaceOfSize(int entries, bool withResults)
{
    static std::map<std::pair<int, bool>, std::unique_ptr<const Race>> races;
    auto &slot = races[{entries, withResults}];
    if (!slot) {
        RaceGeneratorOptions options;
        options.entries = entries;
        options.withResults = withResults;
        slot = std::make_unique<const Race>(generateRace(options));
    }
    return *slot;
}
