import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Event

// The Stages section: the event's stages, the active one, the stage editor and the OE CSV export.
Item {
    id: root
    objectName: "stagesView"
    property QtObject raceStore

    StagesViewModel { id: vm; raceStore: root.raceStore }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            Label { text: qsTranslate("Vexlo", "Stages"); font: Theme.headline; color: Theme.primaryText }
            Item { Layout.fillWidth: true }
            IconButton { objectName: "addStageButton"; title: "Add Stage"; systemImage: "plus"; onClicked: vm.beginNewStage() }
        }
        Label {
            text: qsTranslate("Vexlo", "Configure one entry per day/stage of a multi-stage event. Card reads are recorded against whichever stage is currently active below; a class gets an overall (summed) total once more than one stage exists.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        RowLayout {
            visible: vm.stages.length > 0
            Label {
                text: qsTranslate("Vexlo", "Active stage (used when recording card reads)")
                font: Theme.caption
                color: Theme.secondaryText
            }
            ComboBox {
                objectName: "activeStagePicker"
                Layout.preferredWidth: 220
                model: vm.stages
                textRole: "name"
                currentIndex: vm.activeIndex
                displayText: currentIndex < 0 ? "" : currentText
                Accessible.name: qsTranslate("Vexlo", "Active stage")
                onActivated: index => vm.makeActive(vm.stages[index].id)
            }
        }
        ListView {
            id: list
            objectName: "stageList"
            KeepsEndInView { view: list }
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: vm.stages
            delegate: RowLayout {
                width: list.width
                required property var modelData
                required property int index
                ItemDelegate {
                    objectName: "stageRow" + index
                    Layout.fillWidth: true
                    ToolTip.visible: hovered
                    ToolTip.text: qsTranslate("Vexlo", "Click to make this the active stage")
                    onClicked: vm.makeActive(modelData.id)
                    contentItem: RowLayout {
                        ColumnLayout {
                            spacing: 2
                            Label { text: modelData.name; font: Theme.headline; color: Theme.primaryText }
                            Label { text: modelData.dateText; font: Theme.caption; color: Theme.secondaryText }
                        }
                        Label {
                            visible: modelData.active
                            text: qsTranslate("Vexlo", "ACTIVE")
                            font.pixelSize: 10
                            font.bold: true
                            color: "#248a3d"
                        }
                        Item { Layout.fillWidth: true }
                    }
                    PointingHandOnHover {}
                }
                Button {
                    objectName: "editStage" + index
                    contentItem: EditButtonLabel {}
                    onClicked: vm.beginEdit(modelData.id)
                }
                Button {
                    objectName: "deleteStage" + index
                    contentItem: TrashIcon {}
                    Accessible.name: qsTranslate("Vexlo", "Delete")
                    onClicked: vm.requestDelete(modelData.id)
                }
            }
        }
        // What the export did, between the list and the export button: the list gives up the
        // room, so that the button and everything under the pointer stay where they were.
        Label {
            objectName: "exportSaved"
            visible: vm.savedMessage !== "" && vm.exportError === ""
            text: vm.savedMessage
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "exportError"
            visible: vm.exportError !== ""
            text: vm.exportError
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        IconButton {
            objectName: "exportEntriesButton"
            title: "Export entries with start times (OE CSV)"
            systemImage: "square.and.arrow.up"
            enabled: vm.canExport
            onClicked: vm.chooseExportFile()
        }
        Label {
            objectName: "exportCaption"
            text: qsTranslate("Vexlo", "Exports every entry (card, name, club, class) along with each stage's own start time, in the OE0002_V12 CSV format used by OE for entries with up to six races/blocks.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    StageEditView { model: vm }

    Dialog {
        objectName: "deleteStageDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: vm.confirmingDelete
        width: Math.min(440, root.width - 40)
        title: qsTranslate("Vexlo", "Delete stage?")
        Label {
            width: parent.width
            wrapMode: Text.WordWrap
            text: qsTranslate("Vexlo", "Existing results/start times already tagged with this stage are kept but will no longer resolve to a named stage. This cannot be undone.")
        }
        footer: DialogButtonBox {
            Button { text: qsTranslate("Vexlo", "Cancel"); DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
            Button {
                objectName: "confirmDeleteButton"
                text: qsTranslate("Vexlo", "Delete")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: vm.confirmDelete()
            }
        }
        onRejected: vm.cancelDelete()
        onClosed: if (vm.confirmingDelete) vm.cancelDelete()
    }
}
