<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ deltager(e)</translation>
    </message>
    <message>
        <source>Add entry</source>
        <translation>Tilføj tilmelding</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>Alle klasser</translation>
    </message>
    <message>
        <source>Ascending</source>
        <translation>Stigende</translation>
    </message>
    <message>
        <source>Class / Course</source>
        <translation>Klasse / bane</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Ryd søgning</translation>
    </message>
    <message>
        <source>Delete all entries</source>
        <translation>Slet alle tilmeldinger</translation>
    </message>
    <message>
        <source>Delete all entries?</source>
        <translation>Slet alle tilmeldinger?</translation>
    </message>
    <message>
        <source>Descending</source>
        <translation>Faldende</translation>
    </message>
    <message>
        <source>Edit import URL</source>
        <translation>Redigér import-URL</translation>
    </message>
    <message>
        <source>Entries: %@ added, %@ updated, %@ removed.</source>
        <translation>Tilmeldinger: %@ tilføjet, %@ opdateret, %@ fjernet.</translation>
    </message>
    <message>
        <source>Import from URL</source>
        <translation>Importér fra URL</translation>
    </message>
    <message>
        <source>Import from file</source>
        <translation>Importér fra fil</translation>
    </message>
    <message>
        <source>Importing from O-tilmeldinger...</source>
        <translation>Importerer fra O-tilmeldinger...</translation>
    </message>
    <message>
        <source>Loading participants…</source>
        <translation>Indlæser deltagere…</translation>
    </message>
    <message>
        <source>No SportIdent card has the number %@: card numbers go up to 16,777,215.</source>
        <translation>Ingen SportIdent-brik har nummeret %@: briknumre går op til 16.777.215.</translation>
    </message>
    <message>
        <source>No SportIdent card has the number 0. Type the number printed on the card.</source>
        <translation>Ingen SportIdent-brik har nummeret 0. Skriv nummeret, der står på brikken.</translation>
    </message>
    <message>
        <source>Registration XML URL</source>
        <translation>Tilmeldings-XML-URL</translation>
    </message>
    <message>
        <source>Search name or card</source>
        <translation>Søg navn eller brik</translation>
    </message>
    <message>
        <source>Sort by %@, %@</source>
        <translation>Sortér efter %@, %@</translation>
    </message>
    <message>
        <source>The entry list arrived after another event was opened; it was not imported.</source>
        <translation>Tilmeldingslisten kom, efter at et andet løb blev åbnet; den blev ikke importeret.</translation>
    </message>
    <message>
        <source>This removes every participant from the entry list. Courses, classes, and recorded results are not affected. This cannot be undone.</source>
        <translation>Dette fjerner alle deltagere fra tilmeldingslisten. Baner, klasser og registrerede resultater berøres ikke. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>⚠ Card %@ also used by %@</source>
        <translation>⚠ Brik %@ bruges også af %@</translation>
    </message>
    <message>
        <source>⚠ O-Checklist reports new card: %@ (not applied — edit manually to accept)</source>
        <translation>⚠ O-Checklist melder ny brik: %@ (ikke anvendt — redigér manuelt for at acceptere)</translation>
    </message>
    <message>
        <source>⚠ Rent-a-card (%@) — assign a physical card before start</source>
        <translation>⚠ Lejebrik (%@) — tildel en fysisk brik før start</translation>
    </message>
    <message>
        <source>A card number is digits only; &quot;%@&quot; holds other characters. Type the number printed on the card.</source>
        <translation>Et briknummer består kun af cifre; &quot;%@&quot; indeholder andre tegn. Skriv nummeret, der står på brikken.</translation>
    </message>
</context>
</TS>
