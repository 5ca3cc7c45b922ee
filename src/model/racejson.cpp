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
        if (r.stageDefaultStartWindows)
            o.insert(QStringLiteral("stageDefaultStartWindows"),
                stageMap(*r.stageDefaultStartWindows, QStringLiteral("stageDefaultStartWindows"),
                    [this](const StartWindow &w, const QString &) { return QJsonValue(startWindow(w)); }));
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
        r.stageDefaultStartWindows = opt(
            o, QStringLiteral("stageDefaultStartWindows"), [this](const QJsonValue &v, const QString &k) {
                return stageMap<StartWindow>(v, k, windowReader());
            });
        return r;
    }
};

std::optional<QJsonObject> parseTopObject(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("not JSON: %1 at offset %2")
                         .arg(parseError.errorString())
                         .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("the top-level value is not an object");
        return std::nullopt;
    }
    return doc.object();
}

QByteArray serialise(const QJsonObject &o, JsonLayout layout)
{
    // QJsonObject keeps its keys sorted, so the indented form is also the sorted-keys form.
    return QJsonDocument(o).toJson(
        layout == JsonLayout::Compact ? QJsonDocument::Compact : QJsonDocument::Indented);
}

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

// ---------------------------------------------------------------------------------------------
// Direct text writing
//
// The autosave writes the whole event after every card read, so encoding writes the JSON text
// straight into one buffer instead of building a QJsonObject tree first. The bytes are exactly
// those QJsonDocument writes for the object form above (same key order, escaping, number and
// layout rules); the tests compare the two byte for byte. On any failure the object writer is run
// to produce the error, so error texts come from one place only.

struct TextFailure
{ };

