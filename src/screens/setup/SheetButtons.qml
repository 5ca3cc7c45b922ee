import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The foot of a sheet: a divider, then "Cancel" on the left and the default action on the right,
// or with `cancelBesideAccept` both on the right, Cancel first.
ColumnLayout {
    id: root
    property string acceptText: qsTranslate("Vexlo", "Save")
    property bool acceptEnabled: true
    property bool showsCancel: true
    property bool cancelBesideAccept: false
    signal cancelled
    signal accepted
    spacing: 12
    Layout.fillWidth: true

    Rectangle {
        Layout.fillWidth: true
        Layout.preferredHeight: 1
        color: Theme.divider
    }
    RowLayout {
        Layout.fillWidth: true
        Item {
            visible: root.cancelBesideAccept
            Layout.fillWidth: true
        }
        Button {
            objectName: "cancelButton"
            visible: root.showsCancel
            text: qsTranslate("Vexlo", "Cancel")
            onClicked: root.cancelled()
        }
        Item {
            visible: !root.cancelBesideAccept
            Layout.fillWidth: true
        }
        Button {
            objectName: "acceptButton"
            text: root.acceptText
            highlighted: true
            enabled: root.acceptEnabled
            onClicked: root.accepted()
        }
    }
}
