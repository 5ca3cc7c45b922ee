#pragma once

// The operations the crash test drives, one of every kind the screens call, each with the values
// it sets: "key" -> value, read back from any event by stateValue(). The helper prints a
// operation's keys with their values before and after before running it, and its
// acknowledgement once it has returned; after a kill the test reads the restarted event and
// requires every acknowledged value, and for the operation under way all its values old or all
// new: never lost, doubled or half-applied.

#include "iofstartlistwriter.h"
#include "perstage.h"
#include "racegenerator.h"
#include "racestore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace crashops {

inline QString text(const std::optional<QString> &value)
{
    return value.value_or(QStringLiteral("-"));
}

inline QString timeText(const std::optional<QDateTime> &time)
{
    return time ? time->toUTC().toString(Qt::ISODate) : QStringLiteral("-");
}

// Every class a runner names: its own, and those of its stages.
inline QStringList classesOf(const Participant &p)
{
    QStringList classes;
    if (p.classId)
        classes.append(*p.classId);
    if (p.classIdByStage)
        classes.append(p.classIdByStage->values());
    classes.sort();
    return classes;
}

inline const Participant *participant(const Race &race, const QString &id)
{
    const QUuid uuid = QUuid::fromString(id);
    for (const Participant &p : race.participants)
        if (p.id == uuid)
            return &p;
    return nullptr;
}

inline QList<const Participant *> classRunners(const Race &race, const QString &classId)
{
    QList<const Participant *> runners;
    for (const Participant &p : race.participants)
        if (p.classId == classId)
            runners.append(&p);
    return runners;
}

inline std::optional<QDateTime> startOnStage(const Race &race, const Participant &p, const QString &stageId)
{
    Race onStage = race;
    onStage.activeStageId = stageId.isEmpty() ? std::nullopt : std::optional(stageId);
    return scheduledStartTime(onStage, p);
}

// The value of `key` ("kind:id[:stage]") in `race`.
inline QString stateValue(const Race &race, const QString &key)
{
    const QStringList part = key.split(u':');
    const QString &kind = part[0];
    if (kind == QStringLiteral("active"))
        return text(race.activeStageId);
    if (kind == QStringLiteral("name"))
        return race.name;
    if (kind == QStringLiteral("unknown")) {
        if (!race.unknownCards)
            return QStringLiteral("0");
        return QString::number(std::count_if(race.unknownCards->cbegin(), race.unknownCards->cend(),
            [&](const UnknownCard &c) { return c.cardNumber == part[1]; }));
    }
    if (kind == QStringLiteral("stage")) {
        for (const Stage &s : race.stages)
            if (s.id == part[1])
                return s.name;
        return QStringLiteral("absent");
    }
    if (kind == QStringLiteral("className") || kind == QStringLiteral("drawclass")) {
        for (const RaceClass &c : race.classes) {
            if (c.id != part[1])
                continue;
            if (kind == QStringLiteral("className"))
                return c.name;
            return QStringLiteral("%1/%2")
                .arg(c.lastUsedStartTimeSeconds.value_or(-1))
                .arg(c.lastUsedIntervalSeconds.value_or(-1));
        }
        return QStringLiteral("absent");
    }
    if (kind == QStringLiteral("courseName")) {
        for (const Course &c : race.courses)
            if (c.id == part[1])
                return c.name;
        return QStringLiteral("absent");
    }
    if (kind == QStringLiteral("drawtimes")) {
        QStringList times;
        for (const Participant *p : classRunners(race, part[1]))
            times.append(timeText(startOnStage(race, *p, part[2])));
        times.sort();
        return times.join(u',');
    }
    if (kind == QStringLiteral("note")) {
        for (const PersonResult &r : race.results)
            if (r.id == QUuid::fromString(part[1]))
                return text(r.overrideNote) + (r.completedOverride ? QStringLiteral("+") : QString());
        return QStringLiteral("absent");
    }
    if (kind == QStringLiteral("results")) {
        const QUuid id = QUuid::fromString(part[1]);
        return QString::number(
            std::count_if(race.results.cbegin(), race.results.cend(), [&](const PersonResult &r) {
                return r.participantId == id && r.stageId.value_or(QString()) == part[2];
            }));
    }
    const Participant *p = participant(race, part[1]);
    if (kind == QStringLiteral("exists"))
        return p ? QStringLiteral("1") : QStringLiteral("0");
    if (!p)
        return QStringLiteral("absent");
    if (kind == QStringLiteral("family"))
        return p->familyName;
    if (kind == QStringLiteral("pending"))
        return text(p->pendingCardNumber);
    if (kind == QStringLiteral("class"))
        return classesOf(*p).join(u',');
    if (kind == QStringLiteral("start"))
        return timeText(startOnStage(race, *p, part[2]));
    return QStringLiteral("unknown key");
}

