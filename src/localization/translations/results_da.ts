<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
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
        <translation>-%@ overtid</translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation>Eksport mislykkedes: </translation>
    </message>
    <message>
        <source>Force completed</source>
        <translation>Markér som gennemført</translation>
    </message>
    <message>
        <source>Force incomplete</source>
        <translation>Markér som ufuldstændig</translation>
    </message>
    <message>
        <source>Manually overridden</source>
        <translation>Manuelt tilsidesat</translation>
    </message>
    <message>
        <source>No file was chosen.</source>
        <translation>Der blev ikke valgt nogen fil.</translation>
    </message>
    <message>
        <source>SI %@ · %@</source>
        <translation>SI %@ · %@</translation>
    </message>
    <message>
        <source>Split times are not available for the overall standings.</source>
        <translation>Mellemtider findes ikke for den samlede stilling.</translation>
    </message>
    <message>
        <source>The file was not written.</source>
        <translation>Filen blev ikke skrevet.</translation>
    </message>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
</context>
</TS>
