<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ participant(s)</translation>
    </message>
    <message>
        <source>(None)</source>
        <translation>(None)</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>All</source>
        <translation>All</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>All classes</translation>
    </message>
    <message>
        <source>Assign card</source>
        <translation>Assign card</translation>
    </message>
    <message>
        <source>Assign this card to an existing entry (registered with no card yet):</source>
        <translation>Assign this card to an existing entry (registered with no card yet):</translation>
    </message>
    <message>
        <source>Card %@ · %@%@</source>
        <translation>Card %@ · %@%@</translation>
    </message>
    <message>
        <source>Card %@ — no participant registered</source>
        <translation>Card %@ — no participant registered</translation>
    </message>
    <message>
        <source>Cards read with no runner (%@)</source>
        <translation>Cards read with no runner (%@)</translation>
    </message>
    <message>
        <source>Change course</source>
        <translation>Change course</translation>
    </message>
    <message>
        <source>Check this card: it holds another run of this course, so today&apos;s run cannot be told apart</source>
        <translation>Check this card: it holds another run of this course, so today&apos;s run cannot be told apart</translation>
    </message>
    <message>
        <source>Check this card: its punch times run backwards within the run; a station&apos;s clock may be wrong</source>
        <translation>Check this card: its punch times run backwards within the run; a station&apos;s clock may be wrong</translation>
    </message>
    <message>
        <source>Check this card: its punches complete several courses of the class</source>
        <translation>Check this card: its punches complete several courses of the class</translation>
    </message>
    <message>
        <source>Check this card: its start record may be left from an earlier run, so the race time cannot be trusted</source>
        <translation>Check this card: its start record may be left from an earlier run, so the race time cannot be trusted</translation>
    </message>
    <message>
        <source>Check this card: the finish lies before the start, so the start record is likely left from an earlier run</source>
        <translation>Check this card: the finish lies before the start, so the start record is likely left from an earlier run</translation>
    </message>
    <message>
        <source>Checked out</source>
        <translation>Checked out</translation>
    </message>
    <message>
        <source>Clear override (use automatic)</source>
        <translation>Clear override (use automatic)</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Control</translation>
    </message>
    <message>
        <source>DNF</source>
        <translation>DNF</translation>
    </message>
    <message>
        <source>DNS</source>
        <translation>DNS</translation>
    </message>
    <message>
        <source>Delete entry</source>
        <translation>Delete entry</translation>
    </message>
    <message>
        <source>Delete entry?</source>
        <translation>Delete entry?</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Dismiss</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>Finish: %@</source>
        <translation>Finish: %@</translation>
    </message>
    <message>
        <source>Finish: —</source>
        <translation>Finish: —</translation>
    </message>
    <message>
        <source>From start</source>
        <translation>From start</translation>
    </message>
    <message>
        <source>Identified course from punches: %@</source>
        <translation>Identified course from punches: %@</translation>
    </message>
    <message>
        <source>MISSING</source>
        <translation>MISSING</translation>
    </message>
    <message>
        <source>Not started yet</source>
        <translation>Not started yet</translation>
    </message>
    <message>
        <source>Overall</source>
        <translation>Overall</translation>
    </message>
    <message>
        <source>Override: %@ — %@</source>
        <translation>Override: %@ — %@</translation>
    </message>
    <message>
        <source>Print receipt</source>
        <translation>Print receipt</translation>
    </message>
    <message>
        <source>Pull check-ins</source>
        <translation>Pull check-ins</translation>
    </message>
    <message>
        <source>Pull the latest check-in state from O-Checklist</source>
        <translation>Pull the latest check-in state from O-Checklist</translation>
    </message>
    <message>
        <source>Read at %@ · %@ punch(es)</source>
        <translation>Read at %@ · %@ punch(es)</translation>
    </message>
    <message>
        <source>Reason (e.g. control malfunction)</source>
        <translation>Reason (e.g. control malfunction)</translation>
    </message>
    <message>
        <source>Register new participant instead</source>
        <translation>Register new participant instead</translation>
    </message>
    <message>
        <source>Results PDF</source>
        <translation>Results PDF</translation>
    </message>
    <message>
        <source>Results XML</source>
        <translation>Results XML</translation>
    </message>
    <message>
        <source>Set up O-Checklist (API key + event) in Advanced settings first</source>
        <translation>Set up O-Checklist (API key + event) in Advanced settings first</translation>
    </message>
    <message>
        <source>Show split times</source>
        <translation>Show split times</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>Splits PDF</source>
        <translation>Splits PDF</translation>
    </message>
    <message>
        <source>Splits XML</source>
        <translation>Splits XML</translation>
    </message>
    <message>
        <source>Start: %@</source>
        <translation>Start: %@</translation>
    </message>
    <message>
        <source>Start: —</source>
        <translation>Start: —</translation>
    </message>
    <message>
        <source>Still going</source>
        <translation>Still going</translation>
    </message>
    <message>
        <source>That entry no longer exists. Choose another entry or register a new participant.</source>
        <translation>That entry no longer exists. Choose another entry or register a new participant.</translation>
    </message>
    <message>
        <source>This overrides the automatically computed status regardless of missing punches. Provide a brief reason for the audit trail.</source>
        <translation>This overrides the automatically computed status regardless of missing punches. Provide a brief reason for the audit trail.</translation>
    </message>
    <message>
        <source>This removes this card-read result permanently. The participant record itself is not affected.</source>
        <translation>This removes this card-read result permanently. The participant record itself is not affected.</translation>
    </message>
    <message>
        <source>This station is a slave: correct results at the master, whose next update would undo a correction made here.</source>
        <translation>This station is a slave: correct results at the master, whose next update would undo a correction made here.</translation>
    </message>
    <message>
        <source>This station is a slave: mark DNS and DNF at the master, whose next update would undo a mark made here.</source>
        <translation>This station is a slave: mark DNS and DNF at the master, whose next update would undo a mark made here.</translation>
    </message>
    <message>
        <source>This station is a slave: register the runner at the master, whose next update would drop an entry made here, then read the card again.</source>
        <translation>This station is a slave: register the runner at the master, whose next update would drop an entry made here, then read the card again.</translation>
    </message>
    <message>
        <source>VISITED</source>
        <translation>VISITED</translation>
    </message>
    <message>
        <source>Card reads go to %@</source>
        <translation>Card reads go to %@</translation>
    </message>
    <message>
        <source>Card reads now go to %@</source>
        <translation>Card reads now go to %@</translation>
    </message>
    <message>
        <source>Card reads go to %@ (%@)</source>
        <translation>Card reads go to %@ (%@)</translation>
    </message>
    <message>
        <source>Card reads go to %@, dated %@, but %@ is dated today.</source>
        <translation>Card reads go to %@, dated %@, but %@ is dated today.</translation>
    </message>
    <message>
        <source>Switch to %@</source>
        <translation>Switch to %@</translation>
    </message>
    <message>
        <source>Read into %@ (%@), but %@ is dated today.</source>
        <translation>Read into %@ (%@), but %@ is dated today.</translation>
    </message>
    <message>
        <source>This runner was marked as not started; the read removed the mark.</source>
        <translation>This runner was marked as not started; the read removed the mark.</translation>
    </message>
    <message>
        <source>Marked as not started on this stage: listed so until the mark is cleared.</source>
        <translation>Marked as not started on this stage: listed so until the mark is cleared.</translation>
    </message>
    <message>
        <source>Marked as not finished on this stage: listed so until the mark is cleared.</source>
        <translation>Marked as not finished on this stage: listed so until the mark is cleared.</translation>
    </message>
</context>
</TS>