template<bool Pretty> class TextWriter
{
public:
    explicit TextWriter(qsizetype sizeHint) { grow(std::max<qsizetype>(sizeHint, 4096)); }

    QByteArray finish()
    {
        if constexpr (Pretty)
            put('\n');
        m_buffer.truncate(m_cursor - m_buffer.data());
        // Large documents are kept around (sync snapshots); do not hold on to much spare room.
        if (m_buffer.capacity() - m_buffer.size() > m_buffer.size() / 4)
            m_buffer.squeeze();
        return std::move(m_buffer);
    }

    void race(const Race &r)
    {
        open('{');
        if (r.activeStageId)
            member("activeStageId"), string(*r.activeStageId);
        member("classes"), array(r.classes, [this](const RaceClass &c) { raceClass(c); });
        member("courses"), array(r.courses, [this](const Course &c) { course(c); });
        if (r.date)
            member("date"), date(*r.date);
        if (r.defaultStartWindow)
            member("defaultStartWindow"), startWindow(*r.defaultStartWindow);
        if (r.multiStageEnabled)
            member("multiStageEnabled"), boolean(*r.multiStageEnabled);
        member("name"), string(r.name);
        member("participants"), array(r.participants, [this](const Participant &p) { participant(p); });
        member("results"), array(r.results, [this](const PersonResult &p) { result(p); });
        if (r.stageDefaultStartWindows)
            member("stageDefaultStartWindows"),
                stageMap(*r.stageDefaultStartWindows, [this](const StartWindow &w) { startWindow(w); });
        member("stages"), array(r.stages, [this](const Stage &s) { stage(s); });
        if (r.vexloWebChecklistKey)
            member("vexloWebChecklistKey"), string(*r.vexloWebChecklistKey);
        if (r.vexloWebEventId)
            member("vexloWebEventId"), string(*r.vexloWebEventId);
        close('}');
    }

    void result(const PersonResult &r)
    {
        open('{');
        member("cardNumber"), string(r.cardNumber);
        if (r.cardStartTime)
            member("cardStartTime"), date(*r.cardStartTime);
        member("completed"), boolean(r.completed);
        if (r.completedOverride)
            member("completedOverride"), boolean(*r.completedOverride);
        member("courseAutoMatched"), boolean(r.courseAutoMatched);
        if (r.courseId)
            member("courseId"), string(*r.courseId);
        if (r.finishTime)
            member("finishTime"), date(*r.finishTime);
        member("id"), uuid(r.id);
        if (r.overrideNote)
            member("overrideNote"), string(*r.overrideNote);
        if (r.overtimePenalty)
            member("overtimePenalty"), integer(*r.overtimePenalty);
        member("participantId"), uuid(r.participantId);
        if (r.punches)
            member("punches"), array(*r.punches, [this](const SIPunch &p) { punch(p); });
        if (r.raceTime)
            member("raceTime"), number(*r.raceTime);
        member("readAt"), date(r.readAt);
        if (r.score)
            member("score"), integer(*r.score);
        member("splits"), array(r.splits, [this](const SplitTime &s) { split(s); });
        if (r.stageId)
            member("stageId"), string(*r.stageId);
        if (r.startTime)
            member("startTime"), date(*r.startTime);
        if (r.withinTimeLimit)
            member("withinTimeLimit"), boolean(*r.withinTimeLimit);
        close('}');
    }

private:
    // Keys are written in sorted order in both layouts, as QJsonObject keeps them.
    void course(const Course &c)
    {
        open('{');
        member("controls"), array(c.controls, [this](const CourseControl &cc) { control(cc); });
        if (c.courseFamily)
            member("courseFamily"), string(*c.courseFamily);
        member("id"), string(c.id);
        if (c.lengthMeters)
            member("lengthMeters"), number(*c.lengthMeters);
        member("name"), string(c.name);
        if (c.overtimePenaltyPerMinute)
            member("overtimePenaltyPerMinute"), integer(*c.overtimePenaltyPerMinute);
        if (c.stageId)
            member("stageId"), string(*c.stageId);
        if (c.timeLimitSeconds)
            member("timeLimitSeconds"), number(*c.timeLimitSeconds);
        if (c.type)
            member("type"), string(toText(*c.type));
        close('}');
    }

    void control(const CourseControl &c)
    {
        open('{');
        member("code"), integer(c.code);
        member("id"), uuid(c.id);
        member("order"), integer(c.order);
        if (c.score)
            member("score"), integer(*c.score);
        close('}');
    }

    void raceClass(const RaceClass &c)
    {
        open('{');
        if (c.courseFamily)
            member("courseFamily"), string(*c.courseFamily);
        if (c.courseId)
            member("courseId"), string(*c.courseId);
        if (c.courseIds)
            member("courseIds"), array(*c.courseIds, [this](const QString &s) { string(s); });
        member("id"), string(c.id);
        if (c.lastUsedIntervalSeconds)
            member("lastUsedIntervalSeconds"), number(*c.lastUsedIntervalSeconds);
        if (c.lastUsedStartTimeSeconds)
            member("lastUsedStartTimeSeconds"), integer(*c.lastUsedStartTimeSeconds);
        if (c.mode)
            member("mode"), string(toText(*c.mode));
        member("name"), string(c.name);
        if (c.stageCourseIds)
            member("stageCourseIds"), stageMap(*c.stageCourseIds, [this](const QString &s) { string(s); });
        if (c.stageStartMethods)
            member("stageStartMethods"),
                stageMap(*c.stageStartMethods, [this](StartMethod m) { string(toText(m)); });
        if (c.stageStartWindows)
            member("stageStartWindows"),
                stageMap(*c.stageStartWindows, [this](const StartWindow &w) { startWindow(w); });
        if (c.startMethod)
            member("startMethod"), string(toText(*c.startMethod));
        if (c.startWindow)
            member("startWindow"), startWindow(*c.startWindow);
        close('}');
    }

    void startWindow(const StartWindow &w)
    {
        open('{');
        member("closeSeconds"), integer(w.closeSeconds);
        member("openSeconds"), integer(w.openSeconds);
        close('}');
    }

    void stage(const Stage &s)
    {
        open('{');
        member("date"), date(s.date);
        member("id"), string(s.id);
        member("name"), string(s.name);
        member("order"), integer(s.order);
        close('}');
    }

    void participant(const Participant &p)
    {
        const auto text = [this](const QString &s) { string(s); };
        open('{');
        member("cardNumber"), string(p.cardNumber);
        if (p.checkedInAt)
            member("checkedInAt"), date(*p.checkedInAt);
        if (p.classId)
            member("classId"), string(*p.classId);
        if (p.classIdByStage)
            member("classIdByStage"), stageMap(*p.classIdByStage, text);
        if (p.club)
            member("club"), string(*p.club);
        if (p.courseId)
            member("courseId"), string(*p.courseId);
        if (p.courseIdByStage)
            member("courseIdByStage"), stageMap(*p.courseIdByStage, text);
        if (p.externalId)
            member("externalId"), string(*p.externalId);
        member("familyName"), string(p.familyName);
        member("givenName"), string(p.givenName);
        member("id"), uuid(p.id);
        if (p.isRentalCard)
            member("isRentalCard"), boolean(*p.isRentalCard);
        if (p.pendingCardNumber)
            member("pendingCardNumber"), string(*p.pendingCardNumber);
        if (p.startTime)
            member("startTime"), date(*p.startTime);
        if (p.startTimeByStage)
            member("startTimeByStage"),
                stageMap(*p.startTimeByStage, [this](const QDateTime &d) { date(d); });
        if (p.startTimePreference)
            member("startTimePreference"), string(toText(*p.startTimePreference));
        if (p.startTimePreferenceByStage)
            member("startTimePreferenceByStage"),
                stageMap(*p.startTimePreferenceByStage, [this](StartTimePreference v) { string(toText(v)); });
        if (p.status)
            member("status"), string(toText(*p.status));
        close('}');
    }

    void split(const SplitTime &s)
    {
        open('{');
        member("controlCode"), integer(s.controlCode);
        if (s.elapsedFromStart)
            member("elapsedFromStart"), number(*s.elapsedFromStart);
        member("id"), uuid(s.id);
        if (s.legTime)
            member("legTime"), number(*s.legTime);
        if (s.score)
            member("score"), integer(*s.score);
        member("status"), string(toText(s.status));
        member("time"), date(s.time);
        close('}');
    }

    void punch(const SIPunch &p)
    {
        open('{');
        member("controlCode"), integer(p.controlCode);
        member("id"), uuid(p.id);
        member("time"), date(p.time);
        member("timeAvailable"), boolean(p.timeAvailable);
        close('}');
    }

    template<typename T, typename F> void array(const QList<T> &list, F &&writeOne)
    {
        open('[');
        for (const T &item : list) {
            element();
            writeOne(item);
        }
        close(']');
    }

    // StageMap iterates in QString order, which is the order QJsonObject keeps its keys in
    // (UTF-16 code units), so the map can be written as it stands.
    template<typename T, typename F> void stageMap(const StageMap<T> &map, F &&writeOne)
    {
        open('{');
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            element();
            string(it.key());
            if constexpr (Pretty)
                put(": ", 2);
            else
                put(':');
            writeOne(it.value());
        }
        close('}');
    }

    // Layout. `m_level` is the nesting level of the container being filled; `m_filled` says
    // whether it already has a member (for the separator and, when pretty, the closing line).
    void open(char bracket)
    {
        put(bracket);
        if constexpr (Pretty)
            put('\n');
        ++m_level;
        Q_ASSERT(m_level < MaxLevel);
        m_filled[m_level] = false;
    }
    void close(char bracket)
    {
        if constexpr (Pretty) {
            if (m_filled[m_level])
                put('\n');
        }
        --m_level;
        if constexpr (Pretty)
            indent(m_level);
        put(bracket);
    }
    void element()
    {
        if (m_filled[m_level]) {
            if constexpr (Pretty)
                put(",\n", 2);
            else
                put(',');
        }
        m_filled[m_level] = true;
        if constexpr (Pretty)
            indent(m_level);
    }
    template<size_t N> void member(const char (&key)[N])
    {
        element();
        reserve(N + 3);
        *m_cursor++ = '"';
        std::memcpy(m_cursor, key, N - 1);
        m_cursor += N - 1;
        *m_cursor++ = '"';
        *m_cursor++ = ':';
        if constexpr (Pretty)
            *m_cursor++ = ' ';
    }
    void indent(int level)
    {
        const qsizetype n = 4 * qsizetype(level);
        reserve(n);
        std::memset(m_cursor, ' ', size_t(n));
        m_cursor += n;
    }

    // Values.
    void boolean(bool b) { b ? put("true", 4) : put("false", 5); }

    void integer(qint64 v)
    {
        reserve(24);
        m_cursor = std::to_chars(m_cursor, m_cursor + 24, v).ptr;
    }

    // As QJsonValue(double) and QByteArray::number(d, 'g', QLocale::FloatingPointShortest): whole
    // values up to 2^53 in magnitude are stored and written as integers (so -0 is "0"); anything
    // else gets the shortest round-trip digits, in positional form unless the exponent form is
    // shorter (two-digit minimum exponent with sign: "1e-07", "1e+21").
    void number(double v)
    {
        if (!std::isfinite(v))
            throw TextFailure {};
        if (std::fabs(v) <= 9007199254740992.0 && std::trunc(v) == v) {
            integer(qint64(v));
            return;
        }
        char sci[32];
        const char *sciEnd = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific).ptr;
        const char *s = sci;
        const bool negative = *s == '-';
        if (negative)
            ++s;
        // sci is "d[.ddd]e±x": collect the digits and the decimal exponent.
        char digits[20];
        int digitCount = 0;
        for (; s < sciEnd && *s != 'e'; ++s) {
            if (*s != '.')
                digits[digitCount++] = *s;
        }
        int exponent = 0;
        std::from_chars(s + 1 + (s[1] == '+'), sciEnd, exponent);
        const int decpt = exponent + 1; // digits are 0.d1d2d3... x 10^decpt

        int bias = 4; // "e+" and two exponent digits
        if (digitCount <= decpt && digitCount > 1)
            ++bias; // the exponent form needs a decimal point, the positional one does not
        else if (digitCount == 1 && decpt <= 0)
            --bias; // the positional form needs a decimal point, the exponent one does not
        const bool positional
            = decpt <= 0 ? 1 - decpt <= bias : (decpt <= digitCount || decpt <= digitCount + bias);

        reserve(40);
        if (negative)
            *m_cursor++ = '-';
        if (positional) {
            if (decpt <= 0) {
                *m_cursor++ = '0';
                *m_cursor++ = '.';
                for (int i = 0; i < -decpt; ++i)
                    *m_cursor++ = '0';
                put(digits, digitCount);
            } else if (decpt < digitCount) {
                put(digits, decpt);
                put('.');
                put(digits + decpt, digitCount - decpt);
            } else {
                put(digits, digitCount);
                for (int i = digitCount; i < decpt; ++i)
                    put('0');
            }
        } else {
            put(digits[0]);
            if (digitCount > 1) {
                put('.');
                put(digits + 1, digitCount - 1);
            }
            put('e');
            put(exponent < 0 ? '-' : '+');
            const int magnitude = exponent < 0 ? -exponent : exponent;
            if (magnitude < 10)
                put('0');
            reserve(8);
            m_cursor = std::to_chars(m_cursor, m_cursor + 8, magnitude).ptr;
        }
    }

    void uuid(const QUuid &u)
    {
        static constexpr auto pairs = [] {
            std::array<char, 512> table {};
            constexpr char hex[] = "0123456789ABCDEF";
            for (int b = 0; b < 256; ++b) {
                table[size_t(2 * b)] = hex[b >> 4];
                table[size_t(2 * b + 1)] = hex[b & 0xf];
            }
            return table;
        }();
        quint8 bytes[16];
        qToBigEndian(u.data1, bytes);
        qToBigEndian(u.data2, bytes + 4);
        qToBigEndian(u.data3, bytes + 6);
        std::memcpy(bytes + 8, u.data4, 8);
        reserve(38);
        char *c = m_cursor;
        *c++ = '"';
        for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                *c++ = '-';
            std::memcpy(c, &pairs[size_t(2 * bytes[i])], 2);
            c += 2;
        }
        *c++ = '"';
        m_cursor = c;
    }

    void date(const QDateTime &d)
    {
        if (!d.isValid())
            throw TextFailure {};
        const qint64 ms = d.toMSecsSinceEpoch();
        const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        const qint64 days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
        const qint64 secondOfDay = seconds - days * 86400;
        const auto [year, month, day] = civilFromDays(days);
        if (year < 1 || year > 9999) {
            // QDate counts no year 0 and prints signs and wide years its own way.
            put('"');
            const QByteArray text = formatDocumentDate(d).toLatin1();
            put(text.constData(), text.size());
            put('"');
            return;
        }
        reserve(22);
        char *c = m_cursor;
        auto two = [&](int v) {
            *c++ = char('0' + v / 10);
            *c++ = char('0' + v % 10);
        };
        *c++ = '"';
        two(int(year / 100));
        two(int(year % 100));
        *c++ = '-';
        two(month);
        *c++ = '-';
        two(day);
        *c++ = 'T';
        two(int(secondOfDay / 3600));
        *c++ = ':';
        two(int(secondOfDay / 60 % 60));
        *c++ = ':';
        two(int(secondOfDay % 60));
        *c++ = 'Z';
        *c++ = '"';
        m_cursor = c;
    }

    // As QJsonDocument escapes: '"', '\\' and the C0 controls (short forms for \b \f \n \r \t,
    // else \u00xx in lower-case hex); everything else as UTF-8, except an unpaired surrogate,
    // which becomes \uxxxx.
    void string(const QString &s)
    {
        static constexpr char hex[] = "0123456789abcdef";
        const qsizetype n = s.size();
        reserve(6 * n + 2);
        const char16_t *u = reinterpret_cast<const char16_t *>(s.constData());
        const char16_t *const uEnd = u + n;
        char *c = m_cursor;
        *c++ = '"';
        while (u < uEnd) {
            const char16_t ch = *u++;
            if (ch < 0x80) {
                if (ch >= 0x20 && ch != '"' && ch != '\\') {
                    *c++ = char(ch);
                    continue;
                }
                *c++ = '\\';
                switch (ch) {
                case '"':
                    *c++ = '"';
                    break;
                case '\\':
                    *c++ = '\\';
                    break;
                case '\b':
                    *c++ = 'b';
                    break;
                case '\f':
                    *c++ = 'f';
                    break;
                case '\n':
                    *c++ = 'n';
                    break;
                case '\r':
                    *c++ = 'r';
                    break;
                case '\t':
                    *c++ = 't';
                    break;
                default:
                    *c++ = 'u';
                    *c++ = '0';
                    *c++ = '0';
                    *c++ = hex[ch >> 4];
                    *c++ = hex[ch & 0xf];
                }
            } else if (ch < 0x800) {
                *c++ = char(0xc0 | (ch >> 6));
                *c++ = char(0x80 | (ch & 0x3f));
            } else if (!QChar::isSurrogate(ch)) {
                *c++ = char(0xe0 | (ch >> 12));
                *c++ = char(0x80 | ((ch >> 6) & 0x3f));
                *c++ = char(0x80 | (ch & 0x3f));
            } else if (QChar::isHighSurrogate(ch) && u < uEnd && QChar::isLowSurrogate(*u)) {
                const char32_t cp = QChar::surrogateToUcs4(ch, *u++);
                *c++ = char(0xf0 | (cp >> 18));
                *c++ = char(0x80 | ((cp >> 12) & 0x3f));
                *c++ = char(0x80 | ((cp >> 6) & 0x3f));
                *c++ = char(0x80 | (cp & 0x3f));
            } else {
                *c++ = '\\';
                *c++ = 'u';
                *c++ = hex[ch >> 12];
                *c++ = hex[(ch >> 8) & 0xf];
                *c++ = hex[(ch >> 4) & 0xf];
                *c++ = hex[ch & 0xf];
            }
        }
        *c++ = '"';
        m_cursor = c;
    }

    // Buffer.
    void put(char ch)
    {
        reserve(1);
        *m_cursor++ = ch;
    }
    void put(const char *text, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_cursor, text, size_t(n));
        m_cursor += n;
    }
    void reserve(qsizetype n)
    {
        if (m_end - m_cursor < n)
            grow(n);
    }
    Q_DECL_COLD_FUNCTION void grow(qsizetype n)
    {
        const qsizetype used = m_cursor ? m_cursor - m_buffer.data() : 0;
        m_buffer.resize(std::max(used + n, m_buffer.size() + m_buffer.size() / 2 + 4096));
        m_cursor = m_buffer.data() + used;
        m_end = m_buffer.data() + m_buffer.size();
    }

    // Days since 1970-01-01 to the proleptic Gregorian date (astronomical year numbering).
    static std::tuple<qint64, int, int> civilFromDays(qint64 z)
    {
        z += 719468;
        const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
        const qint64 doe = z - era * 146097;
        const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const qint64 mp = (5 * doy + 2) / 153;
        const int day = int(doy - (153 * mp + 2) / 5 + 1);
        const int month = int(mp < 10 ? mp + 3 : mp - 9);
        return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
    }

    static constexpr int MaxLevel = 16;
    QByteArray m_buffer;
    char *m_cursor = nullptr;
    char *m_end = nullptr;
    int m_level = 0;
    bool m_filled[MaxLevel] = {};
};

