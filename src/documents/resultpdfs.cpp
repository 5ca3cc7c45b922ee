#include "resultpdfs.h"

#include "documenttext.h"
#include "localization.h"
#include "racelookup.h"
#include "resultverdict.h"

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

const SplitTime *splitAt(const PersonResult &result, qsizetype j)
{
    return j < result.splits.size() ? &result.splits.at(j) : nullptr;
}

QString placeCell(const QList<std::optional<qint64>> &places, qsizetype row)
{
    const auto place = placeOfRow(places, row);
    return place ? QString::number(*place) : QString();
}

void drawSplitGroup(PDFTableRenderer &renderer, const Race &race, const ParticipantLookup &participants,
    const ResultGroup &group)
{
    const QList<PersonResult> &results = group.results;
    const QString noData = localized(QStringLiteral("No course/split data"));
    if (results.isEmpty()) {
        renderer.drawRow(noData);
        return;
    }
    const PersonResult *reference = &results.first();
    for (const PersonResult &r : results) {
        if (r.splits.size() > reference->splits.size())
            reference = &r;
    }
    if (reference->splits.isEmpty()) {
        renderer.drawRow(noData);
        return;
    }
    QList<qint64> controls;
    for (const SplitTime &s : reference->splits)
        controls.append(s.controlCode);
    const qsizetype positions = controls.size();

    // Leg ranks per position: equal legs get consecutive, distinct ranks (stable by row order).
    // The legs are collected runner by runner, each runner's splits read once and in order (read
    // position by position, a large class went through every runner's splits once per control),
    // and the ranks kept in one table of rows × positions.
    QList<QList<QPair<double, qint32>>> legs(positions);
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QList<SplitTime> &splits = results.at(i).splits;
        const qsizetype reach = std::min(positions, splits.size());
        for (qsizetype j = 0; j < reach; ++j) {
            const SplitTime &s = splits.at(j);
            // A leg below zero (a punch before the start) is printed "—" and ranks nowhere.
            if (s.status != SplitStatus::Missing && s.legTime && truncatedSeconds(*s.legTime))
                legs[j].append({*s.legTime, qint32(i)});
        }
    }
    QList<int> legRank(results.size() * positions, 0);
    for (qsizetype j = 0; j < positions; ++j) {
        QList<QPair<double, qint32>> &leg = legs[j];
        std::stable_sort(
            leg.begin(), leg.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (qsizetype k = 0; k < leg.size(); ++k)
            legRank[leg.at(k).second * positions + j] = int(k + 1);
    }

    const QString total = localized(QStringLiteral("Total"));
    const QColor black(Qt::black);
    const QColor red(Qt::red);
    const QColor gray(128, 128, 128);
    constexpr qsizetype blockSize = 12;
    // The columns and the control row of each block of 12 positions are the same for every runner.
    struct Block
    {
        qsizetype start = 0;
        qsizetype end = 0;
        QList<PDFColumn> columns;
        QStringList controlRow;
        QList<QColor> controlColors;
    };
    QList<Block> blocks;
    for (qsizetype start = 0; start < positions; start += blockSize) {
        Block block {start, std::min(positions, start + blockSize), {{QString(), 160}}, {QString()}, {black}};
        for (qsizetype j = block.start; j < block.end; ++j) {
            block.columns.append({QString(), 45});
            block.controlRow.append(QString::number(controls.at(j)));
            block.controlColors.append(black);
        }
        if (block.end == positions) {
            block.columns.append({QString(), 70});
            block.controlRow.append(total);
            block.controlColors.append(black);
        }
        blocks.append(block);
    }
    // The cells of a line, kept from line to line to reuse their lists.
    QStringList b;
    QStringList c;
    QList<QColor> bColors;
    QList<QColor> cColors;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const PersonResult &result = results.at(i);
        for (const Block &block : std::as_const(blocks)) {
            const qsizetype start = block.start;
            const qsizetype end = block.end;
            const bool last = end == positions;
            b.clear();
            c.clear();
            bColors.clear();
            cColors.clear();
            b.append(start == 0
                    ? (placeOfRow(group.places, i) ? QStringLiteral("%1. ").arg(*placeOfRow(group.places, i))
                                                   : QString())
                        + participantName(participants, result)
                    : QString());
            c.append(QString());
            bColors.append(black);
            cColors.append(black);
            for (qsizetype j = start; j < end; ++j) {
                const SplitTime *s = splitAt(result, j);
                const bool usable = s && s->status != SplitStatus::Missing;
                if (usable && s->elapsedFromStart) {
                    b.append(formatDurationForPDF(*s->elapsedFromStart));
                    bColors.append(black);
                } else {
                    b.append(dash);
                    bColors.append(red);
                }
                if (usable && s->legTime) {
                    QString leg = formatDurationForPDF(*s->legTime);
                    if (const int rank = legRank.at(i * positions + j); rank > 0)
                        leg += QStringLiteral(" (%1)").arg(rank);
                    c.append(leg);
                } else {
                    c.append(dash);
                }
                cColors.append(gray);
            }
            if (last) {
                b.append(durationCell(result.raceTime));
                bColors.append(black);
                c.append(resultStatusText(race, result));
                cColors.append(gray);
            }
            const QList<PDFColumn> &columns = block.columns;
            renderer.drawCellRow(
                block.controlRow, columns, start == 0, renderer.headerFont(), block.controlColors);
            renderer.drawCellRow(b, columns, false, renderer.headerFont(), bColors);
            renderer.drawCellRow(c, columns, false, renderer.bodyFont(), cColors);
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
