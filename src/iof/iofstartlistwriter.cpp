#include "iofstartlistwriter.h"

#include "classorder.h"
#include "documenttext.h"
#include "iofresultlistwriter.h"

#include <algorithm>
#include <vector>

namespace {

QString classNameOf(const QString &key, const QList<RaceClass> &classes, const QString &noClassName)
{
    for (const RaceClass &c : classes) {
        if (c.id == key)
            return c.name;
    }
    return noClassName;
}

void line(QString &out, int indent, const QString &text)
{
    out += QString(indent, QLatin1Char(' '));
    out += text;
    out += QLatin1Char('\n');
}

void element(QString &out, int indent, const char *name, const QString &value)
{
    const QString tag = QLatin1String(name);
    line(out, indent,
        QLatin1Char('<') + tag + QLatin1Char('>') + value + QStringLiteral("</") + tag + QLatin1Char('>'));
}

} // namespace

QHash<QString, QList<Participant>> groupParticipantsByClassId(const QList<Participant> &participants)
{
    QHash<QString, QList<Participant>> groups;
    for (const Participant &p : participants)
        groups[p.classId.value_or(QString())].append(p);
    return groups;
}

bool classKeyOrderNamed(
    const QString &keyA, const QString &keyB, const QList<RaceClass> &classes, const QString &noClassName)
{
    return classNameLess(classNameOf(keyA, classes, noClassName), classNameOf(keyB, classes, noClassName));
}

bool classKeyOrder(const QString &keyA, const QString &keyB, const Race &race)
{
    return classKeyOrderNamed(keyA, keyB, race.classes, QStringLiteral("No class"));
}

int secondsOfDay(const QDateTime &time)
{
    if (!time.isValid())
        return 0;
    const QTime t = time.toLocalTime().time();
    return t.hour() * 3600 + t.minute() * 60 + t.second();
}

bool startOrderComparator(const Participant &a, const Participant &b)
{
    if (a.startTime.has_value() != b.startTime.has_value())
        return a.startTime.has_value();
    if (a.startTime) {
        const int sa = secondsOfDay(*a.startTime);
        const int sb = secondsOfDay(*b.startTime);
        if (sa != sb)
            return sa < sb;
    }
    return naturalCompare(
               personDisplayName(a.givenName, a.familyName), personDisplayName(b.givenName, b.familyName))
        < 0;
}

void sortInStartOrder(QList<Participant> &runners)
{
    struct Key
    {
        bool hasStart = false;
        int seconds = 0;
        QString name;
        qsizetype index = 0;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(runners.size()));
    for (qsizetype i = 0; i < runners.size(); ++i) {
        const Participant &p = runners.at(i);
        keys.push_back({p.startTime.has_value(), p.startTime ? secondsOfDay(*p.startTime) : 0,
            personDisplayName(p.givenName, p.familyName), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.hasStart != b.hasStart)
            return a.hasStart;
        if (a.hasStart && a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return naturalCompare(a.name, b.name) < 0;
    });
    QList<Participant> sorted;
    sorted.reserve(runners.size());
    for (const Key &key : keys)
        sorted.append(runners.at(key.index));
    runners = std::move(sorted);
}

QString writeIOFStartListXML(const Race &race, const QList<Participant> &participants)
{
    const QHash<QString, QList<Participant>> groups = groupParticipantsByClassId(participants);
    QStringList keys = groups.keys();
    // Sort the names once; equal names fall back to the key so the order does not depend on
    // the hash's iteration order.
    std::sort(keys.begin(), keys.end(), [&race](const QString &a, const QString &b) {
        if (classKeyOrder(a, b, race))
            return true;
        if (classKeyOrder(b, a, race))
            return false;
        return a < b;
    });

    QString out;
    out.reserve(512 + participants.size() * 400);
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out += QStringLiteral("<StartList iofVersion=\"3.0\" xmlns=\"%1\">\n").arg(QLatin1String(iofNamespace));
    line(out, 2, QStringLiteral("<Event>"));
    element(out, 4, "Name", escapeXmlText(race.name));
    line(out, 2, QStringLiteral("</Event>"));
    for (const QString &key : keys) {
        QList<Participant> runners = groups.value(key);
        sortInStartOrder(runners);
        line(out, 2, QStringLiteral("<ClassStart>"));
        line(out, 4, QStringLiteral("<Class>"));
        element(out, 6, "Id", key.isEmpty() ? QStringLiteral("none") : escapeXmlText(key));
        element(out, 6, "Name", escapeXmlText(classNameOf(key, race.classes, QStringLiteral("No class"))));
        line(out, 4, QStringLiteral("</Class>"));
        for (const Participant &p : runners) {
            line(out, 4, QStringLiteral("<PersonStart>"));
            line(out, 6, QStringLiteral("<Person>"));
            line(out, 8, QStringLiteral("<Name>"));
            element(out, 10, "Family", escapeXmlText(p.familyName));
            element(out, 10, "Given", escapeXmlText(p.givenName));
            line(out, 8, QStringLiteral("</Name>"));
            line(out, 6, QStringLiteral("</Person>"));
            iofwrite::organisation(out, 6, p.club);
            line(out, 6, QStringLiteral("<Start>"));
            // The schema wants the start time before the card.
            if (p.startTime) {
                if (const auto t = iofDateTime(*p.startTime))
                    element(out, 8, "StartTime", *t);
            }
            element(out, 8, "ControlCard", escapeXmlText(p.cardNumber));
            line(out, 6, QStringLiteral("</Start>"));
            line(out, 4, QStringLiteral("</PersonStart>"));
        }
        line(out, 2, QStringLiteral("</ClassStart>"));
    }
    out += QStringLiteral("</StartList>\n");
    return out;
}
