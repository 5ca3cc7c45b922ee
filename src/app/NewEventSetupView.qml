import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The new-event sheet. It cannot be dismissed: it closes only when a save succeeds, which
// clears the store's needs-initial-setup flag.
SheetPopup {
    id: root
    required property NewEventSetupViewModel model
    objectName: "newEventSheet"
    visible: model.visible
    // Nothing to go back to: the event must be saved first.
    closesOnEscape: false
    onDefaultAction: root.model.chooseFileToSave()
    width: Math.max(440, Math.min(480, parent ? parent.width - 40 : 480))
    height: Math.max(180, column.implicitHeight + 48)

    contentItem: ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 24
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
