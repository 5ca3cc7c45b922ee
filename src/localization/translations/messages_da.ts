<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>&quot;%@&quot; is not a Vexlo event file (or it is damaged), so it was not opened.</source>
        <translation>&quot;%@&quot; er ikke en Vexlo-løbsfil (eller den er beskadiget), så den blev ikke åbnet.</translation>
    </message>
    <message>
        <source>%@ (%@)</source>
        <translation>%@ (%@)</translation>
    </message>
    <message>
        <source>%@ is missing</source>
        <translation>%@ mangler</translation>
    </message>
    <message>
        <source>%@ is not a list</source>
        <translation>%@ er ikke en liste</translation>
    </message>
    <message>
        <source>%@ is not a string</source>
        <translation>%@ er ikke en tekst</translation>
    </message>
    <message>
        <source>%@ is not an object</source>
        <translation>%@ er ikke et objekt</translation>
    </message>
    <message>
        <source>%@ is not true or false</source>
        <translation>%@ er hverken true eller false</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es)</source>
        <translation>%@ person(er), %@ klasse(r)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) (unchanged)</source>
        <translation>%@ person(er), %@ klasse(r) (uændret)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) (unchanged) — %@ warning(s)</source>
        <translation>%@ person(er), %@ klasse(r) (uændret) — %@ advarsel(er)</translation>
    </message>
    <message>
        <source>%@ person(s), %@ class(es) — %@ warning(s)</source>
        <translation>%@ person(er), %@ klasse(r) — %@ advarsel(er)</translation>
    </message>
    <message>
        <source>%@ runner change(s), %@ result change(s)</source>
        <translation>%@ løberændring(er), %@ resultatændring(er)</translation>
    </message>
    <message>
        <source>%@ runner(s) (full sync)</source>
        <translation>%@ løber(e) (fuld synkronisering)</translation>
    </message>
    <message>
        <source>%@: date outside the years 1 to 9999</source>
        <translation>%@: datoen ligger uden for årene 1 til 9999</translation>
    </message>
    <message>
        <source>%@: expected a number</source>
        <translation>%@: et tal var ventet</translation>
    </message>
    <message>
        <source>%@: expected a string</source>
        <translation>%@: en tekst var ventet</translation>
    </message>
    <message>
        <source>%@: expected an array</source>
        <translation>%@: en liste var ventet</translation>
    </message>
    <message>
        <source>%@: expected an integer</source>
        <translation>%@: et heltal var ventet</translation>
    </message>
    <message>
        <source>%@: expected an object</source>
        <translation>%@: et objekt var ventet</translation>
    </message>
    <message>
        <source>%@: expected true or false</source>
        <translation>%@: true eller false var ventet</translation>
    </message>
    <message>
        <source>%@: invalid date</source>
        <translation>%@: ugyldig dato</translation>
    </message>
    <message>
        <source>%@: malformed UUID &quot;%@&quot;</source>
        <translation>%@: ugyldigt UUID &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: malformed date &quot;%@&quot;</source>
        <translation>%@: ugyldig dato &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: number is not finite</source>
        <translation>%@: tallet er ikke endeligt</translation>
    </message>
    <message>
        <source>%@: required key is missing</source>
        <translation>%@: påkrævet nøgle mangler</translation>
    </message>
    <message>
        <source>%@: required value is null</source>
        <translation>%@: påkrævet værdi er null</translation>
    </message>
    <message>
        <source>%@: unknown value &quot;%@&quot;</source>
        <translation>%@: ukendt værdi &quot;%@&quot;</translation>
    </message>
    <message>
        <source>%@: value is null</source>
        <translation>%@: værdien er null</translation>
    </message>
    <message>
        <source>Browse failed: %@</source>
        <translation>Søgning fejlede: %@</translation>
    </message>
    <message>
        <source>Cannot create a file in %@: %@</source>
        <translation>Kan ikke oprette en fil i %@: %@</translation>
    </message>
    <message>
        <source>Cannot open %@: %@</source>
        <translation>Kan ikke åbne %@: %@</translation>
    </message>
    <message>
        <source>Cannot open folder %@: %@</source>
        <translation>Kan ikke åbne mappen %@: %@</translation>
    </message>
    <message>
        <source>Cannot replace %@: %@</source>
        <translation>Kan ikke erstatte %@: %@</translation>
    </message>
    <message>
        <source>Cannot sync %@: %@</source>
        <translation>Kan ikke skrive %@ helt ud på disken: %@</translation>
    </message>
    <message>
        <source>Cannot sync folder %@: %@</source>
        <translation>Kan ikke skrive mappen %@ helt ud på disken: %@</translation>
    </message>
    <message>
        <source>Cannot write %@: %@</source>
        <translation>Kan ikke skrive %@: %@</translation>
    </message>
    <message>
        <source>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds.</source>
        <translation>Ændringer kan ikke registreres, efterhånden som de foretages (%@); de findes kun i hukommelsen, indtil det lykkes at gemme.</translation>
    </message>
    <message>
        <source>Changes cannot be recorded as they are made (%@); they are kept only in memory until a save succeeds. %@</source>
        <translation>Ændringer kan ikke registreres, efterhånden som de foretages (%@); de findes kun i hukommelsen, indtil det lykkes at gemme. %@</translation>
    </message>
    <message>
        <source>Class &quot;%@&quot;: ran out of available slots — window/capacity too small to fit every runner. Not placed: %@, card %@.</source>
        <translation>Klasse &quot;%@&quot;: ikke flere ledige pladser — vinduet/kapaciteten er for lille til alle løbere. Ikke placeret: %@, brik %@.</translation>
    </message>
    <message>
        <source>Connected to master</source>
        <translation>Forbundet til master</translation>
    </message>
    <message>
        <source>Connected to master, but this station has no copy of the event yet (%@). Cards read here go to the master, which records them.</source>
        <translation>Forbundet til master, men denne station har endnu ingen kopi af løbet (%@). Brikker, der læses her, sendes til masteren, som registrerer dem.</translation>
    </message>
    <message>
        <source>it is on its way</source>
        <translation>det er på vej</translation>
    </message>
    <message>
        <source>Connection closed</source>
        <translation>Forbindelsen blev lukket</translation>
    </message>
    <message>
        <source>Connection refused</source>
        <translation>Forbindelsen blev afvist</translation>
    </message>
    <message>
        <source>Connection timed out</source>
        <translation>Forbindelsen fik timeout</translation>
    </message>
    <message>
        <source>Could not download the entry list: %@</source>
        <translation>Tilmeldingslisten kunne ikke hentes: %@</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: no answer in time</source>
        <translation>Kunne ikke forbinde til &quot;%@&quot; på %@: intet svar i tide</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the master closed the connection</source>
        <translation>Kunne ikke forbinde til &quot;%@&quot; på %@: masteren lukkede forbindelsen</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the master runs another version of Vexlo; every station of an event needs the same one</source>
        <translation>Kunne ikke forbinde til &quot;%@&quot; på %@: masteren kører en anden version af Vexlo; alle stationer ved et løb skal have den samme</translation>
    </message>
    <message>
        <source>Could not join &quot;%@&quot; at %@: the station keys do not match</source>
        <translation>Kunne ikke forbinde til &quot;%@&quot; på %@: stationsnøglerne passer ikke sammen</translation>
    </message>
    <message>
        <source>Could not open &quot;%@&quot;: %@</source>
        <translation>Kunne ikke åbne &quot;%@&quot;: %@</translation>
    </message>
    <message>
        <source>Could not read the course file %@: %@</source>
        <translation>Banefilen %@ kunne ikke læses: %@</translation>
    </message>
    <message>
        <source>Decode failed: %@</source>
        <translation>Afkodning mislykkedes: %@</translation>
    </message>
    <message>
        <source>Device or resource busy</source>
        <translation>Enheden eller ressourcen er optaget</translation>
    </message>
    <message>
        <source>Disconnected from master — searching...</source>
        <translation>Forbindelsen til master er afbrudt — søger...</translation>
    </message>
    <message>
        <source>Encoding failed: %@</source>
        <translation>Kodning mislykkedes: %@</translation>
    </message>
    <message>
        <source>Enter an API key first</source>
        <translation>Indtast først en API-nøgle</translation>
    </message>
    <message>
        <source>Entry lists can only be downloaded from http:// or https:// addresses; &quot;%@&quot; is not one.</source>
        <translation>Tilmeldingslister kan kun hentes fra http://- eller https://-adresser; &quot;%@&quot; er ikke en sådan.</translation>
    </message>
    <message>
        <source>FOR REVIEW</source>
        <translation>TIL KONTROL</translation>
    </message>
    <message>
        <source>Failed to start listener</source>
        <translation>Kunne ikke begynde at lytte efter stationer</translation>
    </message>
    <message>
        <source>Fetch failed: %@</source>
        <translation>Hentning mislykkedes: %@</translation>
    </message>
    <message>
        <source>Fetch failed: server returned status %@</source>
        <translation>Hentning mislykkedes: serveren svarede med status %@</translation>
    </message>
    <message>
        <source>Fetched at %@</source>
        <translation>Hentet kl. %@</translation>
    </message>
    <message>
        <source>Host %@ not found</source>
        <translation>Værten %@ blev ikke fundet</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Ind-/uddatafejl</translation>
    </message>
    <message>
        <source>Invalid API key: it holds a line break or another control character</source>
        <translation>Ugyldig API-nøgle: den indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>Invalid URL</source>
        <translation>Ugyldig adresse</translation>
    </message>
    <message>
        <source>Invalid competition id</source>
        <translation>Ugyldigt konkurrence-id</translation>
    </message>
    <message>
        <source>Invalid competition id (must be numeric &quot;eventid&quot;)</source>
        <translation>Ugyldigt konkurrence-id (skal være det numeriske &quot;eventid&quot;)</translation>
    </message>
    <message>
        <source>Invalid passcode: it holds a line break or another control character</source>
        <translation>Ugyldig adgangskode: den indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>Invalid password: it holds a line break or another control character</source>
        <translation>Ugyldig adgangskode: den indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Er en mappe</translation>
    </message>
    <message>
        <source>Master failed: %@</source>
        <translation>Master fejlede: %@</translation>
    </message>
    <message>
        <source>Master running, advertising &quot;%@&quot;</source>
        <translation>Master kører og annoncerer &quot;%@&quot;</translation>
    </message>
    <message>
        <source>Network unreachable</source>
        <translation>Netværket kan ikke nås</translation>
    </message>
    <message>
        <source>No &lt;Course&gt; elements found in CourseData XML</source>
        <translation>Ingen &lt;Course&gt;-elementer fundet i CourseData-XML&apos;en</translation>
    </message>
    <message>
        <source>No &lt;PersonEntry&gt; elements found in EntryList XML</source>
        <translation>Ingen &lt;PersonEntry&gt;-elementer fundet i EntryList-XML&apos;en</translation>
    </message>
    <message>
        <source>No &lt;PersonStart&gt; elements found in StartList XML</source>
        <translation>Ingen &lt;PersonStart&gt;-elementer fundet i StartList-XML&apos;en</translation>
    </message>
    <message>
        <source>No changes to publish at %@</source>
        <translation>Ingen ændringer at publicere kl. %@</translation>
    </message>
    <message>
        <source>No station key</source>
        <translation>Ingen stationsnøgle</translation>
    </message>
    <message>
        <source>No such device</source>
        <translation>Enheden findes ikke</translation>
    </message>
    <message>
        <source>No such device or address</source>
        <translation>Enheden eller adressen findes ikke</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>Filen eller mappen findes ikke</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Er ikke en mappe</translation>
    </message>
    <message>
        <source>Not a local file: %@</source>
        <translation>Ikke en lokal fil: %@</translation>
    </message>
    <message>
        <source>Not fetched yet</source>
        <translation>Ikke hentet endnu</translation>
    </message>
    <message>
        <source>Not published yet</source>
        <translation>Ikke publiceret endnu</translation>
    </message>
    <message>
        <source>Not published: the passcode was not kept (no key store); type it again</source>
        <translation>Ikke publiceret: adgangskoden blev ikke gemt (ingen nøglering); skriv den igen</translation>
    </message>
    <message>
        <source>Not pulled yet</source>
        <translation>Ikke hentet endnu</translation>
    </message>
    <message>
        <source>Not set up yet — enter an API key and fetch the event first</source>
        <translation>Ikke sat op endnu — indtast en API-nøgle og hent først løbet</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Ikke startet</translation>
    </message>
    <message>
        <source>Not verified</source>
        <translation>Ikke bekræftet</translation>
    </message>
    <message>
        <source>Operation canceled</source>
        <translation>Handlingen blev annulleret</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Handlingen er ikke tilladt</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Adgang nægtet</translation>
    </message>
    <message>
        <source>Publish failed: %@</source>
        <translation>Publicering mislykkedes: %@</translation>
    </message>
    <message>
        <source>Publish failed: no HTTP response</source>
        <translation>Publicering mislykkedes: intet HTTP-svar</translation>
    </message>
    <message>
        <source>Publish failed: server returned status %@</source>
        <translation>Publicering mislykkedes: serveren svarede med status %@</translation>
    </message>
    <message>
        <source>Publish failed: the server did not answer in time</source>
        <translation>Publicering mislykkedes: serveren svarede ikke i tide</translation>
    </message>
    <message>
        <source>Published %@ at %@</source>
        <translation>Publiceret %@ kl. %@</translation>
    </message>
    <message>
        <source>Published at %@</source>
        <translation>Publiceret kl. %@</translation>
    </message>
    <message>
        <source>Pull failed: %@</source>
        <translation>Hentning af indtjekninger mislykkedes: %@</translation>
    </message>
    <message>
        <source>Pull failed: server returned status %@</source>
        <translation>Hentning af indtjekninger mislykkedes: serveren svarede med status %@</translation>
    </message>
    <message>
        <source>Pulled %@ entrie(s) at %@</source>
        <translation>Hentede %@ indtjekning(er) kl. %@</translation>
    </message>
    <message>
        <source>Refused %@: it did not prove the station key</source>
        <translation>Afviste %@: den viste ikke, at den har stationsnøglen</translation>
    </message>
    <message>
        <source>Refused %@: it did not prove the station key in time</source>
        <translation>Afviste %@: den viste ikke i tide, at den har stationsnøglen</translation>
    </message>
    <message>
        <source>Refused %@: it runs another version of Vexlo; every station of an event needs the same one</source>
        <translation>Afviste %@: den kører en anden version af Vexlo; alle stationer ved et løb skal have den samme</translation>
    </message>
    <message>
        <source>Refused %@: too many connections waiting to prove the station key</source>
        <translation>Afviste %@: for mange forbindelser venter på at vise stationsnøglen</translation>
    </message>
    <message>
        <source>Refused %@: too many stations connected</source>
        <translation>Afviste %@: der er for mange stationer forbundet</translation>
    </message>
    <message>
        <source>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works.</source>
        <translation>Resultater, der endnu ikke er sendt til master, kunne ikke gemmes i %@ (%@); de findes kun i hukommelsen, indtil det lykkes.</translation>
    </message>
    <message>
        <source>Results not yet sent to the master could not be kept in %@ (%@); they are held only in memory until that works. %@</source>
        <translation>Resultater, der endnu ikke er sendt til master, kunne ikke gemmes i %@ (%@); de findes kun i hukommelsen, indtil det lykkes. %@</translation>
    </message>
    <message>
        <source>SSL handshake failed</source>
        <translation>SSL-forbindelsen kunne ikke etableres</translation>
    </message>
    <message>
        <source>Searching for master &quot;%@&quot;...</source>
        <translation>Søger efter master &quot;%@&quot;...</translation>
    </message>
    <message>
        <source>Secure station connections are not available on this computer</source>
        <translation>Sikre forbindelser mellem stationer kan ikke bruges på denne computer</translation>
    </message>
    <message>
        <source>Server returned status %@</source>
        <translation>Serveren svarede med status %@</translation>
    </message>
    <message>
        <source>Set a competition id first</source>
        <translation>Angiv først et konkurrence-id</translation>
    </message>
    <message>
        <source>Set the competition id first</source>
        <translation>Angiv først konkurrence-id&apos;et</translation>
    </message>
    <message>
        <source>Skipped %@ class(es) using &quot;Start punch&quot; (start time comes from the card itself, not a schedule): %@.</source>
        <translation>Sprang %@ klasse(r) over, der bruger &quot;Startstempling&quot; (starttiden kommer fra selve brikken, ikke fra en plan): %@.</translation>
    </message>
    <message>
        <source>Socket operation timed out</source>
        <translation>Netværkshandlingen fik timeout</translation>
    </message>
    <message>
        <source>Stopped: the master sent an event of %@ bytes, more than the %@ this station accepts. Make sure every station runs the same version of Vexlo, then start this station again.</source>
        <translation>Stoppet: master sendte et løb på %@ byte, mere end de %@, denne station tager imod. Sørg for, at alle stationer kører samme version af Vexlo, og start så denne station igen.</translation>
    </message>
    <message>
        <source>The XML document could not be queried.</source>
        <translation>XML-dokumentet kunne ikke gennemsøges.</translation>
    </message>
    <message>
        <source>The XML parser could not be started.</source>
        <translation>XML-læseren kunne ikke startes.</translation>
    </message>
    <message>
        <source>The autosave %@ is damaged and could not be moved aside (%@); nothing is saved over it until it can be</source>
        <translation>Autogemningen %@ er beskadiget og kunne ikke flyttes til side (%@); der gemmes intet oven i den, før det kan lade sig gøre</translation>
    </message>
    <message>
        <source>The course &quot;%@&quot; gives control %@ the score %@, more than any score can be. Correct the score in the course-planning program and export the courses again.</source>
        <translation>Banen &quot;%@&quot; giver post %@ pointtallet %@, mere end noget pointtal kan være. Ret pointtallet i baneplanlægningsprogrammet, og eksportér banerne igen.</translation>
    </message>
    <message>
        <source>The course &quot;%@&quot; gives control %@ the score %@; only whole points can be imported.</source>
        <translation>Banen &quot;%@&quot; giver post %@ pointtallet %@; kun hele point kan importeres.</translation>
    </message>
    <message>
        <source>The course file %@ is too large to be an IOF XML document (%@ bytes).</source>
        <translation>Banefilen %@ er for stor til at være et IOF XML-dokument (%@ byte).</translation>
    </message>
    <message>
        <source>The entry list is too large (over %@ MB).</source>
        <translation>Tilmeldingslisten er for stor (over %@ MB).</translation>
    </message>
    <message>
        <source>The entry of %@ has the card number &quot;%@&quot;; a card number is digits only. Correct it in the entry list and import the list again.</source>
        <translation>Tilmeldingen for %@ har briknummeret &quot;%@&quot;; et briknummer består kun af cifre. Ret det i tilmeldingslisten, og importér listen igen.</translation>
    </message>
    <message>
        <source>The entry of %@ has the card number %@; no SportIdent card has a number above 16,777,215. Correct it in the entry list and import the list again.</source>
        <translation>Tilmeldingen for %@ har briknummeret %@; ingen SportIdent-brik har et nummer over 16.777.215. Ret det i tilmeldingslisten, og importér listen igen.</translation>
    </message>
    <message>
        <source>The event is too large to send to the stations (%@ bytes; the limit is %@). They keep the event they last received and still send their results here.</source>
        <translation>Løbet er for stort til at blive sendt til stationerne (%@ byte; grænsen er %@). De beholder det løb, de sidst modtog, og sender stadig deres resultater hertil.</translation>
    </message>
    <message>
        <source>The event's latest changes could not be saved (%@), and the chosen file holds the same event, so it was not opened over them. Open it again once saving works.</source>
        <translation>Løbets seneste ændringer kunne ikke gemmes (%@), og den valgte fil indeholder det samme løb, så den blev ikke åbnet oven i dem. Åbn den igen, når det lykkes at gemme.</translation>
    </message>
    <message>
        <source>The file declares a document type (&lt;!DOCTYPE&gt;); IOF XML files never do, so it is not read.</source>
        <translation>Filen angiver en dokumenttype (&lt;!DOCTYPE&gt;); det gør IOF XML-filer aldrig, så den læses ikke.</translation>
    </message>
    <message>
        <source>The file holds a text of %@ bytes; no IOF field is longer than %@, so it is not read.</source>
        <translation>Filen indeholder en tekst på %@ byte; intet IOF-felt er længere end %@, så den læses ikke.</translation>
    </message>
    <message>
        <source>The file is empty, not an XML document.</source>
        <translation>Filen er tom og ikke et XML-dokument.</translation>
    </message>
    <message>
        <source>The file is not well-formed XML: %@ (line %@).</source>
        <translation>Filen er ikke gyldig XML: %@ (linje %@).</translation>
    </message>
    <message>
        <source>The file is not well-formed XML: %@.</source>
        <translation>Filen er ikke gyldig XML: %@.</translation>
    </message>
    <message>
        <source>The file is too large to be an IOF XML document (%@ bytes; the limit is %@).</source>
        <translation>Filen er for stor til at være et IOF XML-dokument (%@ byte; grænsen er %@).</translation>
    </message>
    <message>
        <source>The service name cannot be empty or only spaces: the slaves find the master by it.</source>
        <translation>Tjenestenavnet kan ikke være tomt eller kun mellemrum: slaverne finder masteren ved det.</translation>
    </message>
    <message>
        <source>The service name cannot hold a line break, a tab or another control character.</source>
        <translation>Tjenestenavnet kan ikke indeholde et linjeskift, en tabulator eller et andet kontroltegn.</translation>
    </message>
    <message>
        <source>The service name takes %@ bytes; at most %@ can be announced (æ, ø and å take two bytes each).</source>
        <translation>Tjenestenavnet fylder %@ byte; højst %@ kan annonceres (æ, ø og å fylder to byte hver).</translation>
    </message>
    <message>
        <source>The station key could not be read from the key store (%@). Type the event's station key, or press Start again to make a new one.</source>
        <translation>Stationsnøglen kunne ikke læses fra nøgleringen (%@). Skriv løbets stationsnøgle, eller tryk på Start igen for at lave en ny.</translation>
    </message>
    <message>
        <source>This CourseData file holds the courses of %@ races, and the event has no stage to import them into. Add the stages, choose the stage these courses belong to, and import the file again.</source>
        <translation>Denne CourseData-fil indeholder banerne for %@ løb, og løbet har ingen etape at importere dem til. Tilføj etaperne, vælg den etape banerne hører til, og importér filen igen.</translation>
    </message>
    <message>
        <source>This CourseData file holds the courses of races %@, but none of race %@, the stage being imported.</source>
        <translation>Denne CourseData-fil indeholder banerne for løb %@, men ingen for løb %@, den etape der importeres.</translation>
    </message>
    <message>
        <source>This file is %@, not an IOF %@: only an IOF %@ file can be imported as %@.</source>
        <translation>Denne fil er %@, ikke en IOF %@: kun en IOF %@-fil kan importeres som %@.</translation>
    </message>
    <message>
        <source>This file is in the IOF XML 2.0.3 format, which cannot be imported. Export the list again from the program that made it, choosing IOF XML 3.0, and import that file.</source>
        <translation>Denne fil er i formatet IOF XML 2.0.3, som ikke kan importeres. Eksportér listen igen fra det program, der lavede den, med IOF XML 3.0 valgt, og importér den fil.</translation>
    </message>
    <message>
        <source>Unable to open %@</source>
        <translation>Kan ikke åbne %@</translation>
    </message>
    <message>
        <source>Unable to open %@: %@</source>
        <translation>Kan ikke åbne %@: %@</translation>
    </message>
    <message>
        <source>Unable to open %@: %@. Add your user to the dialout group and log in again, or install Vexlo's package, which grants access to SportIdent stations.</source>
        <translation>Kan ikke åbne %@: %@. Føj din bruger til gruppen dialout, og log ind igen, eller installér Vexlos pakke, som giver adgang til SportIdent-stationer.</translation>
    </message>
    <message>
        <source>Verification failed: %@</source>
        <translation>Bekræftelse mislykkedes: %@</translation>
    </message>
    <message>
        <source>Verification failed: server returned status %@</source>
        <translation>Bekræftelse mislykkedes: serveren svarede med status %@</translation>
    </message>
    <message>
        <source>Waiting for the station key from the key store...</source>
        <translation>Venter på stationsnøglen fra nøgleringen...</translation>
    </message>
    <message>
        <source>Window too small: %@ runner(s) but only %@ slot(s) available (%@ x 1-minute slots, %@ runner(s) each). Increase the window to fit everyone.</source>
        <translation>Startvinduet er for lille: %@ løber(e), men kun %@ plads(er) ledig(e) (%@ x 1-minuts pladser, %@ løber(e) hver). Gør vinduet større, så alle kan være der.</translation>
    </message>
    <message>
        <source>a damaged file in its place could not be moved aside: %@</source>
        <translation>en beskadiget fil på dens plads kunne ikke flyttes til side: %@</translation>
    </message>
    <message>
        <source>a runner without a name</source>
        <translation>en løber uden navn</translation>
    </message>
    <message>
        <source>an IOF %@</source>
        <translation>en IOF %@</translation>
    </message>
    <message>
        <source>an XML document whose root element is &lt;%@&gt;</source>
        <translation>et XML-dokument med rodelementet &lt;%@&gt;</translation>
    </message>
    <message>
        <source>an XML document without a root element</source>
        <translation>et XML-dokument uden rodelement</translation>
    </message>
    <message>
        <source>checklistKey holds a line break or another control character</source>
        <translation>checklistKey indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>competition id is not numeric</source>
        <translation>konkurrence-id&apos;et er ikke et tal</translation>
    </message>
    <message>
        <source>courses</source>
        <translation>baner</translation>
    </message>
    <message>
        <source>entries</source>
        <translation>tilmeldinger</translation>
    </message>
    <message>
        <source>eventId holds a line break or another control character</source>
        <translation>eventId indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>no progress</source>
        <translation>intet blev skrevet</translation>
    </message>
    <message>
        <source>no sequence number left</source>
        <translation>der er ikke flere løbenumre tilbage</translation>
    </message>
    <message>
        <source>no such competition</source>
        <translation>konkurrencen findes ikke</translation>
    </message>
    <message>
        <source>not JSON: %@ at offset %@</source>
        <translation>ikke JSON: %@ ved position %@</translation>
    </message>
    <message>
        <source>not a valid IOF XML entry/start/result list</source>
        <translation>ikke en gyldig IOF XML-tilmeldings-, start- eller resultatliste</translation>
    </message>
    <message>
        <source>server could not apply the upload — retry</source>
        <translation>serveren kunne ikke anvende upload — prøv igen</translation>
    </message>
    <message>
        <source>server not taking uploads right now — retry later</source>
        <translation>serveren modtager ikke upload lige nu — prøv igen senere</translation>
    </message>
    <message>
        <source>server returned status %@</source>
        <translation>serveren svarede med status %@</translation>
    </message>
    <message>
        <source>start times</source>
        <translation>starttider</translation>
    </message>
    <message>
        <source>tcgetattr failed</source>
        <translation>Portens indstillinger kunne ikke læses (tcgetattr)</translation>
    </message>
    <message>
        <source>tcsetattr failed</source>
        <translation>Portens indstillinger kunne ikke ændres (tcsetattr)</translation>
    </message>
    <message>
        <source>the API key or check-in key holds a line break or another control character</source>
        <translation>API-nøglen eller tjek-ind-nøglen indeholder et linjeskift eller et andet kontroltegn</translation>
    </message>
    <message>
        <source>the answer is larger than %@ MB</source>
        <translation>svaret er større end %@ MB</translation>
    </message>
    <message>
        <source>the answer is not a JSON object</source>
        <translation>svaret er ikke et JSON-objekt</translation>
    </message>
    <message>
        <source>the answer is not valid JSON (%@ at byte %@ of %@)</source>
        <translation>svaret er ikke gyldig JSON (%@ ved byte %@ af %@)</translation>
    </message>
    <message>
        <source>the key store is locked</source>
        <translation>nøgleringen er låst</translation>
    </message>
    <message>
        <source>the server did not answer in time</source>
        <translation>serveren svarede ikke i tide</translation>
    </message>
    <message>
        <source>the top-level value is not an object</source>
        <translation>værdien øverst er ikke et objekt</translation>
    </message>
    <message>
        <source>upload too large (over 32 MiB)</source>
        <translation>upload for stor (over 32 MiB)</translation>
    </message>
    <message>
        <source>wrong content type/encoding</source>
        <translation>forkert indholdstype/tegnkodning</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>forkert adgangskode</translation>
    </message>
</context>
</TS>
