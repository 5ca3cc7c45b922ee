#include "racejson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

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

Race fullRace()
{
    Race race;
    race.name = QStringLiteral("Påske <Løb> & \"co\"");
    race.date = QDateTime(QDate(2025, 5, 17), QTime(8, 30), Qt::UTC);
    race.vexloWebEventId = QStringLiteral("42");
    race.vexloWebChecklistKey = QString();
    race.multiStageEnabled = false;
    race.activeStageId = QStringLiteral("s1");
    race.defaultStartWindow = StartWindow {36000, 43200};
    race.stageDefaultStartWindows = StageMap<StartWindow>();

    Stage stage {QStringLiteral("s1"), QStringLiteral("Day 1"),
        QDateTime(QDate(2025, 5, 17), QTime(0, 0), Qt::UTC), 1};
    race.stages = {stage};

    Course course;
    course.id = QStringLiteral("c1");
    course.name = QStringLiteral("Long");
    course.courseFamily = QStringLiteral("A");
    course.stageId = QStringLiteral("s1");
    course.type = CourseType::Rogaining;
    course.timeLimitSeconds = 3600.5;
    course.overtimePenaltyPerMinute = 2;
    course.lengthMeters = 0.1;
    course.controls = {CourseControl {newUuid(), 31, 1, 10}, CourseControl {newUuid(), 32, 2, std::nullopt}};
    race.courses = {course};

    RaceClass rc;
    rc.id = QStringLiteral("H21");
    rc.name = QStringLiteral("H21");
    rc.courseId = QStringLiteral("c1");
    rc.courseFamily = QStringLiteral("A");
    rc.courseIds = QList<QString> {};
    rc.mode = RaceClassMode::MultiCourse;
    rc.lastUsedStartTimeSeconds = 36000;
    rc.lastUsedIntervalSeconds = 120;
    rc.startMethod = StartMethod::StartPunch;
    rc.startWindow = StartWindow {1, 2};
    rc.stageCourseIds = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("c1")}};
    rc.stageStartMethods = StageMap<StartMethod> {{QStringLiteral("s1"), StartMethod::ScheduledTime}};
    rc.stageStartWindows = StageMap<StartWindow> {{QStringLiteral("s1"), StartWindow {3, 4}}};
    race.classes = {rc};

    Participant p;
    p.givenName = QStringLiteral("Åse");
    p.familyName = QStringLiteral("Ørsted");
    p.cardNumber = QStringLiteral("8000123");
    p.isRentalCard = false;
    p.club = QStringLiteral("OK Øst");
    p.classId = QStringLiteral("H21");
    p.courseId = QStringLiteral("c1");
    p.classIdByStage = StageMap<QString>();
    p.courseIdByStage = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("c1")}};
    p.startTime = QDateTime(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
    p.startTimeByStage
        = StageMap<QDateTime> {{QStringLiteral("s1"), QDateTime(QDate(2025, 5, 17), QTime(10, 2), Qt::UTC)}};
    p.startTimePreference = StartTimePreference::Late;
    p.startTimePreferenceByStage
        = StageMap<StartTimePreference> {{QStringLiteral("s1"), StartTimePreference::Early}};
    p.status = ParticipantStatus::Dnf;
    p.checkedInAt = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
    p.externalId = QStringLiteral("x-1");
    p.pendingCardNumber = QStringLiteral("12345");
    race.participants = {p};

    PersonResult r;
    r.participantId = p.id;
    r.courseId = QStringLiteral("c1");
    r.cardNumber = p.cardNumber;
    SplitTime missing;
    missing.controlCode = 32;
    missing.time = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    missing.status = SplitStatus::Missing;
    SplitTime ok;
    ok.controlCode = 31;
    ok.time = QDateTime(QDate(2025, 5, 17), QTime(10, 5, 7), Qt::UTC);
    ok.status = SplitStatus::VisitedNoTime;
    ok.elapsedFromStart = 307;
    ok.legTime = 307;
    ok.score = 10;
    r.splits = {ok, missing};
    r.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
    r.startTime = p.startTime;
    r.finishTime = QDateTime(QDate(2025, 5, 17), QTime(10, 59), Qt::UTC);
    r.raceTime = 3540;
    r.completed = false;
    SIPunch punch;
    punch.controlCode = 31;
    punch.time = ok.time;
    punch.timeAvailable = false;
    r.punches = QList<SIPunch> {punch};
    r.cardStartTime = p.startTime;
    r.courseAutoMatched = true;
    r.stageId = QStringLiteral("s1");
    r.score = 8;
    r.overtimePenalty = 2;
    r.withinTimeLimit = false;
    r.completedOverride = true;
    r.overrideNote = QStringLiteral("Station 32 failed");
    race.results = {r};
    return race;
}

} // namespace

