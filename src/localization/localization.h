#pragma once

// The application's language setting and the text lookup for texts built in code.
//
// Every user-visible text is a key equal to its English wording. The tables (Qt Linguist .ts
// files compiled into the binary, context "Vexlo") map keys to the selected language; a key that
// has no entry stands for itself.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <optional>
#include <type_traits>

enum class AppLanguage { English, Danish };

inline constexpr AppLanguage allAppLanguages[] = {AppLanguage::English, AppLanguage::Danish};

// "en" / "da".
[[nodiscard]] QString toText(AppLanguage language);
// Exact, case-sensitive: only "en" and "da" are recognised.
[[nodiscard]] std::optional<AppLanguage> appLanguageFromText(const QString &code);
// The name a language picker shows; never translated ("English", "Dansk").
[[nodiscard]] QString appLanguageDisplayName(AppLanguage language);

// Holds the selected language. The process uses one shared instance (`shared()`); tests build
// their own and install it with `setShared`. Main thread only.
class LocalizationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString languageCode READ languageCode WRITE setLanguageCode NOTIFY languageChanged)

public:
    // Settings key holding the picked language code.
    static constexpr const char *settingsKey = "AppSelectedLanguageCode";

    // Reads the stored choice from QSettings; without a recognised one, the first-launch default
    // over the system's preferred UI languages applies (and is not written back).
    explicit LocalizationManager(QObject *parent = nullptr);
    // Same, with the preferred-language list given (tests).
    explicit LocalizationManager(const QStringList &preferredLanguages, QObject *parent = nullptr);
    ~LocalizationManager() override;

    // The process-wide instance, created on first use (or the one installed by `setShared`).
    [[nodiscard]] static LocalizationManager &shared();
    // Installs `manager` (not owned) as the shared instance; nullptr goes back to the built-in one.
    static void setShared(LocalizationManager *manager);

    // Danish when the first preferred language tag begins with "da", English otherwise.
    [[nodiscard]] static AppLanguage firstLaunchDefault(const QStringList &preferredLanguages);

    [[nodiscard]] AppLanguage language() const { return m_language; }
    // A different value is stored under `settingsKey` first and then announced; the current
    // value again changes nothing and stores nothing.
    void setLanguage(AppLanguage language);

    [[nodiscard]] QString languageCode() const { return toText(m_language); }
    // Unrecognised codes are ignored.
    void setLanguageCode(const QString &code);

    // The table entry for `key` in the selected language; absent when the table has none.
    [[nodiscard]] std::optional<QString> lookup(const QString &key) const;

signals:
    void languageChanged();

private:
    void loadTable();

    AppLanguage m_language = AppLanguage::English;
    std::unique_ptr<QTranslator> m_table;
};

// Fills a format text printf-style without locale: each "%@", "%d" or "%lld" takes the next
// argument's text, "%1$@" style specifiers take the numbered one, "%%" is a percent sign.
// Specifiers without an argument stay as written.
[[nodiscard]] QString formatLocalized(const QString &format, const QStringList &arguments);

// The key looked up in the shared manager's language (the key itself when there is no entry);
// with arguments, the text found is filled by `formatLocalized`, without them it is returned as is.
[[nodiscard]] QString localized(const QString &key, const QStringList &arguments = {});

namespace localization_detail {
inline QString argumentText(const QString &s)
{
    return s;
}
inline QString argumentText(const char *s)
{
    return QString::fromUtf8(s);
}
template<typename T>
requires std::is_integral_v<T> QString argumentText(T v)
{
    return QString::number(v);
}
} // namespace localization_detail

// Convenience: localized("%@ controls", 12) or localized("page %@ of %@", p, n).
template<typename First, typename... Rest>
[[nodiscard]] QString localized(const QString &key, const First &first, const Rest &...rest)
{
    return localized(key,
        QStringList {localization_detail::argumentText(first), localization_detail::argumentText(rest)...});
}
