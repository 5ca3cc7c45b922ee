import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The new-event sheet. It closes when a save succeeds, which clears the store's
// needs-initial-setup flag, or when the organiser gives the new event up (Cancel, Escape): the
// event open before comes back.
SheetPopup {
    id: root
    required property NewEventSetupViewModel model
    objectName: "newEventSheet"
    visible: model.visible
    // Escape gives the new event up like Cancel; the model's flag then closes the sheet.
    closesOnEscape: false
    onDefaultAction: root.model.chooseFileToSave()
    Shortcut {
        sequence: "Escape"
        enabled: root.opened
        onActivated: root.model.cancel()
    }
    width: Math.max(440, Math.min(480, parent ? parent.width - 40 : 480))
    // The content's own height: a height bound to the column's could lag a frame behind it and
    // leave the buttons below the sheet.
    padding: 24
    height: Math.max(180, implicitHeight)

    contentItem: ColumnLayout {
        id: column
        spacing: 16

        Label {
            text: qsTranslate("Vexlo", "Name your new event")
            font: Theme.title2
            color: Theme.primaryText
        }
        Label {
            text: qsTranslate("Vexlo", "Choose a name for this event, then save it to a file before continuing.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        TextField {
            objectName: "eventNameField"
            placeholderText: qsTranslate("Vexlo", "Event name")
            text: root.model.eventName
            font: Theme.title3
            Layout.preferredWidth: 360
            focus: true
            onTextEdited: root.model.eventName = text
        }
        Label {
            objectName: "nameWarning"
            visible: root.model.nameWarning !== ""
            text: root.model.nameWarning
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "fileError"
            visible: root.model.fileError !== ""
            text: root.model.fileError
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                objectName: "cancelNewEventButton"
                text: qsTranslate("Vexlo", "Cancel")
                onClicked: root.model.cancel()
            }
            IconButton {
                objectName: "saveEventButton"
                title: "Save Event..."
                systemImage: "square.and.arrow.down"
                highlighted: true
                enabled: root.model.canSave
                onClicked: root.model.chooseFileToSave()
            }
        }
    }
}
