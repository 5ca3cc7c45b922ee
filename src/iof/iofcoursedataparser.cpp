#include "iofcoursedataparser.h"

#include "log.h"

#include <QHash>
#include <QPointF>

#include <cmath>
#include <limits>

namespace IOFCourseDataParser {
namespace {

using Node = IofXmlDocument::Node;

// Scale text of the log line: "1:" and the whole denominator, "unknown" without one.
QString scaleText(std::optional<double> scale)
{
    if (!scale)
        return QStringLiteral("unknown");
    const double whole = std::trunc(*scale);
    if (std::fabs(whole) < 9.2e18)
        return QStringLiteral("1:%1").arg(qint64(whole));
    return QStringLiteral("1:") + QString::number(whole, 'g', QLocale::FloatingPointShortest);
}

// The shortest text that reads back as the same number, a whole number keeping one decimal.
QString lengthText(std::optional<double> length)
{
    if (!length)
        return QStringLiteral("unknown");
    QString text = QString::number(*length, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text + u'm';
}

std::optional<QPointF> pointOf(Node element, const QString &defaultUnit, std::optional<double> scale)
{
    const auto xText = IofXmlDocument::attribute(element, "x");
    const auto yText = IofXmlDocument::attribute(element, "y");
    if (!xText || !yText)
        return std::nullopt;
    const auto x = iofDecimal(*xText);
    const auto y = iofDecimal(*yText);
    if (!x || !y)
        return std::nullopt;
    const QString unit = IofXmlDocument::attribute(element, "unit").value_or(defaultUnit).toLower();
    QPointF point;
    if (unit == u"m")
        point = QPointF(*x, *y);
    else if (unit == u"mm" && scale)
        point = QPointF(*x * *scale / 1000.0, *y * *scale / 1000.0);
    else
        return std::nullopt;
    // Legal but huge coordinates overflow once scaled; such a point is no position at all.
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return std::nullopt;
    return point;
}

// Longitude and latitude in degrees, from a Position's lng and lat attributes.
std::optional<QPointF> geographicPointOf(Node element)
{
    const double lng
        = iofDecimal(IofXmlDocument::attribute(element, "lng").value_or(QString())).value_or(NAN);
    const double lat
        = iofDecimal(IofXmlDocument::attribute(element, "lat").value_or(QString())).value_or(NAN);
    // NaN (no number) fails both comparisons.
    if (!(std::fabs(lng) <= 180) || !(std::fabs(lat) <= 90))
        return std::nullopt;
    return QPointF(lng, lat);
}

// Great-circle distance in metres between two (longitude, latitude) points.
double geographicDistance(QPointF a, QPointF b)
{
    constexpr double earthRadius = 6371000.0;
    constexpr double radians = 3.14159265358979323846 / 180.0;
    const double dLat = (b.y() - a.y()) * radians;
    const double dLng = (b.x() - a.x()) * radians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(a.y() * radians) * std::cos(b.y() * radians) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * earthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

// Control id to position; a later control with the same id replaces the earlier. Planar points
// are in metres; geographic ones are used only where a whole course has them and no planar ones.
struct Positions
{
    QHash<QString, QPointF> planar;
    QHash<QString, QPointF> geographic;
};

Positions controlPositions(const IofXmlDocument &doc, Node scope, std::optional<double> scale)
{
    Positions positions;
    const auto controls = doc.query(
        ".//*[local-name()='Control'][*[local-name()='Position'] or *[local-name()='MapPosition']]", scope);
    for (Node control : controls) {
        std::optional<QString> id = IofXmlDocument::attribute(control, "id");
        if (!id)
            id = doc.childText(control, "Id");
        if (!id)
            continue;
        const QString key = id->normalized(QString::NormalizationForm_C);
        std::optional<QPointF> point;
        Node position = doc.first("*[local-name()='Position']", control);
        if (position)
            point = pointOf(position, QStringLiteral("m"), scale);
        if (!point) {
            if (Node mapPosition = doc.first("*[local-name()='MapPosition']", control))
                point = pointOf(mapPosition, QStringLiteral("mm"), scale);
        }
        if (point)
            positions.planar.insert(key, *point);
        else
            positions.planar.remove(key);
        const auto geographic = position ? geographicPointOf(position) : std::nullopt;
        if (geographic)
            positions.geographic.insert(key, *geographic);
        else
            positions.geographic.remove(key);
    }
    return positions;
}

// Start and finish count toward the length; one leg without positions means no length at all.
// A sum that overflows is no length either: the event must never hold a value it cannot save.
std::optional<double> computedLength(const IofXmlDocument &doc, Node course, const Positions &positions)
{
    QStringList ids;
    for (Node cc : doc.query("*[local-name()='CourseControl']", course)) {
        if (auto code = doc.childText(cc, "Control"))
            ids.append(code->normalized(QString::NormalizationForm_C));
    }
    if (ids.size() < 2)
        return std::nullopt;
    const auto sum = [&](const QHash<QString, QPointF> &points, auto distance) -> std::optional<double> {
        if (points.isEmpty())
            return std::nullopt;
        double total = 0;
        for (qsizetype i = 1; i < ids.size(); ++i) {
            auto a = points.constFind(ids[i - 1]);
            auto b = points.constFind(ids[i]);
            if (a == points.constEnd() || b == points.constEnd())
                return std::nullopt;
            total += distance(*a, *b);
        }
        if (!std::isfinite(total))
            return std::nullopt;
        return total;
    };
    if (auto planar = sum(
            positions.planar, [](QPointF a, QPointF b) { return std::hypot(b.x() - a.x(), b.y() - a.y()); }))
        return planar;
    return sum(positions.geographic, geographicDistance);
}

// The course's own Length (metres) where the file declares one; else the length from positions.
std::optional<double> courseLength(const IofXmlDocument &doc, Node course, const Positions &positions)
{
    if (const auto declared = doc.childText(course, "Length")) {
        const auto metres = iofDecimal(*declared);
        if (metres && *metres >= 0)
            return metres;
    }
    return computedLength(doc, course, positions);
}

// Score points: an integer, or a decimal ("10.0", "1e1", "7.5"). The event holds whole points, so
// a fraction is rounded half up and reported; a value beyond what a score can hold refuses the file
// rather than change the points beyond recognition.
std::optional<qint64> scoreOf(
    const QString &text, const QString &courseName, qint64 code, QList<RoundedScore> &rounded)
{
    if (const auto whole = iofInteger(text.trimmed()))
        return whole;
    const auto value = iofDecimal(text);
    if (!value)
        return std::nullopt;
    if (std::fabs(*value) > 9.0e15) {
        throw ImportError(
            QStringLiteral("The course \"%1\" gives control %2 the score %3, more than any score "
                           "can be. Correct the score in the course-planning program and "
                           "export the courses again.")
                .arg(courseName.left(100))
                .arg(code)
                .arg(text.left(32)));
    }
    const qint64 points = qint64(std::floor(*value + 0.5));
    if (double(points) != *value)
        rounded.append(RoundedScore {courseName, code, text.trimmed().left(32), points});
    return points;
}

Course readCourse(
    const IofXmlDocument &doc, Node element, const Positions &positions, QList<RoundedScore> &rounded)
{
    Course course;
    std::optional<QString> id = IofXmlDocument::attribute(element, "id");
    if (!id)
        id = doc.childText(element, "Id");
    course.id = id ? *id : newIdText();
    course.name = doc.childText(element, "Name").value_or(QStringLiteral("Unnamed course"));
    course.courseFamily = doc.childText(element, "CourseFamily");

    bool scored = false;
    for (Node cc : doc.query("*[local-name()='CourseControl']", element)) {
        // Only the plain "Control" kind is a control to punch; start, finish, crossing points and
        // anything spelt otherwise are left out.
        if (IofXmlDocument::attribute(cc, "type").value_or(QStringLiteral("Control")) != u"Control")
            continue;
        const auto codeText = doc.childText(cc, "Control");
        const auto code = codeText ? iofInteger(*codeText) : std::nullopt;
        if (!code)
            continue;
        CourseControl control;
        control.code = *code;
        control.order = course.controls.size();
        if (const auto scoreText = doc.childText(cc, "Score"))
            control.score = scoreOf(*scoreText, course.name, control.code, rounded);
        scored = scored || control.score.has_value();
        course.controls.append(control);
    }
    if (scored)
        course.type = CourseType::Rogaining;
    course.lengthMeters = courseLength(doc, element, positions);
    logLine(QStringLiteral("IOFCourseDataParser: parsed course \"%1\" \u2014 %2 control(s), length %3")
                .arg(course.name)
                .arg(course.controls.size())
                .arg(lengthText(course.lengthMeters)));
    return course;
}

RaceClass readAssignment(const IofXmlDocument &doc, Node element, const QList<Course> &courses)
{
    RaceClass cls;
    const auto className = doc.childText(element, "ClassName");
    std::optional<QString> id = IofXmlDocument::attribute(element, "classId");
    if (!id)
        id = doc.childText(element, "ClassId");
    if (!id)
        id = className;
    cls.id = id ? *id : newIdText();
    cls.name = className.value_or(cls.id);

    cls.courseId = IofXmlDocument::attribute(element, "courseId");
    if (!cls.courseId)
        cls.courseId = doc.childText(element, "CourseId");
    if (!cls.courseId) {
        if (const auto courseName = doc.childText(element, "CourseName")) {
            for (const Course &course : courses) {
                if (course.name == *courseName) {
                    cls.courseId = course.id;
                    break;
                }
            }
        }
    }
    cls.courseFamily = IofXmlDocument::attribute(element, "courseFamily");
    if (!cls.courseFamily)
        cls.courseFamily = doc.childText(element, "CourseFamily");
    return cls;
}

// The part of the document that holds the race being imported: the whole document when it has
// one RaceCourseData (or none, as some programs write), else the race with that number.
Node raceScope(const IofXmlDocument &doc, std::optional<int> raceNumber)
{
    const QList<Node> races = doc.query("/*/*[local-name()='RaceCourseData']");
    if (races.size() <= 1)
        return nullptr;
    if (!raceNumber) {
        throw ImportError(
            QStringLiteral("This CourseData file holds the courses of %1 races, and the event has no "
                           "stage to import them into. Add the stages, choose the stage these courses "
                           "belong to, and import the file again.")
                .arg(races.size()));
    }
    QStringList numbers;
    for (qsizetype i = 0; i < races.size(); ++i) {
        // Without the raceNumber attribute, races count in document order from 1.
        const auto attribute = IofXmlDocument::attribute(races[i], "raceNumber");
        const auto number = attribute ? iofInteger(attribute->trimmed()) : std::optional<qint64>(i + 1);
        if (number && *number == *raceNumber)
            return races[i];
        numbers.append(number ? QString::number(*number) : QStringLiteral("?"));
    }
    throw ImportError(
        QStringLiteral("This CourseData file holds the courses of races %1, but none of race %2, "
                       "the stage being imported.")
            .arg(numbers.join(QStringLiteral(", ")))
            .arg(*raceNumber));
}

} // namespace

Result parse(const QByteArray &bytes, std::optional<int> raceNumber)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);
    // A StartList or ResultList repeats course names; merged as courses it would empty the
    // controls of every course it names.
    doc.expectRoot("CourseData", QStringLiteral("courses"));
    const Node scope = raceScope(doc, raceNumber);

