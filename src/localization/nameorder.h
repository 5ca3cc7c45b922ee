#pragma once

// The order of names in every list the organiser reads (runners, classes, courses, groups): the
// collation of the selected language with runs of digits compared by value and case ignored, so
// that in Danish Æ, Ø and Å follow Z, "Émile" stands among the E's and "Runner 2" precedes
// "Runner 10".

#include "localization.h"

#include <QCollator>
#include <QLocale>
#include <QString>

// The locale of a language: Danish is Denmark's; English is the system's own English locale when
// the system speaks English, else British English (day-month dates and a 24-hour clock, as
// orienteering results are read).
[[nodiscard]] QLocale localeForLanguage(AppLanguage language, const QLocale &system = QLocale::system());

// The collator of the shared manager's language, remade when the language changes (one per thread).
[[nodiscard]] const QCollator &nameCollator();

// Negative, zero or positive like strcmp. Names the collator finds equal (differing only in case,
// say) compare equal, so a stable sort keeps their stored order.
[[nodiscard]] int compareNames(const QString &a, const QString &b);

[[nodiscard]] inline bool nameLess(const QString &a, const QString &b)
{
    return compareNames(a, b) < 0;
}
