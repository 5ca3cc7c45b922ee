#include "starttimetext.h"

#include <QStringList>
#include <QTime>

namespace {

// A whole decimal number: optional sign, then ASCII digits only. Values beyond any valid hour,
// minute or second are capped rather than overflowed; the range check rejects them.
std::optional<int> readComponent(const QString &component)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < component.size() && (component[i] == u'+' || component[i] == u'-')) {
        negative = component[i] == u'-';
        ++i;
    }
    if (i == component.size())
        return std::nullopt;
    int value = 0;
    for (; i < component.size(); ++i) {
        const char16_t c = component[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min(value * 10 + int(c - u'0'), 1000000);
    }
    return negative ? -value : value;
}

} // namespace

std::optional<QString> parseStartTimeText(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    t.replace(u'.', u':').replace(u',', u':');

    QStringList components;
    if (t.contains(u':')) {
        components = t.split(u':', Qt::KeepEmptyParts);
    } else {
        // Counted in characters, not UTF-16 units, so a numeric character outside the basic
        // plane counts once (and is then rejected as a non-ASCII digit).
        const QList<uint> chars = t.toUcs4();
        for (uint c : chars) {
            if (!QChar::isNumber(char32_t(c)))
                return std::nullopt;
        }
        auto part = [&](qsizetype from, qsizetype count) {
            return QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()) + from, count);
        };
        if (chars.size() == 3)
            components = {part(0, 1), part(1, 2)};
        else if (chars.size() == 4)
            components = {part(0, 2), part(2, 2)};
        else
            components = {t};
    }
    if (components.isEmpty() || components.size() > 3)
        return std::nullopt;

    int values[3] = {0, 0, 0};
    for (qsizetype i = 0; i < components.size(); ++i) {
        const std::optional<int> v = readComponent(components[i]);
        if (!v)
            return std::nullopt;
        values[i] = *v;
    }
    if (values[0] < 0 || values[0] > 23 || values[1] < 0 || values[1] > 59 || values[2] < 0 || values[2] > 59)
        return std::nullopt;
    return QString::asprintf("%02d:%02d:%02d", values[0], values[1], values[2]);
}

std::optional<QDateTime> startTimeOnDay(const QString &text, const QDate &day)
{
    const std::optional<QString> normalised = parseStartTimeText(text);
    if (!normalised || !day.isValid())
        return std::nullopt;
    const QTime time = QTime::fromString(*normalised, QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    const QDateTime local(day, time, Qt::LocalTime);
    // A time the local clock skips (the spring change) does not exist on that day.
    if (!local.isValid() || local.time() != time)
        return std::nullopt;
    return local.toUTC();
}

std::optional<QDateTime> startTimeOnRaceDay(
    const QString &text, const std::optional<QDateTime> &day, const QDateTime &now)
{
    const QDateTime reference = day && day->isValid() ? *day : now;
    return startTimeOnDay(text, reference.toLocalTime().date());
}
