#include "startlistpdfs.h"

#include "classorder.h"
#include "documenttext.h"
#include "iofstartlistwriter.h"
#include "localization.h"
#include "nameorder.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

const QString dash = QStringLiteral("—");

QString displayName(const Participant &p)
{
    return personDisplayName(p.givenName, p.familyName);
}

QString startText(const Participant &p)
{
    if (!p.startTime || !p.startTime->isValid())
        return dash;
    return p.startTime->toLocalTime().toString(QStringLiteral("HH:mm"));
}

QString className(const std::optional<QString> &classId, const QList<RaceClass> &classes)
{
    if (classId) {
        for (const RaceClass &c : classes) {
            if (c.id == *classId)
                return c.name;
        }
    }
    return localized(QStringLiteral("No class"));
}

const RaceClass *findClass(const QString &id, const QList<RaceClass> &classes)
{
    for (const RaceClass &c : classes) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

bool byDisplayName(const Participant &a, const Participant &b)
{
    return compareNames(displayName(a), displayName(b)) < 0;
}

// Separators cut the list into groups of equal start time; runners without a time never start
// a group and are not remembered as the previous runner.
class TimeGroupSeparator
{
public:
    bool operator()(const Participant &p)
    {
        if (!p.startTime)
            return false;
        const int seconds = secondsOfDay(*p.startTime);
        const bool separate = m_previous && *m_previous != seconds;
        m_previous = seconds;
        return separate;
    }

private:
    std::optional<int> m_previous;
};

QString clockText(qint64 seconds)
{
    return QString::asprintf("%02lld:%02lld", static_cast<long long>(seconds / 3600),
        static_cast<long long>((seconds % 3600) / 60));
}

template<typename Body>
PdfExportResult renderDocument(const QString &path, qreal width, qreal height, Body body)
{
    PdfExportResult result;
    auto renderer = PDFTableRenderer::create(path, width, height, documentMargin, &result.error);
    if (!renderer)
        return result;
    body(*renderer);
    result.ok = renderer->finish(&result.error);
    return result;
}

} // namespace

QString stageDateTitle(const Race &race)
{
    if (race.stages.size() < 2 || !shownStage(race))
        return QString();
    for (const Stage &stage : race.stages) {
        if (stage.id == *shownStage(race)) {
            const QDate date = stage.date.toLocalTime().date();
            return QStringLiteral(" — ") + stage.name + QStringLiteral(" (") + printedDate(date)
                + QLatin1Char(')');
        }
    }
    return QString();
}

QString courseSummaryText(
    const RaceClass *raceClass, const QList<Participant> &runners, const QList<Course> &courses)
{
    QStringList parts;
    std::optional<QString> courseId;
    for (const Participant &p : runners) {
        if (p.courseId) {
            courseId = p.courseId;
            break;
        }
    }
    if (!courseId && raceClass)
        courseId = raceClass->courseId;
    const Course *course = nullptr;
    if (courseId) {
        for (const Course &c : courses) {
            if (c.id == *courseId) {
                course = &c;
                break;
            }
        }
    }
    if (course) {
        if (!course->controls.isEmpty())
            parts.append(localized(QStringLiteral("%@ controls"), course->controls.size()));
        if (course->lengthMeters && std::isfinite(*course->lengthMeters)) {
            const double metres = *course->lengthMeters;
            if (metres >= 1000)
                parts.append(printedNumber(metres / 1000, 1) + QStringLiteral(" km"));
            else
                parts.append(QString::number(std::round(metres), 'f', 0) + QStringLiteral(" m"));
        }
    }
    parts.append(localized(QStringLiteral("%@ contestant(s)"), runners.size()));
    return parts.join(QStringLiteral(" · "));
}

QString startWindowText(const RaceClass &raceClass, const Race &race)
{
    std::optional<StartWindow> window;
    const std::optional<QString> &stage = shownStage(race);
    if (stage && raceClass.stageStartWindows) {
        if (const StartWindow *w = stageEntry(*raceClass.stageStartWindows, *stage))
            window = *w;
    }
    if (!window)
        window = raceClass.startWindow;
    if (!window && stage && race.stageDefaultStartWindows) {
        if (const StartWindow *w = stageEntry(*race.stageDefaultStartWindows, *stage))
            window = *w;
    }
    if (!window)
        window = race.defaultStartWindow;
    if (!window)
        return QString();
    return QStringLiteral(", ") + clockText(window->openSeconds) + QStringLiteral(" - ")
        + clockText(window->closeSeconds);
}

