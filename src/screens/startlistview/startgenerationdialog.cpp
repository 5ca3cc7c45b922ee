#include "startgenerationdialog.h"

#include "localization.h"
#include "messagetext.h"
#include "racestore.h"
#include "starttimetext.h"

#include <QRandomGenerator>
#include <QThread>

namespace {

constexpr int minutesPerDay = 24 * 60;

} // namespace

std::optional<GenerationProblem> generationProblem(const QString &firstStartText,
    const std::optional<QDateTime> &firstStart, int windowMinutes, int slotCapacity, int minSpacingMinutes)
{
    if (!firstStart)
        return GenerationProblem {QStringLiteral("The first start \"%@\" is not a time of day. Type it as "
                                                 "9:30, 9.30 or 09:30 under Fixed interval startlist."),
            {firstStartText.trimmed()}};
    if (windowMinutes < 0 || windowMinutes > minutesPerDay)
        return GenerationProblem {QStringLiteral("The start period must be 0 to 1440 minutes, not %@."),
            {QString::number(windowMinutes)}};
    if (slotCapacity < 1)
        return GenerationProblem {
            QStringLiteral("At least 1 runner must fit in a slot, not %@."), {QString::number(slotCapacity)}};
    if (minSpacingMinutes < 1)
        return GenerationProblem {QStringLiteral("The minimum gap must be at least 1 minute, not %@."),
            {QString::number(minSpacingMinutes)}};
    // A period of 0 minutes still has its two slots, one minute apart.
    const int period = std::max(windowMinutes, 1);
    if (minSpacingMinutes > period)
        return GenerationProblem {
            QStringLiteral("A minimum gap of %@ minutes does not fit in a start period of %@ minutes."),
            {QString::number(minSpacingMinutes), QString::number(windowMinutes)}};
    const QTime start = firstStart->toLocalTime().time();
    if (start.msecsSinceStartOfDay() / 60000 + period >= minutesPerDay)
        return GenerationProblem {QStringLiteral("A start period of %@ minutes from %@ runs past midnight."),
            {QString::number(windowMinutes), start.toString(QStringLiteral("HH:mm:ss"))}};
    return std::nullopt;
}

StartGenerationDialog::StartGenerationDialog(QObject *parent)
    : StoreViewModel(parent)
{
    // The texts made here follow the language while a sheet is open.
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &StartGenerationDialog::stateChanged);
}

StartGenerationDialog::~StartGenerationDialog()
{
    if (m_worker)
        m_worker->wait();
}

void StartGenerationDialog::storeReplaced()
{
    // The capacity that places the event's field in the initial period.
    m_slotCapacity = coupledCapacity(m_windowMinutes);
    emit storeChanged();
    emit fieldsChanged();
}

int StartGenerationDialog::coupledCapacity(int windowMinutes) const
{
    // Slots that just hold every participant leave the generator no room to keep courses apart;
    // the capacity is raised until its plan places everyone.
    const int fits = slotCapacityForWindow(participantCount(), windowMinutes);
    if (!store() || windowMinutes < 0 || windowMinutes > minutesPerDay || m_minSpacingMinutes < 1)
        return fits;
    return capacityPlacingEveryone(store()->race(), windowMinutes, m_minSpacingMinutes, fits).value_or(fits);
}

int StartGenerationDialog::coupledWindow(int capacity) const
{
    const int fills = windowForSlotCapacity(participantCount(), capacity);
    if (!store() || capacity < 1 || m_minSpacingMinutes < 1)
        return fills;
    return windowPlacingEveryone(store()->race(), capacity, m_minSpacingMinutes, fills, longestWindow())
        .value_or(fills);
}

int StartGenerationDialog::longestWindow() const
{
    const std::optional<QDateTime> first
        = store() ? store()->startTimeOnStartListDay(m_firstStartText) : std::nullopt;
    if (!first)
        return minutesPerDay;
    return minutesPerDay - 1 - first->toLocalTime().time().msecsSinceStartOfDay() / 60000;
}

qsizetype StartGenerationDialog::participantCount() const
{
    return store() ? store()->race().participants.size() : 0;
}

void StartGenerationDialog::setFirstStartText(const QString &text)
{
    if (text == m_firstStartText)
        return;
    m_firstStartText = text;
    emit fieldsChanged();
}

void StartGenerationDialog::setWindowMinutes(int minutes)
{
    if (minutes == m_windowMinutes)
        return;
    // The coupled field is written here directly, so the change never echoes back.
    m_windowMinutes = minutes;
    m_slotCapacity = coupledCapacity(minutes);
    emit fieldsChanged();
}

void StartGenerationDialog::setSlotCapacity(int capacity)
{
    if (capacity == m_slotCapacity)
        return;
    m_slotCapacity = capacity;
    m_windowMinutes = coupledWindow(capacity);
    emit fieldsChanged();
}

void StartGenerationDialog::setMinSpacingMinutes(int minutes)
{
    if (minutes == m_minSpacingMinutes)
        return;
    m_minSpacingMinutes = minutes;
    emit fieldsChanged();
}

QString StartGenerationDialog::problem() const
{
    return m_problem ? localized(m_problem->key, m_problem->arguments) : QString();
}

QString StartGenerationDialog::runningCaption() const
{
    return localized(QStringLiteral("Spacing runners within each class, keeping clubs apart where possible, "
                                    "and respecting the %@-minute window."),
        QStringList {QString::number(m_runWindowMinutes)});
}

