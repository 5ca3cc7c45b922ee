#include "languagepickerviewmodel.h"

#include "nameorder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QQmlApplicationEngine>
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
    for (const auto &qt : m_qtTranslators)
        QCoreApplication::removeTranslator(qt.get());
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
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    for (const auto &qt : m_qtTranslators)
        QCoreApplication::removeTranslator(qt.get());
    m_qtTranslators.clear();
    if (m_manager)
        QLocale::setDefault(localeForLanguage(m_manager->language()));
    if (m_manager && m_manager->languageCode() != QLatin1String("en")) {
        // Installed by the qt6-translations-l10n package; without it Qt's dialogs stay English.
        for (const char *module : {"qtbase_", "qtdeclarative_"}) {
            auto qt = std::make_unique<QTranslator>();
            if (qt->load(QLatin1String(module) + m_manager->languageCode(),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(qt.get());
                m_qtTranslators.push_back(std::move(qt));
            }
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
    if (m_engine) {
        // The window took the default locale when it was made; its controls (the calendar's
        // weekday row, number fields) read the window's, so it follows the language too.
        if (auto *qml = qobject_cast<QQmlApplicationEngine *>(m_engine.data())) {
            for (QObject *root : qml->rootObjects()) {
                if (root->metaObject()->indexOfProperty("locale") >= 0)
                    root->setProperty("locale", QVariant::fromValue(QLocale()));
            }
        }
        m_engine->retranslate();
    }
}
