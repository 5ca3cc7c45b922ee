<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>"/" cannot be part of a file name; the file will be called "%@".</source>
        <translation>"/" cannot be part of a file name; the file will be called "%@".</translation>
    </message>
    <message>
        <source>%@ course</source>
        <translation>%@ course</translation>
    </message>
    <message>
        <source>%@ is a folder, not an event file.</source>
        <translation>%@ is a folder, not an event file.</translation>
    </message>
    <message>
        <source>(Class default)</source>
        <translation>(Class default)</translation>
    </message>
    <message>
        <source>(Default)</source>
        <translation>(Default)</translation>
    </message>
    <message>
        <source>(Same as base)</source>
        <translation>(Same as base)</translation>
    </message>
    <message>
        <source>ACTIVE</source>
        <translation>ACTIVE</translation>
    </message>
    <message>
        <source>Active stage</source>
        <translation>Active stage</translation>
    </message>
    <message>
        <source>Active stage (used when recording card reads)</source>
        <translation>Active stage (used when recording card reads)</translation>
    </message>
    <message>
        <source>Add Stage</source>
        <translation>Add Stage</translation>
    </message>
    <message>
        <source>Base class</source>
        <translation>Base class</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Card number</source>
        <translation>Card number</translation>
    </message>
    <message>
        <source>Clear Recent Events</source>
        <translation>Clear Recent Events</translation>
    </message>
    <message>
        <source>Click to make this the active stage</source>
        <translation>Click to make this the active stage</translation>
    </message>
    <message>
        <source>Configure one entry per day/stage of a multi-stage event. Card reads are recorded against whichever stage is currently active below; a class gets an overall (summed) total once more than one stage exists.</source>
        <translation>Configure one entry per day/stage of a multi-stage event. Card reads are recorded against whichever stage is currently active below; a class gets an overall (summed) total once more than one stage exists.</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>Course (override)</source>
        <translation>Course (override)</translation>
    </message>
    <message>
        <source>Current event</source>
        <translation>Current event</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Delete stage?</source>
        <translation>Delete stage?</translation>
    </message>
    <message>
        <source>Early</source>
        <translation>Early</translation>
    </message>
    <message>
        <source>Entries per class</source>
        <translation>Entries per class</translation>
    </message>
    <message>
        <source>Event date</source>
        <translation>Event date</translation>
    </message>
    <message>
        <source>Event files (*.json)</source>
        <translation>Event files (*.json)</translation>
    </message>
    <message>
        <source>Existing results/start times already tagged with this stage are kept but will no longer resolve to a named stage. This cannot be undone.</source>
        <translation>Existing results/start times already tagged with this stage are kept but will no longer resolve to a named stage. This cannot be undone.</translation>
    </message>
    <message>
        <source>Export entries with start times (OE CSV)</source>
        <translation>Export entries with start times (OE CSV)</translation>
    </message>
    <message>
        <source>Family name</source>
        <translation>Family name</translation>
    </message>
    <message>
        <source>Given name</source>
        <translation>Given name</translation>
    </message>
    <message>
        <source>Late</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>Leave a stage set to "(Same as base)" to use the base class above for that stage.</source>
        <translation>Leave a stage set to "(Same as base)" to use the base class above for that stage.</translation>
    </message>
    <message>
        <source>Load failed: %@</source>
        <translation>Load failed: %@</translation>
    </message>
    <message>
        <source>More</source>
        <translation>More</translation>
    </message>
    <message>
        <source>Multi-stage event (multiple days/legs)</source>
        <translation>Multi-stage event (multiple days/legs)</translation>
    </message>
    <message>
        <source>New</source>
        <translation>New</translation>
    </message>
    <message>
        <source>New Event</source>
        <translation>New Event</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Next month</translation>
    </message>
    <message>
        <source>No preference</source>
        <translation>No preference</translation>
    </message>
    <message>
        <source>No runners have a start-time preference set.</source>
        <translation>No runners have a start-time preference set.</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Not a date between %@ and %@.</source>
        <translation>Not a date between %@ and %@.</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>Order: %lld</source>
        <translation>Order: %lld</translation>
    </message>
    <message>
        <source>Per-stage overrides</source>
        <translation>Per-stage overrides</translation>
    </message>
    <message>
        <source>Previous month</source>
        <translation>Previous month</translation>
    </message>
    <message>
        <source>Recent Events</source>
        <translation>Recent Events</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>Save failed: %@</source>
        <translation>Save failed: %@</translation>
    </message>
    <message>
        <source>Sort by</source>
        <translation>Sort by</translation>
    </message>
    <message>
        <source>Start a new event?</source>
        <translation>Start a new event?</translation>
    </message>
    <message>
        <source>Start preference</source>
        <translation>Start preference</translation>
    </message>
    <message>
        <source>Start time preferences</source>
        <translation>Start time preferences</translation>
    </message>
    <message>
        <source>Stays in its own class on %@</source>
        <translation>Stays in its own class on %@</translation>
    </message>
    <message>
        <source>The card number is blank.</source>
        <translation>The card number is blank.</translation>
    </message>
    <message>
        <source>The event has no name; its file will be called "%@".</source>
        <translation>The event has no name; its file will be called "%@".</translation>
    </message>
    <message>
        <source>The open event has changes that are not saved to its file. A new event replaces it.</source>
        <translation>The open event has changes that are not saved to its file. A new event replaces it.</translation>
    </message>
    <message>
        <source>This card number is already assigned to another participant.</source>
        <translation>This card number is already assigned to another participant.</translation>
    </message>
</context>
</TS>