bool classKeyOrderLocalized(const QString &keyA, const QString &keyB, const QList<RaceClass> &classes)
{
    return classKeyOrderNamed(keyA, keyB, classes, localized(QStringLiteral("No class")));
}

QList<QPair<RaceClass, QList<Participant>>> classSectionData(
    const QList<Participant> &participants, const Race &race)
{
    QList<RaceClass> punchClasses;
    for (const RaceClass &c : race.classes) {
        std::optional<StartMethod> method;
        if (shownStage(race) && c.stageStartMethods) {
            if (const StartMethod *m = stageEntry(*c.stageStartMethods, *shownStage(race)))
                method = *m;
        }
        if (!method)
            method = c.startMethod;
        if (method == StartMethod::StartPunch)
            punchClasses.append(c);
    }
    if (punchClasses.isEmpty())
        return {};
    QList<Participant> runners;
    for (const Participant &p : participants) {
        if (p.classId && findClass(*p.classId, punchClasses))
            runners.append(p);
    }
    const auto groups = groupParticipantsByClassId(runners);
    std::stable_sort(punchClasses.begin(), punchClasses.end(), compareClassNames);
    QList<QPair<RaceClass, QList<Participant>>> out;
    for (const RaceClass &c : punchClasses) {
        QList<Participant> members = groups.value(c.id);
        if (members.isEmpty())
            continue;
        std::stable_sort(members.begin(), members.end(), byDisplayName);
        out.append({c, members});
    }
    return out;
}

void drawClassSection(PDFTableRenderer &renderer, const Race &race, const QList<Participant> &participants,
    const QList<Course> &courses, bool ownPage)
{
    const auto sections = classSectionData(participants, race);
    if (sections.isEmpty())
        return;
    if (ownPage)
        renderer.startNewPage();
    const QList<PDFColumn> columns {{localized(QStringLiteral("Name")), 220},
        {localized(QStringLiteral("Club")), 220}, {localized(QStringLiteral("Card")), 80}};
    for (const auto &[raceClass, runners] : sections) {
        renderer.ensureSpace(62);
        renderer.drawSection(raceClass.name + startWindowText(raceClass, race),
            courseSummaryText(&raceClass, runners, courses));
        renderer.drawHeaderRow(columns);
        for (const Participant &p : runners) {
            renderer.drawCellRow(
                {displayName(p), shortenToGraphemes(p.club.value_or(QString()), startPunchClubLimit),
                    p.cardNumber},
                columns, false);
        }
    }
}

PdfExportResult renderStartListPDF(const Race &race, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QString &path)
{
    return renderDocument(path, a4ShortSide, a4LongSide, [&](PDFTableRenderer &renderer) {
        renderer.drawTitle(race.name);
        renderer.drawSubtitle(localized(QStringLiteral("Start List")) + stageDateTitle(race));
        const QList<PDFColumn> columns {{localized(QStringLiteral("Time")), 55},
            {localized(QStringLiteral("Name")), 160}, {localized(QStringLiteral("Class")), 90},
            {localized(QStringLiteral("Club")), 140}, {localized(QStringLiteral("Card")), 70}};
        renderer.drawHeaderRow(columns);
        TimeGroupSeparator separator;
        for (const Participant &p : participants) {
            const bool separate = separator(p);
            renderer.drawCellRow(
                {startText(p), displayName(p), className(p.classId, classes),
                    shortenToGraphemes(p.club.value_or(QString()), chronologicalClubLimit), p.cardNumber},
                columns, separate);
        }
    });
}

