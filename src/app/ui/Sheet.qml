import QtQuick
import QtQuick.Controls
import Vexlo.Ui

// A modal sheet centred over the window, usable from the keyboard: it takes the focus when it
// opens (Tab moves through its controls), Escape closes it and Return or Enter runs
// `defaultAction` (the sheet's "Done", "Save" or "Close"). Shortcuts inside an open modal sheet
// win over those of the window beneath it.
Popup {
    id: root
    // Return / Enter; closing is the default.
    signal defaultAction()
    property bool closesOnEscape: true

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: closesOnEscape ? Popup.CloseOnEscape : Popup.NoAutoClose
    padding: 0
    background: Rectangle {
        color: Theme.contentBackground
        radius: 10
        border.color: Theme.divider
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: root.opened
        onActivated: root.defaultAction()
    }
}
