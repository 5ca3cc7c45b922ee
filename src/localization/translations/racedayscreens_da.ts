<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>Vexlo</name>
    <message>
        <source>%@ participant(s)</source>
        <translation>%@ deltager(e)</translation>
    </message>
    <message>
        <source>(None)</source>
        <translation>(Ingen)</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Handlinger</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>All classes</source>
        <translation>Alle klasser</translation>
    </message>
    <message>
        <source>Assign card</source>
        <translation>Tildel brik</translation>
    </message>
    <message>
        <source>Assign this card to an existing entry (registered with no card yet):</source>
        <translation>Tildel brikken til en eksisterende tilmelding (tilmeldt uden brik):</translation>
    </message>
    <message>
        <source>Card %@ · %@%@</source>
        <translation>Brik %@ · %@%@</translation>
    </message>
    <message>
        <source>Card %@ — no participant registered</source>
        <translation>Brik %@ — ingen deltager tilmeldt</translation>
    </message>
    <message>
        <source>Cards read with no runner (%@)</source>
        <translation>Brikker aflæst uden løber (%@)</translation>
    </message>
    <message>
        <source>Change course</source>
        <translation>Skift bane</translation>
    </message>
    <message>
        <source>Check this card: it holds another run of this course, so today&apos;s run cannot be told apart</source>
        <translation>Kontrollér brikken: den rummer et andet løb på banen, så dagens løb kan ikke skelnes</translation>
    </message>
    <message>
        <source>Check this card: its punch times run backwards within the run; a station&apos;s clock may be wrong</source>
        <translation>Kontrollér brikken: stemplingstiderne går baglæns i løbet; en stations ur kan være forkert</translation>
    </message>
    <message>
        <source>Check this card: its punches complete several courses of the class</source>
        <translation>Kontrollér brikken: stemplingerne fuldender flere af klassens baner</translation>
    </message>
    <message>
        <source>Check this card: its start record may be left from an earlier run, so the race time cannot be trusted</source>
        <translation>Kontrollér brikken: starttiden kan stamme fra et tidligere løb, så løbstiden er usikker</translation>
    </message>
    <message>
        <source>Check this card: the finish lies before the start, so the start record is likely left from an earlier run</source>
        <translation>Kontrollér brikken: målet ligger før starten, så starttiden stammer sandsynligvis fra et tidligere løb</translation>
    </message>
    <message>
        <source>Checked out</source>
        <translation>Tjekket ud</translation>
    </message>
    <message>
        <source>Clear override (use automatic)</source>
        <translation>Fjern tilsidesættelse (brug automatisk)</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Post</translation>
    </message>
    <message>
        <source>DNF</source>
        <translation>Udgået</translation>
    </message>
    <message>
        <source>DNS</source>
        <translation>Ej start</translation>
    </message>
    <message>
        <source>Delete entry</source>
        <translation>Slet aflæsning</translation>
    </message>
    <message>
        <source>Delete entry?</source>
        <translation>Slet aflæsning?</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Fjern</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Eksportér</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Mål</translation>
    </message>
    <message>
        <source>Finish: %@</source>
        <translation>Mål: %@</translation>
    </message>
    <message>
        <source>Finish: —</source>
        <translation>Mål: —</translation>
    </message>
    <message>
        <source>From start</source>
        <translation>Fra start</translation>
    </message>
    <message>
        <source>Identified course from punches: %@</source>
        <translation>Bane genkendt fra stemplinger: %@</translation>
    </message>
    <message>
        <source>MISSING</source>
        <translation>MANGLER</translation>
    </message>
    <message>
        <source>Not started yet</source>
        <translation>Ikke startet endnu</translation>
    </message>
    <message>
        <source>Overall</source>
        <translation>Samlet</translation>
    </message>
    <message>
        <source>Override: %@ — %@</source>
        <translation>Tilsidesat: %@ — %@</translation>
    </message>
    <message>
        <source>Print receipt</source>
        <translation>Udskriv kvittering</translation>
    </message>
    <message>
        <source>Pull check-ins</source>
        <translation>Hent check-ins</translation>
    </message>
    <message>
        <source>Pull the latest check-in state from O-Checklist</source>
        <translation>Hent den seneste check-in-status fra O-Checklist</translation>
    </message>
    <message>
        <source>Read at %@ · %@ punch(es)</source>
        <translation>Aflæst kl. %@ · %@ stempling(er)</translation>
    </message>
    <message>
        <source>Reason (e.g. control malfunction)</source>
        <translation>Begrundelse (f.eks. defekt post)</translation>
    </message>
    <message>
        <source>Register new participant instead</source>
        <translation>Tilmeld ny deltager i stedet</translation>
    </message>
    <message>
        <source>Results PDF</source>
        <translation>Resultater PDF</translation>
    </message>
    <message>
        <source>Results XML</source>
        <translation>Resultater XML</translation>
    </message>
    <message>
        <source>Set up O-Checklist (API key + event) in Advanced settings first</source>
        <translation>Opsæt først O-Checklist (API-nøgle + løb) under Avancerede indstillinger</translation>
    </message>
    <message>
        <source>Show split times</source>
        <translation>Vis mellemtider</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Stræk</translation>
    </message>
    <message>
        <source>Splits PDF</source>
        <translation>Mellemtider PDF</translation>
    </message>
    <message>
        <source>Splits XML</source>
        <translation>Mellemtider XML</translation>
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
        <translation>Stadig i skoven</translation>
    </message>
    <message>
        <source>That entry no longer exists. Choose another entry or register a new participant.</source>
        <translation>Tilmeldingen findes ikke længere. Vælg en anden tilmelding, eller tilmeld en ny deltager.</translation>
    </message>
    <message>
        <source>This overrides the automatically computed status regardless of missing punches. Provide a brief reason for the audit trail.</source>
        <translation>Dette tilsidesætter den automatisk beregnede status uanset manglende stemplinger. Angiv en kort begrundelse til revisionssporet.</translation>
    </message>
    <message>
        <source>This removes this card-read result permanently. The participant record itself is not affected.</source>
        <translation>Dette fjerner resultatet af brikaflæsningen permanent. Selve deltageren berøres ikke.</translation>
    </message>
    <message>
        <source>This station is a slave: correct results at the master, whose next update would undo a correction made here.</source>
        <translation>Denne station er slave: ret resultater på master-stationen, hvis næste opdatering ville fortryde en rettelse foretaget her.</translation>
    </message>
    <message>
        <source>This station is a slave: mark DNS and DNF at the master, whose next update would undo a mark made here.</source>
        <translation>Denne station er slave: markér ikke startet og udgået på master-stationen, hvis næste opdatering ville fortryde en markering foretaget her.</translation>
    </message>
    <message>
        <source>This station is a slave: register the runner at the master, whose next update would drop an entry made here, then read the card again.</source>
        <translation>Denne station er slave: tilmeld løberen på master-stationen, hvis næste opdatering ville fjerne en tilmelding foretaget her, og aflæs så brikken igen.</translation>
    </message>
    <message>
        <source>VISITED</source>
        <translation>BESØGT</translation>
    </message>
    <message>
        <source>Card reads go to %@</source>
        <translation>Brikaflæsninger går til %@</translation>
    </message>
    <message>
        <source>Card reads now go to %@</source>
        <translation>Brikaflæsninger går nu til %@</translation>
    </message>
    <message>
        <source>Card reads go to %@ (%@)</source>
        <translation>Brikaflæsninger går til %@ (%@)</translation>
    </message>
    <message>
        <source>Card reads go to %@, dated %@, but %@ is dated today.</source>
        <translation>Brikaflæsninger går til %@, dateret %@, men %@ er dateret i dag.</translation>
    </message>
    <message>
        <source>Switch to %@</source>
        <translation>Skift til %@</translation>
    </message>
    <message>
        <source>Read into %@ (%@), but %@ is dated today.</source>
        <translation>Aflæst til %@ (%@), men %@ er dateret i dag.</translation>
    </message>
    <message>
        <source>This runner was marked as not started; the read removed the mark.</source>
        <translation>Løberen var markeret som ikke startet; aflæsningen fjernede markeringen.</translation>
    </message>
    <message>
        <source>Marked as not started on this stage: listed so until the mark is cleared.</source>
        <translation>Markeret som ikke startet på denne etape: vises sådan, indtil markeringen fjernes.</translation>
    </message>
    <message>
        <source>Marked as not finished on this stage: listed so until the mark is cleared.</source>
        <translation>Markeret som ikke gennemført på denne etape: vises sådan, indtil markeringen fjernes.</translation>
    </message>
</context>
</TS>
