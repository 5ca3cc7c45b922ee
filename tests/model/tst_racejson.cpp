#include "casetable.h"
#include "perstage.h"
#include "racejson.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

namespace {

QByteArray minimalDocument()
{
    return R"({"name":"Sprint","courses":[],"classes":[],"participants":[],"results":[],"stages":[]})";
}

QJsonObject parse(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

QByteArray withValue(QJsonObject top, const QString &path, const QJsonValue &value)
{
    // path like "participants/0/id": replaces or (with Undefined) removes a nested key.
    const QStringList parts = path.split(QLatin1Char('/'));
    std::function<QJsonValue(QJsonValue, int)> rec = [&](QJsonValue node, int depth) -> QJsonValue {
        const QString &key = parts[depth];
        const bool last = depth == parts.size() - 1;
        if (node.isArray()) {
            QJsonArray a = node.toArray();
            const int i = key.toInt();
            a[i] = last ? value : rec(a[i], depth + 1);
            return a;
        }
        QJsonObject o = node.toObject();
        if (last) {
            if (value.isUndefined())
                o.remove(key);
            else
                o[key] = value;
        } else {
            o[key] = rec(o[key], depth + 1);
        }
        return o;
    };
    return QJsonDocument(rec(top, 0).toObject()).toJson(QJsonDocument::Compact);
}

// Every field of the document set, in the pretty form the event file is written in.
const QByteArray &fullDocument()
{
    static const QByteArray bytes = casetable::readData(QStringLiteral("model/full-event.json"));
    return bytes;
}

Race fullRace()
{
    QString error;
    const auto race = decodeRace(fullDocument(), &error);
    if (!race)
        qFatal("the full event does not read: %s", qPrintable(error));
    return *race;
}

// Empty when the document reads back the same; else what went wrong.
QString roundTripFault(const QByteArray &json, bool *accepted, QString *error)
{
    const auto race = decodeRace(json, error);
    *accepted = bool(race);
    if (!race)
        return {};
    for (JsonLayout layout : {JsonLayout::Compact, JsonLayout::PrettySorted}) {
        QString why;
        const auto first = encodeRace(*race, layout, &why);
        if (!first)
            return QStringLiteral("accepted but not writable: ") + why;
        const auto again = decodeRace(*first, &why);
        if (!again)
            return QStringLiteral("written but not readable: ") + why;
        const auto second = encodeRace(*again, layout);
        if (!second || *second != *first)
            return QStringLiteral("does not read back the same");
    }
    return {};
}

} // namespace

class TestRaceJson : public QObject
{
    Q_OBJECT

private:
    static Race raceWith(const Participant &p, std::optional<QString> stage)
    {
        Race race;
        race.participants = {p};
        race.activeStageId = std::move(stage);
        return race;
    }

private slots:
    // Every field read is written back as it stood, in either layout.
    void fullDocumentRoundTrips()
    {
        const Race race = fullRace();
        QCOMPARE(*encodeRace(race, JsonLayout::PrettySorted), fullDocument());
        QString error;
        const auto back = decodeRace(*encodeRace(race, JsonLayout::Compact), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(*encodeRace(*back, JsonLayout::PrettySorted), fullDocument());
        QCOMPARE(back->participants, race.participants);
        QCOMPARE(back->results[0].splits, race.results[0].splits);
    }

    void everyRequiredKeyIsRequired_data() { casetable::load("model/required-keys.txt"); }
    void everyRequiredKeyIsRequired()
    {
        QFETCH(QStringList, cells);
        const QString path = QString::fromLatin1(QTest::currentDataTag());
        const QString &expected = cells[0];
        const QJsonObject full = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        for (const QJsonValue &replacement :
            {QJsonValue(QJsonValue::Undefined), QJsonValue(QJsonValue::Null)}) {
            QString error;
            auto race = decodeRace(withValue(full, path, replacement), &error);
            QVERIFY(!race);
            QVERIFY2(error.startsWith(expected + QStringLiteral(": ")), qPrintable(error));
        }
    }

    void optionalNullReadsAsAbsentAndIsNotWritten()
    {
        QJsonObject top = parse(minimalDocument());
        top[QStringLiteral("date")] = QJsonValue::Null;
        top[QStringLiteral("stageDefaultStartWindows")] = QJsonValue::Null;
        auto race = decodeRace(QJsonDocument(top).toJson());
        QVERIFY(race);
        QVERIFY(!race->date && !race->stageDefaultStartWindows);
        const QByteArray again = *encodeRace(*race, JsonLayout::Compact);
        QVERIFY(!again.contains("null"));
        QVERIFY(!again.contains("date"));
    }

    void badValuesFailTheWholeRead_data()
    {
        QTest::addColumn<QStringList>("cells");
        for (const QStringList &cells : casetable::rows(QStringLiteral("model/bad-values.txt")))
            QTest::addRow("%s %s", qPrintable(cells[0]), qPrintable(cells[1])) << cells;
    }
    void badValuesFailTheWholeRead()
    {
        QFETCH(QStringList, cells);
        const QString &path = cells[0];
        const QString &expected = cells[2];
        const QJsonValue replacement = QJsonDocument::fromJson("[" + cells[1].toUtf8() + "]").array().at(0);
        const QJsonObject full = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        QString error;
        QVERIFY(!decodeRace(withValue(full, path, replacement), &error));
        QVERIFY2(error.startsWith(expected), qPrintable(error));
    }

    void uuidsAreWrittenUpperAndReadInEitherCase()
    {
        QJsonObject top = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        const QString id
            = top[QStringLiteral("participants")].toArray()[0].toObject()[QStringLiteral("id")].toString();
        QCOMPARE(id, id.toUpper());
        auto race = decodeRace(withValue(top, QStringLiteral("participants/0/id"), id.toLower()));
        QVERIFY(race);
        QCOMPARE(race->participants[0].id.toString(QUuid::WithoutBraces).toUpper(), id);
    }

    void offsetDateIsTheSameInstant()
    {
        QJsonObject top = parse(minimalDocument());
        top[QStringLiteral("date")] = QStringLiteral("2025-05-17T10:30:00+02:00");
        auto race = decodeRace(QJsonDocument(top).toJson());
        QVERIFY(race);
        QCOMPARE(*race->date, QDateTime(QDate(2025, 5, 17), QTime(8, 30), Qt::UTC));
        QVERIFY(encodeRace(*race, JsonLayout::Compact)->contains("\"date\":\"2025-05-17T08:30:00Z\""));
    }

    void fractionalSecondsAreDroppedOnWrite()
    {
        Race race;
        race.date = QDateTime(QDate(2025, 5, 17), QTime(8, 30, 0, 750), Qt::UTC);
        auto back = decodeRace(*encodeRace(race, JsonLayout::Compact));
        QCOMPARE(*back->date, QDateTime(QDate(2025, 5, 17), QTime(8, 30, 0), Qt::UTC));
    }

    void punchDefaults()
    {
        QJsonObject top = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        QJsonObject bare {{QStringLiteral("controlCode"), 31},
            {QStringLiteral("time"), QStringLiteral("2025-05-17T10:00:00Z")}};
        const QByteArray json = withValue(top, QStringLiteral("results/0/punches/0"), bare);
        auto first = decodeRace(json);
        auto second = decodeRace(json);
        QVERIFY(first && second);
        const SIPunch &a = first->results[0].punches->at(0);
        QVERIFY(a.timeAvailable);
        QVERIFY(!a.id.isNull());
        QVERIFY(a.id != second->results[0].punches->at(0).id);
        const QByteArray written = *encodeRace(*first, JsonLayout::Compact);
        const QJsonObject punch = parse(written)[QStringLiteral("results")]
                                      .toArray()[0][QStringLiteral("punches")]
                                      .toArray()[0]
                                      .toObject();
        QCOMPARE(punch.keys(), (QStringList {"controlCode", "id", "time", "timeAvailable"}));
    }

    void absentAndEmptyCollectionsSurvive()
    {
        Race race;
        race.stageDefaultStartWindows = StageMap<StartWindow>();
        Participant absent;
        Participant empty = absent;
        empty.classIdByStage = StageMap<QString>();
        QVERIFY(!(absent == empty));
        race.participants = {absent, empty};
        RaceClass rc {QStringLiteral("a"), QStringLiteral("A")};
        rc.courseIds = QList<QString> {};
        race.classes = {rc, RaceClass {QStringLiteral("b"), QStringLiteral("B")}};
        const QByteArray bytes = *encodeRace(race, JsonLayout::Compact);
        QVERIFY(bytes.contains("\"stageDefaultStartWindows\":{}"));
        auto back = decodeRace(bytes);
        QVERIFY(back->stageDefaultStartWindows && back->stageDefaultStartWindows->isEmpty());
        QCOMPARE(back->participants, race.participants);
        QCOMPARE(back->classes, race.classes);
    }

    void extremeIntegersReadBack_data() { casetable::load("model/extreme-integers.tsv"); }
    void extremeIntegersReadBack()
    {
        // Whatever the writer puts out must read back.
        QFETCH(QStringList, cells);
        bool ok = false;
        const qint64 value = cells[0].toLongLong(&ok);
        QVERIFY(ok);
        Race race = fullRace();
        race.courses[0].controls[0].code = value;
        race.classes[0].lastUsedStartTimeSeconds = value;
        QString error;
        auto back = decodeRace(*encodeRace(race, JsonLayout::Compact), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->courses[0].controls[0].code, value);
        QCOMPARE(*back->classes[0].lastUsedStartTimeSeconds, value);
    }

    // Whatever the reader accepts is saved and opened again unchanged: decode, encode, decode,
    // encode gives the same bytes twice, for the documents under tests/data/model/roundtrip/ (each
    // NAME.json with NAME.expected: "reads back" or "refused: <error text>"). Random documents get
    // the same check from the fuzz target fuzz_eventjson.
    void documents_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/model/roundtrip"));
        const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        if (files.size() < 5)
            qFatal("round-trip documents missing in %s", qPrintable(dir.path()));
        for (const QString &file : files)
            QTest::addRow("%s", qPrintable(file)) << dir.filePath(file);
    }
    void documents()
    {
        QFETCH(QString, path);
        bool accepted = false;
        QString error;
        const QString fault = roundTripFault(casetable::readFile(path), &accepted, &error);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const QString expected
            = QString::fromUtf8(casetable::readFile(path.chopped(5) + ".expected")).trimmed();
        QCOMPARE(accepted ? QStringLiteral("reads back") : QStringLiteral("refused: ") + error, expected);
    }

