<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a number of points.</source>
        <translation>&quot;%@&quot; is not a number of points.</translation>
    </message>
    <message>
        <source>%@ (%@ variants)</source>
        <translation>%@ (%@ variants)</translation>
    </message>
    <message>
        <source>%@ (%lld variants)</source>
        <translation>%@ (%lld variants)</translation>
    </message>
    <message>
        <source>%@ pt/min penalty</source>
        <translation>%@ pt/min penalty</translation>
    </message>
    <message>
        <source>(Default)</source>
        <translation>(Default)</translation>
    </message>
    <message>
        <source>A score cannot be negative: %@.</source>
        <translation>A score cannot be negative: %@.</translation>
    </message>
    <message>
        <source>A score is at most %@ points, not %@.</source>
        <translation>A score is at most %@ points, not %@.</translation>
    </message>
    <message>
        <source>Add Class</source>
        <translation>Add Class</translation>
    </message>
    <message>
        <source>Add Control</source>
        <translation>Add Control</translation>
    </message>
    <message>
        <source>Add Course</source>
        <translation>Add Course</translation>
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
        <source>Classes or participants assigned to this course will keep referring to it by id, but it will no longer resolve to a course. This cannot be undone.</source>
        <translation>Classes or participants assigned to this course will keep referring to it by id, but it will no longer resolve to a course. This cannot be undone.</translation>
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
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Controls (any order, point value each)</source>
        <translation>Controls (any order, point value each)</translation>
    </message>
    <message>
        <source>Controls (in order)</source>
        <translation>Controls (in order)</translation>
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
        <source>Course family (optional, for variants)</source>
        <translation>Course family (optional, for variants)</translation>
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
        <source>Delete all courses</source>
        <translation>Delete all courses</translation>
    </message>
    <message>
        <source>Delete all courses?</source>
        <translation>Delete all courses?</translation>
    </message>
    <message>
        <source>Delete course?</source>
        <translation>Delete course?</translation>
    </message>
    <message>
        <source>Deleted &quot;%@&quot;; %@ classes still refer to it.</source>
        <translation>Deleted &quot;%@&quot;; %@ classes still refer to it.</translation>
    </message>
    <message>
        <source>Deleted %@ courses; %@ classes still refer to a deleted course.</source>
        <translation>Deleted %@ courses; %@ classes still refer to a deleted course.</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Edit Course</source>
        <translation>Edit Course</translation>
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
        <source>IOF XML files (*.xml)</source>
        <translation>IOF XML files (*.xml)</translation>
    </message>
    <message>
        <source>Import Courses (IOF XML)...</source>
        <translation>Import Courses (IOF XML)...</translation>
    </message>
    <message>
        <source>Imported: %@ courses added, %@ courses updated, %@ classes added, %@ classes updated.</source>
        <translation>Imported: %@ courses added, %@ courses updated, %@ classes added, %@ classes updated.</translation>
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
        <source>Order %lld</source>
        <translation>Order %lld</translation>
    </message>
    <message>
        <source>Overtime penalty (points/min)</source>
        <translation>Overtime penalty (points/min)</translation>
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
        <source>Rogaining / score event</source>
        <translation>Rogaining / score event</translation>
    </message>
    <message>
        <source>Rogaining · %@ pts total</source>
        <translation>Rogaining · %@ pts total</translation>
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
        <source>The overtime penalty is at most %@ points per minute, not %@.</source>
        <translation>The overtime penalty is at most %@ points per minute, not %@.</translation>
    </message>
    <message>
        <source>The overtime penalty must be 0 or more points per minute, not %@.</source>
        <translation>The overtime penalty must be 0 or more points per minute, not %@.</translation>
    </message>
    <message>
        <source>The stored start window was kept.</source>
        <translation>The stored start window was kept.</translation>
    </message>
    <message>
        <source>The time limit must be a number of minutes of 0 or more, not %@.</source>
        <translation>The time limit must be a number of minutes of 0 or more, not %@.</translation>
    </message>
    <message>
        <source>This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.</source>
        <translation>This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.</translation>
    </message>
    <message>
        <source>This removes every course from the race. Classes or participants assigned to a now-missing course will keep referring to it by id, but it will no longer resolve to a course. Recorded results are not affected. This cannot be undone.</source>
        <translation>This removes every course from the race. Classes or participants assigned to a now-missing course will keep referring to it by id, but it will no longer resolve to a course. Recorded results are not affected. This cannot be undone.</translation>
    </message>
    <message>
        <source>Time limit (minutes)</source>
        <translation>Time limit (minutes)</translation>
    </message>
    <message>
        <source>e.g. 10</source>
        <translation>e.g. 10</translation>
    </message>
    <message>
        <source>e.g. 180</source>
        <translation>e.g. 180</translation>
    </message>
    <message>
        <source>limit %@min</source>
        <translation>limit %@min</translation>
    </message>
    <message>
        <source>Control %@ of course &quot;%@&quot; has the score %@ in the file; scores are whole points, so it counts %@.</source>
        <translation>Control %@ of course &quot;%@&quot; has the score %@ in the file; scores are whole points, so it counts %@.</translation>
    </message>
</context>
</TS>
