<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a time of day (for example 9:30).</source>
        <translation>&quot;%@&quot; is not a time of day (for example 9:30).</translation>
    </message>
    <message>
        <source>%@ (%@ variants)</source>
        <translation>%@ (%@ variants)</translation>
    </message>
    <message>
        <source>(Default)</source>
        <translation>(Default)</translation>
    </message>
    <message>
        <source>Add Class</source>
        <translation>Add Class</translation>
    </message>
    <message>
        <source>Applied to every start-punch class with no class-specific override (see the clock button on each class row).</source>
        <translation>Applied to every start-punch class with no class-specific override (see the clock button on each class row).</translation>
    </message>
    <message>
        <source>Auto-match classes to courses</source>
        <translation>Auto-match classes to courses</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Clear override (use event default)</source>
        <translation>Clear override (use event default)</translation>
    </message>
    <message>
        <source>Close</source>
        <comment>time of day</comment>
        <translation>Close</translation>
    </message>
    <message>
        <source>Course</source>
        <translation>Course</translation>
    </message>
    <message>
        <source>Course Family</source>
        <translation>Course Family</translation>
    </message>
    <message>
        <source>Course family</source>
        <translation>Course family</translation>
    </message>
    <message>
        <source>Default start window (start punch)...</source>
        <translation>Default start window (start punch)...</translation>
    </message>
    <message>
        <source>Default start window — start punch classes</source>
        <translation>Default start window — start punch classes</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>Delete All</translation>
    </message>
    <message>
        <source>Delete all classes</source>
        <translation>Delete all classes</translation>
    </message>
    <message>
        <source>Delete all classes?</source>
        <translation>Delete all classes?</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Fill in both Open and Close, or clear both to use the event default.</source>
        <translation>Fill in both Open and Close, or clear both to use the event default.</translation>
    </message>
    <message>
        <source>Generate classes from courses</source>
        <translation>Generate classes from courses</translation>
    </message>
    <message>
        <source>Leave a stage set to &quot;(Default)&quot; to reuse the class&apos;s own course/start method for that stage (e.g. start punch for a sprint stage, scheduled time for a classic stage). Each stage only offers courses tagged for that stage (plus any untagged/shared ones).</source>
        <translation>Leave a stage set to &quot;(Default)&quot; to reuse the class&apos;s own course/start method for that stage (e.g. start punch for a sprint stage, scheduled time for a classic stage). Each stage only offers courses tagged for that stage (plus any untagged/shared ones).</translation>
    </message>
    <message>
        <source>Leave blank to use the event&apos;s default start window for start-punch classes.</source>
        <translation>Leave blank to use the event&apos;s default start window for start-punch classes.</translation>
    </message>
    <message>
        <source>Loading classes…</source>
        <translation>Loading classes…</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Multi-Course</source>
        <translation>Multi-Course</translation>
    </message>
    <message>
        <source>No courses available</source>
        <translation>No courses available</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Open</source>
        <comment>time of day</comment>
        <translation>Open</translation>
    </message>
    <message>
        <source>Per-stage course/start overrides</source>
        <translation>Per-stage course/start overrides</translation>
    </message>
    <message>
        <source>Per-stage settings — %@</source>
        <translation>Per-stage settings — %@</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Scheduled time</source>
        <translation>Scheduled time</translation>
    </message>
    <message>
        <source>Select courses...</source>
        <translation>Select courses...</translation>
    </message>
    <message>
        <source>Single Course</source>
        <translation>Single Course</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Start punch</source>
        <translation>Start punch</translation>
    </message>
    <message>
        <source>Start window override (falls back to the event default if not set)</source>
        <translation>Start window override (falls back to the event default if not set)</translation>
    </message>
    <message>
        <source>Start window — %@</source>
        <translation>Start window — %@</translation>
    </message>
    <message>
        <source>Start window — %@ (%@)</source>
        <translation>Start window — %@ (%@)</translation>
    </message>
    <message>
        <source>The stored start window was kept.</source>
        <translation>The stored start window was kept.</translation>
    </message>
    <message>
        <source>This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.</source>
        <translation>This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.</translation>
    </message>
</context>
</TS>
