<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a number of points. Type a number of 0 or more, for example %@.</source>
        <translation>&quot;%@&quot; er ikke et antal punkter. Skriv et tal på 0 eller mere, for eksempel %@.</translation>
    </message>
    <message>
        <source>Could not connect to the station: %@</source>
        <translation>Kunne ikke forbinde til stationen: %@</translation>
    </message>
    <message>
        <source>DID NOT FINISH</source>
        <translation>IKKE GENNEMFØRT</translation>
    </message>
    <message>
        <source>DID NOT START</source>
        <translation>IKKE STARTET</translation>
    </message>
    <message>
        <source>Did not finish</source>
        <translation>Ikke gennemført</translation>
    </message>
    <message>
        <source>Earlier read, not ranked</source>
        <translation>Tidligere aflæsning, uden placering</translation>
    </message>
    <message>
        <source>MISPUNCH</source>
        <translation>FEJLKLIP</translation>
    </message>
    <message>
        <source>Mispunch</source>
        <translation>Fejlklip</translation>
    </message>
    <message>
        <source>NO START TIME</source>
        <translation>INGEN STARTTID</translation>
    </message>
    <message>
        <source>No SportIdent reader found</source>
        <translation>Ingen SportIdent-aflæser fundet</translation>
    </message>
    <message>
        <source>No stage</source>
        <translation>Ingen etape</translation>
    </message>
    <message>
        <source>No station found. Connect the SportIdent station by USB, then choose Refresh Ports.</source>
        <translation>Ingen station fundet. Tilslut SportIdent-stationen med USB, og vælg derefter Opdater porte.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Over time</source>
        <translation>Over tid</translation>
    </message>
    <message>
        <source>Read again</source>
        <translation>Læst igen</translation>
    </message>
    <message>
        <source>Read again: this card was already read at %@</source>
        <translation>Læst igen: brikken blev allerede læst kl. %@</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Gem</translation>
    </message>
    <message>
        <source>Save Event</source>
        <translation>Gem løb</translation>
    </message>
    <message>
        <source>Saving works again: every change is saved.</source>
        <translation>Gemning virker igen: alle ændringer er gemt.</translation>
    </message>
    <message>
        <source>The event file %@ is damaged and could not be opened (%@). Vexlo opened the last autosave instead: “%@”. Choose Save As to keep it in a file; until then it is saved only in the autosave.</source>
        <translation>Løbsfilen %@ er beskadiget og kunne ikke åbnes (%@). Vexlo åbnede i stedet den seneste autogemte udgave: “%@”. Vælg Gem som for at gemme løbet i en fil; indtil da gemmes det kun i den autogemte udgave.</translation>
    </message>
    <message>
        <source>Some changes found after the last session could not be restored whole and were left out. They are kept in %@.</source>
        <translation>Nogle ændringer fra sidste session kunne ikke genskabes hele og blev udeladt. De er gemt i %@.</translation>
    </message>
    <message>
        <source>The event is not being saved: %@. Check that the event file&apos;s folder still exists, can be written to and has free space. Keep the window open: everything is saved as soon as that works again.</source>
        <translation>Løbet bliver ikke gemt: %@. Kontrollér, at løbsfilens mappe stadig findes, kan skrives i og har ledig plads. Lad vinduet være åbent: alt gemmes, så snart det virker igen.</translation>
    </message>
    <message>
        <source>The station was disconnected. No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</source>
        <translation>Stationen blev afbrudt. Der aflæses ingen brikker, før den er tilbage: sæt den i igen, og vælg derefter Opdater porte eller Forbind.</translation>
    </message>
    <message>
        <source>The station was lost (%@). No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</source>
        <translation>Forbindelsen til stationen gik tabt (%@). Der aflæses ingen brikker, før den er tilbage: sæt den i igen, og vælg derefter Opdater porte eller Forbind.</translation>
    </message>
    <message>
        <source>Unknown stage</source>
        <translation>Ukendt etape</translation>
    </message>
    <message>
        <source>Vexlo cannot quit safely: the event cannot be saved (%@), and changes would be lost. Save it somewhere else, for example on another disk, or make the folder writable or free space and quit again.</source>
        <translation>Vexlo kan ikke afslutte sikkert: løbet kan ikke gemmes (%@), og ændringer ville gå tabt. Gem det et andet sted, for eksempel på en anden disk, eller gør mappen skrivbar eller frigør plads, og afslut igen.</translation>
    </message>
    <message>
        <source>Vexlo events</source>
        <translation>Vexlo-løb</translation>
    </message>
</context>
</TS>
