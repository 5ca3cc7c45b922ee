<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>"/" cannot be part of a file name; the file will be called "%@".</source>
        <translation>"/" kan ikke indgå i et filnavn; filen kommer til at hedde "%@".</translation>
    </message>
    <message>
        <source>%@ course</source>
        <translation>Bane, %@</translation>
    </message>
    <message>
        <source>%@ is a folder, not an event file.</source>
        <translation>%@ er en mappe, ikke en løbsfil.</translation>
    </message>
    <message>
        <source>(Class default)</source>
        <translation>(Klassens standard)</translation>
    </message>
    <message>
        <source>(Default)</source>
        <translation>(Standard)</translation>
    </message>
    <message>
        <source>(Same as base)</source>
        <translation>(Som grundklassen)</translation>
    </message>
    <message>
        <source>ACTIVE</source>
        <translation>AKTIV</translation>
    </message>
    <message>
        <source>Active stage</source>
        <translation>Aktiv etape</translation>
    </message>
    <message>
        <source>Active stage (used when recording card reads)</source>
        <translation>Aktiv etape (bruges ved aflæsning af brikker)</translation>
    </message>
    <message>
        <source>Add Stage</source>
        <translation>Tilføj etape</translation>
    </message>
    <message>
        <source>Base class</source>
        <translation>Grundklasse</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-filer (*.csv)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuller</translation>
    </message>
    <message>
        <source>Card number</source>
        <translation>Briknummer</translation>
    </message>
    <message>
        <source>Clear Recent Events</source>
        <translation>Ryd seneste løb</translation>
    </message>
    <message>
        <source>Click to make this the active stage</source>
        <translation>Klik for at gøre denne etape aktiv</translation>
    </message>
    <message>
        <source>Configure one entry per day/stage of a multi-stage event. Card reads are recorded against whichever stage is currently active below; a class gets an overall (summed) total once more than one stage exists.</source>
        <translation>Opret én post pr. dag/etape i et etapeløb. Brikaflæsninger registreres på den etape, der er aktiv nedenfor; en klasse får en samlet (summeret) tid, så snart der er mere end én etape.</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Antal</translation>
    </message>
    <message>
        <source>Course (override)</source>
        <translation>Bane (tilsidesæt)</translation>
    </message>
    <message>
        <source>Current event</source>
        <translation>Aktuelt løb</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Dato</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Slet</translation>
    </message>
    <message>
        <source>Delete stage?</source>
        <translation>Slet etape?</translation>
    </message>
    <message>
        <source>Early</source>
        <translation>Tidlig</translation>
    </message>
    <message>
        <source>Entries per class</source>
        <translation>Tilmeldte pr. klasse</translation>
    </message>
    <message>
        <source>Event date</source>
        <translation>Løbsdato</translation>
    </message>
    <message>
        <source>Event files (*.json)</source>
        <translation>Løbsfiler (*.json)</translation>
    </message>
    <message>
        <source>Existing results/start times already tagged with this stage are kept but will no longer resolve to a named stage. This cannot be undone.</source>
        <translation>Resultater og starttider, der allerede er knyttet til denne etape, bevares, men hører ikke længere til en navngiven etape. Det kan ikke fortrydes.</translation>
    </message>
    <message>
        <source>Export entries with start times (OE CSV)</source>
        <translation>Eksportér tilmeldinger med starttider (OE CSV)</translation>
    </message>
    <message>
        <source>Family name</source>
        <translation>Efternavn</translation>
    </message>
    <message>
        <source>Given name</source>
        <translation>Fornavn</translation>
    </message>
    <message>
        <source>Late</source>
        <translation>Sen</translation>
    </message>
    <message>
        <source>Leave a stage set to "(Same as base)" to use the base class above for that stage.</source>
        <translation>Lad en etape stå på "(Som grundklassen)" for at bruge grundklassen ovenfor på den etape.</translation>
    </message>
    <message>
        <source>Load failed: %@</source>
        <translation>Indlæsning mislykkedes: %@</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Mere</translation>
    </message>
    <message>
        <source>Multi-stage event (multiple days/legs)</source>
        <translation>Etapeløb (flere dage/etaper)</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Nyt</translation>
    </message>
    <message>
        <source>New Event</source>
        <translation>Nyt løb</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Næste måned</translation>
    </message>
    <message>
        <source>No preference</source>
        <translation>Intet ønske</translation>
    </message>
    <message>
        <source>No runners have a start-time preference set.</source>
        <translation>Ingen løbere har et starttidsønske.</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ingen</translation>
    </message>
    <message>
        <source>Not a date between %@ and %@.</source>
        <translation>Ikke en dato mellem %@ og %@.</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Åbn...</translation>
    </message>
    <message>
        <source>Order: %lld</source>
        <translation>Rækkefølge: %lld</translation>
    </message>
    <message>
        <source>Per-stage overrides</source>
        <translation>Tilsidesættelser pr. etape</translation>
    </message>
    <message>
        <source>Previous month</source>
        <translation>Forrige måned</translation>
    </message>
    <message>
        <source>Recent Events</source>
        <translation>Seneste løb</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Gem</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Gem som...</translation>
    </message>
    <message>
        <source>Save failed: %@</source>
        <translation>Lagring mislykkedes: %@</translation>
    </message>
    <message>
        <source>Sort by</source>
        <translation>Sortér efter</translation>
    </message>
    <message>
        <source>Start a new event?</source>
        <translation>Start et nyt løb?</translation>
    </message>
    <message>
        <source>Start preference</source>
        <translation>Startønske</translation>
    </message>
    <message>
        <source>Start time preferences</source>
        <translation>Starttidsønsker</translation>
    </message>
    <message>
        <source>Stays in its own class on %@</source>
        <translation>Bliver i sin egen klasse på %@</translation>
    </message>
    <message>
        <source>The card number is blank.</source>
        <translation>Briknummeret er tomt.</translation>
    </message>
    <message>
        <source>The event has no name; its file will be called "%@".</source>
        <translation>Løbet har intet navn; filen kommer til at hedde "%@".</translation>
    </message>
    <message>
        <source>The open event has changes that are not saved to its file. A new event replaces it.</source>
        <translation>Det åbne løb har ændringer, der ikke er gemt i dets fil. Et nyt løb erstatter det.</translation>
    </message>
    <message>
        <source>This card number is already assigned to another participant.</source>
        <translation>Dette briknummer er allerede tildelt en anden deltager.</translation>
    </message>
</context>
</TS>
