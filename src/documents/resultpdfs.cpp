#include "resultpdfs.h"

#include "documenttext.h"
#include "localization.h"
#include "racelookup.h"
#include "resultverdict.h"
#include "splitlegs.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

const QString dash = QStringLiteral("—");

QString participantName(const ParticipantLookup &participants, const PersonResult &result)
{
    const Participant *p = participants.find(result.participantId);
    return p ? personDisplayName(p->givenName, p->familyName) : QStringLiteral("Unknown");
}

QString durationCell(const std::optional<double> &seconds)
{
    return seconds ? formatDurationForPDF(*seconds) : dash;
}

// The common frame: title, subtitle, the body, finish.
template<typename Body>
PdfExportResult renderDocument(
    const QString &path, qreal width, qreal height, const Race &race, const QString &subtitle, Body body)
{
    PdfExportResult result;
    auto renderer = PDFTableRenderer::create(path, width, height, documentMargin, &result.error);
    if (!renderer)
        return result;
    renderer->drawTitle(race.name);
    renderer->drawSubtitle(subtitle);
    body(*renderer);
    result.ok = renderer->finish(&result.error);
    return result;
}

QString stageSubtitle(const char *plain, const char *withStage, const std::optional<QString> &stageLabel)
{
    if (stageLabel)
        return localized(QString::fromUtf8(withStage), {*stageLabel});
    return localized(QString::fromUtf8(plain));
}

QString placeCell(const QList<std::optional<qint64>> &places, qsizetype row)
{
    const auto place = placeOfRow(places, row);
    return place ? QString::number(*place) : QString();
}

// One block of columns of a split-times group: the controls of one course, in course order, and the
// runners who ran that course. A runner without a course, or on a score course, has a block of
// their own with the controls they punched.
struct SplitBlock
{
    QString title;
    bool course = false;
    // The controls of a course, shared by its runners; else one runner's own passages.
    bool shared = false;
    QList<qint64> controls;
    QList<qsizetype> rows;
    // Per row of `rows`: per column, the split that passes that control (or -1).
    QList<QList<qsizetype>> passages;
    QList<SplitLegs> legs;
    QList<qsizetype> extras;
};

QList<SplitBlock> splitBlocks(const Race &race, const QList<PersonResult> &results)
{
    QList<SplitBlock> blocks;
    QHash<QString, qsizetype> byCourse;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const PersonResult &result = results.at(i);
        const Course *course = findCourse(race, result.courseId);
        const bool shared = course && course->type != CourseType::Rogaining && !course->controls.isEmpty();
        SplitBlock *block = nullptr;
        if (shared && byCourse.contains(course->id)) {
            block = &blocks[byCourse.value(course->id)];
        } else {
            SplitBlock fresh;
            if (course) {
                fresh.title = course->name;
                fresh.course = true;
            }
            fresh.shared = shared;
            if (shared) {
                fresh.controls = courseControlCodes(*course);
                byCourse.insert(course->id, blocks.size());
            } else {
                for (const SplitTime &split : result.splits) {
                    if (split.status != SplitStatus::Additional)
                        fresh.controls.append(split.controlCode);
                }
            }
            blocks.append(fresh);
            block = &blocks.last();
        }
        QList<qsizetype> passage(block->controls.size(), -1);
        const QList<qsizetype> columns = courseColumns(result.splits, block->controls);
        qsizetype extras = 0;
        for (qsizetype j = 0; j < columns.size(); ++j) {
            if (columns.at(j) >= 0)
                passage[columns.at(j)] = j;
            else if (result.splits.at(j).status != SplitStatus::Missing)
                ++extras;
        }
        block->rows.append(i);
        block->passages.append(passage);
        block->legs.append(splitLegs(result));
        block->extras.append(extras);
    }
    return blocks;
}

// Leg ranks of one block, per row and column: the same leg of the same course compared in whole
// seconds as printed; equal legs share a rank. 0: no rank. Only a leg from the control before it
// (or, for the first, from the start) is that leg: one that runs from further back, over a control
// missed or passed without a time, is not ranked, nor does it take a rank from the others.
QList<QList<int>> legRanks(const SplitBlock &block)
{
    const qsizetype columns = block.controls.size();
    QList<QList<int>> ranks(block.rows.size(), QList<int>(columns, 0));
    QList<QPair<qint64, qsizetype>> legs;
    for (qsizetype k = 0; k < columns; ++k) {
        legs.clear();
        for (qsizetype r = 0; r < block.rows.size(); ++r) {
            const qsizetype split = block.passages.at(r).at(k);
            if (split < 0)
                continue;
            if (k > 0) {
                const qsizetype before = block.passages.at(r).at(k - 1);
                if (before < 0 || !block.legs.at(r).splits.at(before).timed)
                    continue;
            }
            const std::optional<double> leg = block.legs.at(r).splits.at(split).leg;
            // A leg below zero (a punch before the start) ranks nowhere.
            if (leg && truncatedSeconds(*leg))
                legs.append({std::llround(*leg), r});
        }
        std::sort(legs.begin(), legs.end());
        for (qsizetype n = 0; n < legs.size(); ++n) {
            const bool tied = n > 0 && legs.at(n).first == legs.at(n - 1).first;
            ranks[legs.at(n).second][k] = tied ? ranks[legs.at(n - 1).second][k] : int(n + 1);
        }
    }
    return ranks;
}

