<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ entry(ies) had an inconsistent date in the source file (likely a past-midnight rollover in the export) — normalized to match the rest of the field&apos;s date.</source>
        <translation>%@ entry(ies) had an inconsistent date in the source file (likely a past-midnight rollover in the export) — normalized to match the rest of the field&apos;s date.</translation>
    </message>
    <message>
        <source>%@ entry(ies) had no matching participant.</source>
        <translation>%@ entry(ies) had no matching participant.</translation>
    </message>
    <message>
        <source>%@ entry(ies) skipped (class uses start punch).</source>
        <translation>%@ entry(ies) skipped (class uses start punch).</translation>
    </message>
    <message>
        <source>%@ matched start time(s) fall outside the dates an event file can hold (years 1 to 9999), so none was imported.</source>
        <translation>%@ matched start time(s) fall outside the dates an event file can hold (years 1 to 9999), so none was imported.</translation>
    </message>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ participant(s)</translation>
    </message>
    <message>
        <source>%@ runner(s) still show a time: the event&apos;s base start time, which every stage without its own time uses. Edit the runners to remove it.</source>
        <translation>%@ runner(s) still show a time: the event&apos;s base start time, which every stage without its own time uses. Edit the runners to remove it.</translation>
    </message>
    <message>
        <source>%@ start time(s) cleared.</source>
        <translation>%@ start time(s) cleared.</translation>
    </message>
    <message>
        <source>%@ start time(s) imported.</source>
        <translation>%@ start time(s) imported.</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>All classes</translation>
    </message>
    <message>
        <source>Card %@ · %@</source>
        <translation>Card %@ · %@</translation>
    </message>
    <message>
        <source>Clear all start times</source>
        <translation>Clear all start times</translation>
    </message>
    <message>
        <source>Clear class start times</source>
        <translation>Clear class start times</translation>
    </message>
    <message>
        <source>Estimated last start: %@</source>
        <translation>Estimated last start: %@</translation>
    </message>
    <message>
        <source>Export as A4 portrait PDF, chronological</source>
        <translation>Export as A4 portrait PDF, chronological</translation>
    </message>
    <message>
        <source>Export grid layout as A4 landscape PDF</source>
        <translation>Export grid layout as A4 landscape PDF</translation>
    </message>
    <message>
        <source>Import failed: </source>
        <translation>Import failed: </translation>
    </message>
    <message>
        <source>Interval: %@s</source>
        <translation>Interval: %@s</translation>
    </message>
    <message>
        <source>Mass start (interval 0s)</source>
        <translation>Mass start (interval 0s)</translation>
    </message>
    <message>
        <source>No start time was written; the event is unchanged.</source>
        <translation>No start time was written; the event is unchanged.</translation>
    </message>
    <message>
        <source>Not a local file: %@</source>
        <translation>Not a local file: %@</translation>
    </message>
    <message>
        <source>Set time</source>
        <translation>Set time</translation>
    </message>
    <message>
        <source>Start List — Start Punch Classes</source>
        <translation>Start List — Start Punch Classes</translation>
    </message>
    <message>
        <source>The file is too large to be a start list.</source>
        <translation>The file is too large to be a start list.</translation>
    </message>
    <message>
        <source>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</source>
        <translation>The first start &quot;%@&quot; is not a time of day. Type it as 9:30, 9.30 or 09:30.</translation>
    </message>
    <message>
        <source>The interval must be between 0 and 600 seconds.</source>
        <translation>The interval must be between 0 and 600 seconds.</translation>
    </message>
    <message>
        <source>This clears the scheduled start time for every participant in every class. This cannot be undone.</source>
        <translation>This clears the scheduled start time for every participant in every class. This cannot be undone.</translation>
    </message>
    <message>
        <source>This clears the scheduled start time for every participant in this class. This cannot be undone.</source>
        <translation>This clears the scheduled start time for every participant in this class. This cannot be undone.</translation>
    </message>
    <message>
        <source>%@ of them replaced an existing start time.</source>
        <translation>%@ of them replaced an existing start time.</translation>
    </message>
    <message>
        <source>%@ start time(s) placed on the stage's date, %@.</source>
        <translation>%@ start time(s) placed on the stage's date, %@.</translation>
    </message>
    <message>
        <source>This start list is for %@, but the active stage, %@, is on %@. Import its start times into %@ anyway, placed on %@?</source>
        <translation>This start list is for %@, but the active stage, %@, is on %@. Import its start times into %@ anyway, placed on %@?</translation>
    </message>
    <message>
        <source>Import cancelled: no start time was changed. Make the stage the start list is for the active stage, or choose the start list of this stage, and import again.</source>
        <translation>Import cancelled: no start time was changed. Make the stage the start list is for the active stage, or choose the start list of this stage, and import again.</translation>
    </message>
</context>
</TS>
