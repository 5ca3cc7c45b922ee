<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>1. Go to %@/organiser and click "Create competition" — no account or install needed.</source>
        <translation>1. Go to %@/organiser and click "Create competition" — no account or install needed.</translation>
    </message>
    <message>
        <source>2. The competition page shows three values: the competition id and password below, and an upload URL (not needed here — Vexlo builds it from the id automatically).</source>
        <translation>2. The competition page shows three values: the competition id and password below, and an upload URL (not needed here — Vexlo builds it from the id automatically).</translation>
    </message>
    <message>
        <source>3. Enter the competition id and password below and enable publishing; your results appear on a public page that works on phones.</source>
        <translation>3. Enter the competition id and password below and enable publishing; your results appear on a public page that works on phones.</translation>
    </message>
    <message>
        <source>4. Lost the link to an existing competition? Use "Recover it by email" on that same page.</source>
        <translation>4. Lost the link to an existing competition? Use "Recover it by email" on that same page.</translation>
    </message>
    <message>
        <source>Immediate full sync, bypassing the batch interval.</source>
        <translation>Immediate full sync, bypassing the batch interval.</translation>
    </message>
    <message>
        <source>Metsä</source>
        <translation>Metsä</translation>
    </message>
    <message>
        <source>Metsä Live Results</source>
        <translation>Metsä Live Results</translation>
    </message>
    <message>
        <source>Open %@/organiser</source>
        <translation>Open %@/organiser</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Publish results to Metsä</source>
        <translation>Publish results to Metsä</translation>
    </message>
    <message>
        <source>Publishes results to %@ in the background, batched every few minutes, as an IOF XML result-list upload. Requires the competition id and password shown on your competition's %@ page.</source>
        <translation>Publishes results to %@ in the background, batched every few minutes, as an IOF XML result-list upload. Requires the competition id and password shown on your competition's %@ page.</translation>
    </message>
    <message>
        <source>Setting up a competition on %@</source>
        <translation>Setting up a competition on %@</translation>
    </message>
</context>
</TS>
