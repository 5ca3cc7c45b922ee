import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// One course: name, family, rogaining rules and the controls.
SetupSheet {
    id: sheet
    objectName: "courseEditSheet"
    required property CourseEditor editor
    minimumWidth: 500
    onDismissed: editor.cancel()
    onAccepted: editor.save()

    Label {
        text: sheet.editor.title
        font: Theme.title2
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Details")
        font: Theme.headline
        color: Theme.secondaryText
    }
    GridLayout {
        columns: 2
        columnSpacing: 12
        rowSpacing: 8
        Label { text: qsTranslate("Vexlo", "Name"); font: Theme.body }
        TextField {
            objectName: "courseNameField"
            text: sheet.editor.name
            focus: true
            Accessible.name: qsTranslate("Vexlo", "Name")
            Layout.preferredWidth: 240
            onTextEdited: sheet.editor.name = text
        }
        Label { text: qsTranslate("Vexlo", "Course family (optional, for variants)"); font: Theme.body }
        TextField {
            objectName: "courseFamilyField"
            text: sheet.editor.family
            Accessible.name: qsTranslate("Vexlo", "Course family (optional, for variants)")
            Layout.preferredWidth: 240
            onTextEdited: sheet.editor.family = text
        }
    }
    CheckBox {
        objectName: "rogainingToggle"
        text: qsTranslate("Vexlo", "Rogaining / score event")
        checked: sheet.editor.isRogaining
        onToggled: sheet.editor.isRogaining = checked
    }
    Label {
        objectName: "rogainingRulesHeading"
        visible: sheet.editor.isRogaining
        text: qsTranslate("Vexlo", "Rogaining rules")
        font: Theme.headline
        color: Theme.secondaryText
    }
    GridLayout {
        visible: sheet.editor.isRogaining
        columns: 2
        columnSpacing: 12
        Label { text: qsTranslate("Vexlo", "Time limit (minutes)"); font: Theme.body }
        TextField {
            objectName: "timeLimitField"
            text: sheet.editor.timeLimitText
            placeholderText: qsTranslate("Vexlo", "e.g. 180")
            horizontalAlignment: TextInput.AlignRight
            Layout.preferredWidth: 80
            onTextEdited: sheet.editor.timeLimitText = text
        }
        Label { text: qsTranslate("Vexlo", "Overtime penalty (points/min)"); font: Theme.body }
        TextField {
            objectName: "penaltyField"
            text: sheet.editor.penaltyText
            placeholderText: qsTranslate("Vexlo", "e.g. 10")
            horizontalAlignment: TextInput.AlignRight
            Layout.preferredWidth: 80
            onTextEdited: sheet.editor.penaltyText = text
        }
    }
    Label {
        text: sheet.editor.isRogaining ? qsTranslate("Vexlo", "Controls (any order, point value each)")
                                       : qsTranslate("Vexlo", "Controls (in order)")
        font: Theme.headline
        color: Theme.secondaryText
    }
    FocusScrollView {
        Layout.fillWidth: true
        Layout.preferredHeight: Math.min(controlColumn.implicitHeight, 220)
        ColumnLayout {
            id: controlColumn
            spacing: 4
            Repeater {
                model: sheet.editor.controls
                RowLayout {
                    id: controlRow
                    required property var modelData
                    spacing: 12
                    TextField {
                        objectName: "codeField"
                        text: controlRow.modelData.codeText
                        Accessible.name: qsTranslate("Vexlo", "Code")
                        Layout.preferredWidth: 60
                        onTextEdited: sheet.editor.setCode(controlRow.modelData.id, text)
                    }
                    Label {
                        visible: !sheet.editor.isRogaining
                        text: controlRow.modelData.orderText
                        color: Theme.secondaryText
                        font: Theme.body
                        Layout.preferredWidth: 70
                    }
                    TextField {
                        objectName: "scoreField"
                        visible: sheet.editor.isRogaining
                        text: controlRow.modelData.scoreText
                        Accessible.name: qsTranslate("Vexlo", "Score")
                        Layout.preferredWidth: 60
                        onTextEdited: sheet.editor.setScore(controlRow.modelData.id, text)
                    }
                    ToolButton {
                        objectName: "removeControlButton"
                        contentItem: TrashIcon { color: Theme.error }
                        Accessible.name: qsTranslate("Vexlo", "Delete")
                        onClicked: sheet.editor.removeControl(controlRow.modelData.id)
                    }
                }
            }
        }
    }
    Button {
        objectName: "addControlButton"
        text: qsTranslate("Vexlo", "Add Control")
        onClicked: sheet.editor.addControl()
    }
    Label {
        objectName: "courseProblem"
        visible: sheet.editor.problem !== ""
        text: sheet.editor.problem
        color: Theme.error
        font: Theme.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 480
    }
    SheetButtons {
        cancelBesideAccept: true
        onCancelled: sheet.editor.cancel()
        onAccepted: sheet.editor.save()
    }
}
