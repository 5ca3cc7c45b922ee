<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>%@ contestant(s)</source>
        <translation>%@ deltager(e)</translation>
    </message>
    <message>
        <source>%@ controls</source>
        <translation>%@ poster</translation>
    </message>
    <message>
        <source>%@ pts</source>
        <translation>%@ point</translation>
    </message>
    <message>
        <source>%lld</source>
        <translation>%lld</translation>
    </message>
    <message>
        <source>(-%@ overtime)</source>
        <translation>(-%@ overtid)</translation>
    </message>
    <message>
        <source>1. Simplest — walk-up / &quot;punch&apos;n&apos;run&quot;</source>
        <translation>1. Enklest — tilmelding på dagen / &quot;stempl og løb&quot;</translation>
    </message>
    <message>
        <source>2. Simple — pre-registered entries, mass/punch start</source>
        <translation>2. Enkel — forhåndstilmeldte løbere, massestart/startpost</translation>
    </message>
    <message>
        <source>3. Medium — pre-registered entries, planned start list</source>
        <translation>3. Mellem — forhåndstilmeldte løbere, planlagt startliste</translation>
    </message>
    <message>
        <source>4. Advanced — multi-stage event with master/slave reader stations</source>
        <translation>4. Avanceret — etapeløb med master/slave-aflæsningsstationer</translation>
    </message>
    <message>
        <source>A few common ways to set up and run an event, from simplest to more involved. Each section referenced below is described in more detail on the Introduction page.</source>
        <translation>Et par almindelige måder at sætte et løb op og afvikle det på, fra det enkleste til det mere omfattende. Hvert afsnit, der nævnes nedenfor, er beskrevet nærmere på siden Introduktion.</translation>
    </message>
    <message>
        <source>A multi-day event run across several reader stations at once (e.g. separate stations per start/finish point or per day), with one station acting as the authoritative master.</source>
        <translation>Et flerdagesløb, der afvikles på flere aflæsningsstationer på én gang (f.eks. en station pr. start-/målområde eller pr. dag), hvor én station er den styrende master.</translation>
    </message>
    <message>
        <source>ALL STAGES</source>
        <translation>ALLE ETAPER</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Om</translation>
    </message>
    <message>
        <source>About Vexlo</source>
        <translation>Om Vexlo</translation>
    </message>
    <message>
        <source>Advanced Printer Settings</source>
        <translation>Avancerede printerindstillinger</translation>
    </message>
    <message>
        <source>Advanced printer settings...</source>
        <translation>Avancerede printerindstillinger...</translation>
    </message>
    <message>
        <source>Advanced settings</source>
        <translation>Avancerede indstillinger</translation>
    </message>
    <message>
        <source>Advanced settings (Station Role): on the main computer, set the role to &quot;Master&quot; and Start it; on each additional reader computer, set the role to &quot;Slave&quot; and Start it — slaves discover the master automatically and read cards locally, submitting results back to it.</source>
        <translation>Avancerede indstillinger (Stationsrolle): sæt rollen til &quot;Master&quot; på hovedcomputeren, og start den; sæt rollen til &quot;Slave&quot; på hver ekstra aflæsningscomputer, og start den — slaverne finder selv masteren, aflæser brikker lokalt og sender resultaterne til den.</translation>
    </message>
    <message>
        <source>All data entered into Vexlo stays within the app and its companion website, except where you explicitly choose to publish results to live or other online results services. Your data is never shared with third parties, sold, or used for commercial or advertising purposes.</source>
        <translation>Alle data, du indtaster i Vexlo, bliver i programmet og det tilhørende websted, medmindre du udtrykkeligt vælger at udgive resultater til live- eller andre onlineresultattjenester. Dine data deles aldrig med tredjeparter, sælges aldrig og bruges aldrig til kommercielle formål eller reklame.</translation>
    </message>
    <message>
        <source>Auto-print (skip print dialog)</source>
        <translation>Udskriv automatisk (spring printdialogen over)</translation>
    </message>
    <message>
        <source>Auto-print on read</source>
        <translation>Udskriv automatisk ved aflæsning</translation>
    </message>
    <message>
        <source>Autocut option key</source>
        <translation>Nøgle for autoskæring</translation>
    </message>
    <message>
        <source>Autocut option value</source>
        <translation>Værdi for autoskæring</translation>
    </message>
    <message>
        <source>Automatic (on read)</source>
        <translation>Automatisk (ved aflæsning)</translation>
    </message>
    <message>
        <source>Bottom feed (pts)</source>
        <translation>Fremføring i bunden (pt)</translation>
    </message>
    <message>
        <source>Build the entry list, assign SI cards, and set class/club; import iof xml, by URL or add manually. Card-to-runner matching here is what lets a card read resolve to a result.</source>
        <translation>Opbyg tilmeldingslisten, tildel SI-brikker, og angiv klasse og klub; importér IOF XML, hent fra en URL eller tilføj manuelt. Koblingen mellem brik og løber her er det, der gør, at en brikaflæsning bliver til et resultat.</translation>
    </message>
    <message>
        <source>COMPLETE</source>
        <translation>GENNEMFØRT</translation>
    </message>
    <message>
        <source>COMPLETED</source>
        <translation>GENNEMFØRT</translation>
    </message>
    <message>
        <source>Card</source>
        <translation>Brik</translation>
    </message>
    <message>
        <source>Card %@ was not read out: the station is disconnected</source>
        <translation>Brik %@ blev ikke aflæst: stationen er afbrudt</translation>
    </message>
    <message>
        <source>Card %@ was not read out: the station was disconnected while reading it. Insert the card again.</source>
        <translation>Brik %@ blev ikke aflæst: stationen blev afbrudt under aflæsningen. Sæt brikken i igen.</translation>
    </message>
    <message>
        <source>Card Number: %@</source>
        <translation>Briknummer: %@</translation>
    </message>
    <message>
        <source>Card Read</source>
        <translation>Brik aflæst</translation>
    </message>
    <message>
        <source>Choose a name for this event, then save it to a file before continuing.</source>
        <translation>Vælg et navn til løbet, og gem det derefter i en fil, før du fortsætter.</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Klasse</translation>
    </message>
    <message>
        <source>Class: %@</source>
        <translation>Klasse: %@</translation>
    </message>
    <message>
        <source>Classes</source>
        <translation>Klasser</translation>
    </message>
    <message>
        <source>Classes: generate/auto-match classes to courses, then set each class&apos;s &quot;Start&quot; method to &quot;Start punch&quot;.</source>
        <translation>Klasser: opret klasser ud fra banerne eller kobl dem automatisk, og sæt derefter hver klasses &quot;Start&quot;-metode til &quot;Startpost&quot;.</translation>
    </message>
    <message>
        <source>Classes: generate/auto-match classes to courses.</source>
        <translation>Klasser: opret klasser ud fra banerne eller kobl dem automatisk.</translation>
    </message>
    <message>
        <source>Classes: use &quot;Generate classes from courses&quot; (or add classes manually).</source>
        <translation>Klasser: brug &quot;Opret klasser ud fra baner&quot; (eller tilføj klasser manuelt).</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Luk</translation>
    </message>
    <message>
        <source>Club</source>
        <translation>Klub</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Forbind</translation>
    </message>
    <message>
        <source>Connect the SI card reader and set up reciept printing. Watch card reads come in live, matched to a participant automatically.</source>
        <translation>Tilslut SI-brikaflæseren, og opsæt udskrivning af stræktidsbon. Følg brikaflæsningerne live, efterhånden som de automatisk kobles til en deltager.</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Forbundet</translation>
    </message>
    <message>
        <source>Courses</source>
        <translation>Baner</translation>
    </message>
    <message>
        <source>Courses/Classes/Entries: set up as in the other guides above; per-stage course overrides can be configured per class if needed.</source>
        <translation>Baner/Klasser/Tilmeldinger: sæt dem op som i de øvrige vejledninger ovenfor; ved behov kan klasserne få en anden bane for den enkelte etape.</translation>
    </message>
    <message>
        <source>Courses: import courses (IOF XML) or add them manually.</source>
        <translation>Baner: importér baner (IOF XML) eller tilføj dem manuelt.</translation>
    </message>
    <message>
        <source>Courses: import courses (IOF XML).</source>
        <translation>Baner: importér baner (IOF XML).</translation>
    </message>
    <message>
        <source>Current stage</source>
        <translation>Aktuel etape</translation>
    </message>
    <message>
        <source>Define courses/controls, i.e. import iof xml or enter manually. Supports traditional fixed-order courses, including variant/butterfly course families, as well as rogaining/score courses (any order, time limit, penalties).</source>
        <translation>Definér baner og poster, dvs. importér IOF XML eller indtast dem manuelt. Understøtter klassiske baner med fast rækkefølge, også banefamilier med varianter/gafler, samt pointløb/rogaining (vilkårlig rækkefølge, tidsgrænse, strafpoint).</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Enheder</translation>
    </message>
    <message>
        <source>Disclaimer</source>
        <translation>Ansvarsfraskrivelse</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Afbryd</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Afbrudt</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Færdig</translation>
    </message>
    <message>
        <source>Driver-specific tuning for thermal/POS receipt printers with an auto-cutter. Set these once for your printer model — most users never need to touch them.</source>
        <translation>Driverspecifik finjustering af termo-/POS-kvitteringsprintere med automatisk skæring. Indstil dem én gang for din printermodel — de fleste skal aldrig røre dem.</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Redigér</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Tilmeldinger</translation>
    </message>
    <message>
        <source>Entries: import participants (file or URL import) or add manually — no start time needs to be set.</source>
        <translation>Tilmeldinger: importér deltagere (fra fil eller URL) eller tilføj dem manuelt — der skal ikke sættes nogen starttid.</translation>
    </message>
    <message>
        <source>Entries: import participants (file or URL import), or add manually — this assigns each runner&apos;s SI card.</source>
        <translation>Tilmeldinger: importér deltagere (fra fil eller URL) eller tilføj dem manuelt — her får hver løber sin SI-brik.</translation>
    </message>
    <message>
        <source>Event name</source>
        <translation>Løbets navn</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Løb</translation>
    </message>
    <message>
        <source>Events: enable &quot;Multi-stage event&quot; and set the event date.</source>
        <translation>Løb: slå &quot;Etapeløb&quot; til, og sæt løbets dato.</translation>
    </message>
    <message>
        <source>Extra blank paper fed after the receipt, before any auto-cut — gives the cutter clearance so it doesn&apos;t slice through the last printed line.</source>
        <translation>Ekstra blankt papir efter kvitteringen, før en eventuel autoskæring — giver kniven plads, så den ikke skærer gennem den sidste udskrevne linje.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FIL</translation>
    </message>
    <message>
        <source>For multi-day/multi-stage events: define one entry per stage and pick which one is active. Card reads are tagged with the active stage; classes get an overall (summed) total once more than one stage exists.</source>
        <translation>Til flerdages- og etapeløb: opret én post pr. etape, og vælg hvilken der er aktiv. Brikaflæsninger knyttes til den aktive etape, og klasserne får et samlet (summeret) resultat, så snart der er mere end én etape.</translation>
    </message>
    <message>
        <source>Guides</source>
        <translation>Vejledninger</translation>
    </message>
    <message>
        <source>IN TIME</source>
        <translation>INDEN FOR TID</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>UFULDSTÆNDIG</translation>
    </message>
    <message>
        <source>Introduction</source>
        <translation>Introduktion</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprog</translation>
    </message>
    <message>
        <source>Last receipt not printed on %@: %@</source>
        <translation>Sidste kvittering blev ikke udskrevet på %@: %@</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuel</translation>
    </message>
    <message>
        <source>Map participants into classes and assign them a course, a course family (with per-runner variant), or a set of courses for multi-course events. Also controls whether a class starts on scheduled times or using SI start punch.</source>
        <translation>Fordel deltagerne i klasser, og giv hver klasse en bane, en banefamilie (med variant pr. løber) eller et sæt baner ved løb med flere baner. Her bestemmes også, om en klasse starter på planlagte tider eller med SI-startpost.</translation>
    </message>
    <message>
        <source>Missing controls: %@</source>
        <translation>Manglende poster: %@</translation>
    </message>
    <message>
        <source>Multi-station setup: master/slave networking across several reader stations, live-results publishing, and Vexlo Web / O-Checklist integration.</source>
        <translation>Opsætning med flere stationer: master/slave-netværk mellem flere aflæsningsstationer, udgivelse af liveresultater og integration med Vexlo Web / O-Checklist.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Navn</translation>
    </message>
    <message>
        <source>Name the event, set its date, and choose a save file. Once a file is chosen, results autosave after every card read.</source>
        <translation>Giv løbet et navn, sæt datoen, og vælg en fil at gemme i. Når filen er valgt, gemmes resultaterne automatisk efter hver brikaflæsning.</translation>
    </message>
    <message>
        <source>Name your new event</source>
        <translation>Navngiv dit nye løb</translation>
    </message>
    <message>
        <source>No card read yet</source>
        <translation>Ingen brik aflæst endnu</translation>
    </message>
    <message>
        <source>No class</source>
        <translation>Ingen klasse</translation>
    </message>
    <message>
        <source>No course/split data</source>
        <translation>Ingen bane- eller mellemtidsdata</translation>
    </message>
    <message>
        <source>No default printer</source>
        <translation>Ingen standardprinter</translation>
    </message>
    <message>
        <source>No participant registered for this card</source>
        <translation>Ingen deltager registreret med denne brik</translation>
    </message>
    <message>
        <source>No pre-registration at all. Runners show up, run, and are registered the moment their card is read.</source>
        <translation>Ingen forhåndstilmelding. Løberne møder op, løber og bliver registreret i samme øjeblik, deres brik aflæses.</translation>
    </message>
    <message>
        <source>OVERTIME</source>
        <translation>OVERTID</translation>
    </message>
    <message>
        <source>On each station&apos;s SI Reader tab, connect that station&apos;s card reader; results recorded on any slave are merged into the master and shown everywhere.</source>
        <translation>Tilslut stationens brikaflæser under SI-læser på hver station; resultater fra alle slaver samles hos masteren og vises overalt.</translation>
    </message>
    <message>
        <source>Only one event file can be opened at a time.</source>
        <translation>Der kan kun åbnes én løbsfil ad gangen.</translation>
    </message>
    <message>
        <source>Orienteering race administration and SI card reader for Linux</source>
        <translation>Administration af orienteringsløb og SI-brikaflæsning til Linux</translation>
    </message>
    <message>
        <source>Overall Standings</source>
        <translation>Samlet stilling</translation>
    </message>
    <message>
        <source>Passed straight through to CUPS as -o key=value to trigger your printer&apos;s auto-cutter. Linux printing has no generic &quot;cut now&quot; command — the exact key/value is specific to your printer&apos;s driver/PPD (Star/Epson/Bixolon each name this differently). Leave blank if unsure; an unrecognized key is silently ignored.</source>
        <translation>Sendes uændret til CUPS som -o nøgle=værdi for at udløse printerens automatiske skæring. Linux-udskrivning har ingen generel kommando til &quot;skær nu&quot; — den præcise nøgle/værdi afhænger af printerens driver/PPD (Star/Epson/Bixolon kalder det hver sit). Lad felterne stå tomme, hvis du er i tvivl; en ukendt nøgle ignoreres stille.</translation>
    </message>
    <message>
        <source>Plan when each runner starts — individually or via bulk sequential/mass-start assignment. Independent of any punch on the card; only used when a class&apos;s start method is &quot;scheduled time&quot;.</source>
        <translation>Planlæg hvornår hver løber starter — enkeltvis eller samlet med fortløbende tider eller massestart. Uafhængigt af stemplinger på brikken; bruges kun, når klassens startmetode er &quot;planlagt tid&quot;.</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>Printer not found</source>
        <translation>Printeren findes ikke</translation>
    </message>
    <message>
        <source>Printer: %@ · %@</source>
        <translation>Printer: %@ · %@</translation>
    </message>
    <message>
        <source>Printing failed</source>
        <translation>Udskrivningen mislykkedes</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Privatliv</translation>
    </message>
    <message>
        <source>Reading card %@...</source>
        <translation>Aflæser brik %@...</translation>
    </message>
    <message>
        <source>Receipt printer</source>
        <translation>Kvitteringsprinter</translation>
    </message>
    <message>
        <source>Recent Results</source>
        <translation>Seneste resultater</translation>
    </message>
    <message>
        <source>Refresh Ports</source>
        <translation>Opdater porte</translation>
    </message>
    <message>
        <source>Register...</source>
        <translation>Registrer...</translation>
    </message>
    <message>
        <source>Requires a SportIdent BSx7/BSx8-series station connected via its USB-UART bridge, configured (via SI-Config) for 38400 baud with &quot;extended protocol&quot; enabled — without it, SI8/9/10/11/pCard/SIAC cards are reported as (and read like) older SI6 cards, which isn&apos;t reliably supported here. Autosend or handshake mode both work. Other baud rates or older station series are not supported.</source>
        <translation>Kræver en SportIdent-station i BSx7/BSx8-serien, tilsluttet via sin USB-UART-bro og indstillet (med SI-Config) til 38400 baud med &quot;extended protocol&quot; slået til — uden den meldes SI8/9/10/11/pCard/SIAC-brikker som (og aflæses som) ældre SI6-brikker, hvilket ikke understøttes pålideligt her. Både autosend og handshake virker. Andre baudrater og ældre stationsserier understøttes ikke.</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Resultater</translation>
    </message>
    <message>
        <source>Results — %@</source>
        <translation>Resultater — %@</translation>
    </message>
    <message>
        <source>Results: use the per-stage tabs to see each day&apos;s results, and the &quot;Overall&quot; tab for the summed general classification across all stages.</source>
        <translation>Resultater: brug fanerne for de enkelte etaper til at se dagens resultater og fanen &quot;Samlet&quot; til det summerede samlede resultat for alle etaper.</translation>
    </message>
    <message>
        <source>Review, correct, and export results and split times; print receipts. Handles exceptions like forcing a completed/incomplete status or reassigning a runner&apos;s course after the fact.</source>
        <translation>Gennemse, ret og eksportér resultater og stræktider; udskriv stræktidsbonner. Håndterer undtagelser som at gennemtvinge status gennemført/ikke gennemført eller at flytte en løber til en anden bane bagefter.</translation>
    </message>
    <message>
        <source>Runners are entered ahead of time and given individual scheduled start times (chase-start or interval starts).</source>
        <translation>Løberne er tilmeldt på forhånd og får individuelle, planlagte starttider (jagtstart eller intervalstart).</translation>
    </message>
    <message>
        <source>Runners are entered ahead of time, but start whenever they like (e.g. a mass start, or a start-triggered station) — no individual scheduled times needed.</source>
        <translation>Løberne er tilmeldt på forhånd, men starter, når de vil (f.eks. massestart eller en startpost) — der er ikke brug for individuelle starttider.</translation>
    </message>
    <message>
        <source>SI Reader</source>
        <translation>SI-læser</translation>
    </message>
    <message>
        <source>SI Reader: connect the card reader.</source>
        <translation>SI-læser: tilslut brikaflæseren.</translation>
    </message>
    <message>
        <source>SI Reader: connect the reader; as runners finish and their card is read, results are matched automatically using their scheduled start time.</source>
        <translation>SI-læser: tilslut aflæseren; efterhånden som løberne kommer i mål og får brikken aflæst, beregnes resultaterne automatisk ud fra deres planlagte starttid.</translation>
    </message>
    <message>
        <source>SI Reader: connect the reader; the card&apos;s own start-station punch is used automatically as each runner&apos;s start time.</source>
        <translation>SI-læser: tilslut aflæseren; stemplingen fra startposten på brikken bruges automatisk som løberens starttid.</translation>
    </message>
    <message>
        <source>Save Event...</source>
        <translation>Gem løb...</translation>
    </message>
    <message>
        <source>Score</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Score: %@ pts</source>
        <translation>Point: %@</translation>
    </message>
    <message>
        <source>Score: —</source>
        <translation>Point: —</translation>
    </message>
    <message>
        <source>See Results tab for full split times</source>
        <translation>Se fanen Resultater for alle mellemtider</translation>
    </message>
    <message>
        <source>See who&apos;s still out on course, who&apos;s checked out, and mark stragglers DNS/DNF when they&apos;ll never produce a card read.</source>
        <translation>Se hvem der stadig er ude på banen, og hvem der er tjekket ud, og markér efternølere som DNS/DNF, når de aldrig kommer til aflæsning.</translation>
    </message>
    <message>
        <source>Select a section</source>
        <translation>Vælg et afsnit</translation>
    </message>
    <message>
        <source>Shows Vexlo's version.</source>
        <translation>Viser Vexlos version.</translation>
    </message>
    <message>
        <source>Shows this help.</source>
        <translation>Viser denne hjælp.</translation>
    </message>
    <message>
        <source>Split Times</source>
        <translation>Mellemtider</translation>
    </message>
    <message>
        <source>Split Times — %@</source>
        <translation>Mellemtider — %@</translation>
    </message>
    <message>
        <source>SportIdent Reader (USB)</source>
        <translation>SportIdent-læser (USB)</translation>
    </message>
    <message>
        <source>Stage</source>
        <translation>Etape</translation>
    </message>
    <message>
        <source>Stages</source>
        <translation>Etaper</translation>
    </message>
    <message>
        <source>Stages: add one entry per day/leg and pick which one is active — new card reads and start times apply to whichever stage is active.</source>
        <translation>Etaper: tilføj én post pr. dag/etape, og vælg hvilken der er aktiv — nye brikaflæsninger og starttider gælder for den aktive etape.</translation>
    </message>
    <message>
        <source>Start List</source>
        <translation>Startliste</translation>
    </message>
    <message>
        <source>Start List (Grid)</source>
        <translation>Startliste (gitter)</translation>
    </message>
    <message>
        <source>Start List (Grid) — page %@ of %@</source>
        <translation>Startliste (gitter) — side %@ af %@</translation>
    </message>
    <message>
        <source>Start List — By Class</source>
        <translation>Startliste — efter klasse</translation>
    </message>
    <message>
        <source>Start List: assign start times — either a per-class &quot;Random draw&quot;, or &quot;Generate full start list&quot; for the whole field at once.</source>
        <translation>Startliste: tildel starttider — enten med &quot;Lodtrækning&quot; klasse for klasse eller med &quot;Opret hele startlisten&quot; for hele feltet på én gang.</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Systemets standard</translation>
    </message>
    <message>
        <source>The event file (.vexloevent.json) to open.</source>
        <translation>Løbsfilen (.vexloevent.json), der skal åbnes.</translation>
    </message>
    <message>
        <source>This app is provided for free and &quot;as is&quot;, without warranty of any kind, expressed or implied, including but not limited to the warranties of merchantability, fitness for a particular purpose, and noninfringement. In no event shall the author be liable for any claim, damages or other liability arising from, out of or in connection with the software or its use.</source>
        <translation>Programmet stilles gratis til rådighed &quot;som det er&quot;, uden nogen form for garanti, hverken udtrykkelig eller underforstået, herunder men ikke begrænset til garantier for salgbarhed, egnethed til et bestemt formål og ikke-krænkelse. Ophavspersonen kan under ingen omstændigheder holdes ansvarlig for krav, skader eller andet ansvar, der opstår af, ud af eller i forbindelse med programmet eller brugen af det.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Tid</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Værktøjer</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>I alt</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation>Samlet tid</translation>
    </message>
    <message>
        <source>Total time: %@</source>
        <translation>Samlet tid: %@</translation>
    </message>
    <message>
        <source>Total time: —</source>
        <translation>Samlet tid: —</translation>
    </message>
    <message>
        <source>Unknown runner</source>
        <translation>Ukendt løber</translation>
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
        <translation>Vexlo sætter orienteringsløb op, læser SportIdent-brikker på løbsdagen og beregner resultaterne.</translation>
    </message>
    <message>
        <source>Vexlo was written to give the orienteering community a Linux-native way to organise races and read SI cards. Vexlo is cakeware: if you like it, pay it back by organising an extra race or training for your club, or by bringing a cake to your next club meeting.</source>
        <translation>Vexlo er skrevet for at give orienteringsmiljøet et Linux-program til at arrangere løb og aflæse SI-brikker. Vexlo er kageware: kan du lide det, så betal tilbage ved at arrangere et ekstra løb eller en træning for din klub eller ved at tage en kage med til det næste klubmøde.</translation>
    </message>
    <message>
        <source>When a runner punches in and their card is read with no match, click &quot;Register...&quot; on the card-read prompt, fill in their name/class, and their result is recorded immediately — no separate entry step needed.</source>
        <translation>Når en løber kommer i mål, og brikken aflæses uden at passe til nogen, så klik på &quot;Registrér...&quot; i aflæsningsvinduet, udfyld navn og klasse, og resultatet gemmes med det samme — der er ikke brug for et særskilt tilmeldingstrin.</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>Hvorfor</translation>
    </message>
    <message>
        <source>[FILE]</source>
        <translation>[FIL]</translation>
    </message>
    <message>
        <source>advanced, driver-specific</source>
        <translation>avanceret, driverspecifik</translation>
    </message>
    <message>
        <source>e.g. 1</source>
        <translation>f.eks. 1</translation>
    </message>
</context>
</TS>
