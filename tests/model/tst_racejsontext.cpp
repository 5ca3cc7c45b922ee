// The JSON text codec against the object form: encodeRace/decodeRace write and read the text
// directly, and must give exactly what QJsonDocument gives for raceToJsonObject /
// raceFromJsonObject (the object writer and reader, which build and walk a QJsonObject tree).
#include "casetable.h"
#include "racegenerator.h"
#include "racejson.h"
#include "racejson_p.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace {

QJsonDocument::JsonFormat format(JsonLayout layout)
{
    return layout == JsonLayout::Compact ? QJsonDocument::Compact : QJsonDocument::Indented;
}

// What the document bytes were before the text writer: the object form serialised by Qt, with
// U+FEFF escaped (Qt's reader drops a raw one that starts a string).
QByteArray referenceEncode(const Race &race, JsonLayout layout)
{
    const auto o = raceToJsonObject(race);
    return o ? QJsonDocument(*o).toJson(format(layout)).replace("\xEF\xBB\xBF", "\\ufeff") : QByteArray();
}

QByteArray referenceEncode(const PersonResult &result, JsonLayout layout)
{
    const auto o = personResultToJsonObject(result);
    return o ? QJsonDocument(*o).toJson(format(layout)).replace("\xEF\xBB\xBF", "\\ufeff") : QByteArray();
}

// What decoding was before the text reader: QJsonDocument, then the object reader.
std::optional<Race> referenceDecode(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON: %1 at offset %2")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("the top-level value is not an object");
        return std::nullopt;
    }
    return raceFromJsonObject(doc.object(), error);
}

// Punches read without an id get a fresh one on every read; everything else must be identical.
void clearPunchIds(Race &race)
{
    for (PersonResult &r : race.results) {
        if (r.punches) {
            for (SIPunch &p : *r.punches)
                p.id = QUuid();
        }
    }
    if (race.unknownCards) {
        for (UnknownCard &c : *race.unknownCards) {
            for (SIPunch &p : c.punches)
                p.id = QUuid();
        }
    }
}

