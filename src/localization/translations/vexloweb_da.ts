<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>API key</source>
        <translation>API-nøgle</translation>
    </message>
    <message>
        <source>Automatically pull</source>
        <translation>Hent automatisk</translation>
    </message>
    <message>
        <source>Copy to clipboard</source>
        <translation>Kopiér til udklipsholderen</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Løb</translation>
    </message>
    <message>
        <source>Event id</source>
        <translation>Løbs-id</translation>
    </message>
    <message>
        <source>Fetches this event's O-Checklist sync key from Vexlo Web. O-Checklist pushes check-ins and SI card changes via POST requests authenticated with this key.</source>
        <translation>Henter dette løbs O-Checklist-synkroniseringsnøgle fra Vexlo Web. O-Checklist sender tjek-ind og ændrede SI-brikker med POST-forespørgsler, der godkendes med denne nøgle.</translation>
    </message>
    <message>
        <source>In O-Checklist, add a custom HTTP header to its POST configuration for this event, using this key as the value (header name per O-Checklist's own settings screen). This key is captured once and cached locally — it will NOT change on future Refreshes.</source>
        <translation>Tilføj i O-Checklist en brugerdefineret HTTP-header til POST-opsætningen for dette løb med denne nøgle som værdi (headerens navn står i O-Checklists egne indstillinger). Nøglen hentes én gang og gemmes lokalt — den ændres IKKE ved senere opdateringer.</translation>
    </message>
    <message>
        <source>Issues a brand-new key, invalidating the current one. O-Checklist must be reconfigured with the new key afterward.</source>
        <translation>Udsteder en helt ny nøgle og gør den nuværende ugyldig. O-Checklist skal derefter opsættes med den nye nøgle.</translation>
    </message>
    <message>
        <source>Moves participants from "on the startlist" to "checked in" as O-Checklist reports them (GET /api/entries.php). Also auto-marks DNS, and flags (without applying) any reported SI card changes. Also available as a manual button on the Results tab.</source>
        <translation>Flytter deltagere fra "på startlisten" til "tjekket ind", efterhånden som O-Checklist melder dem (GET /api/entries.php). Markerer også DNS automatisk og viser (uden at anvende dem) meldte ændringer af SI-brikker. Findes også som knap under Resultater.</translation>
    </message>
    <message>
        <source>No checklist key captured yet for this race — press Refresh once to obtain it.</source>
        <translation>Der er endnu ikke hentet nogen tjek-ind-nøgle til dette løb — tryk én gang på Opdater for at hente den.</translation>
    </message>
    <message>
        <source>O-Checklist</source>
        <translation>O-Checklist</translation>
    </message>
    <message>
        <source>O-Checklist setup</source>
        <translation>Opsætning af O-Checklist</translation>
    </message>
    <message>
        <source>Planned: web sign-in and online services (e.g. a hub connecting Vexlo to other apps such as O-checklist).</source>
        <translation>Planlagt: webindlogning og onlinetjenester (f.eks. et knudepunkt, der forbinder Vexlo med andre apps som O-checklist).</translation>
    </message>
    <message>
        <source>Pull check-ins into Vexlo</source>
        <translation>Hent tjek-ind til Vexlo</translation>
    </message>
    <message>
        <source>Pull interval</source>
        <translation>Henteinterval</translation>
    </message>
    <message>
        <source>Pull now</source>
        <translation>Hent nu</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Opdater</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Udskift</translation>
    </message>
    <message>
        <source>Rotate O-Checklist key?</source>
        <translation>Udskift O-Checklist-nøglen?</translation>
    </message>
    <message>
        <source>Rotate key...</source>
        <translation>Udskift nøgle...</translation>
    </message>
    <message>
        <source>This issues a brand-new key and invalidates the current one immediately. O-Checklist will stop authenticating until it's reconfigured with the new key.</source>
        <translation>Dette udsteder en helt ny nøgle og gør den nuværende ugyldig med det samme. O-Checklist kan ikke godkendes, før den er opsat med den nye nøgle.</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Bekræftet</translation>
    </message>
    <message>
        <source>Verified (saved)</source>
        <translation>Bekræftet (gemt)</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Bekræft</translation>
    </message>
    <message>
        <source>Vexlo Web</source>
        <translation>Vexlo Web</translation>
    </message>
</context>
</TS>
