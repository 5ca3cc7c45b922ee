<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%lld.</source>
        <translation>%lld.</translation>
    </message>
    <message>
        <source>+%@</source>
        <translation>+%@</translation>
    </message>
    <message>
        <source>-%@ OT</source>
        <translation>-%@ OT</translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation>Export failed: </translation>
    </message>
    <message>
        <source>Force completed</source>
        <translation>Force completed</translation>
    </message>
    <message>
        <source>Force incomplete</source>
        <translation>Force incomplete</translation>
    </message>
    <message>
        <source>Manually overridden</source>
        <translation>Manually overridden</translation>
    </message>
    <message>
        <source>No file was chosen.</source>
        <translation>No file was chosen.</translation>
    </message>
    <message>
        <source>SI %@ · %@</source>
        <translation>SI %@ · %@</translation>
    </message>
    <message>
        <source>Split times are not available for the overall standings.</source>
        <translation>Split times are not available for the overall standings.</translation>
    </message>
    <message>
        <source>The file was not written.</source>
        <translation>The file was not written.</translation>
    </message>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
</context>
</TS>
