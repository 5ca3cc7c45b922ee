#include "readerpaneviewmodel.h"

#include "cardreaderviewmodel.h"
#include "cardresultpanel.h"
#include "documenttext.h"
#include "localization.h"
#include "racedaydesk.h"
#include "racedayresults.h"
#include "racelookup.h"
#include "racestore.h"
#include "receiptprinter.h"
#include "resultgroups.h"
#include "timeofday.h"

#include <QPrinterInfo>

#include <algorithm>

namespace {

const QString keyReaderName = QStringLiteral("SportIdent Reader (USB)");

// The file name of the station's USB-UART bridge under "/dev/cu.".
const QString knownBridgeName = QStringLiteral("SLAB_USBtoUART");

} // namespace

QString portDisplayName(const QString &path, const QStringList &identifiedReaders)
{
    if (identifiedReaders.contains(path))
        return localized(keyReaderName);
    const QString cuPrefix = QStringLiteral("/dev/cu.");
    if (path.startsWith(cuPrefix)) {
        const QString name = path.mid(cuPrefix.size());
        if (name == knownBridgeName)
            return localized(keyReaderName);
        return QString(name).replace(QLatin1Char('_'), QLatin1Char(' '));
    }
    return path;
}

// ---- Ports -------------------------------------------------------------------------------------

ReaderPortsModel::ReaderPortsModel(QObject *parent)
    : CountedListModel(parent)
{ }

void ReaderPortsModel::setReader(CardReaderViewModel *reader)
{
    if (m_reader == reader)
        return;
    if (m_reader)
        disconnect(m_reader, nullptr, this, nullptr);
    m_reader = reader;
    if (m_reader) {
        if (!m_identify) {
            // Only the USB look-up identifies a station here: ports named by hand (a simulator)
            // keep their path as their name.
            m_identify = [this] {
                if (!m_reader)
                    return QStringList();
                SIDeviceRoots roots = m_reader->deviceRoots();
                roots.extraPorts.clear();
                return SIPortManager::discoverReaders(roots);
            };
        }
        connect(m_reader, &CardReaderViewModel::availablePortsChanged, this, &ReaderPortsModel::reload);
        connect(m_reader, &CardReaderViewModel::connectionStateChanged, this,
            &ReaderPortsModel::connectionChanged);
    }
    reload();
}

void ReaderPortsModel::setIdentifiedReaders(std::function<QStringList()> identify)
{
    m_identify = std::move(identify);
    reload();
}

void ReaderPortsModel::reload()
{
    const QStringList paths = m_reader ? m_reader->availablePorts() : QStringList();
    const QStringList identified = (m_identify && !paths.isEmpty()) ? m_identify() : QStringList();
    resetRows([&] {
        m_paths = paths;
        m_names.clear();
        for (const QString &path : paths)
            m_names.append(portDisplayName(path, identified));
        m_connectedPath = m_reader ? m_reader->connectionState().path() : QString();
    });
}

void ReaderPortsModel::connectionChanged()
{
    const QString connected = m_reader ? m_reader->connectionState().path() : QString();
    if (connected == m_connectedPath)
        return;
    m_connectedPath = connected;
    if (!m_paths.isEmpty())
        emit dataChanged(index(0), index(int(m_paths.size()) - 1), {ConnectedRole});
}

QVariant ReaderPortsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString &path = m_paths.at(index.row());
    switch (role) {
    case PathRole:
    case Qt::ToolTipRole:
        return path;
    case DisplayNameRole:
    case Qt::DisplayRole:
        return m_names.at(index.row());
    case ConnectedRole:
        return !m_connectedPath.isEmpty() && path == m_connectedPath;
    default:
        return {};
    }
}

QHash<int, QByteArray> ReaderPortsModel::roleNames() const
{
    return {{PathRole, "path"}, {DisplayNameRole, "displayName"}, {ConnectedRole, "connected"}};
}

// ---- Recent results ------------------------------------------------------------------------------

RecentResultsModel::RecentResultsModel(QObject *parent)
    : CountedListModel(parent)
{
    // The kept index holds the group titles in the language they were made in.
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        [this] { m_runnerIndex.reset(); });
}

