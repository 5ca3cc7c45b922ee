import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// The Courses section: stage picker, "Add Course", the CourseData import, "Tools", and the list
// of the active stage's courses with their family groups. Everything shown comes from the
// CoursesScreen view-model.
Item {
    id: root
    objectName: "coursesView"
    property QtObject raceStore
    property bool showingDeleteAllConfirmation: false
    readonly property alias screen: vm

    CoursesScreen {
        id: vm
        store: root.raceStore
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Label {
                text: qsTranslate("Vexlo", "Courses")
                font: Theme.headline
                color: Theme.primaryText
            }
            IdNamePicker {
                objectName: "stagePicker"
                visible: vm.showsStagePicker
                Accessible.name: qsTranslate("Vexlo", "Stage")
                model: vm.stageOptions
                selectedId: vm.shownStageId
                currentIndex: count >= 0 ? indexOfValue(vm.shownStageId) : -1
                Layout.preferredWidth: 160
                onPicked: id => vm.selectStage(id)
            }
            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "addCourseButton"
                title: "Add Course"
                systemImage: "plus"
                onClicked: vm.addCourse()
            }
            IconButton {
                objectName: "importCoursesButton"
                title: "Import Courses (IOF XML)..."
                systemImage: "square.and.arrow.down"
                onClicked: vm.chooseImportFile()
            }
            ToolButton {
                id: toolsButton
                objectName: "toolsButton"
                contentItem: ToolsMenuLabel {}
                // Right-aligned under its button: the button sits at the window's right edge.
                onClicked: toolsMenu.popup(toolsButton, toolsButton.width - toolsMenu.width, toolsButton.height)
                Menu {
                    id: toolsMenu
                    // Clear of the window's edges, however far right its button sits.
                    margins: 8
                    // As wide as the longest item, so no text is cut short in either language.
                    width: {
                        let widest = 0
                        for (let i = 0; i < count; ++i)
                            widest = Math.max(widest, itemAt(i).implicitWidth)
                        return widest + leftPadding + rightPadding
                    }
                    MenuItem {
                        objectName: "deleteAllCoursesItem"
                        text: qsTranslate("Vexlo", "Delete all courses")
                        icon.source: "qrc:/Vexlo/Ui/icons/trash-2.svg"
                        icon.color: Theme.error
                        enabled: vm.canDeleteAll
                        onTriggered: root.showingDeleteAllConfirmation = true
                    }
                }
            }
        }

        ListView {
            id: list
            objectName: "courseList"
            KeepsEndInView { view: list }
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 150
            clip: true
            model: vm.rows
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
            delegate: Rectangle {
                id: courseRow
                required property string kind
                required property string courseId
                required property string title
                required property string summary
                required property string countText
                required property bool striped
                required property bool expanded
                required property string family
                readonly property bool variant: kind === "variant"
                objectName: kind === "family" ? "familyRow_" + family : "courseRow_" + title
                width: list.width
                implicitHeight: kind === "family" ? 30 : Math.max(variant ? 38 : 44, courseColumns.implicitHeight + 10)
                color: striped ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"

                ItemDelegate {
                    objectName: "familyHeader"
                    visible: courseRow.kind === "family"
                    anchors.fill: parent
                    text: (courseRow.expanded ? "▾ " : "▸ ") + courseRow.title
                    font: Theme.headline
                    onClicked: vm.toggleFamily(courseRow.family)
                }
                RowLayout {
                    id: courseColumns
                    visible: courseRow.kind !== "family"
                    anchors.fill: parent
                    anchors.leftMargin: courseRow.variant ? 20 : 4
                    anchors.rightMargin: 4
                    spacing: 8
                    ColumnLayout {
                        spacing: 2
                        Layout.fillWidth: true
                        Label {
                            text: courseRow.title
                            font: courseRow.variant ? Theme.subheadline : Theme.headline
                            color: Theme.primaryText
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        // Every control code is shown: a long course wraps onto more lines.
                        Label {
                            text: courseRow.summary
                            font: Theme.caption
                            color: Theme.secondaryText
                            wrapMode: Text.WordWrap
                            Layout.fillWidth: true
                        }
                    }
                    Label {
                        text: courseRow.countText
                        font: Theme.caption
                        color: Theme.secondaryText
                        horizontalAlignment: Text.AlignRight
                        Layout.preferredWidth: 160
                    }
                    Button {
                        objectName: "editCourseButton"
                        contentItem: EditButtonLabel {}
                        onClicked: vm.editCourse(courseRow.courseId)
                    }
                    ToolButton {
                        objectName: "deleteCourseButton"
                        contentItem: TrashIcon { color: Theme.error }
                        Accessible.name: qsTranslate("Vexlo", "Delete")
                        onClicked: vm.confirmDeleteCourse(courseRow.courseId)
                    }
                }
            }
        }
        // What an import did or why it failed, under the list: a line coming or going moves no
        // row under the pointer.
        Label {
            objectName: "importError"
            visible: vm.importError !== ""
            text: vm.importError
            color: Theme.error
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "changeSummary"
            visible: vm.changeSummary !== ""
            text: vm.changeSummary
            color: Theme.secondaryText
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    Loader {
        active: vm.editor !== null
        sourceComponent: CourseEditView { editor: vm.editor }
    }

    Dialog {
        objectName: "deleteCourseDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: vm.confirmingDelete
        width: 420
        title: qsTranslate("Vexlo", "Delete course?")
        onClosed: vm.cancelDelete()
        contentItem: Label {
            text: qsTranslate("Vexlo", "Classes or participants assigned to this course will keep referring to it by id, but it will no longer resolve to a course. This cannot be undone.")
            wrapMode: Text.WordWrap
            font: Theme.body
        }
        footer: DialogButtonBox {
            Button {
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "confirmDeleteCourseButton"
                text: qsTranslate("Vexlo", "Delete")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: vm.deletePendingCourse()
            }
        }
    }
    Dialog {
        objectName: "deleteAllCoursesDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: root.showingDeleteAllConfirmation
        width: 420
        title: qsTranslate("Vexlo", "Delete all courses?")
        onClosed: root.showingDeleteAllConfirmation = false
        contentItem: Label {
            text: qsTranslate("Vexlo", "This removes every course from the race. Classes or participants assigned to a now-missing course will keep referring to it by id, but it will no longer resolve to a course. Recorded results are not affected. This cannot be undone.")
            wrapMode: Text.WordWrap
            font: Theme.body
        }
        footer: DialogButtonBox {
            Button {
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "confirmDeleteAllCoursesButton"
                text: qsTranslate("Vexlo", "Delete All")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: {
                    vm.deleteAllCourses()
                    root.showingDeleteAllConfirmation = false
                }
            }
        }
    }
}
