import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// A modal sheet centred over the window. It opens as soon as it is made (a sheet exists while its
// view-model does); Escape or the close of the window's overlay reports `dismissed`, and Return
// anywhere in the sheet reports `accepted` (the default action).
Popup {
    id: root
    signal dismissed
    signal accepted
    default property alias content: body.data
    property int minimumWidth: 420

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    padding: 16
    background: Rectangle {
        color: Theme.contentBackground
        radius: 10
        border.color: Theme.divider
    }
    contentItem: ColumnLayout {
        id: body
        objectName: root.objectName
        spacing: 12
        Keys.onReturnPressed: root.accepted()
        Keys.onEnterPressed: root.accepted()
    }
    implicitWidth: Math.max(minimumWidth, body.implicitWidth + 2 * padding)
    Component.onCompleted: open()
    onClosed: dismissed()
}
