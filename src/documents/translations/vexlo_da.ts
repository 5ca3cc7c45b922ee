<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>%@ contestant(s)</source>
        <translation>%@ deltager(e)</translation>
    </message>
    <message>
        <source>%@ controls</source>
        <translation>%@ poster</translation>
    </message>
    <message>
        <source>ALL STAGES</source>
        <translation>ALLE ETAPER</translation>
    </message>
    <message>
        <source>COMPLETED</source>
        <translation>GENNEMFØRT</translation>
    </message>
    <message>
        <source>Card</source>
        <translation>Brik</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Klasse</translation>
    </message>
    <message>
        <source>Club</source>
        <translation>Klub</translation>
    </message>
    <message>
        <source>IN TIME</source>
        <translation>INDEN FOR TID</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>UFULDSTÆNDIG</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Navn</translation>
    </message>
    <message>
        <source>No class</source>
        <translation>Ingen klasse</translation>
    </message>
    <message>
        <source>No course/split data</source>
        <translation>Ingen bane- eller mellemtidsdata</translation>
    </message>
    <message>
        <source>OVERTIME</source>
        <translation>OVERTID</translation>
    </message>
    <message>
        <source>Overall Standings</source>
        <translation>Samlet stilling</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Resultater</translation>
    </message>
    <message>
        <source>Results — %@</source>
        <translation>Resultater — %@</translation>
    </message>
    <message>
        <source>Score</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Split Times</source>
        <translation>Mellemtider</translation>
    </message>
    <message>
        <source>Split Times — %@</source>
        <translation>Mellemtider — %@</translation>
    </message>
    <message>
        <source>Start List</source>
        <translation>Startliste</translation>
    </message>
    <message>
        <source>Start List (Grid)</source>
        <translation>Startliste (gitter)</translation>
    </message>
    <message>
        <source>Start List (Grid) — page %@ of %@</source>
        <translation>Startliste (gitter) — side %@ af %@</translation>
    </message>
    <message>
        <source>Start List — By Class</source>
        <translation>Startliste — efter klasse</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Tid</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>I alt</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation>Samlet tid</translation>
    </message>
</context>
</TS>
