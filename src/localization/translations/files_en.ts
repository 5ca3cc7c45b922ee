<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>Saved %@</source>
        <translation>Saved %@</translation>
    </message>
</context>
</TS>
