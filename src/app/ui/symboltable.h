#pragma once

// One table from the symbol names the screens use (the names of the macOS symbol set, so that a
// screen names an icon the same way everywhere) to the bundled open-licensed SVG icons.

#include <QString>
#include <QStringList>

// The resource path of the icon for a symbol name, or an empty text for an unknown name.
[[nodiscard]] QString symbolResourcePath(const QString &symbolName);
// Every symbol name the table knows, in table order.
[[nodiscard]] QStringList knownSymbolNames();
// The resource path of the application logo ("Vexlo Logo").
[[nodiscard]] QString logoResourcePath();