QString StartGenerationDialog::resultTitle() const
{
    return m_warnings.isEmpty() ? localized(QStringLiteral("Start list generated"))
                                : localized(QStringLiteral("Generated with warnings"));
}

QString StartGenerationDialog::shortfallText() const
{
    if (!m_shortfall)
        return QString();
    const Shortfall &f = *m_shortfall;
    const QString unplaced = QString::number(f.unplaced);
    if (f.windowNeeded && f.capacityNeeded)
        return localized(
            QStringLiteral("%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) "
                           "or %@ runners per slot (%@ more) would place everyone."),
            {unplaced, QString::number(*f.windowNeeded), QString::number(*f.windowNeeded - f.windowMinutes),
                QString::number(*f.capacityNeeded), QString::number(*f.capacityNeeded - f.slotCapacity)});
    if (f.windowNeeded)
        return localized(
            QStringLiteral("%@ runner(s) could not be placed. A start period of %@ minutes (%@ more) "
                           "would place everyone."),
            {unplaced, QString::number(*f.windowNeeded), QString::number(*f.windowNeeded - f.windowMinutes)});
    if (f.capacityNeeded)
        return localized(
            QStringLiteral("%@ runner(s) could not be placed. %@ runners per slot (%@ more) would "
                           "place everyone."),
            {unplaced, QString::number(*f.capacityNeeded),
                QString::number(*f.capacityNeeded - f.slotCapacity)});
    return localized(
        QStringLiteral("%@ runner(s) could not be placed. No start period ending before midnight "
                       "and no number of runners per slot places everyone at a minimum gap of "
                       "%@ minute(s); lower the gap."),
        {unplaced, QString::number(f.gap)});
}

QString StartGenerationDialog::assignedText() const
{
    return localized(QStringLiteral("%@ participant(s) assigned a start time."),
        QStringList {QString::number(m_assignedCount)});
}

void StartGenerationDialog::open()
{
    if (m_running)
        return;
    m_problem.reset();
    m_showingDialog = true;
    emit stateChanged();
}

void StartGenerationDialog::cancel()
{
    m_problem.reset();
    m_showingDialog = false;
    emit stateChanged();
}

bool StartGenerationDialog::generate()
{
    if (!store() || m_running)
        return false;
    const std::optional<QDateTime> firstStart = store()->startTimeOnStartListDay(m_firstStartText);
    m_problem = generationProblem(
        m_firstStartText, firstStart, m_windowMinutes, m_slotCapacity, m_minSpacingMinutes);
    if (m_problem) {
        emit stateChanged();
        return false;
    }
    m_showingDialog = false;
    m_running = true;
    m_warnings.clear();
    m_assignedCount = 0;
    m_shortfall.reset();
    m_runWindowMinutes = m_windowMinutes;
    m_showingProgress = true;
    emit stateChanged();

    StartGeneratorSettings settings;
    settings.windowMinutes = m_windowMinutes;
    settings.slotCapacity = m_slotCapacity;
    settings.minSpacingMinutes = m_minSpacingMinutes;
    settings.seed = QRandomGenerator::global()->generate64();
    // The worker reads only its own copies; the store is touched again on the main thread alone.
    auto outcome = std::make_shared<Outcome>();
    m_outcome = outcome;
    const Race race = store()->race();
    const QString text = m_firstStartText;
    // The store placed the first start on the start-list day; its local date is that day.
    const QDate day = firstStart->toLocalTime().date();
    const int longest = longestWindow();
    QThread *worker = QThread::create([outcome, race, text, settings, day, longest] {
        outcome->plan = planStartList(race, text, settings, day);
        if (!outcome->plan || outcome->plan->unplaced.isEmpty())
            return;
        // What would have placed the runners left out: the same generator over longer periods or
        // with more runners per slot.
        Shortfall f;
        f.unplaced = int(outcome->plan->unplaced.size());
        f.windowMinutes = settings.windowMinutes;
        f.slotCapacity = settings.slotCapacity;
        f.gap = settings.minSpacingMinutes;
        f.windowNeeded = windowPlacingEveryone(
            race, settings.slotCapacity, settings.minSpacingMinutes, settings.windowMinutes + 1, longest);
        f.capacityNeeded = capacityPlacingEveryone(
            race, settings.windowMinutes, settings.minSpacingMinutes, settings.slotCapacity + 1);
        outcome->shortfall = f;
    });
    m_worker = worker;
    connect(worker, &QThread::finished, this, [this, outcome] { finishRun(*outcome); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    return true;
}

QStringList StartGenerationDialog::warnings() const
{
    QStringList shown;
    shown.reserve(m_warnings.size());
    for (const QString &warning : m_warnings)
        shown.append(localizedMessage(warning));
    return shown;
}

void StartGenerationDialog::finishRun(const Outcome &outcome)
{
    if (!m_running)
        return;
    if (outcome.plan && store()) {
        store()->applyStartPlan(*outcome.plan);
        m_warnings = outcome.plan->warnings;
        m_assignedCount = int(outcome.plan->assignments.size());
        m_shortfall = outcome.shortfall;
    }
    m_running = false;
    m_outcome.reset();
    emit stateChanged();
    emit applied();
}

void StartGenerationDialog::waitForRun()
{
    if (!m_running)
        return;
    if (m_worker)
        m_worker->wait();
    // The finished signal is queued to this thread; deliver the result now.
    if (m_running && m_outcome)
        finishRun(*m_outcome);
}

void StartGenerationDialog::done()
{
    if (m_running)
        return;
    m_showingProgress = false;
    emit stateChanged();
}
