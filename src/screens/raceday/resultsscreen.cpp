#include "resultsscreen.h"

#include "chosenfile.h"
#include "filechooser.h"
#include "localization.h"
#include "racedaydesk.h"
#include "racelookup.h"
#include "racestore.h"
#include "readerpaneviewmodel.h"
#include "resultgroups.h"
#include "resultrow.h"
#include "resultverdict.h"
#include "splittimessheet.h"

#include <algorithm>

namespace {

QVariantMap rowVariant(const ResultRowTexts &row, const PersonResult &result)
{
    return {{QStringLiteral("place"), row.place}, {QStringLiteral("name"), row.name},
        {QStringLiteral("detail"), row.detail}, {QStringLiteral("scoreCourse"), row.scoreCourse},
        {QStringLiteral("time"), row.time}, {QStringLiteral("timeTone"), toneName(row.timeTone)},
        {QStringLiteral("behind"), row.behind}, {QStringLiteral("showsBadge"), row.showsBadge},
        {QStringLiteral("badge"), row.badge}, {QStringLiteral("badgeTone"), toneName(row.badgeTone)},
        {QStringLiteral("overridden"), row.overridden},
        {QStringLiteral("overrideTooltip"), row.overrideTooltip}, {QStringLiteral("points"), row.points},
        {QStringLiteral("pointsTone"), toneName(row.pointsTone)}, {QStringLiteral("overtime"), row.overtime},
        {QStringLiteral("verdict"), row.verdict}, {QStringLiteral("verdictTone"), toneName(row.verdictTone)},
        {QStringLiteral("reviewNote"), row.reviewNote},
        {QStringLiteral("canClearOverride"), ResultCorrections::canClearOverride(result)}};
}

QString overallName(const Participant &p)
{
    return (p.givenName + QLatin1Char(' ') + p.familyName).trimmed();
}

bool isPdfExport(int kind)
{
    return kind == int(ResultExportKind::ResultsPDF) || kind == int(ResultExportKind::SplitsPDF);
}

} // namespace

// ---- List ----------------------------------------------------------------------------------

void ResultListModel::setLines(const Race *race, QList<Line> lines)
{
    resetRows([&] {
        m_race = race;
        m_lines = std::move(lines);
    });
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Line &line = m_lines.at(index.row());
    switch (role) {
    case KindRole:
        return line.kind;
    case StripeRole:
        return line.stripe;
    case ResultIdRole:
        return line.resultId;
    case TextsRole:
        if (line.result && m_race) {
            QVariantMap texts = rowVariant(
                resultRowTexts(*m_race, *line.result, line.place, line.leaderTime), *line.result);
            texts.insert(QStringLiteral("earlierRead"),
                line.earlierRead ? localized(QStringLiteral("Earlier read, not ranked")) : QString());
            return texts;
        }
        return line.texts;
    default:
        return {};
    }
}

QHash<int, QByteArray> ResultListModel::roleNames() const
{
    return {{KindRole, "kind"}, {StripeRole, "stripe"}, {ResultIdRole, "resultId"}, {TextsRole, "texts"}};
}

// ---- Screen --------------------------------------------------------------------------------

ResultsScreen::ResultsScreen(QObject *parent)
    : StoreViewModel(parent)
{
    connect(
        &LocalizationManager::shared(), &LocalizationManager::languageChanged, this, &ResultsScreen::refresh);
}

ResultsScreen::~ResultsScreen() = default;

void ResultsScreen::storeReplaced()
{
    RaceStore *store = this->store();
    m_results.reset();
    m_corrections.reset();
    m_detail.reset();
    if (store) {
        m_results = std::make_unique<ResultsViewModel>(store);
        m_corrections = std::make_unique<ResultCorrections>(store);
        follow(connect(
            store->stationSettings(), &StationSettings::roleChanged, this, &ResultsScreen::viewChanged));
        follow(connect(
            m_results.get(), &ResultsViewModel::exportErrorChanged, this, &ResultsScreen::viewChanged));
        if (VexloChecklistPuller *puller = store->vexloChecklistPuller())
            follow(
                connect(puller, &VexloChecklistPuller::isPullingChanged, this, &ResultsScreen::viewChanged));
    }
    emit storeChanged();
    emit detailChanged();
    refresh();
}

