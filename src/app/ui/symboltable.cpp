#include "symboltable.h"

#include <array>

namespace {

struct SymbolEntry
{
    const char *symbol;
    const char *file;
};

// clang-format off
constexpr std::array<SymbolEntry, 52> table = {{
    {"info.circle",                    "info"},
    {"flag.checkered",                 "flag"},
    {"calendar",                       "calendar"},
    {"map",                            "map"},
    {"tag",                            "tag"},
    {"person.text.rectangle",          "id-card"},
    {"clock",                          "clock"},
    {"wave.3.right",                   "nfc"},
    {"list.bullet.clipboard",          "clipboard-list"},
    {"figure.run",                     "person-standing"},
    {"gearshape",                      "settings"},
    {"book",                           "book"},
    {"wrench.and.screwdriver",         "wrench"},
    {"trash",                          "trash-2"},
    {"pencil",                         "pencil"},
    {"xmark.circle.fill",              "circle-x"},
    {"square.and.arrow.down",          "download"},
    {"square.and.arrow.up",            "upload"},
    {"plus",                           "plus"},
    {"minus",                          "minus"},
    {"printer",                        "printer"},
    {"magnifyingglass",                "search"},
    {"arrow.clockwise",                "refresh-cw"},
    {"checkmark.circle.fill",          "circle-check"},
    {"exclamationmark.triangle.fill",  "triangle-alert"},
    {"folder",                         "folder"},
    {"doc",                            "file"},
    {"xmark",                          "x"},
    {"person",                         "person-standing"},
    {"circle",                         "ring"},
    {"questionmark.circle",            "help-ring"},
    {"cable.connector",                "connector"},
    {"cable.connector.slash",          "connector-off"},
    {"person.badge.plus",              "person-add"},
    {"slider.horizontal.3",            "sliders-row"},
    {"line.3.horizontal.decrease.circle", "sliders-row"},
    {"wand.and.stars",                 "wand"},
    {"link",                           "chain"},
    {"clock.badge",                    "clock-badge"},
    {"checkmark",                      "checkmark"},
    {"globe",                          "globe"},
    {"arrow.up",                       "arrow-up"},
    {"arrow.down",                     "arrow-down"},
    {"arrow.up.arrow.down.circle",     "arrows-up-down-circle"},
    {"minus.circle",                   "circle-minus"},
    {"plus.circle",                    "circle-plus"},
    {"shuffle",                        "shuffle"},
    {"personalhotspot",                "hotspot"},
    {"network",                        "network"},
    {"paperplane",                     "paperplane"},
    {"checklist",                      "clipboard-list"},
    {"globe.americas",                 "globe"},
}};
// clang-format on

const QString iconFolder = QStringLiteral(":/Vexlo/Ui/icons/");

} // namespace

QString symbolResourcePath(const QString &symbolName)
{
    for (const auto &entry : table) {
        if (symbolName == QLatin1String(entry.symbol))
            return iconFolder + QLatin1String(entry.file) + QStringLiteral(".svg");
    }
    return {};
}

QStringList knownSymbolNames()
{
    QStringList names;
    for (const auto &entry : table)
        names.append(QString::fromLatin1(entry.symbol));
    return names;
}

QString logoResourcePath()
{
    return iconFolder + QStringLiteral("vexlo-logo.svg");
}