    // Per-stage values: the active stage's entry, else the base field.
    void noActiveStageWritesTheBaseField()
    {
        Race race = raceWith(Participant {}, std::nullopt);
        const QDateTime t(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        setStartTime(race, t, 0);
        QCOMPARE(race.participants[0].startTime, std::optional<QDateTime>(t));
        QVERIFY(!race.participants[0].startTimeByStage);
        QCOMPARE(scheduledStartTime(race, race.participants[0]), std::optional<QDateTime>(t));
    }

    void activeStageWritesOnlyItsEntry()
    {
        Participant p;
        p.classId = QStringLiteral("A");
        Race race = raceWith(p, QStringLiteral("s2"));
        setClassId(race, QStringLiteral("B"), 0);
        const Participant &after = race.participants[0];
        QCOMPARE(after.classId, std::optional<QString>(QStringLiteral("A")));
        QCOMPARE(*after.classIdByStage, (StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("B")}}));
        QCOMPARE(effectiveClassId(race, after), std::optional<QString>(QStringLiteral("B")));
        race.activeStageId = QStringLiteral("s1");
        QCOMPARE(effectiveClassId(race, after), std::optional<QString>(QStringLiteral("A")));
    }

    void clearingKeepsAnEmptyMapAndFallsBack()
    {
        Participant p;
        p.startTime = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
        p.startTimeByStage = StageMap<QDateTime> {
            {QStringLiteral("s1"), QDateTime(QDate(2025, 5, 18), QTime(9, 0), Qt::UTC)},
            {QStringLiteral("s2"), QDateTime(QDate(2025, 5, 19), QTime(9, 0), Qt::UTC)}};
        Race race = raceWith(p, QStringLiteral("s1"));
        setStartTime(race, std::nullopt, 0);
        QCOMPARE(race.participants[0].startTimeByStage->size(), 1);
        QVERIFY(race.participants[0].startTimeByStage->contains(QStringLiteral("s2")));
        race.activeStageId = QStringLiteral("s2");
        setStartTime(race, std::nullopt, 0);
        QVERIFY(race.participants[0].startTimeByStage && race.participants[0].startTimeByStage->isEmpty());
        QCOMPARE(scheduledStartTime(race, race.participants[0]), p.startTime);
    }

