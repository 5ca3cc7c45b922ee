import QtQuick
import Vexlo.Ui

// The image of delete buttons.
SymbolIcon {
    name: "trash"
    color: Theme.primaryText
    implicitWidth: 16
    implicitHeight: 16
}
