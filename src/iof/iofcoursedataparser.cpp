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
    if (unit == u"m")
        return QPointF(*x, *y);
    if (unit == u"mm" && scale)
        return QPointF(*x * *scale / 1000.0, *y * *scale / 1000.0);
    return std::nullopt;
}

// Control id to planar position in metres; a later control with the same id replaces the earlier.
QHash<QString, QPointF> controlPositions(const IofXmlDocument &doc, std::optional<double> scale)
{
    QHash<QString, QPointF> positions;
    const auto controls = doc.query(
        "//*[local-name()='Control'][*[local-name()='Position'] or *[local-name()='MapPosition']]");
    for (Node control : controls) {
        std::optional<QString> id = IofXmlDocument::attribute(control, "id");
        if (!id)
            id = doc.childText(control, "Id");
        if (!id)
            continue;
        std::optional<QPointF> point;
        if (Node position = doc.first("*[local-name()='Position']", control))
            point = pointOf(position, QStringLiteral("m"), scale);
        if (!point) {
            if (Node mapPosition = doc.first("*[local-name()='MapPosition']", control))
                point = pointOf(mapPosition, QStringLiteral("mm"), scale);
        }
        if (point)
            positions.insert(id->normalized(QString::NormalizationForm_C), *point);
    }
    return positions;
}

// Start and finish count toward the length; one leg without positions means no length at all.
std::optional<double> courseLength(
    const IofXmlDocument &doc, Node course, const QHash<QString, QPointF> &positions)
{
    QStringList ids;
    for (Node cc : doc.query("*[local-name()='CourseControl']", course)) {
        if (auto code = doc.childText(cc, "Control"))
            ids.append(code->normalized(QString::NormalizationForm_C));
    }
    if (ids.size() < 2 || positions.isEmpty())
        return std::nullopt;
    double sum = 0;
    for (qsizetype i = 1; i < ids.size(); ++i) {
        auto a = positions.constFind(ids[i - 1]);
        auto b = positions.constFind(ids[i]);
        if (a == positions.constEnd() || b == positions.constEnd())
            return std::nullopt;
        sum += std::hypot(b->x() - a->x(), b->y() - a->y());
    }
    return sum;
}

Course readCourse(const IofXmlDocument &doc, Node element, const QHash<QString, QPointF> &positions)
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
            control.score = iofInteger(*scoreText);
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

} // namespace

Result parse(const QByteArray &bytes)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);

    const auto courseNodes = doc.query("//*[local-name()='Course']");
    if (courseNodes.isEmpty()) {
        const QString root = doc.rootName();
        logLine(QStringLiteral("IOFCourseDataParser: no <Course> elements found \u2014 root element is <%1>")
                    .arg(root.isEmpty() ? QStringLiteral("?") : root));
        throw ImportError(QStringLiteral("No <Course> elements found in CourseData XML"));
    }
    logLine(QStringLiteral("IOFCourseDataParser: found %1 <Course> element(s)").arg(courseNodes.size()));

    std::optional<double> scale;
    if (Node map = doc.first("//*[local-name()='Map']")) {
        std::optional<QString> scaleText = IofXmlDocument::attribute(map, "scale");
        if (!scaleText)
            scaleText = doc.childText(map, "Scale");
        if (scaleText)
            scale = iofDecimal(*scaleText);
    }

    const QHash<QString, QPointF> positions = controlPositions(doc, scale);
    logLine(QStringLiteral("IOFCourseDataParser: map scale = %1, resolved %2 control position(s)")
                .arg(scaleText(scale))
                .arg(positions.size()));

    Result result;
    for (Node node : courseNodes)
        result.courses.append(readCourse(doc, node, positions));
    for (Node node : doc.query("//*[local-name()='ClassCourseAssignment']"))
        result.classes.append(readAssignment(doc, node, result.courses));
    return result;
}

} // namespace IOFCourseDataParser
