// The change journal's replay onto an event: no crash on any bytes, and whatever replay makes of
// the event is one the event file can hold: it is written and read back to the same bytes.

#include "fuzzreadback.h"
#include "racejournal.h"
#include "racejson.h"

namespace {
// A small event named as the journal's records may name it, holding the records through 2.
const Race &snapshot()
{
    static const Race race = [] {
        Race r;
        r.name = QStringLiteral("Journal");
        r.journalEventId = QUuid::fromString(QStringLiteral("00000000-0000-4000-8000-0000000000e1"));
        r.journalThrough = 2;
        RaceClass h21;
        h21.id = h21.name = QStringLiteral("H21");
        r.classes.append(h21);
        Participant anna;
        anna.id = QUuid::fromString(QStringLiteral("00000000-0000-4000-8000-00000000000a"));
        anna.givenName = QStringLiteral("Anna");
        anna.cardNumber = QStringLiteral("123456");
        anna.classId = h21.id;
        r.participants.append(anna);
        return r;
    }();
    return race;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray journal(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const bool named : {true, false}) {
        Race race = snapshot();
        if (!named)
            race.journalEventId.reset();
        (void)RaceJournal::replay(race, journal);
        checkReadsBack(race, "a replayed event");
    }
    return 0;
}
