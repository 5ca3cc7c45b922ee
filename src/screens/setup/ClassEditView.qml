import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// "Add Class": name, mode, start method and course choice of a class being added.
SetupSheet {
    id: sheet
    objectName: "classEditSheet"
    required property ClassEditor editor
    minimumWidth: 460
    onDismissed: editor.cancel()
    onAccepted: editor.save()

    Label {
        text: qsTranslate("Vexlo", "Add Class")
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
            objectName: "classNameField"
            text: sheet.editor.name
            focus: true
            Accessible.name: qsTranslate("Vexlo", "Name")
            Layout.fillWidth: true
            Layout.preferredWidth: 260
            onTextEdited: sheet.editor.name = text
        }
        Label {
            objectName: "classNameWarning"
            visible: sheet.editor.nameWarning !== ""
            text: sheet.editor.nameWarning
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.columnSpan: 2
            Layout.fillWidth: true
        }
        Label { text: qsTranslate("Vexlo", "Mode"); font: Theme.body }
        ComboBox {
            objectName: "modePicker"
            Accessible.name: qsTranslate("Vexlo", "Mode")
            model: [qsTranslate("Vexlo", "Single Course"), qsTranslate("Vexlo", "Course Family"),
                qsTranslate("Vexlo", "Multi-Course")]
            currentIndex: sheet.editor.modeIndex
            Layout.fillWidth: true
            onActivated: index => sheet.editor.setModeIndex(index)
        }
        Label { text: qsTranslate("Vexlo", "Start"); font: Theme.body }
        ComboBox {
            objectName: "startPicker"
            Accessible.name: qsTranslate("Vexlo", "Start")
            model: [qsTranslate("Vexlo", "Scheduled time"), qsTranslate("Vexlo", "Start punch")]
            currentIndex: sheet.editor.startIndex
            Layout.fillWidth: true
            onActivated: index => sheet.editor.setStartIndex(index)
        }
    }
    Label {
        text: qsTranslate("Vexlo", "Course")
        font: Theme.headline
        color: Theme.secondaryText
    }
    RowLayout {
        visible: sheet.editor.modeIndex === 0
        spacing: 12
        Label { text: qsTranslate("Vexlo", "Course"); font: Theme.body; Layout.preferredWidth: 90 }
        IdNamePicker {
            objectName: "coursePicker"
            Accessible.name: qsTranslate("Vexlo", "Course")
            model: sheet.editor.courseOptions
            selectedId: sheet.editor.courseId
            Layout.preferredWidth: 260
            onPicked: id => sheet.editor.setCourseId(id)
        }
    }
    RowLayout {
        visible: sheet.editor.modeIndex === 1
        spacing: 12
        Label { text: qsTranslate("Vexlo", "Course family"); font: Theme.body; Layout.preferredWidth: 90 }
        IdNamePicker {
            objectName: "familyPicker"
            Accessible.name: qsTranslate("Vexlo", "Course family")
            model: sheet.editor.familyOptions
            selectedId: sheet.editor.family
            Layout.preferredWidth: 260
            onPicked: id => sheet.editor.setFamily(id)
        }
    }
    ColumnLayout {
        visible: sheet.editor.modeIndex === 2
        spacing: 4
        Label {
            visible: sheet.editor.multiCourseItems.length === 0
            text: qsTranslate("Vexlo", "No courses available")
            color: Theme.secondaryText
            font: Theme.body
        }
        Repeater {
            model: sheet.editor.multiCourseItems
            ItemDelegate {
                required property var modelData
                objectName: "multiCourse_" + modelData.text
                text: modelData.text
                icon.source: modelData.checked ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                padding: 4
                onClicked: sheet.editor.toggleCourse(modelData.value)
            }
        }
    }
    SheetButtons {
        acceptEnabled: sheet.editor.canSave
        onCancelled: sheet.editor.cancel()
        onAccepted: sheet.editor.save()
    }
}
