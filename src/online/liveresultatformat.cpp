#include "liveresultatformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace liveresultat {

namespace {

const QString noClass = QStringLiteral("No class");

QString trimmedName(const Participant &p)
{
    // Only spaces and tabs go: other white space is part of what the organiser typed.
    QString name = p.givenName + QLatin1Char(' ') + p.familyName;
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype from = 0;
    qsizetype to = name.size();
    while (from < to && blank(name.at(from)))
        ++from;
    while (to > from && blank(name.at(to - 1)))
        --to;
    return name.mid(from, to - from);
}

// Canonically equivalent texts are the same name to a reader of the results.
bool sameText(const QString &a, const QString &b)
{
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool sameRunner(const RunnerSnapshot &a, const RunnerSnapshot &b)
{
    const bool clubsEqual
        = a.club.has_value() == b.club.has_value() && (!a.club || sameText(*a.club, *b.club));
    return sameText(a.name, b.name) && clubsEqual && sameText(a.className, b.className) && a.start == b.start;
}

void writeRunner(QJsonObject &o, const RunnerSnapshot &r)
{
    o.insert(QStringLiteral("name"), r.name);
    if (r.club)
        o.insert(QStringLiteral("club"), *r.club);
    o.insert(QStringLiteral("class"), r.className);
    if (r.start)
        o.insert(QStringLiteral("start"), *r.start);
}

QString opName(Op op)
{
    switch (op) {
    case Op::Add:
        return QStringLiteral("add");
    case Op::Update:
        return QStringLiteral("update");
    case Op::Delete:
        break;
    }
    return QStringLiteral("delete");
}

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace

qint64 runnerId(const QUuid &participantId)
{
    const QByteArray text = participantId.toString(QUuid::WithoutBraces).toUpper().toUtf8();
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char byte : text) {
        hash ^= quint64(quint8(byte));
        hash *= 0x100000001b3ULL;
    }
    return qint64(hash & 0x7fffffffffffffffULL);
}

qint64 centisecondsSinceMidnight(const QDateTime &time)
{
    const QTime t = time.toLocalTime().time();
    return (qint64(t.hour()) * 3600 + t.minute() * 60 + t.second()) * 100;
}

std::optional<qint64> parseEventId(const QString &competitionId)
{
    // Anchored at the very end: "$" alone also matches before a final line break.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+")));
    if (!form.match(competitionId).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = competitionId.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

RunnerMap makeRunnerSnapshots(const Race &race)
{
    RunnerMap runners;
    for (const Participant &p : race.participants) {
        RunnerSnapshot r;
        r.name = trimmedName(p);
        r.club = p.club;
        r.className = noClass;
        if (p.classId) {
            for (const RaceClass &c : race.classes) {
                if (c.id == *p.classId) {
                    r.className = c.name;
                    break;
                }
            }
        }
        if (p.startTime)
            r.start = centisecondsSinceMidnight(*p.startTime);
        runners[runnerId(p.id)] = std::move(r);
    }
    return runners;
}

ResultMap makeResultSnapshots(const Race &race)
{
    ResultMap results;
    QSet<QUuid> withResult;
    for (const PersonResult &r : race.results) {
        withResult.insert(r.participantId);
        // A finish before the start (a negative time, as earlier versions stored it) has no time
        // to publish, like a result without one.
        if (!r.raceTime || *r.raceTime < 0)
            continue;
        // Halves away from zero: 0.125 s is 13 cs.
        const qint64 time = std::llround(*r.raceTime * 100.0);
        results[{runnerId(r.participantId), finishControl}]
            = {time, r.effectiveCompleted() ? Completed : NotCompleted};
    }
    for (const Participant &p : race.participants) {
        if (!p.status || withResult.contains(p.id))
            continue;
        results[{runnerId(p.id), finishControl}]
            = {noTime, *p.status == ParticipantStatus::Dns ? DidNotStart : DidNotFinish};
    }
    return results;
}

QStringList makeUploadClasses(const Race &race)
{
    QStringList names;
    for (const RaceClass &c : race.classes)
        names.append(c.name);
    return names;
}

QList<RunnerOp> diffRunners(const RunnerMap &baseline, const RunnerMap &current)
{
    QList<RunnerOp> ops;
    for (const auto &[id, runner] : current) {
        const auto old = baseline.find(id);
        if (old == baseline.end())
            ops.append({Op::Add, id, runner});
        else if (!sameRunner(old->second, runner))
            ops.append({Op::Update, id, runner});
    }
    for (const auto &[id, runner] : baseline) {
        if (!current.contains(id))
            ops.append({Op::Delete, id, {}});
    }
    return ops;
}

QList<ResultOp> diffResults(const ResultMap &baseline, const ResultMap &current)
{
    QList<ResultOp> ops;
    for (const auto &[key, result] : current) {
        const auto old = baseline.find(key);
        if (old == baseline.end())
            ops.append({Op::Add, key, result});
        else if (old->second != result)
            ops.append({Op::Update, key, result});
    }
    for (const auto &[key, result] : baseline) {
        if (!current.contains(key))
            ops.append({Op::Delete, key, {}});
    }
    return ops;
}

QByteArray completeUploadBody(qint64 eventId, const QString &password, const QStringList &classes,
    const RunnerMap &runners, const ResultMap &results)
{
    QJsonArray classArray;
    for (const QString &name : classes)
        classArray.append(QJsonObject {{QStringLiteral("name"), name}});
    QJsonArray runnerArray;
    for (const auto &[id, runner] : runners) {
        QJsonObject o {{QStringLiteral("id"), id}};
        writeRunner(o, runner);
        runnerArray.append(o);
    }
    QJsonArray resultArray;
    for (const auto &[key, result] : results) {
        resultArray.append(
            QJsonObject {{QStringLiteral("runnerId"), key.runnerId}, {QStringLiteral("control"), key.control},
                {QStringLiteral("time"), result.time}, {QStringLiteral("status"), result.status}});
    }
    return compact({{QStringLiteral("eventid"), eventId}, {QStringLiteral("password"), password},
        {QStringLiteral("mode"), QStringLiteral("complete")}, {QStringLiteral("classes"), classArray},
        {QStringLiteral("runners"), runnerArray}, {QStringLiteral("results"), resultArray}});
}

QByteArray diffUploadBody(
    qint64 eventId, const QString &password, const QList<RunnerOp> &runners, const QList<ResultOp> &results)
{
    QJsonArray runnerArray;
    for (const RunnerOp &op : runners) {
        QJsonObject o {{QStringLiteral("op"), opName(op.op)}, {QStringLiteral("id"), op.id}};
        if (op.op != Op::Delete)
            writeRunner(o, op.runner);
        runnerArray.append(o);
    }
    QJsonArray resultArray;
    for (const ResultOp &op : results) {
        QJsonObject o {{QStringLiteral("op"), opName(op.op)}, {QStringLiteral("runnerId"), op.key.runnerId},
            {QStringLiteral("control"), op.key.control}};
        if (op.op != Op::Delete) {
            o.insert(QStringLiteral("time"), op.result.time);
            o.insert(QStringLiteral("status"), op.result.status);
        }
        resultArray.append(o);
    }
    return compact({{QStringLiteral("eventid"), eventId}, {QStringLiteral("password"), password},
        {QStringLiteral("mode"), QStringLiteral("diff")}, {QStringLiteral("runners"), runnerArray},
        {QStringLiteral("results"), resultArray}});
}

} // namespace liveresultat
