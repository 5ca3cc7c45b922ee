<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a Vexlo event file (or it is damaged), so it was not opened.</source>
        <translation>&quot;%@&quot; is not a Vexlo event file (or it is damaged), so it was not opened.</translation>
    </message>
    <message>
        <source>%@ (%@)</source>
        <translation>%@ (%@)</translation>
    </message>
    <message>
        <source>%@ is missing</source>
        <translation>%@ is missing</translation>
    </message>
    <message>
        <source>%@ is not a list</source>
        <translation>%@ is not a list</translation>
    </message>
    <message>
        <source>%@ is not a string</source>
        <translation>%@ is not a string</translation>
    </message>
    <message>
        <source>%@ is not an object</source>
        <translation>%@ is not an object</translation>
    </message>
    <message>
        <source>%@ is not true or false</source>
        <translation>%@ is not true or false</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es)</source>
        <translation>%@ person(s), %@ class(es)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) (unchanged)</source>
        <translation>%@ person(s), %@ class(es) (unchanged)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) (unchanged) — %@ warning(s)</source>
        <translation>%@ person(s), %@ class(es) (unchanged) — %@ warning(s)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) — %@ warning(s)</source>
        <translation>%@ person(s), %@ class(es) — %@ warning(s)</translation>
    </message>
    <message>
        <source>%@ runner change(s), %@ result change(s)</source>
        <translation>%@ runner change(s), %@ result change(s)</translation>
    </message>
    <message>
        <source>%@ runner(s) (full sync)</source>
        <translation>%@ runner(s) (full sync)</translation>
    </message>
    <message>
        <source>%@: date outside the years 1 to 9999</source>
        <translation>%@: date outside the years 1 to 9999</translation>
    </message>
    <message>
        <source>%@: expected a number</source>
        <translation>%@: expected a number</translation>
    </message>
    <message>
        <source>%@: expected a string</source>
        <translation>%@: expected a string</translation>
    </message>
    <message>
        <source>%@: expected an array</source>
        <translation>%@: expected an array</translation>
    </message>
    <message>
        <source>%@: expected an integer</source>
        <translation>%@: expected an integer</translation>
    </message>
    <message>
        <source>%@: expected an object</source>
        <translation>%@: expected an object</translation>
    </message>
    <message>
        <source>%@: expected true or false</source>
        <translation>%@: expected true or false</translation>
    </message>
    <message>
        <source>%@: invalid date</source>
        <translation>%@: invalid date</translation>
    </message>
    <message>
        <source>%@: malformed UUID &quot;%@&quot;</source>
        <translation>%@: malformed UUID &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: malformed date &quot;%@&quot;</source>
        <translation>%@: malformed date &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: number is not finite</source>
        <translation>%@: number is not finite</translation>
    </message>
    <message>
        <source>%@: required key is missing</source>
        <translation>%@: required key is missing</translation>
    </message>
    <message>
        <source>%@: required value is null</source>
        <translation>%@: required value is null</translation>
    </message>
    <message>
        <source>%@: unknown value &quot;%@&quot;</source>
        <translation>%@: unknown value &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: value is null</source>
        <translation>%@: value is null</translation>
    </message>
    <message>
        <source>Browse failed: %@</source>
        <translation>Browse failed: %@</translation>
    </message>
    <message>
        <source>Cannot create a file in %@: %@</source>
        <translation>Cannot create a file in %@: %@</translation>
    </message>
    <message>
        <source>Cannot open %@: %@</source>
        <translation>Cannot open %@: %@</translation>
    </message>
    <message>
        <source>Cannot open folder %@: %@</source>
        <translation>Cannot open folder %@: %@</translation>
    </message>
    <message>
        <source>Cannot replace %@: %@</source>
        <translation>Cannot replace %@: %@</translation>
    </message>
    <message>
        <source>Cannot sync %@: %@</source>
        <translation>Cannot sync %@: %@</translation>
    </message>
    <message>
        <source>Cannot sync folder %@: %@</source>
        <translation>Cannot sync folder %@: %@</translation>
    </message>
    <message>
        <source>Cannot write %@: %@</source>
        <translation>Cannot write %@: %@</translation>
    </message>
    <message>
        <source>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds.</source>
        <translation>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds.</translation>
    </message>
    <message>
        <source>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds. %@</source>
        <translation>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds. %@</translation>
    </message>
    <message>
        <source>Class &quot;%@&quot;: ran out of available slots — window/capacity too small to fit every runner. Not placed: %@, card %@.</source>
        <translation>Class &quot;%@&quot;: ran out of available slots — window/capacity too small to fit every runner. Not placed: %@, card %@.</translation>
    </message>
    <message>
        <source>Connected to master</source>
        <translation>Connected to master</translation>
    </message>
    <message>
        <source>Connected to master, but this station has no copy of the event yet (%@). Cards read here go to the master, which records them.</source>
        <translation>Connected to master, but this station has no copy of the event yet (%@). Cards read here go to the master, which records them.</translation>
    </message>
    <message>
        <source>it is on its way</source>
        <translation>it is on its way</translation>
    </message>
    <message>
        <source>Connection closed</source>
        <translation>Connection closed</translation>
    </message>
    <message>
        <source>Connection refused</source>
        <translation>Connection refused</translation>
    </message>
    <message>
        <source>Connection timed out</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>Could not download the entry list: %@</source>
        <translation>Could not download the entry list: %@</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: no answer in time</source>
        <translation>Could not join &quot;%@&quot; at %@: no answer in time</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the master closed the connection</source>
        <translation>Could not join &quot;%@&quot; at %@: the master closed the connection</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the master runs another version of Vexlo; every station of an event needs the same one</source>
        <translation>Could not join &quot;%@&quot; at %@: the master runs another version of Vexlo; every station of an event needs the same one</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the station keys do not match</source>
        <translation>Could not join &quot;%@&quot; at %@: the station keys do not match</translation>
    </message>
    <message>
        <source>Could not open &quot;%@&quot;: %@</source>
        <translation>Could not open &quot;%@&quot;: %@</translation>
    </message>
    <message>
        <source>Could not read the course file %@: %@</source>
        <translation>Could not read the course file %@: %@</translation>
    </message>
    <message>
        <source>Decode failed: %@</source>
        <translation>Decode failed: %@</translation>
    </message>
    <message>
        <source>Device or resource busy</source>
        <translation>Device or resource busy</translation>
    </message>
    <message>
        <source>Disconnected from master — searching...</source>
        <translation>Disconnected from master — searching...</translation>
    </message>
    <message>
        <source>Encoding failed: %@</source>
        <translation>Encoding failed: %@</translation>
    </message>
    <message>
        <source>Enter an API key first</source>
        <translation>Enter an API key first</translation>
    </message>
    <message>
        <source>Entry lists can only be downloaded from http:// or https:// addresses; &quot;%@&quot; is not one.</source>
        <translation>Entry lists can only be downloaded from http:// or https:// addresses; &quot;%@&quot; is not one.</translation>
    </message>
    <message>
        <source>FOR REVIEW</source>
        <translation>FOR REVIEW</translation>
    </message>
    <message>
        <source>Failed to start listener</source>
        <translation>Failed to start listener</translation>
    </message>
    <message>
        <source>Fetch failed: %@</source>
        <translation>Fetch failed: %@</translation>
    </message>
    <message>
        <source>Fetch failed: server returned status %@</source>
        <translation>Fetch failed: server returned status %@</translation>
    </message>
    <message>
        <source>Fetched at %@</source>
        <translation>Fetched at %@</translation>
    </message>
    <message>
        <source>Host %@ not found</source>
        <translation>Host %@ not found</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>Invalid API key: it holds a line break or another control character</source>
        <translation>Invalid API key: it holds a line break or another control character</translation>
    </message>
    <message>
        <source>Invalid URL</source>
        <translation>Invalid URL</translation>
    </message>
    <message>
        <source>Invalid competition id</source>
        <translation>Invalid competition id</translation>
    </message>
    <message>
        <source>Invalid competition id (must be numeric &quot;eventid&quot;)</source>
        <translation>Invalid competition id (must be numeric &quot;eventid&quot;)</translation>
    </message>
    <message>
        <source>Invalid passcode: it holds a line break or another control character</source>
        <translation>Invalid passcode: it holds a line break or another control character</translation>
    </message>
    <message>
        <source>Invalid password: it holds a line break or another control character</source>
        <translation>Invalid password: it holds a line break or another control character</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>Master failed: %@</source>
        <translation>Master failed: %@</translation>
    </message>
    <message>
        <source>Master running, advertising &quot;%@&quot;</source>
        <translation>Master running, advertising &quot;%@&quot;</translation>
    </message>
    <message>
        <source>Network unreachable</source>
        <translation>Network unreachable</translation>
    </message>
    <message>
        <source>No &lt;Course&gt; elements found in CourseData XML</source>
        <translation>No &lt;Course&gt; elements found in CourseData XML</translation>
    </message>
    <message>
        <source>No &lt;PersonEntry&gt; elements found in EntryList XML</source>
        <translation>No &lt;PersonEntry&gt; elements found in EntryList XML</translation>
    </message>
    <message>
        <source>No &lt;PersonStart&gt; elements found in StartList XML</source>
        <translation>No &lt;PersonStart&gt; elements found in StartList XML</translation>
    </message>
    <message>
        <source>No changes to publish at %@</source>
        <translation>No changes to publish at %@</translation>
    </message>
    <message>
        <source>No station key</source>
        <translation>No station key</translation>
    </message>
    <message>
        <source>No such device</source>
        <translation>No such device</translation>
    </message>
    <message>
        <source>No such device or address</source>
        <translation>No such device or address</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>Not a local file: %@</source>
        <translation>Not a local file: %@</translation>
    </message>
    <message>
        <source>Not fetched yet</source>
        <translation>Not fetched yet</translation>
    </message>
    <message>
        <source>Not published yet</source>
        <translation>Not published yet</translation>
    </message>
    <message>
        <source>Not published: the passcode was not kept (no key store); type it again</source>
        <translation>Not published: the passcode was not kept (no key store); type it again</translation>
    </message>
    <message>
        <source>Not pulled yet</source>
        <translation>Not pulled yet</translation>
    </message>
    <message>
        <source>Not set up yet — enter an API key and fetch the event first</source>
        <translation>Not set up yet — enter an API key and fetch the event first</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Not verified</translation>
    </message>
    <message>
        <source>Operation canceled</source>
        <translation>Operation canceled</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Publish failed: %@</source>
        <translation>Publish failed: %@</translation>
    </message>
    <message>
        <source>Publish failed: no HTTP response</source>
        <translation>Publish failed: no HTTP response</translation>
    </message>
    <message>
        <source>Publish failed: server returned status %@</source>
        <translation>Publish failed: server returned status %@</translation>
    </message>
    <message>
        <source>Publish failed: the server did not answer in time</source>
        <translation>Publish failed: the server did not answer in time</translation>
    </message>
    <message>
        <source>Published %@ at %@</source>
        <translation>Published %@ at %@</translation>
    </message>
    <message>
        <source>Published at %@</source>
        <translation>Published at %@</translation>
    </message>
    <message>
        <source>Pull failed: %@</source>
        <translation>Pull failed: %@</translation>
    </message>
    <message>
        <source>Pull failed: server returned status %@</source>
        <translation>Pull failed: server returned status %@</translation>
    </message>
    <message>
        <source>Pulled %@ entrie(s) at %@</source>
        <translation>Pulled %@ entrie(s) at %@</translation>
    </message>
    <message>
        <source>Refused %@: it did not prove the station key</source>
        <translation>Refused %@: it did not prove the station key</translation>
    </message>
    <message>
        <source>Refused %@: it did not prove the station key in time</source>
        <translation>Refused %@: it did not prove the station key in time</translation>
    </message>
    <message>
        <source>Refused %@: it runs another version of Vexlo; every station of an event needs the same one</source>
        <translation>Refused %@: it runs another version of Vexlo; every station of an event needs the same one</translation>
    </message>
    <message>
        <source>Refused %@: too many connections waiting to prove the station key</source>
        <translation>Refused %@: too many connections waiting to prove the station key</translation>
    </message>
    <message>
        <source>Refused %@: too many stations connected</source>
        <translation>Refused %@: too many stations connected</translation>
    </message>
    <message>
        <source>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works.</source>
        <translation>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works.</translation>
    </message>
    <message>
        <source>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works. %@</source>
        <translation>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works. %@</translation>
    </message>
    <message>
        <source>SSL handshake failed</source>
        <translation>SSL handshake failed</translation>
    </message>
    <message>
        <source>Searching for master &quot;%@&quot;...</source>
        <translation>Searching for master &quot;%@&quot;...</translation>
    </message>
    <message>
        <source>Secure station connections are not available on this computer</source>
        <translation>Secure station connections are not available on this computer</translation>
    </message>
    <message>
        <source>Server returned status %@</source>
        <translation>Server returned status %@</translation>
    </message>
    <message>
        <source>Set a competition id first</source>
        <translation>Set a competition id first</translation>
    </message>
    <message>
        <source>Set the competition id first</source>
        <translation>Set the competition id first</translation>
    </message>
    <message>
        <source>Skipped %@ class(es) using &quot;Start punch&quot; (start time comes from the card itself, not a schedule): %@.</source>
        <translation>Skipped %@ class(es) using &quot;Start punch&quot; (start time comes from the card itself, not a schedule): %@.</translation>
    </message>
    <message>
        <source>Socket operation timed out</source>
        <translation>Socket operation timed out</translation>
    </message>
    <message>
        <source>Stopped: the master sent an event of %@ bytes, more than the %@ this station accepts. Make sure every station runs the same version of Vexlo, then start this station again.</source>
        <translation>Stopped: the master sent an event of %@ bytes, more than the %@ this station accepts. Make sure every station runs the same version of Vexlo, then start this station again.</translation>
    </message>
    <message>
        <source>The XML document could not be queried.</source>
        <translation>The XML document could not be queried.</translation>
    </message>
    <message>
        <source>The XML parser could not be started.</source>
        <translation>The XML parser could not be started.</translation>
    </message>
    <message>
        <source>The autosave %@ is damaged and could not be moved aside (%@); nothing is saved over it until it can be</source>
        <translation>The autosave %@ is damaged and could not be moved aside (%@); nothing is saved over it until it can be</translation>
    </message>
    <message>
        <source>The course &quot;%@&quot; gives control %@ the score %@, more than any score can be. Correct the score in the course-planning program and export the courses again.</source>
        <translation>The course &quot;%@&quot; gives control %@ the score %@, more than any score can be. Correct the score in the course-planning program and export the courses again.</translation>
    </message>
    <message>
        <source>The course &quot;%@&quot; gives control %@ the score %@; only whole points can be imported.</source>
        <translation>The course &quot;%@&quot; gives control %@ the score %@; only whole points can be imported.</translation>
    </message>
    <message>
        <source>The course file %@ is too large to be an IOF XML document (%@ bytes).</source>
        <translation>The course file %@ is too large to be an IOF XML document (%@ bytes).</translation>
    </message>
    <message>
        <source>The entry list is too large (over %@ MB).</source>
        <translation>The entry list is too large (over %@ MB).</translation>
    </message>
    <message>
        <source>The entry of %@ has the card number &quot;%@&quot;; a card number is digits only. Correct it in the entry list and import the list again.</source>
        <translation>The entry of %@ has the card number &quot;%@&quot;; a card number is digits only. Correct it in the entry list and import the list again.</translation>
    </message>
    <message>
        <source>The entry of %@ has the card number %@; no SportIdent card has a number above 16,777,215. Correct it in the entry list and import the list again.</source>
        <translation>The entry of %@ has the card number %@; no SportIdent card has a number above 16,777,215. Correct it in the entry list and import the list again.</translation>
    </message>
    <message>
        <source>The event is too large to send to the stations (%@ bytes; the limit is %@). They keep the event they last received and still send their results here.</source>
        <translation>The event is too large to send to the stations (%@ bytes; the limit is %@). They keep the event they last received and still send their results here.</translation>
    </message>
    <message>
        <source>The event's latest changes could not be saved (%@), and the chosen file holds the same event, so it was not opened over them. Open it again once saving works.</source>
        <translation>The event's latest changes could not be saved (%@), and the chosen file holds the same event, so it was not opened over them. Open it again once saving works.</translation>
    </message>
    <message>
        <source>The file declares a document type (&lt;!DOCTYPE&gt;); IOF XML files never do, so it is not read.</source>
        <translation>The file declares a document type (&lt;!DOCTYPE&gt;); IOF XML files never do, so it is not read.</translation>
    </message>
    <message>
        <source>The file holds a text of %@ bytes; no IOF field is longer than %@, so it is not read.</source>
        <translation>The file holds a text of %@ bytes; no IOF field is longer than %@, so it is not read.</translation>
    </message>
    <message>
        <source>The file is empty, not an XML document.</source>
        <translation>The file is empty, not an XML document.</translation>
    </message>
    <message>
        <source>The file is not well-formed XML: %@ (line %@).</source>
        <translation>The file is not well-formed XML: %@ (line %@).</translation>
    </message>
    <message>
        <source>The file is not well-formed XML: %@.</source>
        <translation>The file is not well-formed XML: %@.</translation>
    </message>
    <message>
        <source>The file is too large to be an IOF XML document (%@ bytes; the limit is %@).</source>
        <translation>The file is too large to be an IOF XML document (%@ bytes; the limit is %@).</translation>
    </message>
    <message>
        <source>The service name cannot be empty or only spaces: the slaves find the master by it.</source>
        <translation>The service name cannot be empty or only spaces: the slaves find the master by it.</translation>
    </message>
    <message>
        <source>The service name cannot hold a line break, a tab or another control character.</source>
        <translation>The service name cannot hold a line break, a tab or another control character.</translation>
    </message>
    <message>
        <source>The service name takes %@ bytes; at most %@ can be announced (æ, ø and å take two bytes each).</source>
        <translation>The service name takes %@ bytes; at most %@ can be announced (æ, ø and å take two bytes each).</translation>
    </message>
    <message>
        <source>The station key could not be read from the key store (%@). Type the event's station key, or press Start again to make a new one.</source>
        <translation>The station key could not be read from the key store (%@). Type the event's station key, or press Start again to make a new one.</translation>
    </message>
    <message>
        <source>This CourseData file holds the courses of %@ races, and the event has no stage to import them into. Add the stages, choose the stage these courses belong to, and import the file again.</source>
        <translation>This CourseData file holds the courses of %@ races, and the event has no stage to import them into. Add the stages, choose the stage these courses belong to, and import the file again.</translation>
    </message>
    <message>
        <source>This CourseData file holds the courses of races %@, but none of race %@, the stage being imported.</source>
        <translation>This CourseData file holds the courses of races %@, but none of race %@, the stage being imported.</translation>
    </message>
    <message>
        <source>This file is %@, not an IOF %@: only an IOF %@ file can be imported as %@.</source>
        <translation>This file is %@, not an IOF %@: only an IOF %@ file can be imported as %@.</translation>
    </message>
    <message>
        <source>This file is in the IOF XML 2.0.3 format, which cannot be imported. Export the list again from the program that made it, choosing IOF XML 3.0, and import that file.</source>
        <translation>This file is in the IOF XML 2.0.3 format, which cannot be imported. Export the list again from the program that made it, choosing IOF XML 3.0, and import that file.</translation>
    </message>
    <message>
        <source>Unable to open %@</source>
        <translation>Unable to open %@</translation>
    </message>
    <message>
        <source>Unable to open %@: %@</source>
        <translation>Unable to open %@: %@</translation>
    </message>
    <message>
        <source>Unable to open %@: %@. Add your user to the dialout group and log in again, or install Vexlo's package, which grants access to SportIdent stations.</source>
        <translation>Unable to open %@: %@. Add your user to the dialout group and log in again, or install Vexlo's package, which grants access to SportIdent stations.</translation>
    </message>
    <message>
        <source>Verification failed: %@</source>
        <translation>Verification failed: %@</translation>
    </message>
    <message>
        <source>Verification failed: server returned status %@</source>
        <translation>Verification failed: server returned status %@</translation>
    </message>
    <message>
        <source>Waiting for the station key from the key store...</source>
        <translation>Waiting for the station key from the key store...</translation>
    </message>
    <message>
        <source>Window too small: %@ runner(s) but only %@ slot(s) available (%@ x 1-minute slots, %@ runner(s) each). Increase the window to fit everyone.</source>
        <translation>Window too small: %@ runner(s) but only %@ slot(s) available (%@ x 1-minute slots, %@ runner(s) each). Increase the window to fit everyone.</translation>
    </message>
    <message>
        <source>a damaged file in its place could not be moved aside: %@</source>
        <translation>a damaged file in its place could not be moved aside: %@</translation>
    </message>
    <message>
        <source>a runner without a name</source>
        <translation>a runner without a name</translation>
    </message>
    <message>
        <source>an IOF %@</source>
        <translation>an IOF %@</translation>
    </message>
    <message>
        <source>an XML document whose root element is &lt;%@&gt;</source>
        <translation>an XML document whose root element is &lt;%@&gt;</translation>
    </message>
    <message>
        <source>an XML document without a root element</source>
        <translation>an XML document without a root element</translation>
    </message>
    <message>
        <source>checklistKey holds a line break or another control character</source>
        <translation>checklistKey holds a line break or another control character</translation>
    </message>
    <message>
        <source>competition id is not numeric</source>
        <translation>competition id is not numeric</translation>
    </message>
    <message>
        <source>courses</source>
        <translation>courses</translation>
    </message>
    <message>
        <source>entries</source>
        <translation>entries</translation>
    </message>
    <message>
        <source>eventId holds a line break or another control character</source>
        <translation>eventId holds a line break or another control character</translation>
    </message>
    <message>
        <source>no progress</source>
        <translation>no progress</translation>
    </message>
    <message>
        <source>no sequence number left</source>
        <translation>no sequence number left</translation>
    </message>
    <message>
        <source>no such competition</source>
        <translation>no such competition</translation>
    </message>
    <message>
        <source>not JSON: %@ at offset %@</source>
        <translation>not JSON: %@ at offset %@</translation>
    </message>
    <message>
        <source>not a valid IOF XML entry/start/result list</source>
        <translation>not a valid IOF XML entry/start/result list</translation>
    </message>
    <message>
        <source>server could not apply the upload — retry</source>
        <translation>server could not apply the upload — retry</translation>
    </message>
    <message>
        <source>server not taking uploads right now — retry later</source>
        <translation>server not taking uploads right now — retry later</translation>
    </message>
    <message>
        <source>server returned status %@</source>
        <translation>server returned status %@</translation>
    </message>
    <message>
        <source>start times</source>
        <translation>start times</translation>
    </message>
    <message>
        <source>tcgetattr failed</source>
        <translation>tcgetattr failed</translation>
    </message>
    <message>
        <source>tcsetattr failed</source>
        <translation>tcsetattr failed</translation>
    </message>
    <message>
        <source>the API key or check-in key holds a line break or another control character</source>
        <translation>the API key or check-in key holds a line break or another control character</translation>
    </message>
    <message>
        <source>the answer is larger than %@ MB</source>
        <translation>the answer is larger than %@ MB</translation>
    </message>
    <message>
        <source>the answer is not a JSON object</source>
        <translation>the answer is not a JSON object</translation>
    </message>
    <message>
        <source>the answer is not valid JSON (%@ at byte %@ of %@)</source>
        <translation>the answer is not valid JSON (%@ at byte %@ of %@)</translation>
    </message>
    <message>
        <source>the key store is locked</source>
        <translation>the key store is locked</translation>
    </message>
    <message>
        <source>the server did not answer in time</source>
        <translation>the server did not answer in time</translation>
    </message>
    <message>
        <source>the top-level value is not an object</source>
        <translation>the top-level value is not an object</translation>
    </message>
    <message>
        <source>upload too large (over 32 MiB)</source>
        <translation>upload too large (over 32 MiB)</translation>
    </message>
    <message>
        <source>wrong content type/encoding</source>
        <translation>wrong content type/encoding</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>wrong password</translation>
    </message>
</context>
</TS>