// As above, and "file": the name of the event file the store has open.
inline QString stateValue(const RaceStore &store, const QString &key)
{
    if (key == QStringLiteral("file"))
        return QFileInfo(store.raceFileUrl().toLocalFile()).fileName();
    return stateValue(store.race(), key);
}

// References that must hold in every event the test makes: every result's runner and stage, every
// runner's class, the active stage.
inline QStringList brokenReferences(const Race &race)
{
    QSet<QUuid> runners;
    for (const Participant &p : race.participants)
        runners.insert(p.id);
    QSet<QString> classes;
    for (const RaceClass &c : race.classes)
        classes.insert(c.id);
    QSet<QString> stages;
    for (const Stage &s : race.stages)
        stages.insert(s.id);
    QStringList broken;
    for (const PersonResult &r : race.results) {
        if (!runners.contains(r.participantId))
            broken.append(QStringLiteral("result without its runner: ") + r.id.toString());
        if (r.stageId && !stages.contains(*r.stageId))
            broken.append(QStringLiteral("result on a missing stage: ") + *r.stageId);
    }
    for (const Participant &p : race.participants)
        for (const QString &classId : classesOf(p))
            if (!classes.contains(classId))
                broken.append(QStringLiteral("runner without its class: ") + classId);
    if (race.activeStageId && !stages.contains(*race.activeStageId))
        broken.append(QStringLiteral("active stage missing: ") + *race.activeStageId);
    if (race.unknownCards)
        for (const UnknownCard &c : *race.unknownCards)
            if (c.stageId && !stages.contains(*c.stageId))
                broken.append(QStringLiteral("kept card read on a missing stage: ") + *c.stageId);
    return broken;
}

struct Operation
{
    QString kind;
    QStringList keys;
    // Runs the operation; empty when the event offers nothing for this kind now.
    std::function<void()> run;
    // The values the keys get; computed before the run where they are known in advance.
    QStringList values;
};

// The event files in the folder that hold another event than the open one.
inline QStringList otherEventFiles(const RaceStore &store, const QString &folder)
{
    QStringList files;
    for (const QFileInfo &info :
        QDir(folder).entryInfoList({QStringLiteral("*.vexloevent.json")}, QDir::Files, QDir::Name)) {
        const auto race = RaceStore::readEventFile(QUrl::fromLocalFile(info.absoluteFilePath()));
        if (race && race->journalEventId != store.race().journalEventId)
            files.append(info.absoluteFilePath());
    }
    return files;
}

// A read-out for a card nobody holds, the same each time for the same card number.
struct KeptReadOut
{
    QDateTime start;
    QDateTime finish;
};

inline KeptReadOut keptReadOut(const QString &cardNumber)
{
    const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
    return {start, start.addSecs(1800 + cardNumber.toLongLong() % 3000)};
}

