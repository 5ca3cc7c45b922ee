#include "standings.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace {

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QList<StandingsRow> rankedResults(const Race &race, const QString &classId)
{
    QList<StandingsRow> rows;
    if (race.stages.isEmpty())
        return rows;

    QList<const Participant *> runners;
    QHash<QUuid, qsizetype> runnerIndex;
    for (const Participant &p : race.participants) {
        if (p.classId && sameId(*p.classId, classId)) {
            runnerIndex.insert(p.id, runners.size());
            runners.append(&p);
        }
    }
    if (runners.isEmpty())
        return rows;

    // chosen[runner * stages + stage]: the latest read-out, the first stored on equal `readAt`.
    const qsizetype stageCount = race.stages.size();
    QList<const PersonResult *> chosen(runners.size() * stageCount, nullptr);
    for (const PersonResult &r : race.results) {
        if (!r.stageId)
            continue;
        const auto it = runnerIndex.constFind(r.participantId);
        if (it == runnerIndex.constEnd())
            continue;
        for (qsizetype s = 0; s < stageCount; ++s) {
            if (!sameId(*r.stageId, race.stages[s].id))
                continue;
            const PersonResult *&slot = chosen[it.value() * stageCount + s];
            if (!slot || r.readAt > slot->readAt)
                slot = &r;
        }
    }

    rows.reserve(runners.size());
    for (qsizetype i = 0; i < runners.size(); ++i) {
        StandingsRow row;
        row.participant = *runners[i];
        bool complete = true;
        bool timed = true;
        double total = 0;
        for (qsizetype s = 0; s < stageCount; ++s) {
            const PersonResult *r = chosen[i * stageCount + s];
            if (!r || !r->effectiveCompleted()) {
                complete = false;
                continue;
            }
            if (r->raceTime)
                total += *r->raceTime;
            else
                timed = false;
        }
        row.completedAllStages = complete;
        if (complete && timed)
            row.totalTime = total;
        rows.append(row);
    }

    // The C locale collates by code point and ignores numeric mode; a user without a locale gets
    // the neutral English collation instead, so "Runner 2" still sorts before "Runner 10".
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<QString> names;
    names.reserve(rows.size());
    for (const StandingsRow &row : rows)
        names.append(
            trimSpacesAndTabs(row.participant.givenName + QLatin1Char(' ') + row.participant.familyName));
    QList<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const auto &ta = rows[a].totalTime;
        const auto &tb = rows[b].totalTime;
        if (ta && tb)
            return *ta < *tb;
        if (ta || tb)
            return bool(ta);
        return collator.compare(names[a], names[b]) < 0;
    });
    QList<StandingsRow> sorted;
    sorted.reserve(rows.size());
    for (qsizetype i : order)
        sorted.append(rows[i]);
    return sorted;
}
