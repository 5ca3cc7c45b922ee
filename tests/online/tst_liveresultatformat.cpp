// Every case under tests/data/online/liveresultat: <case>.input.json holds the event id, the
// password and the race (and, for a diff, the previously accepted race); <case>.body.json the
// exact bytes of the body that goes to the service.
//
// A diff is found twice: from the two races' complete snapshots, and as the publisher finds it,
// from the state accepted for the previous race to a race that keeps each of the previous race's
// participants, classes and results that the case gives unchanged (as an edited race shares
// them). "fromResults", where a case gives it, says whether only the results were compared. Once
// accepted, the state must hold the race's complete snapshots, texts up to canonical equivalence,
// and find the way back to the previous race as the complete snapshots do.

#include "liveresultatformat.h"
#include "racejson.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <map>

using namespace liveresultat;

namespace {
QByteArray read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

Race raceFrom(const QJsonValue &v)
{
    QString error;
    std::optional<Race> race = decodeRace(QJsonDocument(v.toObject()).toJson(), &error);
    if (!race)
        qFatal("bad race in case: %s", qPrintable(error));
    return *race;
}
} // namespace

class TestLiveResultatFormat : public QObject
{
    Q_OBJECT

private slots:
    void body_data()
    {
        QTest::addColumn<QString>("base");
        const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/online/liveresultat"));
        const QStringList inputs = dir.entryList({QStringLiteral("*.input.json")}, QDir::Files, QDir::Name);
        QVERIFY(!inputs.isEmpty());
        for (const QString &input : inputs) {
            const QString name = input.chopped(int(QStringLiteral(".input.json").size()));
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
        }
    }
    void body()
    {
        QFETCH(QString, base);
        const QJsonObject input
            = QJsonDocument::fromJson(read(base + QStringLiteral(".input.json"))).object();
        const qint64 eventId = input.value(QStringLiteral("eventid")).toInteger();
        const QString password = input.value(QStringLiteral("password")).toString();
        const Race race = raceFrom(input.value(QStringLiteral("race")));
        QByteArray body;
        const QByteArray expected = read(base + QStringLiteral(".body.json"));
        if (input.contains(QStringLiteral("previous"))) {
            const Race previous = raceFrom(input.value(QStringLiteral("previous")));
            body = diffUploadBody(eventId, password,
                diffRunners(makeRunnerSnapshots(previous), makeRunnerSnapshots(race)),
                diffResults(makeResultSnapshots(previous), makeResultSnapshots(race)));

            const QJsonObject was = input.value(QStringLiteral("previous")).toObject();
            const QJsonObject now = input.value(QStringLiteral("race")).toObject();
            const auto same = [&](const char *key) {
                return was.value(QLatin1String(key)) == now.value(QLatin1String(key));
            };
            Race edited = race;
            if (same("participants"))
                edited.participants = previous.participants;
            if (same("classes"))
                edited.classes = previous.classes;
            if (same("results"))
                edited.results = previous.results;
            AcceptedState state(previous);
            const Changes changes = state.changesTo(edited);
            const QByteArray found = diffUploadBody(eventId, password, changes.runners, changes.results);
            if (found + '\n' != expected)
                qWarning().noquote() << "found from the accepted state:" << found;
            QCOMPARE(found + '\n', expected);
            if (input.contains(QStringLiteral("fromResults")))
                QCOMPARE(changes.fromResults, input.value(QStringLiteral("fromResults")).toBool());

            state.accept(edited, changes);
            // A text the service holds in a canonically equivalent form is not sent again.
            const auto complete = [&](const RunnerMap &runners, const ResultMap &results) {
                return QString::fromUtf8(completeUploadBody(eventId, password, {}, runners, results))
                    .normalized(QString::NormalizationForm_C);
            };
            QCOMPARE(complete(state.runners(), state.results()),
                complete(makeRunnerSnapshots(race), makeResultSnapshots(race)));
            // Nothing changed since: no ops, whichever way they are found.
            const Changes again = state.changesTo(edited);
            QVERIFY(again.runners.isEmpty() && again.results.isEmpty());
            const Changes decoded = state.changesTo(race);
            QVERIFY(decoded.runners.isEmpty() && decoded.results.isEmpty());
            // And back: the accepted state holds the race, not what it was made from.
            const Changes back = state.changesTo(previous);
            QCOMPARE(diffUploadBody(eventId, password, back.runners, back.results),
                diffUploadBody(eventId, password,
                    diffRunners(makeRunnerSnapshots(race), makeRunnerSnapshots(previous)),
                    diffResults(makeResultSnapshots(race), makeResultSnapshots(previous))));
        } else {
            body = completeUploadBody(eventId, password, makeUploadClasses(race), makeRunnerSnapshots(race),
                makeResultSnapshots(race));
        }
        if (body + '\n' != expected)
            qWarning().noquote() << "sent:" << body; // the whole body, not QCOMPARE's first bytes
        QCOMPARE(body + '\n', expected);
    }

