import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The rule-based generation dialog: start period, runners per slot and minimum gap, the rules the
// generator follows, and Cancel / Generate (Return). A problem with the settings is shown here and
// the dialog stays open.
Sheet {
    id: root
    objectName: "generationDialog"
    required property QtObject model
    readonly property bool wanted: model.showingDialog
    onWantedChanged: wanted ? open() : close()
    onClosed: if (model.showingDialog) model.cancel()
    onOpened: windowField.forceActiveFocus()
    onDefaultAction: model.generate()
    width: 440

    contentItem: ColumnLayout {
        // The sheet's name on its visible item, where window tests look for it.
        objectName: root.objectName
        spacing: 12
        Label {
            Layout.topMargin: 24
            Layout.leftMargin: 24
            text: qsTranslate("Vexlo", "Rule-based start list generation")
            font: Theme.headline
        }
        GridLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            columns: 2
            columnSpacing: 12
            Label { text: qsTranslate("Vexlo", "Start period (minutes)"); font: Theme.body; Layout.fillWidth: true }
            NumberField {
                id: windowField
                objectName: "windowField"
                placeholderText: "90"
                value: root.model.windowMinutes
                onEdited: v => root.model.windowMinutes = v
            }
            Label { text: qsTranslate("Vexlo", "Maximum runners per slot"); font: Theme.body; Layout.fillWidth: true }
            NumberField {
                objectName: "capacityField"
                placeholderText: "10"
                value: root.model.slotCapacity
                onEdited: v => root.model.slotCapacity = v
            }
            Label { text: qsTranslate("Vexlo", "Minimum gap between runners (min)"); font: Theme.body; Layout.fillWidth: true }
            NumberField {
                objectName: "gapField"
                placeholderText: "1"
                value: root.model.minSpacingMinutes
                onEdited: v => root.model.minSpacingMinutes = v
            }
        }
        ColumnLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            spacing: 4
            Repeater {
                model: [
                    qsTranslate("Vexlo", "Fills the start period above with every participant."),
                    qsTranslate("Vexlo", "Spaces each class's runners as evenly as possible within it."),
                    qsTranslate("Vexlo", "Keeps clubmates apart where possible."),
                    qsTranslate("Vexlo", "Keeps classes that share the same course apart."),
                    qsTranslate("Vexlo", "Keeps classes/courses that share the same first control apart where possible (a soft rule)."),
                    qsTranslate("Vexlo", "Honors each runner's \"Early\"/\"Late\" start preference (set from the list view)."),
                    qsTranslate("Vexlo", "Recalculates and replaces all existing start times.")
                ]
                delegate: RowLayout {
                    required property string modelData
                    Layout.fillWidth: true
                    spacing: 4
                    Label { text: "•"; font: Theme.callout; color: Theme.secondaryText; Layout.alignment: Qt.AlignTop }
                    Label {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        text: modelData
                        font: Theme.callout
                        color: Theme.secondaryText
                    }
                }
            }
        }
        Label {
            objectName: "generationProblem"
            visible: text !== ""
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: root.model.problem
            font: Theme.callout
            color: Theme.error
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 24
            Item { Layout.fillWidth: true }
            Button {
                objectName: "generationCancel"
                text: qsTranslate("Vexlo", "Cancel")
                onClicked: root.model.cancel()
            }
            Button {
                objectName: "generateButton"
                highlighted: true
                text: qsTranslate("Vexlo", "Generate")
                icon.source: "qrc:/Vexlo/Ui/icons/wand.svg"
                onClicked: root.model.generate()
            }
        }
    }
}
