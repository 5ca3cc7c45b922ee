#include "languagepicker.h"

LanguagePickerViewModel::LanguagePickerViewModel(LocalizationManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager ? manager : &LocalizationManager::shared())
{
    connect(
        m_manager, &LocalizationManager::languageChanged, this, &LanguagePickerViewModel::languageChanged);
}

QStringList LanguagePickerViewModel::options() const
{
    QStringList names;
    for (AppLanguage language : allAppLanguages)
        names.append(appLanguageDisplayName(language));
    return names;
}

int LanguagePickerViewModel::currentIndex() const
{
    if (!m_manager)
        return 0;
    int index = 0;
    for (AppLanguage language : allAppLanguages) {
        if (language == m_manager->language())
            return index;
        ++index;
    }
    return 0;
}

QString LanguagePickerViewModel::languageCode() const
{
    return m_manager ? m_manager->languageCode() : QStringLiteral("en");
}

void LanguagePickerViewModel::pick(int index)
{
    if (!m_manager || index < 0 || index >= int(std::size(allAppLanguages)))
        return;
    const AppLanguage language = allAppLanguages[index];
    if (language != m_manager->language())
        emit picking();
    m_manager->setLanguage(language);
}