void drawSplitGroup(PDFTableRenderer &renderer, const Race &race, const ParticipantLookup &participants,
    const ResultGroup &group)
{
    const QList<PersonResult> &results = group.results;
    const QString noData = localized(QStringLiteral("No course/split data"));
    if (std::none_of(
            results.cbegin(), results.cend(), [](const PersonResult &r) { return !r.splits.isEmpty(); })) {
        renderer.drawRow(noData);
        return;
    }
    const QList<SplitBlock> blocks = splitBlocks(race, results);
    const QString total = localized(QStringLiteral("Total"));
    const QColor black(Qt::black);
    const QColor red(Qt::red);
    const QColor gray(128, 128, 128);
    constexpr qsizetype chunkSize = 12;
    // The columns and the control row of each chunk of 12 controls are the same for every runner.
    struct Chunk
    {
        qsizetype start = 0;
        qsizetype end = 0;
        QList<PDFColumn> columns;
        QStringList controlRow;
        QList<QColor> controlColors;
    };
    // The cells of a line, kept from line to line to reuse their lists.
    QStringList b;
    QStringList c;
    QList<QColor> bColors;
    QList<QColor> cColors;
    // A course's name heads its block when the group's runners ran more than one course.
    QSet<QString> courses;
    for (const PersonResult &r : results) {
        if (findCourse(race, r.courseId))
            courses.insert(*r.courseId);
    }
    for (const SplitBlock &block : blocks) {
        if (courses.size() > 1 && block.course)
            renderer.drawRow(block.title, true);
        const qsizetype positions = block.controls.size();
        QList<Chunk> chunks;
        for (qsizetype start = 0; start == 0 || start < positions; start += chunkSize) {
            Chunk chunk {
                start, std::min(positions, start + chunkSize), {{QString(), 160}}, {QString()}, {black}};
            for (qsizetype k = chunk.start; k < chunk.end; ++k) {
                chunk.columns.append({QString(), 45});
                chunk.controlRow.append(QString::number(block.controls.at(k)));
                chunk.controlColors.append(black);
            }
            if (chunk.end == positions) {
                chunk.columns.append({QString(), 70});
                chunk.controlRow.append(total);
                chunk.controlColors.append(black);
            }
            chunks.append(chunk);
        }
        // A block of one runner's own punches has nothing to rank against.
        const QList<QList<int>> ranks
            = block.shared ? legRanks(block) : QList<QList<int>>(block.rows.size(), QList<int>(positions, 0));
        for (qsizetype r = 0; r < block.rows.size(); ++r) {
            const qsizetype i = block.rows.at(r);
            const PersonResult &result = results.at(i);
            const SplitLegs &legs = block.legs.at(r);
            for (const Chunk &chunk : std::as_const(chunks)) {
                const bool first = chunk.start == 0;
                b.clear();
                c.clear();
                bColors.clear();
                cColors.clear();
                b.append(first ? (placeOfRow(group.places, i)
                                         ? QStringLiteral("%1. ").arg(*placeOfRow(group.places, i))
                                         : QString())
                            + participantName(participants, result)
                               : QString());
                // Extra punches are no columns: their number stands on the runner's line.
                const qsizetype extras = block.extras.at(r);
                c.append(first && extras > 0 ? QStringLiteral("+%1").arg(extras) : QString());
                bColors.append(black);
                cColors.append(gray);
                for (qsizetype k = chunk.start; k < chunk.end; ++k) {
                    const qsizetype split = block.passages.at(r).at(k);
                    const bool missed = split < 0 || result.splits.at(split).status == SplitStatus::Missing;
                    const SplitLeg *times = missed ? nullptr : &legs.splits.at(split);
                    if (times && times->elapsed) {
                        b.append(formatDurationForPDF(*times->elapsed));
                        bColors.append(black);
                    } else {
                        b.append(dash);
                        bColors.append(missed ? red : black);
                    }
                    if (times && times->leg) {
                        QString leg = formatDurationForPDF(*times->leg);
                        if (const int rank = ranks.at(r).at(k); rank > 0)
                            leg += QStringLiteral(" (%1)").arg(rank);
                        c.append(leg);
                    } else {
                        c.append(dash);
                    }
                    cColors.append(gray);
                }
                if (chunk.end == positions) {
                    b.append(durationCell(result.raceTime));
                    bColors.append(black);
                    c.append(resultStatusText(race, result));
                    cColors.append(gray);
                }
                renderer.drawCellRow(
                    chunk.controlRow, chunk.columns, first, renderer.headerFont(), chunk.controlColors);
                renderer.drawCellRow(b, chunk.columns, false, renderer.headerFont(), bColors);
                renderer.drawCellRow(c, chunk.columns, false, renderer.bodyFont(), cColors);
            }
        }
    }
}

} // namespace

