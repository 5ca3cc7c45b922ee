<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ entry(ies) had an inconsistent date in the source file (likely a past-midnight rollover in the export) — normalized to match the rest of the field&apos;s date.</source>
        <translation>%@ post(er) havde en afvigende dato i kildefilen (sandsynligvis en overgang efter midnat i eksporten) — rettet til resten af feltets dato.</translation>
    </message>
    <message>
        <source>%@ entry(ies) had no matching participant.</source>
        <translation>%@ post(er) havde ingen matchende deltager.</translation>
    </message>
    <message>
        <source>%@ entry(ies) skipped (class uses start punch).</source>
        <translation>%@ post(er) sprunget over (klassen bruger startstempling).</translation>
    </message>
    <message>
        <source>%@ matched start time(s) fall outside the dates an event file can hold (years 1 to 9999), so none was imported.</source>
        <translation>%@ matchede starttid(er) ligger uden for de datoer, en løbsfil kan rumme (år 1 til 9999), så ingen blev importeret.</translation>
    </message>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ deltager(e)</translation>
    </message>
    <message>
        <source>%@ runner(s) still show a time: the event&apos;s base start time, which every stage without its own time uses. Edit the runners to remove it.</source>
        <translation>%@ løber(e) viser stadig en tid: løbets grundstarttid, som alle etaper uden egen tid bruger. Redigér løberne for at fjerne den.</translation>
    </message>
    <message>
        <source>%@ start time(s) cleared.</source>
        <translation>%@ starttid(er) ryddet.</translation>
    </message>
    <message>
        <source>%@ start time(s) imported.</source>
        <translation>%@ starttid(er) importeret.</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>Alle klasser</translation>
    </message>
    <message>
        <source>Card %@ · %@</source>
        <translation>Brik %@ · %@</translation>
    </message>
    <message>
        <source>Clear all start times</source>
        <translation>Ryd alle starttider</translation>
    </message>
    <message>
        <source>Clear class start times</source>
        <translation>Ryd klassens starttider</translation>
    </message>
    <message>
        <source>Estimated last start: %@</source>
        <translation>Forventet sidste start: %@</translation>
    </message>
    <message>
        <source>Export as A4 portrait PDF, chronological</source>
        <translation>Eksportér som A4-PDF på højkant, kronologisk</translation>
    </message>
    <message>
        <source>Export grid layout as A4 landscape PDF</source>
        <translation>Eksportér gitteret som A4-PDF på tværs</translation>
    </message>
    <message>
        <source>Import failed: </source>
        <translation>Import mislykkedes: </translation>
    </message>
    <message>
        <source>Interval: %@s</source>
        <translation>Interval: %@ s</translation>
    </message>
    <message>
        <source>Mass start (interval 0s)</source>
        <translation>Massestart (interval 0 s)</translation>
    </message>
    <message>
        <source>No start time was written; the event is unchanged.</source>
        <translation>Ingen starttid blev skrevet; løbet er uændret.</translation>
    </message>
    <message>
        <source>Not a local file: %@</source>
        <translation>Ikke en lokal fil: %@</translation>
    </message>
    <message>
        <source>Set time</source>
        <translation>Sæt tid</translation>
    </message>
    <message>
        <source>Start List — Start Punch Classes</source>
        <translation>Startliste — klasser med startstempling</translation>
    </message>
    <message>
        <source>The file is too large to be a start list.</source>
        <translation>Filen er for stor til at være en startliste.</translation>
    </message>
    <message>
        <source>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</source>
        <translation>Første start &quot;%@&quot; er ikke et klokkeslæt. Skriv det som 9:30, 9.30 eller 09:30.</translation>
    </message>
    <message>
        <source>The interval must be between 0 and 600 seconds.</source>
        <translation>Intervallet skal være mellem 0 og 600 sekunder.</translation>
    </message>
    <message>
        <source>This clears the scheduled start time for every participant in every class. This cannot be undone.</source>
        <translation>Dette rydder den planlagte starttid for alle deltagere i alle klasser. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>This clears the scheduled start time for every participant in this class. This cannot be undone.</source>
        <translation>Dette rydder den planlagte starttid for alle deltagere i denne klasse. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>%@ of them replaced an existing start time.</source>
        <translation>%@ af dem erstattede en eksisterende starttid.</translation>
    </message>
    <message>
        <source>%@ start time(s) placed on the stage's date, %@.</source>
        <translation>%@ starttid(er) placeret på etapens dato, %@.</translation>
    </message>
    <message>
        <source>This start list is for %@, but the active stage, %@, is on %@. Import its start times into %@ anyway, placed on %@?</source>
        <translation>Denne startliste er for %@, men den aktive etape, %@, er den %@. Importér alligevel dens starttider til %@, placeret den %@?</translation>
    </message>
    <message>
        <source>Import cancelled: no start time was changed. Make the stage the start list is for the active stage, or choose the start list of this stage, and import again.</source>
        <translation>Import annulleret: ingen starttid blev ændret. Gør den etape, startlisten er for, til den aktive etape, eller vælg denne etapes startliste, og importér igen.</translation>
    </message>
</context>
</TS>
