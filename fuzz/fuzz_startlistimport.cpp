// A start-list import as the start-list screen runs it: the file read for the active stage's
// race, its runners matched on an event that holds them, the question of another day answered
// either way, and the times applied through the store in one operation. The file is refused and
// the event left as it was, or the event the store keeps saves and reads back the same, with every
// imported time in place.
//
// Input: the start list's bytes, then one byte that picks the event's shape: the active stage's
// day (none, the file's own day, the first or last day the event file can hold, a day later than
// the file's), the answer to the day question, and whether runners already have a start.

#include "fuzzstore.h"
#include "iofstartlistparser.h"
#include "perstage.h"
#include "startlistdata.h"

namespace {

enum class StageDay { None, FileDay, FirstDay, LastDay, NextDay };

Race eventShape(StageDay stageDay, const std::optional<QDateTime> &fileDay)
{
    Race race;
    race.name = QStringLiteral("Imported starts");
    RaceClass raceClass;
    raceClass.id = QStringLiteral("D21");
    raceClass.name = QStringLiteral("D21");
    race.classes.append(raceClass);
    if (stageDay == StageDay::None)
        return race;
    Stage stage;
    stage.id = QStringLiteral("E1");
    stage.name = QStringLiteral("Day 1");
    const QDateTime file = fileDay.value_or(FuzzStore::now());
    switch (stageDay) {
    case StageDay::FileDay:
        // A stage's date is always one the event file can hold; the file's day may not be.
        stage.date = isDocumentDate(file) ? file : FuzzStore::now();
        break;
    case StageDay::FirstDay:
        stage.date = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
        break;
    case StageDay::LastDay:
        stage.date = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
        break;
    default:
        stage.date = isDocumentDate(file.addDays(1)) ? file.addDays(1) : file.addDays(-1);
        break;
    }
    race.stages.append(stage);
    race.activeStageId = stage.id;
    return race;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    FuzzStore &fuzz = FuzzStore::instance();
    RaceStore &store = fuzz.store();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size - 1));
    const quint8 shape = data[size - 1];
    const auto stageDay = StageDay((shape & 7) % 5);
    const bool confirmOtherDay = shape & 8;
    const bool withOldStarts = shape & 16;

    // The race number depends on the stages alone, not on the runners added below.
    Race race = eventShape(stageDay, std::nullopt);
    QList<IOFStartListParser::Entry> entries;
    try {
        entries = IOFStartListParser::parse(bytes, startListRaceNumber(race));
    } catch (const IOFStartListParser::ParseError &) {
        return 0;
    } catch (const ImportError &) {
        return 0;
    }

    QList<QDateTime> dates;
    for (const auto &e : entries)
        dates.append(e.startTime);
    const std::optional<QDateTime> modalDay = startListModalDay(dates);
    race = eventShape(stageDay, modalDay);
    // A runner for every start (by card, else by name), so the file's times land on the event.
    for (qsizetype i = 0; i < entries.size() && i < 200; ++i) {
        Participant runner;
        runner.classId = race.classes.first().id;
        runner.cardNumber = entries[i].cardNumber.value_or(QString());
        runner.familyName = entries[i].familyName.value_or(QString());
        runner.givenName = entries[i].givenName.value_or(QString());
        if (withOldStarts)
            runner.startTime = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC).addSecs(60 * i);
        race.participants.append(runner);
    }
    store.setRace(race);
    store.autosave();
    const QByteArray before = encodeRace(store.race(), JsonLayout::Compact).value_or(QByteArray());
    if (before.isEmpty())
        fuzzFailure("the event before the import does not encode");

    std::optional<QDateTime> targetDay = modalDay;
    const StartListDayCheck day = checkStartListDay(store.race(), modalDay);
    if (day.differs()) {
        if (!confirmOtherDay)
            return 0;
        targetDay = day.stageDay.startOfDay();
    }
    const Race snapshot = store.race();
    const StartListMatcher matcher(snapshot);
    ImportedStartLookups lookups;
    QHash<QUuid, QDateTime> times;
    for (const auto &e : entries) {
        const ImportedStart start = resolveImportedStart(snapshot, matcher, e, targetDay, lookups);
        if (start.kind == ImportedStart::Kind::Write)
            times.insert(start.runner, start.time);
    }
    const bool refused = !times.isEmpty() && !store.applyStartTimes(times);
    if (encodeRace(store.race(), JsonLayout::Compact) == before)
        return 0;
    if (refused)
        fuzzFailure("a refused import changed the event", bytes);
    fuzz.checkSavesAndReadsBack(bytes);
    // Applied whole: every runner the import wrote has exactly the imported time.
    for (const Participant &p : store.race().participants) {
        const auto it = times.constFind(p.id);
        if (it != times.constEnd() && scheduledStartTime(store.race(), p) != *it)
            fuzzFailure("an imported time is not the one stored", bytes);
    }
    return 0;
}
