<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ and %@ may run the same course and would both start at %@.</source>
        <translation>%@ and %@ may run the same course and would both start at %@.</translation>
    </message>
    <message>
        <source>%@ participant(s) assigned a start time.</source>
        <translation>%@ participant(s) assigned a start time.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. %@ runners per slot (%@ more) would place everyone.</source>
        <translation>%@ runner(s) could not be placed. %@ runners per slot (%@ more) would place everyone.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) or %@ runners per slot (%@ more) would place everyone.</source>
        <translation>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) or %@ runners per slot (%@ more) would place everyone.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) would place everyone.</source>
        <translation>%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) would place everyone.</translation>
    </message>
    <message>
        <source>%@ runner(s) could not be placed. No start period ending before midnight and no number of runners per slot places everyone at a minimum gap of %@ minute(s); lower the gap.</source>
        <translation>%@ runner(s) could not be placed. No start period ending before midnight and no number of runners per slot places everyone at a minimum gap of %@ minute(s); lower the gap.</translation>
    </message>
    <message>
        <source>:</source>
        <translation>:</translation>
    </message>
    <message>
        <source>A minimum gap of %@ minutes does not fit in a start period of %@ minutes.</source>
        <translation>A minimum gap of %@ minutes does not fit in a start period of %@ minutes.</translation>
    </message>
    <message>
        <source>A start period of %@ minutes from %@ runs past midnight.</source>
        <translation>A start period of %@ minutes from %@ runs past midnight.</translation>
    </message>
    <message>
        <source>At least 1 runner must fit in a slot, not %@.</source>
        <translation>At least 1 runner must fit in a slot, not %@.</translation>
    </message>
    <message>
        <source>By class</source>
        <translation>By class</translation>
    </message>
    <message>
        <source>By timeslot</source>
        <translation>By timeslot</translation>
    </message>
    <message>
        <source>Card %@</source>
        <translation>Card %@</translation>
    </message>
    <message>
        <source>Class %@ starts by start punch: its runners get no planned start time.</source>
        <translation>Class %@ starts by start punch: its runners get no planned start time.</translation>
    </message>
    <message>
        <source>Clear start times?</source>
        <translation>Clear start times?</translation>
    </message>
    <message>
        <source>Count runners per class</source>
        <translation>Count runners per class</translation>
    </message>
    <message>
        <source>Drop the runner onto a cell of a class.</source>
        <translation>Drop the runner onto a cell of a class.</translation>
    </message>
    <message>
        <source>Drop the runner onto a row of the Scheduled list.</source>
        <translation>Drop the runner onto a row of the Scheduled list.</translation>
    </message>
    <message>
        <source>Early start</source>
        <translation>Early start</translation>
    </message>
    <message>
        <source>Export as A4 portrait PDF, one section per class</source>
        <translation>Export as A4 portrait PDF, one section per class</translation>
    </message>
    <message>
        <source>Export runners in classes using the card's own start punch (no scheduled time)</source>
        <translation>Export runners in classes using the card's own start punch (no scheduled time)</translation>
    </message>
    <message>
        <source>Fills the start period above with every participant.</source>
        <translation>Fills the start period above with every participant.</translation>
    </message>
    <message>
        <source>First start</source>
        <translation>First start</translation>
    </message>
    <message>
        <source>Fixed interval startlist</source>
        <translation>Fixed interval startlist</translation>
    </message>
    <message>
        <source>Fixed intervals</source>
        <translation>Fixed intervals</translation>
    </message>
    <message>
        <source>Generate</source>
        <translation>Generate</translation>
    </message>
    <message>
        <source>Generated with warnings</source>
        <translation>Generated with warnings</translation>
    </message>
    <message>
        <source>Generating full start list...</source>
        <translation>Generating full start list...</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>HH:mm:ss</source>
        <translation>HH:mm:ss</translation>
    </message>
    <message>
        <source>Honors each runner's &quot;Early&quot;/&quot;Late&quot; start preference (set from the list view).</source>
        <translation>Honors each runner's &quot;Early&quot;/&quot;Late&quot; start preference (set from the list view).</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Import start list (IOF XML)...</source>
        <translation>Import start list (IOF XML)...</translation>
    </message>
    <message>
        <source>Importing start list...</source>
        <translation>Importing start list...</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>Keeps classes that share the same course apart.</source>
        <translation>Keeps classes that share the same course apart.</translation>
    </message>
    <message>
        <source>Keeps classes/courses that share the same first control apart where possible (a soft rule).</source>
        <translation>Keeps classes/courses that share the same first control apart where possible (a soft rule).</translation>
    </message>
    <message>
        <source>Keeps clubmates apart where possible.</source>
        <translation>Keeps clubmates apart where possible.</translation>
    </message>
    <message>
        <source>Late start</source>
        <translation>Late start</translation>
    </message>
    <message>
        <source>List</source>
        <translation>List</translation>
    </message>
    <message>
        <source>List start time preferences</source>
        <translation>List start time preferences</translation>
    </message>
    <message>
        <source>Loading grid…</source>
        <translation>Loading grid…</translation>
    </message>
    <message>
        <source>Loading start list…</source>
        <translation>Loading start list…</translation>
    </message>
    <message>
        <source>Maximum runners per slot</source>
        <translation>Maximum runners per slot</translation>
    </message>
    <message>
        <source>Minimum gap between runners (min)</source>
        <translation>Minimum gap between runners (min)</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>No start-time preference</source>
        <translation>No start-time preference</translation>
    </message>
    <message>
        <source>One minute earlier</source>
        <translation>One minute earlier</translation>
    </message>
    <message>
        <source>One minute later</source>
        <translation>One minute later</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>Prefers a late start</source>
        <translation>Prefers a late start</translation>
    </message>
    <message>
        <source>Prefers an early start</source>
        <translation>Prefers an early start</translation>
    </message>
    <message>
        <source>Random draw</source>
        <translation>Random draw</translation>
    </message>
    <message>
        <source>Recalculates and replaces all existing start times.</source>
        <translation>Recalculates and replaces all existing start times.</translation>
    </message>
    <message>
        <source>Rule based startlist</source>
        <translation>Rule based startlist</translation>
    </message>
    <message>
        <source>Rule-based start list generation</source>
        <translation>Rule-based start list generation</translation>
    </message>
    <message>
        <source>Scheduled</source>
        <translation>Scheduled</translation>
    </message>
    <message>
        <source>Search name, card or club</source>
        <translation>Search name, card or club</translation>
    </message>
    <message>
        <source>Second</source>
        <translation>Second</translation>
    </message>
    <message>
        <source>Spaces each class's runners as evenly as possible within it.</source>
        <translation>Spaces each class's runners as evenly as possible within it.</translation>
    </message>
    <message>
        <source>Spacing runners within each class, keeping clubs apart where possible, and respecting the %@-minute window.</source>
        <translation>Spacing runners within each class, keeping clubs apart where possible, and respecting the %@-minute window.</translation>
    </message>
    <message>
        <source>Start list generated</source>
        <translation>Start list generated</translation>
    </message>
    <message>
        <source>Start period (minutes)</source>
        <translation>Start period (minutes)</translation>
    </message>
    <message>
        <source>Start punch classes</source>
        <translation>Start punch classes</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>That cell has no start time.</source>
        <translation>That cell has no start time.</translation>
    </message>
    <message>
        <source>That runner is no longer in the event.</source>
        <translation>That runner is no longer in the event.</translation>
    </message>
    <message>
        <source>The clock skips %@ on that day (summer time begins). Choose another time.</source>
        <translation>The clock skips %@ on that day (summer time begins). Choose another time.</translation>
    </message>
    <message>
        <source>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30 under Fixed interval startlist.</source>
        <translation>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30 under Fixed interval startlist.</translation>
    </message>
    <message>
        <source>The minimum gap must be at least 1 minute, not %@.</source>
        <translation>The minimum gap must be at least 1 minute, not %@.</translation>
    </message>
    <message>
        <source>The start period must be 0 to 1440 minutes, not %@.</source>
        <translation>The start period must be 0 to 1440 minutes, not %@.</translation>
    </message>
    <message>
        <source>Unscheduled</source>
        <translation>Unscheduled</translation>
    </message>
    <message>
        <source>XML</source>
        <translation>XML</translation>
    </message>
    <message>
        <source>XML files (*.xml)</source>
        <translation>XML files (*.xml)</translation>
    </message>
    <message>
        <source>⚠ Rent-a-card — assign a physical card before start</source>
        <translation>⚠ Rent-a-card — assign a physical card before start</translation>
    </message>
    <message>
        <source>Import anyway</source>
        <translation>Import anyway</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