// Two reads compared in the event writer's compact form: the writer is held to the reference
// form (the object form serialised by Qt) by the encoding cases below, and the object form itself
// would cost minutes under the sanitizers for the hundreds of documents read here.
QByteArray comparable(Race race)
{
    clearPunchIds(race);
    return encodeRace(race, JsonLayout::Compact).value_or(QByteArray("(not writable)"));
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// The least result that can be written (a result needs a valid read-out time).
PersonResult bareResult()
{
    PersonResult r;
    r.readAt = utc(2025, 5, 17, 11, 0, 0);
    return r;
}

// tests/data/model/tricky-texts.txt, after the empty text.
const QStringList &trickyTexts()
{
    static const QStringList texts = [] {
        QStringList t {QString()};
        for (const QStringList &cells : casetable::rows(QStringLiteral("model/tricky-texts.txt")))
            t << cells[0];
        return t;
    }();
    return texts;
}

// tests/data/model/tricky-numbers.txt: "d" lines are doubles, "i" lines 64-bit integers.
QList<QByteArray> trickyNumbers(char kind)
{
    QList<QByteArray> numbers;
    for (const QStringList &cells : casetable::rows(QStringLiteral("model/tricky-numbers.txt"))) {
        if (cells[0].startsWith(QLatin1Char(kind)))
            numbers << cells[0].mid(2).toLatin1();
    }
    return numbers;
}

const QList<double> &trickyDoubles()
{
    static const QList<double> values = [] {
        QList<double> v;
        for (const QByteArray &n : trickyNumbers('d'))
            v << n.toDouble();
        return v;
    }();
    return values;
}

const QList<qint64> &trickyIntegers()
{
    static const QList<qint64> values = [] {
        QList<qint64> v;
        for (const QByteArray &n : trickyNumbers('i'))
            v << n.toLongLong();
        return v;
    }();
    return values;
}

// A race using every field, every tricky text in every text position (ids and stage-map keys too,
// so the keys' order is Qt's for every one of them), and every tricky number in every number position.
Race trickyRace()
{
    const QStringList &texts = trickyTexts();
    const QList<double> &doubles = trickyDoubles();
    const QList<qint64> &integers = trickyIntegers();
    auto text = [&](int i) { return texts[i % texts.size()]; };
    auto real = [&](int i) { return doubles[i % doubles.size()]; };
    auto whole = [&](int i) { return integers[i % integers.size()]; };

    Race race;
    race.name = text(4);
    race.date = utc(2025, 5, 17, 8, 30, 0, 999);
    race.vexloWebEventId = text(2);
    race.vexloWebChecklistKey = QString();
    race.activeStageId = text(5);
    race.multiStageEnabled = true;
    race.defaultStartWindow = StartWindow {whole(10), whole(12)};
    StageMap<StartWindow> windows;
    for (int i = 0; i < texts.size(); ++i)
        windows.insert(text(i), StartWindow {whole(i), whole(i + 3)});
    race.stageDefaultStartWindows = windows;

    for (int i = 0; i < texts.size(); ++i) {
        race.stages.append(Stage {text(i), text(i + 1), utc(2025, 1 + i % 12, 1 + i % 28, i % 24), whole(i)});

        Course c;
        c.id = text(i);
        c.name = text(i + 2);
        c.courseFamily = text(i + 3);
        c.stageId = text(i + 4);
        c.type = i % 2 ? CourseType::Rogaining : CourseType::Sequential;
        c.timeLimitSeconds = real(i);
        c.overtimePenaltyPerMinute = whole(i);
        c.lengthMeters = real(i + 7);
        c.controls = {CourseControl {newUuid(), whole(i), whole(i + 1), whole(i + 2)},
            CourseControl {newUuid(), 32, 2, std::nullopt}};
        race.courses.append(c);

        RaceClass rc;
        rc.id = text(i);
        rc.name = text(i + 1);
        rc.courseId = text(i + 2);
        rc.courseFamily = text(i + 3);
        rc.courseIds = QList<QString> {text(i), text(i + 5), QString()};
        rc.mode = RaceClassMode(i % 3);
        rc.lastUsedStartTimeSeconds = whole(i);
        rc.lastUsedIntervalSeconds = real(i + 11);
        rc.startMethod = StartMethod(i % 2);
        rc.startWindow = StartWindow {whole(i + 1), whole(i + 2)};
        rc.stageCourseIds = StageMap<QString> {{text(i), text(i + 1)}, {text(i + 7), text(i + 2)}};
        rc.stageStartMethods = StageMap<StartMethod> {{text(i), StartMethod::StartPunch}};
        rc.stageStartWindows = StageMap<StartWindow> {{text(i + 1), StartWindow {1, 2}}};
        race.classes.append(rc);
        race.classes.append(RaceClass {text(i + 9), text(i + 10)});

        Participant p;
        p.givenName = text(i);
        p.familyName = text(i + 1);
        p.cardNumber = text(i + 2);
        p.isRentalCard = i % 2 == 0;
        p.club = text(i + 3);
        p.classId = text(i + 4);
        p.courseId = text(i + 5);
        p.classIdByStage = StageMap<QString>();
        p.courseIdByStage = StageMap<QString> {{text(i), text(i + 6)}};
        p.startTime = utc(2025, 5, 17, 10, 0, i);
        p.startTimeByStage
            = StageMap<QDateTime> {{text(i), utc(1, 1, 1)}, {text(i + 1), utc(9999, 12, 31, 23, 59, 59)}};
        p.startTimePreference = StartTimePreference(i % 2);
        p.startTimePreferenceByStage
            = StageMap<StartTimePreference> {{text(i + 2), StartTimePreference::Late}};
        p.status = ParticipantStatus(i % 2);
        p.checkedInAt = QDateTime(QDate(2025, 10, 26), QTime(2, 30), Qt::LocalTime);
        p.externalId = text(i + 7);
        p.pendingCardNumber = text(i + 8);
        race.participants.append(p);
        race.participants.append(Participant());

        PersonResult r;
        r.participantId = p.id;
        r.courseId = text(i);
        r.cardNumber = text(i + 1);
        for (int s = 0; s < 3; ++s) {
            SplitTime st;
            st.controlCode = whole(i + s);
            st.time = s == 2 ? utc(1, 1, 1) : utc(2025, 5, 17, 10, 5, s, 500);
            st.status = SplitStatus((i + s) % 4);
            if (s != 1) {
                st.elapsedFromStart = real(i + s);
                st.legTime = real(i + s + 13);
                st.score = whole(i + s);
            }
            r.splits.append(st);
        }
        r.readAt = utc(2025, 5, 17, 11, 0, 0);
        r.startTime = utc(1969, 12, 31, 23, 59, 59, 1);
        r.finishTime = utc(1600, 2, 29, 12);
        r.raceTime = real(i);
        r.completed = i % 2;
        SIPunch punch;
        punch.controlCode = whole(i);
        punch.time = utc(2025, 5, 17, 10, 5, 7);
        punch.timeAvailable = i % 3;
        SIPunch noTime;
        noTime.timeAvailable = false;
        noTime.time = utc(1, 1, 1);
        r.punches = QList<SIPunch> {punch, noTime};
        r.cardStartTime = utc(2025, 5, 17, 10, 0, 0);
        r.courseAutoMatched = i % 2 == 0;
        r.stageId = text(i + 2);
        r.score = whole(i);
        r.overtimePenalty = whole(i + 1);
        r.withinTimeLimit = false;
        r.completedOverride = true;
        r.overrideNote = text(i + 3);
        race.results.append(r);
        race.results.append(bareResult());

        UnknownCard card;
        card.cardNumber = text(i + 4);
        card.punches = {punch, noTime};
        if (i % 2)
            card.checkPunchTime = utc(2025, 5, 17, 9, 58, 0, 250);
        if (i % 3)
            card.startPunchTime = utc(1, 1, 1);
        if (i % 4)
            card.finishPunchTime = utc(9999, 12, 31, 23, 59, 59);
        card.readAt = utc(2025, 5, 17, 11, 0, i);
        if (i % 5)
            card.stageId = text(i + 6);
        if (!race.unknownCards)
            race.unknownCards.emplace();
        race.unknownCards->append(card);
    }
    return race;
}

QByteArray replaced(QByteArray json, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = json.indexOf(from);
    Q_ASSERT(at >= 0);
    return json.replace(at, from.size(), to);
}

} // namespace