void RecentResultsModel::setRace(const Race &race)
{
    // Regrouped from scratch on every change: a correction made anywhere shows at once.
    // Runners and repeated reads are found once for all results (looked up per row, they made
    // each change cost the square of the results: 3 s at 15,000). Each pass reads the results in
    // their own order; the list's order is a list of indexes.
    // A change of anything but the results (the entries, the classes) leaves the race with the
    // very list of results the pane holds (any change of it would have copied it first): which
    // reads are repeated is known then, and the keys found from the results alone are kept too.
    RecentResultKeys keys = recentResultKeysWithTitles(race, &m_runnerIndex);
    const bool sameResults = m_race.results.constData() == race.results.constData()
        && m_race.results.size() == race.results.size() && m_repeated.size() == race.results.size();
    QList<bool> repeated = sameResults ? m_repeated : repeatedReads(race, keys);
    // Stage ids are told apart by the event's stages as well.
    std::vector<bool> counted = sameResults && m_race.stages == race.stages ? m_counted : countedReads(race);
    RecentResultOrder order = recentResultOrder(race, keys);

    resetRows([&] {
        m_race = race;
        m_runners = std::move(keys.runners);
        m_repeated = std::move(repeated);
        m_counted = std::move(counted);
        m_order = std::move(order.order);
        m_groupTitles = std::move(order.titles);
        m_groupStarts = std::move(order.starts);
    });
}

RecentResultFacts RecentResultsModel::factsAt(qint32 result) const
{
    const PersonResult &r = m_race.results.at(result);
    return recentResultFacts(r, findCourse(m_race, r.courseId));
}

QString RecentResultsModel::stageTextAt(qint32 result) const
{
    if (m_race.stages.isEmpty())
        return {};
    const std::optional<QString> &stageId = m_race.results.at(result).stageId;
    if (!stageId)
        return localized(QStringLiteral("No stage"));
    if (m_race.activeStageId && sameId(stageId, *m_race.activeStageId))
        return {};
    for (const Stage &stage : m_race.stages)
        if (sameId(stageId, stage.id))
            return stage.name;
    return localized(QStringLiteral("Unknown stage"));
}

QVariant RecentResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const qint32 result = m_order.at(index.row());
    switch (role) {
    case GroupRole: {
        // The last group that starts at or before the row.
        const auto after = std::upper_bound(m_groupStarts.cbegin(), m_groupStarts.cend(), index.row());
        return m_groupTitles.at(after - m_groupStarts.cbegin() - 1);
    }
    case RunnerNameRole:
    case Qt::DisplayRole:
        if (const Participant *runner = m_runners.at(result))
            return personDisplayName(runner->givenName, runner->familyName);
        return QStringLiteral("Unknown");
    case ValueTextRole:
        return recentValueText(factsAt(result));
    case ValueMissingRole:
        return factsAt(result).value == RecentResultFacts::Value::Missing;
    case ResultIdRole:
        return m_race.results.at(result).id.toString(QUuid::WithoutBraces).toUpper();
    case StatusTextRole:
        return recentStatusText(factsAt(result));
    case RepeatReadRole:
        return m_repeated.at(result);
    case EarlierReadTextRole:
        return m_counted.at(std::size_t(result)) ? QString()
                                                 : localized(QStringLiteral("Earlier read, not ranked"));
    case StageTextRole:
        return stageTextAt(result);
    default:
        return {};
    }
}

QHash<int, QByteArray> RecentResultsModel::roleNames() const
{
    return {{GroupRole, "group"}, {RunnerNameRole, "runnerName"}, {ValueTextRole, "valueText"},
        {ValueMissingRole, "valueMissing"}, {ResultIdRole, "resultId"}, {StatusTextRole, "statusText"},
        {RepeatReadRole, "repeatRead"}, {EarlierReadTextRole, "earlierReadText"},
        {StageTextRole, "stageText"}};
}

// ---- The pane --------------------------------------------------------------------------------------

ReaderPaneViewModel::PrinterDirectory ReaderPaneViewModel::systemPrinters()
{
    return {[] { return QPrinterInfo::availablePrinterNames(); },
        [] { return QPrinterInfo::defaultPrinterName(); }};
}

ReaderPaneViewModel::ReaderPaneViewModel(QObject *parent)
    : QObject(parent)
    , m_printers(systemPrinters())
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this, [this] {
        emit printerChanged();
        m_ports.reload();
        raceChanged();
    });
    refreshPrinters();
}

