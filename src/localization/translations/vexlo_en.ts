<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>%@ contestant(s)</source>
        <translation>%@ contestant(s)</translation>
    </message>
    <message>
        <source>%@ controls</source>
        <translation>%@ controls</translation>
    </message>
    <message>
        <source>%@ pts</source>
        <translation>%@ pts</translation>
    </message>
    <message>
        <source>%lld</source>
        <translation>%lld</translation>
    </message>
    <message>
        <source>(-%@ overtime)</source>
        <translation>(-%@ overtime)</translation>
    </message>
    <message>
        <source>1. Simplest — walk-up / &quot;punch&apos;n&apos;run&quot;</source>
        <translation>1. Simplest — walk-up / &quot;punch&apos;n&apos;run&quot;</translation>
    </message>
    <message>
        <source>2. Simple — pre-registered entries, mass/punch start</source>
        <translation>2. Simple — pre-registered entries, mass/punch start</translation>
    </message>
    <message>
        <source>3. Medium — pre-registered entries, planned start list</source>
        <translation>3. Medium — pre-registered entries, planned start list</translation>
    </message>
    <message>
        <source>4. Advanced — multi-stage event with master/slave reader stations</source>
        <translation>4. Advanced — multi-stage event with master/slave reader stations</translation>
    </message>
    <message>
        <source>A few common ways to set up and run an event, from simplest to more involved. Each section referenced below is described in more detail on the Introduction page.</source>
        <translation>A few common ways to set up and run an event, from simplest to more involved. Each section referenced below is described in more detail on the Introduction page.</translation>
    </message>
    <message>
        <source>A multi-day event run across several reader stations at once (e.g. separate stations per start/finish point or per day), with one station acting as the authoritative master.</source>
        <translation>A multi-day event run across several reader stations at once (e.g. separate stations per start/finish point or per day), with one station acting as the authoritative master.</translation>
    </message>
    <message>
        <source>ALL STAGES</source>
        <translation>ALL STAGES</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>About Vexlo</source>
        <translation>About Vexlo</translation>
    </message>
    <message>
        <source>Advanced Printer Settings</source>
        <translation>Advanced Printer Settings</translation>
    </message>
    <message>
        <source>Advanced printer settings...</source>
        <translation>Advanced printer settings...</translation>
    </message>
    <message>
        <source>Advanced settings</source>
        <translation>Advanced settings</translation>
    </message>
    <message>
        <source>Advanced settings (Station Role): on the main computer, set the role to &quot;Master&quot; and Start it; on each additional reader computer, set the role to &quot;Slave&quot; and Start it — slaves discover the master automatically and read cards locally, submitting results back to it.</source>
        <translation>Advanced settings (Station Role): on the main computer, set the role to &quot;Master&quot; and Start it; on each additional reader computer, set the role to &quot;Slave&quot; and Start it — slaves discover the master automatically and read cards locally, submitting results back to it.</translation>
    </message>
    <message>
        <source>All data entered into Vexlo stays within the app and its companion website, except where you explicitly choose to publish results to live or other online results services. Your data is never shared with third parties, sold, or used for commercial or advertising purposes.</source>
        <translation>All data entered into Vexlo stays within the app and its companion website, except where you explicitly choose to publish results to live or other online results services. Your data is never shared with third parties, sold, or used for commercial or advertising purposes.</translation>
    </message>
    <message>
        <source>Auto-print (skip print dialog)</source>
        <translation>Auto-print (skip print dialog)</translation>
    </message>
    <message>
        <source>Auto-print on read</source>
        <translation>Auto-print on read</translation>
    </message>
    <message>
        <source>Autocut option key</source>
        <translation>Autocut option key</translation>
    </message>
    <message>
        <source>Autocut option value</source>
        <translation>Autocut option value</translation>
    </message>
    <message>
        <source>Automatic (on read)</source>
        <translation>Automatic (on read)</translation>
    </message>
    <message>
        <source>Bottom feed (pts)</source>
        <translation>Bottom feed (pts)</translation>
    </message>
    <message>
        <source>Build the entry list, assign SI cards, and set class/club; import iof xml, by URL or add manually. Card-to-runner matching here is what lets a card read resolve to a result.</source>
        <translation>Build the entry list, assign SI cards, and set class/club; import iof xml, by URL or add manually. Card-to-runner matching here is what lets a card read resolve to a result.</translation>
    </message>
    <message>
        <source>COMPLETE</source>
        <translation>COMPLETE</translation>
    </message>
    <message>
        <source>COMPLETED</source>
        <translation>COMPLETED</translation>
    </message>
    <message>
        <source>Card</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>Card %@ was not read out: the station is disconnected</source>
        <translation>Card %@ was not read out: the station is disconnected</translation>
    </message>
    <message>
        <source>Card %@ was not read out: the station was disconnected while reading it. Insert the card again.</source>
        <translation>Card %@ was not read out: the station was disconnected while reading it. Insert the card again.</translation>
    </message>
    <message>
        <source>Card Number: %@</source>
        <translation>Card Number: %@</translation>
    </message>
    <message>
        <source>Card Read</source>
        <translation>Card Read</translation>
    </message>
    <message>
        <source>Choose a name for this event, then save it to a file before continuing.</source>
        <translation>Choose a name for this event, then save it to a file before continuing.</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Class</translation>
    </message>
    <message>
        <source>Class: %@</source>
        <translation>Class: %@</translation>
    </message>
    <message>
        <source>Classes</source>
        <translation>Classes</translation>
    </message>
    <message>
        <source>Classes: generate/auto-match classes to courses, then set each class&apos;s &quot;Start&quot; method to &quot;Start punch&quot;.</source>
        <translation>Classes: generate/auto-match classes to courses, then set each class&apos;s &quot;Start&quot; method to &quot;Start punch&quot;.</translation>
    </message>
    <message>
        <source>Classes: generate/auto-match classes to courses.</source>
        <translation>Classes: generate/auto-match classes to courses.</translation>
    </message>
    <message>
        <source>Classes: use &quot;Generate classes from courses&quot; (or add classes manually).</source>
        <translation>Classes: use &quot;Generate classes from courses&quot; (or add classes manually).</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Club</source>
        <translation>Club</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Connect the SI card reader and set up reciept printing. Watch card reads come in live, matched to a participant automatically.</source>
        <translation>Connect the SI card reader and set up receipt printing. Watch card reads come in live, matched to a participant automatically.</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Courses</source>
        <translation>Courses</translation>
    </message>
    <message>
        <source>Courses/Classes/Entries: set up as in the other guides above; per-stage course overrides can be configured per class if needed.</source>
        <translation>Courses/Classes/Entries: set up as in the other guides above; per-stage course overrides can be configured per class if needed.</translation>
    </message>
    <message>
        <source>Courses: import courses (IOF XML) or add them manually.</source>
        <translation>Courses: import courses (IOF XML) or add them manually.</translation>
    </message>
    <message>
        <source>Courses: import courses (IOF XML).</source>
        <translation>Courses: import courses (IOF XML).</translation>
    </message>
    <message>
        <source>Current stage</source>
        <translation>Current stage</translation>
    </message>
    <message>
        <source>Define courses/controls, i.e. import iof xml or enter manually. Supports traditional fixed-order courses, including variant/butterfly course families, as well as rogaining/score courses (any order, time limit, penalties).</source>
        <translation>Define courses/controls, i.e. import iof xml or enter manually. Supports traditional fixed-order courses, including variant/butterfly course families, as well as rogaining/score courses (any order, time limit, penalties).</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>Disclaimer</source>
        <translation>Disclaimer</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Driver-specific tuning for thermal/POS receipt printers with an auto-cutter. Set these once for your printer model — most users never need to touch them.</source>
        <translation>Driver-specific tuning for thermal/POS receipt printers with an auto-cutter. Set these once for your printer model — most users never need to touch them.</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Entries</translation>
    </message>
    <message>
        <source>Entries: import participants (file or URL import) or add manually — no start time needs to be set.</source>
        <translation>Entries: import participants (file or URL import) or add manually — no start time needs to be set.</translation>
    </message>
    <message>
        <source>Entries: import participants (file or URL import), or add manually — this assigns each runner&apos;s SI card.</source>
        <translation>Entries: import participants (file or URL import), or add manually — this assigns each runner&apos;s SI card.</translation>
    </message>
    <message>
        <source>Event name</source>
        <translation>Event name</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Events: enable &quot;Multi-stage event&quot; and set the event date.</source>
        <translation>Events: enable &quot;Multi-stage event&quot; and set the event date.</translation>
    </message>
    <message>
        <source>Extra blank paper fed after the receipt, before any auto-cut — gives the cutter clearance so it doesn&apos;t slice through the last printed line.</source>
        <translation>Extra blank paper fed after the receipt, before any auto-cut — gives the cutter clearance so it doesn&apos;t slice through the last printed line.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>For multi-day/multi-stage events: define one entry per stage and pick which one is active. Card reads are tagged with the active stage; classes get an overall (summed) total once more than one stage exists.</source>
        <translation>For multi-day/multi-stage events: define one entry per stage and pick which one is active. Card reads are tagged with the active stage; classes get an overall (summed) total once more than one stage exists.</translation>
    </message>
    <message>
        <source>Guides</source>
        <translation>Guides</translation>
    </message>
    <message>
        <source>IN TIME</source>
        <translation>IN TIME</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>INCOMPLETE</translation>
    </message>
    <message>
        <source>Introduction</source>
        <translation>Introduction</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Last receipt not printed on %@: %@</source>
        <translation>Last receipt not printed on %@: %@</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Map participants into classes and assign them a course, a course family (with per-runner variant), or a set of courses for multi-course events. Also controls whether a class starts on scheduled times or using SI start punch.</source>
        <translation>Map participants into classes and assign them a course, a course family (with per-runner variant), or a set of courses for multi-course events. Also controls whether a class starts on scheduled times or using SI start punch.</translation>
    </message>
    <message>
        <source>Missing controls: %@</source>
        <translation>Missing controls: %@</translation>
    </message>
    <message>
        <source>Multi-station setup: master/slave networking across several reader stations, live-results publishing, and Vexlo Web / O-Checklist integration.</source>
        <translation>Multi-station setup: master/slave networking across several reader stations, live-results publishing, and Vexlo Web / O-Checklist integration.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Name the event, set its date, and choose a save file. Once a file is chosen, results autosave after every card read.</source>
        <translation>Name the event, set its date, and choose a save file. Once a file is chosen, results autosave after every card read.</translation>
    </message>
    <message>
        <source>Name your new event</source>
        <translation>Name your new event</translation>
    </message>
    <message>
        <source>No card read yet</source>
        <translation>No card read yet</translation>
    </message>
    <message>
        <source>No class</source>
        <translation>No class</translation>
    </message>
    <message>
        <source>No course/split data</source>
        <translation>No course/split data</translation>
    </message>
    <message>
        <source>No default printer</source>
        <translation>No default printer</translation>
    </message>
    <message>
        <source>No participant registered for this card</source>
        <translation>No participant registered for this card</translation>
    </message>
    <message>
        <source>No pre-registration at all. Runners show up, run, and are registered the moment their card is read.</source>
        <translation>No pre-registration at all. Runners show up, run, and are registered the moment their card is read.</translation>
    </message>
    <message>
        <source>OVERTIME</source>
        <translation>OVERTIME</translation>
    </message>
    <message>
        <source>On each station&apos;s SI Reader tab, connect that station&apos;s card reader; results recorded on any slave are merged into the master and shown everywhere.</source>
        <translation>On each station&apos;s SI Reader tab, connect that station&apos;s card reader; results recorded on any slave are merged into the master and shown everywhere.</translation>
    </message>
    <message>
        <source>Only one event file can be opened at a time.</source>
        <translation>Only one event file can be opened at a time.</translation>
    </message>
    <message>
        <source>Orienteering race administration and SI card reader for Linux</source>
        <translation>Orienteering race administration and SI card reader for Linux</translation>
    </message>
    <message>
        <source>Overall Standings</source>
        <translation>Overall Standings</translation>
    </message>
    <message>
        <source>Passed straight through to CUPS as -o key=value to trigger your printer&apos;s auto-cutter. Linux printing has no generic &quot;cut now&quot; command — the exact key/value is specific to your printer&apos;s driver/PPD (Star/Epson/Bixolon each name this differently). Leave blank if unsure; an unrecognized key is silently ignored.</source>
        <translation>Passed straight through to CUPS as -o key=value to trigger your printer&apos;s auto-cutter. Linux printing has no general &quot;cut now&quot; command — the exact key/value is specific to your printer&apos;s driver/PPD (Star/Epson/Bixolon each name this differently). Leave blank if unsure; an unrecognized key is silently ignored.</translation>
    </message>
    <message>
        <source>Plan when each runner starts — individually or via bulk sequential/mass-start assignment. Independent of any punch on the card; only used when a class&apos;s start method is &quot;scheduled time&quot;.</source>
        <translation>Plan when each runner starts — individually or via bulk sequential/mass-start assignment. Independent of any punch on the card; only used when a class&apos;s start method is &quot;scheduled time&quot;.</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>Printer not found</source>
        <translation>Printer not found</translation>
    </message>
    <message>
        <source>Printer: %@ · %@</source>
        <translation>Printer: %@ · %@</translation>
    </message>
    <message>
        <source>Printing failed</source>
        <translation>Printing failed</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Privacy</translation>
    </message>
    <message>
        <source>Reading card %@...</source>
        <translation>Reading card %@...</translation>
    </message>
    <message>
        <source>Receipt printer</source>
        <translation>Receipt printer</translation>
    </message>
    <message>
        <source>Recent Results</source>
        <translation>Recent Results</translation>
    </message>
    <message>
        <source>Refresh Ports</source>
        <translation>Refresh Ports</translation>
    </message>
    <message>
        <source>Register...</source>
        <translation>Register...</translation>
    </message>
    <message>
        <source>Requires a SportIdent BSx7/BSx8-series station connected via its USB-UART bridge, configured (via SI-Config) for 38400 baud with &quot;extended protocol&quot; enabled — without it, SI8/9/10/11/pCard/SIAC cards are reported as (and read like) older SI6 cards, which isn&apos;t reliably supported here. Autosend or handshake mode both work. Other baud rates or older station series are not supported.</source>
        <translation>Requires a SportIdent BSx7/BSx8-series station connected via its USB-UART bridge, configured (via SI-Config) for 38400 baud with &quot;extended protocol&quot; enabled — without it, SI8/9/10/11/pCard/SIAC cards are reported as (and read like) older SI6 cards, which isn&apos;t reliably supported here. Autosend or handshake mode both work. Other baud rates or older station series are not supported.</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>Results — %@</source>
        <translation>Results — %@</translation>
    </message>
    <message>
        <source>Results: use the per-stage tabs to see each day&apos;s results, and the &quot;Overall&quot; tab for the summed general classification across all stages.</source>
        <translation>Results: use the per-stage tabs to see each day&apos;s results, and the &quot;Overall&quot; tab for the summed general classification across all stages.</translation>
    </message>
    <message>
        <source>Review, correct, and export results and split times; print receipts. Handles exceptions like forcing a completed/incomplete status or reassigning a runner&apos;s course after the fact.</source>
        <translation>Review, correct, and export results and split times; print receipts. Handles exceptions like forcing a completed/incomplete status or reassigning a runner&apos;s course after the fact.</translation>
    </message>
    <message>
        <source>Runners are entered ahead of time and given individual scheduled start times (chase-start or interval starts).</source>
        <translation>Runners are entered ahead of time and given individual scheduled start times (chase-start or interval starts).</translation>
    </message>
    <message>
        <source>Runners are entered ahead of time, but start whenever they like (e.g. a mass start, or a start-triggered station) — no individual scheduled times needed.</source>
        <translation>Runners are entered ahead of time, but start whenever they like (e.g. a mass start, or a start-triggered station) — no individual scheduled times needed.</translation>
    </message>
    <message>
        <source>SI Reader</source>
        <translation>SI Reader</translation>
    </message>
    <message>
        <source>SI Reader: connect the card reader.</source>
        <translation>SI Reader: connect the card reader.</translation>
    </message>
    <message>
        <source>SI Reader: connect the reader; as runners finish and their card is read, results are matched automatically using their scheduled start time.</source>
        <translation>SI Reader: connect the reader; as runners finish and their card is read, results are matched automatically using their scheduled start time.</translation>
    </message>
    <message>
        <source>SI Reader: connect the reader; the card&apos;s own start-station punch is used automatically as each runner&apos;s start time.</source>
        <translation>SI Reader: connect the reader; the card&apos;s own start-station punch is used automatically as each runner&apos;s start time.</translation>
    </message>
    <message>
        <source>Save Event...</source>
        <translation>Save Event...</translation>
    </message>
    <message>
        <source>Score</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>Score: %@ pts</source>
        <translation>Score: %@ pts</translation>
    </message>
    <message>
        <source>Score: —</source>
        <translation>Score: —</translation>
    </message>
    <message>
        <source>See Results tab for full split times</source>
        <translation>See Results tab for full split times</translation>
    </message>
    <message>
        <source>See who&apos;s still out on course, who&apos;s checked out, and mark stragglers DNS/DNF when they&apos;ll never produce a card read.</source>
        <translation>See who&apos;s still out on course, who&apos;s checked out, and mark stragglers DNS/DNF when they&apos;ll never produce a card read.</translation>
    </message>
    <message>
        <source>Select a section</source>
        <translation>Select a section</translation>
    </message>
    <message>
        <source>Shows Vexlo's version.</source>
        <translation>Shows Vexlo's version.</translation>
    </message>
    <message>
        <source>Shows this help.</source>
        <translation>Shows this help.</translation>
    </message>
    <message>
        <source>Split Times</source>
        <translation>Split Times</translation>
    </message>
    <message>
        <source>Split Times — %@</source>
        <translation>Split Times — %@</translation>
    </message>
    <message>
        <source>SportIdent Reader (USB)</source>
        <translation>SportIdent Reader (USB)</translation>
    </message>
    <message>
        <source>Stage</source>
        <translation>Stage</translation>
    </message>
    <message>
        <source>Stages</source>
        <translation>Stages</translation>
    </message>
    <message>
        <source>Stages: add one entry per day/leg and pick which one is active — new card reads and start times apply to whichever stage is active.</source>
        <translation>Stages: add one entry per day/leg and pick which one is active — new card reads and start times apply to whichever stage is active.</translation>
    </message>
    <message>
        <source>Start List</source>
        <translation>Start List</translation>
    </message>
    <message>
        <source>Start List (Grid)</source>
        <translation>Start List (Grid)</translation>
    </message>
    <message>
        <source>Start List (Grid) — page %@ of %@</source>
        <translation>Start List (Grid) — page %@ of %@</translation>
    </message>
    <message>
        <source>Start List — By Class</source>
        <translation>Start List — By Class</translation>
    </message>
    <message>
        <source>Start List: assign start times — either a per-class &quot;Random draw&quot;, or &quot;Generate full start list&quot; for the whole field at once.</source>
        <translation>Start List: assign start times — either a per-class &quot;Random draw&quot;, or &quot;Generate full start list&quot; for the whole field at once.</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>System default</translation>
    </message>
    <message>
        <source>The event file (.vexloevent.json) to open.</source>
        <translation>The event file (.vexloevent.json) to open.</translation>
    </message>
    <message>
        <source>This app is provided for free and &quot;as is&quot;, without warranty of any kind, expressed or implied, including but not limited to the warranties of merchantability, fitness for a particular purpose, and noninfringement. In no event shall the author be liable for any claim, damages or other liability arising from, out of or in connection with the software or its use.</source>
        <translation>This app is provided for free and &quot;as is&quot;, without warranty of any kind, expressed or implied, including but not limited to the warranties of merchantability, fitness for a particular purpose, and noninfringement. In no event shall the author be liable for any claim, damages or other liability arising from, out of or in connection with the software or its use.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation>Total Time</translation>
    </message>
    <message>
        <source>Total time: %@</source>
        <translation>Total time: %@</translation>
    </message>
    <message>
        <source>Total time: —</source>
        <translation>Total time: —</translation>
    </message>
    <message>
        <source>Unknown runner</source>
        <translation>Unknown runner</translation>
    </message>
    <message>
        <source>Version %@</source>
        <translation>Version %@</translation>
    </message>
    <message>
        <source>Vexlo</source>
        <translation>Vexlo</translation>
    </message>
    <message>
        <source>Vexlo sets up orienteering events, reads SportIdent cards on race day and evaluates the results.</source>
        <translation>Vexlo sets up orienteering events, reads SportIdent cards on race day and evaluates the results.</translation>
    </message>
    <message>
        <source>Vexlo was written to give the orienteering community a Linux-native way to organise races and read SI cards. Vexlo is cakeware: if you like it, pay it back by organising an extra race or training for your club, or by bringing a cake to your next club meeting.</source>
        <translation>Vexlo was written to give the orienteering community a desktop program of its own to organise races and read SI cards. Vexlo is cakeware: if you like it, pay it back by organising an extra race or training for your club, or by bringing a cake to your next club meeting.</translation>
    </message>
    <message>
        <source>When a runner punches in and their card is read with no match, click &quot;Register...&quot; on the card-read prompt, fill in their name/class, and their result is recorded immediately — no separate entry step needed.</source>
        <translation>When a runner punches in and their card is read with no match, click &quot;Register...&quot; on the card-read prompt, fill in their name/class, and their result is recorded immediately — no separate entry step needed.</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>Why</translation>
    </message>
    <message>
        <source>[FILE]</source>
        <translation>[FILE]</translation>
    </message>
    <message>
        <source>advanced, driver-specific</source>
        <translation>advanced, driver-specific</translation>
    </message>
    <message>
        <source>e.g. 1</source>
        <translation>e.g. 1</translation>
    </message>
</context>
</TS>
