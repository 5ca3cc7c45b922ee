// A start time typed into the edit sheet or the list, stored through the store's own operation on
// an event whose day the fuzzer picks (the first and last days the event file can hold included):
// the time is refused and the event left as it was, or it is stored on the event, which then saves
// and reads back the same.
//
// Input: a flags byte, four bytes of offset from the chosen edge, then the typed text (or, for the
// hour/minute/second fields, three 16-bit numbers).

#include "fuzzstore.h"
#include "perstage.h"
#include "starttimetext.h"

#include <QtEndian>

namespace {

// Where the runner's day comes from, as startTimeEditDay looks for it.
enum class DaySource { Event, ActiveStage, RunnerStart, Today };

QDateTime chosenDay(quint8 flags, quint32 offset)
{
    const qint64 seconds = offset % (4 * 24 * 3600);
    switch ((flags >> 3) & 3) {
    case 0:
        return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC).addSecs(seconds);
    case 1:
        return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC).addSecs(-seconds);
    default:
        return QDateTime(QDate(2025, 3, 28), QTime(0, 0), Qt::UTC).addSecs(seconds);
    }
}

Race eventOn(DaySource source, const QDateTime &day)
{
    Race race;
    race.name = QStringLiteral("Typed times");
    RaceClass raceClass;
    raceClass.id = QStringLiteral("H21");
    raceClass.name = QStringLiteral("H21");
    race.classes.append(raceClass);
    Participant runner;
    runner.givenName = QStringLiteral("Anna");
    runner.familyName = QStringLiteral("Berg");
    runner.cardNumber = QStringLiteral("123456");
    runner.classId = raceClass.id;
    switch (source) {
    case DaySource::Event:
        race.date = day;
        break;
    case DaySource::ActiveStage: {
        Stage stage;
        stage.id = QStringLiteral("E1");
        stage.name = QStringLiteral("Day 1");
        stage.date = day;
        race.stages.append(stage);
        race.activeStageId = stage.id;
        break;
    }
    case DaySource::RunnerStart:
        runner.startTime = day;
        break;
    case DaySource::Today:
        break;
    }
    race.participants.append(runner);
    return race;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    FuzzStore &fuzz = FuzzStore::instance();
    RaceStore &store = fuzz.store();
    const quint8 flags = data[0];
    const Race event = eventOn(DaySource(flags & 3), chosenDay(flags, qFromLittleEndian<quint32>(data + 1)));
    const QByteArray rest(reinterpret_cast<const char *>(data + 5), qsizetype(size - 5));

    // Each input is another event taking the store's place, saved before the edit so the autosave
    // on disk is this event's either way.
    store.setRace(event);
    store.autosave();
    const QByteArray before = encodeRace(store.race(), JsonLayout::Compact).value_or(QByteArray());
    if (before.isEmpty())
        fuzzFailure("the event before the edit does not encode");
    const Participant runner = store.race().participants.first();

    QString typed;
    bool stored = false;
    if (flags & 4) {
        if (rest.size() < 6)
            return 0;
        const qint16 hour = qFromLittleEndian<qint16>(rest.constData());
        const qint16 minute = qFromLittleEndian<qint16>(rest.constData() + 2);
        const qint16 second = qFromLittleEndian<qint16>(rest.constData() + 4);
        typed = QString::asprintf("%02d:%02d:%02d", hour, minute, second);
        stored = store.saveEditedStartTime(runner, hour, minute, second);
    } else {
        typed = QString::fromUtf8(rest);
        stored = store.saveTypedStartTime(runner, typed);
    }

    if (!stored) {
        if (encodeRace(store.race(), JsonLayout::Compact) != before)
            fuzzFailure("a refused time changed the event", rest);
        return 0;
    }
    fuzz.checkSavesAndReadsBack(rest);
    // What is stored is the time that was typed, as the local clock shows it.
    const auto start = scheduledStartTime(store.race(), store.race().participants.first());
    const auto expected = parseStartTimeText(typed);
    if (!start || !expected || start->toLocalTime().toString(QStringLiteral("HH:mm:ss")) != *expected)
        fuzzFailure("the stored start is not the typed time", typed.toUtf8());
    return 0;
}