    // Every text and number as Qt's own compact JSON writes it: every UTF-16 unit alone and
    // between letters, surrogates paired, lone and reversed, and the extreme numbers.
    void bodiesAsQtWritesThem()
    {
        QStringList texts;
        for (char32_t u = 0; u <= 0xffff; ++u) {
            const QChar c {char16_t(u)};
            texts << QString(c) << QStringLiteral("a") + c + QStringLiteral("b");
        }
        texts << QString::fromUtf8("\xF0\x9F\x8F\x83 Löpare") << QString(QChar(0xd83c)) + QChar(0xdfc3)
              << QString(QChar(0xdfc3)) + QChar(0xd83c)
              << QString(QChar(0xd83c)) + QChar(0xd83c) + QChar(0xdfc3) << QStringLiteral("\"\\\"\\")
              << QString() << QString::fromUtf8("\xEF\xBF\xBD\xEF\xB7\x90");

        const qint64 numbers[]
            = {INT64_MIN, INT64_MIN + 1, -1, 0, 1, 9, 10, 99, 100, INT64_MAX - 1, INT64_MAX};
        const auto number = [&](qsizetype i) { return numbers[size_t(i) % std::size(numbers)]; };
        const QString opNames[] = {QStringLiteral("add"), QStringLiteral("update"), QStringLiteral("delete")};
        std::map<qint64, RunnerSnapshot> runners;
        std::map<ResultKey, ResultSnapshot> results;
        QList<RunnerOp> runnerOps;
        QList<ResultOp> resultOps;
        QJsonArray runnerOpArray;
        QJsonArray resultOpArray;
        const auto runnerObject = [](qint64 id, const RunnerSnapshot &r) {
            QJsonObject o {{QStringLiteral("id"), id}, {QStringLiteral("name"), r.name},
                {QStringLiteral("class"), r.className}};
            if (r.club)
                o.insert(QStringLiteral("club"), *r.club);
            if (r.start)
                o.insert(QStringLiteral("start"), *r.start);
            return o;
        };
        const auto resultObject = [](const ResultKey &key, const ResultSnapshot *result) {
            QJsonObject o {
                {QStringLiteral("runnerId"), key.runnerId}, {QStringLiteral("control"), key.control}};
            if (result) {
                o.insert(QStringLiteral("time"), result->time);
                o.insert(QStringLiteral("status"), result->status);
            }
            return o;
        };
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const qint64 id = i % 3 == 0 ? number(i) : i;
            const RunnerSnapshot r {texts[i],
                i % 2 ? std::optional<QString>(texts[texts.size() - 1 - i]) : std::nullopt,
                texts[(i * 7) % texts.size()], i % 5 ? std::optional<qint64>(number(i / 3)) : std::nullopt};
            runners.emplace(id, r);
            const Op op = Op(i % 3);
            runnerOps.append({op, id, r});
            QJsonObject o = op == Op::Delete ? QJsonObject {{QStringLiteral("id"), id}} : runnerObject(id, r);
            o.insert(QStringLiteral("op"), opNames[i % 3]);
            runnerOpArray.append(o);
            if (i % 97)
                continue;
            const ResultKey key {number(i / 97), number(i / 5)};
            const ResultSnapshot result {number(i), number(i / 7)};
            results.emplace(key, result);
            resultOps.append({op, key, result});
            QJsonObject ro = resultObject(key, op == Op::Delete ? nullptr : &result);
            ro.insert(QStringLiteral("op"), opNames[i % 3]);
            resultOpArray.append(ro);
        }
        QJsonArray classArray;
        for (const QString &name : std::as_const(texts))
            classArray.append(QJsonObject {{QStringLiteral("name"), name}});
        QJsonArray runnerArray;
        for (const auto &[id, r] : runners)
            runnerArray.append(runnerObject(id, r));
        QJsonArray resultArray;
        for (const auto &[key, result] : results)
            resultArray.append(resultObject(key, &result));
        for (const qint64 eventId : {qint64(INT64_MIN), qint64(-1), qint64(INT64_MAX)}) {
            const QString password = texts[qsizetype(quint64(eventId) % quint64(texts.size()))];
            const QJsonObject complete {{QStringLiteral("eventid"), eventId},
                {QStringLiteral("password"), password}, {QStringLiteral("mode"), QStringLiteral("complete")},
                {QStringLiteral("classes"), classArray}, {QStringLiteral("runners"), runnerArray},
                {QStringLiteral("results"), resultArray}};
            QCOMPARE(completeUploadBody(eventId, password, texts, RunnerMap(runners.begin(), runners.end()),
                         ResultMap(results.begin(), results.end())),
                QJsonDocument(complete).toJson(QJsonDocument::Compact));
            const QJsonObject diff {{QStringLiteral("eventid"), eventId},
                {QStringLiteral("password"), password}, {QStringLiteral("mode"), QStringLiteral("diff")},
                {QStringLiteral("runners"), runnerOpArray}, {QStringLiteral("results"), resultOpArray}};
            QCOMPARE(diffUploadBody(eventId, password, runnerOps, resultOps),
                QJsonDocument(diff).toJson(QJsonDocument::Compact));
        }
    }

    void eventIds()
    {
        QCOMPARE(parseEventId(QStringLiteral("+42")), std::optional<qint64>(42));
        QCOMPARE(parseEventId(QStringLiteral("-7")), std::optional<qint64>(-7));
        QCOMPARE(parseEventId(QStringLiteral("9223372036854775807")), std::optional<qint64>(INT64_MAX));
        for (const char *bad : {"", " 42", "42 ", "42a", "+", "9223372036854775808", "٤٢", "4 2", "5\n",
                 "5\r\n", "12a45", "\n5"})
            QVERIFY2(!parseEventId(QString::fromUtf8(bad)), bad);
    }
};

int main(int argc, char **argv)
{
    // Start times are local times of day: the same zone when run by hand as under ctest.
    qputenv("TZ", "Europe/Copenhagen");
    tzset();
    QCoreApplication app(argc, argv);
    TestLiveResultatFormat test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_liveresultatformat.moc"
