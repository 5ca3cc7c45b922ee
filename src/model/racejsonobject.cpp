// The event document's JSON form at the object level (QJsonObject), written and read with the
// error texts that name the key path and the kind of failure. This is the reference form: the
// direct text writer and reader (racejsonwriter.cpp, racejsonreader.cpp) produce and accept the
// same documents byte for byte and fall back to this code whenever something is wrong.

#include "racejson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <tuple>

namespace {

// Thrown inside the codec only; the public functions turn it into an error text.
struct CodecFailure
{
    QString message;
};

// ---------------------------------------------------------------------------------------------
// Writing

class Writer
{
public:
    QString path;

    QJsonValue date(const QDateTime &d, const QString &key) const
    {
        if (!d.isValid())
            fail(key, QStringLiteral("invalid date"));
        if (!isDocumentDate(d))
            fail(key, QStringLiteral("date outside the years 1 to 9999"));
        return formatDocumentDate(d);
    }
    QJsonValue number(double v, const QString &key) const
    {
        if (!std::isfinite(v))
            fail(key, QStringLiteral("number is not finite"));
        return v;
    }
    static QJsonValue integer(qint64 v) { return QJsonValue(v); }
    static QJsonValue uuid(const QUuid &u) { return u.toString(QUuid::WithoutBraces).toUpper(); }

    [[noreturn]] void fail(const QString &key, const QString &what) const
    {
        throw CodecFailure {joined(key) + QStringLiteral(": ") + what};
    }
    QString joined(const QString &key) const
    {
        if (path.isEmpty())
            return key;
        return key.startsWith(QLatin1Char('[')) ? path + key : path + QLatin1Char('.') + key;
    }

    // Runs `f` with `key` appended to the path.
    template<typename F> auto nested(const QString &key, F &&f)
    {
        const QString saved = path;
        path = joined(key);
        auto result = f();
        path = saved;
        return result;
    }

    QJsonObject startWindow(const StartWindow &w)
    {
        QJsonObject o;
        o.insert(QStringLiteral("openSeconds"), integer(w.openSeconds));
        o.insert(QStringLiteral("closeSeconds"), integer(w.closeSeconds));
        return o;
    }

    template<typename T, typename F>
    QJsonObject stageMap(const StageMap<T> &map, const QString &key, F &&encodeValue)
    {
        return nested(key, [&] {
            QJsonObject o;
            for (auto it = map.constBegin(); it != map.constEnd(); ++it)
                o.insert(it.key(), encodeValue(it.value(), it.key()));
            return o;
        });
    }

