import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// Per-stage course, start method and start window of one class.
SetupSheet {
    id: sheet
    objectName: "stageSettingsSheet"
    required property StageSettingsEditor editor
    minimumWidth: 460
    onDismissed: editor.cancel()

    Label {
        text: sheet.editor.title
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Leave a stage set to \"(Default)\" to reuse the class's own course/start method for that stage (e.g. start punch for a sprint stage, scheduled time for a classic stage). Each stage only offers courses tagged for that stage (plus any untagged/shared ones).")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 460
    }
    FocusScrollView {
        Layout.fillWidth: true
        Layout.preferredHeight: Math.min(stageColumn.implicitHeight, 380)
        contentWidth: availableWidth
        ColumnLayout {
            id: stageColumn
            width: parent.width
            spacing: 10
            // One block per stage, kept while choices are made: the blocks read the editor's rows
            // anew, so a picker keeps its focus and shows what was chosen.
            Repeater {
                model: sheet.editor.stages.length
                ColumnLayout {
                    id: stageBlock
                    required property int index
                    readonly property var modelData: sheet.editor.stages[index]
                    objectName: "stage_" + modelData.name
                    spacing: 6
                    Label {
                        text: stageBlock.modelData.name
                        font: Theme.headline
                        color: Theme.secondaryText
                    }
                    RowLayout {
                        spacing: 12
                        visible: stageBlock.modelData.showsCourse
                        Label { text: qsTranslate("Vexlo", "Course"); font: Theme.body; Layout.preferredWidth: 90 }
                        IdNamePicker {
                            objectName: "stageCoursePicker"
                            Accessible.name: qsTranslate("Vexlo", "Course")
                            model: stageBlock.modelData.courseOptions
                            selectedId: stageBlock.modelData.courseId
                            Layout.preferredWidth: 220
                            onPicked: id => sheet.editor.setCourse(stageBlock.modelData.stageId, id)
                        }
                    }
                    RowLayout {
                        spacing: 12
                        Label { text: qsTranslate("Vexlo", "Start"); font: Theme.body; Layout.preferredWidth: 90 }
                        IdNamePicker {
                            objectName: "stageStartPicker"
                            Accessible.name: qsTranslate("Vexlo", "Start")
                            model: [
                                { text: qsTranslate("Vexlo", "(Default)"), value: "" },
                                { text: qsTranslate("Vexlo", "Scheduled time"), value: "scheduledTime" },
                                { text: qsTranslate("Vexlo", "Start punch"), value: "startPunch" }
                            ]
                            selectedId: stageBlock.modelData.startValue
                            Layout.preferredWidth: 220
                            onPicked: value => sheet.editor.setStart(stageBlock.modelData.stageId, value)
                        }
                    }
                    TimeField {
                        id: openField
                        objectName: "stageOpen"
                        visible: stageBlock.modelData.showsWindow
                        title: "Open"
                        text: stageBlock.modelData.openText
                        onEdited: text => sheet.editor.setWindowText(stageBlock.modelData.stageId, text, closeField.text)
                    }
                    TimeField {
                        id: closeField
                        objectName: "stageClose"
                        visible: stageBlock.modelData.showsWindow
                        title: "Close"
                        text: stageBlock.modelData.closeText
                        onEdited: text => sheet.editor.setWindowText(stageBlock.modelData.stageId, openField.text, text)
                    }
                }
            }
        }
    }
    Label {
        objectName: "stageWindowProblem"
        visible: sheet.editor.problem !== ""
        text: sheet.editor.problem
        color: Theme.error
        font: Theme.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 420
    }
    SheetButtons {
        onCancelled: sheet.editor.cancel()
        onAccepted: sheet.editor.save()
    }
}
