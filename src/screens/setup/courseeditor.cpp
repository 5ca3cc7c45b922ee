#include "courseeditor.h"

#include "localization.h"
#include "typedtext.h"

#include <QLocale>
#include <QVariantMap>

#include <cmath>
#include <limits>

namespace {

// A whole number's text, for sums and limits that may be beyond the integer range.
QString wholeText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("?");
    if (std::abs(value) < 9.0e15)
        return QString::number(qint64(std::trunc(value)));
    return QString::number(value, 'g', 6);
}

// The C-locale floating-point reading of the whole text (no spaces, no comma); exponent allowed.
std::optional<double> decimalNumber(const QString &text)
{
    if (text.isEmpty() || text.trimmed() != text)
        return std::nullopt;
    const QByteArray bytes = text.toLatin1();
    if (QString::fromLatin1(bytes) != text)
        return std::nullopt;
    char *end = nullptr;
    const double value = std::strtod(bytes.constData(), &end);
    if (end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

// An optional sign, then ASCII digits only, within 64 bits.
std::optional<qint64> wholeNumber(const QString &text)
{
    qsizetype i = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// A week: no race runs longer, and a longer limit is a typing slip.
constexpr int longestTimeLimitMinutes = 7 * 24 * 60;

// Far above any real score or penalty: a larger one is a typing slip, and the results' sums of
// them (points of every control, penalty times minutes over) must stay within 64 bits.
constexpr qint64 largestTypedPoints = 1'000'000;

} // namespace

QString courseLengthText(const Course &course)
{
    if (!course.lengthMeters || !std::isfinite(*course.lengthMeters))
        return {};
    const double meters = *course.lengthMeters;
    if (meters < 1000)
        return wholeText(std::round(meters)) + QStringLiteral(" m");
    // The decimal sign of the chosen language (the application's locale): 4,2 km in Danish.
    return QLocale().toString(meters / 1000, 'f', 1) + QStringLiteral(" km");
}

QString controlCountText(const Course &course)
{
    QString text = localized(QStringLiteral("%@ controls"), course.controls.size());
    const QString length = courseLengthText(course);
    if (!length.isEmpty())
        text += QStringLiteral(" · ") + length;
    return text;
}

QString rogainingSummaryText(const Course &course)
{
    if (course.type != CourseType::Rogaining) {
        QStringList codes;
        for (const CourseControl &control : course.controls)
            codes.append(QString::number(control.code));
        return codes.join(QStringLiteral(" - "));
    }
    // Summed as a double: hostile scores must not overflow.
    double total = 0;
    for (const CourseControl &control : course.controls)
        total += double(control.score.value_or(0));
    QStringList parts {localized(QStringLiteral("Rogaining · %@ pts total"), wholeText(total))};
    if (course.timeLimitSeconds)
        parts.append(localized(QStringLiteral("limit %@min"), wholeText(*course.timeLimitSeconds / 60)));
    if (course.overtimePenaltyPerMinute)
        parts.append(localized(QStringLiteral("%@ pt/min penalty"), *course.overtimePenaltyPerMinute));
    return parts.join(QStringLiteral(" · "));
}

CourseEditor::CourseEditor(Course course, QObject *parent)
    : QObject(parent)
    , m_course(std::move(course))
    , m_rogaining(m_course.type == CourseType::Rogaining)
{
    // A stored limit that is no finite number of minutes opens as an empty field.
    if (m_course.timeLimitSeconds && std::isfinite(*m_course.timeLimitSeconds)
        && std::abs(*m_course.timeLimitSeconds) < 9.0e15)
        m_timeLimit = wholeText(*m_course.timeLimitSeconds / 60);
    if (m_course.overtimePenaltyPerMinute)
        m_penalty = QString::number(*m_course.overtimePenaltyPerMinute);
}

QString CourseEditor::title() const
{
    const bool fresh = m_course.controls.isEmpty() && m_course.name == QLatin1String("New Course");
    return localized(fresh ? QStringLiteral("Add Course") : QStringLiteral("Edit Course"));
}

void CourseEditor::setName(const QString &name)
{
    if (name == m_course.name)
        return;
    m_course.name = name;
    emit changed();
}

void CourseEditor::setFamily(const QString &family)
{
    m_course.courseFamily = family.isEmpty() ? std::nullopt : std::optional(family);
    emit changed();
}

void CourseEditor::setRogaining(bool on)
{
    if (on == m_rogaining)
        return;
    m_rogaining = on;
    emit changed();
    emit controlsChanged();
}

void CourseEditor::setTimeLimitText(const QString &text)
{
    if (text == m_timeLimit)
        return;
    m_timeLimit = text;
    emit changed();
}

void CourseEditor::setPenaltyText(const QString &text)
{
    if (text == m_penalty)
        return;
    m_penalty = text;
    emit changed();
}

QVariantList CourseEditor::controls() const
{
    const QLocale locale;
    QVariantList rows;
    for (const CourseControl &control : m_course.controls) {
        rows.append(QVariantMap {{QStringLiteral("id"), control.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("codeText"), locale.toString(control.code)},
            {QStringLiteral("orderText"), localized(QStringLiteral("Order %lld"), control.order)},
            {QStringLiteral("scoreText"), locale.toString(control.score.value_or(0))}});
    }
    return rows;
}

void CourseEditor::setProblem(const QString &problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged();
}

CourseControl *CourseEditor::control(const QString &controlId)
{
    const QUuid id(controlId);
    for (CourseControl &c : m_course.controls) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

void CourseEditor::addControl()
{
    std::optional<qint64> highest;
    for (const CourseControl &c : m_course.controls)
        highest = highest ? std::max(*highest, c.order) : c.order;
    CourseControl added;
    added.id = QUuid::createUuid();
    added.order = highest ? *highest + 1 : 0;
    if (m_rogaining)
        added.score = 0;
    m_course.controls.append(added);
    emit controlsChanged();
    emit changed();
}

void CourseEditor::removeControl(const QString &controlId)
{
    const QUuid id(controlId);
    m_course.controls.removeIf([&](const CourseControl &c) { return c.id == id; });
    emit controlsChanged();
    emit changed();
}

void CourseEditor::setCode(const QString &controlId, const QString &text)
{
    bool ok = false;
    const qint64 code = QLocale().toLongLong(text, &ok);
    if (CourseControl *c = control(controlId); c && ok)
        c->code = code;
}

void CourseEditor::setScore(const QString &controlId, const QString &text)
{
    bool ok = false;
    const qint64 score = QLocale().toLongLong(text, &ok);
    CourseControl *c = control(controlId);
    if (!c)
        return;
    // A cleared field is being typed into; anything else that is no number keeps the stored score
    // and says why.
    if (!ok) {
        if (!text.trimmed().isEmpty()) {
            setProblem(
                localized(QStringLiteral("\"%@\" is not a number of points."), typedTextEcho(text, 40)));
        }
        return;
    }
    if (score < 0) {
        setProblem(localized(QStringLiteral("A score cannot be negative: %@."), text));
        return;
    }
    if (score > largestTypedPoints) {
        setProblem(localized(QStringLiteral("A score is at most %@ points, not %@."),
            QLocale().toString(largestTypedPoints), typedTextEcho(text, 40)));
        return;
    }
    c->score = score;
    setProblem(QString());
}

void CourseEditor::save()
{
    for (const QString &name : {m_course.name, m_course.courseFamily.value_or(QString())}) {
        if (const QString problem = typedNameProblem(name); !problem.isEmpty()) {
            setProblem(problem);
            return;
        }
    }
    std::optional<double> limit;
    std::optional<qint64> penalty;
    if (m_rogaining) {
        // A blank field is no limit and no penalty; anything else typed must read as one, so a
        // slip (a pasted line break, a decimal comma) never drops the limit without a word.
        const QString limitText = m_timeLimit.trimmed();
        const auto minutes = decimalNumber(limitText);
        if (!limitText.isEmpty() && (!minutes || !std::isfinite(*minutes * 60) || *minutes < 0)) {
            setProblem(
                localized(QStringLiteral("The time limit must be a number of minutes of 0 or more, not %@."),
                    typedTextEcho(m_timeLimit, 40)));
            return;
        }
        if (minutes && *minutes > longestTimeLimitMinutes) {
            setProblem(
                localized(QStringLiteral("The time limit must be at most %@ minutes (a week), not %@."),
                    QString::number(longestTimeLimitMinutes), typedTextEcho(m_timeLimit, 40)));
            return;
        }
        if (minutes)
            limit = *minutes * 60;
        const QString penaltyText = m_penalty.trimmed();
        penalty = wholeNumber(penaltyText);
        if (!penaltyText.isEmpty() && (!penalty || *penalty < 0)) {
            setProblem(
                localized(QStringLiteral("The overtime penalty must be 0 or more points per minute, not %@."),
                    typedTextEcho(m_penalty, 40)));
            return;
        }
        if (penalty && *penalty > largestTypedPoints) {
            setProblem(
                localized(QStringLiteral("The overtime penalty is at most %@ points per minute, not %@."),
                    QLocale().toString(largestTypedPoints), typedTextEcho(m_penalty, 40)));
            return;
        }
    }
    setProblem(QString());
    m_course.type = m_rogaining ? CourseType::Rogaining : CourseType::Sequential;
    m_course.timeLimitSeconds = limit;
    m_course.overtimePenaltyPerMinute = penalty;
    if (onSave)
        onSave(m_course);
}

void CourseEditor::cancel()
{
    if (onCancel)
        onCancel();
}
