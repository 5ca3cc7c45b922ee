import QtQuick
import Vexlo.Ui

// The image of the close buttons of sheets and of the search box, in the secondary style.
SymbolIcon {
    name: "xmark.circle.fill"
    color: Theme.secondaryText
    implicitWidth: 18
    implicitHeight: 18
}
