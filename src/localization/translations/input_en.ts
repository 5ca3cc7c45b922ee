<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a date between %@ and %@. Type it as %@ or %@.</source>
        <translation>&quot;%@&quot; is not a date between %@ and %@. Type it as %@ or %@.</translation>
    </message>
    <message>
        <source>&quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</source>
        <translation>&quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</translation>
    </message>
    <message>
        <source>&quot;%@&quot; is too long a feed. Type a number of points from 0 to %@, for example %@.</source>
        <translation>&quot;%@&quot; is too long a feed. Type a number of points from 0 to %@, for example %@.</translation>
    </message>
    <message>
        <source>A name cannot hold a line break, a tab or another control character.</source>
        <translation>A name cannot hold a line break, a tab or another control character.</translation>
    </message>
    <message>
        <source>A name is at most %@ characters long; this one has %@.</source>
        <translation>A name is at most %@ characters long; this one has %@.</translation>
    </message>
    <message>
        <source>Choose the stage the entries of %@ go into.</source>
        <translation>Choose the stage the entries of %@ go into.</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Import entries</source>
        <translation>Import entries</translation>
    </message>
    <message>
        <source>The entries of %@ go into the stage %@ (%@). To import them into another stage, choose it here.</source>
        <translation>The entries of %@ go into the stage %@ (%@). To import them into another stage, choose it here.</translation>
    </message>
    <message>
        <source>The time limit must be at most %@ minutes (a week), not %@.</source>
        <translation>The time limit must be at most %@ minutes (a week), not %@.</translation>
    </message>
</context>
</TS>
