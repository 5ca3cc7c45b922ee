<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ and %@ may run the same course and would both start at %@.</source>
        <translation>%@ og %@ kan løbe samme bane og ville begge starte kl. %@.</translation>
    </message>
    <message>
        <source>%@ participant(s) assigned a start time.</source>
        <translation>%@ deltager(e) har fået en starttid.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. %@ runners per slot (%@ more) would place everyone.</source>
        <translation>%@ løber(e) kunne ikke placeres. %@ løbere pr. minut (%@ flere) ville placere alle.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) or %@ runners per slot (%@ more) would place everyone.</source>
        <translation>%@ løber(e) kunne ikke placeres. En startperiode på %@ minutter (%@ flere) eller %@ løbere pr. minut (%@ flere) ville placere alle.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) would place everyone.</source>
        <translation>%@ løber(e) kunne ikke placeres. En startperiode på %@ minutter (%@ flere) ville placere alle.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. No start period ending before midnight and no number of runners per slot places everyone at a minimum gap of %@ minute(s); lower the gap.</source>
        <translation>%@ løber(e) kunne ikke placeres. Ingen startperiode, der slutter før midnat, og intet antal løbere pr. minut placerer alle med en mindste afstand på %@ minut(ter); gør afstanden mindre.</translation>
    </message>
    <message>
        <source>:</source>
        <translation>:</translation>
    </message>
    <message>
        <source>A minimum gap of %@ minutes does not fit in a start period of %@ minutes.</source>
        <translation>Et mindste interval på %@ minutter kan ikke være i en startperiode på %@ minutter.</translation>
    </message>
    <message>
        <source>A start period of %@ minutes from %@ runs past midnight.</source>
        <translation>En startperiode på %@ minutter fra %@ går over midnat.</translation>
    </message>
    <message>
        <source>At least 1 runner must fit in a slot, not %@.</source>
        <translation>Der skal være plads til mindst 1 løber pr. minut, ikke %@.</translation>
    </message>
    <message>
        <source>By class</source>
        <translation>Efter klasse</translation>
    </message>
    <message>
        <source>By timeslot</source>
        <translation>Efter starttid</translation>
    </message>
    <message>
        <source>Card %@</source>
        <translation>Brik %@</translation>
    </message>
    <message>
        <source>Class %@ starts by start punch: its runners get no planned start time.</source>
        <translation>Klasse %@ starter med startstempling: dens løbere får ingen planlagt starttid.</translation>
    </message>
    <message>
        <source>Clear start times?</source>
        <translation>Ryd starttider?</translation>
    </message>
    <message>
        <source>Count runners per class</source>
        <translation>Tæl løbere pr. klasse</translation>
    </message>
    <message>
        <source>Drop the runner onto a cell of a class.</source>
        <translation>Slip løberen i en celle under en klasse.</translation>
    </message>
    <message>
        <source>Drop the runner onto a row of the Scheduled list.</source>
        <translation>Slip løberen på en række i listen Planlagt.</translation>
    </message>
    <message>
        <source>Early start</source>
        <translation>Tidlig start</translation>
    </message>
    <message>
        <source>Export as A4 portrait PDF, one section per class</source>
        <translation>Eksportér som A4-PDF på højkant, ét afsnit pr. klasse</translation>
    </message>
    <message>
        <source>Export runners in classes using the card's own start punch (no scheduled time)</source>
        <translation>Eksportér løbere i klasser med brikkens egen startstempling (ingen planlagt tid)</translation>
    </message>
    <message>
        <source>Fills the start period above with every participant.</source>
        <translation>Fylder startperioden ovenfor med alle deltagere.</translation>
    </message>
    <message>
        <source>First start</source>
        <translation>Første start</translation>
    </message>
    <message>
        <source>Fixed interval startlist</source>
        <translation>Startliste med fast interval</translation>
    </message>
    <message>
        <source>Fixed intervals</source>
        <translation>Faste intervaller</translation>
    </message>
    <message>
        <source>Generate</source>
        <translation>Generér</translation>
    </message>
    <message>
        <source>Generated with warnings</source>
        <translation>Genereret med advarsler</translation>
    </message>
    <message>
        <source>Generating full start list...</source>
        <translation>Genererer hele startlisten...</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Gitter</translation>
    </message>
    <message>
        <source>HH:mm:ss</source>
        <translation>TT:mm:ss</translation>
    </message>
    <message>
        <source>Honors each runner's &quot;Early&quot;/&quot;Late&quot; start preference (set from the list view).</source>
        <translation>Respekterer hver løbers ønske om &quot;Tidlig&quot;/&quot;Sen&quot; start (sættes i listevisningen).</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Import start list (IOF XML)...</source>
        <translation>Importér startliste (IOF XML)...</translation>
    </message>
    <message>
        <source>Importing start list...</source>
        <translation>Importerer startliste...</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>Keeps classes that share the same course apart.</source>
        <translation>Holder klasser med samme bane adskilt.</translation>
    </message>
    <message>
        <source>Keeps classes/courses that share the same first control apart where possible (a soft rule).</source>
        <translation>Holder klasser/baner med samme første post adskilt hvor muligt (en blød regel).</translation>
    </message>
    <message>
        <source>Keeps clubmates apart where possible.</source>
        <translation>Holder klubkammerater adskilt hvor muligt.</translation>
    </message>
    <message>
        <source>Late start</source>
        <translation>Sen start</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>List start time preferences</source>
        <translation>Vis starttidsønsker</translation>
    </message>
    <message>
        <source>Loading grid…</source>
        <translation>Indlæser gitter…</translation>
    </message>
    <message>
        <source>Loading start list…</source>
        <translation>Indlæser startliste…</translation>
    </message>
    <message>
        <source>Maximum runners per slot</source>
        <translation>Højst løbere pr. minut</translation>
    </message>
    <message>
        <source>Minimum gap between runners (min)</source>
        <translation>Mindste afstand mellem løbere (min)</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minut</translation>
    </message>
    <message>
        <source>No start-time preference</source>
        <translation>Intet starttidsønske</translation>
    </message>
    <message>
        <source>One minute earlier</source>
        <translation>Et minut tidligere</translation>
    </message>
    <message>
        <source>One minute later</source>
        <translation>Et minut senere</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF-filer (*.pdf)</translation>
    </message>
    <message>
        <source>Prefers a late start</source>
        <translation>Ønsker sen start</translation>
    </message>
    <message>
        <source>Prefers an early start</source>
        <translation>Ønsker tidlig start</translation>
    </message>
    <message>
        <source>Random draw</source>
        <translation>Lodtrækning</translation>
    </message>
    <message>
        <source>Recalculates and replaces all existing start times.</source>
        <translation>Beregner og erstatter alle eksisterende starttider.</translation>
    </message>
    <message>
        <source>Rule based startlist</source>
        <translation>Regelbaseret startliste</translation>
    </message>
    <message>
        <source>Rule-based start list generation</source>
        <translation>Regelbaseret generering af startliste</translation>
    </message>
    <message>
        <source>Scheduled</source>
        <translation>Planlagt</translation>
    </message>
    <message>
        <source>Search name, card or club</source>
        <translation>Søg navn, brik eller klub</translation>
    </message>
    <message>
        <source>Second</source>
        <translation>Sekund</translation>
    </message>
    <message>
        <source>Spaces each class's runners as evenly as possible within it.</source>
        <translation>Fordeler hver klasses løbere så jævnt som muligt i den.</translation>
    </message>
    <message>
        <source>Spacing runners within each class, keeping clubs apart where possible, and respecting the %@-minute window.</source>
        <translation>Fordeler løberne i hver klasse, holder klubber adskilt hvor muligt og overholder vinduet på %@ minutter.</translation>
    </message>
    <message>
        <source>Start list generated</source>
        <translation>Startliste genereret</translation>
    </message>
    <message>
        <source>Start period (minutes)</source>
        <translation>Startperiode (minutter)</translation>
    </message>
    <message>
        <source>Start punch classes</source>
        <translation>Klasser med startstempling</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Starttid</translation>
    </message>
    <message>
        <source>That cell has no start time.</source>
        <translation>Den celle har ingen starttid.</translation>
    </message>
    <message>
        <source>That runner is no longer in the event.</source>
        <translation>Den løber er ikke længere med i løbet.</translation>
    </message>
    <message>
        <source>The clock skips %@ on that day (summer time begins). Choose another time.</source>
        <translation>Uret springer %@ over den dag (sommertid begynder). Vælg et andet tidspunkt.</translation>
    </message>
    <message>
        <source>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30 under Fixed interval startlist.</source>
        <translation>Første start &quot;%@&quot; er ikke et klokkeslæt. Skriv det som 9:30, 9.30 eller 09:30 under Startliste med fast interval.</translation>
    </message>
    <message>
        <source>The minimum gap must be at least 1 minute, not %@.</source>
        <translation>Den mindste afstand skal være mindst 1 minut, ikke %@.</translation>
    </message>
    <message>
        <source>The start period must be 0 to 1440 minutes, not %@.</source>
        <translation>Startperioden skal være 0 til 1440 minutter, ikke %@.</translation>
    </message>
    <message>
        <source>Unscheduled</source>
        <translation>Ikke planlagt</translation>
    </message>
    <message>
        <source>XML</source>
        <translation>XML</translation>
    </message>
    <message>
        <source>XML files (*.xml)</source>
        <translation>XML-filer (*.xml)</translation>
    </message>
    <message>
        <source>⚠ Rent-a-card — assign a physical card before start</source>
        <translation>⚠ Lejebrik — tildel en fysisk brik før start</translation>
    </message>
    <message>
        <source>Import anyway</source>
        <translation>Importér alligevel</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuller</translation>
    </message>
</context>
</TS>
