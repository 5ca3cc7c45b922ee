#pragma once

// The EntryList the import benchmarks read: every generated entry of an event of the given size,
// one in fifty without a card (rental candidates).

#include "log.h"
#include "racegenerator.h"

#include <QByteArray>
#include <QString>

inline QByteArray escapedForXml(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

inline QByteArray makeEntryListXml(int entries)
{
    const Race &race = generatedRaceOfSize(entries, false);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<EntryList xmlns=\"http://www.orienteering.org/datastandard/3.0\" iofVersion=\"3.0\">\n"
                     "<ClassList>";
    for (const RaceClass &c : race.classes)
        out += "<Class><Id>" + escapedForXml(c.id) + "</Id><Name>" + escapedForXml(c.name)
            + "</Name></Class>";
    out += "</ClassList>\n";
    int n = 0;
    for (const Participant &p : race.participants) {
        out += "<PersonEntry><Person><Name><Family>" + escapedForXml(p.familyName) + "</Family><Given>"
            + escapedForXml(p.givenName) + "</Given></Name></Person>";
        if (p.club)
            out += "<Organisation><Name>" + escapedForXml(*p.club) + "</Name></Organisation>";
        if (++n % 50 != 0)
            out += "<ControlCard>" + escapedForXml(p.cardNumber) + "</ControlCard>";
        if (p.classId)
            out += "<Class><Id>" + escapedForXml(*p.classId) + "</Id></Class>";
        out += "</PersonEntry>\n";
    }
    return out + "</EntryList>\n";
}

// Parser log lines would swamp the timings.
struct QuietLog
{
    QuietLog()
    {
        setLogSink([](const QString &) {});
    }
    ~QuietLog() { setLogSink(nullptr); }
};