PdfExportResult renderStartListByClassPDF(const Race &race, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses,
    const QList<Participant> &startPunchParticipants, const QString &path)
{
    return renderDocument(path, a4ShortSide, a4LongSide, [&](PDFTableRenderer &renderer) {
        renderer.drawTitle(race.name);
        renderer.drawSubtitle(localized(QStringLiteral("Start List — By Class")) + stageDateTitle(race));
        const QList<PDFColumn> columns {{localized(QStringLiteral("Time")), 60},
            {localized(QStringLiteral("Name")), 220}, {localized(QStringLiteral("Club")), 150},
            {localized(QStringLiteral("Card")), 90}};
        const auto groups = groupParticipantsByClassId(participants);
        QStringList keys = groups.keys();
        std::sort(keys.begin(), keys.end(), [&classes](const QString &a, const QString &b) {
            if (classKeyOrderLocalized(a, b, classes))
                return true;
            if (classKeyOrderLocalized(b, a, classes))
                return false;
            return a < b;
        });
        for (const QString &key : keys) {
            QList<Participant> runners = groups.value(key);
            sortInStartOrder(runners);
            renderer.ensureSpace(62);
            const RaceClass *raceClass = key.isEmpty() ? nullptr : findClass(key, classes);
            std::optional<QString> trailing;
            if (raceClass)
                trailing = courseSummaryText(raceClass, runners, courses);
            renderer.drawSection(
                raceClass ? raceClass->name : localized(QStringLiteral("No class")), trailing);
            renderer.drawHeaderRow(columns);
            TimeGroupSeparator separator;
            for (const Participant &p : runners) {
                const bool separate = separator(p);
                renderer.drawCellRow(
                    {startText(p), displayName(p),
                        shortenToGraphemes(p.club.value_or(QString()), byClassClubLimit), p.cardNumber},
                    columns, separate);
            }
        }
        drawClassSection(renderer, race, startPunchParticipants, courses);
    });
}

PdfExportResult renderStartListGridPDF(const Race &race, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QString &path)
{
    return renderDocument(path, a4LongSide, a4ShortSide, [&](PDFTableRenderer &renderer) {
        // Runners with a start time, per class id and time of day.
        std::map<int, QHash<QString, QList<Participant>>> byTime;
        QSet<QString> usedClassIds;
        for (const Participant &p : participants) {
            if (!p.startTime)
                continue;
            auto &slot = byTime[secondsOfDay(*p.startTime)];
            if (p.classId) {
                slot[*p.classId].append(p);
                usedClassIds.insert(*p.classId);
            }
        }
        QList<RaceClass> gridClasses;
        for (const RaceClass &c : classes) {
            if (usedClassIds.contains(c.id))
                gridClasses.append(c);
        }
        std::stable_sort(gridClasses.begin(), gridClasses.end(), compareClassNames);
        constexpr qsizetype classesPerPage = 7;
        const qsizetype pages = (gridClasses.size() + classesPerPage - 1) / classesPerPage;
        for (qsizetype page = 0; page < pages; ++page) {
            if (page > 0)
                renderer.startNewPage();
            renderer.drawTitle(race.name);
            const QString label = pages == 1
                ? localized(QStringLiteral("Start List (Grid)"))
                : localized(QStringLiteral("Start List (Grid) — page %@ of %@"), page + 1, pages);
            renderer.drawSubtitle(label + stageDateTitle(race));
            const QList<RaceClass> pageClasses = gridClasses.mid(page * classesPerPage, classesPerPage);
            const qreal classWidth = (renderer.pageWidth() - 2 * renderer.margin() - 60) / pageClasses.size();
            QList<PDFColumn> columns {{localized(QStringLiteral("Time")), 60}};
            for (const RaceClass &c : pageClasses)
                columns.append({c.name, classWidth});
            renderer.drawHeaderRow(columns);
            for (const auto &[seconds, slot] : byTime) {
                QStringList cells {clockText(seconds)};
                for (const RaceClass &c : pageClasses) {
                    QList<Participant> names = slot.value(c.id);
                    std::stable_sort(names.begin(), names.end(), byDisplayName);
                    QStringList texts;
                    for (const Participant &p : names)
                        texts.append(displayName(p));
                    cells.append(texts.join(QStringLiteral(", ")));
                }
                renderer.drawCellRow(cells, columns, true);
            }
        }
    });
}