    void clearingWithoutMapLeavesEmptyMap()
    {
        Participant p;
        p.courseId = QStringLiteral("c1");
        Race race = raceWith(p, QStringLiteral("s1"));
        setCourseId(race, std::nullopt, 0);
        QVERIFY(race.participants[0].courseIdByStage && race.participants[0].courseIdByStage->isEmpty());
        QCOMPARE(race.participants[0].courseId, std::optional<QString>(QStringLiteral("c1")));
    }

    void mapEntryWinsOverAbsentBase()
    {
        Participant p;
        p.courseIdByStage = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("c9")}};
        Race race = raceWith(p, QStringLiteral("s1"));
        QCOMPARE(effectiveCourseId(race, p), std::optional<QString>(QStringLiteral("c9")));
        race.activeStageId = std::nullopt;
        QCOMPARE(effectiveCourseId(race, p), std::nullopt);
    }

    void stageIdsCompareCanonically()
    {
        // "é" precomposed vs "e" + combining acute.
        const QString composed = QString::fromUtf8("\xC3\xA9tape");
        const QString decomposed = QString::fromUtf8("e\xCC\x81tape");
        Participant p;
        p.classIdByStage = StageMap<QString> {{composed, QStringLiteral("B")}};
        Race race = raceWith(p, decomposed);
        QCOMPARE(effectiveClassId(race, p), std::optional<QString>(QStringLiteral("B")));
        setClassId(race, QStringLiteral("C"), 0);
        QCOMPARE(race.participants[0].classIdByStage->size(), 1);
        QCOMPARE(race.participants[0].classIdByStage->value(composed), QStringLiteral("C"));
    }

    // Many start times written at once come out as the same writes made one by one.
    void startTimeWriterWritesAsSetStartTime_data() { casetable::load("model/start-time-writes.tsv"); }
    void startTimeWriterWritesAsSetStartTime()
    {
        QFETCH(QStringList, cells);
        const std::optional<QString> stage
            = cells[0] == QLatin1String("-") ? std::nullopt : std::optional<QString>(cells[0]);
        const QString composed = stage && stage->size() == 2 ? QString(QChar(0x015B)) : QStringLiteral("s1");
        const QDateTime earlier(QDate(2025, 5, 16), QTime(8, 0), Qt::UTC);
        Race race = raceWith(Participant {}, stage);
        race.participants.resize(6);
        race.participants[1].startTimeByStage = StageMap<QDateTime>();
        race.participants[2].startTimeByStage = StageMap<QDateTime> {{QStringLiteral("s2"), earlier}};
        race.participants[3].startTimeByStage = StageMap<QDateTime> {{composed, earlier}};
        race.participants[4].startTime = earlier;
        const auto timeOf = [](const QString &text) {
            if (text == QLatin1String("invalid"))
                return QDateTime();
            if (text.startsWith(QLatin1String("zone:"))) {
                const QStringList parts = text.mid(5).split(QLatin1Char(' '));
                return QDateTime::fromString(parts[1], Qt::ISODate).toTimeZone(QTimeZone(parts[0].toUtf8()));
            }
            const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
            if (!time.isValid())
                qFatal("unreadable time %s", qPrintable(text));
            return time;
        };
        Race expected = race;
        Race written = race;
        std::optional<StartTimeWriter> writer(written);
        for (const QString &write : cells.mid(1)) {
            if (write == QLatin1String("then")) {
                writer.reset();
                written.activeStageId = expected.activeStageId = QStringLiteral("s2");
                continue;
            }
            const qsizetype index = write.section(QLatin1Char('='), 0, 0).toInt();
            const QDateTime time = timeOf(write.section(QLatin1Char('='), 1));
            setStartTime(expected, time, index);
            if (writer)
                writer->set(index, time);
            else
                setStartTime(written, time, index);
        }
        for (qsizetype i = 0; i < expected.participants.size(); ++i) {
            QVERIFY2(written.participants[i] == expected.participants[i], qPrintable(QString::number(i)));
            QCOMPARE(written.participants[i].startTimeByStage.has_value(),
                expected.participants[i].startTimeByStage.has_value());
            // Equal times may still differ in how they are held (zone, offset): so may not these.
            if (const auto &map = expected.participants[i].startTimeByStage) {
                for (auto it = map->constBegin(); it != map->constEnd(); ++it) {
                    const QDateTime got = written.participants[i].startTimeByStage->value(it.key());
                    QCOMPARE(got.timeSpec(), it.value().timeSpec());
                    QCOMPARE(got.offsetFromUtc(), it.value().offsetFromUtc());
                    QCOMPARE(got.timeZone().id(), it.value().timeZone().id());
                }
            }
        }
        // A race with an invalid time has no text; both are refused alike.
        const auto writtenText = encodeRace(written, JsonLayout::Compact);
        const auto expectedText = encodeRace(expected, JsonLayout::Compact);
        QCOMPARE(bool(writtenText), bool(expectedText));
        if (expectedText)
            QCOMPARE(*writtenText, *expectedText);
    }
};

QTEST_GUILESS_MAIN(TestRaceJson)
#include "tst_racejson.moc"