template<typename Value, typename Write>
std::optional<QByteArray> writeFast(const Value &value, JsonLayout layout, qsizetype sizeHint, Write &&write)
{
    try {
        if (layout == JsonLayout::Compact) {
            TextWriter<false> w(sizeHint);
            write(w, value);
            return w.finish();
        }
        TextWriter<true> w(sizeHint);
        write(w, value);
        return w.finish();
    } catch (const TextFailure &) {
        return std::nullopt;
    }
}

// ---------------------------------------------------------------------------------------------
// Direct text reading
//
// Reads the document straight from the bytes into a Race. It takes only a strict subset of what
// QJsonDocument accepts: standard JSON, valid UTF-8, no raw control characters, no duplicate keys,
// no U+FEFF (QJsonDocument drops it at the start of a string), numbers in the plain range. Anything
// outside that subset, and every document that fails a reading rule, is left to the object reader
// above, which then gives the document's one outcome and error text. So for any input the result
// is the object reader's; this one only makes the common, valid case fast.

struct NotFastPath
{ };

class TextReader
{
public:
    explicit TextReader(const QByteArray &json)
        : m_p(json.constData())
        , m_end(json.constData() + json.size())
    { }

    template<typename F> auto document(F &&readTop)
    {
        skipSpace();
        auto value = readTop();
        skipSpace();
        if (m_p != m_end)
            giveUp();
        return value;
    }

