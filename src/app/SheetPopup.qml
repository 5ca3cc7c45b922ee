import QtQuick
import QtQuick.Controls
import Vexlo.Ui
import Vexlo.App

// A modal sheet centred over the window.
Popup {
    id: root
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    padding: 0
    background: Rectangle {
        color: Theme.contentBackground
        radius: 10
        border.color: Theme.divider
    }
}
