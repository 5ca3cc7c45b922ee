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
        <source>A name cannot hold a line break, a tab or another control character.</source>
        <translation>A name cannot hold a line break, a tab or another control character.</translation>
    </message>
    <message>
        <source>A name is at most %@ characters long; this one has %@.</source>
        <translation>A name is at most %@ characters long; this one has %@.</translation>
    </message>
</context>
</TS>
