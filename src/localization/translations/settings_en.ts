<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ station(s) connected</source>
        <translation>%@ station(s) connected</translation>
    </message>
    <message>
        <source>Choose the app's display language. Changes apply immediately.</source>
        <translation>Choose the app's display language. Changes apply immediately.</translation>
    </message>
    <message>
        <source>Competition id</source>
        <translation>Competition id</translation>
    </message>
    <message>
        <source>Every %@ min</source>
        <translation>Every %@ min</translation>
    </message>
    <message>
        <source>Every station of the event needs the same station key. The master makes one when it is first started; type it once on each slave.</source>
        <translation>Every station of the event needs the same station key. The master makes one when it is first started; type it once on each slave.</translation>
    </message>
    <message>
        <source>Immediate full sync, bypassing the batch interval — also resets the diff baseline used by batched publishes.</source>
        <translation>Immediate full sync, bypassing the batch interval — also resets the diff baseline used by batched publishes.</translation>
    </message>
    <message>
        <source>Live Results</source>
        <translation>Live Results</translation>
    </message>
    <message>
        <source>Live Results Publishing</source>
        <translation>Live Results Publishing</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>Passcode</source>
        <translation>Passcode</translation>
    </message>
    <message>
        <source>Publish interval</source>
        <translation>Publish interval</translation>
    </message>
    <message>
        <source>Publish now</source>
        <translation>Publish now</translation>
    </message>
    <message>
        <source>Publish results to LiveResultat</source>
        <translation>Publish results to LiveResultat</translation>
    </message>
    <message>
        <source>Publishes results to the Liveresultat API in the background, batched every few minutes. Requires a competition id and passcode from that service's admin UI.</source>
        <translation>Publishes results to the Liveresultat API in the background, batched every few minutes. Requires a competition id and passcode from that service's admin UI.</translation>
    </message>
    <message>
        <source>Role</source>
        <translation>Role</translation>
    </message>
    <message>
        <source>Service name</source>
        <translation>Service name</translation>
    </message>
    <message>
        <source>Slave</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>Standalone</source>
        <translation>Standalone</translation>
    </message>
    <message>
        <source>Standalone: no networking, single station (default). Master: owns the race data and broadcasts it to slave stations. Slave: reads cards locally and submits results to the master; race setup (courses/classes/participants/start list) is read-only here.</source>
        <translation>Standalone: no networking, single station (default). Master: owns the race data and broadcasts it to slave stations. Slave: reads cards locally and submits results to the master; race setup (courses/classes/participants/start list) is read-only here.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Station Role</source>
        <translation>Station Role</translation>
    </message>
    <message>
        <source>Station key</source>
        <translation>Station key</translation>
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
        <translation>e.g. 12345</translation>
    </message>
</context>
</TS>