    Race race()
    {
        Race r;
        enum : int {
            Name,
            Date,
            VexloWebEventId,
            VexloWebChecklistKey,
            Courses,
            Classes,
            Participants,
            Results,
            Stages,
            ActiveStageId,
            MultiStageEnabled,
            DefaultStartWindow,
            StageDefaultStartWindows
        };
        static constexpr std::string_view keys[] = {"name", "date", "vexloWebEventId", "vexloWebChecklistKey",
            "courses", "classes", "participants", "results", "stages", "activeStageId", "multiStageEnabled",
            "defaultStartWindow", "stageDefaultStartWindows"};
        record(keys, bits({Name, Courses, Classes, Participants, Results, Stages}), [&](int key) {
            switch (key) {
            case Name:
                r.name = text();
                break;
            case Date:
                optional(r.date, [this] { return date(); });
                break;
            case VexloWebEventId:
                optional(r.vexloWebEventId, [this] { return text(); });
                break;
            case VexloWebChecklistKey:
                optional(r.vexloWebChecklistKey, [this] { return text(); });
                break;
            case Courses:
                r.courses = list<Course>([this] { return course(); });
                break;
            case Classes:
                r.classes = list<RaceClass>([this] { return raceClass(); });
                break;
            case Participants:
                r.participants = list<Participant>([this] { return participant(); });
                break;
            case Results:
                r.results = list<PersonResult>([this] { return result(); });
                break;
            case Stages:
                r.stages = list<Stage>([this] { return stage(); });
                break;
            case ActiveStageId:
                optional(r.activeStageId, [this] { return text(); });
                break;
            case MultiStageEnabled:
                optional(r.multiStageEnabled, [this] { return flag(); });
                break;
            case DefaultStartWindow:
                optional(r.defaultStartWindow, [this] { return startWindow(); });
                break;
            case StageDefaultStartWindows:
                optional(r.stageDefaultStartWindows,
                    [this] { return stageMap<StartWindow>([this] { return startWindow(); }); });
                break;
            }
        });
        return r;
    }

    PersonResult result()
    {
        // The id is required, so a fresh one would only be overwritten.
        PersonResult r {.id = QUuid()};
        enum : int {
            Id,
            ParticipantId,
            CourseId,
            CardNumber,
            Splits,
            ReadAt,
            StartTime,
            FinishTime,
            RaceTime,
            Completed,
            Punches,
            CardStartTime,
            CourseAutoMatched,
            StageId,
            Score,
            OvertimePenalty,
            WithinTimeLimit,
            CompletedOverride,
            OverrideNote
        };
        static constexpr std::string_view keys[]
            = {"id", "participantId", "courseId", "cardNumber", "splits", "readAt", "startTime", "finishTime",
                "raceTime", "completed", "punches", "cardStartTime", "courseAutoMatched", "stageId", "score",
                "overtimePenalty", "withinTimeLimit", "completedOverride", "overrideNote"};
        const auto readDate = [this] { return date(); };
        const auto readFlag = [this] { return flag(); };
        const auto readInteger = [this] { return integer(); };
        record(keys, bits({Id, ParticipantId, CardNumber, Splits, ReadAt, Completed, CourseAutoMatched}),
            [&](int key) {
                switch (key) {
                case Id:
                    r.id = uuid();
                    break;
                case ParticipantId:
                    r.participantId = uuid();
                    break;
                case CourseId:
                    optional(r.courseId, [this] { return text(); });
                    break;
                case CardNumber:
                    r.cardNumber = text();
                    break;
                case Splits:
                    r.splits = list<SplitTime>([this] { return split(); });
                    break;
                case ReadAt:
                    r.readAt = date();
                    break;
                case StartTime:
                    optional(r.startTime, readDate);
                    break;
                case FinishTime:
                    optional(r.finishTime, readDate);
                    break;
                case RaceTime:
                    optional(r.raceTime, [this] { return number(); });
                    break;
                case Completed:
                    r.completed = flag();
                    break;
                case Punches:
                    optional(r.punches, [this] { return list<SIPunch>([this] { return punch(); }); });
                    break;
                case CardStartTime:
                    optional(r.cardStartTime, readDate);
                    break;
                case CourseAutoMatched:
                    r.courseAutoMatched = flag();
                    break;
                case StageId:
                    optional(r.stageId, [this] { return text(); });
                    break;
                case Score:
                    optional(r.score, readInteger);
                    break;
                case OvertimePenalty:
                    optional(r.overtimePenalty, readInteger);
                    break;
                case WithinTimeLimit:
                    optional(r.withinTimeLimit, readFlag);
                    break;
                case CompletedOverride:
                    optional(r.completedOverride, readFlag);
                    break;
                case OverrideNote:
                    optional(r.overrideNote, [this] { return text(); });
                    break;
                }
            });
        return r;
    }

private:
    Course course()
    {
        Course c;
        enum : int {
            Id,
            Name,
            CourseFamily,
            Controls,
            StageId,
            Type,
            TimeLimitSeconds,
            OvertimePenaltyPerMinute,
            LengthMeters
        };
        static constexpr std::string_view keys[] = {"id", "name", "courseFamily", "controls", "stageId",
            "type", "timeLimitSeconds", "overtimePenaltyPerMinute", "lengthMeters"};
        record(keys, bits({Id, Name, Controls}), [&](int key) {
            switch (key) {
            case Id:
                c.id = text();
                break;
            case Name:
                c.name = text();
                break;
            case CourseFamily:
                optional(c.courseFamily, [this] { return text(); });
                break;
            case Controls:
                c.controls = list<CourseControl>([this] { return control(); });
                break;
            case StageId:
                optional(c.stageId, [this] { return text(); });
                break;
            case Type:
                optional(c.type, [this] { return enumeration(courseTypes()); });
                break;
            case TimeLimitSeconds:
                optional(c.timeLimitSeconds, [this] { return number(); });
                break;
            case OvertimePenaltyPerMinute:
                optional(c.overtimePenaltyPerMinute, [this] { return integer(); });
                break;
            case LengthMeters:
                optional(c.lengthMeters, [this] { return number(); });
                break;
            }
        });
        return c;
    }

