import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Event

// The stage editor sheet: a working copy of one stage, handed to the store only by "Save".
Popup {
    id: root
    required property StagesViewModel model
    objectName: "stageEditSheet"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    visible: model.editing
    closePolicy: Popup.CloseOnEscape
    width: Math.max(320, column.implicitWidth + 48)
    padding: 24
    onClosed: if (model.editing) model.cancelEdit()
    onOpened: nameField.forceActiveFocus()
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }

    contentItem: ColumnLayout {
        id: column
        spacing: 10
        Keys.onReturnPressed: root.model.saveEdit()
        Keys.onEnterPressed: root.model.saveEdit()
        Label { text: qsTranslate("Vexlo", "Name"); font: Theme.caption; color: Theme.secondaryText }
        TextField {
            id: nameField
            objectName: "stageNameField"
            Layout.fillWidth: true
            text: root.model.editName
            onTextEdited: root.model.editName = text
            onAccepted: root.model.saveEdit()
        }
        Label { text: qsTranslate("Vexlo", "Date"); font: Theme.caption; color: Theme.secondaryText }
        TextField {
            objectName: "stageDateField"
            Layout.fillWidth: true
            text: root.model.editDateText
            color: acceptableInput ? Theme.primaryText : Theme.error
            validator: RegularExpressionValidator { regularExpression: /\d{4}-\d{2}-\d{2}/ }
            onEditingFinished: root.model.setEditDateText(text)
        }
        RowLayout {
            Label { text: root.model.editOrderTitle; Layout.fillWidth: true }
            SpinBox {
                objectName: "stageOrderStepper"
                from: 0; to: 99
                value: root.model.editOrder
                onValueModified: root.model.editOrder = value
            }
        }
        RowLayout {
            Layout.fillWidth: true
            Button { objectName: "stageCancel"; text: qsTranslate("Vexlo", "Cancel"); onClicked: root.model.cancelEdit() }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "stageSave"
                text: qsTranslate("Vexlo", "Save")
                highlighted: true
                onClicked: root.model.saveEdit()
            }
        }
    }
}
