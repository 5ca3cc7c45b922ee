#include "languagepickerviewmodel.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QQmlEngine>

AppTranslator::AppTranslator(LocalizationManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{
    connect(manager, &LocalizationManager::languageChanged, this, &AppTranslator::install);
    install();
}

AppTranslator::~AppTranslator()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
}

void AppTranslator::setEngine(QQmlEngine *engine)
{
    m_engine = engine;
}

QString AppTranslator::tablePath(const QString &code)
{
    return QStringLiteral(":/i18n/vexlo_%1.qm").arg(code);
}

void AppTranslator::install()
{
    for (std::unique_ptr<QTranslator> *installed : {&m_translator, &m_qtTranslator}) {
        if (*installed) {
            QCoreApplication::removeTranslator(installed->get());
            installed->reset();
        }
    }
    if (m_manager && m_manager->languageCode() != QLatin1String("en")) {
        // Installed by the qt6-translations-l10n package; without it Qt's dialogs stay English.
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_") + m_manager->languageCode(),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            m_qtTranslator = std::move(qt);
        }
    }
    if (m_manager) {
        auto translator = std::make_unique<QTranslator>();
        // A missing table leaves the keys (the English texts) showing.
        if (translator->load(tablePath(m_manager->languageCode()))) {
            QCoreApplication::installTranslator(translator.get());
            m_translator = std::move(translator);
        }
    }
    if (m_engine)
        m_engine->retranslate();
}