QObject *ResultsScreen::deskObject() const
{
    return m_desk.data();
}

void ResultsScreen::setDeskObject(QObject *desk)
{
    auto *d = qobject_cast<RaceDayDesk *>(desk);
    if (d == m_desk)
        return;
    disconnect(m_printConnection);
    m_desk = d;
    if (d && d->receiptPrinter())
        m_printConnection
            = connect(d->receiptPrinter(), &ReceiptPrinter::jobFinished, this, &ResultsScreen::printFinished);
    emit storeChanged();
}

void ResultsScreen::refresh()
{
    QList<ResultListModel::Line> lines;
    if (store()) {
        if (m_results->showsOverall()) {
            for (const ClassStandings &group : m_results->standingsGroups()) {
                lines.append(
                    {QStringLiteral("header"), false, {}, {{QStringLiteral("title"), group.className}}});
                for (qsizetype i = 0; i < group.standings.size(); ++i) {
                    const RankedEntry &row = group.standings.at(i);
                    const std::optional<qint64> place = group.places.value(i);
                    QVariantMap texts {{QStringLiteral("place"),
                                           place ? localized(QStringLiteral("%lld."), *place) : QString()},
                        {QStringLiteral("name"), overallName(*row.participant)},
                        {QStringLiteral("total"),
                            row.totalTime ? formatRaceTime(*row.totalTime) : localized(QStringLiteral("—"))},
                        {QStringLiteral("totalMissing"), !row.totalTime.has_value()},
                        // Green only for a placed runner: a stage without a time is no full set.
                        {QStringLiteral("allStages"), row.status == OverallStatus::Placed},
                        // A class ranked by points shows them before the total time.
                        {QStringLiteral("points"),
                            !group.scoreGroup    ? QString()
                                : row.totalScore ? localized(QStringLiteral("%@ pts"), *row.totalScore)
                                                 : localized(QStringLiteral("—"))},
                        {QStringLiteral("stagesText"), localized(overallStatusKey(row.status))}};
                    lines.append({QStringLiteral("overall"), i % 2 == 1, {}, texts});
                }
            }
        } else {
            // The earlier reads of each listed read's runner and stage, latest first, to show
            // under it: the ranked list leaves them out.
            const Race &race = store()->race();
            const std::vector<qint32> counting = countingReadOf(race);
            QHash<QUuid, QList<const PersonResult *>> earlierReads;
            for (qsizetype k = 0; k < race.results.size(); ++k) {
                if (const qint32 at = counting[std::size_t(k)]; at >= 0 && at != k)
                    earlierReads[race.results[at].id].append(&race.results[k]);
            }
            for (QList<const PersonResult *> &reads : earlierReads)
                std::stable_sort(reads.begin(), reads.end(),
                    [](const PersonResult *a, const PersonResult *b) { return a->readAt > b->readAt; });
            for (const ClassResults &group : m_results->classGroups()) {
                lines.append(
                    {QStringLiteral("header"), false, {}, {{QStringLiteral("title"), group.className}}});
                for (qsizetype i = 0; i < group.results.size(); ++i) {
                    const PersonResult &result = *group.results.at(i);
                    lines.append(
                        {QStringLiteral("result"), i % 2 == 1, result.id.toString(QUuid::WithoutBraces), {},
                            result, group.places.value(i), group.leaderTime});
                    for (const PersonResult *earlier : earlierReads.value(result.id))
                        lines.append(
                            {QStringLiteral("result"), i % 2 == 1, earlier->id.toString(QUuid::WithoutBraces),
                                {}, *earlier, std::nullopt, std::nullopt, true});
                }
                // Runners marked as not started or not finished, without a place or a time.
                for (qsizetype m = 0; m < group.marked.size(); ++m) {
                    const MarkedRunner &runner = group.marked.at(m);
                    const QVariantMap texts {{QStringLiteral("place"), QString()},
                        {QStringLiteral("name"), overallName(runner.participant)},
                        {QStringLiteral("total"), localized(QStringLiteral("—"))},
                        {QStringLiteral("totalMissing"), true}, {QStringLiteral("allStages"), false},
                        {QStringLiteral("points"), QString()},
                        {QStringLiteral("stagesText"), localized(markKey(runner.status))}};
                    lines.append({QStringLiteral("marked"), (group.results.size() + m) % 2 == 1, {}, texts});
                }
            }
        }
    }
    m_lines.setLines(store() ? &store()->race() : nullptr, std::move(lines));
    emit viewChanged();
    // The sheet shows the result as it was opened; the names follow the race.
    if (m_detail)
        emit detailChanged();
}

