<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ participant(s)</translation>
    </message>
    <message>
        <source>Add entry</source>
        <translation>Add entry</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>All classes</translation>
    </message>
    <message>
        <source>Ascending</source>
        <translation>Ascending</translation>
    </message>
    <message>
        <source>Class / Course</source>
        <translation>Class / Course</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Clear search</translation>
    </message>
    <message>
        <source>Delete all entries</source>
        <translation>Delete all entries</translation>
    </message>
    <message>
        <source>Delete all entries?</source>
        <translation>Delete all entries?</translation>
    </message>
    <message>
        <source>Descending</source>
        <translation>Descending</translation>
    </message>
    <message>
        <source>Edit import URL</source>
        <translation>Edit import URL</translation>
    </message>
    <message>
        <source>Entries: %@ added, %@ updated, %@ removed.</source>
        <translation>Entries: %@ added, %@ updated, %@ removed.</translation>
    </message>
    <message>
        <source>Import from URL</source>
        <translation>Import from URL</translation>
    </message>
    <message>
        <source>Import from file</source>
        <translation>Import from file</translation>
    </message>
    <message>
        <source>Importing from O-tilmeldinger...</source>
        <translation>Importing from O-tilmeldinger...</translation>
    </message>
    <message>
        <source>Loading participants…</source>
        <translation>Loading participants…</translation>
    </message>
    <message>
        <source>No SportIdent card has the number %@: card numbers go up to 16,777,215.</source>
        <translation>No SportIdent card has the number %@: card numbers go up to 16,777,215.</translation>
    </message>
    <message>
        <source>No SportIdent card has the number 0. Type the number printed on the card.</source>
        <translation>No SportIdent card has the number 0. Type the number printed on the card.</translation>
    </message>
    <message>
        <source>Registration XML URL</source>
        <translation>Registration XML URL</translation>
    </message>
    <message>
        <source>Search name or card</source>
        <translation>Search name or card</translation>
    </message>
    <message>
        <source>Sort by %@, %@</source>
        <translation>Sort by %@, %@</translation>
    </message>
    <message>
        <source>The entry list arrived after another event was opened; it was not imported.</source>
        <translation>The entry list arrived after another event was opened; it was not imported.</translation>
    </message>
    <message>
        <source>This removes every participant from the entry list. Courses, classes, and recorded results are not affected. This cannot be undone.</source>
        <translation>This removes every participant from the entry list. Courses, classes, and recorded results are not affected. This cannot be undone.</translation>
    </message>
    <message>
        <source>⚠ Card %@ also used by %@</source>
        <translation>⚠ Card %@ also used by %@</translation>
    </message>
    <message>
        <source>⚠ O-Checklist reports new card: %@ (not applied — edit manually to accept)</source>
        <translation>⚠ O-Checklist reports new card: %@ (not applied — edit manually to accept)</translation>
    </message>
    <message>
        <source>⚠ Rent-a-card (%@) — assign a physical card before start</source>
        <translation>⚠ Rent-a-card (%@) — assign a physical card before start</translation>
    </message>
    <message>
        <source>A card number is digits only; &quot;%@&quot; holds other characters. Type the number printed on the card.</source>
        <translation>A card number is digits only; &quot;%@&quot; holds other characters. Type the number printed on the card.</translation>
    </message>
</context>
</TS>
