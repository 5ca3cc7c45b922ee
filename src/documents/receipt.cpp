#include "receipt.h"

#include "documenttext.h"
#include "resultgroups.h"
#include "resultverdict.h"
#include "splitlegs.h"

namespace {

QString clockTime(const QDateTime &t)
{
    return t.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString formatDurationForReceipt(double seconds)
{
    return formatDuration(seconds);
}

QString renderReceiptHTML(const PersonResult &result, const Race &race)
{
    const Participant *runner = findParticipant(race, result.participantId);
    // The class the runner ran in on the result's stage: a per-stage class wins over the base one,
    // so a receipt from stage 2 never names the class of stage 1.
    const RaceClass *raceClass = nullptr;
    if (runner) {
        std::optional<QString> classId = runner->classId;
        if (result.stageId && runner->classIdByStage) {
            if (const QString *perStage = stageEntry(*runner->classIdByStage, *result.stageId))
                classId = *perStage;
        }
        raceClass = findClass(race, classId);
    }
    const Course *course = findCourse(race, result.courseId);
    const bool scoreMode = course && course->type == CourseType::Rogaining;

    QString html;
    html.reserve(2048 + result.splits.size() * 80);
    html += QStringLiteral(
        "<html><head><meta charset=\"utf-8\"><style>\n"
        "body { font-family: Helvetica, Arial, sans-serif; font-size: 8pt; color: #000; margin: 0; }\n"
        "h1 { font-size: 10pt; font-weight: bold; margin: 0 0 4px 0; text-align: center; }\n"
        ".name { font-size: 9pt; font-weight: bold; margin: 2px 0; }\n"
        ".meta div { margin: 1px 0; }\n"
        "hr { border: none; border-top: 0.75px solid #000; margin: 4px 0; }\n"
        "table { border-collapse: collapse; width: 100%; margin: 4px 0; }\n"
        "th { text-align: left; font-weight: bold; border-bottom: 1px solid #000; padding: 1px 3px; "
        "font-size: "
        "7.5pt; }\n"
        "td { padding: 1px 3px; font-size: 7.5pt; }\n"
        "td.miss { color: #c00; font-weight: bold; }\n"
        ".footer-line { font-weight: bold; margin: 1px 0; }\n"
        "</style></head><body>\n"
        "<h1>");
    html += escapeMarkup(race.name);
    html += QStringLiteral("</h1>\n<hr/>\n<div class=\"name\">");
    const QString name
        = runner ? personDisplayName(runner->givenName, runner->familyName) : QStringLiteral("Unknown");
    html += escapeMarkup(name);
    html += QStringLiteral("</div>\n<div class=\"meta\">\n<div>Card: ");
    html += escapeMarkup(result.cardNumber);
    html += QStringLiteral("</div>\n");
    if (raceClass)
        html += QStringLiteral("<div>Class: ") + escapeMarkup(raceClass->name) + QStringLiteral("</div>");
    html += QStringLiteral("\n<div>Course: ");
    html += course ? escapeMarkup(course->name) : QStringLiteral("—");
    html += QStringLiteral("</div>\n</div>\n<hr/>\n<div class=\"meta\">");
    if (result.startTime)
        html += QStringLiteral("<div>Start: ") + clockTime(*result.startTime) + QStringLiteral("</div>");
    if (result.finishTime)
        html += QStringLiteral("<div>Finish: ") + clockTime(*result.finishTime) + QStringLiteral("</div>");
    html += QStringLiteral("</div>\n<hr/>\n<table>\n<tr><th>#</th><th>Ctrl</th><th>Split</th><th>");
    html += scoreMode ? QStringLiteral("Pts") : QStringLiteral("Elapsed");
    html += QStringLiteral("</th></tr>\n");

    // Only course controls are numbered; an extra punch is marked "+".
    int n = 0;
    const SplitLegs legs = splitLegs(result);
    for (qsizetype i = 0; i < result.splits.size(); ++i) {
        const SplitTime &split = result.splits.at(i);
        const SplitLeg &times = legs.splits.at(i);
        const QString number = times.courseControl ? QString::number(++n) : QStringLiteral("+");
        const QString leg = times.leg ? formatDurationForReceipt(*times.leg) : QStringLiteral("—");
        const QString elapsed
            = times.elapsed ? formatDurationForReceipt(*times.elapsed) : QStringLiteral("—");
        const QString points = QString::number(split.score.value_or(0));
        html += QStringLiteral("<tr><td>") + number + QStringLiteral("</td><td>")
            + QString::number(split.controlCode);
        switch (split.status) {
        case SplitStatus::Missing:
            html += QStringLiteral("</td><td colspan=\"2\" class=\"miss\">MISSING</td></tr>\n");
            break;
        case SplitStatus::VisitedNoTime:
            if (scoreMode)
                html
                    += QStringLiteral("</td><td>VISITED</td><td>+") + points + QStringLiteral("</td></tr>\n");
            else
                html += QStringLiteral("</td><td colspan=\"2\">VISITED (no time)</td></tr>\n");
            break;
        case SplitStatus::Ok:
        case SplitStatus::Additional:
            if (!scoreMode) {
                html += QStringLiteral("</td><td>") + escapeMarkup(leg) + QStringLiteral("</td><td>")
                    + escapeMarkup(elapsed) + QStringLiteral("</td></tr>\n");
            } else if (split.status == SplitStatus::Ok) {
                html += QStringLiteral("</td><td>") + escapeMarkup(leg) + QStringLiteral("</td><td>+")
                    + points + QStringLiteral("</td></tr>\n");
            } else {
                html += QStringLiteral("</td><td>") + escapeMarkup(leg)
                    + QStringLiteral("</td><td>0</td></tr>\n");
            }
            break;
        }
    }
    html += QStringLiteral("\n</table>\n<hr/>\n");

    QStringList footer;
    // A finish before the start has no time to print; the runner is sent to the organiser.
    const bool beforeStart = finishesBeforeStart(result);
    if (scoreMode) {
        if (result.score)
            footer.append(QStringLiteral("Score: %1 pts").arg(*result.score));
        if (result.overtimePenalty && *result.overtimePenalty > 0)
            footer.append(QStringLiteral("Overtime penalty: -%1").arg(*result.overtimePenalty));
    } else if (result.raceTime && !beforeStart) {
        footer.append(QStringLiteral("Total time: ") + formatDurationForReceipt(*result.raceTime));
    }
    // The verdict in the words the screens and the result lists use for it.
    if (const QString word = verdictKey(resultVerdict(race, result)); !word.isEmpty())
        footer.append(word);
    if (beforeStart && !result.completedOverride)
        footer.append(QStringLiteral("CHECK CARD: FINISH BEFORE START"));
    for (const QString &line : footer)
        html += QStringLiteral("<div class=\"footer-line\">") + escapeMarkup(line) + QStringLiteral("</div>");
    html += QStringLiteral("\n</body></html>");
    return html;
}
