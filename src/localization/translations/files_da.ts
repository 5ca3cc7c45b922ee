<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%lld%</source>
        <translation>%lld %</translation>
    </message>
    <message>
        <source>Exports every entry (card, name, club, class) along with each stage's own start time, in the OE0002_V12 CSV format used by OE for entries with up to six races/blocks.</source>
        <translation>Eksporterer alle tilmeldinger (brik, navn, klub, klasse) med hver etapes egen starttid i OE0002_V12-CSV-formatet, som OE bruger til tilmeldinger med op til seks løb/blokke.</translation>
    </message>
    <message>
        <source>Import complete</source>
        <translation>Import fuldført</translation>
    </message>
    <message>
        <source>Rogaining rules</source>
        <translation>Regler for pointløb</translation>
    </message>
    <message>
        <source>Saved %@</source>
        <translation>Gemt %@</translation>
    </message>
    <message>
        <source>The API key cannot hold a line break or another control character.</source>
        <translation>API-nøglen må ikke indeholde linjeskift eller andre kontroltegn.</translation>
    </message>
    <message>
        <source>The competition id cannot hold a line break or another control character.</source>
        <translation>Konkurrence-id'et må ikke indeholde linjeskift eller andre kontroltegn.</translation>
    </message>
    <message>
        <source>The competition id is a number, like 12345.</source>
        <translation>Konkurrence-id'et er et tal, f.eks. 12345.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the API key will not be kept after Vexlo closes.</source>
        <translation>Nøgleringen er ikke tilgængelig: API-nøglen gemmes ikke, når Vexlo lukkes.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the passcode will not be kept after Vexlo closes.</source>
        <translation>Nøgleringen er ikke tilgængelig: adgangskoden gemmes ikke, når Vexlo lukkes.</translation>
    </message>
    <message>
        <source>The key store is unavailable: the station key will not be kept after Vexlo closes.</source>
        <translation>Nøgleringen er ikke tilgængelig: stationsnøglen gemmes ikke, når Vexlo lukkes.</translation>
    </message>
    <message>
        <source>The passcode cannot hold a line break or another control character.</source>
        <translation>Adgangskoden må ikke indeholde linjeskift eller andre kontroltegn.</translation>
    </message>
</context>
</TS>
