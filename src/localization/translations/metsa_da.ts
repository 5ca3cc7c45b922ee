<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>1. Go to %@/organiser and click "Create competition" — no account or install needed.</source>
        <translation>1. Gå til %@/organiser og klik på "Create competition" – ingen konto eller installation nødvendig.</translation>
    </message>
    <message>
        <source>2. The competition page shows three values: the competition id and password below, and an upload URL (not needed here — Vexlo builds it from the id automatically).</source>
        <translation>2. Konkurrencesiden viser tre værdier: konkurrence-id og adgangskode nedenfor samt en upload-URL (ikke nødvendig her – Vexlo danner den automatisk ud fra id'et).</translation>
    </message>
    <message>
        <source>3. Enter the competition id and password below and enable publishing; your results appear on a public page that works on phones.</source>
        <translation>3. Indtast konkurrence-id og adgangskode nedenfor, og slå udgivelse til; resultaterne vises på en offentlig side, der også virker på telefoner.</translation>
    </message>
    <message>
        <source>4. Lost the link to an existing competition? Use "Recover it by email" on that same page.</source>
        <translation>4. Mistet linket til en eksisterende konkurrence? Brug "Recover it by email" på samme side.</translation>
    </message>
    <message>
        <source>Immediate full sync, bypassing the batch interval.</source>
        <translation>Fuld synkronisering med det samme uden om intervallet.</translation>
    </message>
    <message>
        <source>Metsä</source>
        <translation>Metsä</translation>
    </message>
    <message>
        <source>Metsä Live Results</source>
        <translation>Metsä liveresultater</translation>
    </message>
    <message>
        <source>Open %@/organiser</source>
        <translation>Åbn %@/organiser</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Adgangskode</translation>
    </message>
    <message>
        <source>Publish results to Metsä</source>
        <translation>Udgiv resultater på Metsä</translation>
    </message>
    <message>
        <source>Publishes results to %@ in the background, batched every few minutes, as an IOF XML result-list upload. Requires the competition id and password shown on your competition's %@ page.</source>
        <translation>Udgiver resultater til %@ i baggrunden, samlet med få minutters mellemrum, som en IOF XML-resultatliste. Kræver konkurrence-id og adgangskode fra din konkurrences side på %@.</translation>
    </message>
    <message>
        <source>Setting up a competition on %@</source>
        <translation>Sådan opretter du en konkurrence på %@</translation>
    </message>
</context>
</TS>