// The value in compact JSON with every object's keys in reverse order.
QByteArray reversedKeys(const QJsonValue &value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        QByteArray out = "{";
        QStringList keys = object.keys();
        std::reverse(keys.begin(), keys.end());
        for (const QString &key : keys) {
            if (out.size() > 1)
                out += ',';
            out += reversedKeys(key) + ':' + reversedKeys(object.value(key));
        }
        return out + '}';
    }
    if (value.isArray()) {
        QByteArray out = "[";
        for (const QJsonValue &item : value.toArray()) {
            if (out.size() > 1)
                out += ',';
            out += reversedKeys(item);
        }
        return out + ']';
    }
    // A scalar as Qt writes it, taken out of a one-element array.
    return QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
}

// The indented event text of a generated event with `entries` entries over three stages, made once.
const QByteArray &generatedEventText(int entries)
{
    static std::map<int, QByteArray> texts;
    auto &text = texts[entries];
    if (text.isEmpty())
        text = *encodeRace(generateRace({.entries = entries, .stages = 3}), JsonLayout::PrettySorted);
    return text;
}

// Where the elements of the top-level list `key` start in indented text (each its "{").
QList<qsizetype> elementStarts(const QByteArray &json, const QByteArray &key)
{
    QList<qsizetype> starts;
    const qsizetype open = json.indexOf("\n    \"" + key + "\": [\n");
    if (open < 0)
        return starts;
    const qsizetype close = json.indexOf("\n    ]", open);
    for (qsizetype at = json.indexOf("\n        {", open); at >= 0 && at < close;
         at = json.indexOf("\n        {", at + 1))
        starts << at + 9;
    return starts;
}

// The text reader's outcome in one go and in `slices` slices of any size read by `threads` threads
// (0: the reader's choice), as comparable bytes (empty when it declines); `sliced` counts the
// lists it read in slices.
QByteArray readInOneGo(const QByteArray &json)
{
    const auto race = racejson_detail::readRaceText(json, {.slices = 1});
    return race ? comparable(*race) : QByteArray();
}
QByteArray readInSlices(const QByteArray &json, int slices, int *sliced, int threads = 0)
{
    const auto race = racejson_detail::readRaceText(
        json, {.slices = slices, .threads = threads, .minSliceBytes = 1, .slicedLists = sliced});
    return race ? comparable(*race) : QByteArray();
}

