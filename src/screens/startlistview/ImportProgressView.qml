import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The start-list import's progress and outcome; it cannot be closed while the import runs.
Sheet {
    id: root
    objectName: "importProgress"
    required property QtObject model
    readonly property bool wanted: model.showingImportProgressSheet
    onWantedChanged: wanted ? open() : close()
    closesOnEscape: !model.importIsRunning
    readonly property bool asking: model.importDayQuestion !== ""
    onClosed: if (model.showingImportProgressSheet) { if (asking) model.cancelImport(); else model.closeImportSheet() }
    onDefaultAction: asking ? model.confirmImportDay() : model.closeImportSheet()
    width: 420

    contentItem: ColumnLayout {
        // The sheet's name on its visible item, where window tests look for it.
        objectName: root.objectName
        spacing: 12
        ColumnLayout {
            visible: root.asking
            Layout.margins: 20
            spacing: 12
            Label {
                objectName: "importDayQuestion"
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: root.model.importDayQuestion
                font: Theme.callout
            }
            RowLayout {
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "importDayCancel"
                    text: qsTranslate("Vexlo", "Cancel")
                    onClicked: root.model.cancelImport()
                }
                Button {
                    objectName: "importDayConfirm"
                    text: qsTranslate("Vexlo", "Import anyway")
                    highlighted: true
                    onClicked: root.model.confirmImportDay()
                }
            }
        }
        ColumnLayout {
            visible: root.model.importIsRunning
            Layout.margins: 20
            spacing: 16
            RowLayout {
                spacing: 12
                ProgressBar {
                    objectName: "importBar"
                    Layout.preferredWidth: 220
                    from: 0
                    to: 100
                    value: root.model.importPercent
                }
                Label {
                    objectName: "importPercent"
                    text: qsTranslate("Vexlo", "%lld%").replace("%lld", root.model.importPercent)
                    font: Theme.caption
                    color: Theme.secondaryText
                }
            }
            Label { text: qsTranslate("Vexlo", "Importing start list..."); font: Theme.headline }
        }
        ColumnLayout {
            visible: !root.model.importIsRunning && !root.asking
            Layout.margins: 20
            spacing: 16
            RowLayout {
                spacing: 8
                SymbolIcon {
                    name: "checkmark.circle.fill"
                    color: "#248a3d"
                    Layout.preferredWidth: 22
                    Layout.preferredHeight: 22
                }
                Label {
                    objectName: "importCompleteTitle"
                    text: qsTranslate("Vexlo", "Import complete")
                    font: Theme.headline
                }
            }
            ColumnLayout {
            spacing: 4
            Repeater {
                model: root.model.importSummaryLines
                delegate: Label {
                    required property var modelData
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    text: modelData.text
                    font: Theme.callout
                    color: modelData.tone === "warning" ? "#c93400"
                         : modelData.tone === "secondary" ? Theme.secondaryText : Theme.primaryText
                }
            }
            }
            Rectangle {
                objectName: "importDivider"
                Layout.fillWidth: true
                Layout.preferredHeight: 1
                color: Theme.divider
            }
            RowLayout {
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "importDone"
                    text: qsTranslate("Vexlo", "Done")
                    highlighted: true
                    onClicked: root.model.closeImportSheet()
                }
            }
        }
    }
}