    CourseControl control()
    {
        CourseControl c {.id = QUuid()};
        enum : int { Id, Code, Order, Score };
        static constexpr std::string_view keys[] = {"id", "code", "order", "score"};
        record(keys, bits({Id, Code, Order}), [&](int key) {
            switch (key) {
            case Id:
                c.id = uuid();
                break;
            case Code:
                c.code = integer();
                break;
            case Order:
                c.order = integer();
                break;
            case Score:
                optional(c.score, [this] { return integer(); });
                break;
            }
        });
        return c;
    }

    RaceClass raceClass()
    {
        RaceClass c;
        enum : int {
            Id,
            Name,
            CourseId,
            CourseFamily,
            CourseIds,
            Mode,
            LastUsedStartTimeSeconds,
            LastUsedIntervalSeconds,
            StartMethodKey,
            StartWindowKey,
            StageCourseIds,
            StageStartMethods,
            StageStartWindows
        };
        static constexpr std::string_view keys[] = {"id", "name", "courseId", "courseFamily", "courseIds",
            "mode", "lastUsedStartTimeSeconds", "lastUsedIntervalSeconds", "startMethod", "startWindow",
            "stageCourseIds", "stageStartMethods", "stageStartWindows"};
        const auto readText = [this] { return text(); };
        const auto readMethod = [this] { return enumeration(startMethods()); };
        const auto readWindow = [this] { return startWindow(); };
        record(keys, bits({Id, Name}), [&](int key) {
            switch (key) {
            case Id:
                c.id = text();
                break;
            case Name:
                c.name = text();
                break;
            case CourseId:
                optional(c.courseId, readText);
                break;
            case CourseFamily:
                optional(c.courseFamily, readText);
                break;
            case CourseIds:
                optional(c.courseIds, [&] { return list<QString>(readText); });
                break;
            case Mode:
                optional(c.mode, [this] { return enumeration(classModes()); });
                break;
            case LastUsedStartTimeSeconds:
                optional(c.lastUsedStartTimeSeconds, [this] { return integer(); });
                break;
            case LastUsedIntervalSeconds:
                optional(c.lastUsedIntervalSeconds, [this] { return number(); });
                break;
            case StartMethodKey:
                optional(c.startMethod, readMethod);
                break;
            case StartWindowKey:
                optional(c.startWindow, readWindow);
                break;
            case StageCourseIds:
                optional(c.stageCourseIds, [&] { return stageMap<QString>(readText); });
                break;
            case StageStartMethods:
                optional(c.stageStartMethods, [&] { return stageMap<StartMethod>(readMethod); });
                break;
            case StageStartWindows:
                optional(c.stageStartWindows, [&] { return stageMap<StartWindow>(readWindow); });
                break;
            }
        });
        return c;
    }

    StartWindow startWindow()
    {
        StartWindow w;
        enum : int { Open, Close };
        static constexpr std::string_view keys[] = {"openSeconds", "closeSeconds"};
        record(keys, bits({Open, Close}),
            [&](int key) { (key == Open ? w.openSeconds : w.closeSeconds) = integer(); });
        return w;
    }

    Stage stage()
    {
        Stage s;
        enum : int { Id, Name, Date, Order };
        static constexpr std::string_view keys[] = {"id", "name", "date", "order"};
        record(keys, bits({Id, Name, Date, Order}), [&](int key) {
            switch (key) {
            case Id:
                s.id = text();
                break;
            case Name:
                s.name = text();
                break;
            case Date:
                s.date = date();
                break;
            case Order:
                s.order = integer();
                break;
            }
        });
        return s;
    }

    Participant participant()
    {
        Participant p {.id = QUuid()};
        enum : int {
            Id,
            GivenName,
            FamilyName,
            CardNumber,
            IsRentalCard,
            Club,
            ClassId,
            CourseId,
            ClassIdByStage,
            CourseIdByStage,
            StartTime,
            StartTimeByStage,
            Preference,
            PreferenceByStage,
            Status,
            CheckedInAt,
            ExternalId,
            PendingCardNumber
        };
        static constexpr std::string_view keys[]
            = {"id", "givenName", "familyName", "cardNumber", "isRentalCard", "club", "classId", "courseId",
                "classIdByStage", "courseIdByStage", "startTime", "startTimeByStage", "startTimePreference",
                "startTimePreferenceByStage", "status", "checkedInAt", "externalId", "pendingCardNumber"};
        const auto readText = [this] { return text(); };
        const auto readDate = [this] { return date(); };
        const auto readPreference = [this] { return enumeration(preferences()); };
        record(keys, bits({Id, GivenName, FamilyName, CardNumber}), [&](int key) {
            switch (key) {
            case Id:
                p.id = uuid();
                break;
            case GivenName:
                p.givenName = text();
                break;
            case FamilyName:
                p.familyName = text();
                break;
            case CardNumber:
                p.cardNumber = text();
                break;
            case IsRentalCard:
                optional(p.isRentalCard, [this] { return flag(); });
                break;
            case Club:
                optional(p.club, readText);
                break;
            case ClassId:
                optional(p.classId, readText);
                break;
            case CourseId:
                optional(p.courseId, readText);
                break;
            case ClassIdByStage:
                optional(p.classIdByStage, [&] { return stageMap<QString>(readText); });
                break;
            case CourseIdByStage:
                optional(p.courseIdByStage, [&] { return stageMap<QString>(readText); });
                break;
            case StartTime:
                optional(p.startTime, readDate);
                break;
            case StartTimeByStage:
                optional(p.startTimeByStage, [&] { return stageMap<QDateTime>(readDate); });
                break;
            case Preference:
                optional(p.startTimePreference, readPreference);
                break;
            case PreferenceByStage:
                optional(p.startTimePreferenceByStage,
                    [&] { return stageMap<StartTimePreference>(readPreference); });
                break;
            case Status:
                optional(p.status, [this] { return enumeration(participantStatuses()); });
                break;
            case CheckedInAt:
                optional(p.checkedInAt, readDate);
                break;
            case ExternalId:
                optional(p.externalId, readText);
                break;
            case PendingCardNumber:
                optional(p.pendingCardNumber, readText);
                break;
            }
        });
        return p;
    }

    SplitTime split()
    {
        SplitTime s {.id = QUuid()};
        enum : int { Id, ControlCode, Time, Status, ElapsedFromStart, LegTime, Score };
        static constexpr std::string_view keys[]
            = {"id", "controlCode", "time", "status", "elapsedFromStart", "legTime", "score"};
        record(keys, bits({Id, ControlCode, Time, Status}), [&](int key) {
            switch (key) {
            case Id:
                s.id = uuid();
                break;
            case ControlCode:
                s.controlCode = integer();
                break;
            case Time:
                s.time = date();
                break;
            case Status:
                s.status = enumeration(splitStatuses());
                break;
            case ElapsedFromStart:
                optional(s.elapsedFromStart, [this] { return number(); });
                break;
            case LegTime:
                optional(s.legTime, [this] { return number(); });
                break;
            case Score:
                optional(s.score, [this] { return integer(); });
                break;
            }
        });
        return s;
    }

