#include "languagepicker.h"

#include <QTimer>

namespace {
// Set while a pick made with the keyboard on the picker is applied, for the picker that the window
// rebuilt in the new language makes meanwhile; cleared on the next turn of the event loop.
bool keyboardOfRebuiltView = false;
} // namespace

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

void LanguagePickerViewModel::pick(int index, bool holdsFocus)
{
    if (!m_manager || index < 0 || index >= int(std::size(allAppLanguages)))
        return;
    const AppLanguage language = allAppLanguages[index];
    if (language != m_manager->language()) {
        if (holdsFocus) {
            keyboardOfRebuiltView = true;
            QTimer::singleShot(0, [] { keyboardOfRebuiltView = false; });
        }
        emit picking();
    }
    m_manager->setLanguage(language);
}

bool LanguagePickerViewModel::takesFocus() const
{
    return keyboardOfRebuiltView;
}