class TestRaceJson : public QObject
{
    Q_OBJECT

private slots:
    void minimalDocumentReadsWithEverythingAbsent()
    {
        QString error;
        auto race = decodeRace(minimalDocument(), &error);
        QVERIFY2(race, qPrintable(error));
        QCOMPARE(race->name, QStringLiteral("Sprint"));
        QVERIFY(!race->date && !race->activeStageId && !race->multiStageEnabled && !race->defaultStartWindow
            && !race->stageDefaultStartWindows && !race->vexloWebEventId);
        QVERIFY(!race->isMultiStage());
    }

    void fullDocumentRoundTrips_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("compact") << int(JsonLayout::Compact);
        QTest::newRow("pretty") << int(JsonLayout::PrettySorted);
    }
    void fullDocumentRoundTrips()
    {
        QFETCH(int, layout);
        const Race race = fullRace();
        QString error;
        auto bytes = encodeRace(race, JsonLayout(layout), &error);
        QVERIFY2(bytes, qPrintable(error));
        auto back = decodeRace(*bytes, &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->courses, race.courses);
        QCOMPARE(back->classes, race.classes);
        QCOMPARE(back->participants, race.participants);
        QCOMPARE(back->stages, race.stages);
        QCOMPARE(back->results.size(), 1);
        const PersonResult &a = race.results[0];
        const PersonResult &b = back->results[0];
        QCOMPARE(b.id, a.id);
        QCOMPARE(b.splits, a.splits);
        QCOMPARE(b.punches->size(), 1);
        QCOMPARE(b.punches->at(0).id, a.punches->at(0).id);
        QCOMPARE(b.punches->at(0).timeAvailable, false);
        QCOMPARE(b.completedOverride, a.completedOverride);
        QCOMPARE(b.overrideNote, a.overrideNote);
        QCOMPARE(b.withinTimeLimit, a.withinTimeLimit);
        QCOMPARE(back->stageDefaultStartWindows, race.stageDefaultStartWindows);
        QCOMPARE(back->vexloWebChecklistKey, std::optional<QString>(QString()));
        // Writing what was read gives the same bytes.
        QCOMPARE(*encodeRace(*back, JsonLayout(layout)), *bytes);
    }

    void missingSplitTimeIsWrittenAsYearOne()
    {
        auto bytes = encodeRace(fullRace(), JsonLayout::Compact);
        QVERIFY(bytes->contains("\"time\":\"0001-01-01T00:00:00Z\""));
    }

    void everyRequiredKeyIsRequired_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        for (const char *k : {"name", "courses", "classes", "participants", "results", "stages"})
            QTest::newRow(k) << QString::fromLatin1(k) << QString::fromLatin1(k);
        // Where each kind of object sits in the full document: as a path and as the error names it.
        const struct
        {
            const char *row, *path, *named;
            QList<const char *> keys;
        } nested[] = {{"course", "courses/0/", "courses[0].", {"id", "name", "controls"}},
            {"control", "courses/0/controls/1/", "courses[0].controls[1].", {"id", "code", "order"}},
            {"class", "classes/0/", "classes[0].", {"id", "name"}},
            {"window", "defaultStartWindow/", "defaultStartWindow.", {"openSeconds", "closeSeconds"}},
            {"stage", "stages/0/", "stages[0].", {"id", "name", "date", "order"}},
            {"participant", "participants/0/", "participants[0].",
                {"id", "givenName", "familyName", "cardNumber"}},
            {"result", "results/0/", "results[0].",
                {"id", "participantId", "cardNumber", "splits", "readAt", "completed", "courseAutoMatched"}},
            {"split", "results/0/splits/0/", "results[0].splits[0].",
                {"id", "controlCode", "time", "status"}},
            {"punch", "results/0/punches/0/", "results[0].punches[0].", {"controlCode", "time"}}};
        for (const auto &n : nested) {
            for (const char *k : n.keys)
                QTest::addRow("%s.%s", n.row, k) << QString::fromLatin1(n.path) + QLatin1String(k)
                                                 << QString::fromLatin1(n.named) + QLatin1String(k);
        }
    }
    void everyRequiredKeyIsRequired()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
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
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("split status capital")
            << "results/0/splits/0/status" << QJsonValue("Missing") << "results[0].splits[0].status";
        QTest::newRow("class mode unknown") << "classes/0/mode" << QJsonValue("single") << "classes[0].mode";
        QTest::newRow("course type case") << "courses/0/type" << QJsonValue("Rogaining") << "courses[0].type";
        QTest::newRow("uuid short") << "participants/0/id" << QJsonValue("1234") << "participants[0].id";
        QTest::newRow("uuid braces") << "participants/0/id"
                                     << QJsonValue("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")
                                     << "participants[0].id";
        QTest::newRow("uuid no hyphens")
            << "participants/0/id" << QJsonValue("6F9619FF8B86D011B42D00C04FC964FF") << "participants[0].id";
        QTest::newRow("date fraction") << "date" << QJsonValue("2025-05-17T08:30:00.250Z") << "date";
        QTest::newRow("date without zone") << "date" << QJsonValue("2025-05-17T08:30:00") << "date";
        QTest::newRow("date only") << "stages/0/date" << QJsonValue("2025-05-17") << "stages[0].date";
        QTest::newRow("date invalid day") << "date" << QJsonValue("2025-02-30T08:30:00Z") << "date";
        QTest::newRow("integer with fraction")
            << "courses/0/controls/0/code" << QJsonValue(31.5) << "courses[0].controls[0].code";
        QTest::newRow("text as number") << "name" << QJsonValue(5) << "name";
        QTest::newRow("flag as text")
            << "results/0/completed" << QJsonValue("true") << "results[0].completed";
        QTest::newRow("list as object") << "stages" << QJsonValue(QJsonObject()) << "stages";
        QTest::newRow("stage map null value") << "classes/0/stageCourseIds/s1" << QJsonValue(QJsonValue::Null)
                                              << "classes[0].stageCourseIds.s1";
        QTest::newRow("preference in map")
            << "participants/0/startTimePreferenceByStage/s1" << QJsonValue("Early")
            << "participants[0].startTimePreferenceByStage.s1";
    }
    void badValuesFailTheWholeRead()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, expected);
        const QJsonObject full = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        QString error;
        QVERIFY(!decodeRace(withValue(full, path, value), &error));
        QVERIFY2(error.startsWith(expected + QStringLiteral(": ")), qPrintable(error));
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

    void nonFiniteNumbersCannotBeWritten_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("inf") << std::numeric_limits<double>::infinity();
        QTest::newRow("-inf") << -std::numeric_limits<double>::infinity();
    }
    void nonFiniteNumbersCannotBeWritten()
    {
        QFETCH(double, value);
        Race race = fullRace();
        race.results[0].raceTime = value;
        QString error;
        QVERIFY(!encodeRace(race, JsonLayout::Compact, &error));
        QCOMPARE(error, QStringLiteral("results[0].raceTime: number is not finite"));
        race = fullRace();
        race.courses[0].lengthMeters = value;
        QVERIFY(!encodeRace(race, JsonLayout::PrettySorted, &error));
        QCOMPARE(error, QStringLiteral("courses[0].lengthMeters: number is not finite"));
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

    void extremeIntegersReadBack_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::newRow("max") << std::numeric_limits<qint64>::max();
        QTest::newRow("max - 1") << std::numeric_limits<qint64>::max() - 1;
        QTest::newRow("min") << std::numeric_limits<qint64>::min();
        QTest::newRow("2^63 - 512") << std::numeric_limits<qint64>::max() - 511;
        QTest::newRow("2^53 + 1") << (qint64(1) << 53) + 1;
    }
    void extremeIntegersReadBack()
    {
        // Whatever the writer puts out must read back.
        QFETCH(qint64, value);
        Race race = fullRace();
        race.courses[0].controls[0].code = value;
        race.classes[0].lastUsedStartTimeSeconds = value;
        QString error;
        auto back = decodeRace(*encodeRace(race, JsonLayout::Compact), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->courses[0].controls[0].code, value);
        QCOMPARE(*back->classes[0].lastUsedStartTimeSeconds, value);
    }

    void datesAndUuidsAreStrict_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("date trailing newline") << "date"
                                               << "2025-05-17T08:30:00Z\n";
        QTest::newRow("date arabic-indic digits")
            << "date" << QString::fromUtf8("\u0662\u0660\u0662\u0665-05-17T08:30:00Z");
        QTest::newRow("uuid trailing newline") << "participants/0/id"
                                               << "6F9619FF-8B86-D011-B42D-00C04FC964FF\n";
    }
    void datesAndUuidsAreStrict()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        const QJsonObject full = parse(*encodeRace(fullRace(), JsonLayout::Compact));
        QString error;
        QVERIFY(!decodeRace(withValue(full, path, text), &error));
        QVERIFY2(error.contains(QStringLiteral("malformed")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestRaceJson)
#include "tst_racejson.moc"
