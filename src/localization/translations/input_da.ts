<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a date between %@ and %@. Type it as %@ or %@.</source>
        <translation>“%@” er ikke en dato mellem %@ og %@. Skriv den som %@ eller %@.</translation>
    </message>
    <message>
        <source>&quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</source>
        <translation>&quot;%@&quot; er ikke et klokkeslæt. Skriv det som 9:30, 9.30 eller 09:30.</translation>
    </message>
    <message>
        <source>&quot;%@&quot; is too long a feed. Type a number of points from 0 to %@, for example %@.</source>
        <translation>&quot;%@&quot; er en for lang fremføring. Skriv et antal punkter fra 0 til %@, for eksempel %@.</translation>
    </message>
    <message>
        <source>A name cannot hold a line break, a tab or another control character.</source>
        <translation>Et navn kan ikke indeholde et linjeskift, en tabulator eller et andet kontroltegn.</translation>
    </message>
    <message>
        <source>A name is at most %@ characters long; this one has %@.</source>
        <translation>Et navn må højst være på %@ tegn; dette har %@.</translation>
    </message>
    <message>
        <source>Choose the stage the entries of %@ go into.</source>
        <translation>Vælg den etape, tilmeldingerne fra %@ skal i.</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importér</translation>
    </message>
    <message>
        <source>Import entries</source>
        <translation>Importér tilmeldinger</translation>
    </message>
    <message>
        <source>The entries of %@ go into the stage %@ (%@). To import them into another stage, choose it here.</source>
        <translation>Tilmeldingerne fra %@ kommer i etapen %@ (%@). Vælg en anden etape her for at importere dem dertil.</translation>
    </message>
    <message>
        <source>The time limit must be at most %@ minutes (a week), not %@.</source>
        <translation>Tidsgrænsen må højst være %@ minutter (en uge), ikke %@.</translation>
    </message>
</context>
</TS>
