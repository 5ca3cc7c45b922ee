<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ - family %@</source>
        <translation>%@ - banefamilie %@</translation>
    </message>
    <message>
        <source>No course</source>
        <translation>Ingen bane</translation>
    </message>
    <message>
        <source>No start</source>
        <translation>Ingen start</translation>
    </message>
    <message>
        <source>Start %@</source>
        <translation>Start %@</translation>
    </message>
    <message>
        <source>URL: %@ · Authorization: Bearer &lt;key above&gt;</source>
        <translation>URL: %@ · Authorization: Bearer &lt;nøglen ovenfor&gt;</translation>
    </message>
    <message>
        <source>✓ Checked in</source>
        <translation>✓ Tjekket ind</translation>
    </message>
</context>
</TS>