void ReaderPaneViewModel::setDesk(RaceDayDesk *desk)
{
    if (m_desk == desk)
        return;
    for (const QMetaObject::Connection &c : std::as_const(m_deskConnections))
        disconnect(c);
    m_deskConnections.clear();
    m_desk = desk;
    if (RaceStore *s = store())
        m_deskConnections.append(
            connect(s, &RaceStore::raceChanged, this, &ReaderPaneViewModel::raceChanged));
    if (ReceiptPrinter *p = printer())
        m_deskConnections.append(
            connect(p, &ReceiptPrinter::statusChanged, this, &ReaderPaneViewModel::printerChanged));
    if (CardReaderViewModel *r = reader())
        m_deskConnections.append(connect(r, &CardReaderViewModel::connectionStateChanged, this,
            &ReaderPaneViewModel::readerConnectionChanged));
    m_ports.setReader(reader());
    m_seenStage = store() ? store()->race().activeStageId : std::nullopt;
    m_stageChangeNotice.clear();
    raceChanged();
    emit printerChanged();
    emit deskChanged();
}

void ReaderPaneViewModel::setPrinterDirectory(PrinterDirectory directory)
{
    m_printers = std::move(directory);
    refreshPrinters();
}

RaceStore *ReaderPaneViewModel::store() const
{
    return m_desk ? m_desk->store() : nullptr;
}

CardReaderViewModel *ReaderPaneViewModel::reader() const
{
    return m_desk ? m_desk->reader() : nullptr;
}

ReceiptPrinter *ReaderPaneViewModel::printer() const
{
    return m_desk ? m_desk->receiptPrinter() : nullptr;
}

void ReaderPaneViewModel::raceChanged()
{
    m_recent.setRace(store() ? store()->race() : Race());
    const std::optional<QString> active = store() ? store()->race().activeStageId : std::nullopt;
    const bool moved
        = active.has_value() != m_seenStage.has_value() || (active && !sameId(*active, *m_seenStage));
    m_seenStage = active;
    // Reads from a connected station follow the active stage at once: say so where they are shown.
    if (moved && reader() && reader()->connectionState().isConnected() && showsStagePicker()
        && !activeStageName().isEmpty())
        m_stageChangeNotice = localized(QStringLiteral("Card reads now go to %@"), activeStageName());
    emit stagesChanged();
}

void ReaderPaneViewModel::readerConnectionChanged()
{
    if (m_stageChangeNotice.isEmpty() || (reader() && reader()->connectionState().isConnected()))
        return;
    m_stageChangeNotice.clear();
    emit stagesChanged();
}

const Stage *ReaderPaneViewModel::activeStage() const
{
    if (!store() || !store()->race().activeStageId)
        return nullptr;
    for (const Stage &s : store()->race().stages)
        if (sameId(s.id, *store()->race().activeStageId))
            return &s;
    return nullptr;
}

QString ReaderPaneViewModel::activeStageName() const
{
    const Stage *stage = activeStage();
    return stage ? stage->name : QString();
}

QString ReaderPaneViewModel::readsGoToText() const
{
    const Stage *stage = showsStagePicker() ? activeStage() : nullptr;
    if (!stage || stage->name.isEmpty())
        return {};
    if (!stage->date.isValid())
        return localized(QStringLiteral("Card reads go to %@"), stage->name);
    return localized(QStringLiteral("Card reads go to %@ (%@)"), stage->name,
        mediumDateText(stage->date.toLocalTime().date()));
}

const Stage *ReaderPaneViewModel::todaysStageInstead() const
{
    if (!store())
        return nullptr;
    return stageDatedTodayInstead(
        store()->race(), store()->race().activeStageId, store()->now().toLocalTime().date());
}

QString ReaderPaneViewModel::wrongDayText() const
{
    const Stage *today = todaysStageInstead();
    const Stage *active = activeStage();
    if (!today || !active)
        return {};
    return localized(QStringLiteral("Card reads go to %@, dated %@, but %@ is dated today."), active->name,
        mediumDateText(active->date.toLocalTime().date()), today->name);
}

QString ReaderPaneViewModel::switchToTodayText() const
{
    const Stage *today = todaysStageInstead();
    return today ? localized(QStringLiteral("Switch to %@"), today->name) : QString();
}

void ReaderPaneViewModel::switchToToday()
{
    if (const Stage *today = todaysStageInstead())
        selectStage(QString(today->id));
}