    SIPunch punch()
    {
        SIPunch p {.id = QUuid()};
        enum : int { Id, ControlCode, Time, TimeAvailable };
        static constexpr std::string_view keys[] = {"id", "controlCode", "time", "timeAvailable"};
        bool idGiven = false;
        record(keys, bits({ControlCode, Time}), [&](int key) {
            switch (key) {
            case Id:
                if (!null()) {
                    p.id = uuid();
                    idGiven = true;
                }
                break;
            case ControlCode:
                p.controlCode = integer();
                break;
            case Time:
                p.time = date();
                break;
            case TimeAvailable:
                if (!null())
                    p.timeAvailable = flag();
                break;
            }
        });
        if (!idGiven)
            p.id = newUuid();
        return p;
    }

    // Structure.

    static constexpr quint32 bits(std::initializer_list<int> keys)
    {
        quint32 mask = 0;
        for (int k : keys)
            mask |= 1u << k;
        return mask;
    }

    // Reads one object whose members are named in `keys`: `readMember(index)` reads the value of a
    // listed key; other keys are skipped. A repeated listed key or a missing required one leaves
    // the document to the object reader.
    template<size_t N, typename F>
    void record(const std::string_view (&keys)[N], quint32 required, F &&readMember)
    {
        static_assert(N <= 32);
        quint32 seen = 0;
        members([&](const char *keyBegin, const char *keyEnd) {
            const std::string_view key(keyBegin, size_t(keyEnd - keyBegin));
            for (size_t i = 0; i < N; ++i) {
                if (keys[i] == key) {
                    if (seen & (1u << i))
                        giveUp();
                    seen |= 1u << i;
                    readMember(int(i));
                    return;
                }
            }
            skipValue(0);
        });
        if ((seen & required) != required)
            giveUp();
    }

    // Calls `readValue(keyBegin, keyEnd)` for each member of an object, with the raw key bytes
    // (a key with escapes is not taken).
    template<typename F> void members(F &&readValue)
    {
        expect('{');
        skipSpace();
        if (peek() == '}') {
            ++m_p;
            return;
        }
        for (;;) {
            skipSpace();
            const Scanned key = scanString();
            if (key.escaped)
                giveUp();
            expect(':');
            skipSpace();
            readValue(key.begin, key.end);
            skipSpace();
            const char c = peek();
            ++m_p;
            if (c == '}')
                return;
            if (c != ',')
                giveUp();
        }
    }

    template<typename T, typename F> QList<T> list(F &&readOne)
    {
        QList<T> out;
        expect('[');
        skipSpace();
        if (peek() == ']') {
            ++m_p;
            return out;
        }
        for (;;) {
            skipSpace();
            out.append(readOne());
            skipSpace();
            const char c = peek();
            ++m_p;
            if (c == ']')
                return out;
            if (c != ',')
                giveUp();
        }
    }

    template<typename T, typename F> StageMap<T> stageMap(F &&readOne)
    {
        StageMap<T> out;
        expect('{');
        skipSpace();
        if (peek() == '}') {
            ++m_p;
            return out;
        }
        for (;;) {
            skipSpace();
            const QString key = toQString(scanString());
            expect(':');
            skipSpace();
            if (out.contains(key))
                giveUp();
            out.insert(key, readOne());
            skipSpace();
            const char c = peek();
            ++m_p;
            if (c == '}')
                return out;
            if (c != ',')
                giveUp();
        }
    }

    // A missing or null optional key leaves the field absent.
    template<typename T, typename F> void optional(std::optional<T> &field, F &&read)
    {
        if (!null())
            field = read();
    }

