#pragma once

// Typed reads of the settings store. Values written by this program come back as their own type
// from a native store, or as text from an INI file; both read the same here.

#include <QSettings>
#include <QString>

#include <cmath>

// Absent or unreadable: false.
[[nodiscard]] inline bool readBool(const QSettings &settings, const QString &key)
{
    return settings.value(key).toBool();
}

// Absent: the empty text.
[[nodiscard]] inline QString readString(const QSettings &settings, const QString &key)
{
    return settings.value(key).toString();
}

// The stored number when it is above 0; absent, zero, negative and not-a-number all give
// `fallback`.
[[nodiscard]] inline double readPositiveSeconds(
    const QSettings &settings, const QString &key, double fallback)
{
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    return ok && std::isfinite(value) && value > 0 ? value : fallback;
}