    const auto courseNodes = doc.query(".//*[local-name()='Course']", scope);
    if (courseNodes.isEmpty()) {
        const QString root = doc.rootName();
        logLine(QStringLiteral("IOFCourseDataParser: no <Course> elements found \u2014 root element is <%1>")
                    .arg(root.isEmpty() ? QStringLiteral("?") : root));
        throw ImportError(QStringLiteral("No <Course> elements found in CourseData XML"));
    }
    logLine(QStringLiteral("IOFCourseDataParser: found %1 <Course> element(s)").arg(courseNodes.size()));

    std::optional<double> scale;
    if (Node map = doc.first(".//*[local-name()='Map']", scope)) {
        std::optional<QString> scaleText = IofXmlDocument::attribute(map, "scale");
        if (!scaleText)
            scaleText = doc.childText(map, "Scale");
        if (scaleText)
            scale = iofDecimal(*scaleText);
    }

    const Positions positions = controlPositions(doc, scope, scale);
    logLine(QStringLiteral("IOFCourseDataParser: map scale = %1, resolved %2 control position(s)")
                .arg(scaleText(scale))
                .arg(positions.planar.size()));

    Result result;
    for (Node node : courseNodes)
        result.courses.append(readCourse(doc, node, positions, result.roundedScores));
    for (Node node : doc.query(".//*[local-name()='ClassCourseAssignment']", scope))
        result.classes.append(readAssignment(doc, node, result.courses));
    return result;
}

} // namespace IOFCourseDataParser