    bool null()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "null", 4) == 0) {
            m_p += 4;
            return true;
        }
        return false;
    }

    // Values.

    QString text() { return toQString(scanString()); }

    bool flag()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "true", 4) == 0) {
            m_p += 4;
            return true;
        }
        if (m_end - m_p >= 5 && std::memcmp(m_p, "false", 5) == 0) {
            m_p += 5;
            return false;
        }
        giveUp();
    }

    struct Number
    {
        bool isInteger; // stored by QJsonDocument as a 64-bit integer
        qint64 integer;
        double real;
    };

    Number scanNumber()
    {
        const char *const begin = m_p;
        const bool negative = peek() == '-';
        if (negative)
            ++m_p;
        const char *const digits = m_p;
        if (peek() == '0')
            ++m_p;
        else if (isDigit(peek()))
            while (isDigit(peek()))
                ++m_p;
        else
            giveUp();
        const char *const digitsEnd = m_p;
        bool whole = true;
        if (peek() == '.') {
            ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        const char *const mantissaEnd = m_p;
        if (peek() == 'e' || peek() == 'E') {
            ++m_p;
            if (peek() == '+' || peek() == '-')
                ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        if (whole && digitsEnd - digits <= 19) {
            // Fits QJsonDocument's 64-bit integer exactly when it fits qint64.
            quint64 magnitude = 0;
            for (const char *d = digits; d < digitsEnd; ++d)
                magnitude = magnitude * 10 + quint64(*d - '0');
            const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
            if (magnitude <= limit) {
                const qint64 v = negative ? qint64(0 - magnitude) : qint64(magnitude);
                return {true, v, double(v)};
            }
        }
        if (m_p - begin > 64)
            giveUp();
        double d = 0;
        const auto [end, ec] = std::from_chars(begin, m_p, d);
        if (ec != std::errc() || end != m_p || !std::isfinite(d))
            giveUp();
        if (d == 0) {
            // QJsonDocument reads a zero as integer 0 (no sign) and rejects underflow.
            for (const char *c = digits; c < mantissaEnd; ++c) {
                if (*c >= '1' && *c <= '9')
                    giveUp();
            }
            d = 0;
        } else if (std::fabs(d) < std::numeric_limits<double>::min()) {
            giveUp();
        }
        return {false, 0, d};
    }

    double number() { return scanNumber().real; }

    qint64 integer()
    {
        const Number n = scanNumber();
        // An integer literal that fits in 64 bits is taken exactly, as the object reader does.
        if (n.isInteger)
            return n.integer;
        const double d = n.real;
        if (std::floor(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            giveUp();
        return n.isInteger ? n.integer : qint64(d);
    }

    QUuid uuid()
    {
        const Scanned s = scanString();
        if (s.escaped || s.end - s.begin != 36)
            giveUp();
        const char *t = s.begin;
        if (t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
            giveUp();
        // Offsets of the 16 hex pairs in "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
        static constexpr int at[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
        uchar b[16];
        int invalid = 0;
        for (int i = 0; i < 16; ++i) {
            const int high = hexValue(t[at[i]]);
            const int low = hexValue(t[at[i] + 1]);
            invalid |= high | low;
            b[i] = uchar(high << 4 | low);
        }
        if (invalid < 0)
            giveUp();
        return QUuid(uint(b[0]) << 24 | uint(b[1]) << 16 | uint(b[2]) << 8 | b[3], ushort(b[4] << 8 | b[5]),
            ushort(b[6] << 8 | b[7]), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    }

    // "YYYY-MM-DDTHH:MM:SS" then "Z" or "+HH:MM" / "-HH:MM", as parseDocumentDate reads it.
    QDateTime date()
    {
        const Scanned s = scanString();
        const qsizetype length = s.end - s.begin;
        if (s.escaped || (length != 20 && length != 25))
            giveUp();
        const char *t = s.begin;
        auto digits = [&](int at, int count) {
            int v = 0;
            for (int i = at; i < at + count; ++i) {
                if (!isDigit(t[i]))
                    giveUp();
                v = v * 10 + (t[i] - '0');
            }
            return v;
        };
        if (t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
            giveUp();
        const int year = digits(0, 4);
        const int month = digits(5, 2);
        const int day = digits(8, 2);
        const int hour = digits(11, 2);
        const int minute = digits(14, 2);
        const int second = digits(17, 2);
        int offsetSeconds = 0;
        if (length == 20) {
            if (t[19] != 'Z')
                giveUp();
        } else {
            if ((t[19] != '+' && t[19] != '-') || t[22] != ':')
                giveUp();
            const int offsetHours = digits(20, 2);
            const int offsetMinutes = digits(23, 2);
            if (offsetHours > 23 || offsetMinutes > 59)
                giveUp();
            offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (t[19] == '-' ? -1 : 1);
        }
        // QDate has no year 0; QTime has no leap second.
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23
            || minute > 59 || second > 59)
            giveUp();
        const qint64 seconds
            = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
        return QDateTime::fromMSecsSinceEpoch(seconds * 1000, Qt::UTC);
    }

    template<typename E> struct EnumText
    {
        E value;
        QByteArray text;
    };
    template<typename E, size_t N> static std::array<EnumText<E>, N> enumTable(const E (&values)[N])
    {
        std::array<EnumText<E>, N> table;
        for (size_t i = 0; i < N; ++i)
            table[i] = {values[i], toText(values[i]).toLatin1()};
        return table;
    }
    static const std::array<EnumText<CourseType>, 2> &courseTypes()
    {
        static const auto table = enumTable({CourseType::Sequential, CourseType::Rogaining});
        return table;
    }
    static const std::array<EnumText<RaceClassMode>, 3> &classModes()
    {
        static const auto table = enumTable(
            {RaceClassMode::SingleCourse, RaceClassMode::CourseFamily, RaceClassMode::MultiCourse});
        return table;
    }
    static const std::array<EnumText<StartMethod>, 2> &startMethods()
    {
        static const auto table = enumTable({StartMethod::ScheduledTime, StartMethod::StartPunch});
        return table;
    }
    static const std::array<EnumText<ParticipantStatus>, 2> &participantStatuses()
    {
        static const auto table = enumTable({ParticipantStatus::Dns, ParticipantStatus::Dnf});
        return table;
    }
    static const std::array<EnumText<StartTimePreference>, 2> &preferences()
    {
        static const auto table = enumTable({StartTimePreference::Early, StartTimePreference::Late});
        return table;
    }
    static const std::array<EnumText<SplitStatus>, 4> &splitStatuses()
    {
        static const auto table = enumTable(
            {SplitStatus::Ok, SplitStatus::Missing, SplitStatus::Additional, SplitStatus::VisitedNoTime});
        return table;
    }

    template<typename E, size_t N> E enumeration(const std::array<EnumText<E>, N> &table)
    {
        const Scanned s = scanString();
        if (!s.escaped) {
            const QByteArrayView text(s.begin, s.end - s.begin);
            for (const EnumText<E> &entry : table) {
                if (QByteArrayView(entry.text) == text)
                    return entry.value;
            }
        }
        giveUp();
    }

    // Strings.

    struct Scanned
    {
        const char *begin; // the content between the quotes
        const char *end;
        bool escaped; // has escapes
        bool wide; // has non-ASCII bytes
    };

    // Checks one string (valid UTF-8, known escapes, no raw control characters, no U+FEFF) and
    // steps past it.
    Scanned scanString()
    {
        if (peek() != '"')
            giveUp();
        Scanned s {++m_p, nullptr, false, false};
        for (;;) {
            // The common run: printable ASCII, eight bytes at a time while no byte needs a look.
            while (m_end - m_p >= 8) {
                quint64 w;
                std::memcpy(&w, m_p, 8);
                constexpr quint64 ones = 0x0101010101010101ull;
                constexpr quint64 highs = 0x8080808080808080ull;
                const quint64 quote = w ^ (ones * '"');
                const quint64 backslash = w ^ (ones * '\\');
                // A byte below 0x20, a zero byte in `quote` / `backslash`, or a byte from 0x80.
                const quint64 special = ((w - ones * 0x20) | (quote - ones) | (backslash - ones) | w) & highs;
                if (special)
                    break;
                m_p += 8;
            }
            while (m_p < m_end) {
                const unsigned char c = static_cast<unsigned char>(*m_p);
                if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80)
                    break;
                ++m_p;
            }
            if (m_p >= m_end)
                giveUp();
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                s.end = m_p++;
                return s;
            }
            if (c < 0x20)
                giveUp();
            if (c == '\\') {
                s.escaped = true;
                if (m_end - m_p < 2)
                    giveUp();
                switch (m_p[1]) {
                case '"':
                case '\\':
                case '/':
                case 'b':
                case 'f':
                case 'n':
                case 'r':
                case 't':
                    m_p += 2;
                    break;
                case 'u': {
                    if (m_end - m_p < 6)
                        giveUp();
                    int unit = 0;
                    for (int i = 2; i < 6; ++i) {
                        const int h = hexValue(m_p[i]);
                        if (h < 0)
                            giveUp();
                        unit = unit << 4 | h;
                    }
                    if (unit == 0xfeff)
                        giveUp();
                    m_p += 6;
                    break;
                }
                default:
                    giveUp();
                }
                continue;
            }
            s.wide = true;
            m_p += utf8SequenceLength(m_p, m_end);
        }
    }

    // Length of the valid UTF-8 sequence at `p` (not U+FEFF); gives up on anything else.
    static qsizetype utf8SequenceLength(const char *p, const char *end)
    {
        const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(p[i]); };
        const auto continuation = [&](qsizetype i) { return end - p > i && (byte(i) & 0xc0) == 0x80; };
        const unsigned char lead = byte(0);
        if (lead >= 0xc2 && lead <= 0xdf && continuation(1))
            return 2;
        if (lead >= 0xe0 && lead <= 0xef && continuation(1) && continuation(2)) {
            if (lead == 0xe0 && byte(1) < 0xa0)
                giveUp(); // overlong
            if (lead == 0xed && byte(1) >= 0xa0)
                giveUp(); // surrogate
            if (lead == 0xef && byte(1) == 0xbb && byte(2) == 0xbf)
                giveUp(); // U+FEFF
            return 3;
        }
        if (lead >= 0xf0 && lead <= 0xf4 && continuation(1) && continuation(2) && continuation(3)) {
            if (lead == 0xf0 && byte(1) < 0x90)
                giveUp(); // overlong
            if (lead == 0xf4 && byte(1) >= 0x90)
                giveUp(); // beyond U+10FFFF
            return 4;
        }
        giveUp();
    }

    static QString toQString(const Scanned &s)
    {
        const qsizetype n = s.end - s.begin;
        if (!s.escaped && !s.wide)
            return QString::fromLatin1(s.begin, n);
        // UTF-16 never needs more units than the UTF-8 has bytes.
        QString out(n, Qt::Uninitialized);
        char16_t *d = reinterpret_cast<char16_t *>(out.data());
        char16_t *const start = d;
        const char *p = s.begin;
        while (p < s.end) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == '\\') {
                const char e = p[1];
                p += 2;
                switch (e) {
                case 'b':
                    *d++ = u'\b';
                    break;
                case 'f':
                    *d++ = u'\f';
                    break;
                case 'n':
                    *d++ = u'\n';
                    break;
                case 'r':
                    *d++ = u'\r';
                    break;
                case 't':
                    *d++ = u'\t';
                    break;
                case 'u': {
                    // Each escape is one UTF-16 unit, surrogates included, as QJsonDocument reads it.
                    char16_t unit = 0;
                    for (int i = 0; i < 4; ++i)
                        unit = char16_t(unit << 4 | hexValue(p[i]));
                    *d++ = unit;
                    p += 4;
                    break;
                }
                default: // '"', '\\', '/'
                    *d++ = char16_t(e);
                }
            } else if (c < 0x80) {
                *d++ = c;
                ++p;
            } else if (c < 0xe0) {
                *d++ = char16_t((c & 0x1f) << 6 | (p[1] & 0x3f));
                p += 2;
            } else if (c < 0xf0) {
                *d++ = char16_t((c & 0x0f) << 12 | (p[1] & 0x3f) << 6 | (p[2] & 0x3f));
                p += 3;
            } else {
                const char32_t cp = char32_t(c & 0x07) << 18 | char32_t(p[1] & 0x3f) << 12
                    | char32_t(p[2] & 0x3f) << 6 | char32_t(p[3] & 0x3f);
                *d++ = QChar::highSurrogate(cp);
                *d++ = QChar::lowSurrogate(cp);
                p += 4;
            }
        }
        out.truncate(d - start);
        return out;
    }

    // Skips a value of an unknown key, checking it as strictly as the rest.
    void skipValue(int depth)
    {
        // QJsonDocument refuses documents nested deeper than 1024; stay well inside that.
        if (depth > 256)
            giveUp();
        skipSpace();
        switch (peek()) {
        case '"':
            scanString();
            return;
        case '{':
            expect('{');
            skipSpace();
            if (peek() == '}') {
                ++m_p;
                return;
            }
            for (;;) {
                skipSpace();
                scanString();
                expect(':');
                skipValue(depth + 1);
                skipSpace();
                const char c = peek();
                ++m_p;
                if (c == '}')
                    return;
                if (c != ',')
                    giveUp();
            }
        case '[':
            expect('[');
            skipSpace();
            if (peek() == ']') {
                ++m_p;
                return;
            }
            for (;;) {
                skipValue(depth + 1);
                skipSpace();
                const char c = peek();
                ++m_p;
                if (c == ']')
                    return;
                if (c != ',')
                    giveUp();
            }
        case 't':
        case 'f':
            flag();
            return;
        case 'n':
            if (!null())
                giveUp();
            return;
        default:
            scanNumber();
        }
    }

    // Tokens.

    char peek() const { return m_p < m_end ? *m_p : '\0'; }
    void skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }
    void expect(char c)
    {
        skipSpace();
        if (peek() != c)
            giveUp();
        ++m_p;
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        static constexpr auto values = [] {
            std::array<qint8, 256> table {};
            for (int i = 0; i < 256; ++i)
                table[size_t(i)] = qint8(i >= '0' && i <= '9' ? i - '0'
                        : i >= 'a' && i <= 'f'                ? i - 'a' + 10
                        : i >= 'A' && i <= 'F'                ? i - 'A' + 10
                                                              : -1);
            return table;
        }();
        return values[static_cast<unsigned char>(c)];
    }
    static bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
    static int daysInMonth(int y, int m)
    {
        static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && isLeap(y) ? 29 : days[m - 1];
    }
    // Proleptic Gregorian date to days since 1970-01-01.
    static qint64 daysFromCivil(int y, int m, int d)
    {
        y -= m <= 2;
        const qint64 era = (y >= 0 ? y : y - 399) / 400;
        const qint64 yoe = y - era * 400;
        const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
        const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    [[noreturn]] static void giveUp() { throw NotFastPath {}; }

    const char *m_p;
    const char *const m_end;
};

template<typename F>
auto readFast(const QByteArray &json, F &&readTop)
    -> std::optional<decltype(readTop(std::declval<TextReader &>()))>
{
    try {
        TextReader reader(json);
        return reader.document([&] { return readTop(reader); });
    } catch (const NotFastPath &) {
        return std::nullopt;
    }
}

} // namespace