// The draws act on the first two classes, generation on the third, single time edits on runners
// of the others: each class's start times then always come from one kind of operation.
inline Operation makeOperation(RaceStore &store, QRandomGenerator &rng, int index, const QString &folder)
{
    const Race &race = store.race();
    const QString tag = QString::number(index);
    const QString stage = race.activeStageId.value_or(QString());
    Operation op;
    auto pick = [&](const QList<const Participant *> &list) -> const Participant * {
        return list.isEmpty() ? nullptr : list[qsizetype(rng.bounded(quint32(list.size())))];
    };
    auto generated = [&](auto predicate) {
        QList<const Participant *> list;
        for (const Participant &p : race.participants)
            if (p.classId && predicate(p))
                list.append(&p);
        return list;
    };
    auto set = [&](const QString &key, const QString &value) {
        op.keys.append(key);
        op.values.append(value);
    };
    static const QStringList kinds {QStringLiteral("card"), QStringLiteral("add"), QStringLiteral("edit"),
        QStringLiteral("delete"), QStringLiteral("import"), QStringLiteral("class"), QStringLiteral("course"),
        QStringLiteral("generate"), QStringLiteral("draw"), QStringLiteral("time"), QStringLiteral("checkin"),
        QStringLiteral("addStage"), QStringLiteral("renameStage"), QStringLiteral("activateStage"),
        QStringLiteral("deleteStage"), QStringLiteral("correct"), QStringLiteral("unknown"),
        QStringLiteral("dismiss"), QStringLiteral("assign"), QStringLiteral("saveAs"), QStringLiteral("open"),
        QStringLiteral("newEvent")};
    // The last three write whole files and take far longer than the others: drawn less often, so
    // that the kills spread over the kinds.
    constexpr qsizetype slowKinds = 3;
    op.kind = kinds[qsizetype(rng.bounded(quint32(kinds.size())))];
    if (kinds.indexOf(op.kind) >= kinds.size() - slowKinds && rng.bounded(8) != 0)
        op.kind = kinds[qsizetype(rng.bounded(quint32(kinds.size() - slowKinds)))];
    const QString &kind = op.kind;
    if (race.classes.size() < 4)
        return op;
    if (kind == QStringLiteral("card")) {
        const Participant *p = pick(generated([&](const Participant &q) {
            return stateValue(
                       race, QStringLiteral("results:%1:%2").arg(q.id.toString(QUuid::WithoutBraces), stage))
                == QStringLiteral("0");
        }));
        if (!p)
            return op;
        set(QStringLiteral("results:%1:%2").arg(p->id.toString(QUuid::WithoutBraces), stage),
            QStringLiteral("1"));
        const QString card = p->cardNumber;
        op.run = [&store, card] {
            const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
            store.recordCardReading(card, {}, std::nullopt, start, start.addSecs(1800));
        };
    } else if (kind == QStringLiteral("add")) {
        Participant walkIn;
        walkIn.givenName = QStringLiteral("Add ") + tag;
        walkIn.familyName = QStringLiteral("Walk-in");
        walkIn.cardNumber = QString::number(8000000 + index);
        set(QStringLiteral("exists:") + walkIn.id.toString(QUuid::WithoutBraces), QStringLiteral("1"));
        op.run = [&store, walkIn] { store.addParticipant(walkIn); };
    } else if (kind == QStringLiteral("edit")) {
        const Participant *p = pick(generated([](const Participant &) { return true; }));
        Participant edited = *p;
        edited.familyName = QStringLiteral("Edited ") + tag;
        set(QStringLiteral("family:") + p->id.toString(QUuid::WithoutBraces), edited.familyName);
        op.run = [&store, edited] { store.updateParticipant(edited); };
    } else if (kind == QStringLiteral("delete")) {
        QList<const Participant *> walkIns;
        for (const Participant &p : race.participants)
            if (p.familyName == QStringLiteral("Walk-in"))
                walkIns.append(&p);
        const Participant *p = pick(walkIns);
        if (!p)
            return op;
        set(QStringLiteral("exists:") + p->id.toString(QUuid::WithoutBraces), QStringLiteral("0"));
        op.run = [&store, id = p->id] { store.deleteParticipant(id); };
    } else if (kind == QStringLiteral("import")) {
        // As the entry list screen runs an import: its classes, then its entries, then one save.
        RaceClass added;
        added.id = QStringLiteral("imported-") + tag;
        added.name = QStringLiteral("Imported ") + tag;
        QList<Participant> entries;
        for (int k = 0; k < 4; ++k) {
            Participant p;
            p.givenName = QStringLiteral("Imported %1-%2").arg(tag).arg(k);
            p.familyName = QStringLiteral("Entry");
            p.cardNumber = QString::number(7000000 + index * 10 + k);
            p.classId = added.id;
            entries.append(p);
            // With a stage active an imported runner gets the class for that stage and, as a
            // new runner, as the base class too.
            set(QStringLiteral("class:") + p.id.toString(QUuid::WithoutBraces),
                stage.isEmpty() ? added.id : added.id + u',' + added.id);
        }
        set(QStringLiteral("className:") + added.id, added.name);
        op.run = [&store, added, entries] {
            (void)store.mergeImportedClasses({added}, std::nullopt);
            store.applyImportedEntries(entries);
            store.autosave();
        };
    } else if (kind == QStringLiteral("class")) {
        RaceClass edited = race.classes[qsizetype(rng.bounded(quint32(race.classes.size())))];
        edited.name = QStringLiteral("Class ") + tag;
        set(QStringLiteral("className:") + edited.id, edited.name);
        op.run = [&store, edited] { store.updateClass(edited); };
    } else if (kind == QStringLiteral("course")) {
        if (race.courses.isEmpty())
            return op;
        Course edited = race.courses[qsizetype(rng.bounded(quint32(race.courses.size())))];
        edited.name = QStringLiteral("Course ") + tag;
        set(QStringLiteral("courseName:") + edited.id, edited.name);
        op.run = [&store, edited] { store.updateCourse(edited); };
    } else if (kind == QStringLiteral("generate")) {
        const QString classId = race.classes[2].id;
        StartGeneratorResult plan;
        const QDateTime first = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC).addSecs(index % 600);
        qint64 k = 0;
        for (const Participant *p : classRunners(race, classId)) {
            const QDateTime time = first.addSecs(60 * k++);
            plan.assignments.insert(p->id, time);
            set(QStringLiteral("start:%1:%2").arg(p->id.toString(QUuid::WithoutBraces), stage),
                timeText(time));
        }
        op.run = [&store, plan] { store.applyStartPlan(plan); };
    } else if (kind == QStringLiteral("draw")) {
        const QString classId = race.classes[rng.bounded(2)].id;
        const QDateTime first = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC).addSecs(index % 900);
        const double interval = 30 + index % 90;
        QStringList times;
        for (qsizetype k = 0; k < classRunners(race, classId).size(); ++k)
            times.append(timeText(first.addSecs(qint64(k * interval))));
        times.sort();
        set(QStringLiteral("drawtimes:%1:%2").arg(classId, stage), times.join(u','));
        set(QStringLiteral("drawclass:") + classId,
            QStringLiteral("%1/%2").arg(secondsOfDay(first)).arg(interval));
        op.run = [&store, classId, first, interval] { store.drawStartTimes(classId, first, interval); };
    } else if (kind == QStringLiteral("time")) {
        const QSet<QString> drawn {race.classes[0].id, race.classes[1].id, race.classes[2].id};
        const Participant *p
            = pick(generated([&](const Participant &q) { return !drawn.contains(*q.classId); }));
        if (!p)
            return op;
        const QDateTime time = QDateTime(QDate(2025, 5, 17), QTime(12, 0), Qt::UTC).addSecs(index % 3600);
        set(QStringLiteral("start:%1:%2").arg(p->id.toString(QUuid::WithoutBraces), stage), timeText(time));
        op.run = [&store, id = p->id, time] { store.setParticipantStartTime(id, time); };
    } else if (kind == QStringLiteral("checkin")) {
        const Participant *p = pick(generated([](const Participant &q) { return !q.externalId; }));
        if (!p)
            return op;
        ChecklistEntry entry;
        entry.id = QStringLiteral("check-") + tag;
        entry.sportident = p->cardNumber;
        entry.hasNewSportident = true;
        entry.newSportident = QStringLiteral("9") + tag;
        set(QStringLiteral("pending:") + p->id.toString(QUuid::WithoutBraces), *entry.newSportident);
        op.run = [&store, entry] { store.applyChecklistCheckins({entry}); };
    } else if (kind == QStringLiteral("addStage")) {
        Stage added;
        added.id = QStringLiteral("stage-") + tag;
        added.name = QStringLiteral("Stage ") + tag;
        added.date = QDateTime(QDate(2025, 5, 18), QTime(9, 0), Qt::UTC);
        added.order = 10 + index;
        set(QStringLiteral("stage:") + added.id, added.name);
        op.run = [&store, added] { store.addStage(added); };
    } else if (kind == QStringLiteral("renameStage") || kind == QStringLiteral("activateStage")
        || kind == QStringLiteral("deleteStage")) {
        QList<Stage> added;
        for (const Stage &s : race.stages) {
            const bool used = std::any_of(race.results.cbegin(), race.results.cend(),
                [&](const PersonResult &r) { return r.stageId == s.id; });
            if (s.id.startsWith(QStringLiteral("stage-"))
                && (kind != QStringLiteral("deleteStage") || (!used && s.id != stage)))
                added.append(s);
        }
        if (added.isEmpty())
            return op;
        Stage target = added[qsizetype(rng.bounded(quint32(added.size())))];
        if (kind == QStringLiteral("renameStage")) {
            target.name = QStringLiteral("Renamed ") + tag;
            set(QStringLiteral("stage:") + target.id, target.name);
            op.run = [&store, target] { store.updateStage(target); };
        } else if (kind == QStringLiteral("activateStage")) {
            // As the stages screen does it: an edited copy of the event, then a save.
            set(QStringLiteral("active"), target.id);
            op.run = [&store, id = target.id] {
                Race edited = store.race();
                edited.activeStageId = id;
                store.setRace(edited);
                store.autosave();
            };
        } else {
            set(QStringLiteral("stage:") + target.id, QStringLiteral("absent"));
            // The read-outs kept on the stage stay, on no stage.
            if (race.unknownCards) {
                QMap<QString, int> left;
                for (const UnknownCard &c : *race.unknownCards)
                    left[c.cardNumber] += 1;
                for (auto it = left.cbegin(); it != left.cend(); ++it)
                    set(QStringLiteral("unknown:") + it.key(), QString::number(it.value()));
            }
            op.run = [&store, target] { store.deleteStage(target); };
        }
    } else if (kind == QStringLiteral("correct")) {
        if (race.results.isEmpty())
            return op;
        const PersonResult &r = race.results[qsizetype(rng.bounded(quint32(race.results.size())))];
        set(QStringLiteral("note:") + r.id.toString(QUuid::WithoutBraces),
            QStringLiteral("Checked ") + tag + u'+');
        op.run = [&store, id = r.id, note = QStringLiteral("Checked ") + tag] {
            store.overrideResultStatus(id, true, note);
        };
    } else if (kind == QStringLiteral("unknown")) {
        // A number no runner holds or gets, other than through the assignment below.
        const QString card = QString::number(3000000000LL + index);
        set(QStringLiteral("unknown:") + card, QStringLiteral("1"));
        op.run = [&store, card] {
            const KeptReadOut read = keptReadOut(card);
            if (store.recordCardReading(card, {}, std::nullopt, read.start, read.finish))
                std::abort();
        };
    } else if (kind == QStringLiteral("dismiss")) {
        if (!race.unknownCards)
            return op;
        const UnknownCard &card
            = (*race.unknownCards)[qsizetype(rng.bounded(quint32(race.unknownCards->size())))];
        set(QStringLiteral("unknown:") + card.cardNumber, QStringLiteral("0"));
        op.run = [&store, id = card.id] { store.dismissUnknownCard(id); };
    } else if (kind == QStringLiteral("assign")) {
        // As the unmatched-card sheet registers a new runner for a kept read: the runner with its
        // card and the same read-out recorded, which settles the kept read, as one operation.
        QList<const UnknownCard *> open;
        if (race.unknownCards)
            for (const UnknownCard &c : *race.unknownCards)
                if (c.stageId == race.activeStageId
                    && std::none_of(race.participants.cbegin(), race.participants.cend(),
                        [&](const Participant &p) { return p.cardNumber == c.cardNumber; }))
                    open.append(&c);
        if (open.isEmpty())
            return op;
        Participant runner;
        runner.givenName = QStringLiteral("Assigned ") + tag;
        runner.familyName = QStringLiteral("Registered");
        runner.cardNumber = open[qsizetype(rng.bounded(quint32(open.size())))]->cardNumber;
        const QString id = runner.id.toString(QUuid::WithoutBraces);
        set(QStringLiteral("exists:") + id, QStringLiteral("1"));
        set(QStringLiteral("results:%1:%2").arg(id, stage), QStringLiteral("1"));
        set(QStringLiteral("unknown:") + runner.cardNumber, QStringLiteral("0"));
        op.run = [&store, runner] {
            const KeptReadOut read = keptReadOut(runner.cardNumber);
            if (!store.registerAndRecord(
                    runner, runner.cardNumber, {}, std::nullopt, read.start, read.finish))
                std::abort();
        };
    } else if (kind == QStringLiteral("saveAs")) {
        const QString name = QStringLiteral("saved-%1.vexloevent.json").arg(index % 3);
        set(QStringLiteral("file"), name);
        const QUrl to = QUrl::fromLocalFile(folder + u'/' + name);
        op.run = [&store, to] {
            if (!store.save(to))
                std::abort();
        };
    } else if (kind == QStringLiteral("open")) {
        // As the event screen opens a file: read, take its race, its file, the recent list.
        const QStringList others = otherEventFiles(store, folder);
        if (others.isEmpty())
            return op;
        const QString path = others[qsizetype(rng.bounded(quint32(others.size())))];
        set(QStringLiteral("file"), QFileInfo(path).fileName());
        op.run = [&store, url = QUrl::fromLocalFile(path)] {
            const std::optional<Race> opened = RaceStore::readEventFile(url);
            if (!opened)
                std::abort();
            if (!store.openEvent(*opened, url))
                std::abort();
        };
    } else if (kind == QStringLiteral("newEvent")) {
        // As a new event is begun: the empty event, its set-up, then its first save to a file.
        const QString name = QStringLiteral("new-%1.vexloevent.json").arg(index % 2);
        set(QStringLiteral("file"), name);
        set(QStringLiteral("name"), QStringLiteral("New ") + tag);
        op.run = [&store, to = QUrl::fromLocalFile(folder + u'/' + name), tag, index] {
            store.newRace();
            RaceGeneratorOptions generator;
            generator.entries = 100;
            generator.stages = 2;
            generator.courses = 4;
            generator.classes = 4;
            generator.withResults = false;
            generator.seed = quint32(index);
            Race setUp = generateRace(generator);
            setUp.name = QStringLiteral("New ") + tag;
            setUp.journalEventId = store.race().journalEventId;
            store.setRace(setUp);
            if (!store.save(to))
                std::abort();
        };
    }
    return op;
}

} // namespace crashops