void ReaderPaneViewModel::setPrinterName(const QString &name)
{
    if (m_printerName == name)
        return;
    m_printerName = name;
    emit printerChanged();
}

void ReaderPaneViewModel::setAutoPrintOnRead(bool on)
{
    if (m_autoPrintOnRead == on)
        return;
    m_autoPrintOnRead = on;
    emit printerChanged();
}

bool ReaderPaneViewModel::showsStagePicker() const
{
    // Two or more stages, whatever the event's multi-stage flag says.
    return store() && store()->race().stages.size() >= 2;
}

QVariantList ReaderPaneViewModel::stageOptions() const
{
    if (!store())
        return {};
    QList<Stage> stages = store()->race().stages;
    std::stable_sort(
        stages.begin(), stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    QVariantList rows;
    for (const Stage &s : stages)
        rows.append(QVariantMap {{QStringLiteral("text"), s.name}, {QStringLiteral("value"), s.id}});
    return rows;
}

QString ReaderPaneViewModel::activeStageId() const
{
    return store() ? store()->race().activeStageId.value_or(QString()) : QString();
}

void ReaderPaneViewModel::selectStage(const QString &stageId)
{
    RaceStore *s = store();
    if (!s)
        return;
    const bool known = std::any_of(s->race().stages.cbegin(), s->race().stages.cend(),
        [&stageId](const Stage &stage) { return stage.id == stageId; });
    if (!known || s->race().activeStageId == stageId)
        return;
    s->setActiveStage(stageId);
}

void ReaderPaneViewModel::refreshPrinters()
{
    m_printerNames = m_printers.names ? m_printers.names() : QStringList();
    m_defaultPrinter = m_printers.defaultName ? m_printers.defaultName() : QString();
    emit printerChanged();
}

QVariantList ReaderPaneViewModel::printerChoices() const
{
    QVariantList rows {QVariantMap {{QStringLiteral("text"), localized(QStringLiteral("System default"))},
        {QStringLiteral("value"), QString()}}};
    for (const QString &name : m_printerNames)
        rows.append(QVariantMap {{QStringLiteral("text"), name}, {QStringLiteral("value"), name}});
    return rows;
}

int ReaderPaneViewModel::printerChoiceIndex() const
{
    if (m_printerName.isEmpty())
        return 0;
    const qsizetype at = m_printerNames.indexOf(m_printerName);
    return at < 0 ? -1 : int(at) + 1;
}

QString ReaderPaneViewModel::printerStatusText() const
{
    QString name = m_printerName;
    if (name.isEmpty())
        name = m_defaultPrinter.isEmpty() ? localized(QStringLiteral("System default")) : m_defaultPrinter;
    const QString mode
        = localized(m_autoPrintOnRead ? QStringLiteral("Automatic (on read)") : QStringLiteral("Manual"));
    return localized(QStringLiteral("Printer: %@ · %@"), name, mode);
}

QString ReaderPaneViewModel::printerErrorText() const
{
    const ReceiptPrinter *p = printer();
    const std::optional<ReceiptPrintOutcome> last = p ? p->lastFailure() : std::nullopt;
    return last ? receiptFailureText(*last) : QString();
}

QString receiptFailureText(const ReceiptPrintOutcome &failure)
{
    QString reason;
    switch (failure.failure) {
    case ReceiptPrintOutcome::Failure::PrinterNotFound:
        reason = localized(QStringLiteral("Printer not found"));
        break;
    case ReceiptPrintOutcome::Failure::NoDefaultPrinter:
        reason = localized(QStringLiteral("No default printer"));
        break;
    default:
        reason = failure.detail.isEmpty() ? localized(QStringLiteral("Printing failed")) : failure.detail;
        break;
    }
    const QString name
        = failure.printerName.isEmpty() ? localized(QStringLiteral("System default")) : failure.printerName;
    return localized(QStringLiteral("Last receipt not printed on %@: %@"), name, reason);
}

void ReaderPaneViewModel::refreshPorts()
{
    if (CardReaderViewModel *r = reader()) {
        r->refreshPorts();
        r->autoConnect();
    }
}

void ReaderPaneViewModel::connectPort(const QString &path)
{
    if (CardReaderViewModel *r = reader())
        r->connectPort(path);
}

void ReaderPaneViewModel::disconnectPort()
{
    if (m_desk)
        m_desk->disconnectStation();
}
