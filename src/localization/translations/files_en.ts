<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%lld%</source>
        <translation>%lld%</translation>
    </message>
    <message>
        <source>Exports every entry (card, name, club, class) along with each stage's own start time, in the OE0002_V12 CSV format used by OE for entries with up to six races/blocks.</source>
        <translation>Exports every entry (card, name, club, class) along with each stage's own start time, in the OE0002_V12 CSV format used by OE for entries with up to six races/blocks.</translation>
    </message>
    <message>
        <source>Import complete</source>
        <translation>Import complete</translation>
    </message>
    <message>
        <source>Rogaining rules</source>
        <translation>Rogaining rules</translation>
    </message>
    <message>
        <source>Saved %@</source>
        <translation>Saved %@</translation>
    </message>
    <message>
        <source>The API key cannot hold a line break or another control character.</source>
        <translation>The API key cannot hold a line break or another control character.</translation>
    </message>
    <message>
        <source>The competition id cannot hold a line break or another control character.</source>
        <translation>The competition id cannot hold a line break or another control character.</translation>
    </message>
    <message>
        <source>The competition id is a number, like 12345.</source>
        <translation>The competition id is a number, like 12345.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the API key will not be kept after Vexlo closes.</source>
        <translation>The key store is unavailable: the API key will not be kept after Vexlo closes.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the passcode will not be kept after Vexlo closes.</source>
        <translation>The key store is unavailable: the passcode will not be kept after Vexlo closes.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the station key will not be kept after Vexlo closes.</source>
        <translation>The key store is unavailable: the station key will not be kept after Vexlo closes.</translation>
    </message>
    <message>
        <source>The passcode cannot hold a line break or another control character.</source>
        <translation>The passcode cannot hold a line break or another control character.</translation>
    </message>
</context>
</TS>
