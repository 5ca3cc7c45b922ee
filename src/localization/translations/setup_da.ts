<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a number of points.</source>
        <translation>&quot;%@&quot; er ikke et antal point.</translation>
    </message>
    <message>
        <source>%@ (%@ variants)</source>
        <translation>%@ (%@ varianter)</translation>
    </message>
    <message>
        <source>%@ (%lld variants)</source>
        <translation>%@ (%lld varianter)</translation>
    </message>
    <message>
        <source>%@ pt/min penalty</source>
        <translation>%@ point/min straf</translation>
    </message>
    <message>
        <source>(Default)</source>
        <translation>(Standard)</translation>
    </message>
    <message>
        <source>A score cannot be negative: %@.</source>
        <translation>Point kan ikke være negative: %@.</translation>
    </message>
    <message>
        <source>A score is at most %@ points, not %@.</source>
        <translation>Point må højst være %@, ikke %@.</translation>
    </message>
    <message>
        <source>Add Class</source>
        <translation>Tilføj klasse</translation>
    </message>
    <message>
        <source>Add Control</source>
        <translation>Tilføj post</translation>
    </message>
    <message>
        <source>Add Course</source>
        <translation>Tilføj bane</translation>
    </message>
    <message>
        <source>Applied to every start-punch class with no class-specific override (see the clock button on each class row).</source>
        <translation>Gælder for alle klasser med startstempling uden eget startvindue (se knappen på hver klasserække).</translation>
    </message>
    <message>
        <source>Auto-match classes to courses</source>
        <translation>Match klasser med baner automatisk</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuller</translation>
    </message>
    <message>
        <source>Classes or participants assigned to this course will keep referring to it by id, but it will no longer resolve to a course. This cannot be undone.</source>
        <translation>Klasser og deltagere, der er tilknyttet denne bane, henviser stadig til den via id, men den findes ikke længere som bane. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Ryd</translation>
    </message>
    <message>
        <source>Clear override (use event default)</source>
        <translation>Fjern eget vindue (brug løbets standard)</translation>
    </message>
    <message>
        <source>Close</source>
        <comment>time of day</comment>
        <translation>Lukker</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Kode</translation>
    </message>
    <message>
        <source>Controls (any order, point value each)</source>
        <translation>Poster (vilkårlig rækkefølge, point for hver)</translation>
    </message>
    <message>
        <source>Controls (in order)</source>
        <translation>Poster (i rækkefølge)</translation>
    </message>
    <message>
        <source>Course</source>
        <translation>Bane</translation>
    </message>
    <message>
        <source>Course Family</source>
        <translation>Banefamilie</translation>
    </message>
    <message>
        <source>Course family</source>
        <translation>Banefamilie</translation>
    </message>
    <message>
        <source>Course family (optional, for variants)</source>
        <translation>Banefamilie (valgfri, til varianter)</translation>
    </message>
    <message>
        <source>Default start window (start punch)...</source>
        <translation>Standard startvindue (startstempling)...</translation>
    </message>
    <message>
        <source>Default start window — start punch classes</source>
        <translation>Standard startvindue — klasser med startstempling</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Slet</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>Slet alle</translation>
    </message>
    <message>
        <source>Delete all classes</source>
        <translation>Slet alle klasser</translation>
    </message>
    <message>
        <source>Delete all classes?</source>
        <translation>Slet alle klasser?</translation>
    </message>
    <message>
        <source>Delete all courses</source>
        <translation>Slet alle baner</translation>
    </message>
    <message>
        <source>Delete all courses?</source>
        <translation>Slet alle baner?</translation>
    </message>
    <message>
        <source>Delete course?</source>
        <translation>Slet bane?</translation>
    </message>
    <message>
        <source>Deleted &quot;%@&quot;; %@ classes still refer to it.</source>
        <translation>Slettede &quot;%@&quot;; %@ klasser henviser stadig til den.</translation>
    </message>
    <message>
        <source>Deleted %@ courses; %@ classes still refer to a deleted course.</source>
        <translation>Slettede %@ baner; %@ klasser henviser stadig til en slettet bane.</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Detaljer</translation>
    </message>
    <message>
        <source>Edit Course</source>
        <translation>Rediger bane</translation>
    </message>
    <message>
        <source>Fill in both Open and Close, or clear both to use the event default.</source>
        <translation>Udfyld både Åbner og Lukker, eller ryd begge for at bruge løbets standard.</translation>
    </message>
    <message>
        <source>Generate classes from courses</source>
        <translation>Opret klasser fra baner</translation>
    </message>
    <message>
        <source>IOF XML files (*.xml)</source>
        <translation>IOF XML-filer (*.xml)</translation>
    </message>
    <message>
        <source>Import Courses (IOF XML)...</source>
        <translation>Importér baner (IOF XML)...</translation>
    </message>
    <message>
        <source>Imported: %@ courses added, %@ courses updated, %@ classes added, %@ classes updated.</source>
        <translation>Importeret: %@ baner tilføjet, %@ baner opdateret, %@ klasser tilføjet, %@ klasser opdateret.</translation>
    </message>
    <message>
        <source>Leave a stage set to &quot;(Default)&quot; to reuse the class&apos;s own course/start method for that stage (e.g. start punch for a sprint stage, scheduled time for a classic stage). Each stage only offers courses tagged for that stage (plus any untagged/shared ones).</source>
        <translation>Lad en etape stå på &quot;(Standard)&quot; for at bruge klassens egen bane/startmetode på den etape (f.eks. startstempling på en sprintetape, fast starttid på en klassisk etape). Hver etape tilbyder kun baner, der er mærket til den etape (plus baner uden etape).</translation>
    </message>
    <message>
        <source>Leave blank to use the event&apos;s default start window for start-punch classes.</source>
        <translation>Lad felterne stå tomme for at bruge løbets standard startvindue for klasser med startstempling.</translation>
    </message>
    <message>
        <source>Loading classes…</source>
        <translation>Indlæser klasser…</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Multi-Course</source>
        <translation>Flere baner</translation>
    </message>
    <message>
        <source>No courses available</source>
        <translation>Ingen baner tilgængelige</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ingen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Åbner</translation>
    </message>
    <message>
        <source>Open</source>
        <comment>time of day</comment>
        <translation>Åbner</translation>
    </message>
    <message>
        <source>Order %lld</source>
        <translation>Nr. %lld</translation>
    </message>
    <message>
        <source>Overtime penalty (points/min)</source>
        <translation>Straf for overtid (point/min)</translation>
    </message>
    <message>
        <source>Per-stage course/start overrides</source>
        <translation>Bane og start pr. etape</translation>
    </message>
    <message>
        <source>Per-stage settings — %@</source>
        <translation>Indstillinger pr. etape — %@</translation>
    </message>
    <message>
        <source>Rogaining / score event</source>
        <translation>Pointløb</translation>
    </message>
    <message>
        <source>Rogaining · %@ pts total</source>
        <translation>Pointløb · %@ point i alt</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Gem</translation>
    </message>
    <message>
        <source>Scheduled time</source>
        <translation>Fast starttid</translation>
    </message>
    <message>
        <source>Select courses...</source>
        <translation>Vælg baner...</translation>
    </message>
    <message>
        <source>Single Course</source>
        <translation>Én bane</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Start punch</source>
        <translation>Startstempling</translation>
    </message>
    <message>
        <source>Start window override (falls back to the event default if not set)</source>
        <translation>Eget startvindue (ellers bruges løbets standard)</translation>
    </message>
    <message>
        <source>Start window — %@</source>
        <translation>Startvindue — %@</translation>
    </message>
    <message>
        <source>Start window — %@ (%@)</source>
        <translation>Startvindue — %@ (%@)</translation>
    </message>
    <message>
        <source>The overtime penalty is at most %@ points per minute, not %@.</source>
        <translation>Straffen for overtid må højst være %@ point pr. minut, ikke %@.</translation>
    </message>
    <message>
        <source>The overtime penalty must be 0 or more points per minute, not %@.</source>
        <translation>Straffen for overtid skal være 0 eller flere point pr. minut, ikke %@.</translation>
    </message>
    <message>
        <source>The stored start window was kept.</source>
        <translation>Det gemte startvindue er bevaret.</translation>
    </message>
    <message>
        <source>The time limit must be a number of minutes of 0 or more, not %@.</source>
        <translation>Tidsgrænsen skal være et antal minutter på 0 eller mere, ikke %@.</translation>
    </message>
    <message>
        <source>This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.</source>
        <translation>Dette fjerner alle klasser fra løbet. Baner, deltagere og registrerede resultater påvirkes ikke, men deltagerne vil ikke længere vise en klasse. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>This removes every course from the race. Classes or participants assigned to a now-missing course will keep referring to it by id, but it will no longer resolve to a course. Recorded results are not affected. This cannot be undone.</source>
        <translation>Dette fjerner alle baner fra løbet. Klasser og deltagere, der er tilknyttet en bane, som ikke længere findes, henviser stadig til den via id, men den findes ikke længere som bane. Registrerede resultater påvirkes ikke. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>Time limit (minutes)</source>
        <translation>Tidsgrænse (minutter)</translation>
    </message>
    <message>
        <source>e.g. 10</source>
        <translation>f.eks. 10</translation>
    </message>
    <message>
        <source>e.g. 180</source>
        <translation>f.eks. 180</translation>
    </message>
    <message>
        <source>limit %@min</source>
        <translation>grænse %@ min</translation>
    </message>
    <message>
        <source>Control %@ of course &quot;%@&quot; has the score %@ in the file; scores are whole points, so it counts %@.</source>
        <translation>Post %@ på banen &quot;%@&quot; har pointtallet %@ i filen; point er hele tal, så den tæller %@.</translation>
    </message>
</context>
</TS>
