<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>API key</source>
        <translation>API key</translation>
    </message>
    <message>
        <source>Automatically pull</source>
        <translation>Automatically pull</translation>
    </message>
    <message>
        <source>Copy to clipboard</source>
        <translation>Copy to clipboard</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Event id</source>
        <translation>Event id</translation>
    </message>
    <message>
        <source>Fetches this event's O-Checklist sync key from Vexlo Web. O-Checklist pushes check-ins and SI card changes via POST requests authenticated with this key.</source>
        <translation>Fetches this event's O-Checklist sync key from Vexlo Web. O-Checklist pushes check-ins and SI card changes via POST requests authenticated with this key.</translation>
    </message>
    <message>
        <source>In O-Checklist, add a custom HTTP header to its POST configuration for this event, using this key as the value (header name per O-Checklist's own settings screen). This key is captured once and cached locally — it will NOT change on future Refreshes.</source>
        <translation>In O-Checklist, add a custom HTTP header to its POST configuration for this event, using this key as the value (header name per O-Checklist's own settings screen). This key is captured once and cached locally — it will NOT change on future Refreshes.</translation>
    </message>
    <message>
        <source>Issues a brand-new key, invalidating the current one. O-Checklist must be reconfigured with the new key afterward.</source>
        <translation>Issues a brand-new key, invalidating the current one. O-Checklist must be reconfigured with the new key afterward.</translation>
    </message>
    <message>
        <source>Moves participants from "on the startlist" to "checked in" as O-Checklist reports them (GET /api/entries.php). Also auto-marks DNS, and flags (without applying) any reported SI card changes. Also available as a manual button on the Results tab.</source>
        <translation>Moves participants from "on the startlist" to "checked in" as O-Checklist reports them (GET /api/entries.php). Also auto-marks DNS, and flags (without applying) any reported SI card changes. Also available as a manual button on the Results tab.</translation>
    </message>
    <message>
        <source>No checklist key captured yet for this race — press Refresh once to obtain it.</source>
        <translation>No checklist key captured yet for this race — press Refresh once to obtain it.</translation>
    </message>
    <message>
        <source>O-Checklist</source>
        <translation>O-Checklist</translation>
    </message>
    <message>
        <source>O-Checklist setup</source>
        <translation>O-Checklist setup</translation>
    </message>
    <message>
        <source>Planned: web sign-in and online services (e.g. a hub connecting Vexlo to other apps such as O-checklist).</source>
        <translation>Planned: web sign-in and online services (e.g. a hub connecting Vexlo to other apps such as O-checklist).</translation>
    </message>
    <message>
        <source>Pull check-ins into Vexlo</source>
        <translation>Pull check-ins into Vexlo</translation>
    </message>
    <message>
        <source>Pull interval</source>
        <translation>Pull interval</translation>
    </message>
    <message>
        <source>Pull now</source>
        <translation>Pull now</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>Rotate O-Checklist key?</source>
        <translation>Rotate O-Checklist key?</translation>
    </message>
    <message>
        <source>Rotate key...</source>
        <translation>Rotate key...</translation>
    </message>
    <message>
        <source>This issues a brand-new key and invalidates the current one immediately. O-Checklist will stop authenticating until it's reconfigured with the new key.</source>
        <translation>This issues a brand-new key and invalidates the current one immediately. O-Checklist will stop authenticating until it's reconfigured with the new key.</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verified</translation>
    </message>
    <message>
        <source>Verified (saved)</source>
        <translation>Verified (saved)</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>Vexlo Web</source>
        <translation>Vexlo Web</translation>
    </message>
</context>
</TS>
