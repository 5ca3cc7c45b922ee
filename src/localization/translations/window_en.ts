<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a number of points. Type a number of 0 or more, for example %@.</source>
        <translation>&quot;%@&quot; is not a number of points. Type a number of 0 or more, for example %@.</translation>
    </message>
    <message>
        <source>Could not connect to the station: %@</source>
        <translation>Could not connect to the station: %@</translation>
    </message>
    <message>
        <source>DID NOT FINISH</source>
        <translation>DID NOT FINISH</translation>
    </message>
    <message>
        <source>DID NOT START</source>
        <translation>DID NOT START</translation>
    </message>
    <message>
        <source>Did not finish</source>
        <translation>Did not finish</translation>
    </message>
    <message>
        <source>Earlier read, not ranked</source>
        <translation>Earlier read, not ranked</translation>
    </message>
    <message>
        <source>MISPUNCH</source>
        <translation>MISPUNCH</translation>
    </message>
    <message>
        <source>Mispunch</source>
        <translation>Mispunch</translation>
    </message>
    <message>
        <source>NO START TIME</source>
        <translation>NO START TIME</translation>
    </message>
    <message>
        <source>No SportIdent reader found</source>
        <translation>No SportIdent reader found</translation>
    </message>
    <message>
        <source>No stage</source>
        <translation>No stage</translation>
    </message>
    <message>
        <source>No station found. Connect the SportIdent station by USB, then choose Refresh Ports.</source>
        <translation>No station found. Connect the SportIdent station by USB, then choose Refresh Ports.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Over time</source>
        <translation>Over time</translation>
    </message>
    <message>
        <source>Read again</source>
        <translation>Read again</translation>
    </message>
    <message>
        <source>Read again: this card was already read at %@</source>
        <translation>Read again: this card was already read at %@</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Save Event</source>
        <translation>Save Event</translation>
    </message>
    <message>
        <source>Saving works again: every change is saved.</source>
        <translation>Saving works again: every change is saved.</translation>
    </message>
    <message>
        <source>The event file %@ is damaged and could not be opened (%@). Vexlo opened the last autosave instead: “%@”. Choose Save As to keep it in a file; until then it is saved only in the autosave.</source>
        <translation>The event file %@ is damaged and could not be opened (%@). Vexlo opened the last autosave instead: “%@”. Choose Save As to keep it in a file; until then it is saved only in the autosave.</translation>
    </message>
    <message>
        <source>Some changes found after the last session could not be restored whole and were left out. They are kept in %@.</source>
        <translation>Some changes found after the last session could not be restored whole and were left out. They are kept in %@.</translation>
    </message>
    <message>
        <source>The event is not being saved: %@. Check that the event file&apos;s folder still exists, can be written to and has free space. Keep the window open: everything is saved as soon as that works again.</source>
        <translation>The event is not being saved: %@. Check that the event file&apos;s folder still exists, can be written to and has free space. Keep the window open: everything is saved as soon as that works again.</translation>
    </message>
    <message>
        <source>The station was disconnected. No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</source>
        <translation>The station was disconnected. No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</translation>
    </message>
    <message>
        <source>The station was lost (%@). No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</source>
        <translation>The station was lost (%@). No cards are read until it is back: plug it in again, then choose Refresh Ports or Connect.</translation>
    </message>
    <message>
        <source>Unknown stage</source>
        <translation>Unknown stage</translation>
    </message>
    <message>
        <source>Vexlo cannot quit safely: the event cannot be saved (%@), and changes would be lost. Save it somewhere else, for example on another disk, or make the folder writable or free space and quit again.</source>
        <translation>Vexlo cannot quit safely: the event cannot be saved (%@), and changes would be lost. Save it somewhere else, for example on another disk, or make the folder writable or free space and quit again.</translation>
    </message>
    <message>
        <source>Vexlo events</source>
        <translation>Vexlo events</translation>
    </message>
</context>
</TS>