    QJsonObject control(const CourseControl &c)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(c.id));
        o.insert(QStringLiteral("code"), integer(c.code));
        o.insert(QStringLiteral("order"), integer(c.order));
        if (c.score)
            o.insert(QStringLiteral("score"), integer(*c.score));
        return o;
    }

    QJsonObject course(const Course &c)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), c.id);
        o.insert(QStringLiteral("name"), c.name);
        if (c.courseFamily)
            o.insert(QStringLiteral("courseFamily"), *c.courseFamily);
        QJsonArray controls;
        for (const CourseControl &cc : c.controls)
            controls.append(control(cc));
        o.insert(QStringLiteral("controls"), controls);
        if (c.stageId)
            o.insert(QStringLiteral("stageId"), *c.stageId);
        if (c.type)
            o.insert(QStringLiteral("type"), toText(*c.type));
        if (c.timeLimitSeconds)
            o.insert(QStringLiteral("timeLimitSeconds"),
                number(*c.timeLimitSeconds, QStringLiteral("timeLimitSeconds")));
        if (c.overtimePenaltyPerMinute)
            o.insert(QStringLiteral("overtimePenaltyPerMinute"), integer(*c.overtimePenaltyPerMinute));
        if (c.lengthMeters)
            o.insert(QStringLiteral("lengthMeters"), number(*c.lengthMeters, QStringLiteral("lengthMeters")));
        return o;
    }

    QJsonObject raceClass(const RaceClass &c)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), c.id);
        o.insert(QStringLiteral("name"), c.name);
        if (c.courseId)
            o.insert(QStringLiteral("courseId"), *c.courseId);
        if (c.courseFamily)
            o.insert(QStringLiteral("courseFamily"), *c.courseFamily);
        if (c.courseIds)
            o.insert(QStringLiteral("courseIds"), QJsonArray::fromStringList(*c.courseIds));
        if (c.mode)
            o.insert(QStringLiteral("mode"), toText(*c.mode));
        if (c.lastUsedStartTimeSeconds)
            o.insert(QStringLiteral("lastUsedStartTimeSeconds"), integer(*c.lastUsedStartTimeSeconds));
        if (c.lastUsedIntervalSeconds)
            o.insert(QStringLiteral("lastUsedIntervalSeconds"),
                number(*c.lastUsedIntervalSeconds, QStringLiteral("lastUsedIntervalSeconds")));
        if (c.startMethod)
            o.insert(QStringLiteral("startMethod"), toText(*c.startMethod));
        if (c.startWindow)
            o.insert(QStringLiteral("startWindow"), startWindow(*c.startWindow));
        if (c.stageCourseIds)
            o.insert(QStringLiteral("stageCourseIds"),
                stageMap(*c.stageCourseIds, QStringLiteral("stageCourseIds"),
                    [](const QString &v, const QString &) { return QJsonValue(v); }));
        if (c.stageStartMethods)
            o.insert(QStringLiteral("stageStartMethods"),
                stageMap(*c.stageStartMethods, QStringLiteral("stageStartMethods"),
                    [](StartMethod v, const QString &) { return QJsonValue(toText(v)); }));
        if (c.stageStartWindows)
            o.insert(QStringLiteral("stageStartWindows"),
                stageMap(*c.stageStartWindows, QStringLiteral("stageStartWindows"),
                    [this](const StartWindow &w, const QString &) { return QJsonValue(startWindow(w)); }));
        return o;
    }

    QJsonObject stage(const Stage &s)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), s.id);
        o.insert(QStringLiteral("name"), s.name);
        o.insert(QStringLiteral("date"), date(s.date, QStringLiteral("date")));
        o.insert(QStringLiteral("order"), integer(s.order));
        return o;
    }

    QJsonObject participant(const Participant &p)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(p.id));
        o.insert(QStringLiteral("givenName"), p.givenName);
        o.insert(QStringLiteral("familyName"), p.familyName);
        o.insert(QStringLiteral("cardNumber"), p.cardNumber);
        if (p.isRentalCard)
            o.insert(QStringLiteral("isRentalCard"), *p.isRentalCard);
        if (p.club)
            o.insert(QStringLiteral("club"), *p.club);
        if (p.classId)
            o.insert(QStringLiteral("classId"), *p.classId);
        if (p.courseId)
            o.insert(QStringLiteral("courseId"), *p.courseId);
        auto text = [](const QString &v, const QString &) { return QJsonValue(v); };
        if (p.classIdByStage)
            o.insert(QStringLiteral("classIdByStage"),
                stageMap(*p.classIdByStage, QStringLiteral("classIdByStage"), text));
        if (p.courseIdByStage)
            o.insert(QStringLiteral("courseIdByStage"),
                stageMap(*p.courseIdByStage, QStringLiteral("courseIdByStage"), text));
        if (p.startTime)
            o.insert(QStringLiteral("startTime"), date(*p.startTime, QStringLiteral("startTime")));
        if (p.startTimeByStage)
            o.insert(QStringLiteral("startTimeByStage"),
                stageMap(*p.startTimeByStage, QStringLiteral("startTimeByStage"),
                    [this](const QDateTime &d, const QString &k) { return date(d, k); }));
        if (p.startTimePreference)
            o.insert(QStringLiteral("startTimePreference"), toText(*p.startTimePreference));
        if (p.startTimePreferenceByStage)
            o.insert(QStringLiteral("startTimePreferenceByStage"),
                stageMap(*p.startTimePreferenceByStage, QStringLiteral("startTimePreferenceByStage"),
                    [](StartTimePreference v, const QString &) { return QJsonValue(toText(v)); }));
        if (p.status)
            o.insert(QStringLiteral("status"), toText(*p.status));
        if (p.statusByStage)
            o.insert(QStringLiteral("statusByStage"),
                stageMap(*p.statusByStage, QStringLiteral("statusByStage"),
                    [](ParticipantStatus v, const QString &) { return QJsonValue(toText(v)); }));
        if (p.checkedInAt)
            o.insert(QStringLiteral("checkedInAt"), date(*p.checkedInAt, QStringLiteral("checkedInAt")));
        if (p.externalId)
            o.insert(QStringLiteral("externalId"), *p.externalId);
        if (p.pendingCardNumber)
            o.insert(QStringLiteral("pendingCardNumber"), *p.pendingCardNumber);
        return o;
    }

    QJsonObject split(const SplitTime &s)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(s.id));
        o.insert(QStringLiteral("controlCode"), integer(s.controlCode));
        o.insert(QStringLiteral("time"), date(s.time, QStringLiteral("time")));
        o.insert(QStringLiteral("status"), toText(s.status));
        if (s.elapsedFromStart)
            o.insert(QStringLiteral("elapsedFromStart"),
                number(*s.elapsedFromStart, QStringLiteral("elapsedFromStart")));
        if (s.legTime)
            o.insert(QStringLiteral("legTime"), number(*s.legTime, QStringLiteral("legTime")));
        if (s.score)
            o.insert(QStringLiteral("score"), integer(*s.score));
        return o;
    }

    QJsonObject punch(const SIPunch &p)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(p.id));
        o.insert(QStringLiteral("controlCode"), integer(p.controlCode));
        o.insert(QStringLiteral("time"), date(p.time, QStringLiteral("time")));
        o.insert(QStringLiteral("timeAvailable"), p.timeAvailable);
        return o;
    }

    template<typename T, typename F> QJsonArray array(const QList<T> &list, const QString &key, F &&encodeOne)
    {
        return nested(key, [&] {
            QJsonArray a;
            for (qsizetype i = 0; i < list.size(); ++i)
                a.append(nested(QStringLiteral("[%1]").arg(i), [&] { return encodeOne(list[i]); }));
            return a;
        });
    }

    QJsonObject result(const PersonResult &r)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(r.id));
        o.insert(QStringLiteral("participantId"), uuid(r.participantId));
        if (r.courseId)
            o.insert(QStringLiteral("courseId"), *r.courseId);
        o.insert(QStringLiteral("cardNumber"), r.cardNumber);
        o.insert(QStringLiteral("splits"),
            array(r.splits, QStringLiteral("splits"), [this](const SplitTime &s) { return split(s); }));
        o.insert(QStringLiteral("readAt"), date(r.readAt, QStringLiteral("readAt")));
        if (r.startTime)
            o.insert(QStringLiteral("startTime"), date(*r.startTime, QStringLiteral("startTime")));
        if (r.finishTime)
            o.insert(QStringLiteral("finishTime"), date(*r.finishTime, QStringLiteral("finishTime")));
        if (r.raceTime)
            o.insert(QStringLiteral("raceTime"), number(*r.raceTime, QStringLiteral("raceTime")));
        o.insert(QStringLiteral("completed"), r.completed);
        if (r.punches)
            o.insert(QStringLiteral("punches"),
                array(*r.punches, QStringLiteral("punches"), [this](const SIPunch &p) { return punch(p); }));
        if (r.cardStartTime)
            o.insert(
                QStringLiteral("cardStartTime"), date(*r.cardStartTime, QStringLiteral("cardStartTime")));
        o.insert(QStringLiteral("courseAutoMatched"), r.courseAutoMatched);
        if (r.stageId)
            o.insert(QStringLiteral("stageId"), *r.stageId);
        if (r.score)
            o.insert(QStringLiteral("score"), integer(*r.score));
        if (r.overtimePenalty)
            o.insert(QStringLiteral("overtimePenalty"), integer(*r.overtimePenalty));
        if (r.withinTimeLimit)
            o.insert(QStringLiteral("withinTimeLimit"), *r.withinTimeLimit);
        if (r.completedOverride)
            o.insert(QStringLiteral("completedOverride"), *r.completedOverride);
        if (r.overrideNote)
            o.insert(QStringLiteral("overrideNote"), *r.overrideNote);
        return o;
    }

    QJsonObject unknownCard(const UnknownCard &c)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), uuid(c.id));
        o.insert(QStringLiteral("cardNumber"), c.cardNumber);
        o.insert(QStringLiteral("punches"),
            array(c.punches, QStringLiteral("punches"), [this](const SIPunch &p) { return punch(p); }));
        if (c.checkPunchTime)
            o.insert(
                QStringLiteral("checkPunchTime"), date(*c.checkPunchTime, QStringLiteral("checkPunchTime")));
        if (c.startPunchTime)
            o.insert(
                QStringLiteral("startPunchTime"), date(*c.startPunchTime, QStringLiteral("startPunchTime")));
        if (c.finishPunchTime)
            o.insert(QStringLiteral("finishPunchTime"),
                date(*c.finishPunchTime, QStringLiteral("finishPunchTime")));
        o.insert(QStringLiteral("readAt"), date(c.readAt, QStringLiteral("readAt")));
        if (c.stageId)
            o.insert(QStringLiteral("stageId"), *c.stageId);
        return o;
    }

    QJsonObject race(const Race &r)
    {
        QJsonObject o;
        o.insert(QStringLiteral("name"), r.name);
        if (r.date)
            o.insert(QStringLiteral("date"), date(*r.date, QStringLiteral("date")));
        if (r.vexloWebEventId)
            o.insert(QStringLiteral("vexloWebEventId"), *r.vexloWebEventId);
        if (r.vexloWebChecklistKey)
            o.insert(QStringLiteral("vexloWebChecklistKey"), *r.vexloWebChecklistKey);
        o.insert(QStringLiteral("courses"),
            array(r.courses, QStringLiteral("courses"), [this](const Course &c) { return course(c); }));
        o.insert(QStringLiteral("classes"),
            array(r.classes, QStringLiteral("classes"), [this](const RaceClass &c) { return raceClass(c); }));
        o.insert(QStringLiteral("participants"),
            array(r.participants, QStringLiteral("participants"),
                [this](const Participant &p) { return participant(p); }));
        o.insert(QStringLiteral("results"),
            array(r.results, QStringLiteral("results"), [this](const PersonResult &p) { return result(p); }));
        o.insert(QStringLiteral("stages"),
            array(r.stages, QStringLiteral("stages"), [this](const Stage &s) { return stage(s); }));
        if (r.activeStageId)
            o.insert(QStringLiteral("activeStageId"), *r.activeStageId);
        if (r.multiStageEnabled)
            o.insert(QStringLiteral("multiStageEnabled"), *r.multiStageEnabled);
        if (r.defaultStartWindow)
            o.insert(QStringLiteral("defaultStartWindow"), startWindow(*r.defaultStartWindow));
        if (r.journalEventId)
            o.insert(QStringLiteral("journalEventId"), uuid(*r.journalEventId));
        if (r.journalThrough)
            o.insert(QStringLiteral("journalThrough"), integer(*r.journalThrough));
        if (r.stageDefaultStartWindows)
            o.insert(QStringLiteral("stageDefaultStartWindows"),
                stageMap(*r.stageDefaultStartWindows, QStringLiteral("stageDefaultStartWindows"),
                    [this](const StartWindow &w, const QString &) { return QJsonValue(startWindow(w)); }));
        if (r.unknownCards)
            o.insert(QStringLiteral("unknownCards"),
                array(*r.unknownCards, QStringLiteral("unknownCards"),
                    [this](const UnknownCard &c) { return unknownCard(c); }));
        return o;
    }
};

