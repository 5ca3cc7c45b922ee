<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>Saved %@</source>
        <translation>Gemt %@</translation>
    </message>
</context>
</TS>