QString formatDocumentDate(const QDateTime &date)
{
    const QDateTime utc = date.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QString::asprintf(
        "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

std::optional<QDateTime> parseDocumentDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{"
                                                        "2}):([0-9]{2})(Z|([+-])([0-9]{2}):([0-9]{2}))\\z"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (m.captured(7) != QLatin1String("Z")) {
        const int hours = m.captured(9).toInt();
        const int minutes = m.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (m.captured(8) == QLatin1String("-") ? -1 : 1);
    }
    QDateTime utc(date, time, Qt::UTC);
    return utc.addSecs(-offsetSeconds);
}

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

std::optional<QByteArray> encodeRace(const Race &race, JsonLayout layout, QString *error)
{
    auto bytes = writeFast(race, layout, 0, [](auto &w, const Race &r) { w.race(r); });
    if (bytes)
        return bytes;
    // The text writer stops on the values the object writer refuses; let it say what and where.
    auto o = raceToJsonObject(race, error);
    if (!o)
        return std::nullopt;
    return serialise(*o, layout);
}

std::optional<QByteArray> encodePersonResult(const PersonResult &result, JsonLayout layout, QString *error)
{
    auto bytes = writeFast(result, layout, 0, [](auto &w, const PersonResult &r) { w.result(r); });
    if (bytes)
        return bytes;
    auto o = personResultToJsonObject(result, error);
    if (!o)
        return std::nullopt;
    return serialise(*o, layout);
}

std::optional<Race> decodeRace(const QByteArray &json, QString *error)
{
    if (auto race = readFast(json, [](TextReader &r) { return r.race(); }))
        return race;
    auto o = parseTopObject(json, error);
    if (!o)
        return std::nullopt;
    return raceFromJsonObject(*o, error);
}

std::optional<PersonResult> decodePersonResult(const QByteArray &json, QString *error)
{
    if (auto result = readFast(json, [](TextReader &r) { return r.result(); }))
        return result;
    auto o = parseTopObject(json, error);
    if (!o)
        return std::nullopt;
    return personResultFromJsonObject(*o, error);
}