QString ResultsScreen::classFilterLabel() const
{
    if (store()) {
        if (const RaceClass *c = findClass(store()->race(), m_results->filterClassId());
            c && !m_results->filterClassId().isEmpty())
            return localized(c->name);
    }
    return localized(QStringLiteral("All classes"));
}

QVariantList ResultsScreen::classOptions() const
{
    QVariantList options;
    const QString selected = m_results ? m_results->filterClassId() : QString();
    options.append(QVariantMap {{QStringLiteral("id"), QString()},
        {QStringLiteral("name"), localized(QStringLiteral("All classes"))},
        {QStringLiteral("checked"), selected.isEmpty()}});
    if (!store())
        return options;
    QList<RaceClass> classes = store()->race().classes;
    // Plain character-code order, as the menu has always listed them.
    std::stable_sort(classes.begin(), classes.end(),
        [](const RaceClass &a, const RaceClass &b) { return a.name < b.name; });
    for (const RaceClass &c : std::as_const(classes)) {
        options.append(QVariantMap {{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name},
            {QStringLiteral("checked"), !selected.isEmpty() && c.id == selected}});
    }
    return options;
}

QVariantList ResultsScreen::stageChips() const
{
    QVariantList chips;
    if (!store() || store()->race().stages.isEmpty())
        return chips;
    QList<Stage> stages = store()->race().stages;
    std::stable_sort(
        stages.begin(), stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    const QString selected = m_results->filterStageId();
    for (const Stage &s : std::as_const(stages)) {
        chips.append(QVariantMap {{QStringLiteral("id"), s.id}, {QStringLiteral("name"), localized(s.name)},
            {QStringLiteral("selected"), s.id == selected}});
    }
    chips.append(QVariantMap {{QStringLiteral("id"), overallStageFilter},
        {QStringLiteral("name"), localized(QStringLiteral("Overall"))},
        {QStringLiteral("selected"), selected == overallStageFilter}});
    return chips;
}

bool ResultsScreen::showsOverall() const
{
    return m_results && m_results->showsOverall();
}

QString ResultsScreen::exportError() const
{
    return m_results ? m_results->exportError() : QString();
}

QString ResultsScreen::exportSavedMessage() const
{
    return m_results ? m_results->savedMessage() : QString();
}

void ResultsScreen::selectClass(const QString &classId)
{
    if (!m_results)
        return;
    m_results->setFilterClassId(classId);
    refresh();
}

void ResultsScreen::selectStage(const QString &stageId)
{
    if (!m_results)
        return;
    m_results->setFilterStageId(stageId);
    refresh();
}

std::optional<PersonResult> ResultsScreen::storedResult(const QString &resultId) const
{
    if (!store())
        return std::nullopt;
    const QUuid id(resultId);
    for (const PersonResult &r : store()->race().results) {
        if (r.id == id)
            return r;
    }
    return std::nullopt;
}

QVariantMap ResultsScreen::detail() const
{
    if (!m_detail || !store())
        return {};
    return toVariant(splitSheetTexts(store()->race(), *m_detail));
}

void ResultsScreen::showDetail(const QString &resultId)
{
    m_detail = storedResult(resultId);
    emit detailChanged();
}

void ResultsScreen::closeDetail()
{
    if (!m_detail)
        return;
    m_detail.reset();
    emit detailChanged();
}

bool ResultsScreen::canCorrect() const
{
    return store() && store()->stationSettings()->role() != StationRole::Slave;
}

QString ResultsScreen::correctionNotice() const
{
    if (!store() || canCorrect())
        return {};
    return localized(QStringLiteral("This station is a slave: correct results at the master, whose next "
                                    "update would undo a correction made here."));
}

QVariantList ResultsScreen::courseChoices() const
{
    QVariantList choices {QVariantMap {
        {QStringLiteral("id"), QString()}, {QStringLiteral("name"), localized(QStringLiteral("(None)"))}}};
    if (!m_corrections)
        return choices;
    for (const Course &c : m_corrections->changeCourseCandidates())
        choices.append(QVariantMap {{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name}});
    return choices;
}

void ResultsScreen::changeCourse(const QString &resultId, const QString &courseId)
{
    if (canCorrect())
        m_corrections->changeResultCourse(QUuid(resultId), courseId);
}

void ResultsScreen::beginOverride(const QString &resultId, bool completed)
{
    if (canCorrect())
        m_corrections->beginOverride(QUuid(resultId), completed);
}

void ResultsScreen::clearOverride(const QString &resultId)
{
    if (canCorrect())
        m_corrections->clearOverride(QUuid(resultId));
}

void ResultsScreen::requestDeletion(const QString &resultId)
{
    if (canCorrect())
        m_corrections->requestDeletion(QUuid(resultId));
}

void ResultsScreen::printReceipt(const QString &resultId)
{
    const std::optional<PersonResult> result = storedResult(resultId);
    if (!result || !m_desk || !m_desk->receiptPrinter())
        return;
    ++m_printsPending;
    m_desk->printReceipt(*result);
}

void ResultsScreen::printFinished(const ReceiptPrintOutcome &outcome)
{
    if (m_printsPending == 0)
        return;
    --m_printsPending;
    // Cancelling the dialog is the organiser's own choice, not a problem to report.
    QString problem;
    if (!outcome.printed() && outcome.failure != ReceiptPrintOutcome::Failure::Cancelled)
        problem = receiptFailureText(outcome);
    if (problem != m_printProblem) {
        m_printProblem = problem;
        emit printProblemChanged();
    }
}

bool ResultsScreen::exportEnabled(int kind) const
{
    return m_results && kind >= 0 && kind <= 3
        && m_results->exportEnabled(static_cast<ResultExportKind>(kind));
}

QVariantList ResultsScreen::exportItems() const
{
    static const char *const items[][2] = {{"resultsXmlItem", "Results XML"}, {"splitsXmlItem", "Splits XML"},
        {"resultsPdfItem", "Results PDF"}, {"splitsPdfItem", "Splits PDF"}};
    QVariantList list;
    for (int kind = 0; kind < 4; ++kind) {
        list.append(QVariantMap {{QStringLiteral("kind"), kind},
            {QStringLiteral("name"), QString::fromLatin1(items[kind][0])},
            {QStringLiteral("title"), localized(QString::fromLatin1(items[kind][1]))},
            {QStringLiteral("enabled"), exportEnabled(kind)}});
    }
    return list;
}

QString ResultsScreen::suggestedFileName(int kind) const
{
    return exportEnabled(kind) ? m_results->suggestedFileName(static_cast<ResultExportKind>(kind))
                               : QString();
}

bool ResultsScreen::exportTo(int kind, const QUrl &file)
{
    if (!exportEnabled(kind))
        return false;
    const bool pdf = isPdfExport(kind);
    return m_results->exportTo(static_cast<ResultExportKind>(kind),
        chosenLocalPath(file, dialogStartFolder(pdf ? FileKind::Pdf : FileKind::Iof, store()),
            pdf ? QStringLiteral(".pdf") : QStringLiteral(".xml")));
}

void ResultsScreen::chooseExportFile(int kind)
{
    if (!exportEnabled(kind))
        return;
    chooseFile(exportRequest(isPdfExport(kind), QStringLiteral("resultsExportDialog"),
                   suggestedFileName(kind), store()),
        this, [this, kind](const QUrl &file) { exportTo(kind, file); });
}

bool ResultsScreen::canPullCheckins() const
{
    VexloChecklistPuller *puller = store() ? store()->vexloChecklistPuller() : nullptr;
    return puller && !puller->isPulling() && puller->credentialsProvider && puller->credentialsProvider();
}

QString ResultsScreen::pullHelp() const
{
    VexloChecklistPuller *puller = store() ? store()->vexloChecklistPuller() : nullptr;
    if (!puller || !puller->credentialsProvider || !puller->credentialsProvider())
        return localized(QStringLiteral("Set up O-Checklist (API key + event) in Advanced settings first"));
    return localized(QStringLiteral("Pull the latest check-in state from O-Checklist"));
}

void ResultsScreen::pullCheckins()
{
    if (canPullCheckins())
        store()->vexloChecklistPuller()->pullNow();
}