QString formatDurationForPDF(double seconds)
{
    return formatDuration(seconds);
}

QString resultParticipantName(const Race &race, const PersonResult &result)
{
    const Participant *p = findParticipant(race, result.participantId);
    return p ? personDisplayName(p->givenName, p->familyName) : QStringLiteral("Unknown");
}

QString resultStatusText(const Race &race, const PersonResult &result)
{
    const QString word = verdictKey(resultVerdict(race, result));
    return word.isEmpty() ? QString() : localized(word);
}

PdfExportResult renderResultsPDF(const Race &race, const QList<ResultGroup> &groups,
    const std::optional<QString> &stageLabel, const QString &path)
{
    const QString subtitle = stageSubtitle("Results", "Results — %@", stageLabel);
    return renderDocument(path, a4ShortSide, a4LongSide, race, subtitle, [&](PDFTableRenderer &renderer) {
        const ParticipantLookup participants(race);
        for (const ResultGroup &group : groups) {
            renderer.drawSection(group.classLabel);
            const bool scoreMode
                = std::any_of(group.results.begin(), group.results.end(), [&](const PersonResult &r) {
                      const Course *course = findCourse(race, r.courseId);
                      return course && course->type == CourseType::Rogaining;
                  });
            const QList<PDFColumn> columns {{localized(QStringLiteral("#")), 30},
                {localized(QStringLiteral("Name")), 200}, {localized(QStringLiteral("Card")), 80},
                {localized(scoreMode ? QStringLiteral("Score") : QStringLiteral("Time")), 80},
                {localized(QStringLiteral("Status")), 100}};
            renderer.drawHeaderRow(columns);
            for (qsizetype n = 0; n < group.results.size(); ++n) {
                const PersonResult &r = group.results.at(n);
                const QString fourth
                    = scoreMode ? (r.score ? QString::number(*r.score) : dash) : durationCell(r.raceTime);
                renderer.drawCellRow({placeCell(group.places, n), participantName(participants, r),
                                         r.cardNumber, fourth, resultStatusText(race, r)},
                    columns, false);
            }
            // Marked as not started or not finished without a result: no place, no time.
            for (const MarkedRunner &runner : group.marked) {
                const Participant &p = runner.participant;
                renderer.drawCellRow({QString(), personDisplayName(p.givenName, p.familyName), p.cardNumber,
                                         dash, localized(markKey(runner.status))},
                    columns, false);
            }
        }
    });
}

PdfExportResult renderOverallStandingsPDF(
    const Race &race, const QList<StandingsGroup> &groups, const QString &path)
{
    const QString subtitle = localized(QStringLiteral("Overall Standings"));
    return renderDocument(path, a4ShortSide, a4LongSide, race, subtitle, [&](PDFTableRenderer &renderer) {
        for (const StandingsGroup &group : groups) {
            renderer.drawSection(group.classLabel);
            // A class ranked by points shows them before the total time it is ranked by next.
            QList<PDFColumn> columns {
                {localized(QStringLiteral("#")), 30}, {localized(QStringLiteral("Name")), 220}};
            if (group.scoreGroup)
                columns.append({localized(QStringLiteral("Score")), 70});
            columns.append({localized(QStringLiteral("Total Time")), 100});
            columns.append({localized(QStringLiteral("Status")), 100});
            renderer.drawHeaderRow(columns);
            for (qsizetype n = 0; n < group.rows.size(); ++n) {
                const StandingsRow &row = group.rows.at(n);
                QStringList cells {placeCell(group.places, n),
                    personDisplayName(row.participant.givenName, row.participant.familyName)};
                if (group.scoreGroup)
                    cells.append(row.totalScore ? QString::number(*row.totalScore) : dash);
                cells.append(durationCell(row.totalTime));
                cells.append(localized(overallStatusKey(row.status)));
                renderer.drawCellRow(cells, columns, false);
            }
        }
    });
}

PdfExportResult renderSplitTimesPDF(const Race &race, const QList<ResultGroup> &groups,
    const std::optional<QString> &stageLabel, const QString &path)
{
    const QString subtitle = stageSubtitle("Split Times", "Split Times — %@", stageLabel);
    return renderDocument(path, a4LongSide, a4ShortSide, race, subtitle, [&](PDFTableRenderer &renderer) {
        const ParticipantLookup participants(race);
        for (const ResultGroup &group : groups) {
            renderer.drawSection(group.classLabel);
            drawSplitGroup(renderer, race, participants, group);
        }
    });
}
