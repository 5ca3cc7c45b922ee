<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ station(s) connected</source>
        <translation>%@ station(er) forbundet</translation>
    </message>
    <message>
        <source>Choose the app's display language. Changes apply immediately.</source>
        <translation>Vælg programmets visningssprog. Ændringer træder i kraft med det samme.</translation>
    </message>
    <message>
        <source>Competition id</source>
        <translation>Konkurrence-id</translation>
    </message>
    <message>
        <source>Every %@ min</source>
        <translation>Hvert %@. min.</translation>
    </message>
    <message>
        <source>Every station of the event needs the same station key. The master makes one when it is first started; type it once on each slave.</source>
        <translation>Alle stationer ved løbet skal have den samme stationsnøgle. Masteren laver en, første gang den startes; skriv den én gang på hver slave.</translation>
    </message>
    <message>
        <source>Immediate full sync, bypassing the batch interval — also resets the diff baseline used by batched publishes.</source>
        <translation>Fuld synkronisering med det samme uden om intervallet – nulstiller også det grundlag, som de samlede udgivelser sammenlignes med.</translation>
    </message>
    <message>
        <source>Live Results</source>
        <translation>Live-resultater</translation>
    </message>
    <message>
        <source>Live Results Publishing</source>
        <translation>Udgivelse af live-resultater</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>Passcode</source>
        <translation>Adgangskode</translation>
    </message>
    <message>
        <source>Publish interval</source>
        <translation>Udgivelsesinterval</translation>
    </message>
    <message>
        <source>Publish now</source>
        <translation>Udgiv nu</translation>
    </message>
    <message>
        <source>Publish results to LiveResultat</source>
        <translation>Udgiv resultater på LiveResultat</translation>
    </message>
    <message>
        <source>Publishes results to the Liveresultat API in the background, batched every few minutes. Requires a competition id and passcode from that service's admin UI.</source>
        <translation>Udgiver resultater til Liveresultat-API'et i baggrunden, samlet med få minutters mellemrum. Kræver et konkurrence-id og en adgangskode fra tjenestens administrationsside.</translation>
    </message>
    <message>
        <source>Role</source>
        <translation>Rolle</translation>
    </message>
    <message>
        <source>Service name</source>
        <translation>Tjenestenavn</translation>
    </message>
    <message>
        <source>Slave</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>Standalone</source>
        <translation>Selvstændig</translation>
    </message>
    <message>
        <source>Standalone: no networking, single station (default). Master: owns the race data and broadcasts it to slave stations. Slave: reads cards locally and submits results to the master; race setup (courses/classes/participants/start list) is read-only here.</source>
        <translation>Selvstændig: intet netværk, én station (standard). Master: ejer løbsdata og sender dem til slavestationerne. Slave: læser brikker lokalt og sender resultaterne til masteren; løbsopsætningen (baner/klasser/deltagere/startliste) kan kun læses her.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Station Role</source>
        <translation>Stationsrolle</translation>
    </message>
    <message>
        <source>Station key</source>
        <translation>Stationsnøgle</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Vexlo Race</source>
        <translation>Vexlo Race</translation>
    </message>
    <message>
        <source>e.g. 12345</source>
        <translation>f.eks. 12345</translation>
    </message>
</context>
</TS>
