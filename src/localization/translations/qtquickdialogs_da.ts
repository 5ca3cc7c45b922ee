<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Words of Qt Quick's own file dialog that Qt's Danish tables (qt6-translations-l10n 6.4) do not
     carry yet; its buttons come translated from Qt's tables. -->
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>FileDialog</name>
    <message>
        <source>File name</source>
        <translation>Filnavn</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
</context>
</TS>
