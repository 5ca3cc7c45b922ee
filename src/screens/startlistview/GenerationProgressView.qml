import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The generation progress sheet: a spinner while the plan is computed, then how many runners got
// a time, what would have placed those left out, and the generator's warnings. It cannot be closed while the run is under way.
Sheet {
    id: root
    objectName: "generationProgress"
    required property QtObject model
    readonly property bool wanted: model.showingProgress
    onWantedChanged: wanted ? open() : close()
    closesOnEscape: !model.running
    onClosed: if (model.showingProgress) model.done()
    onDefaultAction: model.done()
    width: 420

    contentItem: ColumnLayout {
        // The sheet's name on its visible item, where window tests look for it.
        objectName: root.objectName
        spacing: 16
        ColumnLayout {
            visible: root.model.running
            Layout.margins: 20
            spacing: 8
            RowLayout {
                spacing: 12
                BusyIndicator { running: root.model.running; Layout.preferredWidth: 24; Layout.preferredHeight: 24 }
                Label { text: qsTranslate("Vexlo", "Generating full start list..."); font: Theme.headline }
            }
            Label {
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: root.model.runningCaption
                font: Theme.caption
                color: Theme.secondaryText
            }
        }
        ColumnLayout {
            visible: !root.model.running
            Layout.margins: 20
            spacing: 12
            RowLayout {
                spacing: 8
                SymbolIcon {
                    name: root.model.warnings.length === 0 ? "checkmark.circle.fill" : "exclamationmark.triangle.fill"
                    color: root.model.warnings.length === 0 ? "#248a3d" : "#c93400"
                    Layout.preferredWidth: 22
                    Layout.preferredHeight: 22
                }
                Label { objectName: "generationResultTitle"; text: root.model.resultTitle; font: Theme.headline }
            }
            Label { objectName: "generationAssigned"; text: root.model.assignedText; font: Theme.callout }
            Label {
                objectName: "generationShortfall"
                visible: root.model.shortfallText.length > 0
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: root.model.shortfallText
                font: Theme.callout
                color: Theme.error
            }
            Rectangle {
                visible: root.model.warnings.length > 0
                Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider
            }
            ScrollView {
                visible: root.model.warnings.length > 0
                Layout.fillWidth: true
                Layout.preferredHeight: Math.min(200, warningColumn.implicitHeight)
                clip: true
                Column {
                    id: warningColumn
                    width: root.width - 40
                    spacing: 6
                    Repeater {
                        model: root.model.warnings
                        delegate: Label {
                            required property string modelData
                            width: warningColumn.width
                            wrapMode: Text.Wrap
                            text: "⚠ " + modelData
                            font: Theme.caption
                            color: Theme.error
                        }
                    }
                }
            }
            Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
            RowLayout {
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "generationDone"
                    text: qsTranslate("Vexlo", "Done")
                    highlighted: true
                    onClicked: root.model.done()
                }
            }
        }
    }
}
