<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ - family %@</source>
        <translation>%@ - family %@</translation>
    </message>
    <message>
        <source>No course</source>
        <translation>No course</translation>
    </message>
    <message>
        <source>No start</source>
        <translation>No start</translation>
    </message>
    <message>
        <source>Start %@</source>
        <translation>Start %@</translation>
    </message>
    <message>
        <source>URL: %@ · Authorization: Bearer &lt;key above&gt;</source>
        <translation>URL: %@ · Authorization: Bearer &lt;key above&gt;</translation>
    </message>
    <message>
        <source>✓ Checked in</source>
        <translation>✓ Checked in</translation>
    </message>
</context>
</TS>
