import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// One class of the table, edited in place. The name is written when its editing ends (Return or
// the focus leaving), so typing neither saves nor rebuilds the row under the caret.
Rectangle {
    id: row
    required property int index
    required property string classId
    required property string name
    required property int modeIndex
    required property int startIndex
    required property string courseId
    required property string family
    required property string multiCourseText
    required property bool showsStagesButton
    required property bool showsWindowButton
    property ClassesScreen screen
    property int nameWidth
    property int modeWidth
    property int startWidth
    property int courseWidth

    objectName: "classRow_" + name
    implicitHeight: 34
    color: index % 2 === 1 ? Qt.rgba(0.5, 0.5, 0.5, 0.1) : "transparent"

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 4
        anchors.rightMargin: 4
        spacing: 0

        TextField {
            id: nameField
            objectName: "classNameField"
            text: row.name
            placeholderText: qsTranslate("Vexlo", "Name")
            Accessible.name: qsTranslate("Vexlo", "Name")
            Layout.preferredWidth: row.nameWidth - 8
            Layout.rightMargin: 8
            onEditingFinished: {
                if (text !== row.name && !row.screen.renameClass(row.classId, text))
                    text = Qt.binding(() => row.name)
            }
        }
        ComboBox {
            objectName: "modePicker"
            Accessible.name: qsTranslate("Vexlo", "Mode")
            model: [qsTranslate("Vexlo", "Single Course"), qsTranslate("Vexlo", "Course Family"),
                qsTranslate("Vexlo", "Multi-Course")]
            currentIndex: row.modeIndex
            Layout.preferredWidth: row.modeWidth
            onActivated: index => row.screen.setMode(row.classId, index)
        }
        ComboBox {
            objectName: "startPicker"
            Accessible.name: qsTranslate("Vexlo", "Start")
            model: [qsTranslate("Vexlo", "Scheduled time"), qsTranslate("Vexlo", "Start punch")]
            currentIndex: row.startIndex
            Layout.preferredWidth: row.startWidth
            onActivated: index => row.screen.setStart(row.classId, index)
        }
        IdNamePicker {
            objectName: "coursePicker"
            visible: row.modeIndex === 0
            Accessible.name: qsTranslate("Vexlo", "Course")
            model: row.screen.courseOptions
            selectedId: row.courseId
            Layout.preferredWidth: row.courseWidth
            onPicked: id => row.screen.setCourse(row.classId, id)
        }
        IdNamePicker {
            objectName: "familyPicker"
            visible: row.modeIndex === 1
            Accessible.name: qsTranslate("Vexlo", "Course family")
            model: row.screen.familyOptions
            selectedId: row.family
            Layout.preferredWidth: row.courseWidth
            onPicked: id => row.screen.setFamily(row.classId, id)
        }
        Button {
            id: multiButton
            objectName: "multiCourseButton"
            visible: row.modeIndex === 2
            text: row.multiCourseText
            Layout.preferredWidth: row.courseWidth
            contentItem: Label {
                text: multiButton.text
                elide: Text.ElideRight
                maximumLineCount: 1
                font: Theme.body
            }
            onClicked: {
                multiMenuItems.model = row.screen.multiCourseItems(row.classId)
                multiMenu.popup(multiButton, 0, multiButton.height)
            }
            Menu {
                id: multiMenu
                Instantiator {
                    id: multiMenuItems
                    delegate: MenuItem {
                        required property var modelData
                        text: modelData.text
                        icon.source: modelData.checked ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                        onTriggered: row.screen.toggleCourse(row.classId, modelData.value)
                    }
                    onObjectAdded: (index, object) => multiMenu.insertItem(index, object)
                    onObjectRemoved: (index, object) => multiMenu.removeItem(object)
                }
            }
        }
        Item { Layout.preferredWidth: 12 }
        Item {
            Layout.preferredWidth: 36
            Layout.preferredHeight: 32
        ToolButton {
            objectName: "stagesButton"
            anchors.fill: parent
            visible: row.showsStagesButton
            contentItem: SymbolIcon { name: "pencil"; color: Theme.primaryText; implicitWidth: 16; implicitHeight: 16 }
            ToolTip.visible: hovered
            ToolTip.text: qsTranslate("Vexlo", "Per-stage course/start overrides")
            onClicked: row.screen.editStages(row.classId)
        }
        ToolButton {
            objectName: "windowButton"
            anchors.fill: parent
            visible: row.showsWindowButton
            contentItem: SymbolIcon { name: "pencil"; color: Theme.primaryText; implicitWidth: 16; implicitHeight: 16 }
            ToolTip.visible: hovered
            ToolTip.text: qsTranslate("Vexlo", "Start window override (falls back to the event default if not set)")
            onClicked: row.screen.editStartWindow(row.classId)
        }
        }
        ToolButton {
            objectName: "deleteClassButton"
            contentItem: TrashIcon { color: Theme.error }
            Accessible.name: qsTranslate("Vexlo", "Delete")
            onClicked: row.screen.deleteClass(row.classId)
        }
        Item { Layout.fillWidth: true }
    }
}
