#include "nameorder.h"

#include <optional>

QLocale localeForLanguage(AppLanguage language, const QLocale &system)
{
    if (language == AppLanguage::Danish)
        return QLocale(QLocale::Danish, QLocale::Denmark);
    if (system.language() == QLocale::English)
        return system;
    return QLocale(QLocale::English, QLocale::UnitedKingdom);
}

const QCollator &nameCollator()
{
    // One collator per language and thread (a collator is not safe to share between threads);
    // the shared manager may be swapped by tests, so the cache is keyed by the language it was
    // made for, not by the manager.
    thread_local std::optional<AppLanguage> madeFor;
    thread_local QCollator collator;
    const AppLanguage language = LocalizationManager::shared().language();
    if (madeFor != language) {
        // The language's default locale, not the system's: the order must not depend on the
        // machine the event runs on.
        collator
            = QCollator(language == AppLanguage::Danish ? QLocale(QLocale::Danish, QLocale::Denmark)
                                                        : QLocale(QLocale::English, QLocale::UnitedKingdom));
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        madeFor = language;
    }
    return collator;
}

int compareNames(const QString &a, const QString &b)
{
    const int c = nameCollator().compare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
