#include "localization.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>

namespace {

// The translation context every table entry lives in.
constexpr const char *tableContext = "Vexlo";

LocalizationManager *g_installed = nullptr;

} // namespace

QString toText(AppLanguage language)
{
    switch (language) {
    case AppLanguage::Danish:
        return QStringLiteral("da");
    case AppLanguage::English:
        break;
    }
    return QStringLiteral("en");
}

std::optional<AppLanguage> appLanguageFromText(const QString &code)
{
    if (code == QLatin1String("en"))
        return AppLanguage::English;
    if (code == QLatin1String("da"))
        return AppLanguage::Danish;
    return std::nullopt;
}

QString appLanguageDisplayName(AppLanguage language)
{
    return language == AppLanguage::Danish ? QStringLiteral("Dansk") : QStringLiteral("English");
}

LocalizationManager::LocalizationManager(QObject *parent)
    : LocalizationManager(QLocale::system().uiLanguages(), parent)
{ }

LocalizationManager::LocalizationManager(const QStringList &preferredLanguages, QObject *parent)
    : QObject(parent)
{
    const QSettings settings;
    const auto stored = appLanguageFromText(settings.value(QLatin1String(settingsKey)).toString());
    // An unrecognised stored code counts as nothing stored; it stays in the settings untouched
    // until the user picks a language.
    m_language = stored ? *stored : firstLaunchDefault(preferredLanguages);
    loadTable();
}

LocalizationManager::~LocalizationManager()
{
    if (g_installed == this)
        g_installed = nullptr;
}

LocalizationManager &LocalizationManager::shared()
{
    if (g_installed)
        return *g_installed;
    // Function-local static: created once, thread-safe, lives until the process ends.
    static LocalizationManager *const instance = new LocalizationManager();
    return *instance;
}

void LocalizationManager::setShared(LocalizationManager *manager)
{
    g_installed = manager;
}

AppLanguage LocalizationManager::firstLaunchDefault(const QStringList &preferredLanguages)
{
    const QString first = preferredLanguages.isEmpty() ? QStringLiteral("en") : preferredLanguages.first();
    return first.startsWith(QLatin1String("da"), Qt::CaseSensitive) ? AppLanguage::Danish
                                                                    : AppLanguage::English;
}

void LocalizationManager::setLanguage(AppLanguage language)
{
    if (language == m_language)
        return;
    {
        QSettings settings;
        settings.setValue(QLatin1String(settingsKey), toText(language));
    }
    m_language = language;
    loadTable();
    emit languageChanged();
}

void LocalizationManager::setLanguageCode(const QString &code)
{
    if (const auto language = appLanguageFromText(code))
        setLanguage(*language);
}

void LocalizationManager::loadTable()
{
    auto table = std::make_unique<QTranslator>();
    const QString path = QStringLiteral(":/i18n/vexlo_%1.qm").arg(toText(m_language));
    // A table that cannot be loaded leaves every key standing for itself.
    if (table->load(path))
        m_table = std::move(table);
    else
        m_table.reset();
}

std::optional<QString> LocalizationManager::lookup(const QString &key) const
{
    if (!m_table || key.isEmpty())
        return std::nullopt;
    const QByteArray source = key.toUtf8();
    QString text = m_table->translate(tableContext, source.constData());
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

QString formatLocalized(const QString &format, const QStringList &arguments)
{
    QString out;
    out.reserve(format.size() + 16);
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out.append(c);
            continue;
        }
        // Optional position: digits followed by '$'.
        qsizetype j = i + 1;
        std::optional<qsizetype> position;
        {
            qsizetype k = j;
            qsizetype value = 0;
            while (k < n && format.at(k).isDigit() && format.at(k).unicode() < 128 && value < 1000) {
                value = value * 10 + (format.at(k).unicode() - '0');
                ++k;
            }
            if (k > j && k < n && format.at(k) == QLatin1Char('$') && value > 0) {
                position = value - 1;
                j = k + 1;
            }
        }
        qsizetype specEnd = -1;
        if (!position && format.at(j) == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            i = j;
            continue;
        }
        if (j < n && format.at(j) == QLatin1Char('@'))
            specEnd = j;
        else if (j < n && format.at(j) == QLatin1Char('d'))
            specEnd = j;
        else if (j + 2 < n && format.mid(j, 3) == QLatin1String("lld"))
            specEnd = j + 2;
        else if (j + 1 < n && format.mid(j, 2) == QLatin1String("ld"))
            specEnd = j + 1;
        if (specEnd < 0) {
            out.append(c);
            continue;
        }
        const qsizetype index = position ? *position : next++;
        if (index >= 0 && index < arguments.size())
            out.append(arguments.at(index));
        else
            out.append(format.mid(i, specEnd - i + 1));
        i = specEnd;
    }
    return out;
}

QString localized(const QString &key, const QStringList &arguments)
{
    const QString text = LocalizationManager::shared().lookup(key).value_or(key);
    if (arguments.isEmpty())
        return text;
    return formatLocalized(text, arguments);
}
