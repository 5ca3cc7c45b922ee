#include "oecsv.h"

#include <QStringList>

#include <algorithm>
#include <numeric>

namespace {

constexpr int cellCount = 112;
constexpr int maxRaces = 6;

// Column numbers below are 1-based as in the layout's description.
constexpr int colStartNumber = 4;
constexpr int colDatabaseId = 3;
constexpr int colCard = 5;
constexpr int colFamily = 13;
constexpr int colGiven = 14;
constexpr int colEnteredFirst = 24;
constexpr int colStartFirst = 31;
constexpr int colClub = 79;
constexpr int colClassShort = 85;
constexpr int colClassLong = 86;

QString buildHeader()
{
    QStringList h = {QStringLiteral("OE0002_V12"), QStringLiteral("Tilmeldings ID"), QStringLiteral("St nr."),
        QStringLiteral("Start nr")};
    for (int i = 1; i <= 6; ++i)
        h.append(QStringLiteral("Brik nr.%1").arg(i));
    h << QStringLiteral("Database ID") << QStringLiteral("IOF ID") << QStringLiteral("Efternavn")
      << QStringLiteral("Fornavn") << QStringLiteral("Fødselsdato") << QStringLiteral("År")
      << QStringLiteral("K");
    for (int i = 1; i <= 6; ++i)
        h.append(QStringLiteral("Blok%1").arg(i));
    for (int i = 1; i <= 6; ++i)
        h.append(QStringLiteral("E%1").arg(i));
    for (int r = 1; r <= 6; ++r) {
        for (const char *base :
            {"UFK", "Start", "Mål", "Tid", "Status", "Kredit", "Suplerende +", "Kommentar"})
            h.append(QString::fromUtf8(base) + QString::number(r));
    }
    h << QStringLiteral("Klub nr.") << QStringLiteral("Navn") << QStringLiteral("By")
      << QStringLiteral("Land") << QStringLiteral("Placering") << QStringLiteral("Distrikt")
      << QStringLiteral("Klasse nr.") << QStringLiteral("Kort") << QStringLiteral("Lang")
      << QStringLiteral("Tilm. kl. nr") << QStringLiteral("Tilmeldingsklasse (kort)")
      << QStringLiteral("Tilmeldingsklasse (lang)") << QStringLiteral("Rang")
      << QStringLiteral("Rangliste point") << QStringLiteral("Num1") << QStringLiteral("Num2")
      << QStringLiteral("Num3") << QStringLiteral("Text1") << QStringLiteral("Text2")
      << QStringLiteral("Text3") << QStringLiteral("Adr. efternavn") << QStringLiteral("Adr. fornavn")
      << QStringLiteral("Gade") << QStringLiteral("Linje2") << QStringLiteral("Postnr.")
      << QStringLiteral("Adr. by") << QStringLiteral("Tlf.") << QStringLiteral("Mobil")
      << QStringLiteral("Fax.") << QStringLiteral("E-mail") << QStringLiteral("Lejet")
      << QStringLiteral("Startafgift") << QStringLiteral("Betalt") << QStringLiteral("Gruppe-ID")
      << QStringLiteral("Gruppenavn");
    Q_ASSERT(h.size() == cellCount);
    return h.join(QLatin1Char(';')) + QLatin1Char('\n');
}

// A cell can hold neither the separator nor a line break: most CSV readers end the row at a lone
// carriage return too (names from IOF files can carry one as &#13;). CR LF becomes one space.
QString cell(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char(';'), QLatin1Char(','));
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

QString startText(const QDateTime &t)
{
    return t.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString oeCSVHeader()
{
    static const QString header = buildHeader();
    return header;
}

int oeCSVDatabaseId(const QUuid &participantId)
{
    const QByteArray text = participantId.toString(QUuid::WithoutBraces).toUpper().toUtf8();
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<quint8>(c);
        hash *= 0x100000001b3ULL;
    }
    return static_cast<int>(hash % 900000ULL) + 100000;
}

std::optional<QString> oeCSVClassId(const Participant &participant, const QList<Stage> &stages)
{
    if (participant.classId)
        return participant.classId;
    if (participant.classIdByStage && !participant.classIdByStage->isEmpty()) {
        for (const Stage &stage : stages) {
            if (const QString *id = stageEntry(*participant.classIdByStage, stage.id))
                return *id;
        }
        return participant.classIdByStage->first();
    }
    return std::nullopt;
}

QString makeOECSV(const Race &race)
{
    return makeOECSV(race, *QRandomGenerator::global());
}

QString makeOECSV(const Race &race, QRandomGenerator &random)
{
    QList<Stage> sortedStages = race.stages;
    std::stable_sort(sortedStages.begin(), sortedStages.end(),
        [](const Stage &a, const Stage &b) { return a.order < b.order; });
    // Only the six stages of lowest order have columns.
    const QList<Stage> stages = sortedStages.mid(0, maxRaces);

    const qsizetype n = race.participants.size();
    QList<int> startNumbers;
    if (n > 0) {
        startNumbers.resize(std::max<qsizetype>(1000, 10 * n));
        std::iota(startNumbers.begin(), startNumbers.end(), 1);
        std::shuffle(startNumbers.begin(), startNumbers.end(), random);
    }

    QString out = oeCSVHeader();
    out.reserve(out.size() + n * 200);
    QStringList cells;
    for (qsizetype i = 0; i < n; ++i) {
        const Participant &p = race.participants.at(i);
        cells.fill(QString(), cellCount);
        auto set = [&cells](int column, const QString &text) { cells[column - 1] = cell(text); };
        set(colDatabaseId, QString::number(oeCSVDatabaseId(p.id)));
        set(colStartNumber, QString::number(startNumbers.at(i)));
        set(colCard, p.cardNumber);
        set(colFamily, p.familyName);
        set(colGiven, p.givenName);
        if (stages.isEmpty()) {
            if (p.startTime) {
                set(colEnteredFirst, QStringLiteral("X"));
                set(colStartFirst, startText(*p.startTime));
            }
        } else {
            for (qsizetype r = 0; r < stages.size(); ++r) {
                const Stage &stage = stages.at(r);
                const bool runs = (p.classIdByStage && stageEntry(*p.classIdByStage, stage.id)) || p.classId;
                if (!runs)
                    continue;
                set(colEnteredFirst + int(r), QStringLiteral("X"));
                std::optional<QDateTime> start = p.startTime;
                if (p.startTimeByStage) {
                    if (const QDateTime *t = stageEntry(*p.startTimeByStage, stage.id))
                        start = *t;
                }
                if (start)
                    set(colStartFirst + 8 * int(r), startText(*start));
            }
        }
        set(colClub, p.club.value_or(QString()));
        if (const auto classId = oeCSVClassId(p, sortedStages)) {
            for (const RaceClass &c : race.classes) {
                if (c.id == *classId) {
                    set(colClassShort, c.name);
                    set(colClassLong, c.name);
                    break;
                }
            }
        }
        out += cells.join(QLatin1Char(';'));
        out += QLatin1Char('\n');
    }
    return out;
}
