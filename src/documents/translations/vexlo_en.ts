<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>%@ contestant(s)</source>
        <translation>%@ contestant(s)</translation>
    </message>
    <message>
        <source>%@ controls</source>
        <translation>%@ controls</translation>
    </message>
    <message>
        <source>ALL STAGES</source>
        <translation>ALL STAGES</translation>
    </message>
    <message>
        <source>COMPLETED</source>
        <translation>COMPLETED</translation>
    </message>
    <message>
        <source>Card</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Class</translation>
    </message>
    <message>
        <source>Club</source>
        <translation>Club</translation>
    </message>
    <message>
        <source>IN TIME</source>
        <translation>IN TIME</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>INCOMPLETE</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>No class</source>
        <translation>No class</translation>
    </message>
    <message>
        <source>No course/split data</source>
        <translation>No course/split data</translation>
    </message>
    <message>
        <source>OVERTIME</source>
        <translation>OVERTIME</translation>
    </message>
    <message>
        <source>Overall Standings</source>
        <translation>Overall Standings</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>Results — %@</source>
        <translation>Results — %@</translation>
    </message>
    <message>
        <source>Score</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>Split Times</source>
        <translation>Split Times</translation>
    </message>
    <message>
        <source>Split Times — %@</source>
        <translation>Split Times — %@</translation>
    </message>
    <message>
        <source>Start List</source>
        <translation>Start List</translation>
    </message>
    <message>
        <source>Start List (Grid)</source>
        <translation>Start List (Grid)</translation>
    </message>
    <message>
        <source>Start List (Grid) — page %@ of %@</source>
        <translation>Start List (Grid) — page %@ of %@</translation>
    </message>
    <message>
        <source>Start List — By Class</source>
        <translation>Start List — By Class</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation>Total Time</translation>
    </message>
</context>
</TS>