// ---------------------------------------------------------------------------------------------
// Reading

class Reader
{
public:
    QString path;

    [[noreturn]] void fail(const QString &key, const QString &what) const
    {
        throw CodecFailure {joined(key) + QStringLiteral(": ") + what};
    }
    QString joined(const QString &key) const
    {
        if (path.isEmpty())
            return key;
        return key.startsWith(QLatin1Char('[')) ? path + key : path + QLatin1Char('.') + key;
    }
    template<typename F> auto nested(const QString &key, F &&f)
    {
        const QString saved = path;
        path = joined(key);
        auto result = f();
        path = saved;
        return result;
    }

    static bool present(const QJsonObject &o, const QString &key)
    {
        const auto it = o.constFind(key);
        return it != o.constEnd() && !it->isNull() && !it->isUndefined();
    }
    QJsonValue required(const QJsonObject &o, const QString &key) const
    {
        if (!present(o, key))
            fail(key,
                o.contains(key) ? QStringLiteral("required value is null")
                                : QStringLiteral("required key is missing"));
        return o.value(key);
    }

    QString text(const QJsonValue &v, const QString &key) const
    {
        if (!v.isString())
            fail(key, QStringLiteral("expected a string"));
        return v.toString();
    }
    bool flag(const QJsonValue &v, const QString &key) const
    {
        if (!v.isBool())
            fail(key, QStringLiteral("expected true or false"));
        return v.toBool();
    }
    double number(const QJsonValue &v, const QString &key) const
    {
        if (!v.isDouble())
            fail(key, QStringLiteral("expected a number"));
        return v.toDouble();
    }
    qint64 integer(const QJsonValue &v, const QString &key) const
    {
        const double d = number(v, key);
        // The parser keeps integer literals that fit in 64 bits exactly; take those as they are,
        // so every integer the writer puts out reads back (the ones near 2^63 round up to 2^63
        // as doubles and would fail the range check below).
        if (v.toVariant().typeId() == QMetaType::LongLong)
            return v.toInteger();
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        if (!std::isfinite(d) || std::floor(d) != d || d < -9223372036854775808.0
            || d >= 9223372036854775808.0)
            fail(key, QStringLiteral("expected an integer"));
        return qint64(d);
    }
    QUuid uuid(const QJsonValue &v, const QString &key) const
    {
        static const QRegularExpression form(QStringLiteral(
            "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
        const QString t = text(v, key);
        if (!form.match(t).hasMatch())
            fail(key, QStringLiteral("malformed UUID \"%1\"").arg(t.left(64)));
        return QUuid(t);
    }
    QDateTime date(const QJsonValue &v, const QString &key) const
    {
        const QString t = text(v, key);
        auto d = parseDocumentDate(t);
        if (!d)
            fail(key, QStringLiteral("malformed date \"%1\"").arg(t.left(64)));
        return *d;
    }
    template<typename E>
    E enumeration(const QJsonValue &v, const QString &key, std::optional<E> (*parse)(const QString &)) const
    {
        const QString t = text(v, key);
        auto e = parse(t);
        if (!e)
            fail(key, QStringLiteral("unknown value \"%1\"").arg(t.left(64)));
        return *e;
    }
    QJsonObject object(const QJsonValue &v, const QString &key) const
    {
        if (!v.isObject())
            fail(key, QStringLiteral("expected an object"));
        return v.toObject();
    }
    QJsonArray array(const QJsonValue &v, const QString &key) const
    {
        if (!v.isArray())
            fail(key, QStringLiteral("expected an array"));
        return v.toArray();
    }

    // Optional-field helpers: a missing or null key is absent.
    template<typename F>
    auto opt(const QJsonObject &o, const QString &key, F &&read)
        -> std::optional<decltype(read(QJsonValue(), key))>
    {
        if (!present(o, key))
            return std::nullopt;
        return read(o.value(key), key);
    }

    template<typename T, typename F> QList<T> list(const QJsonValue &v, const QString &key, F &&readOne)
    {
        const QJsonArray a = array(v, key);
        return nested(key, [&] {
            QList<T> out;
            out.reserve(a.size());
            for (qsizetype i = 0; i < a.size(); ++i) {
                const QString index = QStringLiteral("[%1]").arg(i);
                out.append(nested(index, [&] { return readOne(a.at(i), index); }));
            }
            return out;
        });
    }

    template<typename T, typename F>
    StageMap<T> stageMap(const QJsonValue &v, const QString &key, F &&readOne)
    {
        const QJsonObject o = object(v, key);
        return nested(key, [&] {
            StageMap<T> out;
            for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
                if (it->isNull())
                    fail(it.key(), QStringLiteral("value is null"));
                out.insert(it.key(), readOne(it.value(), it.key()));
            }
            return out;
        });
    }

    StartWindow startWindow(const QJsonValue &v, const QString &key)
    {
        const QJsonObject o = object(v, key);
        return nested(key, [&] {
            StartWindow w;
            w.openSeconds
                = integer(required(o, QStringLiteral("openSeconds")), QStringLiteral("openSeconds"));
            w.closeSeconds
                = integer(required(o, QStringLiteral("closeSeconds")), QStringLiteral("closeSeconds"));
            return w;
        });
    }

    auto textReader()
    {
        return [this](const QJsonValue &v, const QString &k) { return text(v, k); };
    }
    auto windowReader()
    {
        return [this](const QJsonValue &v, const QString &k) { return startWindow(v, k); };
    }

    CourseControl control(const QJsonObject &o)
    {
        CourseControl c;
        c.id = uuid(required(o, QStringLiteral("id")), QStringLiteral("id"));
        c.code = integer(required(o, QStringLiteral("code")), QStringLiteral("code"));
        c.order = integer(required(o, QStringLiteral("order")), QStringLiteral("order"));
        c.score = opt(o, QStringLiteral("score"),
            [this](const QJsonValue &v, const QString &k) { return integer(v, k); });
        return c;
    }

    Course course(const QJsonObject &o)
    {
        Course c;
        c.id = text(required(o, QStringLiteral("id")), QStringLiteral("id"));
        c.name = text(required(o, QStringLiteral("name")), QStringLiteral("name"));
        c.courseFamily = opt(o, QStringLiteral("courseFamily"), textReader());
        c.controls = list<CourseControl>(required(o, QStringLiteral("controls")), QStringLiteral("controls"),
            [this](const QJsonValue &v, const QString &k) { return control(object(v, k)); });
        c.stageId = opt(o, QStringLiteral("stageId"), textReader());
        c.type = opt(o, QStringLiteral("type"),
            [this](const QJsonValue &v, const QString &k) { return enumeration(v, k, courseTypeFromText); });
        c.timeLimitSeconds = opt(o, QStringLiteral("timeLimitSeconds"),
            [this](const QJsonValue &v, const QString &k) { return number(v, k); });
        c.overtimePenaltyPerMinute = opt(o, QStringLiteral("overtimePenaltyPerMinute"),
            [this](const QJsonValue &v, const QString &k) { return integer(v, k); });
        c.lengthMeters = opt(o, QStringLiteral("lengthMeters"),
            [this](const QJsonValue &v, const QString &k) { return number(v, k); });
        return c;
    }

    RaceClass raceClass(const QJsonObject &o)
    {
        RaceClass c;
        c.id = text(required(o, QStringLiteral("id")), QStringLiteral("id"));
        c.name = text(required(o, QStringLiteral("name")), QStringLiteral("name"));
        c.courseId = opt(o, QStringLiteral("courseId"), textReader());
        c.courseFamily = opt(o, QStringLiteral("courseFamily"), textReader());
        c.courseIds = opt(o, QStringLiteral("courseIds"),
            [this](const QJsonValue &v, const QString &k) { return list<QString>(v, k, textReader()); });
        c.mode = opt(o, QStringLiteral("mode"), [this](const QJsonValue &v, const QString &k) {
            return enumeration(v, k, raceClassModeFromText);
        });
        c.lastUsedStartTimeSeconds = opt(o, QStringLiteral("lastUsedStartTimeSeconds"),
            [this](const QJsonValue &v, const QString &k) { return integer(v, k); });
        c.lastUsedIntervalSeconds = opt(o, QStringLiteral("lastUsedIntervalSeconds"),
            [this](const QJsonValue &v, const QString &k) { return number(v, k); });
        auto method = [this](const QJsonValue &v, const QString &k) {
            return enumeration(v, k, startMethodFromText);
        };
        c.startMethod = opt(o, QStringLiteral("startMethod"), method);
        c.startWindow = opt(o, QStringLiteral("startWindow"), windowReader());
        c.stageCourseIds = opt(o, QStringLiteral("stageCourseIds"),
            [this](const QJsonValue &v, const QString &k) { return stageMap<QString>(v, k, textReader()); });
        c.stageStartMethods = opt(o, QStringLiteral("stageStartMethods"),
            [&](const QJsonValue &v, const QString &k) { return stageMap<StartMethod>(v, k, method); });
        c.stageStartWindows
            = opt(o, QStringLiteral("stageStartWindows"), [this](const QJsonValue &v, const QString &k) {
                  return stageMap<StartWindow>(v, k, windowReader());
              });
        return c;
    }

    Stage stage(const QJsonObject &o)
    {
        Stage s;
        s.id = text(required(o, QStringLiteral("id")), QStringLiteral("id"));
        s.name = text(required(o, QStringLiteral("name")), QStringLiteral("name"));
        s.date = date(required(o, QStringLiteral("date")), QStringLiteral("date"));
        s.order = integer(required(o, QStringLiteral("order")), QStringLiteral("order"));
        return s;
    }

    Participant participant(const QJsonObject &o)
    {
        Participant p;
        auto dateReader = [this](const QJsonValue &v, const QString &k) { return date(v, k); };
        auto preference = [this](const QJsonValue &v, const QString &k) {
            return enumeration(v, k, startTimePreferenceFromText);
        };
        p.id = uuid(required(o, QStringLiteral("id")), QStringLiteral("id"));
        p.givenName = text(required(o, QStringLiteral("givenName")), QStringLiteral("givenName"));
        p.familyName = text(required(o, QStringLiteral("familyName")), QStringLiteral("familyName"));
        p.cardNumber = text(required(o, QStringLiteral("cardNumber")), QStringLiteral("cardNumber"));
        p.isRentalCard = opt(o, QStringLiteral("isRentalCard"),
            [this](const QJsonValue &v, const QString &k) { return flag(v, k); });
        p.club = opt(o, QStringLiteral("club"), textReader());
        p.classId = opt(o, QStringLiteral("classId"), textReader());
        p.courseId = opt(o, QStringLiteral("courseId"), textReader());
        p.classIdByStage = opt(o, QStringLiteral("classIdByStage"),
            [this](const QJsonValue &v, const QString &k) { return stageMap<QString>(v, k, textReader()); });
        p.courseIdByStage = opt(o, QStringLiteral("courseIdByStage"),
            [this](const QJsonValue &v, const QString &k) { return stageMap<QString>(v, k, textReader()); });
        p.startTime = opt(o, QStringLiteral("startTime"), dateReader);
        p.startTimeByStage = opt(o, QStringLiteral("startTimeByStage"),
            [&](const QJsonValue &v, const QString &k) { return stageMap<QDateTime>(v, k, dateReader); });
        p.startTimePreference = opt(o, QStringLiteral("startTimePreference"), preference);
        p.startTimePreferenceByStage = opt(
            o, QStringLiteral("startTimePreferenceByStage"), [&](const QJsonValue &v, const QString &k) {
                return stageMap<StartTimePreference>(v, k, preference);
            });
        p.status = opt(o, QStringLiteral("status"), [this](const QJsonValue &v, const QString &k) {
            return enumeration(v, k, participantStatusFromText);
        });
        p.statusByStage
            = opt(o, QStringLiteral("statusByStage"), [this](const QJsonValue &v, const QString &k) {
                  return stageMap<ParticipantStatus>(v, k, [this](const QJsonValue &e, const QString &ek) {
                      return enumeration(e, ek, participantStatusFromText);
                  });
              });
        p.checkedInAt = opt(o, QStringLiteral("checkedInAt"), dateReader);
        p.externalId = opt(o, QStringLiteral("externalId"), textReader());
        p.pendingCardNumber = opt(o, QStringLiteral("pendingCardNumber"), textReader());
        return p;
    }

    SplitTime split(const QJsonObject &o)
    {
        SplitTime s;
        auto num = [this](const QJsonValue &v, const QString &k) { return number(v, k); };
        s.id = uuid(required(o, QStringLiteral("id")), QStringLiteral("id"));
        s.controlCode = integer(required(o, QStringLiteral("controlCode")), QStringLiteral("controlCode"));
        s.time = date(required(o, QStringLiteral("time")), QStringLiteral("time"));
        s.status = enumeration(
            required(o, QStringLiteral("status")), QStringLiteral("status"), splitStatusFromText);
        s.elapsedFromStart = opt(o, QStringLiteral("elapsedFromStart"), num);
        s.legTime = opt(o, QStringLiteral("legTime"), num);
        s.score = opt(o, QStringLiteral("score"),
            [this](const QJsonValue &v, const QString &k) { return integer(v, k); });
        return s;
    }

    SIPunch punch(const QJsonObject &o)
    {
        SIPunch p;
        if (present(o, QStringLiteral("id")))
            p.id = uuid(o.value(QStringLiteral("id")), QStringLiteral("id"));
        p.controlCode = integer(required(o, QStringLiteral("controlCode")), QStringLiteral("controlCode"));
        p.time = date(required(o, QStringLiteral("time")), QStringLiteral("time"));
        if (present(o, QStringLiteral("timeAvailable")))
            p.timeAvailable = flag(o.value(QStringLiteral("timeAvailable")), QStringLiteral("timeAvailable"));
        return p;
    }

    PersonResult result(const QJsonObject &o)
    {
        PersonResult r;
        auto dateReader = [this](const QJsonValue &v, const QString &k) { return date(v, k); };
        auto flagReader = [this](const QJsonValue &v, const QString &k) { return flag(v, k); };
        auto intReader = [this](const QJsonValue &v, const QString &k) { return integer(v, k); };
        r.id = uuid(required(o, QStringLiteral("id")), QStringLiteral("id"));
        r.participantId = uuid(required(o, QStringLiteral("participantId")), QStringLiteral("participantId"));
        r.courseId = opt(o, QStringLiteral("courseId"), textReader());
        r.cardNumber = text(required(o, QStringLiteral("cardNumber")), QStringLiteral("cardNumber"));
        r.splits = list<SplitTime>(required(o, QStringLiteral("splits")), QStringLiteral("splits"),
            [this](const QJsonValue &v, const QString &k) { return split(object(v, k)); });
        r.readAt = date(required(o, QStringLiteral("readAt")), QStringLiteral("readAt"));
        r.startTime = opt(o, QStringLiteral("startTime"), dateReader);
        r.finishTime = opt(o, QStringLiteral("finishTime"), dateReader);
        r.raceTime = opt(o, QStringLiteral("raceTime"),
            [this](const QJsonValue &v, const QString &k) { return number(v, k); });
        r.completed = flag(required(o, QStringLiteral("completed")), QStringLiteral("completed"));
        r.punches = opt(o, QStringLiteral("punches"), [this](const QJsonValue &v, const QString &k) {
            return list<SIPunch>(
                v, k, [this](const QJsonValue &pv, const QString &pk) { return punch(object(pv, pk)); });
        });
        r.cardStartTime = opt(o, QStringLiteral("cardStartTime"), dateReader);
        r.courseAutoMatched
            = flag(required(o, QStringLiteral("courseAutoMatched")), QStringLiteral("courseAutoMatched"));
        r.stageId = opt(o, QStringLiteral("stageId"), textReader());
        r.score = opt(o, QStringLiteral("score"), intReader);
        r.overtimePenalty = opt(o, QStringLiteral("overtimePenalty"), intReader);
        r.withinTimeLimit = opt(o, QStringLiteral("withinTimeLimit"), flagReader);
        r.completedOverride = opt(o, QStringLiteral("completedOverride"), flagReader);
        r.overrideNote = opt(o, QStringLiteral("overrideNote"), textReader());
        return r;
    }

    UnknownCard unknownCard(const QJsonObject &o)
    {
        UnknownCard c;
        auto dateReader = [this](const QJsonValue &v, const QString &k) { return date(v, k); };
        c.id = uuid(required(o, QStringLiteral("id")), QStringLiteral("id"));
        c.cardNumber = text(required(o, QStringLiteral("cardNumber")), QStringLiteral("cardNumber"));
        c.punches = list<SIPunch>(required(o, QStringLiteral("punches")), QStringLiteral("punches"),
            [this](const QJsonValue &v, const QString &k) { return punch(object(v, k)); });
        c.checkPunchTime = opt(o, QStringLiteral("checkPunchTime"), dateReader);
        c.startPunchTime = opt(o, QStringLiteral("startPunchTime"), dateReader);
        c.finishPunchTime = opt(o, QStringLiteral("finishPunchTime"), dateReader);
        c.readAt = date(required(o, QStringLiteral("readAt")), QStringLiteral("readAt"));
        c.stageId = opt(o, QStringLiteral("stageId"), textReader());
        return c;
    }

    Race race(const QJsonObject &o)
    {
        Race r;
        auto objectList = [this](const QJsonObject &from, const QString &key, auto readOne) {
            using T = decltype(readOne(QJsonObject()));
            return list<T>(required(from, key), key,
                [&](const QJsonValue &v, const QString &k) { return readOne(object(v, k)); });
        };
        r.name = text(required(o, QStringLiteral("name")), QStringLiteral("name"));
        r.date = opt(
            o, QStringLiteral("date"), [this](const QJsonValue &v, const QString &k) { return date(v, k); });
        r.vexloWebEventId = opt(o, QStringLiteral("vexloWebEventId"), textReader());
        r.vexloWebChecklistKey = opt(o, QStringLiteral("vexloWebChecklistKey"), textReader());
        r.courses
            = objectList(o, QStringLiteral("courses"), [this](const QJsonObject &c) { return course(c); });
        r.classes
            = objectList(o, QStringLiteral("classes"), [this](const QJsonObject &c) { return raceClass(c); });
        r.participants = objectList(
            o, QStringLiteral("participants"), [this](const QJsonObject &c) { return participant(c); });
        r.results
            = objectList(o, QStringLiteral("results"), [this](const QJsonObject &c) { return result(c); });
        r.stages = objectList(o, QStringLiteral("stages"), [this](const QJsonObject &c) { return stage(c); });
        r.activeStageId = opt(o, QStringLiteral("activeStageId"), textReader());
        r.multiStageEnabled = opt(o, QStringLiteral("multiStageEnabled"),
            [this](const QJsonValue &v, const QString &k) { return flag(v, k); });
        r.defaultStartWindow = opt(o, QStringLiteral("defaultStartWindow"), windowReader());
        r.journalEventId = opt(o, QStringLiteral("journalEventId"),
            [this](const QJsonValue &v, const QString &k) { return uuid(v, k); });
        r.journalThrough = opt(o, QStringLiteral("journalThrough"),
            [this](const QJsonValue &v, const QString &k) { return integer(v, k); });
        r.stageDefaultStartWindows = opt(
            o, QStringLiteral("stageDefaultStartWindows"), [this](const QJsonValue &v, const QString &k) {
                return stageMap<StartWindow>(v, k, windowReader());
            });
        r.unknownCards = opt(
            o, QStringLiteral("unknownCards"), [this](const QJsonValue &v, const QString &k) {
                return list<UnknownCard>(v, k,
                    [this](const QJsonValue &cv, const QString &ck) { return unknownCard(object(cv, ck)); });
            });
        return r;
    }
};

template<typename F> auto guarded(QString *error, F &&f) -> std::optional<decltype(f())>
{
    try {
        return f();
    } catch (const CodecFailure &failure) {
        if (error)
            *error = failure.message;
        return std::nullopt;
    }
}

} // namespace

std::optional<QJsonObject> raceToJsonObject(const Race &race, QString *error)
{
    return guarded(error, [&] { return Writer().race(race); });
}

std::optional<Race> raceFromJsonObject(const QJsonObject &object, QString *error)
{
    return guarded(error, [&] { return Reader().race(object); });
}

std::optional<QJsonObject> personResultToJsonObject(const PersonResult &result, QString *error)
{
    return guarded(error, [&] { return Writer().result(result); });
}

std::optional<PersonResult> personResultFromJsonObject(const QJsonObject &object, QString *error)
{
    return guarded(error, [&] { return Reader().result(object); });
}