class TestRaceJsonText : public QObject
{
    Q_OBJECT

private:
    void checkSameDecoding(const QByteArray &json)
    {
        QString error;
        QString referenceError;
        const auto race = decodeRace(json, &error);
        const auto reference = referenceDecode(json, &referenceError);
        QCOMPARE(bool(race), bool(reference));
        if (race)
            QCOMPARE(comparable(*race), comparable(*reference));
        else
            QCOMPARE(error, referenceError);
    }

private slots:
    void encodingMatchesTheObjectForm_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("stages");
        QTest::addColumn<quint32>("seed");
        for (JsonLayout layout : {JsonLayout::Compact, JsonLayout::PrettySorted}) {
            const char *name = layout == JsonLayout::Compact ? "compact" : "pretty";
            QTest::addRow("%s tricky", name) << int(layout) << -1 << 0 << 0u;
            QTest::addRow("%s empty race", name) << int(layout) << 0 << 0 << 0u;
            QTest::addRow("%s generated 1 stage", name) << int(layout) << 150 << 1 << 7u;
            QTest::addRow("%s generated 3 stages", name) << int(layout) << 300 << 3 << 20250517u;
        }
        // Large texts are written into the buffer the previous one left: a shorter text over a longer.
        QTest::newRow("compact generated after pretty") << int(JsonLayout::Compact) << 300 << 3 << 20250517u;
    }
    void encodingMatchesTheObjectForm()
    {
        QFETCH(int, layout);
        QFETCH(int, entries);
        QFETCH(int, stages);
        QFETCH(quint32, seed);
        Race race;
        if (entries < 0) {
            race = trickyRace();
        } else if (entries > 0) {
            RaceGeneratorOptions options;
            options.entries = entries;
            options.stages = stages;
            options.seed = seed;
            race = generateRace(options);
        }
        const auto bytes = encodeRace(race, JsonLayout(layout));
        QVERIFY(bytes);
        QCOMPARE(*bytes, referenceEncode(race, JsonLayout(layout)));
        // Behind a prefix, in the same buffer: no prefix, a short one, one past the first buffer.
        for (const QByteArray &prefix :
            {QByteArray(), QByteArray("\"op\":\"event\",\"race\":"), QByteArray(70000, 'p')}) {
            const auto after = encodeRaceAfter(prefix, race, JsonLayout(layout));
            QVERIFY(after);
            QCOMPARE(*after, prefix + *bytes);
        }
        for (const PersonResult &r : race.results)
            QCOMPARE(*encodePersonResult(r, JsonLayout(layout)), referenceEncode(r, JsonLayout(layout)));
    }

    void everyDoubleIsWrittenAsQtWritesIt()
    {
        QList<double> values = trickyDoubles();
        QRandomGenerator rng(42);
        for (int i = 0; i < 5000; ++i) {
            quint64 bits = rng.generate64();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            if (std::isfinite(d))
                values << d;
            values << double(rng.bounded(2000000)) / std::pow(10.0, rng.bounded(12))
                   << double(qint64(rng.generate64() >> rng.bounded(64)))
                   << std::ldexp(1.0, rng.bounded(2000) - 1074);
        }
        for (double v : std::as_const(values)) {
            for (double signedValue : {v, -v}) {
                PersonResult r = bareResult();
                r.raceTime = signedValue;
                const QByteArray bytes = *encodePersonResult(r, JsonLayout::Compact);
                if (bytes != referenceEncode(r, JsonLayout::Compact))
                    QFAIL(qPrintable(QStringLiteral("%1 written as %2")
                                         .arg(signedValue, 0, 'g', 17)
                                         .arg(QString::fromUtf8(bytes))));
            }
        }
    }

    void everyTextIsWrittenAsQtWritesIt()
    {
        QStringList texts = trickyTexts();
        QRandomGenerator rng(7);
        for (int i = 0; i < 5000; ++i) {
            QString s;
            const int length = rng.bounded(12);
            for (int k = 0; k < length; ++k) {
                // Mostly the edges of the escaping and UTF-8 ranges, surrogates included.
                static constexpr char16_t edges[] = {0, 0x1f, 0x20, '"', '\\', '/', 0x7f, 0x80, 0x7ff, 0x800,
                    0xd7ff, 0xd800, 0xdbff, 0xdc00, 0xdfff, 0xe000, 0xfeff, 0xfffd, 0xffff};
                s += QChar(rng.bounded(3) ? edges[rng.bounded(int(std::size(edges)))]
                                          : char16_t(rng.bounded(0x10000)));
            }
            texts << s;
        }
        texts << QString(1 << 20, QChar(u'\u20AC')) << QString(1 << 20, QChar(u'\n'));
        for (const QString &t : std::as_const(texts)) {
            PersonResult r = bareResult();
            r.overrideNote = t;
            r.stageId = t;
            QCOMPARE(*encodePersonResult(r, JsonLayout::Compact), referenceEncode(r, JsonLayout::Compact));
        }
    }

    void layoutsAreQtsForms()
    {
        Race race;
        race.name = QStringLiteral("A");
        race.stageDefaultStartWindows = StageMap<StartWindow> {{QStringLiteral("s1"), StartWindow {1, 2}}};
        for (const auto &[layout, file] : {std::pair(JsonLayout::PrettySorted, "layout-pretty.json"),
                 std::pair(JsonLayout::Compact, "layout-compact.json")}) {
            QCOMPARE(*encodeRace(race, layout),
                casetable::readData(QStringLiteral("model/") + QLatin1String(file)));
        }
    }

    void failuresAreTheObjectWritersFailures_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<QString>("expected");
        QTest::newRow("split leg time nan") << 0 << "results[1].splits[2].legTime: number is not finite";
        QTest::newRow("class interval inf")
            << 1 << "classes[0].lastUsedIntervalSeconds: number is not finite";
        QTest::newRow("invalid punch time") << 2 << "results[0].punches[0].time: invalid date";
        QTest::newRow("invalid stage-map date") << 3 << "participants[0].startTimeByStage.s\"1: invalid date";
        QTest::newRow("invalid race date") << 4 << "date: invalid date";
    }
    void failuresAreTheObjectWritersFailures()
    {
        QFETCH(int, what);
        QFETCH(QString, expected);
        RaceGeneratorOptions options;
        options.entries = 3;
        Race race = generateRace(options);
        switch (what) {
        case 0:
            race.results[1].splits[2].legTime = std::numeric_limits<double>::quiet_NaN();
            break;
        case 1:
            race.classes[0].lastUsedIntervalSeconds = -std::numeric_limits<double>::infinity();
            break;
        case 2:
            race.results[0].punches = QList<SIPunch> {SIPunch()};
            break;
        case 3:
            race.participants[0].startTimeByStage
                = StageMap<QDateTime> {{QStringLiteral("s\"1"), QDateTime()}};
            break;
        case 4:
            race.date = QDateTime();
            break;
        }
        for (JsonLayout layout : {JsonLayout::Compact, JsonLayout::PrettySorted}) {
            QString error;
            QVERIFY(!encodeRace(race, layout, &error));
            QCOMPARE(error, expected);
            QString afterError;
            QVERIFY(!encodeRaceAfter("prefix", race, layout, &afterError));
            QCOMPARE(afterError, expected);
        }
        if (what == 0 || what == 2) {
            QString error;
            QVERIFY(!encodePersonResult(race.results[what == 0 ? 1 : 0], JsonLayout::Compact, &error));
            QVERIFY(error.endsWith(expected.mid(expected.indexOf(QLatin1Char('.')) + 1)));
        }
    }

    void decodingMatchesTheObjectReader_data()
    {
        QTest::addColumn<QByteArray>("json");
        for (const QByteArray &line :
            casetable::readData(QStringLiteral("model/decoding-cases.txt")).split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const qsizetype tab = line.indexOf('\t');
            QByteArray json = line.mid(tab + 1);
            for (qsizetype at = json.indexOf("\\x{"); at >= 0; at = json.indexOf("\\x{", at + 1))
                json.replace(at, 6, QByteArray::fromHex(json.mid(at + 3, 2)));
            QTest::addRow("%s", line.left(tab).constData()) << json;
        }

        // Generated families: the big documents, every prefix, nesting depths, huge strings.
        Race race = trickyRace();
        race.results.resize(4);
        race.participants.resize(4);
        const QByteArray base = *encodeRace(race, JsonLayout::Compact);
        const QByteArray minimal
            = R"({"name":"Sprint","courses":[],"classes":[],"participants":[],"results":[],"stages":[]})";
        auto withName = [&](const QByteArray &value) {
            return "{\"name\":" + value
                + R"(,"courses":[],"classes":[],"participants":[],"results":[],"stages":[]})";
        };
        QTest::newRow("tricky compact") << base;
        QTest::newRow("tricky pretty") << *encodeRace(race, JsonLayout::PrettySorted);
        QTest::newRow("generated") << *encodeRace(generateRace({.entries = 20}), JsonLayout::Compact);
        for (qsizetype n = 0; n < minimal.size(); ++n)
            QTest::addRow("minimal cut at %lld", qlonglong(n)) << minimal.left(n);
        for (qsizetype n = 1; n < base.size(); n += base.size() / 400 + 1)
            QTest::addRow("tricky cut at %lld", qlonglong(n)) << base.left(n);
        QTest::newRow("huge string") << withName("\"" + QByteArray(8 << 20, 'a') + "\"");
        QTest::newRow("huge escaped string")
            << withName("\"" + QByteArray(1 << 20, 'a').replace("aa", "\\n") + "\"");
        for (int depth : {1, 100, 300, 1000, 1022, 1023, 1024, 1100, 5000}) {
            QTest::addRow("unknown nested %d arrays", depth)
                << withName("\"x\",\"futureFeature\":" + QByteArray(depth, '[') + QByteArray(depth, ']'));
            QByteArray objects;
            for (int i = 0; i < depth; ++i)
                objects += "{\"k\":";
            QTest::addRow("unknown nested %d objects", depth)
                << withName("\"x\",\"futureFeature\":" + objects + "1" + QByteArray(depth, '}'));
        }
        // Stage and course ids repeated across results: the same text written plainly and escaped,
        // texts that differ in one byte, non-ASCII, absent, and more distinct courses than the
        // reader keeps shared.
        QByteArray repeated;
        for (int i = 0; i < 90; ++i) {
            static const QByteArray stages[]
                = {R"("s1")", R"("s\u0031")", R"("s2")", R"("\u00c9t")", "\"\xc3\x89t\"", "null"};
            repeated += QByteArray(i ? "," : "") + R"({"cardNumber":"1","completed":true,)"
                + R"("courseAutoMatched":false,"id":"059B085B-1284-4960-B730-9C802C0B5C8C",)"
                + R"("participantId":"0F0990FC-3B03-4A45-A2BD-3A550863A77F","readAt":"2025-05-17T11:31:22Z",)"
                + R"("splits":[],"stageId":)" + stages[i % 6] + R"(,"courseId":)"
                + (i % 7 == 6 ? QByteArray("null") : "\"c" + QByteArray::number(i % 41) + "\"") + "}";
        }
        QTest::newRow("repeated stage and course ids")
            << R"({"name":"Sprint","courses":[],"classes":[],"participants":[],"results":[)" + repeated
                + R"(],"stages":[]})";
        QTest::newRow("punch without id")
            << replaced(base, "{\"controlCode\":", "{\"id\":null,\"controlCode\":");
        QTest::newRow("punch time available null")
            << replaced(base, "\"timeAvailable\":", "\"timeAvailable\":null,\"x\":");
    }
    void decodingMatchesTheObjectReader()
    {
        QFETCH(QByteArray, json);
        checkSameDecoding(json);
        if (QTest::currentTestFailed())
            return;
        // The same input embedded as a result.
        QString error;
        QString referenceError;
        const auto result = decodePersonResult(json, &error);
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error == QJsonParseError::NoError && doc.isObject()) {
            const auto reference = personResultFromJsonObject(doc.object(), &referenceError);
            QCOMPARE(bool(result), bool(reference));
            QCOMPARE(error, referenceError);
        } else {
            QVERIFY(!result);
        }
    }

    // A message carries the event followed by more of its own: read where it stands, the event
    // is what reading exactly its text gives, and the read ends where that text does. Every
    // document the common path reads is read there too, whatever follows it.
    void leadingEventReadsAsItsTextAlone_data() { decodingMatchesTheObjectReader_data(); }
    void leadingEventReadsAsItsTextAlone()
    {
        QFETCH(QByteArray, json);
        const bool common = bool(racejson_detail::readRaceText(json));
        for (const QByteArray trailer : {"", ",\"result\":null}", "}", " ]x", "{\"name\":\"x\"}", "\n"}) {
            const QByteArray text = json + trailer;
            qsizetype length = -1;
            const auto leading = decodeLeadingRace(text, &length);
            if (common)
                QVERIFY2(leading, trailer.constData());
            if (!leading)
                continue;
            QVERIFY(length > 0 && length <= text.size());
            const auto alone = decodeRace(text.left(length));
            QVERIFY2(alone, trailer.constData());
            QCOMPARE(comparable(*leading), comparable(*alone));
            if (common)
                QCOMPARE(text.left(length).trimmed(), json.trimmed());
        }
    }

    // Long lists of the indented event file are read in slices on several threads. On every
    // event document the tests hold, as it is and written indented, and on generated events of
    // several sizes, reading in slices (in any number of them) gives what reading in one go gives.
    void slicedReadingMatchesOneGo_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("slicedLists"); // -1: as it comes
        QDirIterator files(QStringLiteral(VEXLO_TEST_DATA_DIR), {QStringLiteral("*.json")}, QDir::Files,
            QDirIterator::Subdirectories);
        const QDir data(QStringLiteral(VEXLO_TEST_DATA_DIR));
        int events = 0;
        while (files.hasNext()) {
            const QString path = files.next();
            const QByteArray json = casetable::readFile(path);
            const QByteArray name = data.relativeFilePath(path).toUtf8();
            QTest::newRow(name.constData()) << json << -1;
            if (const auto race = decodeRace(json)) {
                ++events;
                QTest::addRow("%s indented", name.constData())
                    << *encodeRace(*race, JsonLayout::PrettySorted) << -1;
            }
        }
        QVERIFY(events >= 20);
        Race withCards = generateRace({.entries = 40, .stages = 2});
        withCards.unknownCards.emplace();
        for (const PersonResult &r : std::as_const(withCards.results)) {
            UnknownCard card;
            card.cardNumber = r.cardNumber;
            card.punches = r.punches.value_or(QList<SIPunch>());
            card.readAt = r.readAt;
            card.stageId = r.stageId;
            withCards.unknownCards->append(card);
        }
        QTest::newRow("generated with unknown cards")
            << *encodeRace(withCards, JsonLayout::PrettySorted) << 3;
        for (int entries : {1, 2, 3, 7, 40, 150})
            QTest::addRow("generated %d entries", entries) << generatedEventText(entries) << 2;
        // Text not laid out as the event file is read in one go.
        const QByteArray pretty = generatedEventText(40);
        QTest::newRow("compact") << *encodeRace(*decodeRace(pretty), JsonLayout::Compact) << 0;
        QTest::newRow("line ends CR LF") << QByteArray(pretty).replace("\n", "\r\n") << 0;
        QTest::newRow("tab indents") << QByteArray(pretty).replace("    ", "\t") << 0;
        QTest::newRow("element on the bracket's line")
            << QByteArray(pretty).replace("[\n        {", "[ {") << 0;
    }
    void slicedReadingMatchesOneGo()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, slicedLists);
        const QByteArray expected = readInOneGo(json);
        QVERIFY(slicedLists < 0 || !expected.isEmpty());
        for (int slices : {2, 3, 4, 5, 8, 64}) {
            // One thread reads every slice itself, as where the system starts no other.
            for (int threads : {1, 3}) {
                int sliced = 0;
                QCOMPARE(readInSlices(json, slices, &sliced, threads), expected);
                if (slicedLists >= 0)
                    QCOMPARE(sliced, slicedLists);
            }
        }
    }

    // tests/data/model/sliced-reading.txt: one change to elements of a list of a generated event,
    // at a place that lies in a later slice; the outcome and any error text are those of reading
    // in one go. The large event is read as the event file is, with the default slices.
    void changedElementsReadAsInOneGo_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        for (const QStringList &cells : casetable::rows(QStringLiteral("model/sliced-reading.txt"))) {
            const int entries = cells[1].toInt();
            QByteArray json = generatedEventText(entries);
            const QList<qsizetype> starts = elementStarts(json, cells[2].toUtf8());
            QVERIFY2(starts.size() > 1, qPrintable(cells[0]));
            const QByteArray from = cells[4].toUtf8();
            const QByteArray to = cells[5].toUtf8();
            QList<qsizetype> changed;
            if (cells[3] == QLatin1String("all")) {
                changed = starts;
            } else if (cells[3] == QLatin1String("every")) {
                const qsizetype end = json.indexOf("\n    ]", starts.back());
                for (qsizetype at = json.indexOf(from, starts.front()); at >= 0 && at < end;
                     at = json.indexOf(from, at + 1))
                    changed << at;
            } else {
                changed << starts[qsizetype(cells[3].toDouble() * double(starts.size() - 1))];
            }
            // From the last, so that the earlier places stay where they were.
            for (auto at = changed.crbegin(); at != changed.crend(); ++at) {
                const qsizetype found = json.indexOf(from, *at);
                QVERIFY2(found >= 0, qPrintable(cells[0]));
                json.replace(found, from.size(), to);
            }
            QTest::newRow(qPrintable(cells[0])) << entries << json << cells[6];
        }
    }
    void changedElementsReadAsInOneGo()
    {
        QFETCH(int, entries);
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QString error;
        const auto race = decodeRace(json, &error);
        QCOMPARE(race ? QStringLiteral("reads") : error, expected);
        QString referenceError;
        const auto reference = referenceDecode(json, &referenceError);
        QCOMPARE(bool(race), bool(reference));
        if (race)
            QCOMPARE(comparable(*race), comparable(*reference));
        const QByteArray inOneGo = readInOneGo(json);
        if (entries >= 500) {
            int sliced = 0;
            const auto direct = racejson_detail::readRaceText(json, {.slicedLists = &sliced});
            QCOMPARE(direct ? comparable(*direct) : QByteArray(), inOneGo);
            if (direct)
                QCOMPARE(sliced, 2);
            return;
        }
        for (int slices : {2, 3, 4, 8, 64, 256}) {
            int sliced = 0;
            QCOMPARE(readInSlices(json, slices, &sliced), inOneGo);
        }
    }

    // The saved event file is indented: the text reader must take every indent itself, not leave
    // the file to the slower object reader.
    void indentedDocumentsStayOnTheTextReader_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("generated pretty")
            << *encodeRace(generateRace({.entries = 40}), JsonLayout::PrettySorted);
        for (const QByteArray &line :
            casetable::readData(QStringLiteral("model/decoding-cases.txt")).split('\n')) {
            if (line.startsWith("indent runs"))
                QTest::addRow("%s", line.left(line.indexOf('\t')).constData())
                    << line.mid(line.indexOf('\t') + 1)
                           .replace("\\x{0A}", "\n")
                           .replace("\\x{0D}", "\r")
                           .replace("\\x{09}", "\t");
        }
    }
    void indentedDocumentsStayOnTheTextReader()
    {
        QFETCH(QByteArray, json);
        const auto direct = racejson_detail::readRaceText(json);
        QVERIFY(direct);
        const auto decoded = decodeRace(json);
        QVERIFY(decoded);
        QCOMPARE(comparable(*direct), comparable(*decoded));
    }

    // Every object's keys in the order written, sorted and reversed, one document after another:
    // the reader's guess of the next key must never change what it reads.
    void keyOrdersReadAlike()
    {
        const Race race = generateRace({.entries = 30, .stages = 2});
        const QByteArray compact = *encodeRace(race, JsonLayout::Compact);
        const QByteArray reversed = reversedKeys(QJsonDocument::fromJson(compact).object());
        const QByteArray expected = comparable(*decodeRace(compact));
        for (const QByteArray &json :
            {compact, *encodeRace(race, JsonLayout::PrettySorted), reversed, compact, reversed}) {
            const auto direct = racejson_detail::readRaceText(json);
            QVERIFY(direct);
            QCOMPARE(comparable(*direct), expected);
        }
    }

    void resultsDecodeAsTheObjectReaderDoes()
    {
        const Race race = trickyRace();
        int readBack = 0;
        for (const PersonResult &r : race.results) {
            for (JsonLayout layout : {JsonLayout::Compact, JsonLayout::PrettySorted}) {
                const QByteArray json = *encodePersonResult(r, layout);
                QString error;
                QString referenceError;
                const auto back = decodePersonResult(json, &error);
                const auto reference
                    = personResultFromJsonObject(QJsonDocument::fromJson(json).object(), &referenceError);
                // Integers within 512 of 2^63 are written but not read back (their double rounds to
                // 2^63); the text reader keeps that rule.
                QCOMPARE(bool(back), bool(reference));
                QCOMPARE(error, referenceError);
                if (!back)
                    continue;
                ++readBack;
                QCOMPARE(*encodePersonResult(*back, layout), referenceEncode(*reference, layout));
                // Every text comes back, U+FEFF included (it is written escaped).
                QCOMPARE(*encodePersonResult(*back, layout), json);
            }
        }
        QVERIFY(readBack > race.results.size());
    }

    void numbersReadAsQtReadsThem()
    {
        QRandomGenerator rng(99);
        for (int i = 0; i < 5000; ++i) {
            quint64 bits = rng.generate64();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            if (!std::isfinite(d))
                continue;
            const int precision = 1 + rng.bounded(20);
            for (const QByteArray &text :
                {QByteArray::number(d, 'g', precision), QByteArray::number(d, 'e', precision),
                    QByteArray::number(d, 'f', rng.bounded(5)), QByteArray::number(qint64(bits))}) {
                const QByteArray json
                    = R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF",)"
                      R"("participantId":"6F9619FF-8B86-D011-B42D-00C04FC964FF","cardNumber":"1",)"
                      R"("splits":[],"readAt":"2025-05-17T08:30:00Z","completed":true,)"
                      R"("courseAutoMatched":false,"raceTime":)"
                    + text + R"(,"score":)" + text + "}";
                const auto result = decodePersonResult(json);
                const auto reference = personResultFromJsonObject(QJsonDocument::fromJson(json).object());
                const bool parsed = !QJsonDocument::fromJson(json).isNull();
                QCOMPARE(bool(result), parsed && bool(reference));
                if (!result)
                    continue;
                if (std::memcmp(&*result->raceTime, &*reference->raceTime, sizeof(double)) != 0
                    || result->score != reference->score)
                    QFAIL(text.constData());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRaceJsonText)
#include "tst_racejsontext.moc"
