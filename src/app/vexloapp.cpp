#include "vexloapp.h"

#include "eventfileviewmodel.h"
#include "localization.h"
#include "log.h"
#include "racestore.h"

#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vexlo_UiPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_AppPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_RaceDayPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_SetupPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_EventPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_EntriesPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_StartListPlugin)
Q_IMPORT_QML_PLUGIN(Vexlo_StartListViewPlugin)

QUrl defaultDetailScreen(SidebarItem item)
{
    // Each screen module adds its section here as it joins the application.
    switch (item) {
    case SidebarItem::Race:
        return QUrl(QStringLiteral("qrc:/Vexlo/Event/RaceView.qml"));
    case SidebarItem::Stages:
        return QUrl(QStringLiteral("qrc:/Vexlo/Event/StagesView.qml"));
    case SidebarItem::Reader:
        return QUrl(QStringLiteral("qrc:/Vexlo/RaceDay/ReaderPane.qml"));
    case SidebarItem::Classes:
        return QUrl(QStringLiteral("qrc:/Vexlo/Setup/ClassesView.qml"));
    case SidebarItem::Courses:
        return QUrl(QStringLiteral("qrc:/Vexlo/Setup/CoursesView.qml"));
    case SidebarItem::Participants:
        return QUrl(QStringLiteral("qrc:/Vexlo/Entries/EntriesView.qml"));
    case SidebarItem::StartList:
        return QUrl(QStringLiteral("qrc:/Vexlo/StartListView/StartListView.qml"));
    case SidebarItem::Results:
        return QUrl(QStringLiteral("qrc:/Vexlo/RaceDay/ResultsView.qml"));
    case SidebarItem::Pending:
        return QUrl(QStringLiteral("qrc:/Vexlo/RaceDay/OutstandingView.qml"));
    case SidebarItem::Sync:
        return QUrl(QStringLiteral("qrc:/Vexlo/Settings/SyncView.qml"));
    default:
        return {};
    }
}

VexloApp::VexloApp(
    std::unique_ptr<ShellStore> store, std::unique_ptr<CardReaderViewModel> reader, QObject *parent)
    : QObject(parent)
    , m_store(std::move(store))
    , m_reader(std::move(reader))
    , m_newEvent(std::make_unique<NewEventSetupViewModel>(m_store.get()))
    , m_languagePicker(&LocalizationManager::shared())
    , m_translator(&LocalizationManager::shared())
{
    m_content.setScreenTable(&defaultDetailScreen);
    m_content.setTranslate([](const QString &key) { return localized(key); });
    m_content.setRace(m_store->race());
    m_content.setSlaveStation(m_store->isSlaveStation());
    m_store->onChanged = [this] { storeChanged(); };
    m_saveStatus.setSaver([this](const QString &path) { return m_store->saveTo(path); });
    m_saveStatus.setUnreadableEventFile(
        m_store->unreadableEventFile(), m_store->unreadableEventFileReason(), m_store->race().name);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, &m_content,
        &ContentViewModel::retranslate);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, &m_saveStatus,
        &SaveStatus::retranslate);
    if (RaceStore *recording = m_store->cardRecordingStore()) {
        // The receipt preferences are read afresh for every card read.
        m_raceDay = std::make_unique<RaceDayDesk>(recording, m_reader.get(), &m_receiptPrinter, [this] {
            ReceiptPreferences prefs;
            prefs.printerName = m_receiptSettings.printerName();
            prefs.autoPrint = m_receiptSettings.autoPrint();
            prefs.autoPrintOnRead = m_receiptSettings.autoPrintOnRead();
            prefs.bottomFeedPoints = m_receiptSettings.bottomFeedPoints();
            prefs.autoCutOptionKey = m_receiptSettings.autoCutOptionKey();
            prefs.autoCutOptionValue = m_receiptSettings.autoCutOptionValue();
            return prefs;
        });
        const auto followSection = [this] { m_raceDay->setSelectedSection(m_content.selectedItemRaw()); };
        connect(&m_content, &ContentViewModel::selectedItemChanged, m_raceDay.get(), followSection);
        followSection();
    }
    m_saveStatus.retryWrites = [this] { return m_store->retryFailedWrites(); };
    m_saveStatus.saveEventTo = [this](const QUrl &url) { return m_store->saveTo(url.toLocalFile()); };
    m_saveStatus.eventFileUrl = [this] {
        const auto *store = qobject_cast<const RaceStore *>(m_store->storeObject());
        return store ? store->raceFileUrl() : QUrl();
    };
    m_saveStatus.setUnrestoredChangesFile(m_store->unrestoredChangesFile());
    m_translator.setEngine(&m_engine);
    m_engine.addImportPath(QStringLiteral("qrc:/"));
}

VexloApp::~VexloApp()
{
    m_store->onChanged = nullptr;
}

bool VexloApp::start()
{
    m_engine.setInitialProperties({
        {QStringLiteral("contentModel"), QVariant::fromValue(&m_content)},
        {QStringLiteral("newEvent"), QVariant::fromValue(m_newEvent.get())},
        {QStringLiteral("languagePicker"), QVariant::fromValue(&m_languagePicker)},
        {QStringLiteral("receiptSettings"), QVariant::fromValue(&m_receiptSettings)},
        {QStringLiteral("saveStatus"), QVariant::fromValue(&m_saveStatus)},
        {QStringLiteral("raceStore"), QVariant::fromValue(m_store->storeObject())},
        {QStringLiteral("reader"), QVariant::fromValue(static_cast<QObject *>(m_reader.get()))},
        {QStringLiteral("raceDay"), QVariant::fromValue(static_cast<QObject *>(m_raceDay.get()))},
    });
    m_engine.load(QUrl(QStringLiteral("qrc:/Vexlo/App/Main.qml")));
    QQuickWindow *w = window();
    if (!w)
        return false;
    if (w->isVisible() && !m_appeared) {
        m_appeared = true;
        connectReaderOnAppear();
    }
    return true;
}

void VexloApp::openEventFile(const QString &path)
{
    EventFileViewModel open;
    open.setStoreObject(m_store->storeObject());
    open.loadEvent(QUrl::fromLocalFile(path));
    if (open.fileError().isEmpty())
        logLine(QStringLiteral("Vexlo: opened %1").arg(path));
    else
        logLine(QStringLiteral("Vexlo: %1 not opened: %2").arg(path, open.fileError()));
    m_saveStatus.setOpenFileError(open.fileError());
}

void VexloApp::comeToFront()
{
    if (QQuickWindow *w = window()) {
        w->show();
        w->raise();
        w->requestActivate();
    }
}

void VexloApp::connectReaderOnAppear()
{
    m_reader->refreshPorts();
    m_reader->autoConnect();
    // Every completely read card is recorded through the store, then its receipt is queued.
    if (m_raceDay)
        m_raceDay->install();
}

QQuickWindow *VexloApp::window() const
{
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
}

void VexloApp::storeChanged()
{
    m_content.setRace(m_store->race());
    m_content.setSlaveStation(m_store->isSlaveStation());
    m_newEvent->refresh();
    m_saveStatus.setAutosaveError(m_store->autosaveError());
    m_saveStatus.setUnreadableEventFile(
        m_store->unreadableEventFile(), m_store->unreadableEventFileReason(), m_store->race().name);
}
